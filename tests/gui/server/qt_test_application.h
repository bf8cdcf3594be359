#pragma once

// The QApplication the window tests need, made before their first test runs and drawing
// offscreen unless a Qt platform is chosen. Header-only: the inline variable registers it once
// per test binary.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <memory>

namespace trqx::test {

class QtTestApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    m_application = std::make_unique<QApplication>(m_argc, m_argv);
  }
  void TearDown() override { m_application.reset(); }

 private:
  int m_argc = 1;
  char m_name[16] = "trqx_gui_tests";
  char* m_argv[2] = {m_name, nullptr};
  std::unique_ptr<QApplication> m_application;
};

inline ::testing::Environment* const kQtTestApplication =
    ::testing::AddGlobalTestEnvironment(new QtTestApplication);

// Once the next modal message box is open, hands it to answer (which reads it and presses a
// button), so a test can go through code that asks and waits.
inline void AnswerNextMessageBox(std::function<void(QMessageBox&)> answer) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, answer = std::move(answer)] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      answer(*box);
    }
  });
  poll->start();
}

}  // namespace trqx::test
