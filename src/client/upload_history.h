#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "client/client_view.h"

namespace trqx {

// The upload history list of the main window: one row per upload, shown through the view.
// Rows keep the full upload number; a state change finds its row among the newest rows only.
class CUploadHistoryList {
 public:
  static constexpr std::size_t kSearchedRows = 256;
  static constexpr const char* kUnknownFile = "Unknown file";

  explicit CUploadHistoryList(ClientView& view) : m_view(view) {}

  void Add(const std::string& path, const std::string& time, HistoryState state,
           std::uint32_t uploadNumber, const std::string& basketId);
  // Gives the newest row of uploadNumber among the newest kSearchedRows the state and time;
  // without one, adds an "Unknown file" row in that state.
  void Update(std::uint32_t uploadNumber, HistoryState state, const std::string& time);
  // Every pending row becomes cancelled at time.
  void CancelPending(const std::string& time);
  void Clear();

  const std::vector<CUploadHistoryRow>& Rows() const { return m_rows; }

 private:
  void Change(std::size_t index, HistoryState state, const std::string& time);

  ClientView& m_view;
  std::vector<CUploadHistoryRow> m_rows;  // oldest first, as the list shows them
};

}  // namespace trqx
