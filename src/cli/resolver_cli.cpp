#include "cli/resolver_cli.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

#include "resolve/resolve.h"
#include "tesvarin/config.h"
#include "text/codepage.h"
#include "web/address.h"

namespace tesvarin {
namespace {

constexpr std::array<std::string_view, 4> kSiteNames{"hi193", "djkk", "92cc", "djrrr"};

constexpr std::string_view kUsage =
    "Usage: tesvarin-resolve [--site NAME] [--raw | --json] [URL ...]\n"
    "Resolves play-page addresses of hi193, djkk, 92cc and djrrr to download addresses.\n"
    "With no URL, reads addresses from standard input, one per line.\n"
    "\n"
    "  --site NAME  resolve as site NAME (hi193, djkk, 92cc, djrrr); by default the\n"
    "               site whose name occurs in the address's host name\n"
    "  --raw        print the address bytes as resolved (GBK), not UTF-8\n"
    "  --json       print one JSON object per address (JSON Lines)\n"
    "  --help       show this help\n"
    "  --version    show the version\n"
    "\n"
    "Exit status: 0 when every address resolved, 1 when any failed, 2 for a usage error.\n";

enum class Format { kText, kRaw, kJson };

struct Options {
  std::optional<int> site;
  Format format = Format::kText;
  std::vector<std::string> urls;
};

struct Failure {
  std::string_view code;
  std::string message;  // UTF-8
};

struct Outcome {
  std::optional<int> site;
  std::optional<Text> address;
  std::optional<Failure> failure;
};

std::optional<int> SiteIndex(std::string_view name) {
  const auto it = std::find(kSiteNames.begin(), kSiteNames.end(), name);
  if (it == kSiteNames.end()) return std::nullopt;
  return static_cast<int>(it - kSiteNames.begin());
}

// The site whose short name occurs in the host name, if exactly one does.
std::optional<int> SiteFromHost(const Text& address) {
  const auto parts = SplitAddress(address);
  if (!parts) return std::nullopt;
  std::string host = parts->host;
  std::transform(host.begin(), host.end(), host.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::optional<int> found;
  for (int i = 0; i < static_cast<int>(kSiteNames.size()); ++i) {
    if (host.find(kSiteNames[static_cast<std::size_t>(i)]) == std::string::npos) continue;
    if (found) return std::nullopt;
    found = i;
  }
  return found;
}

// The controls of one resolve: a typed address, a fixed selection, and what
// the command wrote or said.
class CliControls final : public ResolveControls {
 public:
  CliControls(Text url, int mode) : url_(std::move(url)), mode_(mode) {}
  Text ReadUrl() override { return url_; }
  int ReadMode() override { return mode_; }
  void WriteDownload(const Text& address) override { download_ = address; }
  void ShowNotice(Notice notice, const Text&, const Text&) override { notice_ = notice; }

  const std::optional<Text>& download() const { return download_; }
  const std::optional<Notice>& notice() const { return notice_; }

 private:
  Text url_;
  int mode_;
  std::optional<Text> download_;
  std::optional<Notice> notice_;
};

Failure FailureFor(Notice notice) {
  constexpr std::array<std::string_view, 3> kCodes{"empty-url", "site-mismatch", "not-found"};
  return {kCodes[static_cast<std::size_t>(notice)], GbkToUtf8(NoticeMessage(notice))};
}

Outcome ResolveOne(const Text& url, std::optional<int> forced_site, Fetcher& fetcher) {
  Outcome outcome;
  outcome.site = forced_site ? forced_site : SiteFromHost(url);
  if (!outcome.site && !url.empty()) {
    outcome.failure = Failure{"unknown-site", "cannot tell the site from the address; use --site"};
    return outcome;
  }
  CliControls controls(url, outcome.site.value_or(0));
  NoPause no_pause;
  ResolveCommand(controls, fetcher, no_pause);
  if (controls.notice()) {
    outcome.failure = FailureFor(*controls.notice());
  } else if (!controls.download() || controls.download()->empty()) {
    outcome.failure = Failure{"empty-address", "the site's answer held no download address"};
  } else {
    outcome.address = controls.download();
  }
  return outcome;
}

std::string JsonString(std::string_view utf8) {
  std::string quoted = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

void PrintJson(std::ostream& out, const Text& url, const Outcome& outcome) {
  out << "{\"url\": " << JsonString(GbkToUtf8(url)) << ", \"site\": "
      << (outcome.site ? JsonString(kSiteNames[static_cast<std::size_t>(*outcome.site)]) : "null")
      << ", \"address\": " << (outcome.address ? JsonString(GbkToUtf8(*outcome.address)) : "null")
      << ", \"error\": ";
  if (outcome.failure) {
    out << "{\"code\": " << JsonString(outcome.failure->code)
        << ", \"message\": " << JsonString(outcome.failure->message) << "}";
  } else {
    out << "null";
  }
  out << "}\n";
}

void Report(const Options& options, const Text& url, const Outcome& outcome, std::ostream& out,
            std::ostream& err) {
  if (options.format == Format::kJson) {
    PrintJson(out, url, outcome);
  } else if (outcome.failure) {
    err << GbkToUtf8(url) << ": " << outcome.failure->message << '\n' << std::flush;
  } else {
    out << (options.format == Format::kRaw ? *outcome.address : GbkToUtf8(*outcome.address))
        << '\n';
  }
  out.flush();
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

// Returns the options, or std::nullopt with the exit status in `status` when
// the program should stop (help, version, usage error).
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::ostream& out,
                                    std::ostream& err, int& status) {
  Options options;
  bool only_urls = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_urls || arg.empty() || arg[0] != '-') {
      options.urls.push_back(arg);
    } else if (arg == "--") {
      only_urls = true;
    } else if (arg == "--help" || arg == "-h") {
      out << kUsage;
      status = 0;
      return std::nullopt;
    } else if (arg == "--version") {
      out << "tesvarin-resolve " << config::kVersion << '\n';
      status = 0;
      return std::nullopt;
    } else if (arg == "--raw" || arg == "--json") {
      options.format = arg == "--raw" ? Format::kRaw : Format::kJson;
    } else if (arg == "--site" || arg.starts_with("--site=")) {
      std::string name = arg == "--site" ? (i + 1 < args.size() ? args[++i] : "") : arg.substr(7);
      options.site = SiteIndex(name);
      if (!options.site) {
        err << "tesvarin-resolve: unknown site '" << name << "' (hi193, djkk, 92cc, djrrr)\n";
        status = 2;
        return std::nullopt;
      }
    } else {
      err << "tesvarin-resolve: unknown option '" << arg << "'\n" << kUsage;
      status = 2;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace

int RunResolverCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err, Fetcher& fetcher) {
  int status = 0;
  const std::optional<Options> options = ParseOptions(args, out, err, status);
  if (!options) return status;
  bool any_failed = false;
  const auto resolve = [&](std::string_view typed) {
    const Text url = Utf8ToGbk(typed);
    const Outcome outcome = ResolveOne(url, options->site, fetcher);
    any_failed |= outcome.failure.has_value();
    Report(*options, url, outcome, out, err);
  };
  if (!options->urls.empty()) {
    for (const std::string& url : options->urls) resolve(url);
  } else {
    for (std::string line; std::getline(in, line);) {
      if (IsBlank(line)) continue;
      if (line.back() == '\r') line.pop_back();
      resolve(line);
    }
  }
  return any_failed ? 1 : 0;
}

}  // namespace tesvarin
