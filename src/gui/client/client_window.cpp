#include "gui/client/client_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/client/client_icons.h"
#include "gui/client/download_editor_dialogs.h"
#include "gui/client/settings_dialogs_qt.h"
#include "gui/client/upload_progress_window.h"
#include "gui/client/upload_status_window.h"
#include "gui/event_log_window.h"
#include "gui/upload/upload_profile_dialogs.h"

namespace trqx {

namespace {

constexpr int kFileNameWidth = 275;
constexpr int kTimeWidth = 120;
// More modal boxes than this never stack up (a question, and at most a file picker).
constexpr int kMaxNestedBoxes = 4;

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

ClientWindow::ClientWindow(EventLoop& loop, QWidget* parent)
    : QMainWindow(parent),
      m_loop(loop),
      m_pick([this](const std::string& title, const std::string& folder) {
        return PickFile(title, folder);
      }) {
  setWindowTitle(CTRQXClientDlg::kCaption);
  for (HistoryState state : {HistoryState::kSent, HistoryState::kFailed, HistoryState::kPending,
                             HistoryState::kCancelled}) {
    m_stateIcons[static_cast<std::size_t>(state)] = HistoryStateIcon(state);
  }
  setWindowIcon(ClientAppIcon());
  BuildMenus();
  BuildCentralWidget();
}

ClientWindow::~ClientWindow() = default;

QAction* ClientWindow::AddCommand(QMenu* menu, const char* text, DialogCommand command) {
  QAction* action = menu->addAction(text);
  connect(action, &QAction::triggered, this,
          [this, command = std::move(command)] { PostToDialog(command); });
  return action;
}

QAction* ClientWindow::AddCommand(QMenu* menu, const char* text,
                                  void (CTRQXClientDlg::*command)()) {
  return AddCommand(menu, text,
                    [command](CTRQXClientDlg& dlg, ClientWindow&) { (dlg.*command)(); });
}

void ClientWindow::BuildMenus() {
  QMenu* system = menuBar()->addMenu("&System");
  AddCommand(system, "Event &Log", &CTRQXClientDlg::OnEventLog)->setShortcut(Qt::CTRL | Qt::Key_L);
  system->addSeparator();
  QAction* exit = AddCommand(system, "Exit", &CTRQXClientDlg::OnExit);
  exit->setShortcut(QKeySequence::Quit);
  exit->setMenuRole(QAction::QuitRole);

  QMenu* upload = menuBar()->addMenu("&Upload");
  upload->setToolTipsVisible(true);
  QAction* fileSend = upload->addAction("&File Send");
  fileSend->setShortcut(QKeySequence::Open);
  connect(fileSend, &QAction::triggered, this, [this] { FileSend(); });
  upload->addSeparator();
  m_commands[ClientCommand::kConnect] =
      AddCommand(upload, "&Connect To Server", &CTRQXClientDlg::OnConnect);
  m_commands[ClientCommand::kDisconnect] =
      AddCommand(upload, "&Disconnect", &CTRQXClientDlg::OnDisconnect);
  m_commands[ClientCommand::kCancelAll] =
      AddCommand(upload, "&Cancel All Pending Transfers", &CTRQXClientDlg::OnCancelAllPending);
  upload->addSeparator();
  AddCommand(upload, "&Reset Send Log", &CTRQXClientDlg::OnResetSendLog);
  upload->addSeparator();
  AddCommand(upload, "&Settings", [](CTRQXClientDlg& dlg, ClientWindow& window) {
    dlg.OnSettings(
        [&](CInternalSettingsDlg& dialog) { return RunInternalSettingsDialog(dialog, &window); });
  });
  AddCommand(upload, "&Profile", [](CTRQXClientDlg& dlg, ClientWindow& window) {
    dlg.OnUploadProfile([&](UserProfile& profile, const std::string& path,
                            const UploadEditorOptions& options, CFileError& error) {
      return EditUploadProfile(&window, profile, path, options, error);
    });
  });

  QMenu* download = menuBar()->addMenu("&Download");
  download->setToolTipsVisible(true);
  AddCommand(download, "&Settings",
             [](CTRQXClientDlg& dlg, ClientWindow& window) { OpenDownloadSettings(dlg, &window); });
  AddCommand(download, "&Profile",
             [](CTRQXClientDlg& dlg, ClientWindow& window) { OpenDownloadProfile(dlg, &window); });

  // Qt cannot add to the window manager's menu, where the About item once was.
  QMenu* help = menuBar()->addMenu("&Help");
  QAction* about = help->addAction("&About TRQXClient...");
  about->setMenuRole(QAction::AboutRole);
  connect(about, &QAction::triggered, this, [this] { ShowAbout(); });
}

void ClientWindow::BuildCentralWidget() {
  auto* central = new QWidget(this);
  m_history = new QTreeWidget(central);
  m_history->setColumnCount(3);
  m_history->setHeaderLabels({"File Name", "Time", "Basket ID"});
  m_history->setRootIsDecorated(false);
  m_history->setUniformRowHeights(true);
  m_history->setAlternatingRowColors(true);
  m_history->setSelectionMode(QAbstractItemView::SingleSelection);
  // Paths are long; their ends (folder and file) say the most.
  m_history->setTextElideMode(Qt::ElideMiddle);
  m_history->setColumnWidth(kFileNameColumn, kFileNameWidth);
  m_history->setColumnWidth(kTimeColumn, kTimeWidth);
  m_history->header()->setStretchLastSection(false);
  m_history->setColumnHidden(kBasketIdColumn, true);
  m_status = new QLabel(central);
  m_status->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // One line tall even while empty.
  m_status->setMinimumHeight(m_status->fontMetrics().height() + 6);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(m_history, 1);
  layout->addWidget(m_status);
  setCentralWidget(central);
  const int frame = 2 * m_history->frameWidth() + 2 * layout->contentsMargins().left();
  resize(kFileNameWidth + kTimeWidth + frame + 24, 320);
}

// ---- Commands ----

void ClientWindow::PostToDialog(const DialogCommand& command) {
  // Posted as window messages were, so a dialog's modal loop runs between the loop's other
  // work, and a window gone by then does nothing.
  m_loop.Post([window = QPointer<ClientWindow>(this), command] {
    if (window != nullptr && window->m_dlg != nullptr) {
      command(*window->m_dlg, *window);
    }
  });
}

void ClientWindow::FileSend() {
  PostToDialog([](CTRQXClientDlg& dlg, ClientWindow& window) { dlg.OnFileSend(window.m_pick); });
}

std::optional<std::string> ClientWindow::PickFile(const std::string& title,
                                                  const std::string& folder) {
  const QString path = QFileDialog::getOpenFileName(this, Text(title), Text(folder));
  if (path.isEmpty()) {
    return std::nullopt;
  }
  return path.toStdString();
}

void ClientWindow::ShowAbout() {
  QMessageBox box(QMessageBox::Information, kAboutTitle, kAboutText, QMessageBox::Ok, this);
  box.setIconPixmap(windowIcon().pixmap(32, 32));
  box.exec();
}

void ClientWindow::closeEvent(QCloseEvent* event) {
  if (m_closing) {
    event->accept();
    return;
  }
  event->ignore();
  PostToDialog([](CTRQXClientDlg& dlg, ClientWindow&) { dlg.OnExit(); });
}

// ---- ClientView ----

void ClientWindow::ShowLoadedLog(const std::vector<CLogEntry>& entries) {
  m_log.Load(entries);
}

void ClientWindow::AddLogLine(const CLogEntry& entry) {
  m_log.Add(entry);
}

bool ClientWindow::ShowEventLog() {
  return m_log.Show();
}

void ClientWindow::FillRow(int index, const CUploadHistoryRow& row) {
  QTreeWidgetItem* item = m_history->topLevelItem(index);
  item->setText(kFileNameColumn, Text(row.m_path));
  item->setToolTip(kFileNameColumn, Text(row.m_path));
  item->setText(kTimeColumn, Text(row.m_time));
  item->setText(kBasketIdColumn, Text(row.m_basketId));
  item->setIcon(kFileNameColumn, m_stateIcons[static_cast<std::size_t>(row.m_state)]);
  item->setData(kFileNameColumn, Qt::UserRole, row.m_uploadNumber);
}

void ClientWindow::AddHistoryRow(const CUploadHistoryRow& row) {
  m_history->addTopLevelItem(new QTreeWidgetItem);
  const int index = m_history->topLevelItemCount() - 1;
  FillRow(index, row);
  m_history->scrollToItem(m_history->topLevelItem(index));
}

void ClientWindow::UpdateHistoryRow(std::size_t index, const CUploadHistoryRow& row) {
  if (index < static_cast<std::size_t>(m_history->topLevelItemCount())) {
    FillRow(static_cast<int>(index), row);
  }
}

void ClientWindow::ClearHistory() {
  m_history->clear();
}

void ClientWindow::ShowStatusText(const std::string& text) {
  m_status->setText(Text(text));
}

void ClientWindow::EnableCommand(ClientCommand command, bool enabled) {
  m_commands.at(command)->setEnabled(enabled);
}

void ClientWindow::ShowUploadProgress(ProgressState state) {
  if (state == ProgressState::kClosed) {
    if (m_progress != nullptr) {
      m_progress->SetState(state);
    }
    return;
  }
  if (m_progress == nullptr) {
    m_progress = new UploadProgressWindow(
        [this] {
          PostToDialog([](CTRQXClientDlg& dlg, ClientWindow&) { dlg.OnUploadProgressCancel(); });
        },
        this);
  }
  m_progress->SetState(state);
  m_progress->show();
  m_progress->raise();
}

void ClientWindow::AddUploadStatusLine(const std::string& text) {
  if (m_statusWindow == nullptr) {
    m_statusWindow = new UploadStatusWindow(this);
  }
  m_statusWindow->AddLine(text);
  m_statusWindow->show();
}

void ClientWindow::Beep(unsigned, unsigned) {
  // A desktop bell has no pitch or length of its own to choose.
  QApplication::beep();
}

bool ClientWindow::Confirm(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Question, Text(caption), Text(text),
                  QMessageBox::Ok | QMessageBox::Cancel, this);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

void ClientWindow::ShowMessageBox(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, kMessageCaption, Text(text), QMessageBox::Ok, this);
  box.exec();
}

void ClientWindow::CloseWindow() {
  m_closing = true;
  // A box still asking (the window closes on a signal) is cancelled, so that its caller
  // goes on and returns to the loop that is ending.
  for (int open = 0; open < kMaxNestedBoxes; ++open) {
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      break;
    }
    box->reject();
  }
  for (QWidget* owned : {static_cast<QWidget*>(m_log.Window()), static_cast<QWidget*>(m_progress),
                         static_cast<QWidget*>(m_statusWindow)}) {
    if (owned != nullptr) {
      owned->hide();
    }
  }
  close();
  QCoreApplication::quit();
}

}  // namespace trqx
