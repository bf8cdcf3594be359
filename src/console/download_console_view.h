#pragma once

#include <deque>
#include <ostream>
#include <string>

#include "download/download_dlg.h"
#include "download/download_view.h"
#include "foundation/registry.h"

namespace trqx {

// The download converter's window on a terminal: the caption, the order file's path and every
// percent text go to out, one line each; message boxes go to err.
class DownLoadConsoleView : public DownLoadView {
 public:
  DownLoadConsoleView(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

  void SetPathText(const std::string& path) override;
  void SetPercentText(const std::string& text) override;
  // The console draws no bar: the percent text shown with each step says as much.
  void SetProgressRange(int, int, int) override {}
  void StepProgress() override {}
  void ShowMessageBox(const std::string& text) override;
  void PostToSelf(unsigned message) override { m_posted.push_back(message); }
  void EndProgram() override { m_ended = true; }

  // Hands the posted messages to dlg in order until none is left or the program ended.
  void RunPostedMessages(CTRQXDownLoadDlg& dlg);
  bool Ended() const { return m_ended; }

 private:
  std::ostream& m_out;
  std::ostream& m_err;
  std::deque<unsigned> m_posted;
  bool m_ended = false;
};

// Exit codes of the console converter.
inline constexpr int kExitAllWritten = 0;
inline constexpr int kExitStartupEnded = 1;
inline constexpr int kExitSomeFailed = 2;

// Runs the converter on the order file at orderFilePath with the console view: the registry
// lookup, the window's start-up and its run. kExitStartupEnded when the program ended during
// start-up, else kExitAllWritten when every basket's report was written, else kExitSomeFailed.
int RunDownLoadConsole(const Registry& registry, const std::string& orderFilePath,
                       std::ostream& out, std::ostream& err);

}  // namespace trqx
