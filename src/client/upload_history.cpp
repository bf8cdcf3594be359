#include "client/upload_history.h"

#include <algorithm>

namespace trqx {

void CUploadHistoryList::Add(const std::string& path, const std::string& time, HistoryState state,
                             std::uint32_t uploadNumber, const std::string& basketId) {
  m_rows.push_back({path, time, basketId, state, uploadNumber});
  m_view.AddHistoryRow(m_rows.back());
}

void CUploadHistoryList::Update(std::uint32_t uploadNumber, HistoryState state,
                                const std::string& time) {
  const std::size_t first = m_rows.size() - std::min(m_rows.size(), kSearchedRows);
  for (std::size_t index = m_rows.size(); index > first; --index) {
    if (m_rows[index - 1].m_uploadNumber == uploadNumber) {
      Change(index - 1, state, time);
      return;
    }
  }
  Add(kUnknownFile, time, state, uploadNumber, "");
}

void CUploadHistoryList::CancelPending(const std::string& time) {
  for (std::size_t index = 0; index < m_rows.size(); ++index) {
    if (m_rows[index].m_state == HistoryState::kPending) {
      Change(index, HistoryState::kCancelled, time);
    }
  }
}

void CUploadHistoryList::Clear() {
  m_rows.clear();
  m_view.ClearHistory();
}

void CUploadHistoryList::Change(std::size_t index, HistoryState state, const std::string& time) {
  m_rows[index].m_state = state;
  m_rows[index].m_time = time;
  m_view.UpdateHistoryRow(index, m_rows[index]);
}

}  // namespace trqx
