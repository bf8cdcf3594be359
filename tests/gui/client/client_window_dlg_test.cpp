// The client's main window wired to the real CTRQXClientDlg in a scratch working folder:
// its menu items reach the dialog through the loop, and what the dialog decides shows.

#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>

#include <string>
#include <vector>

#include "gui/client/client_icons.h"
#include "gui/client/client_window_fixture.h"
#include "gui/client/upload_progress_window.h"
#include "gui/event_log_window.h"
#include "gui/qt_application.h"
#include "gui/upload/upload_profile_dialogs.h"
#include "support/loopback_harness.h"

namespace trqx {
namespace {

// What a message box asked, and the buttons it offered.
struct Asked {
  QString title;
  QString text;
  QMessageBox::StandardButtons buttons;
};

// Answers the next message box with answer once it is open, recording what it asked.
void AnswerNextBox(QMessageBox::StandardButton answer, Asked& asked) {
  test::WhenModal<QMessageBox>([answer, &asked](QMessageBox& box) {
    asked = {.title = box.windowTitle(), .text = box.text(), .buttons = box.standardButtons()};
    box.button(answer)->click();
  });
}

class ClientWindowDlgTest : public ClientWindowFixture {
 protected:
  void SetUp() override {
    ClientWindowFixture::SetUp();
    m_window.SetFilePicker([this](const std::string& title, const std::string& folder) {
      m_picks.push_back(title + " in " + folder);
      return std::optional<std::string>(m_folder.File("a.xyz"));
    });
  }
  // The settings file; with a port, client/server mode with that server and no restart.
  void StartWith(int port = 0) {
    Start([port](COpenNVInternalSettings& s) {
      s.m_fileDlgDir = "/desk/in";
      if (port != 0) {
        s.m_uploadMethod = kUploadClientServer;
        s.m_serverAddress = "127.0.0.1";
        s.m_serverPort = port;
        s.m_clientAutoRestart = false;
      }
    });
  }
  QAction* Item(const QString& text) const {
    for (QAction* action : m_window.findChildren<QAction*>()) {
      if (action->text() == text) {
        return action;
      }
    }
    return nullptr;
  }
  bool Enabled(ClientCommand command) const { return m_window.CommandAction(command)->isEnabled(); }

  std::vector<std::string> m_picks;
};

TEST_F(ClientWindowDlgTest, TerminalModeGreysEveryConnectionItem) {
  StartWith();
  EXPECT_FALSE(Enabled(ClientCommand::kConnect));
  EXPECT_FALSE(Enabled(ClientCommand::kDisconnect));
  EXPECT_FALSE(Enabled(ClientCommand::kCancelAll));
  EXPECT_TRUE(Item("&File Send")->isEnabled());
}

TEST_F(ClientWindowDlgTest, ClientServerItemsFollowTheConnection) {
  loopback::LoopbackListener closed;  // a port that nothing listens on
  ASSERT_TRUE(closed.Open());
  closed.Close();
  StartWith(closed.Port());
  EXPECT_TRUE(Enabled(ClientCommand::kConnect));
  EXPECT_FALSE(Enabled(ClientCommand::kDisconnect));
  EXPECT_FALSE(Enabled(ClientCommand::kCancelAll));

  Choose(m_window.CommandAction(ClientCommand::kConnect));
  EXPECT_FALSE(Enabled(ClientCommand::kConnect));
  EXPECT_TRUE(Enabled(ClientCommand::kDisconnect));
  EXPECT_TRUE(Enabled(ClientCommand::kCancelAll));

  // The refused connection ends the task: the items and the status line say so.
  ASSERT_TRUE(m_loop.RunUntil([this] { return Enabled(ClientCommand::kConnect); },
                              std::chrono::seconds(20)));
  EXPECT_FALSE(Enabled(ClientCommand::kDisconnect));
  EXPECT_FALSE(Enabled(ClientCommand::kCancelAll));
  EXPECT_EQ(m_window.StatusLabel()->text(), "Connection to server is down.");
}

TEST_F(ClientWindowDlgTest, FileSendAsksThePickerAndResetSendLogEmptiesTheList) {
  StartWith();
  ASSERT_TRUE(WriteWholeFile(m_folder.File("a.xyz"), "IBM,100\n"));
  Choose(Item("&File Send"));
  EXPECT_EQ(m_picks, std::vector<std::string>{"Select And Open File To Upload in /desk/in"});
  // No mapping takes ".xyz": a failed row.
  QTreeWidget* list = m_window.HistoryList();
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(ClientWindow::kFileNameColumn),
            QString::fromStdString(m_folder.File("a.xyz")));
  EXPECT_EQ(list->topLevelItem(0)->icon(0).pixmap(16, 16).toImage(),
            HistoryStateIcon(HistoryState::kFailed).pixmap(16, 16).toImage());

  Choose(Item("&Reset Send Log"));
  EXPECT_EQ(list->topLevelItemCount(), 0);
}

TEST_F(ClientWindowDlgTest, StartupFillsTheHiddenEventLogWhichTheMenuShows) {
  StartWith();
  EventLogWindow* log = m_window.LogWindow();
  ASSERT_NE(log, nullptr);
  EXPECT_FALSE(log->isVisible());
  // Start-up logs more after it, newest on top; the text is the last column.
  QTreeWidget* lines = log->List();
  EXPECT_EQ(lines->findItems("System startup.", Qt::MatchContains, lines->columnCount() - 1).size(),
            1);
  Choose(Item("Event &Log"));
  EXPECT_TRUE(log->isVisible());
}

TEST_F(ClientWindowDlgTest, CancelFileUploadReachesTheDialogThroughTheLoop) {
  StartWith();
  m_window.ShowUploadProgress(ProgressState::kInProgress);
  UploadProgressWindow* progress = m_window.ProgressWindow();
  progress->Button(ProgressState::kInProgress)->click();
  EXPECT_TRUE(progress->isVisible());  // the dialog has not run yet
  m_loop.RunPending();
  EXPECT_FALSE(progress->isVisible());
}

TEST_F(ClientWindowDlgTest, CloseBoxAndExitAskConfirmExit) {
  StartWith();
  Asked asked;
  AnswerNextBox(QMessageBox::Cancel, asked);
  m_window.close();
  m_loop.RunPending();
  EXPECT_EQ(asked.title, "Confirm Exit");
  EXPECT_EQ(asked.text, "Press OK if you really want to Exit");
  EXPECT_EQ(asked.buttons, QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_TRUE(m_window.isVisible());

  asked = {};
  AnswerNextBox(QMessageBox::Ok, asked);
  Choose(Item("Exit"));
  EXPECT_EQ(asked.title, "Confirm Exit");
  EXPECT_FALSE(m_window.isVisible());
}

TEST_F(ClientWindowDlgTest, AboutShowsTheVersionWithOk) {
  Asked asked;
  AnswerNextBox(QMessageBox::Ok, asked);
  Item("&About TRQXClient...")->trigger();
  EXPECT_EQ(asked.text, "TRQXClient Version 2.2f");
  EXPECT_EQ(asked.buttons, QMessageBox::Ok);
}

TEST_F(ClientWindowDlgTest, UploadProfileOpensTheEditorAndOkSavesTheProfile) {
  StartWith();
  QString caption;
  test::WhenModal<ProfileDialog>([&](ProfileDialog& dialog) {
    caption = dialog.windowTitle();
    test::Type(dialog, "uuidEdit", "5150");
    test::Press(dialog, QDialogButtonBox::Ok);
  });
  Choose("&Upload", "&Profile");
  EXPECT_EQ(caption, "Profile");
  EXPECT_NE(ReadWholeFile(m_folder.File("qxu.pfl")).find("UUID,Value,5150,"), std::string::npos);
}

}  // namespace
}  // namespace trqx
