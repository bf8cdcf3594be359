#include "download/converter_settings.h"

#include <string_view>

#include "foundation/archive_file.h"
#include "foundation/paths.h"

namespace trqx {

CConverterSettings::CConverterSettings(const std::string& workingDirectory)
    : m_copyDir(JoinPath(workingDirectory, "Upload")),
      m_invokePath(ExpandWindowsDefault("C:\\nvx\\termqz")),
      m_downLoadDestDir(ExpandWindowsDefault("C:\\nvx\\vexofiles")) {}

bool CConverterSettings::Load(const TokenList& tokens, std::size_t& pos) {
  return LoadObject(tokens, pos, kClassName, [&](std::string_view key, std::size_t& at) {
    struct StringKey {
      std::string_view m_key;
      std::string* m_value;
    };
    const StringKey strings[] = {
        {"CopyDir", &m_copyDir},
        {"ProfileName", &m_profileName},
        {"Username", &m_userName},
        {"InvokePath", &m_invokePath},
        {"PortfolioLogin", &m_portfolioLogin},
        {"PortfolioSystem", &m_portfolioSystem},
        {"PortfolioSN", &m_portfolioSN},
        {"PortfolioWS", &m_portfolioWS},
        {"FileDlgDir", &m_fileDlgDir},
        {"InvokeName", &m_invokeName},
        {"ServerAddress", &m_serverAddress},
        {"ClientLogin", &m_clientLogin},
        {"ClientPassword", &m_clientPassword},
        {"DownLoad Dest Dir", &m_downLoadDestDir},
    };
    for (const StringKey& entry : strings) {
      if (key == entry.m_key) {
        return Loaded(ReadString(tokens, at, *entry.m_value));
      }
    }
    if (key == "InvokeTimeout") {
      return Loaded(ReadUInt(tokens, at, m_invokeTimeout));
    }
    if (key == "UseLogin") {
      return Loaded(ReadBool(tokens, at, m_useLogin));
    }
    if (key == "UUID") {
      return Loaded(ReadUInt(tokens, at, m_uuid));
    }
    if (key == "ClientAutoRestart") {
      return Loaded(ReadBool(tokens, at, m_clientAutoRestart));
    }
    if (key == "UploadMethod") {
      return Loaded(ReadInt(tokens, at, m_uploadMethod));
    }
    if (key == "ServerPort") {
      return Loaded(ReadInt(tokens, at, m_serverPort));
    }
    return MemberRead::kUnknownKey;
  });
}

bool CConverterSettings::LoadFile(const std::string& path, CFileError& error) {
  bool seen = false;
  const ArchiveLoad result = LoadArchiveFile(
      path,
      [&](const TokenList& tokens) {
        // The file holds one settings object; a later record is not read.
        if (seen || tokens.front() != kClassName) {
          seen = true;
          return true;
        }
        seen = true;
        std::size_t pos = 0;
        return Load(tokens, pos);
      },
      error);
  return result == ArchiveLoad::kOk;
}

std::string CConverterSettings::CacheDirectory() const {
  return JoinPath(m_copyDir, "Cache");
}

}  // namespace trqx
