#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/archive.h"

namespace trqx {

// Which keys a reader of the settings object knows; it skips the others as unknown keys.
enum class SettingsReader {
  kClient,     // every key
  kConverter,  // the download converter's twenty: from "CopyDir" to "DownLoad Dest Dir" in the
               // writer's order, without "EncryptionPassword", "ConvertDotsToSlashes" and
               // "ClientAutoRestartInterval"
};

// How upload files leave the client ("UploadMethod").
enum UploadMethod : int { kUploadTerminal = 0, kUploadClientServer = 1 };

// The client's own settings, the only object of "trqx.cfg". Fields are public: start-up
// and the upload flow read them directly. Windows default folders are made folders under
// the home folder when the defaults are made.
class COpenNVInternalSettings : public CArchivable {
 public:
  static constexpr const char* kClassName = "COpenNVInternalSettings";
  // In client/server mode with "Use Server S/N" on, the portfolio serial number.
  static constexpr const char* kServerSerialNumber = "Server    ";

  // Defaults relative to the process's current folder.
  COpenNVInternalSettings();
  // Defaults relative to the given working folder (tests, tools run elsewhere).
  explicit COpenNVInternalSettings(std::string workingDirectory);

  // Appends the object in the writer's order; "EncryptionPassword" only when the password
  // is not empty, scrambled while the scramble flag is on.
  void Save(TokenList& tokens) const override;
  // Reads one object at pos; keys in any order, keys the reader does not know skipped,
  // missing keys keep their current values. Fails on a wrong class name or a bad structure;
  // members read before the failure stay changed (callers load into a copy).
  bool Load(const TokenList& tokens, std::size_t& pos,
            SettingsReader reader = SettingsReader::kClient);

  // Sets the cache and temp folders from the copy folder, as start-up does.
  void DeriveWorkFolders();
  bool IsTerminalUpload() const { return m_uploadMethod == kUploadTerminal; }
  bool IsClientServerUpload() const { return m_uploadMethod == kUploadClientServer; }

  std::string m_workingDirectory;  // not stored

  int m_detectMethod = 0;
  std::string m_copyDir;
  std::string m_profileName = "@Profile.qvu";
  std::string m_username;
  std::string m_password;
  std::string m_invokePath;
  std::string m_portfolioLogin;
  std::string m_portfolioSystem = "UPLOAD";
  std::string m_portfolioSN;
  std::string m_portfolioWS;
  std::string m_fileDlgDir;
  std::string m_invokeName = "openfl";
  std::string m_serverAddress;
  std::string m_clientLogin;
  std::string m_clientPassword;
  std::string m_pollDirectory;
  std::string m_tempDirectory;
  bool m_clientAutoRestart = false;
  bool m_autoIncrement = true;
  bool m_betaAccount = false;
  bool m_usePoll = false;
  bool m_useUuid = false;
  bool m_useServerSN = true;
  int m_clientAutoRestartInterval = 60;
  int m_serverPort = 21020;
  int m_timerInterval = 15;
  int m_excelFileFormat = 0;
  int m_appendUuidLogin = 0;  // 0 = UUID, 1 = Login
  std::uint32_t m_invokeTimeout = 60000;
  std::uint32_t m_uuid = 0;
  bool m_useLogin = false;
  bool m_convertDotsToSlashes = true;
  std::string m_downLoadDestDir;
  std::string m_currentBasketId = "1";
  std::string m_cacheDirectory;  // not stored

  // Program-wide in the original; kept here since it is stored with the settings.
  int m_uploadMethod = kUploadTerminal;
};

}  // namespace trqx
