#pragma once

#include <QMainWindow>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/event_log_window.h"
#include "server/server_view.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace trqx {

class CVEXOServerDlg;

// A status box: its whole rectangle filled with the state's colour, the text in white,
// centred on one line.
class StatusBoxWidget : public QWidget {
 public:
  explicit StatusBoxWidget(QWidget* parent = nullptr);
  void Show(const QColor& colour, const QString& text);
  const QString& Text() const { return m_text; }
  const QColor& Colour() const { return m_colour; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor m_colour;
  QString m_text;
};

// The server's Qt window: shows what CVEXOServerDlg tells it and hands the user's commands
// back to it. Attach the dialog before its OnInitDialog; the window does not own it. GUI
// thread only.
class ServerWindow final : public QMainWindow, public ServerView {
 public:
  // The columns of a counter row after its marker.
  enum class CounterColumn { kAddress, kGood, kBad, kRetries };

  explicit ServerWindow(QWidget* parent = nullptr);
  ~ServerWindow() override;

  void Attach(CVEXOServerDlg& dlg) { m_dlg = &dlg; }
  // The confirmed Exit of a signal: Exit without asking.
  void ExitConfirmed();

  // ServerView
  void ShowStatus(StatusBox box, TaskState state, const std::string& text) override;
  void ShowHostAddress(HostRow row, const std::string& address) override;
  void ShowCounters(HostRow row, const std::string& good, const std::string& bad,
                    const std::string& retries) override;
  void ShowActiveHost(HostRow row) override;
  void ShowSerialNumber(const std::string& serialNumber) override;
  void ShowBehavior(bool autoRestart, std::uint32_t intervalSeconds) override;
  void EnableApply(bool enabled) override;
  void EnableCommand(ServerCommand command, bool enabled) override;
  void AddHistoryRow(const CHistoryRow& row) override;
  void DeleteOldestHistoryRow() override;
  void ShowLoadedLog(const std::vector<CLogEntry>& entries) override;
  void AddLogLine(const CLogEntry& entry) override;
  bool ShowEventLog() override;
  void Beep(unsigned frequencyHz, unsigned durationMs) override;
  bool Confirm(const std::string& text, const std::string& caption) override;
  void ShowMessageBox(const std::string& text) override;
  void DisableWindow() override;
  void CloseWindow() override;

  // What the window shows, for its tests and the screenshots.
  StatusBoxWidget* StatusWidget(StatusBox box) const;
  QString CounterText(HostRow row, CounterColumn column) const;
  // True while the active picture stands beside row.
  bool MarkedActive(HostRow row) const;
  QAction* CommandAction(ServerCommand command) const;
  QAction* ExitAction() const { return m_exit; }
  QCheckBox* AutoRestartBox() const { return m_autoRestart; }
  QLineEdit* IntervalEdit() const { return m_interval; }
  QPushButton* ApplyButton() const { return m_apply; }
  QLabel* SerialNumberLabel() const { return m_serialNumber; }
  QTreeWidget* History() const { return m_history; }
  EventLogWindow* EventLog() const { return m_eventLog.Window(); }

 protected:
  // The close box is the Exit command: the window closes only when the dialog says so.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  QWidget* BuildStatusBoxes();
  QWidget* BuildCounterRows();
  QWidget* BuildBehaviorAndSerial();
  QWidget* BuildHistory();
  void RequestExit();
  void Apply();
  // "FTP" and "Users" of the "S&etup" menu: the dialog, then the logic saves what OK changed.
  void OpenFtpSettings();
  void OpenUserSetup();
  void ShowAbout();

  CVEXOServerDlg* m_dlg = nullptr;
  bool m_closing = false;
  bool m_exitConfirmed = false;

  std::array<StatusBoxWidget*, 2> m_status{};
  // Per host row: the marker, then the four columns of CounterColumn.
  std::array<QLabel*, 2> m_markers{};
  std::array<std::array<QLabel*, 4>, 2> m_counters{};
  std::array<bool, 2> m_active{};
  QCheckBox* m_autoRestart = nullptr;
  QLineEdit* m_interval = nullptr;
  QPushButton* m_apply = nullptr;
  QLabel* m_serialNumber = nullptr;
  QTreeWidget* m_history = nullptr;
  MainEventLog m_eventLog{LogFlavour::kServer, this};
  QAction* m_start = nullptr;
  QAction* m_stop = nullptr;
  QAction* m_exit = nullptr;
};

}  // namespace trqx
