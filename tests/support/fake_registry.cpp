#include "support/fake_registry.h"

namespace trqx::test {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

}  // namespace

long FakeRegistry::KeyExists(RegistryHive hive, const std::string& key) const {
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

long FakeRegistry::ReadString(RegistryHive hive, const std::string& key, const std::string& name,
                              std::size_t maxLength, std::string& value) const {
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

long FakeRegistry::WriteString(RegistryHive hive, const std::string& key, const std::string& name,
                               const std::string& value) {
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

long FakeRegistry::Availability(const Hive& h) {
  if (h.m_failure != kSuccess) {
    return h.m_failure;
  }
  return h.m_exists ? kSuccess : kNotFound;
}

}  // namespace trqx::test
