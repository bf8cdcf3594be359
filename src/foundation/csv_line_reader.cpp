#include "foundation/csv_line_reader.h"

namespace trqx {

namespace {

// Builds the token list of the record being read.
struct TokenEmitter {
  TokenList& tokens;

  void NewToken() { tokens.emplace_back(); }
  void Append(const char* bytes, std::size_t count) { tokens.back().append(bytes, count); }
};

}  // namespace

CsvLineReader::CsvLineReader(char separator) : m_classes(csv_detail::MakeByteClasses(separator)) {}

CsvStatus CsvLineReader::Feed(std::string_view data, std::size_t& used) {
  used = 0;
  if (m_state == CsvState::kComplete) {
    return CsvStatus::kRecord;
  }
  if (m_state == CsvState::kError) {
    return CsvStatus::kBadRecord;
  }
  TokenEmitter emitter{m_tokens};
  const char* end =
      csv_detail::Run(m_state, m_classes, data.data(), data.data() + data.size(), emitter);
  used = static_cast<std::size_t>(end - data.data());
  if (m_state == CsvState::kComplete) {
    return CsvStatus::kRecord;
  }
  return m_state == CsvState::kError ? CsvStatus::kBadRecord : CsvStatus::kPending;
}

CsvStatus CsvLineReader::Finish() {
  if (m_state == CsvState::kComplete) {
    return CsvStatus::kPending;  // handed over already
  }
  const csv_detail::EndStep last = csv_detail::EndOfInput(m_state);
  if (last.newToken) {
    m_tokens.emplace_back();
  }
  if (last.status == CsvStatus::kRecord) {
    m_state = CsvState::kComplete;
  } else if (last.status == CsvStatus::kBadRecord) {
    m_state = CsvState::kError;
  }
  return last.status;
}

void CsvLineReader::Reset() {
  m_tokens.clear();
  m_state = CsvState::kStart;
}

}  // namespace trqx
