#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app/qt/main_window.h"
#include "app_fakes.h"

namespace tesvarin::testing {

// A shown, active main window over a recording desktop and a scripted fetcher.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<MainWindow>(desktop, fetcher);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  template <typename T = QWidget>
  T* Control(const char* name) {
    auto* control = window->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }

  QLineEdit* Url() { return Control<QLineEdit>("Url"); }
  QLineEdit* Download() { return Control<QLineEdit>("Download"); }
  QComboBox* Mode() { return Control<QComboBox>("mode"); }
  QPushButton* ResolveButton() { return Control<QPushButton>("按钮4"); }
  QPushButton* CopyButton() { return Control<QPushButton>("按钮5"); }

  // Presses and releases `key` as the window system would deliver it.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window->windowHandle(), key, modifiers);
  }

  RecordingDesktop desktop;
  ScriptedFetcher fetcher;
  std::unique_ptr<MainWindow> window;
};

}  // namespace tesvarin::testing
