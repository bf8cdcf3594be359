#include "client/upload_convert.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <string_view>

#include "foundation/client_strings.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "upload/text_rules.h"

namespace trqx {

namespace {

constexpr unsigned kLastUploadNumber = 999;
constexpr std::string_view kUuidPrefix = "UUID=";
constexpr std::string_view kBasketIdPrefix = "BASKETID=";
constexpr std::string_view kPricingNumberPrefix = "PRICINGNUMBER=";

std::string UploadFileName(unsigned uploadNumber) {
  char name[32];
  std::snprintf(name, sizeof name, "TRQX%03u.inc", uploadNumber);
  return name;
}

// The header values of a written upload file that the flow checks.
struct WrittenHeader {
  std::optional<std::string> m_uuid;
  std::optional<std::string> m_basketId;
  std::optional<std::string> m_pricingNumber;
};

// Reads trimmed lines until all three header lines were seen; a later line of the same
// kind replaces an earlier value. False when the file cannot be opened.
bool ReadWrittenHeader(const std::string& path, WrittenHeader& header) {
  std::ifstream file(path);
  if (!file) {
    return false;
  }
  std::string line;
  while ((!header.m_uuid || !header.m_basketId || !header.m_pricingNumber) &&
         std::getline(file, line)) {
    std::string_view trimmed = TrimCSpace(line);
    for (auto [prefix, value] :
         {std::pair{kUuidPrefix, &header.m_uuid}, std::pair{kBasketIdPrefix, &header.m_basketId},
          std::pair{kPricingNumberPrefix, &header.m_pricingNumber}}) {
      if (trimmed.starts_with(prefix)) {
        *value = std::string(trimmed.substr(prefix.size()));
      }
    }
  }
  return true;
}

// A user UUID: decimal digits only, 1 to 4294967295.
bool IsPositiveUuid(std::string_view text) {
  if (text.empty()) {
    return false;
  }
  unsigned long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 0xFFFFFFFFull) {
      return false;
    }
  }
  return value >= 1;
}

// The conversion's numeric test and the value 0; a file without the line has nothing
// that is not zero.
bool IsZeroPricingNumber(std::string_view text) {
  return IsNumericText(text) && LeadingNumber(text) == 0.0;
}

}  // namespace

unsigned NextUploadNumber(unsigned uploadNumber) {
  return uploadNumber >= kLastUploadNumber ? 0 : uploadNumber + 1;
}

bool ConvertDeskFile(const std::string& deskPath, CSettingsFile& settingsFile, UserProfile& profile,
                     const std::string& terminalUserUuid, CLogger& logger, const WallClock& clock,
                     unsigned& uploadNumber, std::string& uploadPath) {
  using namespace client_strings;
  COpenNVInternalSettings& settings = settingsFile.Settings();
  uploadPath.clear();
  auto fail = [&](std::uint32_t message, std::vector<std::string> args) {
    logger.Log(kLogError, kCategoryFtp, message, args);
    ++uploadNumber;
    return false;
  };

  std::optional<std::size_t> index = profile.SelectMapping(deskPath);
  CMapping* mapping = index ? profile.GetMapping(*index) : nullptr;
  if (mapping == nullptr) {
    return fail(kMsgNoMappingFound, {deskPath});
  }

  ConvertRequest request;
  request.m_deskPath = deskPath;
  request.m_uploadPath = JoinPath(settings.m_copyDir, UploadFileName(uploadNumber));
  request.m_cacheDir = settings.m_cacheDirectory;
  request.m_uuidText = std::to_string(settings.m_uuid);
  if (settings.m_autoIncrement && settings.m_appendUuidLogin == 1) {
    request.m_login = settings.m_portfolioLogin;
  }
  request.m_terminalUserUuid = terminalUserUuid;
  request.m_loginBlock = PortfolioLoginBlock{settings.m_portfolioLogin, settings.m_portfolioSN,
                                             settings.m_portfolioWS, settings.m_portfolioSystem};
  request.m_uploadMethod = settings.m_uploadMethod;
  request.m_autoIncrement = settings.m_autoIncrement;
  request.m_useUuid = settings.m_useUuid;
  request.m_useServerSn = settings.m_useServerSN;
  request.m_when = clock();
  request.m_uploadFields = &profile.FieldFormat().UploadFields();

  ConvertResult result = mapping->Convert(request, settings.m_currentBasketId);
  if (!result.m_ok) {
    if (result.m_fileError.m_cause != FileErrorCause::kNone) {
      return fail(kMsgUploadFileError,
                  {std::to_string(static_cast<unsigned>(result.m_fileError.m_osError)),
                   result.m_fileError.m_function});
    }
    return fail(kMsgUploadFailedNoMapping, {deskPath});
  }

  if (settings.m_autoIncrement) {
    SaveSettingsAt(settingsFile, logger, SettingsSavePoint::kBasket);
  }

  WrittenHeader header;
  if (ReadWrittenHeader(request.m_uploadPath, header)) {
    if (!IsPositiveUuid(header.m_uuid.value_or(""))) {
      return fail(kMsgUuidNotPositive, {});
    }
    if (settings.IsTerminalUpload() && !IsZeroPricingNumber(header.m_pricingNumber.value_or(""))) {
      return fail(kMsgPricingNumberNotZero, {});
    }
  }

  uploadNumber = NextUploadNumber(uploadNumber);
  uploadPath = request.m_uploadPath;
  return true;
}

}  // namespace trqx
