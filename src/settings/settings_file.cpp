#include "settings/settings_file.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "foundation/archive_file.h"
#include "foundation/client_strings.h"
#include "foundation/paths.h"

namespace trqx {

namespace {

using client_strings::kMsgFileError;
using client_strings::kMsgFreeText;

// Free texts logged as the only argument of message 130.
constexpr const char* kTextReadFailed = "Error reading\\creating settings file";
constexpr const char* kTextNewFile = "New settings file created";
constexpr const char* kTextRead = "Settings file successfully read. (UUID=%u,filesize=%ju)";
constexpr const char* kTextUpdated = "Settings file updated (filesize=%ju) (uuid=%u)";
constexpr const char* kTextSaveErrorOpen = "Error saving settings file trqx.cfg: Open (";
constexpr const char* kTextDownloadUpdated =
    "Download Settings file updated (filesize=%ju) (uuid=%u)";
constexpr const char* kTextDownloadFailed =
    "Warning!!!: Unable to write to download settings file 'trqx.cfg'";
constexpr const char* kTextBasketUpdated = "Basket Settings file updated (filesize=%ju) (uuid=%u)";
constexpr const char* kTextBasketFailed =
    "Warning!!!: Unable to write to basket settings file 'trqx.cfg'";

std::string Printf(const char* format, auto... args) {
  int length = std::snprintf(nullptr, 0, format, args...);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  std::snprintf(text.data(), text.size() + 1, format, args...);
  return text;
}

void LogText(CLogger& logger, LogLevel level, const std::string& text) {
  logger.Log(level, kCategorySystem, kMsgFreeText, {text});
}

// Replaces target by a copy of source. When target cannot be deleted the copy is not
// made, so the old target stays.
bool ReplaceByCopy(const std::string& source, const std::string& target) {
  std::error_code ec;
  std::filesystem::remove(target, ec);
  if (ec) {
    return false;
  }
  return std::filesystem::copy_file(source, target, ec) && !ec;
}

std::uintmax_t SizeOf(const std::string& path) {
  std::error_code ec;
  std::uintmax_t size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

}  // namespace

CSettingsFile::CSettingsFile(COpenNVInternalSettings& settings, const std::string& folder)
    : m_settings(settings), m_folder(folder), m_path(JoinPath(folder, kFileName)) {}

std::string CSettingsFile::BackupPath(const char* backupName) const {
  return JoinPath(m_folder, backupName);
}

bool CSettingsFile::Load(std::uintmax_t& fileSize, CFileError& error, SettingsReader reader) {
  COpenNVInternalSettings loaded = m_settings;
  bool first = true;
  bool objectOk = true;
  ArchiveLoad result = LoadArchiveFile(
      m_path,
      [&](const TokenList& tokens) {
        if (!first) {
          return true;
        }
        first = false;
        if (tokens.empty() || tokens.front() != COpenNVInternalSettings::kClassName) {
          return true;
        }
        std::size_t pos = 0;
        objectOk = loaded.Load(tokens, pos, reader);
        return objectOk;
      },
      error);
  if (result != ArchiveLoad::kOk || !objectOk) {
    return false;
  }
  m_settings = std::move(loaded);
  m_fileSize = SizeOf(m_path);
  fileSize = m_fileSize;
  return true;
}

bool CSettingsFile::Save(std::uintmax_t& fileSize, CFileError& error) {
  TokenList tokens;
  m_settings.Save(tokens);
  if (!SaveArchiveFile(m_path, tokens, error)) {
    return false;
  }
  m_fileSize = SizeOf(m_path);
  fileSize = m_fileSize;
  return true;
}

bool RunSettingsLoadStep(CSettingsFile& file, CLogger& logger) {
  std::uintmax_t size = 0;
  CFileError error;
  if (!file.Load(size, error)) {
    LogText(logger, kLogInfo, kTextReadFailed);
    return true;
  }
  const COpenNVInternalSettings& settings = file.Settings();
  if (size == 0) {
    LogText(logger, kLogInfo, kTextNewFile);
  } else {
    LogText(logger, kLogInfo, Printf(kTextRead, settings.m_uuid, size));
    ReplaceByCopy(file.Path(), file.BackupPath(CSettingsFile::kLoadBackup));
  }
  // An empty file has UUID 0 as well: a save that failed half-way left it so, and the
  // last good copy is in "Set".
  std::error_code ec;
  const std::string setPath = file.BackupPath(CSettingsFile::kSetBackup);
  if (settings.m_uuid == 0 && std::filesystem::is_regular_file(setPath, ec)) {
    ReplaceByCopy(setPath, file.Path());
    return false;
  }
  return true;
}

void LoadSettingsAtStartup(CSettingsFile& file, CLogger& logger) {
  if (!RunSettingsLoadStep(file, logger)) {
    RunSettingsLoadStep(file, logger);
  }
}

bool SaveSettingsAt(CSettingsFile& file, CLogger& logger, SettingsSavePoint point) {
  std::uintmax_t size = 0;
  CFileError error;
  const bool saved = file.Save(size, error);
  const std::uint32_t uuid = file.Settings().m_uuid;
  switch (point) {
    case SettingsSavePoint::kInternalSettings:
      if (saved) {
        LogText(logger, kLogInfo, Printf(kTextUpdated, size, uuid));
      } else {
        logger.Log(kLogError, kCategorySystem, kMsgFileError,
                   {kTextSaveErrorOpen + error.m_fileName + ")",
                    std::to_string(static_cast<unsigned>(error.m_osError))});
      }
      break;
    case SettingsSavePoint::kDownloadSettings:
      LogText(logger, kLogInfo,
              saved ? Printf(kTextDownloadUpdated, size, uuid) : std::string(kTextDownloadFailed));
      break;
    case SettingsSavePoint::kBasket:
      LogText(logger, kLogInfo,
              saved ? Printf(kTextBasketUpdated, size, uuid) : std::string(kTextBasketFailed));
      break;
  }
  if (saved) {
    ReplaceByCopy(file.Path(), file.BackupPath(CSettingsFile::kSetBackup));
  }
  return saved;
}

}  // namespace trqx
