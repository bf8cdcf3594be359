#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/file_error.h"

namespace trqx {

// The server's own settings and admission rules ("CUserSettings"). The accept task copies
// them when it starts; admission and the login of new sessions read the live object. Values
// get no range test: whoever uses one copes with what the file held.
class CUserSettings : public CArchivable {
 public:
  static constexpr const char* kClassName = "CUserSettings";

  void Save(TokenList& tokens) const override;
  // Reads one object at pos; unknown keys are skipped, missing keys keep their values. Fails
  // on a wrong class name or a bad structure, members read before the failure changed.
  bool Load(const TokenList& tokens, std::size_t& pos);

  // Whether the restart timer runs: AutoRestart on and RestartInterval not 0.
  bool RestartTimerOn() const { return m_autoRestart && m_restartInterval != 0; }

  int m_port = 21010;
  int m_maxClients = 15;  // also the listen backlog
  std::string m_login = "VEXOServer";
  std::string m_password;
  bool m_usePassword = false;  // stored only: the login check always compares the password
  bool m_acceptUnAuthorizedClients = false;
  bool m_autoRestart = false;
  std::uint32_t m_restartInterval = 150000;  // seconds
  std::vector<std::string> m_clientList;     // dotted IPv4 addresses of authorised clients
};

// Where and how the FTP task forwards spooled files ("FTPPutSettings"). The FTP task copies
// them when it starts.
class FTPPutSettings : public CArchivable {
 public:
  static constexpr const char* kClassName = "FTPPutSettings";
  // "SessionType": the index of the "Access Type" list.
  enum SessionType : int { kPreconfig = 0, kDirect = 1, kProxy = 2 };

  void Save(TokenList& tokens) const override;
  // As CUserSettings::Load.
  bool Load(const TokenList& tokens, std::size_t& pos);

  std::string m_primaryAddress;
  std::string m_backupAddress;
  std::string m_password;
  std::string m_username;  // also part of every spool file name
  std::string m_proxyAddress;
  std::string m_bypassList;
  int m_sessionType = kPreconfig;
  bool m_infiniteRetry = true;
  int m_retryLimit = 10;                  // extra passes when InfiniteRetry is off
  std::uint32_t m_retryInterval = 20000;  // milliseconds between passes
  std::string m_destDir;
  std::string m_sourceDir;
  bool m_resetQOnStart = false;
  bool m_primaryIsActive = true;
};

// The whole configuration of the server, kept in "VEXOSvr.cfg" in its working folder: both
// objects on one record line, CUserSettings first. Tasks take copies.
struct CServerSettings {
  static constexpr const char* kFileName = "VEXOSvr.cfg";

  // Reads the file at path (created empty when missing). Success replaces both objects by
  // the file's, each at its defaults where the file holds no such object or key. On failure
  // (a file error, with error filled, or content that does not load) nothing changes.
  bool LoadFile(const std::string& path, CFileError& error);
  // Replaces the file with both objects. On failure error holds the file error to log.
  bool SaveFile(const std::string& path, CFileError& error) const;

  CUserSettings m_user;
  FTPPutSettings m_ftp;
};

}  // namespace trqx
