#pragma once

#include <QDialog>

#include <string>

#include "download/download_view.h"

class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;

namespace trqx {

class CTRQXDownLoadDlg;

// The download converter's progress window: the order file's path, the percent text and the
// progress bar inside "Downloading File", and OK, which ends the program. Attach the dialog
// before its OnInitDialog; the window does not own it. GUI thread only.
class DownLoadWindow final : public QDialog, public DownLoadView {
 public:
  explicit DownLoadWindow(QWidget* parent = nullptr);

  void Attach(CTRQXDownLoadDlg& dlg) { m_dlg = &dlg; }
  // EndProgram was called: start-up ended, the window must not be shown.
  bool Ended() const { return m_ended; }

  // DownLoadView
  void ShowMessageBox(const std::string& text) override;
  void SetPathText(const std::string& path) override;
  void SetPercentText(const std::string& text) override;
  void SetProgressRange(int lower, int upper, int step) override;
  void StepProgress() override;
  // Queued on the window's thread: runs after the events already waiting, such as the
  // window's first paint.
  void PostToSelf(unsigned message) override;
  void EndProgram() override { m_ended = true; }

  // The "About TRQXDownLoad" box, made on request; the caller shows and owns it.
  QMessageBox* MakeAboutBox();

  QLabel* PathLabel() const { return m_path; }
  QLabel* PercentLabel() const { return m_percent; }
  QProgressBar* Progress() const { return m_progress; }
  QPushButton* AboutButton() const { return m_about; }

 protected:
  // The first show posts the run, so the window appears before the work starts.
  void showEvent(QShowEvent* event) override;

 private:
  void ShowAbout();

  CTRQXDownLoadDlg* m_dlg = nullptr;
  bool m_ended = false;
  bool m_shown = false;
  int m_step = 1;
  QLabel* m_path = nullptr;
  QLabel* m_percent = nullptr;
  QProgressBar* m_progress = nullptr;
  QPushButton* m_about = nullptr;
};

}  // namespace trqx
