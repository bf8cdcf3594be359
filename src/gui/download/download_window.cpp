#include "gui/download/download_window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QVBoxLayout>

#include "download/download_dlg.h"
#include "download/download_messages.h"

namespace trqx {

namespace {

constexpr const char* kAboutCaption = "About TRQXDownLoad";
constexpr const char* kAboutText = "TRQXDownLoad Version 2.2f";
constexpr const char* kAboutDetail =
    "Turns the order file into one report per basket, with the active download mapping.";
constexpr const char* kAboutItem = "&About TRQXDownLoad...";
// Wide enough for a typical order file path without eliding it.
constexpr int kPathChars = 56;

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A path that may be longer than the window: elided in the middle, whole in its tooltip.
class ElidedPathLabel final : public QLabel {
 public:
  void SetPath(const QString& path) {
    m_path = path;
    setToolTip(path);
    Elide();
  }
  const QString& Path() const { return m_path; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Elide();
  }
  QSize minimumSizeHint() const override {
    return {fontMetrics().averageCharWidth() * 8, QLabel::minimumSizeHint().height()};
  }

 private:
  void Elide() {
    setText(fontMetrics().elidedText(m_path, Qt::ElideMiddle, contentsRect().width()));
  }

  QString m_path;
};

}  // namespace

DownLoadWindow::DownLoadWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Q(kDialogCaption));
  auto* layout = new QVBoxLayout(this);

  auto* group = new QGroupBox(tr("Downloading File"));
  auto* inner = new QVBoxLayout(group);
  m_path = new ElidedPathLabel;
  m_path->setMinimumWidth(fontMetrics().averageCharWidth() * kPathChars);
  m_percent = new QLabel;
  m_progress = new QProgressBar;
  m_progress->setTextVisible(false);
  inner->addWidget(m_path);
  inner->addWidget(m_percent);
  inner->addWidget(m_progress);
  layout->addWidget(group);

  auto* buttons = new QHBoxLayout;
  m_about = new QPushButton(tr(kAboutItem));
  m_about->setAutoDefault(false);
  auto* ok = new QPushButton(tr("OK"));
  ok->setDefault(true);
  // The original's Cancel exists but is never shown: Esc must not end a run half done.
  auto* cancel = new QPushButton(tr("Cancel"));
  cancel->hide();
  buttons->addWidget(m_about);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetMinimumSize);

  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_about, &QPushButton::clicked, this, [this] { ShowAbout(); });
}

void DownLoadWindow::ShowMessageBox(const std::string& text) {
  QMessageBox::warning(isVisible() ? this : nullptr, Q(kDialogCaption), Q(text));
}

void DownLoadWindow::SetPathText(const std::string& path) {
  static_cast<ElidedPathLabel*>(m_path)->SetPath(Q(path));
}

void DownLoadWindow::SetPercentText(const std::string& text) {
  m_percent->setText(Q(text));
  // The run holds the window's thread: the text is painted now, not after the run.
  m_percent->repaint();
}

void DownLoadWindow::SetProgressRange(int lower, int upper, int step) {
  m_progress->setRange(lower, upper);
  m_progress->setValue(lower);
  m_step = step;
}

void DownLoadWindow::StepProgress() {
  // As the original's bar does, a step past the end starts again from the beginning.
  int value = m_progress->value() + m_step;
  if (value > m_progress->maximum()) {
    value = m_progress->minimum() + (value - m_progress->maximum());
  }
  m_progress->setValue(value);
  m_progress->repaint();
}

void DownLoadWindow::PostToSelf(unsigned message) {
  QMetaObject::invokeMethod(
      this,
      [this, message] {
        if (m_dlg != nullptr && !m_ended) {
          m_dlg->OnMessage(message);
        }
      },
      Qt::QueuedConnection);
}

void DownLoadWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!m_shown && !event->spontaneous() && m_dlg != nullptr) {
    m_shown = true;
    m_dlg->OnShowWindow();
  }
}

QMessageBox* DownLoadWindow::MakeAboutBox() {
  auto* box = new QMessageBox(QMessageBox::Information, tr(kAboutCaption), tr(kAboutText),
                              QMessageBox::Ok, this);
  box->setInformativeText(tr(kAboutDetail));
  return box;
}

void DownLoadWindow::ShowAbout() {
  QMessageBox* box = MakeAboutBox();
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace trqx
