#pragma once

#include <QDialog>

#include <array>
#include <functional>

#include "client/client_view.h"

class QLabel;
class QPushButton;

namespace trqx {

// The modeless "Upload in progress..." window. Each of its three states shows one text and
// one button and hides the other four: in progress ("Cancel File Upload", which calls the
// cancel handler), sent ("OK") and not sent ("Dismiss"); OK and Dismiss close the window.
// The close box only hides it: the transfer goes on and its end is seen in the history.
class UploadProgressWindow final : public QDialog {
 public:
  static constexpr const char* kTitle = "TRQXClient Upload/Download: Upload in progress...";

  // onCancel runs when "Cancel File Upload" is pressed; the window stays as it is.
  UploadProgressWindow(std::function<void()> onCancel, QWidget* parent = nullptr);

  // Shows the texts and the button of state; kClosed hides the window. Does not show it.
  void SetState(ProgressState state);
  ProgressState State() const { return m_state; }

  // The text and the button of a shown state (kInProgress, kSent, kNotSent).
  QLabel* Text(ProgressState state) const;
  QPushButton* Button(ProgressState state) const;

 private:
  static std::size_t Slot(ProgressState state);
  // Shows the text and the button of slot and hides the others.
  void ShowControls(std::size_t shown);

  std::function<void()> m_onCancel;
  ProgressState m_state = ProgressState::kClosed;
  QLabel* m_icon = nullptr;
  std::array<QLabel*, 3> m_texts{};
  std::array<QPushButton*, 3> m_buttons{};
};

}  // namespace trqx
