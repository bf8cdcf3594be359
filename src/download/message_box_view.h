#pragma once

#include <string>

namespace trqx {

// Where a download-side operation shows its message boxes.
class MessageBoxView {
 public:
  virtual ~MessageBoxView() = default;
  // Shows text in a modal message box and returns once it is dismissed.
  virtual void ShowMessageBox(const std::string& text) = 0;
};

}  // namespace trqx
