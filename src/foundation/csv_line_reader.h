#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/archive.h"

namespace trqx {

// The tokenizer's states; the transition table is shared by every reader of
// separated records (archive files with a comma, desk files with a comma or a tab).
enum class CsvState : std::uint8_t {
  kStart = 0,
  kQuoted = 1,
  kQuoteInQuoted = 2,
  kBare = 3,
  kAfterSeparator = 4,
  kComplete = 5,
  kError = 6,
};

enum class CsvStatus { kPending, kRecord, kBadRecord };

namespace csv_detail {

// What a byte is to the tokenizer. A separator that is itself a line feed, carriage return
// or double quote counts as that byte, never as a separator.
enum ByteClass : std::uint8_t { kLineFeed, kSeparator, kQuote, kCarriageReturn, kOther };
inline constexpr int kClassCount = 5;
inline constexpr int kStateCount = 7;

using ByteClasses = std::array<std::uint8_t, 256>;

constexpr ByteClasses MakeByteClasses(char separator) {
  ByteClasses classes{};
  for (auto& c : classes) {
    c = kOther;
  }
  classes[static_cast<unsigned char>(separator)] = kSeparator;
  classes[static_cast<unsigned char>('"')] = kQuote;
  classes[static_cast<unsigned char>('\r')] = kCarriageReturn;
  classes[static_cast<unsigned char>('\n')] = kLineFeed;
  return classes;
}

// One transition: the next state, whether a new (empty) token starts, and whether the byte
// is appended to the last token (after the new one was started).
struct Step {
  CsvState next;
  bool newToken;
  bool append;
};

// The state table. A carriage return is ignored in every state; complete and error are
// final until the caller resets.
constexpr Step Transition(CsvState state, ByteClass byte) {
  using S = CsvState;
  if (byte == kCarriageReturn || state == S::kComplete || state == S::kError) {
    return {state, false, false};
  }
  switch (state) {
    case S::kStart:
    case S::kAfterSeparator:
      // Every byte starts a token, except a line feed in state 0: a record with no tokens.
      switch (byte) {
        case kLineFeed:
          return {S::kComplete, state == S::kAfterSeparator, false};
        case kSeparator:
          return {S::kAfterSeparator, true, false};
        case kQuote:
          return {S::kQuoted, true, false};
        default:
          return {S::kBare, true, true};
      }
    case S::kQuoted:
      switch (byte) {
        case kLineFeed:
          return {S::kError, false, false};
        case kQuote:
          return {S::kQuoteInQuoted, false, false};
        default:  // the separator too
          return {S::kQuoted, false, true};
      }
    case S::kQuoteInQuoted:
      switch (byte) {
        case kLineFeed:
          return {S::kComplete, false, false};
        case kSeparator:
          return {S::kAfterSeparator, false, false};
        case kQuote:  // a doubled quote stands for one
          return {S::kQuoted, false, true};
        default:
          return {S::kBare, false, true};
      }
    case S::kBare:
      switch (byte) {
        case kLineFeed:
          return {S::kComplete, false, false};
        case kSeparator:
          return {S::kAfterSeparator, false, false};
        default:  // a quote inside a bare token is kept
          return {S::kBare, false, true};
      }
    default:
      return {state, false, false};
  }
}

// End of input in a state: whether a final empty token starts, and the outcome. kPending
// means nothing was pending (no bytes since the last record).
struct EndStep {
  bool newToken;
  CsvStatus status;
};

constexpr EndStep EndOfInput(CsvState state) {
  switch (state) {
    case CsvState::kQuoteInQuoted:
    case CsvState::kBare:
      return {false, CsvStatus::kRecord};
    case CsvState::kAfterSeparator:
      return {true, CsvStatus::kRecord};
    case CsvState::kQuoted:
    case CsvState::kError:
      return {false, CsvStatus::kBadRecord};
    default:
      return {false, CsvStatus::kPending};
  }
}

struct Table {
  std::array<Step, kStateCount * kClassCount> steps;
  // True where a byte only appends and keeps the state: runs of such bytes are copied whole.
  std::array<bool, kStateCount * kClassCount> appendRun;
};

constexpr Table MakeTable() {
  Table table{};
  for (int s = 0; s < kStateCount; ++s) {
    for (int c = 0; c < kClassCount; ++c) {
      const Step step = Transition(static_cast<CsvState>(s), static_cast<ByteClass>(c));
      table.steps[s * kClassCount + c] = step;
      table.appendRun[s * kClassCount + c] =
          step.append && !step.newToken && step.next == static_cast<CsvState>(s);
    }
  }
  return table;
}

inline constexpr Table kTable = MakeTable();

// Feeds bytes [p, end) through the table, telling emitter NewToken() and Append(bytes,
// count); stops after the byte that completes the record or makes it bad. Returns the
// position past the last byte consumed.
template <class Emitter>
const char* Run(CsvState& state, const ByteClasses& classes, const char* p, const char* end,
                Emitter& emitter) {
  while (p != end) {
    const int row = static_cast<int>(state) * kClassCount;
    const char* runStart = p;
    while (p != end && kTable.appendRun[row + classes[static_cast<unsigned char>(*p)]]) {
      ++p;
    }
    if (p != runStart) {
      emitter.Append(runStart, static_cast<std::size_t>(p - runStart));
      if (p == end) {
        break;
      }
    }
    const Step& step = kTable.steps[row + classes[static_cast<unsigned char>(*p)]];
    if (step.newToken) {
      emitter.NewToken();
    }
    if (step.append) {
      emitter.Append(p, 1);
    }
    ++p;
    state = step.next;
    if (state == CsvState::kComplete || state == CsvState::kError) {
      break;
    }
  }
  return p;
}

}  // namespace csv_detail

// Turns a byte stream, fed in chunks of any size, into one token list per record.
class CsvLineReader {
 public:
  explicit CsvLineReader(char separator = ',');

  // Consumes bytes up to and including the end of one record. used receives the number
  // of bytes consumed. kRecord: Tokens() holds the record; call Reset() before feeding
  // the rest. kPending: all of data was consumed and the record goes on. kBadRecord: a
  // quoted token held a line feed. After kRecord or kBadRecord, Feed consumes nothing and
  // repeats its result until Reset().
  CsvStatus Feed(std::string_view data, std::size_t& used);
  // End of input: kRecord completes a pending record, kBadRecord reports an unterminated
  // quote (or an earlier bad record), kPending says no bytes were pending.
  CsvStatus Finish();

  const TokenList& Tokens() const { return m_tokens; }
  TokenList& Tokens() { return m_tokens; }
  CsvState State() const { return m_state; }
  void Reset();

 private:
  CsvState m_state = CsvState::kStart;
  TokenList m_tokens;
  csv_detail::ByteClasses m_classes;
};

// What one line of a desk file holds.
enum class CsvLineStatus { kRecord, kNoRecord, kBadRecord };

// Splits one line of a desk file, whole in memory, into cells by the same state table. A
// line feed ends a record (or makes it bad) in every state, so a desk file's records are its
// lines and a file can be read line by line through a small buffer. Cells are views into the
// line: a quoted cell is the span between its quotes, and only the bytes that unquoting joins
// (after a doubled quote or a dropped carriage return) are moved left within the line.
class CsvRecordSplitter {
 public:
  explicit CsvRecordSplitter(char separator);

  // line: the bytes before a line feed (terminated) or the file's bytes after its last line
  // feed. kNoRecord: an unterminated line without a token (carriage returns only).
  CsvLineStatus Split(char* begin, char* end, bool terminated);
  // The last record's cells, valid while its line's bytes are.
  const std::vector<std::string_view>& Cells() const { return m_cells; }

 private:
  char m_separator;
  csv_detail::ByteClasses m_classes;
  std::vector<std::string_view> m_cells;
};

}  // namespace trqx
