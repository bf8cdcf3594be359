#include "settings/internal_settings.h"

#include <unistd.h>

#include <array>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "foundation/paths.h"

namespace trqx {

namespace {

using Settings = COpenNVInternalSettings;

// The password is its own kind: scrambled, and written only when not empty.
struct Password {};

using MemberRef = std::variant<std::string Settings::*, int Settings::*, bool Settings::*,
                               std::uint32_t Settings::*, Password>;

struct Item {
  std::string_view key;
  MemberRef member;
  bool clientOnly = false;  // the download converter's reader skips the key
};

constexpr bool kClientOnly = true;

constexpr std::string_view kPasswordKey = "EncryptionPassword";

// The writer's order; the reader looks keys up here too.
const std::array<Item, 35> kItems = {{
    {"CopyDir", &Settings::m_copyDir},
    {"ProfileName", &Settings::m_profileName},
    {"Username", &Settings::m_username},
    {kPasswordKey, Password{}, kClientOnly},
    {"InvokePath", &Settings::m_invokePath},
    {"InvokeTimeout", &Settings::m_invokeTimeout},
    {"UseLogin", &Settings::m_useLogin},
    {"UUID", &Settings::m_uuid},
    {"ConvertDotsToSlashes", &Settings::m_convertDotsToSlashes, kClientOnly},
    {"PortfolioLogin", &Settings::m_portfolioLogin},
    {"PortfolioSystem", &Settings::m_portfolioSystem},
    {"PortfolioWS", &Settings::m_portfolioWS},
    {"PortfolioSN", &Settings::m_portfolioSN},
    {"FileDlgDir", &Settings::m_fileDlgDir},
    {"InvokeName", &Settings::m_invokeName},
    {"ServerAddress", &Settings::m_serverAddress},
    {"ClientLogin", &Settings::m_clientLogin},
    {"ClientPassword", &Settings::m_clientPassword},
    {"ClientAutoRestart", &Settings::m_clientAutoRestart},
    {"ClientAutoRestartInterval", &Settings::m_clientAutoRestartInterval, kClientOnly},
    {"ServerPort", &Settings::m_serverPort},
    {"UploadMethod", &Settings::m_uploadMethod},
    {"DownLoad Dest Dir", &Settings::m_downLoadDestDir},
    {"Auto Increment Flag", &Settings::m_autoIncrement, kClientOnly},
    {"Current Basket ID", &Settings::m_currentBasketId, kClientOnly},
    {"Beta Account Flag", &Settings::m_betaAccount, kClientOnly},
    {"Use Poll Flag", &Settings::m_usePoll, kClientOnly},
    {"Poll Directory", &Settings::m_pollDirectory, kClientOnly},
    {"Temp Directory", &Settings::m_tempDirectory, kClientOnly},
    {"Detect Method", &Settings::m_detectMethod, kClientOnly},
    {"Timer Interval", &Settings::m_timerInterval, kClientOnly},
    {"Excel File Format", &Settings::m_excelFileFormat, kClientOnly},
    {"Append UUID/Login", &Settings::m_appendUuidLogin, kClientOnly},
    {"Use UUID Flag", &Settings::m_useUuid, kClientOnly},
    {"Use Server S/N", &Settings::m_useServerSN, kClientOnly},
}};

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  if (getcwd(buffer.data(), buffer.size()) == nullptr) {
    return ".";
  }
  return buffer.data();
}

}  // namespace

COpenNVInternalSettings::COpenNVInternalSettings() : COpenNVInternalSettings(CurrentDirectory()) {}

COpenNVInternalSettings::COpenNVInternalSettings(std::string workingDirectory)
    : m_workingDirectory(std::move(workingDirectory)),
      m_copyDir(JoinPath(m_workingDirectory, "Upload")),
      m_invokePath(ExpandWindowsDefault("C:\\nvx\\termqz")),
      m_downLoadDestDir(ExpandWindowsDefault("C:\\nvx\\vexofiles")) {
  DeriveWorkFolders();
}

void COpenNVInternalSettings::DeriveWorkFolders() {
  m_cacheDirectory = JoinPath(m_copyDir, "Cache");
  m_tempDirectory = JoinPath(m_copyDir, "Temp");
}

void COpenNVInternalSettings::Save(TokenList& tokens) const {
  const int count = static_cast<int>(kItems.size()) - (m_password.empty() ? 1 : 0);
  WriteObjectHeader(tokens, kClassName, count);
  for (const Item& item : kItems) {
    std::visit(
        [&](auto member) {
          using M = decltype(member);
          if constexpr (std::is_same_v<M, Password>) {
            if (!m_password.empty()) {
              WriteString(tokens, item.key, ScrambleText(m_password));
            }
          } else if constexpr (std::is_same_v<M, std::string Settings::*>) {
            WriteString(tokens, item.key, this->*member);
          } else if constexpr (std::is_same_v<M, int Settings::*>) {
            WriteInt(tokens, item.key, this->*member);
          } else if constexpr (std::is_same_v<M, bool Settings::*>) {
            WriteBool(tokens, item.key, this->*member);
          } else {
            WriteUInt(tokens, item.key, this->*member);
          }
        },
        item.member);
  }
}

bool COpenNVInternalSettings::Load(const TokenList& tokens, std::size_t& pos,
                                   SettingsReader reader) {
  return LoadObject(tokens, pos, kClassName,
                    [this, &tokens, reader](std::string_view key, std::size_t& at) {
                      for (const Item& item : kItems) {
                        if (item.key != key) {
                          continue;
                        }
                        if (item.clientOnly && reader == SettingsReader::kConverter) {
                          return MemberRead::kUnknownKey;
                        }
                        bool ok = std::visit(
                            [&](auto member) {
                              using M = decltype(member);
                              if constexpr (std::is_same_v<M, Password>) {
                                std::string stored;
                                if (!ReadString(tokens, at, stored)) {
                                  return false;
                                }
                                m_password = UnscrambleText(stored);
                                return true;
                              } else if constexpr (std::is_same_v<M, std::string Settings::*>) {
                                return ReadString(tokens, at, this->*member);
                              } else if constexpr (std::is_same_v<M, int Settings::*>) {
                                return ReadInt(tokens, at, this->*member);
                              } else if constexpr (std::is_same_v<M, bool Settings::*>) {
                                return ReadBool(tokens, at, this->*member);
                              } else {
                                return ReadUInt(tokens, at, this->*member);
                              }
                            },
                            item.member);
                        return ok ? MemberRead::kLoaded : MemberRead::kFailed;
                      }
                      return MemberRead::kUnknownKey;
                    });
}

}  // namespace trqx
