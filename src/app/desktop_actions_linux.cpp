// Desktop actions on a freedesktop Linux desktop, through Qt for the clipboard
// and the desktop's open action.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <sys/syscall.h>
#include <sys/wait.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QString>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "app/command_line.h"
#include "app/desktop_actions.h"
#include "text/codepage.h"

extern char** environ;

namespace tesvarin {
namespace {

constexpr int kReadyWaitMs = 1000;

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WorkingDirectory() {
  std::string dir(4096, '\0');
  if (::getcwd(dir.data(), dir.size()) == nullptr) return ".";
  dir.resize(dir.find('\0'));
  return dir;
}

void WaitForExit(pid_t pid) {
  while (::waitpid(pid, nullptr, 0) == -1 && errno == EINTR) {
  }
}

// Collects the exit status of a child we stopped waiting for, so it leaves no
// zombie: in the event loop when there is one, else on a thread of its own.
void ReapLater(pid_t pid, int pidfd) {
  if (pidfd >= 0 && QCoreApplication::instance() != nullptr) {
    auto* notifier =
        new QSocketNotifier(pidfd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, pid, pidfd] {
      notifier->setEnabled(false);
      ::waitpid(pid, nullptr, WNOHANG);
      ::close(pidfd);
      notifier->deleteLater();
    });
    return;
  }
  if (pidfd >= 0) ::close(pidfd);
  std::thread([pid] { WaitForExit(pid); }).detach();
}

// Linux has no "ready for input": the wait ends when the child exits (as
// launchers such as xdg-open do once they have handed the job on) or after
// kReadyWaitMs, whichever comes first.
void WaitUntilReady(pid_t pid) {
  // Through syscall(): glibc 2.36's <sys/pidfd.h> lacks C linkage for C++.
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (pidfd < 0) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadyWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ReapLater(pid, -1);
    return;
  }
  pollfd ready{pidfd, POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadyWaitMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const int polled = ::poll(&ready, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
    if (polled > 0) {
      WaitForExit(pid);
      ::close(pidfd);
      return;
    }
    if (polled == 0 || errno != EINTR) break;
  }
  ReapLater(pid, pidfd);
}

bool Spawn(const std::string& path, const std::vector<std::string>& words, bool wait_for_exit) {
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawnattr_init(&attributes);
  // Only the standard handles go to the child.
  ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  // The child starts with ordinary signal handling whatever ours is.
  sigset_t none;
  sigset_t all;
  ::sigemptyset(&none);
  ::sigfillset(&all);
  ::posix_spawnattr_setsigmask(&attributes, &none);
  ::posix_spawnattr_setsigdefault(&attributes, &all);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
  ::posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return false;
  if (wait_for_exit) {
    WaitForExit(pid);
  } else {
    WaitUntilReady(pid);
  }
  return true;
}

// Returns the Exec line of the desktop entry the MIME defaults name for web
// pages, or empty when none is registered.
std::string WebPageCommand() {
  std::vector<std::string> lists;
  for (const QString& dir :
       QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
    lists.push_back(dir.toStdString() + "/mimeapps.list");
  const QStringList application_dirs =
      QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
  for (const QString& dir : application_dirs) lists.push_back(dir.toStdString() + "/mimeapps.list");

  for (const std::string& list : lists) {
    for (const std::string& id : DefaultApplications(ReadWholeFile(list), "text/html")) {
      for (const QString& dir : application_dirs) {
        std::string exec = DesktopEntryExec(ReadWholeFile(dir.toStdString() + "/" + id));
        if (!exec.empty()) return exec;
      }
    }
  }
  return {};
}

class LinuxDesktopActions final : public DesktopActions {
 public:
  bool RunCommandLine(const Text& command_line, bool wait_for_exit) override {
    const std::vector<std::string> words = SplitCommandLine(GbkToUtf8(command_line));
    if (words.empty()) return false;
    const char* search_path = std::getenv("PATH");
    const std::string path =
        FindProgram(words.front(), WorkingDirectory(), search_path ? search_path : "");
    if (path.empty()) return false;
    return Spawn(path, words, wait_for_exit);
  }

  bool SetClipboardText(const Text& text) override {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    clipboard->setText(QString::fromStdString(GbkToUtf8(text)), QClipboard::Clipboard);
    return true;
  }

  bool OpenHyperlinkTarget(const Text& address) override {
    if (address.empty()) return false;
    const QUrl url(QString::fromStdString(GbkToUtf8(address)), QUrl::TolerantMode);
    if (url.isValid() && QDesktopServices::openUrl(url)) return true;
    const std::string command = CutBeforeFieldCode(WebPageCommand());
    if (command.empty()) return false;
    return RunCommandLine(Utf8ToGbk(command) + " " + address, false);
  }
};

}  // namespace

std::unique_ptr<DesktopActions> MakeDesktopActions() {
  return std::make_unique<LinuxDesktopActions>();
}

}  // namespace tesvarin
