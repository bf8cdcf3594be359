#include "download/record_reader.h"

#include <utility>

namespace trqx {

RecordSplitter::RecordSplitter(char separator, OnRecord onRecord)
    : m_reader(separator), m_onRecord(std::move(onRecord)) {}

RecordSplitter::Status RecordSplitter::Feed(std::string_view chunk) {
  while (!chunk.empty()) {
    std::size_t used = 0;
    const CsvStatus status = m_reader.Feed(chunk, used);
    if (status == CsvStatus::kBadRecord) {
      return Status::kBadRecord;
    }
    if (status == CsvStatus::kPending) {
      m_pending = m_pending || chunk.find_first_not_of('\r') != std::string_view::npos;
      m_consumed += chunk.size();
      return Status::kMore;
    }
    chunk.remove_prefix(used);
    m_consumed += used;
    m_pending = false;
    m_onRecord(m_reader.Tokens());
    m_reader.Reset();
  }
  return Status::kMore;
}

RecordSplitter::Status RecordSplitter::Finish() {
  if (!m_pending) {
    return Status::kMore;
  }
  m_pending = false;
  if (m_reader.Finish() != CsvStatus::kRecord) {
    return Status::kBadRecord;
  }
  m_onRecord(m_reader.Tokens());
  m_reader.Reset();
  return Status::kMore;
}

}  // namespace trqx
