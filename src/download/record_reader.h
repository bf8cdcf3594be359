#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "foundation/archive.h"
#include "foundation/csv_line_reader.h"
#include "foundation/file_error.h"

namespace trqx {

// Splits a byte stream, fed in chunks of any size, into separated records and hands each
// completed record to the consumer, records without tokens included. The consumer may move
// the tokens out.
class RecordSplitter {
 public:
  using OnRecord = std::function<void(TokenList& record)>;
  enum class Status { kMore, kBadRecord };

  RecordSplitter(char separator, OnRecord onRecord);
  Status Feed(std::string_view chunk);
  // End of input: hands over a record that was still open (an unterminated quote is bad).
  Status Finish();
  // Bytes consumed so far; while the consumer runs, the offset just past its record.
  std::size_t Consumed() const { return m_consumed; }

 private:
  CsvLineReader m_reader;
  OnRecord m_onRecord;
  bool m_pending = false;  // bytes other than carriage returns since the last record
  std::size_t m_consumed = 0;
};

enum class RecordFileResult { kOk, kOpenFailed, kReadFailed, kBadRecord };

}  // namespace trqx
