// The server's window driven by its real logic: status boxes, counter rows, menus, Behavior.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <chrono>
#include <cstddef>
#include <iterator>
#include <string>

#include "gui/dialog_driving.h"
#include "gui/event_log_window.h"
#include "gui/qt_application.h"
#include "gui/server/server_window.h"
#include "gui/server/server_window_fixture.h"
#include "server/vexo_server_dlg.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;
using Column = ServerWindow::CounterColumn;

constexpr const char* kUserInfo = "Software\\Norvane L.P.\\User Info";

// The box's colour at its corner, away from the text.
QColor BoxColour(StatusBoxWidget& box) {
  return box.grab().toImage().pixelColor(1, 1);
}

// True when some pixel is white: the text is drawn on the fill.
bool HasWhiteText(StatusBoxWidget& box) {
  const QImage image = box.grab().toImage();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y) == QColor(Qt::white)) {
        return true;
      }
    }
  }
  return false;
}

class ServerWindowTest : public ServerWindowFixture {
 protected:
  void SetUp() override {
    m_registry.WriteString(RegistryHive::kCurrentUser, kUserInfo, "Serial Number", "NV-4711");
    StartWindow();
  }
  bool Shows(StatusBox box, const char* word) {
    return m_window.StatusWidget(box)->Text().startsWith(QString::fromLatin1(word) + " at ");
  }
};

TEST_F(ServerWindowTest, StartUpShowsTheIdleServer) {
  EXPECT_EQ(m_window.windowTitle(), "Quorvel Upload Server 2.2f");
  for (StatusBox box : {StatusBox::kFtp, StatusBox::kAccept}) {
    // Before any task ran, the box holds the word alone.
    EXPECT_EQ(m_window.StatusWidget(box)->Text(), "  INITIAL   ");
    EXPECT_EQ(BoxColour(*m_window.StatusWidget(box)), QColor(0, 128, 128));
  }
  const struct {
    HostRow m_row;
    const char* m_address;
    bool m_active;
  } rows[] = {{.m_row = HostRow::kPrimary, .m_address = "primary.test", .m_active = true},
              {.m_row = HostRow::kBackup, .m_address = "backup.test", .m_active = false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.m_address);
    EXPECT_EQ(m_window.CounterText(row.m_row, Column::kAddress), row.m_address);
    for (Column column : {Column::kGood, Column::kBad, Column::kRetries}) {
      EXPECT_EQ(m_window.CounterText(row.m_row, column), "0");
    }
    EXPECT_EQ(m_window.MarkedActive(row.m_row), row.m_active);
  }
  EXPECT_TRUE(m_window.CommandAction(ServerCommand::kStart)->isEnabled());
  EXPECT_FALSE(m_window.CommandAction(ServerCommand::kStop)->isEnabled());
  EXPECT_FALSE(m_window.ApplyButton()->isEnabled()) << "filling the fields is no edit";
  EXPECT_FALSE(m_window.AutoRestartBox()->isChecked());
  EXPECT_EQ(m_window.IntervalEdit()->text(), "150000");
  EXPECT_EQ(m_window.SerialNumberLabel()->text(), "NV-4711");
  // The event log exists from start-up, hidden, newest line first; Event Log shows it.
  ASSERT_NE(m_window.EventLog(), nullptr);
  EXPECT_FALSE(m_window.EventLog()->isVisible());
  ASSERT_GT(m_window.EventLog()->List()->topLevelItemCount(), 0);
  const QTreeWidgetItem& newest = *m_window.EventLog()->List()->topLevelItem(0);
  EXPECT_TRUE(newest.text(newest.columnCount() - 1).contains("VEXO Server system starting."));
  m_dlg.OnEventLog();
  EXPECT_TRUE(m_window.EventLog()->isVisible());
}

TEST_F(ServerWindowTest, StatusBoxesPaintEachStateInItsColourWithWhiteText) {
  const struct {
    TaskState m_state;
    QColor m_colour;
  } looks[] = {{.m_state = TaskState::kInitial, .m_colour = QColor(0, 128, 128)},
               {.m_state = TaskState::kUp, .m_colour = QColor(0, 255, 0)},
               {.m_state = TaskState::kStopped, .m_colour = QColor(0, 0, 0)},
               {.m_state = TaskState::kDown, .m_colour = QColor(255, 0, 0)}};
  for (const auto& look : looks) {
    const std::string text =
        std::string(StatusLook(look.m_state).m_word) + " at 12/07/2026 10:00:00";
    SCOPED_TRACE(text);
    m_window.ShowStatus(StatusBox::kAccept, look.m_state, text);
    StatusBoxWidget& box = *m_window.StatusWidget(StatusBox::kAccept);
    EXPECT_EQ(box.Text().toStdString(), text);
    EXPECT_EQ(BoxColour(box), look.m_colour);
    EXPECT_TRUE(HasWhiteText(box));
  }
}

TEST_F(ServerWindowTest, StartAndStopFollowTheTasks) {
  m_window.CommandAction(ServerCommand::kStart)->trigger();
  EXPECT_FALSE(m_window.CommandAction(ServerCommand::kStart)->isEnabled());
  EXPECT_TRUE(m_window.CommandAction(ServerCommand::kStop)->isEnabled());
  ASSERT_TRUE(m_loop.RunUntil(
      [&] {
        return Shows(StatusBox::kFtp, "     UP     ") && Shows(StatusBox::kAccept, "     UP     ");
      },
      10s));
  EXPECT_EQ(BoxColour(*m_window.StatusWidget(StatusBox::kAccept)), QColor(0, 255, 0));

  m_window.CommandAction(ServerCommand::kStop)->trigger();
  // The tasks' threads end before their end notices are handled: wait for the menus.
  ASSERT_TRUE(m_loop.RunUntil(
      [&] { return m_window.CommandAction(ServerCommand::kStart)->isEnabled(); }, 10s));
  EXPECT_FALSE(m_dlg.AnyTaskRunning());
  EXPECT_FALSE(m_window.CommandAction(ServerCommand::kStop)->isEnabled());
  EXPECT_TRUE(Shows(StatusBox::kAccept, "  STOPPED   "));
  EXPECT_EQ(BoxColour(*m_window.StatusWidget(StatusBox::kAccept)), QColor(0, 0, 0));
}

TEST_F(ServerWindowTest, EditingTheBehaviorEnablesApplyWhichSavesIt) {
  const struct {
    const char* m_typed;
    std::uint32_t m_saved;
  } cases[] = {{.m_typed = "30", .m_saved = 30},
               // More than 32 bits of seconds is cut to the largest interval.
               {.m_typed = "9999999999", .m_saved = 4294967295u}};
  for (const auto& edit : cases) {
    SCOPED_TRACE(edit.m_typed);
    m_window.IntervalEdit()->selectAll();
    QTest::keyClicks(m_window.IntervalEdit(), edit.m_typed);
    EXPECT_TRUE(m_window.ApplyButton()->isEnabled());
    m_window.ApplyButton()->click();
    EXPECT_FALSE(m_window.ApplyButton()->isEnabled());
    EXPECT_EQ(Saved().m_user.m_restartInterval, edit.m_saved);
  }
  m_window.AutoRestartBox()->click();
  EXPECT_TRUE(m_window.ApplyButton()->isEnabled());
  m_window.ApplyButton()->click();
  EXPECT_TRUE(Saved().m_user.m_autoRestart);
}

TEST_F(ServerWindowTest, TheCloseBoxAndExitAskBeforeClosing) {
  QString caption;
  QString question;
  test::WhenModal<QMessageBox>([&](QMessageBox& box) {
    caption = box.windowTitle();
    question = box.text();
    box.button(QMessageBox::Cancel)->click();
  });
  m_window.close();
  EXPECT_EQ(caption, "Confirm Exit");
  EXPECT_EQ(question, "Press OK if you really want to Exit");
  EXPECT_TRUE(m_window.isVisible()) << "Cancel keeps the window";
  EXPECT_FALSE(m_dlg.Exiting());

  test::WhenModal<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
  m_window.ExitAction()->trigger();
  EXPECT_TRUE(m_dlg.Exiting());
  EXPECT_FALSE(m_window.isVisible()) << "nothing ran, so OK closes at once";
}

TEST_F(ServerWindowTest, SetupOpensFtpAndUsersWhileMailAndAlertsIsDisabledAndSaysSo) {
  const QMenu* setup = test::Menu(m_window, "S&etup");
  ASSERT_NE(setup, nullptr);
  const struct {
    const char* m_text;
    bool m_enabled;
  } items[] = {{.m_text = "FTP", .m_enabled = true},
               {.m_text = "Users", .m_enabled = true},
               {.m_text = "Mail + Alerts", .m_enabled = false}};
  ASSERT_EQ(setup->actions().size(), std::size(items));
  for (std::size_t i = 0; i < std::size(items); ++i) {
    QAction* item = setup->actions()[static_cast<int>(i)];
    EXPECT_EQ(item->text(), items[i].m_text);
    EXPECT_EQ(item->isEnabled(), items[i].m_enabled) << items[i].m_text;
  }
  // An action's tooltip is its text unless one was set.
  EXPECT_TRUE(setup->actions()[2]->toolTip().contains("version"));
}

}  // namespace
}  // namespace trqx
