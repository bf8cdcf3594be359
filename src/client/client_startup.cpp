#include "client/client_startup.h"

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "client/user_info.h"
#include "foundation/client_strings.h"
#include "foundation/file_error.h"
#include "foundation/paths.h"
#include "foundation/string_table.h"
#include "foundation/text.h"

namespace trqx {

namespace {

// The settings' defaults take the working folder, the process's current one when empty.
COpenNVInternalSettings DefaultSettings(const std::string& workingFolder) {
  return workingFolder.empty() ? COpenNVInternalSettings() : COpenNVInternalSettings(workingFolder);
}

}  // namespace

ClientStartup::ClientStartup(const Registry& registry, std::string workingFolder,
                             std::ostream* errors, WallClock clock)
    : m_registry(registry),
      m_workingFolder(std::move(workingFolder)),
      m_clock(std::move(clock)),
      m_logFile(JoinPath(m_workingFolder, kClientLogFileName), LogFlavour::kClient),
      m_logSink(m_logFile, errors),
      m_logger(m_logSink, ClientStrings(), m_clock),
      m_settings(DefaultSettings(m_workingFolder)),
      m_settingsFile(m_settings, m_workingFolder),
      m_profile(m_fieldFormat) {}

bool ClientStartup::Run() {
  if (!OpenLog() || !ReadFieldFormat()) {
    return false;
  }
  LoadSettings();
  ReadSerialNumber();
  LoadProfile();
  CreateWorkFolders();
  return true;
}

bool ClientStartup::Fail(Step step, std::string message) {
  m_failedStep = step;
  m_failureMessage = std::move(message);
  return false;
}

bool ClientStartup::OpenLog() {
  CFileError error;
  if (m_logFile.Open(m_loadedLog, error)) {
    return true;
  }
  const CLogEntry message(m_clock(), kLogError, kCategorySystem, client_strings::kMsgFileError,
                          {error.m_fileName, std::to_string(error.m_osError)}, ClientStrings());
  return Fail(Step::kOpenLog, std::string(TrimRightSpaceChars(message.m_text)));
}

void ClientStartup::LogStartup() {
  const CLogEntry entry(m_clock(), kLogInfo, kCategorySystem, client_strings::kMsgSystemStartup, {},
                        ClientStrings());
  m_logSink.Log(entry);
  m_loadedLog.push_back(entry);
}

bool ClientStartup::ReadFieldFormat() {
  const std::string path = JoinPath(m_workingFolder, kFieldFormatFileName);
  CFileError error;
  bool fileError = false;
  if (m_fieldFormat.Read(path, error, fileError)) {
    return true;
  }
  if (fileError) {
    m_logger.Log(kLogError, kCategorySystem, client_strings::kMsgFileError,
                 {path, std::to_string(static_cast<unsigned>(error.m_osError))});
  } else {
    m_logger.Log(kLogError, kCategorySystem, client_strings::kMsgBadFormatFile, {path});
  }
  return Fail(Step::kReadFieldFormat, kTextCfgReadFailed);
}

void ClientStartup::LoadSettings() {
  LoadSettingsAtStartup(m_settingsFile, m_logger);
}

void ClientStartup::ReadSerialNumber() {
  m_registrySerialNumber = ReadRegistrySerialNumber(m_registry, m_logger);
  SetPortfolioSerialNumber(m_settings, m_registrySerialNumber);
}

void ClientStartup::LoadProfile() {
  m_profile.m_convertDots = m_settings.m_convertDotsToSlashes;
  CFileError ignored;
  m_profile.LoadFile(JoinPath(m_workingFolder, UserProfile::kFileName), ignored);
}

void ClientStartup::CreateWorkFolders() {
  m_settings.DeriveWorkFolders();
  for (const std::string* folder : {&m_settings.m_cacheDirectory, &m_settings.m_copyDir,
                                    &m_settings.m_pollDirectory, &m_settings.m_tempDirectory}) {
    if (!folder->empty()) {
      std::error_code ec;
      std::filesystem::create_directories(*folder, ec);
    }
  }
}

}  // namespace trqx
