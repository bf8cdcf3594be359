#include "server/server_settings.h"

#include <utility>

#include "foundation/archive_file.h"

namespace trqx {

namespace {

// The writers' order.
constexpr ArchiveMember<CUserSettings> kUserMembers[] = {
    Member<&CUserSettings::m_port>("Port"),
    Member<&CUserSettings::m_maxClients>("MaxClients"),
    Member<&CUserSettings::m_login>("Login"),
    Member<&CUserSettings::m_password>("Password"),
    Member<&CUserSettings::m_usePassword>("UsePassword"),
    Member<&CUserSettings::m_acceptUnAuthorizedClients>("AcceptUnAuthorizedClients"),
    Member<&CUserSettings::m_autoRestart>("AutoRestart"),
    Member<&CUserSettings::m_restartInterval>("RestartInterval"),
    Member<&CUserSettings::m_clientList>("ClientList"),
};

constexpr ArchiveMember<FTPPutSettings> kFtpMembers[] = {
    Member<&FTPPutSettings::m_primaryAddress>("PrimaryAddress"),
    Member<&FTPPutSettings::m_backupAddress>("BackupAddress"),
    Member<&FTPPutSettings::m_password>("Password"),
    Member<&FTPPutSettings::m_username>("Username"),
    Member<&FTPPutSettings::m_proxyAddress>("ProxyAddress"),
    Member<&FTPPutSettings::m_bypassList>("BypassList"),
    Member<&FTPPutSettings::m_sessionType>("SessionType"),
    Member<&FTPPutSettings::m_infiniteRetry>("InfiniteRetry"),
    Member<&FTPPutSettings::m_retryLimit>("RetryLimit"),
    Member<&FTPPutSettings::m_retryInterval>("RetryInterval"),
    Member<&FTPPutSettings::m_destDir>("DestDir"),
    Member<&FTPPutSettings::m_sourceDir>("SourceDir"),
    Member<&FTPPutSettings::m_resetQOnStart>("ResetQOnStart"),
    Member<&FTPPutSettings::m_primaryIsActive>("PrimaryIsActive"),
};

}  // namespace

void CUserSettings::Save(TokenList& tokens) const {
  SaveObject(tokens, kClassName, *this, kUserMembers);
}

bool CUserSettings::Load(const TokenList& tokens, std::size_t& pos) {
  return LoadObject(tokens, pos, kClassName, *this, kUserMembers);
}

void FTPPutSettings::Save(TokenList& tokens) const {
  SaveObject(tokens, kClassName, *this, kFtpMembers);
}

bool FTPPutSettings::Load(const TokenList& tokens, std::size_t& pos) {
  return LoadObject(tokens, pos, kClassName, *this, kFtpMembers);
}

bool CServerSettings::LoadFile(const std::string& path, CFileError& error) {
  CServerSettings loaded;
  // A record holds whole objects; those of other classes are stepped over.
  const auto readRecord = [&loaded](const TokenList& tokens) {
    std::size_t pos = 0;
    while (pos < tokens.size()) {
      const std::string& name = tokens[pos];
      const bool read = name == CUserSettings::kClassName    ? loaded.m_user.Load(tokens, pos)
                        : name == FTPPutSettings::kClassName ? loaded.m_ftp.Load(tokens, pos)
                                                             : SkipEntry(tokens, pos);
      if (!read) {
        return false;
      }
    }
    return true;
  };
  if (LoadArchiveFile(path, readRecord, error) != ArchiveLoad::kOk) {
    return false;
  }
  *this = std::move(loaded);
  return true;
}

bool CServerSettings::SaveFile(const std::string& path, CFileError& error) const {
  TokenList tokens;
  m_user.Save(tokens);
  m_ftp.Save(tokens);
  return SaveArchiveFile(path, tokens, error);
}

}  // namespace trqx
