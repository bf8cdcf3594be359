#pragma once

// The server's window driven by its real logic in a scratch working folder whose
// VEXOSvr.cfg names two FTP hosts and lets the system pick the port.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "gui/server/server_window.h"
#include "server/vexo_server_dlg.h"
#include "support/current_folder.h"
#include "support/fake_ftp_client.h"
#include "support/fake_registry.h"
#include "support/scratch_folder.h"

namespace trqx {

class ServerWindowFixture : public ::testing::Test {
 protected:
  // Writes the settings with clientList admitted, then starts the window.
  void StartWindow(const std::vector<std::string>& clientList = {}) {
    ASSERT_TRUE(m_inFolder.Entered());
    CServerSettings settings;
    settings.m_user.m_port = 0;  // the system picks one
    settings.m_user.m_clientList = clientList;
    settings.m_ftp.m_primaryAddress = "primary.test";
    settings.m_ftp.m_backupAddress = "backup.test";
    CFileError error;
    ASSERT_TRUE(settings.SaveFile(CServerSettings::kFileName, error));
    m_window.Attach(m_dlg);
    ASSERT_TRUE(m_dlg.OnInitDialog());
    m_window.show();
  }
  // The settings as the file in the working folder holds them.
  static CServerSettings Saved() {
    CServerSettings saved;
    CFileError error;
    EXPECT_TRUE(saved.LoadFile(CServerSettings::kFileName, error));
    return saved;
  }
  void TearDown() override {
    m_dlg.OnStop();
    m_loop.RunUntil([&] { return !m_dlg.AnyTaskRunning(); }, std::chrono::seconds(10));
  }

  ScratchFolder m_folder;
  test::ScopedCurrentFolder m_inFolder{m_folder.Path()};
  ManualEventLoop m_loop;
  test::FakeRegistry m_registry;
  test::FakeFtpClient m_ftp;
  ServerWindow m_window;
  CVEXOServerDlg m_dlg{m_window, m_loop, m_registry, m_ftp};
};

}  // namespace trqx
