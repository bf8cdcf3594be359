// The "Internal Settings" and "Advanced Settings" dialogs driven through their controls,
// offscreen: what OK refuses, and what a confirmed dialog leaves in "trqx.cfg".
#include "gui/client/settings_dialogs_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

#include "client/trqx_client_dlg.h"
#include "gui/client/client_window.h"
#include "gui/message_box_answer.h"
#include "gui/qt_application.h"
#include "support/client_folder.h"
#include "support/fake_process.h"
#include "support/fake_registry.h"
#include "support/recording_client_view.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

using enum SettingsControl;

template <typename Widget>
Widget& ControlOf(const InternalSettingsDialog& dialog, SettingsControl control) {
  auto* widget = qobject_cast<Widget*>(dialog.Control(control));
  EXPECT_NE(widget, nullptr) << static_cast<int>(control);
  return *widget;
}

void Click(QAbstractButton& button) {
  QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, QPoint(4, button.height() / 2));
}

void Retype(QLineEdit& edit, const QString& text) {
  edit.selectAll();
  QTest::keyClick(&edit, Qt::Key_Delete);
  QTest::keyClicks(&edit, text);
}

QPushButton& OkButton(QDialog& dialog) {
  return *dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

// Once the next modal dialog of type Dialog is open, hands it to act.
template <typename Dialog>
void OnNextModal(std::function<void(Dialog&)> act) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, act = std::move(act)] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      act(*dialog);
    }
  });
  poll->start();
}

TEST(InternalSettingsDialogTest, OkRefusesPollingWithoutAFolderAndStaysOpen) {
  COpenNVInternalSettings settings("/work/desk");
  settings.m_uuid = 4711;
  settings.m_pollDirectory = "/srv/poll";
  CInternalSettingsDlg logic(settings, true, "REG-SN");
  InternalSettingsDialog dialog(logic);
  dialog.show();
  QLineEdit& folder = ControlOf<QLineEdit>(dialog, kPollDirectory);
  EXPECT_FALSE(folder.isEnabled());
  Click(ControlOf<QCheckBox>(dialog, kUsePoll));
  ASSERT_TRUE(folder.isEnabled());
  Retype(folder, "");
  std::string shown;
  QString caption;
  test::AnswerNextMessageBox([&](QMessageBox& box) {
    shown = box.text().toStdString();
    caption = box.windowTitle();
    box.accept();
  });
  Click(OkButton(dialog));
  EXPECT_EQ(shown, CInternalSettingsDlg::kNoPollDirectory);
  EXPECT_EQ(caption, "TRQXClient");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  Retype(folder, "/srv/in");
  Click(OkButton(dialog));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(logic.Get().m_pollDirectory, "/srv/in");
}

TEST(InternalSettingsDialogTest, MethodRadiosMoveTheEnablingAndTheSerialNumber) {
  COpenNVInternalSettings settings("/work/desk");
  CInternalSettingsDlg logic(settings, true, "REG-SN");
  InternalSettingsDialog dialog(logic);
  dialog.show();
  QLineEdit& server = ControlOf<QLineEdit>(dialog, kServerAddress);
  QLineEdit& invokeName = ControlOf<QLineEdit>(dialog, kInvokeName);
  EXPECT_FALSE(server.isEnabled());
  EXPECT_TRUE(invokeName.isEnabled());
  Click(ControlOf<QRadioButton>(dialog, kMethodClientServer));
  EXPECT_TRUE(server.isEnabled());
  EXPECT_FALSE(invokeName.isEnabled());
  EXPECT_EQ(ControlOf<QLineEdit>(dialog, kPortfolioSN).text().toStdString(), "Server    ");
  Click(ControlOf<QCheckBox>(dialog, kUseServerSN));
  EXPECT_EQ(ControlOf<QLineEdit>(dialog, kPortfolioSN).text().toStdString(), "REG-SN");
  EXPECT_FALSE(ControlOf<QLineEdit>(dialog, kPortfolioSN).isEnabled());
  EXPECT_FALSE(ControlOf<QLineEdit>(dialog, kClientPassword).isVisible());
}

TEST(InternalSettingsDialogTest, OkWritesTheNewValuesIntoTheSettingsFile) {
  ScratchFolder folder;
  test::CopyClientProgramFiles(folder.Path());
  ASSERT_TRUE(test::WriteClientSettings(folder.Path(), [](COpenNVInternalSettings&) {}));
  test::RecordingClientView view;
  ManualEventLoop loop;
  test::FakeRegistry registry;
  test::FakeProcessRunner processes;
  CTRQXClientDlg client(view, loop, registry, processes, folder.Path());
  ASSERT_EQ(client.OnInitDialog(), CTRQXClientDlg::Startup::kRunning);
  const std::string poll = folder.File("poll");

  client.OnSettings([&](CInternalSettingsDlg& logic) {
    InternalSettingsDialog dialog(logic);
    dialog.show();
    Retype(ControlOf<QLineEdit>(dialog, kPortfolioLogin), "desk7");
    Retype(ControlOf<QLineEdit>(dialog, kUuid), "815");
    Click(ControlOf<QCheckBox>(dialog, kUsePoll));
    Retype(ControlOf<QLineEdit>(dialog, kPollDirectory), QString::fromStdString(poll));
    Click(ControlOf<QRadioButton>(dialog, kDetectTimer));
    Retype(ControlOf<QLineEdit>(dialog, kTimerInterval), "20");
    Retype(ControlOf<QLineEdit>(dialog, kInvokeTimeout), "abc");
    QComboBox& excel = ControlOf<QComboBox>(dialog, kExcelFormat);
    excel.setFocus();
    QTest::keyClick(&excel, Qt::Key_Down);
    OnNextModal<AdvancedSettingsDialog>([](AdvancedSettingsDialog& advanced) {
      Click(*advanced.findChild<QCheckBox*>("convertDots"));
      Click(OkButton(advanced));
    });
    Click(ControlOf<QPushButton>(dialog, kAdvanced));
    Click(OkButton(dialog));
    return dialog.result() == QDialog::Accepted;
  });

  COpenNVInternalSettings saved(folder.Path());
  CSettingsFile file(saved, folder.Path());
  std::uintmax_t size = 0;
  CFileError error;
  ASSERT_TRUE(file.Load(size, error));
  EXPECT_EQ(saved.m_portfolioLogin, "desk7");
  EXPECT_EQ(saved.m_uuid, 815u);
  EXPECT_TRUE(saved.m_usePoll);
  EXPECT_EQ(saved.m_pollDirectory, poll);
  EXPECT_EQ(saved.m_detectMethod, 1);
  EXPECT_EQ(saved.m_timerInterval, 20);
  EXPECT_EQ(saved.m_invokeTimeout, 0u) << "text that is no number";
  EXPECT_EQ(saved.m_excelFileFormat, 1);
  EXPECT_FALSE(saved.m_convertDotsToSlashes);
  EXPECT_EQ(saved.m_invokeName, "openfl") << "untouched";
  EXPECT_TRUE(client.Poller().TimerRunning());
}

TEST(InternalSettingsDialogTest, UploadSettingsOfTheWindowOpensTheDialogAndItsOkReachesTheMenu) {
  ScratchFolder folder;
  test::CopyClientProgramFiles(folder.Path());
  ASSERT_TRUE(test::WriteClientSettings(folder.Path(), [](COpenNVInternalSettings&) {}));
  ManualEventLoop loop;
  test::FakeRegistry registry;
  test::FakeProcessRunner processes;
  ClientWindow window(loop);
  CTRQXClientDlg client(window, loop, registry, processes, folder.Path());
  ASSERT_EQ(client.OnInitDialog(), CTRQXClientDlg::Startup::kRunning);
  window.SetDialog(&client);
  window.show();
  QAction* settings = nullptr;
  for (QAction* menu : window.menuBar()->actions()) {
    if (menu->text() == "&Upload") {
      for (QAction* item : menu->menu()->actions()) {
        settings = item->text() == "&Settings" ? item : settings;
      }
    }
  }
  ASSERT_NE(settings, nullptr);
  ASSERT_TRUE(settings->isEnabled());
  ASSERT_FALSE(window.CommandAction(ClientCommand::kConnect)->isEnabled());

  QString caption;
  OnNextModal<InternalSettingsDialog>([&](InternalSettingsDialog& dialog) {
    caption = dialog.windowTitle();
    Click(ControlOf<QRadioButton>(dialog, kMethodClientServer));
    Click(OkButton(dialog));
  });
  settings->trigger();
  loop.RunPending();
  window.SetDialog(nullptr);

  EXPECT_EQ(caption, "Internal Settings");
  EXPECT_TRUE(window.CommandAction(ClientCommand::kConnect)->isEnabled());
  EXPECT_NE(ReadWholeFile(folder.File("trqx.cfg")).find("UploadMethod,Value,1"), std::string::npos);
}

}  // namespace
}  // namespace trqx
