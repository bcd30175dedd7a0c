#include <QClipboard>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <string>

#include "app/qt/gbk_text.h"
#include "app/qt/qt_controls.h"
#include "app/qt/qt_event_pump.h"
#include "resolve/resolve.h"
#include "support/test_server.h"
#include "web/curl_fetcher.h"
#include "window_fixture.h"

namespace tesvarin::testing {
namespace {

// A djkk play page whose rule yields `base` + `file`.
std::string DjkkPage(const std::string& base, const std::string& file) {
  return "<html>djkk<SCRIPT>var s_bstr=\"" + base + "\";var righturl=\"" + file +
         "\";</SCRIPT></html>";
}

// A click waiting in the queue, as one that arrived during a fetch.
void PostClick(QWidget* button) {
  const QPointF at(button->width() / 2.0, button->height() / 2.0);
  const QPointF global = button->mapToGlobal(at);
  QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                      Qt::LeftButton, Qt::LeftButton, {}));
  QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                      Qt::LeftButton, Qt::NoButton, {}));
}

void PostKey(QWidget* target, Qt::Key key) {
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

// 按钮5 copies what Download holds now, typed or not, to the real clipboard.
TEST_F(WindowTest, CopyPutsDownloadOnTheClipboard) {
  Download()->setFocus();
  QTest::keyClicks(QApplication::focusWidget(), "http://typed.test/a.mp3");
  QTest::mouseClick(CopyButton(), Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "http://typed.test/a.mp3");

  Download()->setText(QString::fromUtf8("http://站点.test/舞曲.mp3"));
  QTest::mouseClick(CopyButton(), Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("http://站点.test/舞曲.mp3"));

  Download()->clear();
  QTest::mouseClick(CopyButton(), Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
  EXPECT_TRUE(desktop.run.empty());
}

// Control access converts between the boxes' Unicode and GBK bytes.
TEST(QtResolveControlsTest, ConvertsAtTheBoundary) {
  QWidget window;
  QLineEdit url(&window);
  QLineEdit download(&window);
  QComboBox mode(&window);
  bool closed = false;
  QtResolveControls controls(url, mode, download, window, [&closed] { return closed; });

  struct Case {
    const char* shown;  // UTF-8
    std::string gbk;
  };
  const Case reads[] = {
      {"", ""},
      {"http://a.test/1.mp3", "http://a.test/1.mp3"},
      {"播放", "\xB2\xA5\xB7\xC5"},
      {"a😀b", "a?b"},  // GBK has no emoji
  };
  for (const Case& c : reads) {
    SCOPED_TRACE(c.shown);
    url.setText(QString::fromUtf8(c.shown));
    EXPECT_EQ(controls.ReadUrl(), c.gbk);
  }

  const Case writes[] = {
      {"中文.mp3", "\xD6\xD0\xCE\xC4.mp3"},
      {"x\xEF\xBF\xBDy", "x\xFFy"},  // not GBK: a replacement character
      {"", ""},
  };
  download.setText("old content");
  for (const Case& c : writes) {
    SCOPED_TRACE(c.shown);
    controls.WriteDownload(c.gbk);
    EXPECT_EQ(download.text(), QString::fromUtf8(c.shown));
    EXPECT_EQ(download.cursorPosition(), 0);
  }
  download.setText(QString::fromUtf8("中文"));
  EXPECT_EQ(controls.ReadDownload(), "\xD6\xD0\xCE\xC4");

  EXPECT_EQ(controls.ReadMode(), -1);  // nothing selected
  mode.addItems({"a", "b", "c"});
  mode.setCurrentIndex(2);
  EXPECT_EQ(controls.ReadMode(), 2);
  EXPECT_FALSE(controls.IsClosed());
  closed = true;
  EXPECT_TRUE(controls.IsClosed());
}

// A resolve through the real window and fetcher against a local server.
TEST_F(WindowTest, ResolvesThroughTheWindow) {
  const auto server = TestServer::Replying([](const RecordedRequest& request) {
    if (request.target == "/play")
      return HttpReply("200 OK", DjkkPage("http://files.test/", "x.mp3"));
    return HttpReply("404 Not Found", "<html>missing</html>");
  });
  CurlFetcher curl;
  MainWindow real(desktop, curl);
  real.show();
  auto* url = real.findChild<QLineEdit*>("Url");
  auto* mode = real.findChild<QComboBox*>("mode");
  auto* download = real.findChild<QLineEdit*>("Download");
  auto* resolve = real.findChild<QPushButton*>(QString::fromUtf8("按钮4"));

  url->setText(QString::fromStdString(server->Address("/play")));
  mode->setCurrentIndex(1);
  QTest::mouseClick(resolve, Qt::LeftButton);
  EXPECT_EQ(download->text(), "http://files.test/x.mp3");
  ASSERT_EQ(server->Requests().size(), 1u);
  EXPECT_EQ(server->Requests()[0].target, "/play");

  // A page of another site: an error box, and Download keeps what it had.
  BoxDismisser boxes;
  url->setText(QString::fromStdString(server->Address("/elsewhere")));
  QTest::mouseClick(resolve, Qt::LeftButton);
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes.seen[0].caption, "Error");
  EXPECT_EQ(boxes.seen[0].text, QString::fromUtf8("你输入的不是你选择的地址"));
  EXPECT_EQ(boxes.seen[0].buttons, 1);
  EXPECT_TRUE(boxes.seen[0].modal);
  EXPECT_EQ(download->text(), "http://files.test/x.mp3");
  real.close();
}

// The resolve command's boxes, as the window shows them.
TEST_F(WindowTest, ShowsTheResolveNotices) {
  struct Case {
    const char* url;
    int mode;
    std::string page;
    const char* caption;
    const char* text;
  };
  const Case cases[] = {
      {"", 0, "", "信息：", "没输入东西..."},
      {"http://play.test/1", 1, "<html>djkk only</html>", "Error", "没能从页面中解析出下载地址"},
      {"http://play.test/2", 3, "<html>djkk</html>", "Error", "你输入的不是你选择的地址"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    fetcher.reply = [&c](int, std::string_view) { return c.page; };
    Url()->setText(QString::fromUtf8(c.url));
    Mode()->setCurrentIndex(c.mode);
    BoxDismisser boxes;
    QTest::mouseClick(ResolveButton(), Qt::LeftButton);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes.seen[0].caption, QString::fromUtf8(c.caption));
    EXPECT_EQ(boxes.seen[0].text, QString::fromUtf8(c.text));
    EXPECT_EQ(boxes.seen[0].buttons, 1);
  }
}

// A second 开始解析 waiting during a fetch runs a whole nested resolve inside
// the pause, before the first one goes on.
TEST_F(WindowTest, SecondClickDuringAPauseRunsANestedResolve) {
  std::vector<bool> running_at_fetch;
  fetcher.reply = [&](int number, std::string_view) {
    running_at_fetch.push_back(window->IsCommandRunning());
    if (number == 1) {
      PostClick(ResolveButton());
      return DjkkPage("http://outer.test/", "1.mp3");
    }
    return DjkkPage("http://inner.test/", "2.mp3");
  };
  std::vector<QString> writes;
  QObject::connect(Download(), &QLineEdit::textChanged,
                   [&writes](const QString& text) { writes.push_back(text); });
  Url()->setText("http://play.test/djkk");
  Mode()->setCurrentIndex(1);

  QTest::mouseClick(ResolveButton(), Qt::LeftButton);
  EXPECT_EQ(fetcher.fetched.size(), 2u);
  EXPECT_EQ(running_at_fetch, (std::vector<bool>{true, true}));
  EXPECT_EQ(writes, (std::vector<QString>{"http://inner.test/2.mp3", "http://outer.test/1.mp3"}));
  EXPECT_FALSE(window->IsCommandRunning());
}

// A change of the site selection during the pause is what the next site test reads.
TEST_F(WindowTest, SelectionChangedDuringAPauseIsSeenAfterIt) {
  fetcher.reply = [&](int number, std::string_view) -> DocumentBytes {
    if (number == 1) {
      PostKey(Mode(), Qt::Key_End);  // selects djrrr
      return DjkkPage("http://first.test/", "1.mp3");
    }
    return "<html>djrrr</html>";
  };
  Url()->setText("http://play.test/djkk");
  Mode()->setCurrentIndex(1);
  BoxDismisser boxes;
  QTest::mouseClick(ResolveButton(), Qt::LeftButton);
  EXPECT_EQ(Mode()->currentIndex(), 3);
  EXPECT_EQ(fetcher.fetched.size(), 2u);  // the djrrr test fetched again
  EXPECT_EQ(Download()->text(), "http://first.test/1.mp3");
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text, QString::fromUtf8("没能从页面中解析出下载地址"));
}

// Esc during a pause: the window goes at once, the command stops at its next
// step, and Finished follows only when the command has returned.
TEST_F(WindowTest, CloseDuringAPauseStopsTheCommand) {
  std::vector<bool> running_at_finish;
  QObject::connect(window.get(), &MainWindow::Finished,
                   [&] { running_at_finish.push_back(window->IsCommandRunning()); });
  bool hidden_in_pause = false;
  fetcher.reply = [&](int number, std::string_view) -> DocumentBytes {
    if (number == 1) {
      PostKey(Url(), Qt::Key_Escape);
      QTimer::singleShot(
          0, [&] { hidden_in_pause = !window->isVisible() && window->IsCommandRunning(); });
      // A 92cc page: its rule would fetch the player script next.
      return "92cc var danceFilePath = \"a/b.mp3var fmpObj\";";
    }
    return "src=\"http://x/e/y\" type=";
  };
  Url()->setText("http://play.test/92cc");
  Mode()->setCurrentIndex(2);
  BoxDismisser boxes;
  QTest::mouseClick(ResolveButton(), Qt::LeftButton);
  EXPECT_TRUE(hidden_in_pause);
  EXPECT_EQ(fetcher.fetched.size(), 1u);
  EXPECT_EQ(Download()->text(), "");
  EXPECT_TRUE(boxes.seen.empty());
  EXPECT_EQ(running_at_finish, std::vector<bool>{false});
}

// The pump processes what waits, and the pause lasts its time while doing so.
TEST(QtEventPumpTest, PauseProcessesWaitingAndArrivingEvents) {
  QtEventPump pump;
  SteadyTicks ticks;
  int posted_seen = 0;
  QObject receiver;
  QMetaObject::invokeMethod(
      &receiver, [&] { ++posted_seen; }, Qt::QueuedConnection);
  DispatchPendingEvents(pump);
  EXPECT_EQ(posted_seen, 1);

  bool fired = false;
  QMetaObject::invokeMethod(
      &receiver, [&] { ++posted_seen; }, Qt::QueuedConnection);
  QTimer::singleShot(20, [&] { fired = true; });
  const std::int64_t start = ticks.NowMs();
  PauseWithEvents(100, pump, ticks);
  EXPECT_GE(ticks.NowMs() - start, 100);
  EXPECT_EQ(posted_seen, 2);
  EXPECT_TRUE(fired);

  // Nothing is processed for a non-positive pause.
  QMetaObject::invokeMethod(
      &receiver, [&] { ++posted_seen; }, Qt::QueuedConnection);
  PauseWithEvents(0, pump, ticks);
  PauseWithEvents(-5, pump, ticks);
  EXPECT_EQ(posted_seen, 2);
  QCoreApplication::processEvents();
  EXPECT_EQ(posted_seen, 3);
}

}  // namespace
}  // namespace tesvarin::testing
