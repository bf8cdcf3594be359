#include "console/download_console_view.h"

#include "download/download_messages.h"
#include "foundation/field_format.h"

namespace trqx {

void DownLoadConsoleView::SetPathText(const std::string& path) {
  m_out << "Downloading File: " << path << '\n' << std::flush;
}

void DownLoadConsoleView::SetPercentText(const std::string& text) {
  m_out << text << '\n' << std::flush;
}

void DownLoadConsoleView::ShowMessageBox(const std::string& text) {
  m_err << text << '\n' << std::flush;
}

void DownLoadConsoleView::RunPostedMessages(CTRQXDownLoadDlg& dlg) {
  while (!m_posted.empty() && !m_ended) {
    const unsigned message = m_posted.front();
    m_posted.pop_front();
    dlg.OnMessage(message);
  }
}

int RunDownLoadConsole(const Registry& registry, const std::string& orderFilePath,
                       std::ostream& out, std::ostream& err) {
  DownLoadConsoleView view(out, err);
  std::string applicationPath;
  if (!ReadApplicationPath(registry, view, applicationPath)) {
    return kExitStartupEnded;
  }
  out << kDialogCaption << '\n';
  FieldFormatRegistry fieldFormat;
  CTRQXDownLoadDlg dlg(view, fieldFormat, orderFilePath, applicationPath);
  if (!dlg.OnInitDialog()) {
    return kExitStartupEnded;
  }
  dlg.OnShowWindow();
  view.RunPostedMessages(dlg);
  return dlg.AllReportsWritten() ? kExitAllWritten : kExitSomeFailed;
}

}  // namespace trqx
