#include "foundation/archive.h"

#include <climits>
#include <limits>

#include "foundation/text.h"

namespace trqx {

namespace {

constexpr std::string_view kValueTag = "Value";
constexpr std::string_view kArrayTag = "Array";
constexpr std::string_view kTrue = "TRUE";
constexpr std::string_view kFalse = "FALSE";
constexpr char kScrambleMarker = '*';
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Key byte for position i: key letter plus i, taken as a signed byte, remainder by 80 with
// the dividend's sign, low 8 bits.
unsigned char ScrambleKeyByte(std::size_t i) {
  const auto& key = CArchivable::kScrambleKey;
  const auto sum = static_cast<unsigned char>(static_cast<unsigned char>(key[i % key.size()]) +
                                              static_cast<unsigned char>(i));
  const int remainder = static_cast<signed char>(sum) % 80;
  return static_cast<unsigned char>(remainder);
}

// The two digits the marker gives at position 0: a stored value that starts with them is
// taken as scrambled.
std::string ScrambledMarkerDigits() {
  const auto byte = static_cast<unsigned char>(kScrambleMarker ^ ScrambleKeyByte(0));
  return {kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return 0;
}

// The C library's number scan: leading white space, an optional sign, then decimal digits
// up to the first other character. magnitude saturates at limit.
std::uint64_t ScanDecimal(std::string_view text, bool& negative, std::uint64_t limit) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) {
    ++i;
  }
  negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (magnitude > limit) {
      magnitude = limit;
    }
  }
  return magnitude;
}

// Stands at a key token whose next token must be tag; true when it is.
bool HasTag(const TokenList& tokens, std::size_t pos, std::string_view tag) {
  return pos < tokens.size() && tokens.size() - pos > 1 && tokens[pos + 1] == tag;
}

// The scalar value token of the entry at pos, or null when the entry is not a whole scalar.
const std::string* ScalarValue(const TokenList& tokens, std::size_t pos) {
  if (!HasTag(tokens, pos, kValueTag) || tokens.size() - pos < 3) {
    return nullptr;
  }
  return &tokens[pos + 2];
}

// Every entry holds at least two tokens (a key and a count or tag), so n entries cannot
// fit in fewer than 2n tokens.
bool CountFits(std::uint64_t entries, std::size_t remainingTokens) {
  return entries <= remainingTokens / 2;
}

}  // namespace

std::string CArchivable::ScrambleText(std::string_view text) const {
  if (!m_scrambleEnabled) {
    return std::string(text);
  }
  std::string marked;
  marked.reserve(text.size() + 1);
  marked += kScrambleMarker;
  marked += text;
  std::string stored;
  stored.reserve(marked.size() * 2);
  for (std::size_t i = 0; i < marked.size(); ++i) {
    const auto byte =
        static_cast<unsigned char>(static_cast<unsigned char>(marked[i]) ^ ScrambleKeyByte(i));
    stored += kHexDigits[byte >> 4];
    stored += kHexDigits[byte & 0x0F];
  }
  return stored;
}

std::string CArchivable::UnscrambleText(std::string_view value) {
  const bool scrambled = value.substr(0, 2) == ScrambledMarkerDigits();
  m_scrambleEnabled = scrambled || (value.size() <= 3 && TrimLeftSpaceChars(value).empty());
  if (!scrambled) {
    return std::string(value);
  }
  std::string text;
  text.reserve(value.size() / 2);
  for (std::size_t pair = 0; pair < value.size() / 2; ++pair) {
    const int byte = HexDigitValue(value[2 * pair]) * 16 + HexDigitValue(value[2 * pair + 1]);
    if (pair > 0) {  // pair 0 is the marker
      text += static_cast<char>(static_cast<unsigned char>(byte) ^ ScrambleKeyByte(pair));
    }
  }
  return text;
}

void WriteBool(TokenList& tokens, std::string_view key, bool value) {
  WriteString(tokens, key, value ? kTrue : kFalse);
}

void WriteInt(TokenList& tokens, std::string_view key, int value) {
  WriteString(tokens, key, std::to_string(value));
}

void WriteUInt(TokenList& tokens, std::string_view key, std::uint32_t value) {
  WriteString(tokens, key, std::to_string(value));
}

void WriteString(TokenList& tokens, std::string_view key, std::string_view value) {
  tokens.emplace_back(key);
  tokens.emplace_back(kValueTag);
  tokens.emplace_back(value);
}

void WriteArray(TokenList& tokens, std::string_view key, const std::vector<std::string>& values) {
  tokens.emplace_back(key);
  tokens.emplace_back(kArrayTag);
  tokens.push_back(std::to_string(values.size()));
  tokens.insert(tokens.end(), values.begin(), values.end());
}

void WriteObjectHeader(TokenList& tokens, std::string_view className, int count) {
  tokens.emplace_back(className);
  tokens.push_back(std::to_string(count));
}

bool ReadBool(const TokenList& tokens, std::size_t& pos, bool& out) {
  const std::string* value = ScalarValue(tokens, pos);
  if (value == nullptr) {
    return false;
  }
  out = *value == kTrue;
  pos += 3;
  return true;
}

bool ReadInt(const TokenList& tokens, std::size_t& pos, int& out) {
  const std::string* value = ScalarValue(tokens, pos);
  if (value == nullptr) {
    return false;
  }
  out = ParseInt(*value);
  pos += 3;
  return true;
}

bool ReadUInt(const TokenList& tokens, std::size_t& pos, std::uint32_t& out) {
  const std::string* value = ScalarValue(tokens, pos);
  if (value == nullptr) {
    return false;
  }
  out = ParseUInt(*value);
  pos += 3;
  return true;
}

bool ReadString(const TokenList& tokens, std::size_t& pos, std::string& out) {
  const std::string* value = ScalarValue(tokens, pos);
  if (value == nullptr) {
    return false;
  }
  out = *value;
  pos += 3;
  return true;
}

bool ReadArray(const TokenList& tokens, std::size_t& pos, std::vector<std::string>& out) {
  if (!HasTag(tokens, pos, kArrayTag) || tokens.size() - pos < 3) {
    return false;
  }
  const int count = ParseInt(tokens[pos + 2]);
  const std::size_t first = pos + 3;
  if (count < 0 || static_cast<std::size_t>(count) > tokens.size() - first) {
    return false;
  }
  const auto begin = tokens.begin() + static_cast<std::ptrdiff_t>(first);
  out.assign(begin, begin + count);
  pos = first + static_cast<std::size_t>(count);
  return true;
}

int ParseInt(std::string_view text) {
  bool negative = false;
  const std::uint64_t magnitude =
      ScanDecimal(text, negative, static_cast<std::uint64_t>(INT_MAX) + 1);
  if (negative) {
    return static_cast<int>(-static_cast<std::int64_t>(magnitude));
  }
  return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

std::uint32_t ParseUInt(std::string_view text) {
  constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max();
  bool negative = false;
  const std::uint64_t magnitude = ScanDecimal(text, negative, kLimit + 1);
  if (magnitude > kLimit) {
    return static_cast<std::uint32_t>(kLimit);
  }
  // As a 32-bit strtoul: a minus sign negates modulo 2^32.
  const auto value = static_cast<std::uint32_t>(magnitude);
  return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

// Nested objects are stepped over without recursion: the entries still to be skipped are
// one count, and an object header replaces itself by its own entries. Each entry takes at
// least two tokens, so the work is linear in the list and no depth of nesting can exhaust
// the stack.
bool SkipEntry(const TokenList& tokens, std::size_t& pos) {
  std::size_t p = pos;
  std::uint64_t pendingEntries = 1;
  while (pendingEntries > 0) {
    if (p >= tokens.size() || tokens.size() - p < 2) {
      return false;
    }
    --pendingEntries;
    const std::string& tag = tokens[p + 1];
    if (tag == kValueTag) {
      if (tokens.size() - p < 3) {
        return false;
      }
      p += 3;
    } else if (tag == kArrayTag) {
      if (tokens.size() - p < 3) {
        return false;
      }
      const int count = ParseInt(tokens[p + 2]);
      if (count < 0 || static_cast<std::size_t>(count) > tokens.size() - p - 3) {
        return false;
      }
      p += 3 + static_cast<std::size_t>(count);
    } else {
      const int count = ParseInt(tag);
      if (count < 0) {
        return false;
      }
      p += 2;
      pendingEntries += static_cast<std::uint64_t>(count);
      if (!CountFits(pendingEntries, tokens.size() - p)) {
        return false;
      }
    }
  }
  pos = p;
  return true;
}

bool LoadObject(const TokenList& tokens, std::size_t& pos, std::string_view className,
                const MemberReader& readMember) {
  if (pos >= tokens.size() || tokens.size() - pos < 2 || tokens[pos] != className) {
    return false;
  }
  const int count = ParseInt(tokens[pos + 1]);
  std::size_t p = pos + 2;
  if (count < 0 || !CountFits(static_cast<std::uint64_t>(count), tokens.size() - p)) {
    return false;
  }
  for (int entry = 0; entry < count; ++entry) {
    if (p >= tokens.size()) {
      return false;
    }
    const std::size_t before = p;
    switch (readMember(tokens[p], p)) {
      case MemberRead::kFailed:
        return false;
      case MemberRead::kUnknownKey:
        p = before;
        if (!SkipEntry(tokens, p)) {
          return false;
        }
        break;
      case MemberRead::kLoaded:
        // A reader that did not move would read the same entry again and again.
        if (p <= before || p > tokens.size()) {
          return false;
        }
        break;
    }
  }
  pos = p;
  return true;
}

std::string RecordLine(const TokenList& tokens) {
  std::string line;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (i > 0) {
      line += ',';
    }
    const std::string& token = tokens[i];
    if (token.find_first_of(",\"") == std::string::npos) {
      line += token;
      continue;
    }
    line += '"';
    for (const char c : token) {
      if (c == '"') {
        line += '"';
      }
      line += c;
    }
    line += '"';
  }
  line += "\r\n";
  return line;
}

}  // namespace trqx
