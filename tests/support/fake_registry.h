#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>

#include "foundation/registry.h"

namespace trqx::test {

// The registry in memory, for tests of the code that reads it. A hive exists once a value
// was written into it or it was created; key and value names compare without regard to
// ASCII case, and a key exists when it or a key below it holds a value.
class FakeRegistry final : public Registry {
 public:
  long KeyExists(RegistryHive hive, const std::string& key) const override;
  long ReadString(RegistryHive hive, const std::string& key, const std::string& name,
                  std::size_t maxLength, std::string& value) const override;
  long WriteString(RegistryHive hive, const std::string& key, const std::string& name,
                   const std::string& value) override;

  // The hive exists, with no key yet.
  void CreateHive(RegistryHive hive) { HiveOf(hive).m_exists = true; }
  // Every later call on the hive returns code, as an unreadable hive file does; kSuccess
  // makes it work again.
  void FailWith(RegistryHive hive, long code) { HiveOf(hive).m_failure = code; }

 private:
  struct Hive {
    bool m_exists = false;
    long m_failure = kSuccess;
    std::map<std::string, std::map<std::string, std::string>> m_keys;  // lower-case names
  };

  // kSuccess for a hive that exists and works, else the code its calls return.
  static long Availability(const Hive& h);
  Hive& HiveOf(RegistryHive hive) { return m_hives[hive == RegistryHive::kLocalMachine ? 0 : 1]; }
  const Hive& HiveOf(RegistryHive hive) const {
    return m_hives[hive == RegistryHive::kLocalMachine ? 0 : 1];
  }

  std::array<Hive, 2> m_hives;
};

}  // namespace trqx::test
