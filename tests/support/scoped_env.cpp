#include "support/scoped_env.h"

#include <cstdlib>

namespace trqx::test {

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name) {
  if (const char* old = std::getenv(name)) {
    m_old = old;
  }
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name);
}

}  // namespace trqx::test
