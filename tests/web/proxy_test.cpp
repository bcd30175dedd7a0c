#include "web/proxy.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tesvarin {
namespace {

using Environment = std::map<std::string, std::string>;

struct ProxyCase {
  std::string label;
  Environment environment;
  std::string scheme;
  std::string host;
  std::optional<std::string> expected;
};

TEST(ProxyFor, ReadsTheVariablesForTheScheme) {
  const std::vector<ProxyCase> cases = {
      {"nothing set", {}, "http", "h", std::nullopt},
      {"http_proxy", {{"http_proxy", "p:1"}}, "http", "h", "p:1"},
      {"upper-case HTTP_PROXY is ignored", {{"HTTP_PROXY", "p:1"}}, "http", "h", std::nullopt},
      {"http_proxy not for https", {{"http_proxy", "p:1"}}, "https", "h", std::nullopt},
      {"https_proxy", {{"https_proxy", "p:2"}}, "https", "h", "p:2"},
      {"HTTPS_PROXY", {{"HTTPS_PROXY", "p:2"}}, "https", "h", "p:2"},
      {"https_proxy first", {{"https_proxy", "a"}, {"HTTPS_PROXY", "b"}}, "https", "h", "a"},
      {"https_proxy not for http", {{"https_proxy", "p:2"}}, "http", "h", std::nullopt},
      {"all_proxy", {{"all_proxy", "p:3"}}, "http", "h", "p:3"},
      {"ALL_PROXY", {{"ALL_PROXY", "p:3"}}, "https", "h", "p:3"},
      {"scheme's own first", {{"http_proxy", "a"}, {"all_proxy", "b"}}, "http", "h", "a"},
      {"empty counts as unset", {{"http_proxy", ""}, {"all_proxy", "b"}}, "http", "h", "b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto lookup = [&c](const char* name) -> const char* {
      const auto found = c.environment.find(name);
      return found == c.environment.end() ? nullptr : found->second.c_str();
    };
    EXPECT_EQ(ProxyFor(c.scheme, c.host, lookup), c.expected);
  }
}

TEST(ProxyFor, NoProxyExcludesHostsAndDomains) {
  struct Case {
    std::string no_proxy;
    std::string host;
    bool excluded;
  };
  const std::vector<Case> cases = {
      {"*", "anything.example", true},
      {"example.com", "example.com", true},
      {"example.com", "www.example.com", true},
      {".example.com", "www.example.com", true},
      {".example.com", "example.com", true},
      {"example.com", "badexample.com", false},
      {"example.com", "example.com.evil", false},
      {"EXAMPLE.com", "Www.Example.COM", true},
      {"a.test, b.test", "x.b.test", true},
      {"a.test b.test", "b.test", true},
      {"a.test,,b.test", "c.test", false},
      {"127.0.0.1", "127.0.0.1", true},
      {"127.0.0.1", "127.0.0.10", false},
      {"[::1]", "::1", true},
      {"*.test", "a.test", false},
      {"", "h", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "no_proxy \"" << c.no_proxy << "\", host " << c.host);
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
      const Environment environment = {{"http_proxy", "p:1"}, {name, c.no_proxy}};
      const auto lookup = [&environment](const char* wanted) -> const char* {
        const auto found = environment.find(wanted);
        return found == environment.end() ? nullptr : found->second.c_str();
      };
      const auto proxy = ProxyFor("http", c.host, lookup);
      EXPECT_EQ(proxy.has_value(), !c.excluded) << name;
    }
  }
}

}  // namespace
}  // namespace tesvarin
