// Drives the real program on a fresh X server of its own: geometry, typing,
// the site list, both buttons, the clipboard and the exit status.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "support/test_server.h"

namespace tesvarin::testing {
namespace {

using Clock = std::chrono::steady_clock;
using Args = std::vector<std::string>;

std::string Locate(const std::string& program) {
  const char* path = std::getenv("PATH");
  return FindProgram(program, "/nonexistent", path ? path : "/usr/bin:/bin");
}

// Starts `args` with `env`; the child's standard output goes to `out` and
// descriptor `pass` becomes its descriptor 3, when given.
pid_t Start(const Args& args, const Args& env, int out = -1, int pass = -1) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  if (out >= 0) ::posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  if (pass >= 0) ::posix_spawn_file_actions_adddup2(&actions, pass, 3);
  ::posix_spawn_file_actions_addclosefrom_np(&actions, 4);
  pid_t pid = -1;
  const int error =
      ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  ::posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

// Returns the exit status of `pid`, or std::nullopt if it is still running after `limit`.
std::optional<int> WaitExit(pid_t pid, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
    if (reaped == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (reaped == -1) return -1;  // not our child (any more)
    if (Clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Runs `args` to its end and returns its standard output.
std::string Output(const Args& args, const Args& env) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {};
  const pid_t pid = Start(args, env, fds[1]);
  ::close(fds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  ::close(fds[0]);
  if (pid > 0) WaitExit(pid, std::chrono::seconds(30));
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// Polls `done` until it holds or `limit` passes; returns whether it held.
template <typename Done>
bool WaitFor(Done done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

class XvfbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xvfb_ = Locate("Xvfb");
    xdotool_ = Locate("xdotool");
    xclip_ = Locate("xclip");
    if (xvfb_.empty() || xdotool_.empty() || xclip_.empty())
      GTEST_SKIP() << "needs Xvfb, xdotool and xclip";
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    // -displayfd: the server picks a free display and writes its number.
    server_pid_ =
        Start({xvfb_, "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, -1,
              fds[1]);
    ::close(fds[1]);
    ASSERT_GT(server_pid_, 0);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
    ::close(fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    display_ = ":" + number;
    env_ = {"DISPLAY=" + display_, "LANG=C.UTF-8", "QT_QPA_PLATFORM=xcb",
            "PATH=" + std::string(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin"),
            "HOME=" + std::string(std::getenv("HOME") ? std::getenv("HOME") : "/tmp")};
  }

  void TearDown() override {
    if (program_pid_ > 0 && !WaitExit(program_pid_, std::chrono::milliseconds(0))) {
      ::kill(program_pid_, SIGKILL);
      WaitExit(program_pid_, std::chrono::seconds(10));
    }
    if (server_pid_ > 0) {
      ::kill(server_pid_, SIGTERM);
      if (!WaitExit(server_pid_, std::chrono::seconds(10))) {
        ::kill(server_pid_, SIGKILL);
        WaitExit(server_pid_, std::chrono::seconds(10));
      }
    }
  }

  std::string Xdotool(Args args) {
    args.insert(args.begin(), xdotool_);
    return Output(args, env_);
  }

  // Clicks at a point of the window's client area.
  void Click(int x, int y) {
    Xdotool({"mousemove", "--window", window_, std::to_string(x), std::to_string(y)});
    Xdotool({"click", "1"});
  }

  std::string xvfb_, xdotool_, xclip_, display_, window_;
  Args env_;
  pid_t server_pid_ = -1;
  pid_t program_pid_ = -1;
};

std::map<std::string, int> ParseShell(const std::string& text) {
  std::map<std::string, int> values;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos)
      values[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return values;
}

TEST_F(XvfbTest, ResolvesAndCopiesThroughTheRealWindow) {
  const auto site = TestServer::Replying([](const RecordedRequest&) {
    return HttpReply("200 OK",
                     "<html>djkk<SCRIPT>var s_bstr=\"http://files.test/dj/\";"
                     "var righturl=\"track.mp3\";</SCRIPT></html>");
  });
  program_pid_ = Start({TESVARIN_PROGRAM}, env_);
  ASSERT_GT(program_pid_, 0);
  ASSERT_TRUE(WaitFor([&] {
    window_ = Xdotool({"search", "--onlyvisible", "--name", "^Tesvarin 0\\.002 For Brenkasto$"});
    window_ = window_.substr(0, window_.find('\n'));
    return !window_.empty();
  })) << "no window appeared";

  // No window manager: the client area is the whole 480 x 192, centred.
  const auto geometry = ParseShell(Xdotool({"getwindowgeometry", "--shell", window_}));
  EXPECT_EQ(geometry.at("X"), 272);
  EXPECT_EQ(geometry.at("Y"), 288);
  EXPECT_EQ(geometry.at("WIDTH"), 480);
  EXPECT_EQ(geometry.at("HEIGHT"), 192);

  // The focus starts in Url; Tab moves to the list, Down picks djkk.
  const std::string address = site->Address("/play/1.html");
  Xdotool({"type", "--delay", "20", address});
  Xdotool({"key", "Tab", "Down"});
  Click(7 + 361 + 40, 4 + 16 + 12);  // 开始解析
  ASSERT_TRUE(WaitFor([&] { return site->Requests().size() == 1; }));
  EXPECT_EQ(site->Requests()[0].target, "/play/1.html");

  const std::string expected = "http://files.test/dj/track.mp3";
  bool copied = false;
  WaitFor([&] {
    Click(7 + 328 + 56, 4 + 96 + 12);  // 复制到剪切板
    copied = Output({xclip_, "-selection", "clipboard", "-o"}, env_) == expected;
    return copied;
  });
  EXPECT_TRUE(copied);

  if (const char* shot = std::getenv("TESVARIN_SCREENSHOT")) {
    std::string platform = "xcb", display = display_, name = "shot";
    int argc = 5;
    char* argv[] = {name.data(),     const_cast<char*>("-platform"),
                    platform.data(), const_cast<char*>("-display"),
                    display.data(),  nullptr};
    QGuiApplication app(argc, argv);
    EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(std::stoull(window_)).save(shot));
  }

  Xdotool({"key", "Escape"});
  const std::optional<int> status = WaitExit(program_pid_, std::chrono::seconds(20));
  if (status) program_pid_ = -1;
  EXPECT_EQ(status, std::optional<int>(0));
}

}  // namespace
}  // namespace tesvarin::testing
