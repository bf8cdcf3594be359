#include "foundation/user_info.h"

namespace trqx {

CUserInfoRead ReadUserInfoValue(const Registry& registry, const char* name, std::size_t maxLength,
                                std::string& value) {
  CUserInfoRead read;
  read.m_code =
      registry.ReadString(RegistryHive::kLocalMachine, kUserInfoKey, name, maxLength, value);
  if (read.m_code == Registry::kSuccess) {
    return read;
  }
  read.m_code = registry.KeyExists(RegistryHive::kCurrentUser, kUserInfoKey);
  if (read.m_code != Registry::kSuccess) {
    read.m_keyMissing = true;
    value.clear();
    return read;
  }
  read.m_code =
      registry.ReadString(RegistryHive::kCurrentUser, kUserInfoKey, name, maxLength, value);
  return read;
}

}  // namespace trqx
