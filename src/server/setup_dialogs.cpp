#include "server/setup_dialogs.h"

#include <utility>

#include "foundation/text.h"

namespace trqx {

namespace {

void TrimInPlace(std::string& text) {
  text = std::string(TrimCSpace(text));
}

}  // namespace

CUserSetupDlg::CUserSetupDlg(CServerSettings& settings, std::string path, bool taskRunning)
    : m_working(settings.m_user),
      m_settings(settings),
      m_path(std::move(path)),
      m_taskRunning(taskRunning) {}

bool CUserSetupDlg::Enabled(Field field) const {
  // The accept task listens on the port and its sessions log in with what it copied.
  const bool fixedWhileRunning =
      field == Field::kPort || field == Field::kLogin || field == Field::kPassword;
  return !(m_taskRunning && fixedWhileRunning);
}

bool CUserSetupDlg::AddAddress(std::string_view typed) {
  const std::string_view address = TrimCSpace(typed);
  if (address.empty()) {
    return false;
  }
  m_working.m_clientList.emplace_back(address);
  return true;
}

bool CUserSetupDlg::DeleteAddress(std::size_t selected) {
  if (selected >= m_working.m_clientList.size()) {
    return false;
  }
  m_working.m_clientList.erase(m_working.m_clientList.begin() +
                               static_cast<std::ptrdiff_t>(selected));
  return true;
}

bool CUserSetupDlg::OnOK(CFileError& error) {
  m_settings.m_user = m_working;
  return m_settings.SaveFile(m_path, error);
}

CFTPSettingsDlg::CFTPSettingsDlg(CServerSettings& settings, std::string path, bool taskRunning)
    : m_working(settings.m_ftp),
      m_settings(settings),
      m_path(std::move(path)),
      m_taskRunning(taskRunning) {}

bool CFTPSettingsDlg::Enabled(Field field) const {
  return !m_taskRunning || field == Field::kInfiniteRetry || field == Field::kSourceDirectory;
}

bool CFTPSettingsDlg::OnOK(CFileError& error) {
  TrimInPlace(m_working.m_backupAddress);
  TrimInPlace(m_working.m_primaryAddress);
  TrimInPlace(m_working.m_destDir);
  TrimInPlace(m_working.m_proxyAddress);
  // The FTP task alone decides which host is active.
  const bool primaryIsActive = m_settings.m_ftp.m_primaryIsActive;
  m_settings.m_ftp = m_working;
  m_settings.m_ftp.m_primaryIsActive = primaryIsActive;
  return m_settings.SaveFile(m_path, error);
}

CBehaviorBox::CBehaviorBox(CServerSettings& settings, std::string path)
    : m_settings(settings),
      m_path(std::move(path)),
      m_autoRestart(settings.m_user.m_autoRestart),
      m_restartInterval(settings.m_user.m_restartInterval) {}

void CBehaviorBox::OnAutoRestartChanged(bool on) {
  m_autoRestart = on;
  m_applyEnabled = true;
}

void CBehaviorBox::OnIntervalChanged(std::uint32_t seconds) {
  m_restartInterval = seconds;
  m_applyEnabled = true;
}

CBehaviorBox::Applied CBehaviorBox::OnApply() {
  m_settings.m_user.m_autoRestart = m_autoRestart;
  m_settings.m_user.m_restartInterval = m_restartInterval;
  Applied applied;
  applied.m_saved = m_settings.SaveFile(m_path, applied.m_error);
  applied.m_restartTimer = m_settings.m_user.RestartTimerOn();
  m_applyEnabled = false;
  return applied;
}

}  // namespace trqx
