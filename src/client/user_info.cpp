#include "client/user_info.h"

#include <cstddef>

#include "foundation/client_strings.h"
#include "foundation/user_info.h"

namespace trqx {

namespace {

constexpr std::size_t kSerialNumberLength = 30;
constexpr std::size_t kUserUuidLength = 255;

void LogReadFailure(CLogger& logger, LogCategory category, long code) {
  logger.Log(kLogError, category, client_strings::kMsgRegistryReadFailed,
             {kUserInfoKeyText, std::to_string(code)});
}

}  // namespace

std::string ReadRegistrySerialNumber(const Registry& registry, CLogger& logger) {
  std::string serial;
  long code =
      ReadUserInfoValue(registry, kUserInfoSerialNumber, kSerialNumberLength, serial).m_code;
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
  long code = ReadUserInfoValue(registry, kUserInfoUuid, kUserUuidLength, terminalUserUuid).m_code;
  if (code != Registry::kSuccess) {
    LogReadFailure(logger, kCategoryFtp, code);
  }
}

}  // namespace trqx
