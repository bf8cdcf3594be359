#include "gui/client/upload_progress_window.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace trqx {

namespace {

struct StateControls {
  ProgressState state;
  QStyle::StandardPixmap icon;
  const char* text;
  const char* button;
};

// The shown states in the order of their slots.
constexpr StateControls kStates[] = {
    {.state = ProgressState::kInProgress,
     .icon = QStyle::SP_MessageBoxInformation,
     .text = "File transfer to server in progress, press Cancel to stop transmission.",
     .button = "Cancel File Upload"},
    {.state = ProgressState::kSent,
     .icon = QStyle::SP_MessageBoxInformation,
     .text = "File uploaded to server",
     .button = "OK"},
    {.state = ProgressState::kNotSent,
     .icon = QStyle::SP_MessageBoxWarning,
     .text = "File not uploaded to server",
     .button = "Dismiss"},
};

}  // namespace

UploadProgressWindow::UploadProgressWindow(std::function<void()> onCancel, QWidget* parent)
    : QDialog(parent), m_onCancel(std::move(onCancel)) {
  setWindowTitle(kTitle);
  setModal(false);
  m_icon = new QLabel(this);
  m_icon->setAlignment(Qt::AlignTop);
  auto* texts = new QVBoxLayout;
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (std::size_t i = 0; i < std::size(kStates); ++i) {
    m_texts[i] = new QLabel(QString::fromUtf8(kStates[i].text), this);
    m_texts[i]->setWordWrap(true);
    m_texts[i]->setMinimumWidth(300);
    texts->addWidget(m_texts[i]);
    m_buttons[i] = new QPushButton(QString::fromUtf8(kStates[i].button), this);
    buttons->addWidget(m_buttons[i]);
  }
  texts->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(m_icon);
  top->addLayout(texts, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
  connect(m_buttons[0], &QPushButton::clicked, this, [this] {
    if (m_onCancel) {
      m_onCancel();
    }
  });
  connect(m_buttons[1], &QPushButton::clicked, this, &QDialog::close);
  connect(m_buttons[2], &QPushButton::clicked, this, &QDialog::close);
  ShowControls(Slot(ProgressState::kInProgress));
}

std::size_t UploadProgressWindow::Slot(ProgressState state) {
  for (std::size_t i = 0; i < std::size(kStates); ++i) {
    if (kStates[i].state == state) {
      return i;
    }
  }
  return std::size(kStates);
}

void UploadProgressWindow::SetState(ProgressState state) {
  m_state = state;
  if (state == ProgressState::kClosed) {
    hide();
    return;
  }
  ShowControls(Slot(state));
}

void UploadProgressWindow::ShowControls(std::size_t shown) {
  for (std::size_t i = 0; i < std::size(kStates); ++i) {
    m_texts[i]->setVisible(i == shown);
    m_buttons[i]->setVisible(i == shown);
  }
  m_buttons[shown]->setDefault(true);
  m_icon->setPixmap(style()->standardIcon(kStates[shown].icon).pixmap(32, 32));
  adjustSize();
}

QLabel* UploadProgressWindow::Text(ProgressState state) const {
  const std::size_t slot = Slot(state);
  return slot < m_texts.size() ? m_texts[slot] : nullptr;
}

QPushButton* UploadProgressWindow::Button(ProgressState state) const {
  const std::size_t slot = Slot(state);
  return slot < m_buttons.size() ? m_buttons[slot] : nullptr;
}

}  // namespace trqx
