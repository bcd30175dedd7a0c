#include "cli/resolver_cli.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "resolve/fakes.h"
#include "support/test_server.h"
#include "tesvarin/config.h"
#include "text/codepage.h"

extern char** environ;

namespace tesvarin {
namespace {

using testing::FakeFetcher;

Text Gbk(std::string_view utf8) { return Utf8ToGbk(utf8); }

const std::string kDjkkUrl = "http://www.djkk.com/play/1.htm";
const std::string kDjkkPage =
    Gbk("djkk <SCRIPT>var s_bstr=\"http://down.djkk.com/\"; var righturl=\"中文.mp3\";</SCRIPT>");
const std::string kHi193Url = "http://www.hi193.com/play/2.htm";
const std::string kHi193Page = Gbk("hi193 <param name=\"m\" value=\"get.php?id=2\"><param name=");
const std::string kHi193Answer = Gbk("http://music.hi193.com/舞曲.mp3");
const std::string k92ccUrl = "http://www.92cc.com/play/3.htm";
const std::string k92ccPage = Gbk("92cc var danceFilePath = \"2012/劲爆\";var fmpObj");
const std::string kPlayerScript = "src=\"http://mp3.92cc.com/mp3e/'+p+'.mp3\" type=\"audio/mpeg\"";
const std::string kDjrrrUrl = "http://www.djrrr.com/play/4.htm";
const std::string kDjrrrPage = Gbk("djrrr <param name=\"m\" value=\"list/4.xml\"><param name=");
const std::string kDjrrrList =
    Gbk("<copyright>cd_webname - cd_weburl</copyright><copyright>cd_webname - cd_weburl</copyright>"
        "<ref href=\"http://down.djrrr.com/中文 曲.mp3\" />");

// Every document of the four sites, by address.
std::map<std::string, std::string> SiteDocuments() {
  return {
      {kDjkkUrl, kDjkkPage},
      {kHi193Url, kHi193Page},
      {std::string(config::kSiteRootHi193) + "get.php?id=2", kHi193Answer},
      {k92ccUrl, k92ccPage},
      {config::kPlayerScriptAddress, kPlayerScript},
      {kDjrrrUrl, kDjrrrPage},
      {std::string(config::kSiteRootDjrrr) + "list/4.xml", kDjrrrList},
  };
}

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

CliRun RunInProcess(std::vector<std::string> args, const std::string& input = "") {
  FakeFetcher fetcher;
  fetcher.documents = SiteDocuments();
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = RunResolverCli(args, in, out, err, fetcher);
  return {status, out.str(), err.str()};
}

// --- Options, formats and exit status --------------------------------------------

TEST(ResolverCli, PrintsEachAddressInUtf8ByDefault) {
  const CliRun run = RunInProcess({kDjkkUrl, kHi193Url, k92ccUrl, kDjrrrUrl});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "http://down.djkk.com/中文.mp3\n"
            "http://music.hi193.com/舞曲.mp3\n"
            "http://mp3.92cc.com/mp3e/2012/劲爆.mp3\n"
            "http://down.djrrr.com/中文 曲.mp3\n");
  EXPECT_EQ(run.err, "");
}

TEST(ResolverCli, RawPrintsTheResolvedBytes) {
  const CliRun run = RunInProcess({"--raw", kDjkkUrl});
  EXPECT_EQ(run.out, Gbk("http://down.djkk.com/中文.mp3") + "\n");
}

TEST(ResolverCli, ReadsStandardInputSkippingBlankLines) {
  const CliRun run = RunInProcess({}, kDjkkUrl + "\r\n\n   \n" + kHi193Url + "\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "http://down.djkk.com/中文.mp3\nhttp://music.hi193.com/舞曲.mp3\n");
}

TEST(ResolverCli, ReportsEachFailureByCode) {
  struct Case {
    std::vector<std::string> args;
    std::string code;
  };
  const std::vector<Case> cases = {
      {{""}, "empty-url"},
      {{"--site", "djkk", kHi193Url}, "site-mismatch"},
      {{"http://www.djkk.com/empty.htm"}, "site-mismatch"},
      {{"--site=hi193", "http://nowhere.test/"}, "site-mismatch"},
      {{"http://unknown.test/x"}, "unknown-site"},
      {{"http://djkk.hi193.test/x"}, "unknown-site"},
      {{"not an address"}, "unknown-site"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "--json");
    const CliRun run = RunInProcess(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("\"error\": {\"code\": \"" + c.code + "\""), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"address\": null"), std::string::npos);
  }
}

TEST(ResolverCli, JsonLinesCarryUrlSiteAndAddress) {
  const CliRun run = RunInProcess({"--json", kDjkkUrl, "http://www.djkk.com/x\"y"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(
      run.out,
      "{\"url\": \"http://www.djkk.com/play/1.htm\", \"site\": \"djkk\", \"address\": "
      "\"http://down.djkk.com/中文.mp3\", \"error\": null}\n"
      "{\"url\": \"http://www.djkk.com/x\\\"y\", \"site\": \"djkk\", \"address\": null, "
      "\"error\": {\"code\": \"site-mismatch\", \"message\": \"你输入的不是你选择的地址\"}}\n");
  EXPECT_EQ(run.err, "");
}

TEST(ResolverCli, FailuresGoToStandardErrorAsUrlAndMessage) {
  const CliRun run = RunInProcess({"http://www.djkk.com/none", kDjkkUrl});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "http://down.djkk.com/中文.mp3\n");
  EXPECT_EQ(run.err, "http://www.djkk.com/none: 你输入的不是你选择的地址\n");
}

TEST(ResolverCli, EmptyAnswerIsAFailure) {
  FakeFetcher fetcher;
  fetcher.documents = SiteDocuments();
  fetcher.documents.erase(std::string(config::kSiteRootHi193) + "get.php?id=2");
  std::istringstream in;
  std::ostringstream out, err;
  EXPECT_EQ(RunResolverCli({"--json", kHi193Url}, in, out, err, fetcher), 1);
  EXPECT_NE(out.str().find("\"code\": \"empty-address\""), std::string::npos) << out.str();
}

TEST(ResolverCli, UsageErrorsExitWithTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--site", "nosuch", kDjkkUrl}, {"--frobnicate"}, {"--site"}}) {
    const CliRun run = RunInProcess(args);
    EXPECT_EQ(run.status, 2) << args[0];
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err, "");
  }
  EXPECT_EQ(RunInProcess({"--help"}).status, 0);
  EXPECT_NE(RunInProcess({"--help"}).out.find("Usage: tesvarin-resolve"), std::string::npos);
  EXPECT_EQ(RunInProcess({"--version"}).out,
            std::string("tesvarin-resolve ") + config::kVersion + "\n");
}

TEST(ResolverCli, TypedCharactersGbkLacksBecomeQuestionMarks) {
  FakeFetcher fetcher;
  std::istringstream in;
  std::ostringstream out, err;
  RunResolverCli({"--site", "djkk", "http://x.test/\xF0\x9F\x8E\xB5"}, in, out, err, fetcher);
  EXPECT_EQ(fetcher.fetched, std::vector<std::string>{"http://x.test/?"});
}

// --- The real program against a local server ----------------------------------------

// Runs the program with `args`, `input` on standard input and `env` added to
// the environment; no shell in between.
CliRun RunProgram(const std::vector<std::string>& args, const std::string& input,
                  const std::vector<std::string>& env) {
  int in_pipe[2], out_pipe[2], err_pipe[2];
  EXPECT_EQ(pipe2(in_pipe, O_CLOEXEC), 0);
  EXPECT_EQ(pipe2(out_pipe, O_CLOEXEC), 0);
  EXPECT_EQ(pipe2(err_pipe, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  std::vector<std::string> argv_strings = {TESVARIN_RESOLVE_PATH};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argv_strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_strings = env;
  for (char** e = environ; *e != nullptr; ++e) {
    // The test decides about proxies itself.
    std::string name(std::string_view(*e).substr(0, std::string_view(*e).find('=')));
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!name.ends_with("_proxy")) env_strings.emplace_back(*e);
  }
  std::vector<char*> envp;
  for (std::string& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  EXPECT_EQ(write(in_pipe[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(in_pipe[1]);
  CliRun run{-1, "", ""};
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&run.out, &run.err};
  for (int open_pipes = 2; open_pipes > 0;) {
    poll(fds, 2, 60000);
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      } else {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(ResolverProgram, ResolvesAllFourSitesThroughTheProxyVariable) {
  // The server plays every site: the proxy gets each address in absolute form.
  const auto documents = SiteDocuments();
  auto server = testing::TestServer::Replying([&](const testing::RecordedRequest& request) {
    const auto it = documents.find(request.target);
    return it == documents.end() ? testing::HttpReply("404 Not Found", "gone")
                                 : testing::HttpReply("200 OK", it->second);
  });
  const std::string proxy = "http_proxy=" + server->Address("");
  const CliRun run = RunProgram({},
                                kDjkkUrl + "\n" + kHi193Url + "\n" + k92ccUrl + "\n" + kDjrrrUrl +
                                    "\nhttp://www.djkk.com/missing\n",
                                {proxy});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            "http://down.djkk.com/中文.mp3\n"
            "http://music.hi193.com/舞曲.mp3\n"
            "http://mp3.92cc.com/mp3e/2012/劲爆.mp3\n"
            "http://down.djrrr.com/中文 曲.mp3\n");
  EXPECT_EQ(run.err, "http://www.djkk.com/missing: 你输入的不是你选择的地址\n");
  // Play page, then the extra fetch of each rule, in order.
  std::vector<std::string> targets;
  for (const auto& request : server->Requests()) targets.push_back(request.target);
  EXPECT_EQ(targets, (std::vector<std::string>{kDjkkUrl, kHi193Url,
                                               std::string(config::kSiteRootHi193) + "get.php?id=2",
                                               k92ccUrl, config::kPlayerScriptAddress, kDjrrrUrl,
                                               std::string(config::kSiteRootDjrrr) + "list/4.xml",
                                               "http://www.djkk.com/missing"}));
}

TEST(ResolverProgram, RawGbkFileNameGoesOnTheWireAsTyped) {
  auto server = testing::TestServer::Replying(
      [](const testing::RecordedRequest&) { return testing::HttpReply("200 OK", kDjkkPage); });
  const CliRun run =
      RunProgram({"--site", "djkk", "--raw", server->Address("/舞曲 1.htm?q=劲爆")}, "", {});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, Gbk("http://down.djkk.com/中文.mp3") + "\n");
  ASSERT_EQ(server->Requests().size(), 1u);
  EXPECT_EQ(server->Requests()[0].target, Gbk("/舞曲%201.htm?q=劲爆"));
}

}  // namespace
}  // namespace tesvarin
