#include "client/user_info.h"

#include <cstddef>

#include "foundation/client_strings.h"

namespace trqx {

namespace {

// The key as the message names it; the missing dot is the original's.
constexpr const char* kUserInfoKeyText = "HKEY_???\\Software\\Norvane L.P\\User Info";
constexpr std::size_t kSerialNumberLength = 30;
constexpr std::size_t kUserUuidLength = 255;

// Reads a value of the user-info key, machine first, then user; returns the last code.
long ReadUserInfoValue(const Registry& registry, const char* name, std::size_t maxLength,
                       std::string& value) {
  long code =
      registry.ReadString(RegistryHive::kLocalMachine, kUserInfoKey, name, maxLength, value);
  if (code != Registry::kSuccess) {
    code = registry.ReadString(RegistryHive::kCurrentUser, kUserInfoKey, name, maxLength, value);
  }
  if (code != Registry::kSuccess) {
    value.clear();
  }
  return code;
}

void LogReadFailure(CLogger& logger, LogCategory category, long code) {
  logger.Log(kLogError, category, client_strings::kMsgRegistryReadFailed,
             {kUserInfoKeyText, std::to_string(code)});
}

}  // namespace

std::string ReadRegistrySerialNumber(const Registry& registry, CLogger& logger) {
  std::string serial;
  long code = ReadUserInfoValue(registry, "Serial Number", kSerialNumberLength, serial);
  if (code != Registry::kSuccess) {
    LogReadFailure(logger, kCategorySystem, code);
  }
  return serial;
}

void SetPortfolioSerialNumber(COpenNVInternalSettings& settings,
                              const std::string& registrySerialNumber) {
  settings.m_portfolioSN = settings.IsClientServerUpload() && settings.m_useServerSN
                               ? COpenNVInternalSettings::kServerSerialNumber
                               : registrySerialNumber;
}

void ReadTerminalUserUuid(const Registry& registry, const COpenNVInternalSettings& settings,
                          CLogger& logger, std::string& terminalUserUuid) {
  if (settings.IsClientServerUpload() && settings.m_useServerSN) {
    return;
  }
  long code = ReadUserInfoValue(registry, "USERUUID", kUserUuidLength, terminalUserUuid);
  if (code != Registry::kSuccess) {
    LogReadFailure(logger, kCategoryFtp, code);
  }
}

}  // namespace trqx
