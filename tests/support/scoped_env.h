#pragma once

#include <optional>
#include <string>

namespace trqx::test {

// Sets an environment variable for the scope, restoring the old value (or its absence) after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

}  // namespace trqx::test
