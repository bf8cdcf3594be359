#pragma once

#include <QDialog>

#include <string>

class QListWidget;

namespace trqx {

// The modeless "File upload status" window: one list, one line per delivery outcome, the
// newest at the bottom and scrolled into view.
class UploadStatusWindow final : public QDialog {
 public:
  static constexpr const char* kTitle = "TRQXClient Upload/Download: File upload status";

  explicit UploadStatusWindow(QWidget* parent = nullptr);

  // Appends the line; does not show the window.
  void AddLine(const std::string& text);
  QListWidget* List() const { return m_list; }

 private:
  QListWidget* m_list;
};

}  // namespace trqx
