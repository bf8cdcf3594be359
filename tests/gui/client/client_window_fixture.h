#pragma once

// The client's window wired to the real CTRQXClientDlg in a scratch working folder.

#include <gtest/gtest.h>

#include <QAction>

#include <functional>
#include <memory>

#include "client/trqx_client_dlg.h"
#include "gui/client/client_window.h"
#include "gui/dialog_driving.h"
#include "support/client_folder.h"
#include "support/fake_process.h"
#include "support/fake_registry.h"
#include "support/scratch_folder.h"

namespace trqx {

class ClientWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override { test::CopyClientProgramFiles(m_folder.Path()); }
  void TearDown() override {
    m_window.SetDialog(nullptr);
    m_dlg.reset();
  }
  // Writes the settings as edit leaves them, then starts the client and shows its window.
  void Start(const std::function<void(COpenNVInternalSettings&)>& edit = {}) {
    ASSERT_TRUE(test::WriteClientSettings(m_folder.Path(), [&](COpenNVInternalSettings& s) {
      if (edit) {
        edit(s);
      }
    }));
    m_dlg = std::make_unique<CTRQXClientDlg>(m_window, m_loop, m_registry, m_processes,
                                             m_folder.Path());
    ASSERT_EQ(m_dlg->OnInitDialog(), CTRQXClientDlg::Startup::kRunning);
    m_window.SetDialog(m_dlg.get());
    m_window.show();
  }
  // Chooses the item and lets the dialog handle it; a dialog it opens runs until a scheduled
  // test::WhenModal closes it.
  void Choose(QAction* item) {
    ASSERT_NE(item, nullptr);
    item->trigger();
    m_loop.RunPending();
  }
  void Choose(const QString& menu, const QString& item) {
    Choose(test::MenuItem(m_window, menu, item));
  }

  ScratchFolder m_folder;
  ManualEventLoop m_loop;
  test::FakeRegistry m_registry;
  test::FakeProcessRunner m_processes;
  ClientWindow m_window{m_loop};
  std::unique_ptr<CTRQXClientDlg> m_dlg;
};

}  // namespace trqx
