// The client's main window on its own: what its menus, history list and owned windows show
// when the view interface is called.

#include "gui/client/client_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>

#include <string>
#include <vector>

#include "gui/client/upload_progress_window.h"
#include "gui/client/upload_status_window.h"
#include "gui/dialog_driving.h"
#include "gui/qt_application.h"

namespace trqx {
namespace {

using enum HistoryState;

// The items of a menu without its separators.
std::vector<QAction*> Items(QMenu* menu) {
  std::vector<QAction*> items;
  for (QAction* action : menu->actions()) {
    if (!action->isSeparator()) {
      items.push_back(action);
    }
  }
  return items;
}

QImage IconImage(const QTreeWidgetItem* item) {
  return item->icon(ClientWindow::kFileNameColumn).pixmap(16, 16).toImage();
}

class ClientWindowTest : public ::testing::Test {
 protected:
  ManualEventLoop m_loop;
  ClientWindow m_window{m_loop};
};

TEST_F(ClientWindowTest, CaptionIsTheClients) {
  EXPECT_EQ(m_window.windowTitle(), "Quorvel File Upload/Download - Version 2.2f");
}

TEST_F(ClientWindowTest, MenusHoldTheirItemsInOrderAllEnabledAtFirst) {
  struct MenuRow {
    QString title;
    std::vector<QString> items;
  };
  const MenuRow rows[] = {
      {.title = "&System", .items = {"Event &Log", "Exit"}},
      {.title = "&Upload",
       .items = {"&File Send", "&Connect To Server", "&Disconnect", "&Cancel All Pending Transfers",
                 "&Reset Send Log", "&Settings", "&Profile"}},
      {.title = "&Download", .items = {"&Settings", "&Profile"}},
      {.title = "&Help", .items = {"&About TRQXClient..."}},
  };
  for (const MenuRow& row : rows) {
    QMenu* menu = test::Menu(m_window, row.title);
    ASSERT_NE(menu, nullptr) << row.title.toStdString();
    const std::vector<QAction*> items = Items(menu);
    ASSERT_EQ(items.size(), row.items.size()) << row.title.toStdString();
    for (std::size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(items[i]->text(), row.items[i]) << row.title.toStdString();
      EXPECT_TRUE(items[i]->isEnabled()) << row.items[i].toStdString();
    }
  }
  EXPECT_EQ(Items(test::Menu(m_window, "&Upload"))[0]->shortcut(),
            QKeySequence(QKeySequence::Open));
}

TEST_F(ClientWindowTest, EnableCommandGreysItsOwnItemOnly) {
  const ClientCommand commands[] = {ClientCommand::kConnect, ClientCommand::kDisconnect,
                                    ClientCommand::kCancelAll};
  for (ClientCommand command : commands) {
    m_window.EnableCommand(command, false);
    for (ClientCommand other : commands) {
      EXPECT_EQ(m_window.CommandAction(other)->isEnabled(), other != command);
    }
    m_window.EnableCommand(command, true);
  }
}

TEST_F(ClientWindowTest, HistoryRowsShowPathAndTimeWithAnIconPerState) {
  QTreeWidget* list = m_window.HistoryList();
  EXPECT_EQ(list->headerItem()->text(0), "File Name");
  EXPECT_EQ(list->headerItem()->text(1), "Time");
  EXPECT_EQ(list->headerItem()->text(2), "Basket ID");
  EXPECT_TRUE(list->isColumnHidden(2));
  // The hidden column takes no room: the two shown ones (275 and 120) fit without a scroll bar.
  EXPECT_EQ(list->header()->length(), 275 + 120);

  const HistoryState states[] = {kSent, kFailed, kPending, kCancelled};
  for (HistoryState state : states) {
    const auto number = static_cast<std::uint32_t>(state) + 7;
    m_window.AddHistoryRow({.m_path = "/desk/f" + std::to_string(number) + ".csv",
                            .m_time = "10:1" + std::to_string(number) + ":00 12/07/26",
                            .m_basketId = "B" + std::to_string(number),
                            .m_state = state,
                            .m_uploadNumber = number});
  }
  ASSERT_EQ(list->topLevelItemCount(), 4);
  const QTreeWidgetItem* third = list->topLevelItem(2);
  EXPECT_EQ(third->text(0), "/desk/f9.csv");
  EXPECT_EQ(third->text(1), "10:19:00 12/07/26");
  EXPECT_EQ(third->text(2), "B9");
  EXPECT_EQ(third->data(0, Qt::UserRole).toUInt(), 9u);
  for (int a = 0; a < 4; ++a) {
    EXPECT_FALSE(IconImage(list->topLevelItem(a)).isNull());
    for (int b = a + 1; b < 4; ++b) {
      EXPECT_NE(IconImage(list->topLevelItem(a)), IconImage(list->topLevelItem(b)))
          << "rows " << a << " and " << b;
    }
  }

  // A pending row that becomes sent takes the sent row's icon and its new time.
  m_window.UpdateHistoryRow(2, {.m_path = "/desk/f9.csv",
                                .m_time = "11:00:00 12/07/26",
                                .m_basketId = "B9",
                                .m_state = kSent,
                                .m_uploadNumber = 9});
  EXPECT_EQ(IconImage(list->topLevelItem(2)), IconImage(list->topLevelItem(0)));
  EXPECT_EQ(list->topLevelItem(2)->text(1), "11:00:00 12/07/26");
  m_window.ClearHistory();
  EXPECT_EQ(list->topLevelItemCount(), 0);
}

TEST_F(ClientWindowTest, ProgressWindowShowsOneTextAndOneButtonPerState) {
  struct StateRow {
    ProgressState state;
    QString text;
    QString button;
  };
  const StateRow rows[] = {
      {.state = ProgressState::kInProgress,
       .text = "File transfer to server in progress, press Cancel to stop transmission.",
       .button = "Cancel File Upload"},
      {.state = ProgressState::kSent, .text = "File uploaded to server", .button = "OK"},
      {.state = ProgressState::kNotSent,
       .text = "File not uploaded to server",
       .button = "Dismiss"},
  };
  EXPECT_EQ(m_window.ProgressWindow(), nullptr);
  for (const StateRow& row : rows) {
    m_window.ShowUploadProgress(row.state);
    UploadProgressWindow* progress = m_window.ProgressWindow();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), "TRQXClient Upload/Download: Upload in progress...");
    EXPECT_TRUE(progress->isVisible());
    std::vector<QString> texts;
    for (QLabel* label : progress->findChildren<QLabel*>()) {
      if (label->isVisibleTo(progress) && !label->text().isEmpty()) {
        texts.push_back(label->text());
      }
    }
    EXPECT_EQ(texts, std::vector<QString>{row.text});
    std::vector<QString> buttons;
    for (QPushButton* button : progress->findChildren<QPushButton*>()) {
      if (button->isVisibleTo(progress)) {
        buttons.push_back(button->text());
      }
    }
    EXPECT_EQ(buttons, std::vector<QString>{row.button});
  }
  m_window.ShowUploadProgress(ProgressState::kClosed);
  EXPECT_FALSE(m_window.ProgressWindow()->isVisible());
}

TEST_F(ClientWindowTest, OkAndDismissCloseTheProgressWindow) {
  for (ProgressState state : {ProgressState::kSent, ProgressState::kNotSent}) {
    m_window.ShowUploadProgress(state);
    m_window.ProgressWindow()->Button(state)->click();
    EXPECT_FALSE(m_window.ProgressWindow()->isVisible());
  }
}

TEST_F(ClientWindowTest, UploadStatusLinesAppearInTheirWindow) {
  EXPECT_EQ(m_window.StatusWindow(), nullptr);
  m_window.AddUploadStatusLine("File was uploaded");
  m_window.AddUploadStatusLine("File was abandoned");
  UploadStatusWindow* status = m_window.StatusWindow();
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->windowTitle(), "TRQXClient Upload/Download: File upload status");
  EXPECT_TRUE(status->isVisible());
  ASSERT_EQ(status->List()->count(), 2);
  EXPECT_EQ(status->List()->item(1)->text(), "File was abandoned");
}

}  // namespace
}  // namespace trqx
