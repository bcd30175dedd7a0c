#include <QAbstractItemView>
#include <QClipboard>
#include <QKeyEvent>
#include <QSignalSpy>

#include "window_fixture.h"

namespace tesvarin::testing {
namespace {

// Counts the key presses that reach a control.
class KeyPressCounter final : public QObject {
 public:
  int presses = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) ++presses;
    return false;
  }
};

const char* const kFocusOrder[] = {"Url", "mode", "按钮4", "Download", "按钮5"};

// Tab and Shift+Tab walk the five controls that take the focus, wrapping.
TEST_F(WindowTest, TabWalksTheFocusListBothWays) {
  EXPECT_EQ(QApplication::focusWidget(), Url());  // where the focus starts
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int offset;
  };
  const Step steps[] = {
      {Qt::Key_Tab, Qt::NoModifier, 1},
      {Qt::Key_Tab, Qt::ShiftModifier, -1},
      {Qt::Key_Backtab, Qt::ShiftModifier, -1},
  };
  for (const Step& step : steps) {
    for (int from = 0; from < 5; ++from) {
      const int to = (from + step.offset + 5) % 5;
      SCOPED_TRACE(std::string(kFocusOrder[from]) + " -> " + kFocusOrder[to]);
      Control(kFocusOrder[from])->setFocus();
      Key(step.key, step.modifiers);
      EXPECT_EQ(QApplication::focusWidget(), Control(kFocusOrder[to]));
    }
  }
  EXPECT_TRUE(fetcher.fetched.empty());
}

// Esc without modifiers closes from every control; with one it doesn't.
TEST_F(WindowTest, EscClosesFromAnyControl) {
  for (const char* name : kFocusOrder) {
    SCOPED_TRACE(name);
    window = std::make_unique<MainWindow>(desktop, fetcher);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QSignalSpy finished(window.get(), &MainWindow::Finished);
    Control(name)->setFocus();
    for (const Qt::KeyboardModifiers held :
         {Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::KeyboardModifiers(Qt::ControlModifier),
          Qt::KeyboardModifiers(Qt::AltModifier)}) {
      Key(Qt::Key_Escape, held);
      EXPECT_TRUE(window->isVisible());
    }
    Key(Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->IsClosed());
    EXPECT_EQ(finished.count(), 1);
  }
}

TEST_F(WindowTest, EscClosesWhileTheSiteListIsOpen) {
  Mode()->setFocus();
  Mode()->showPopup();
  QWidget* list = Mode()->view()->window();
  ASSERT_TRUE(list->isVisible());
  Key(Qt::Key_Escape);
  EXPECT_TRUE(window->IsClosed());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(list->isVisible());
}

// Enter, F1 and Tab never reach the control; other keys do.
TEST_F(WindowTest, EnterAndF1DoNothing) {
  Url()->setText("http://127.0.0.1:1/play");
  Mode()->setCurrentIndex(1);
  for (const char* name : {"Url", "按钮4", "Download"}) {
    SCOPED_TRACE(name);
    QWidget* control = Control(name);
    control->setFocus();
    KeyPressCounter counter;
    control->installEventFilter(&counter);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_F1}) Key(key);
    EXPECT_EQ(counter.presses, 0);
    EXPECT_EQ(QApplication::focusWidget(), control);
    Key(Qt::Key_A);
    EXPECT_EQ(counter.presses, 1);
    control->removeEventFilter(&counter);
  }
  EXPECT_TRUE(fetcher.fetched.empty());  // no resolve started
  EXPECT_TRUE(window->isVisible());
}

// Ordinary keys keep their meaning: typing, arrows in the list, space on a button.
TEST_F(WindowTest, OtherKeysReachTheFocusedControl) {
  QTest::keyClicks(QApplication::focusWidget(), "http://a/b");
  EXPECT_EQ(Url()->text(), "http://a/b");
  Mode()->setFocus();
  Key(Qt::Key_Down);
  EXPECT_EQ(Mode()->currentIndex(), 1);
  Download()->setText("copied by space");
  CopyButton()->setFocus();
  Key(Qt::Key_Space);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "copied by space");
}

// Keys for other windows, such as an error box, are left alone.
TEST_F(WindowTest, KeysForOtherWindowsPassUntouched) {
  QWidget other;
  auto* box = new QLineEdit(&other);
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  box->setFocus();
  QTest::keyClick(other.windowHandle(), Qt::Key_Escape);
  QTest::keyClick(other.windowHandle(), Qt::Key_Tab);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->IsClosed());
}

// The focus comes back to the last focused control when the window is reactivated.
TEST_F(WindowTest, ReactivationRestoresTheFocus) {
  Control("按钮4")->setFocus();
  Key(Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), Download());
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  EXPECT_EQ(QApplication::focusWidget(), Download());
}

}  // namespace
}  // namespace tesvarin::testing
