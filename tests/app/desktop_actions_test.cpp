#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/desktop_actions.h"

namespace tesvarin {
namespace {

using Words = std::vector<std::string>;

// Splitting: blanks separate, double quotes group and are dropped.
TEST(SplitCommandLineTest, SplitsLikeACommandLine) {
  struct Case {
    std::string line;
    Words words;
  };
  const Case cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"explorer.exe http://a.test/?fromuid=1", {"explorer.exe", "http://a.test/?fromuid=1"}},
      {"  a   b\tc  ", {"a", "b", "c"}},
      {"\"/opt/my browser/run\" --new \"a b\"", {"/opt/my browser/run", "--new", "a b"}},
      {"a \"\" b", {"a", "", "b"}},
      {"pre\"mid dle\"post", {"premid dlepost"}},
      {"open \"unterminated quote", {"open", "unterminated quote"}},
      {std::string("\xD6\xD0 x"), {"\xD6\xD0", "x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(SplitCommandLine(c.line), c.words);
  }
}

// The web-page command is cut before its first file or address field code.
TEST(CutBeforeFieldCodeTest, CutsAtTheFirstFieldCode) {
  struct Case {
    const char* exec;
    const char* cut;
  };
  const Case cases[] = {
      {"firefox-esr %u", "firefox-esr "},
      {"/usr/bin/browser --new-window %U --x", "/usr/bin/browser --new-window "},
      {"viewer %f", "viewer "},
      {"viewer --files %F", "viewer --files "},
      {"\"/opt/b/run\" \"%u\"", "\"/opt/b/run\" "},
      {"browser", "browser"},
      {"browser %i %u", "browser %i "},
      {"tool --rate=50%% %u", "tool --rate=50%% "},
      {"trailing %", "trailing %"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exec);
    EXPECT_EQ(CutBeforeFieldCode(c.exec), c.cut);
  }
}

// The MIME defaults and desktop entries those commands come from.
TEST(DesktopEntryTest, ReadsDefaultsAndExecLines) {
  const std::string mimeapps =
      "[Added Associations]\n"
      "text/html=other.desktop;\n"
      "\n"
      "[Default Applications]\n"
      "# comment\n"
      "image/png=viewer.desktop\n"
      "text/html = browser.desktop; second.desktop ;\r\n";
  EXPECT_EQ(DefaultApplications(mimeapps, "text/html"),
            (Words{"browser.desktop", "second.desktop"}));
  EXPECT_EQ(DefaultApplications(mimeapps, "image/png"), Words{"viewer.desktop"});
  EXPECT_TRUE(DefaultApplications(mimeapps, "text/plain").empty());
  EXPECT_TRUE(DefaultApplications("", "text/html").empty());

  const std::string entry =
      "[Desktop Entry]\n"
      "Name=Browser\n"
      "Exec=/usr/bin/browser %u\n"
      "\n"
      "[Desktop Action new-window]\n"
      "Exec=/usr/bin/browser --new-window %u\n";
  EXPECT_EQ(DesktopEntryExec(entry), "/usr/bin/browser %u");
  EXPECT_EQ(DesktopEntryExec("[Desktop Action x]\nExec=y\n"), "");
  EXPECT_EQ(DesktopEntryExec(""), "");
}

// Program lookup: the working directory first, then the search path.
TEST(FindProgramTest, LooksInTheWorkingDirectoryThenThePath) {
  EXPECT_EQ(FindProgram("true", "/usr/bin", ""), "/usr/bin/true");
  EXPECT_EQ(FindProgram("true", "/nonexistent", "/nonexistent:/usr/bin:/bin"), "/usr/bin/true");
  EXPECT_EQ(FindProgram("true", "/usr/bin/", "/bin"), "/usr/bin/true");
  EXPECT_EQ(FindProgram("explorer.exe", "/usr/bin", "/usr/bin:/bin"), "");
  EXPECT_EQ(FindProgram("bin", "/usr", "/"), "");  // a directory is no program
  EXPECT_EQ(FindProgram("./relative/tool", "/", ""), "./relative/tool");
  EXPECT_EQ(FindProgram("", "/usr/bin", "/usr/bin"), "");
}

// Runs `run` with the standard output going into a pipe; returns what came out.
template <typename Run>
std::string CaptureOutput(Run run) {
  int pipe_fds[2];
  EXPECT_EQ(::pipe(pipe_fds), 0);
  std::fflush(stdout);
  const int saved = ::dup(STDOUT_FILENO);
  ::dup2(pipe_fds[1], STDOUT_FILENO);
  ::close(pipe_fds[1]);
  run();
  std::fflush(stdout);
  ::dup2(saved, STDOUT_FILENO);
  ::close(saved);
  std::string out;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  ::close(pipe_fds[0]);
  return out;
}

// Starting programs: no shell, arguments split, only the standard handles.
TEST(RunCommandLineTest, StartsProgramsWithoutAShell) {
  const auto desktop = MakeDesktopActions();
  EXPECT_FALSE(desktop->RunCommandLine("explorer.exe http://forum.test/?fromuid=1", false));
  EXPECT_FALSE(desktop->RunCommandLine("", false));
  EXPECT_FALSE(desktop->RunCommandLine("/nonexistent/program", true));
  EXPECT_TRUE(desktop->RunCommandLine("true", false));
  EXPECT_TRUE(desktop->RunCommandLine("true", true));

  const std::string words = CaptureOutput(
      [&] { EXPECT_TRUE(desktop->RunCommandLine("printf [%s] a \"b  c\" \"\" $HOME;x", true)); });
  EXPECT_EQ(words, "[a][b  c][][$HOME;x]");

  // A descriptor of ours without close-on-exec stays ours.
  const int ours = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(ours, 3);
  const std::string fds =
      CaptureOutput([&] { EXPECT_TRUE(desktop->RunCommandLine("ls /proc/self/fd", true)); });
  ::close(ours);
  std::vector<std::string> listed;
  for (std::size_t at = 0; at < fds.size();) {
    const std::size_t end = fds.find('\n', at);
    listed.push_back(fds.substr(at, end - at));
    at = end == std::string::npos ? fds.size() : end + 1;
  }
  // 0-2, and the one ls opens to read the directory.
  EXPECT_EQ(listed, (Words{"0", "1", "2", "3"}));
}

TEST(OpenHyperlinkTargetTest, EmptyAddressOpensNothing) {
  EXPECT_FALSE(MakeDesktopActions()->OpenHyperlinkTarget(""));
}

}  // namespace
}  // namespace tesvarin
