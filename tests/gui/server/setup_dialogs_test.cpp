// "User Setup", "Query IP Address" and "Upload FTP Settings" opened from the server window's
// "S&etup" menu and driven through their controls.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>

#include <chrono>
#include <string>
#include <vector>

#include "gui/dialog_driving.h"
#include "gui/server/server_window.h"
#include "gui/server/server_window_fixture.h"
#include "gui/server/setup_dialogs_qt.h"
#include "server/vexo_server_dlg.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

// A window test that closed its window called QApplication::exit with no main loop running;
// until a main loop has run, every modal dialog's exec returns at once. A main loop that
// quits at once clears that.
void ClearPendingExit() {
  QTimer::singleShot(0, qApp, [] { QApplication::quit(); });
  QApplication::exec();
}

class SetupDialogsTest : public ServerWindowFixture {
 protected:
  void SetUp() override {
    ClearPendingExit();
    StartWindow({"127.0.0.5"});
  }

  QAction* SetupItem(const QString& name) { return test::MenuItem(m_window, "S&etup", name); }
  // "Add", then the typed text and OK in "Query IP Address".
  static void AddThroughQuery(UserSetupDialog& dialog, const QString& typed) {
    test::WhenModal<QueryIpAddressDialog>([typed](QueryIpAddressDialog& query) {
      EXPECT_EQ(query.windowTitle(), "Query IP Address");
      QTest::keyClicks(query.AddressEdit(), typed);
      query.accept();
    });
    dialog.AddButton()->click();
  }
};

TEST_F(SetupDialogsTest, UsersAddsThroughQueryIpAddressDeletesTheSelectedAndOkSaves) {
  bool opened = false;
  test::WhenModal<UserSetupDialog>([&](UserSetupDialog& dialog) {
    opened = true;
    EXPECT_EQ(dialog.windowTitle(), "User Setup");
    EXPECT_EQ(dialog.Edit(UserSetupDialog::Field::kLogin)->text(), "VEXOServer");
    EXPECT_EQ(dialog.Edit(UserSetupDialog::Field::kPassword)->echoMode(), QLineEdit::Password);
    AddThroughQuery(dialog, "127.0.0.8");
    AddThroughQuery(dialog, "127.0.0.9");
    ASSERT_EQ(dialog.ClientList()->count(), 3);
    dialog.ClientList()->setCurrentRow(0);
    dialog.DeleteButton()->click();
    test::Type(dialog.Edit(UserSetupDialog::Field::kMaxUsers), "3 users");
    test::Type(dialog.Edit(UserSetupDialog::Field::kPassword), "pw,\"x\"");
    dialog.AcceptUnAuthorizedBox()->click();
    dialog.OkButton()->click();
  });
  SetupItem("Users")->trigger();
  ASSERT_TRUE(opened);
  const CServerSettings saved = Saved();
  EXPECT_EQ(saved.m_user.m_clientList, (std::vector<std::string>{"127.0.0.8", "127.0.0.9"}));
  EXPECT_EQ(saved.m_user.m_maxClients, 3);
  EXPECT_EQ(saved.m_user.m_password, "pw,\"x\"");
  EXPECT_TRUE(saved.m_user.m_acceptUnAuthorizedClients);
  EXPECT_EQ(m_dlg.UserSettings().m_clientList.size(), 2u) << "admission reads the live list";
}

TEST_F(SetupDialogsTest, CancelLeavesTheSettingsAndTheFileAlone) {
  bool opened = false;
  test::WhenModal<UserSetupDialog>([&](UserSetupDialog& dialog) {
    opened = true;
    AddThroughQuery(dialog, "127.0.0.9");
    test::Type(dialog.Edit(UserSetupDialog::Field::kPort), "2121");
    dialog.reject();
  });
  SetupItem("Users")->trigger();
  ASSERT_TRUE(opened);
  EXPECT_EQ(Saved().m_user.m_clientList, std::vector<std::string>{"127.0.0.5"});
  EXPECT_EQ(m_dlg.UserSettings().m_port, 0);
}

TEST_F(SetupDialogsTest, ALineBreakTheFileCouldNotKeepIsRefusedWithItsMessage) {
  QString addMessage;
  QString okMessage;
  test::WhenModal<UserSetupDialog>([&](UserSetupDialog& dialog) {
    test::WhenModal<QueryIpAddressDialog>([](QueryIpAddressDialog& query) {
      query.AddressEdit()->setText("127.0.0.1\n127.0.0.2");  // as a paste could leave it
      query.accept();
    });
    test::WhenModal<QMessageBox>([&](QMessageBox& box) {
      addMessage = box.text();
      box.accept();
    });
    dialog.AddButton()->click();
    EXPECT_EQ(dialog.ClientList()->count(), 1);

    dialog.Edit(UserSetupDialog::Field::kLogin)->setText("desk\nfloor");
    test::WhenModal<QMessageBox>([&](QMessageBox& box) {
      okMessage = box.text();
      box.accept();
    });
    dialog.OkButton()->click();
    EXPECT_TRUE(dialog.isVisible()) << "a refused OK keeps the dialog";
    dialog.reject();
  });
  SetupItem("Users")->trigger();
  EXPECT_EQ(addMessage, "\"IP Address\" cannot hold a line break.");
  EXPECT_EQ(okMessage, "\"Login\" cannot hold a line break.");
}

TEST_F(SetupDialogsTest, FtpSavesTheTypedValuesAndShowsTheNewAddresses) {
  using F = FtpSettingsDialog::Field;
  test::WhenModal<FtpSettingsDialog>([&](FtpSettingsDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Upload FTP Settings");
    EXPECT_TRUE(dialog.Edit(F::kSourceDirectory)->isReadOnly());
    test::Type(dialog.Edit(F::kUsername), "desk");
    test::Type(dialog.Edit(F::kPassword), " p,w ");
    test::Type(dialog.Edit(F::kPrimaryAddress), "  ftp1.test:2121 ");
    test::Type(dialog.Edit(F::kBackupAddress), "ftp2.test");
    dialog.AccessType()->setCurrentIndex(2);
    test::Type(dialog.Edit(F::kProxyName), "proxy.test");
    test::Type(dialog.Edit(F::kBypassList), "a.test, \"b.test\"");
    dialog.InfiniteRetry()->click();
    test::Type(dialog.Edit(F::kRetryLimit), "three");
    test::Type(dialog.Edit(F::kRetryInterval), "500ms");
    test::Type(dialog.Edit(F::kDestinationDirectory), " /in ");
    dialog.OkButton()->click();
  });
  SetupItem("FTP")->trigger();
  const FTPPutSettings saved = Saved().m_ftp;
  EXPECT_EQ(saved.m_username, "desk");
  EXPECT_EQ(saved.m_password, " p,w ");
  EXPECT_EQ(saved.m_primaryAddress, "ftp1.test:2121");
  EXPECT_EQ(saved.m_backupAddress, "ftp2.test");
  EXPECT_EQ(saved.m_sessionType, FTPPutSettings::kProxy);
  EXPECT_EQ(saved.m_proxyAddress, "proxy.test");
  EXPECT_EQ(saved.m_bypassList, "a.test, \"b.test\"");
  EXPECT_FALSE(saved.m_infiniteRetry);
  EXPECT_EQ(saved.m_retryLimit, 0);
  EXPECT_EQ(saved.m_retryInterval, 500u);
  EXPECT_EQ(saved.m_destDir, "/in");
  using Column = ServerWindow::CounterColumn;
  EXPECT_EQ(m_window.CounterText(HostRow::kPrimary, Column::kAddress), "ftp1.test:2121");
  EXPECT_EQ(m_window.CounterText(HostRow::kBackup, Column::kAddress), "ftp2.test");
}

TEST_F(SetupDialogsTest, WhileTheServerRunsTheFieldsTheTasksCopiedAreDisabled) {
  m_dlg.OnStart();
  ASSERT_TRUE(m_loop.RunUntil([&] { return m_dlg.ListeningPort() != 0; }, 10s));
  using U = UserSetupDialog::Field;
  test::WhenModal<UserSetupDialog>([&](UserSetupDialog& dialog) {
    for (U field : {U::kPort, U::kLogin, U::kPassword}) {
      EXPECT_FALSE(dialog.Edit(field)->isEnabled()) << CUserSetupDlg::Label(field);
    }
    EXPECT_TRUE(dialog.Edit(U::kMaxUsers)->isEnabled());
    EXPECT_TRUE(dialog.AddButton()->isEnabled());
    dialog.reject();
  });
  SetupItem("Users")->trigger();
  using F = FtpSettingsDialog::Field;
  test::WhenModal<FtpSettingsDialog>([&](FtpSettingsDialog& dialog) {
    for (F field : CFTPSettingsDlg::kFields) {
      QWidget* control = dialog.Edit(field);
      if (field == F::kAccessType) {
        control = dialog.AccessType();
      } else if (field == F::kInfiniteRetry) {
        control = dialog.InfiniteRetry();
      }
      EXPECT_EQ(control->isEnabled(), field == F::kInfiniteRetry || field == F::kSourceDirectory)
          << CFTPSettingsDlg::Label(field);
    }
    dialog.reject();
  });
  SetupItem("FTP")->trigger();
}

}  // namespace
}  // namespace trqx
