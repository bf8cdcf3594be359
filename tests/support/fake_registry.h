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
  long KeyExists(RegistryHive hive, const std::string& key) const override {
    const Hive& h = HiveOf(hive);
    if (const long code = Availability(h); code != kSuccess || key.empty()) {
      return code;
    }
    const std::string lower = Lower(key);
    for (const auto& entry : h.m_keys) {
      const std::string& existing = entry.first;
      if (existing == lower || (existing.size() > lower.size() && existing[lower.size()] == '\\' &&
                                existing.compare(0, lower.size(), lower) == 0)) {
        return kSuccess;
      }
    }
    return kNotFound;
  }

  long ReadString(RegistryHive hive, const std::string& key, const std::string& name,
                  std::size_t maxLength, std::string& value) const override {
    value.clear();
    const Hive& h = HiveOf(hive);
    if (const long code = Availability(h); code != kSuccess) {
      return code;
    }
    const auto values = h.m_keys.find(Lower(key));
    if (values == h.m_keys.end()) {
      return kNotFound;
    }
    const auto found = values->second.find(Lower(name));
    if (found == values->second.end()) {
      return kNotFound;
    }
    if (found->second.size() > maxLength) {
      return kMoreData;
    }
    value = found->second;
    return kSuccess;
  }

  long WriteString(RegistryHive hive, const std::string& key, const std::string& name,
                   const std::string& value) override {
    Hive& h = HiveOf(hive);
    if (h.m_failure != kSuccess) {
      return h.m_failure;
    }
    if (key.empty()) {
      return kInvalidParameter;
    }
    h.m_exists = true;
    h.m_keys[Lower(key)][Lower(name)] = value;
    return kSuccess;
  }

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

  static std::string Lower(std::string text) {
    for (char& c : text) {
      if (c >= 'A' && c <= 'Z') {
        c = static_cast<char>(c - 'A' + 'a');
      }
    }
    return text;
  }
  static long Availability(const Hive& h) {
    if (h.m_failure != kSuccess) {
      return h.m_failure;
    }
    return h.m_exists ? kSuccess : kNotFound;
  }
  Hive& HiveOf(RegistryHive hive) { return m_hives[hive == RegistryHive::kLocalMachine ? 0 : 1]; }
  const Hive& HiveOf(RegistryHive hive) const {
    return m_hives[hive == RegistryHive::kLocalMachine ? 0 : 1];
  }

  std::array<Hive, 2> m_hives;
};

}  // namespace trqx::test
