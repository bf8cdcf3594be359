#pragma once

#include <cstddef>
#include <string>

#include "foundation/registry.h"

namespace trqx {

// Where the vendor's terminal software keeps the desk user's identity, and its values.
inline constexpr const char* kUserInfoKey = "Software\\Norvane L.P.\\User Info";
inline constexpr const char* kUserInfoSerialNumber = "Serial Number";
inline constexpr const char* kUserInfoUuid = "USERUUID";
// The key as the log names it; the missing dot is the original's.
inline constexpr const char* kUserInfoKeyText = "HKEY_???\\Software\\Norvane L.P\\User Info";

// The outcome of reading a user-info value: the last registry code, and whether the
// current user's key could not be opened (as opposed to its value not being read).
struct CUserInfoRead {
  long m_code = Registry::kSuccess;
  bool m_keyMissing = false;
};

// Reads value name of the user-info key (at most maxLength characters), the machine's
// first, then the user's. On failure value is empty.
CUserInfoRead ReadUserInfoValue(const Registry& registry, const char* name, std::size_t maxLength,
                                std::string& value);

}  // namespace trqx
