#pragma once

#include <cstdint>
#include <string>

#include "foundation/archive.h"
#include "foundation/file_error.h"

namespace trqx {

// The download converter's view of the client's settings file "trqx.cfg": the keys it knows,
// with the client's defaults. Of these only the destination and cache folders are used.
class CConverterSettings {
 public:
  static constexpr const char* kClassName = "COpenNVInternalSettings";
  static constexpr const char* kFileName = "trqx.cfg";

  // Defaults as the client makes them; workingDirectory stands in front of "Upload".
  explicit CConverterSettings(const std::string& workingDirectory);

  // Reads the settings object from tokens at pos; other keys are skipped. Fails on a bad
  // structure.
  bool Load(const TokenList& tokens, std::size_t& pos);
  // Reads the file at path (created empty when missing). A file without tokens, or whose first
  // token names another class, leaves the defaults and succeeds. Fails on a file error (error
  // filled) or a settings object that does not load.
  bool LoadFile(const std::string& path, CFileError& error);

  // "CopyDir" followed by "Cache": where the client keeps its basket cache files.
  std::string CacheDirectory() const;

  std::string m_copyDir;
  std::string m_profileName = "@Profile.qvu";
  std::string m_userName;
  std::string m_invokePath;
  std::uint32_t m_invokeTimeout = 60000;
  bool m_useLogin = false;
  std::uint32_t m_uuid = 0;
  std::string m_portfolioLogin;
  std::string m_portfolioSystem = "UPLOAD";
  std::string m_portfolioSN;
  std::string m_portfolioWS;
  std::string m_fileDlgDir;
  std::string m_invokeName = "openfl";
  std::string m_serverAddress;
  std::string m_clientLogin;
  std::string m_clientPassword;
  bool m_clientAutoRestart = false;
  int m_uploadMethod = 0;
  int m_serverPort = 21020;
  std::string m_downLoadDestDir;
};

}  // namespace trqx
