#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trqx {

// The ordered list of strings an archived object saves into and loads from.
using TokenList = std::vector<std::string>;

// Base of every persisted class. Save appends the object's tokens; loading is a
// per-class Load(const TokenList&, std::size_t& pos) returning success.
class CArchivable {
 public:
  static constexpr std::string_view kScrambleKey = "Vestralik";

  virtual ~CArchivable() = default;
  virtual void Save(TokenList& tokens) const = 0;

  // Scrambled form of text while the scramble flag is on, else text unchanged.
  std::string ScrambleText(std::string_view text) const;
  // Plain text of a stored value; sets the scramble flag from the value's form, so a
  // password stored in plain text is written back in plain text.
  std::string UnscrambleText(std::string_view value);

  bool m_scrambleEnabled = true;
};

// Writers append (key, "Value", value).
void WriteBool(TokenList& tokens, std::string_view key, bool value);
void WriteInt(TokenList& tokens, std::string_view key, int value);
void WriteUInt(TokenList& tokens, std::string_view key, std::uint32_t value);
void WriteString(TokenList& tokens, std::string_view key, std::string_view value);
// key, "Array", n, then the n values.
void WriteArray(TokenList& tokens, std::string_view key, const std::vector<std::string>& values);
// Class name and the count of entries that follow.
void WriteObjectHeader(TokenList& tokens, std::string_view className, int count);

// Readers stand at the key token; they need "Value" after it, take the value and
// advance pos by 3. On failure pos is unchanged and out untouched.
bool ReadBool(const TokenList& tokens, std::size_t& pos, bool& out);
bool ReadInt(const TokenList& tokens, std::size_t& pos, int& out);
bool ReadUInt(const TokenList& tokens, std::size_t& pos, std::uint32_t& out);
bool ReadString(const TokenList& tokens, std::size_t& pos, std::string& out);
bool ReadArray(const TokenList& tokens, std::size_t& pos, std::vector<std::string>& out);

// Plain decimal conversions as the C library's: leading white space and one sign are
// allowed, then the leading digits count ("12abc" is 12); text that is no number gives 0.
// ParseInt saturates at INT_MIN/INT_MAX. ParseUInt behaves as a 32-bit strtoul: it
// saturates at 4294967295 and a minus sign negates modulo 2^32 ("-1" is 4294967295).
int ParseInt(std::string_view text);
std::uint32_t ParseUInt(std::string_view text);

// Steps over one entry of any form (scalar, array, nested object of any depth) at its key
// token. Fails, pos unchanged, on a negative count or a count that runs past the list. The
// work is linear in the list whatever the counts say.
bool SkipEntry(const TokenList& tokens, std::size_t& pos);

// What a class's member reader says of one key.
enum class MemberRead { kUnknownKey, kLoaded, kFailed };

// A typed reader's success as a member reader's answer.
inline MemberRead Loaded(bool ok) {
  return ok ? MemberRead::kLoaded : MemberRead::kFailed;
}

// The shared object-loading loop: checks the class name and a non-negative count, then
// for each entry hands the key to readMember (which reads from pos onward and advances
// it); unknown keys are skipped. On success pos points just past the object; on failure
// (wrong class name, bad count, a failed member or skip) pos is unchanged, members read so
// far stay read.
bool LoadObject(
    const TokenList& tokens, std::size_t& pos, std::string_view className,
    const std::function<MemberRead(std::string_view key, std::size_t& pos)>& readMember);

// One record line: tokens joined by commas, quoted where they hold a comma or a
// double quote, ended by "\r\n".
std::string RecordLine(const TokenList& tokens);

}  // namespace trqx
