#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "foundation/field_format.h"
#include "foundation/log_file.h"
#include "foundation/log_file_sink.h"
#include "foundation/registry.h"
#include "settings/internal_settings.h"
#include "settings/settings_file.h"
#include "upload/user_profile.h"

namespace trqx {

inline constexpr const char* kClientLogFileName = "qxu.log";
inline constexpr const char* kFieldFormatFileName = "NVFormat.cfg";
// The message box that ends the program when the field format file cannot be read.
inline constexpr const char* kTextCfgReadFailed =
    "Program ending, could not read cfg file. Check error log";

// The start-up steps of the client's main window and the long-lived objects they make: the
// log, the field format table, the settings and the upload profile. The window runs the
// steps in the order declared here (Run does the same); the two that can fail end the
// program. Lives on the window's thread.
class ClientStartup {
 public:
  // The steps that can end the program.
  enum class Step { kNone, kOpenLog, kReadFieldFormat };

  // The program files are in workingFolder ("" the current folder). When errors is given,
  // every ERROR entry logged is written to it as well. registry and errors must outlive
  // this object.
  explicit ClientStartup(const Registry& registry, std::string workingFolder = "",
                         std::ostream* errors = nullptr, WallClock clock = SystemTime);
  ClientStartup(const ClientStartup&) = delete;
  ClientStartup& operator=(const ClientStartup&) = delete;

  // Every step in order; false at the first that ends the program.
  bool Run();

  // Opens "qxu.log" and reads back its entries (LoadedLog). On failure the failure message is
  // message 103 with the file name and the system code.
  bool OpenLog();
  // Logs "System startup." (102, INFO) and adds it to the loaded entries.
  void LogStartup();
  // Reads "NVFormat.cfg". On failure logs message 103 (the file could not be read: %1 its
  // name, %2 the system code) or 104 (bad contents), both ERROR; the failure message is
  // kTextCfgReadFailed.
  bool ReadFieldFormat();
  // Loads "trqx.cfg", once more when the load restored it from "Set".
  void LoadSettings();
  // Reads the registry serial number (message 137 when it cannot) and sets the portfolio
  // serial number from it.
  void ReadSerialNumber();
  // Loads "qxu.pfl" with the settings' convert-dots flag, binding its mappings to the field
  // format; a profile that fails to load keeps the mappings read before the failure.
  void LoadProfile();
  // Derives the cache and temp folders from the copy folder and creates the cache, copy,
  // poll and temp folders where missing, component by component; a folder that cannot be
  // made is left so, without a report.
  void CreateWorkFolders();

  // The step that ended the program and the text of its message box; kNone and "" while
  // none did.
  Step FailedStep() const { return m_failedStep; }
  const std::string& FailureMessage() const { return m_failureMessage; }

  CLogger& Logger() { return m_logger; }
  // The entries the log file held when it was opened, oldest first.
  std::vector<CLogEntry>& LoadedLog() { return m_loadedLog; }
  // Shows every later entry on display as well (null: the file only).
  void SetLogDisplay(LogSink* display) { m_logSink.SetDisplay(display); }
  const WallClock& Clock() const { return m_clock; }
  const FieldFormatRegistry& FieldFormat() const { return m_fieldFormat; }
  COpenNVInternalSettings& Settings() { return m_settings; }
  const COpenNVInternalSettings& Settings() const { return m_settings; }
  CSettingsFile& SettingsFile() { return m_settingsFile; }
  UserProfile& Profile() { return m_profile; }
  const std::string& RegistrySerialNumber() const { return m_registrySerialNumber; }

 private:
  bool Fail(Step step, std::string message);

  const Registry& m_registry;
  std::string m_workingFolder;
  WallClock m_clock;
  CLogFile m_logFile;
  LogFileSink m_logSink;
  CLogger m_logger;
  std::vector<CLogEntry> m_loadedLog;
  FieldFormatRegistry m_fieldFormat;
  COpenNVInternalSettings m_settings;
  CSettingsFile m_settingsFile;
  UserProfile m_profile;
  std::string m_registrySerialNumber;
  Step m_failedStep = Step::kNone;
  std::string m_failureMessage;
};

}  // namespace trqx
