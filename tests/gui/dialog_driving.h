#pragma once

// Helpers that work a window's controls the way a user does, shared by the window tests.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace trqx::test {

// Once the innermost modal window is a T (a dialog, a QMessageBox), hands it to act, which
// works it and closes it; so a test can go through code that opens a window and waits.
template <class T>
void WhenModal(std::function<void(T&)> act) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, act = std::move(act)] {
    if (auto* window = dynamic_cast<T*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      act(*window);
    }
  });
  poll->start();
}

// The child of parent named name; a failure when there is none.
template <class T>
T* Child(const QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

inline void Click(const QWidget& parent, const char* name) {
  if (auto* button = Child<QPushButton>(parent, name)) {
    button->click();
  }
}

// Replaces an edit's text: select all, delete, type.
inline void Type(QLineEdit* edit, const QString& text) {
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

inline void Type(const QWidget& parent, const char* name, const QString& text) {
  Type(Child<QLineEdit>(parent, name), text);
}

inline void Press(const QWidget& dialog, QDialogButtonBox::StandardButton which) {
  dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

inline void SelectRow(const QWidget& parent, const char* list, int row) {
  if (auto* tree = Child<QTreeWidget>(parent, list)) {
    tree->setCurrentItem(tree->topLevelItem(row));
  }
}

// The menu of the window's menu bar titled title; null when there is none.
inline QMenu* Menu(const QWidget& window, const QString& title) {
  for (QAction* bar : window.findChild<QMenuBar*>()->actions()) {
    if (bar->text() == title) {
      return bar->menu();
    }
  }
  return nullptr;
}

// The item text of the menu titled menu; a failure when there is none.
inline QAction* MenuItem(const QWidget& window, const QString& menu, const QString& text) {
  if (QMenu* items = Menu(window, menu)) {
    for (QAction* item : items->actions()) {
      if (item->text() == text) {
        return item;
      }
    }
  }
  ADD_FAILURE() << "no item " << text.toStdString() << " in " << menu.toStdString();
  return nullptr;
}

}  // namespace trqx::test
