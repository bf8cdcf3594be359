#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "client/client_view.h"
#include "client/trqx_client_dlg.h"
#include "foundation/sys/event_loop.h"
#include "gui/event_log_window.h"

class QAction;
class QLabel;
class QMenu;
class QTreeWidget;

namespace trqx {

class UploadProgressWindow;
class UploadStatusWindow;

// The client's main window: the menus, the upload history list and the status line, and
// the windows it owns (event log, upload progress, upload status). It only shows what
// CTRQXClientDlg tells it and hands the user's commands to it; all of it runs on the GUI
// thread, which runs the dialog's loop.
class ClientWindow final : public QMainWindow, public ClientView {
 public:
  static constexpr const char* kAboutText = "TRQXClient Version 2.2f";
  static constexpr const char* kAboutTitle = "About TRQXClient";
  static constexpr const char* kMessageCaption = "TRQXClient";

  // The history list's columns.
  enum Column { kFileNameColumn = 0, kTimeColumn = 1, kBasketIdColumn = 2 };

  // loop carries the commands that must not run inside the handler that raised them (the
  // close box, "Cancel File Upload"); it must outlive the window.
  explicit ClientWindow(EventLoop& loop, QWidget* parent = nullptr);
  ~ClientWindow() override;

  // The dialog the commands go to; null (the default, and before the dialog goes) drops
  // them. Not owned.
  void SetDialog(CTRQXClientDlg* dlg) { m_dlg = dlg; }
  // The "File Send" picker; the default asks with a QFileDialog.
  void SetFilePicker(CTRQXClientDlg::FilePicker pick) { m_pick = std::move(pick); }

  // ClientView.
  void ShowLoadedLog(const std::vector<CLogEntry>& entries) override;
  void AddLogLine(const CLogEntry& entry) override;
  bool ShowEventLog() override;
  void AddHistoryRow(const CUploadHistoryRow& row) override;
  void UpdateHistoryRow(std::size_t index, const CUploadHistoryRow& row) override;
  void ClearHistory() override;
  void ShowStatusText(const std::string& text) override;
  void EnableCommand(ClientCommand command, bool enabled) override;
  void ShowUploadProgress(ProgressState state) override;
  void AddUploadStatusLine(const std::string& text) override;
  void Beep(unsigned frequencyHz, unsigned durationMs) override;
  bool Confirm(const std::string& text, const std::string& caption) override;
  void ShowMessageBox(const std::string& text) override;
  // Closes this window and the ones it owns, cancels a box still open, and ends the
  // application's event loop.
  void CloseWindow() override;
  // Whether CloseWindow was called.
  bool Closed() const { return m_closing; }

  // What the window holds, for its tests and screenshots.
  QAction* CommandAction(ClientCommand command) const { return m_commands.at(command); }
  QTreeWidget* HistoryList() const { return m_history; }
  QLabel* StatusLabel() const { return m_status; }
  // Null until first shown (progress, status) or until the loaded log arrives (event log).
  UploadProgressWindow* ProgressWindow() const { return m_progress; }
  UploadStatusWindow* StatusWindow() const { return m_statusWindow; }
  EventLogWindow* LogWindow() const { return m_log.Window(); }

 protected:
  // The close box asks "Confirm Exit" as "Exit" does; only CloseWindow lets it close.
  void closeEvent(QCloseEvent* event) override;

 private:
  // A menu item that runs command on the dialog.
  // A menu command that runs on the dialog through the loop.
  using DialogCommand = std::function<void(CTRQXClientDlg& dlg, ClientWindow& window)>;
  QAction* AddCommand(QMenu* menu, const char* text, DialogCommand command);
  QAction* AddCommand(QMenu* menu, const char* text, void (CTRQXClientDlg::*command)());
  void BuildMenus();
  void BuildCentralWidget();
  void ShowAbout();
  // Runs command on the dialog, if any, from the loop rather than inside the caller.
  void PostToDialog(const DialogCommand& command);
  void FileSend();
  std::optional<std::string> PickFile(const std::string& title, const std::string& folder);
  void FillRow(int index, const CUploadHistoryRow& row);

  EventLoop& m_loop;
  CTRQXClientDlg* m_dlg = nullptr;
  CTRQXClientDlg::FilePicker m_pick;
  bool m_closing = false;
  std::array<QIcon, 4> m_stateIcons;  // by HistoryState
  std::map<ClientCommand, QAction*> m_commands;
  QTreeWidget* m_history = nullptr;
  QLabel* m_status = nullptr;
  // Children of this window, made when first needed and never deleted before it.
  MainEventLog m_log{LogFlavour::kClient, this};
  UploadProgressWindow* m_progress = nullptr;
  UploadStatusWindow* m_statusWindow = nullptr;
};

}  // namespace trqx
