#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

namespace trqx::test {

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
