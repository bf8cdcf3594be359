// The "Internal Settings" and "Advanced Settings" dialogs driven through their controls,
// offscreen: each control reaches the logic and shows what it decides, and OK reaches the
// client. The rules are tested in tests/settings/settings_dialogs_test.cpp.
#include "gui/client/settings_dialogs_qt.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QRadioButton>

#include <string>

#include "gui/client/client_window_fixture.h"
#include "gui/qt_application.h"

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

QPushButton& OkButton(QDialog& dialog) {
  return *dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
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
  test::Type(&folder, "");
  std::string shown;
  QString caption;
  test::WhenModal<QMessageBox>([&](QMessageBox& box) {
    shown = box.text().toStdString();
    caption = box.windowTitle();
    box.accept();
  });
  Click(OkButton(dialog));
  EXPECT_EQ(shown, CInternalSettingsDlg::kNoPollDirectory);
  EXPECT_EQ(caption, "TRQXClient");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  test::Type(&folder, "/srv/in");
  Click(OkButton(dialog));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(logic.Get().m_pollDirectory, "/srv/in");
}

TEST(InternalSettingsDialogTest, MethodRadiosMoveTheEnablingAndTheSerialNumber) {
  COpenNVInternalSettings settings("/work/desk");
  CInternalSettingsDlg logic(settings, true, "REG-SN");
  InternalSettingsDialog dialog(logic);
  dialog.show();
  Click(ControlOf<QRadioButton>(dialog, kMethodClientServer));
  EXPECT_TRUE(ControlOf<QLineEdit>(dialog, kServerAddress).isEnabled());
  EXPECT_FALSE(ControlOf<QLineEdit>(dialog, kInvokeName).isEnabled());
  QLineEdit& serialNumber = ControlOf<QLineEdit>(dialog, kPortfolioSN);
  EXPECT_EQ(serialNumber.text().toStdString(), "Server    ");
  Click(ControlOf<QCheckBox>(dialog, kUseServerSN));
  EXPECT_EQ(serialNumber.text().toStdString(), "REG-SN");
  EXPECT_FALSE(serialNumber.isEnabled());
  EXPECT_FALSE(ControlOf<QLineEdit>(dialog, kClientPassword).isVisible());
}

using InternalSettingsWindowTest = ClientWindowFixture;

TEST_F(InternalSettingsWindowTest, UploadSettingsOpensTheDialogWhoseOkHandsTheValuesOn) {
  Start();
  const std::string poll = m_folder.File("poll");
  QString caption;
  test::WhenModal<InternalSettingsDialog>([&](InternalSettingsDialog& dialog) {
    caption = dialog.windowTitle();
    test::Type(&ControlOf<QLineEdit>(dialog, kPortfolioLogin), "desk7");
    test::Type(&ControlOf<QLineEdit>(dialog, kUuid), "815");
    Click(ControlOf<QCheckBox>(dialog, kUsePoll));
    test::Type(&ControlOf<QLineEdit>(dialog, kPollDirectory), QString::fromStdString(poll));
    Click(ControlOf<QRadioButton>(dialog, kDetectTimer));
    test::Type(&ControlOf<QLineEdit>(dialog, kTimerInterval), "20");
    QComboBox& excel = ControlOf<QComboBox>(dialog, kExcelFormat);
    excel.setFocus();
    QTest::keyClick(&excel, Qt::Key_Down);
    Click(ControlOf<QRadioButton>(dialog, kMethodClientServer));  // greys the terminal's edits
    test::WhenModal<AdvancedSettingsDialog>([](AdvancedSettingsDialog& advanced) {
      Click(*advanced.findChild<QCheckBox*>("convertDots"));
      Click(OkButton(advanced));
    });
    Click(ControlOf<QPushButton>(dialog, kAdvanced));
    Click(OkButton(dialog));
  });
  Choose("&Upload", "&Settings");

  EXPECT_EQ(caption, "Internal Settings");
  const COpenNVInternalSettings& saved = m_dlg->Settings();
  EXPECT_EQ(saved.m_uploadMethod, kUploadClientServer);
  EXPECT_EQ(saved.m_portfolioLogin, "desk7");
  EXPECT_EQ(saved.m_uuid, 815u);
  EXPECT_TRUE(saved.m_usePoll);
  EXPECT_EQ(saved.m_pollDirectory, poll);
  EXPECT_EQ(saved.m_detectMethod, 1);
  EXPECT_EQ(saved.m_timerInterval, 20);
  EXPECT_EQ(saved.m_excelFileFormat, 1);
  EXPECT_FALSE(saved.m_convertDotsToSlashes);
  EXPECT_NE(ReadWholeFile(m_folder.File("trqx.cfg")).find("UploadMethod,Value,1"),
            std::string::npos)
      << "the client saved what OK handed it";
}

}  // namespace
}  // namespace trqx
