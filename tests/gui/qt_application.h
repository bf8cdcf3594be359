#pragma once

// The QApplication of a GUI test binary, made once for all its tests before the first one
// runs. Including this header registers it (once, however many files include it).

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <memory>

namespace trqx::test {

// gtest_discover_tests runs the binary without ctest's environment, so the platform is set
// here: offscreen unless the caller chose one (a real display, for a look at the windows).
class QtApplicationEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    m_app = std::make_unique<QApplication>(m_argc, m_argv);
  }
  void TearDown() override { m_app.reset(); }

 private:
  int m_argc = 1;
  char m_name[16] = "gui_tests";
  char* m_argv[2] = {m_name, nullptr};
  std::unique_ptr<QApplication> m_app;
};

// Registered before main runs; gtest owns and deletes it.
inline ::testing::Environment* const kQtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace trqx::test
