#include "gui/client/upload_status_window.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace trqx {

UploadStatusWindow::UploadStatusWindow(QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this)) {
  setWindowTitle(kTitle);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_list);
  resize(420, 180);
}

void UploadStatusWindow::AddLine(const std::string& text) {
  m_list->addItem(QString::fromStdString(text));
  m_list->scrollToBottom();
}

}  // namespace trqx
