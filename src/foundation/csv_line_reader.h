#pragma once

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

// Turns a byte stream, fed in chunks of any size, into one token list per record.
class CsvLineReader {
 public:
  explicit CsvLineReader(char separator = ',');

  // Consumes bytes up to and including the end of one record. used receives the number
  // of bytes consumed. kRecord: Tokens() holds the record; call Reset() before feeding
  // the rest. kPending: all of data was consumed and the record goes on.
  CsvStatus Feed(std::string_view data, std::size_t& used);
  // End of input: completes a pending record or reports an unterminated quote.
  CsvStatus Finish();

  const TokenList& Tokens() const { return m_tokens; }
  TokenList& Tokens() { return m_tokens; }
  void Reset();

 private:
  char m_separator;
  CsvState m_state = CsvState::kStart;
  TokenList m_tokens;
};

// A cell of a buffer split in place: its bytes are buffer[offset, offset + length).
struct CellRef {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

// Zero-copy reading of a whole file held in memory (desk files of any size): the same
// state table, but each token's unquoted bytes are written back into buffer at or before
// where they were read, so every cell is a span of the buffer and no cell costs a heap
// string. Calls onRecord(const std::vector<CellRef>&) for each record (records with no
// tokens included, so callers can count lines). Returns false at a bad record, after the
// records before it were handed over. buffer must be below 4 GiB.
class CsvInPlaceSplitter {
 public:
  explicit CsvInPlaceSplitter(char separator) : m_separator(separator) {}
  template <class OnRecord>
  bool Split(std::string& buffer, OnRecord&& onRecord);

 private:
  char m_separator;
};

}  // namespace trqx
