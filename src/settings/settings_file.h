#pragma once

#include <cstdint>
#include <string>

#include "foundation/file_error.h"
#include "foundation/log_file.h"
#include "settings/internal_settings.h"

namespace trqx {

// "trqx.cfg" in a folder, with its two backups beside it: "Load" (the file as last read
// successfully) and "Set" (as last written successfully).
class CSettingsFile {
 public:
  static constexpr const char* kFileName = "trqx.cfg";
  static constexpr const char* kLoadBackup = "Load";
  static constexpr const char* kSetBackup = "Set";

  // The file lives in folder (the working folder; empty means the current folder). The
  // settings object is not owned and must outlive this object.
  CSettingsFile(COpenNVInternalSettings& settings, const std::string& folder = "");

  // Reads the file, creating it empty when missing, with the reader's keys. A file with no
  // tokens, or whose first token is another class name, leaves the settings unchanged and
  // counts as read. On failure (file error, bad record, bad object) the settings are
  // unchanged.
  bool Load(std::uintmax_t& fileSize, CFileError& error,
            SettingsReader reader = SettingsReader::kClient);
  // Replaces the file with the settings' archive text; fileSize is the size written.
  bool Save(std::uintmax_t& fileSize, CFileError& error);

  COpenNVInternalSettings& Settings() { return m_settings; }
  const std::string& Path() const { return m_path; }
  std::string BackupPath(const char* backupName) const;
  std::uintmax_t FileSize() const { return m_fileSize; }

 private:
  COpenNVInternalSettings& m_settings;
  std::string m_folder;
  std::string m_path;
  std::uintmax_t m_fileSize = 0;
};

// Start-up's load step: loads, logs the outcome (message 130, INFO) and refreshes "Load".
// Returns false only when a file with UUID 0 (or an empty one) was replaced from "Set":
// the caller then runs the step once more.
bool RunSettingsLoadStep(CSettingsFile& file, CLogger& logger);

// Start-up runs the load step, and once more when it asks for it.
void LoadSettingsAtStartup(CSettingsFile& file, CLogger& logger);

// The three places that save the settings, each with its own log texts.
enum class SettingsSavePoint { kInternalSettings, kDownloadSettings, kBasket };

// Saves, logs the result and, on success, refreshes "Set".
bool SaveSettingsAt(CSettingsFile& file, CLogger& logger, SettingsSavePoint point);

}  // namespace trqx
