#include "web/address.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tesvarin {
namespace {

using namespace std::string_literals;

struct Expected {
  std::string scheme;
  std::string host;
  int port;
  std::string target;
  std::string user = "";
  std::string password = "";
};

struct SplitCase {
  std::string address;
  std::optional<Expected> expected;  // std::nullopt: refused
};

void ExpectSplit(const std::vector<SplitCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "address: " << c.address);
    const auto parts = SplitAddress(c.address);
    if (!c.expected) {
      EXPECT_FALSE(parts.has_value()) << "target: " << (parts ? parts->target : "");
      continue;
    }
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(parts->scheme, c.expected->scheme);
    EXPECT_EQ(parts->host, c.expected->host);
    EXPECT_EQ(parts->port, c.expected->port);
    EXPECT_EQ(parts->target, c.expected->target);
    EXPECT_EQ(parts->user, c.expected->user);
    EXPECT_EQ(parts->password, c.expected->password);
  }
}

TEST(SplitAddress, SchemeHostAndPort) {
  ExpectSplit({
      {"http://example.com/a/b?x=1", Expected{"http", "example.com", 80, "/a/b?x=1"}},
      {"HTTP://Example.COM", Expected{"http", "Example.COM", 80, "/"}},
      {"https://secure.example", Expected{"https", "secure.example", 443, "/"}},
      {"http://h:8080/x", Expected{"http", "h", 8080, "/x"}},
      {"http://h:/x", Expected{"http", "h", 80, "/x"}},
      {"https://h:/x", Expected{"https", "h", 443, "/x"}},
      {"http://h:1/", Expected{"http", "h", 1, "/"}},
      {"http://h:65535/", Expected{"http", "h", 65535, "/"}},
      {"http://h:008080/", Expected{"http", "h", 8080, "/"}},
      {"http://h?x=1", Expected{"http", "h", 80, "/?x=1"}},
      {"ftp://files.example/pub", Expected{"ftp", "files.example", 0, "/pub"}},
      {"svn+ssh.x-y://h:22/r", Expected{"svn+ssh.x-y", "h", 22, "/r"}},
      {"http://[::1]:8080/x", Expected{"http", "::1", 8080, "/x"}},
      {"http://[2001:db8::7]/", Expected{"http", "2001:db8::7", 80, "/"}},
      {"http://h:0/", std::nullopt},
      {"http://h:65536/", std::nullopt},
      {"http://h:99999999999999999999/", std::nullopt},
      {"http://h:8x/", std::nullopt},
      {"http://h:-1/", std::nullopt},
      {"http://[::1/", std::nullopt},
      {"http://[::1]x/", std::nullopt},
      {"http://[]/", std::nullopt},
      {"http://[[x]/", std::nullopt},
      {"http://[www.example.test]/", std::nullopt},
      {"http:///x", std::nullopt},
      {"http://:80/", std::nullopt},
      {"http://user@/x", std::nullopt},
  });
}

TEST(SplitAddress, RefusesAddressesWithoutScheme) {
  ExpectSplit({
      {"example.com/x", std::nullopt},
      {"localhost:8080/x", std::nullopt},
      {"//example.com/x", std::nullopt},
      {"http:/example.com/x", std::nullopt},
      {"http:example.com", std::nullopt},
      {"1http://example.com/", std::nullopt},
      {"ht tp://example.com/", std::nullopt},
      {"://example.com/", std::nullopt},
      {"", std::nullopt},
      {" \r\n", std::nullopt},
  });
}

TEST(SplitAddress, Credentials) {
  ExpectSplit({
      {"http://user:secret@h/", Expected{"http", "h", 80, "/", "user", "secret"}},
      {"http://user@h/", Expected{"http", "h", 80, "/", "user", ""}},
      {"http://user:pa:ss@h/", Expected{"http", "h", 80, "/", "user", "pa:ss"}},
      {"http://a@b:c@d@h:81/", Expected{"http", "h", 81, "/", "a@b", "c@d"}},
      {"http://:secret@h/", Expected{"http", "h", 80, "/", "", "secret"}},
      {"http://h/x@y", Expected{"http", "h", 80, "/x@y"}},
  });
}

TEST(SplitAddress, PathDotSegmentsAndFragment) {
  ExpectSplit({
      {"http://h/a/./b/../c", Expected{"http", "h", 80, "/a/c"}},
      {"http://h/a/b/..", Expected{"http", "h", 80, "/a/"}},
      {"http://h/a/.", Expected{"http", "h", 80, "/a/"}},
      {"http://h/../../x", Expected{"http", "h", 80, "/x"}},
      {"http://h/a/b/../../../c/./d", Expected{"http", "h", 80, "/c/d"}},
      {"http://h/a/..b/.c", Expected{"http", "h", 80, "/a/..b/.c"}},
      {"http://h/./?q=../x/./y", Expected{"http", "h", 80, "/?q=../x/./y"}},
      {"http://h/a/%2e%2e/b%41", Expected{"http", "h", 80, "/a/%2e%2e/b%41"}},
      {"http://h/p?q=1#frag", Expected{"http", "h", 80, "/p?q=1"}},
      {"http://h/p#f?x=1", Expected{"http", "h", 80, "/p"}},
      {"http://h#f", Expected{"http", "h", 80, "/"}},
      {"http://h/p/../#f/../..", Expected{"http", "h", 80, "/"}},
  });
}

TEST(SplitAddress, TrailingWhiteSpaceBlanksAndRawBytes) {
  ExpectSplit({
      {"http://h/p\r\n", Expected{"http", "h", 80, "/p"}},
      {"http://h/p \t\v\f\r\n ", Expected{"http", "h", 80, "/p"}},
      {"http://h\n", Expected{"http", "h", 80, "/"}},
      {"http://h/a b?c d", Expected{"http", "h", 80, "/a%20b?c%20d"}},
      {"http://h/\xb8\xe8\xc7\xfa/?k=\xc4\xe3\xba\xc3",
       Expected{"http", "h", 80, "/\xb8\xe8\xc7\xfa/?k=\xc4\xe3\xba\xc3"}},
      {"http://h/\x80\xff", Expected{"http", "h", 80, "/\x80\xff"}},
  });
}

TEST(SplitAddress, RefusesControlBytesAnywhere) {
  ExpectSplit({
      {"http://h/a\rb", std::nullopt},
      {"http://h/a\r\nHost: evil", std::nullopt},
      {"http://h/a?q\nx", std::nullopt},
      {"http://h/a\tb", std::nullopt},
      {"http://h/\x7f", std::nullopt},
      {"http://h\x01/", std::nullopt},
      {"http://u\0x@h/"s, std::nullopt},
      {"http://h/#\x1b", std::nullopt},
      {"\thttp://h/", std::nullopt},
  });
}

TEST(SplitAddress, Rooms) {
  const std::string host255(255, 'h');
  const std::string name127(127, 'u');
  const std::string path2047 = "/" + std::string(2046, 'p');
  // Query and fragment count towards the same room.
  const std::string mixed2047 =
      "/" + std::string(1000, 'p') + "?" + std::string(1000, 'q') + "#" + std::string(44, 'f');
  ASSERT_EQ(mixed2047.size(), 2047u);
  ExpectSplit({
      {"http://" + host255 + "/", Expected{"http", host255, 80, "/"}},
      {"http://" + host255 + "h/", std::nullopt},
      {"http://" + name127 + ":pw@h/", Expected{"http", "h", 80, "/", name127, "pw"}},
      {"http://" + name127 + "u:pw@h/", std::nullopt},
      {"http://u:" + name127 + "@h/", Expected{"http", "h", 80, "/", "u", name127}},
      {"http://u:" + name127 + "u@h/", std::nullopt},
      {"http://h" + path2047, Expected{"http", "h", 80, path2047}},
      {"http://h" + path2047 + "p", std::nullopt},
      {"http://h" + mixed2047, Expected{"http", "h", 80, mixed2047.substr(0, 2002)}},
      {"http://h" + mixed2047 + "f", std::nullopt},
      {"http://h" + path2047 + "\r\n", Expected{"http", "h", 80, path2047}},
  });
}

struct ResolveCase {
  std::string reference;
  std::string expected;  // the address SplitAddress then sees the same as
};

TEST(ResolveReference, ReadsLocationsAgainstTheAnswer) {
  const auto base = SplitAddress("http://u:pw@h:81/a/b?q=1");
  ASSERT_TRUE(base.has_value());
  const std::vector<ResolveCase> cases = {
      {"c", "http://u:pw@h:81/a/c"},
      {"../c?x", "http://u:pw@h:81/c?x"},
      {"/c", "http://u:pw@h:81/c"},
      {"?y=2", "http://u:pw@h:81/a/b?y=2"},
      {"", "http://u:pw@h:81/a/b?q=1"},
      {"#top", "http://u:pw@h:81/a/b?q=1"},
      {" /c\r\n", "http://u:pw@h:81/c"},
      {"//other:82/z", "http://other:82/z"},
      {"https://x/y", "https://x/y"},
      {"file:///etc/passwd", "file:///etc/passwd"},
      {"/\xb8\xe8?k=\xc4\xe3", "http://u:pw@h:81/\xb8\xe8?k=\xc4\xe3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "reference: " << c.reference);
    const auto resolved = SplitAddress(ResolveReference(*base, c.reference));
    const auto expected = SplitAddress(c.expected);
    ASSERT_EQ(resolved.has_value(), expected.has_value());
    if (!expected) continue;
    EXPECT_EQ(resolved->scheme, expected->scheme);
    EXPECT_EQ(resolved->host, expected->host);
    EXPECT_EQ(resolved->port, expected->port);
    EXPECT_EQ(resolved->user, expected->user);
    EXPECT_EQ(resolved->password, expected->password);
    EXPECT_EQ(resolved->target, expected->target);
  }
}

TEST(ResolveReference, KeepsBracketsOfIpv6Hosts) {
  const auto base = SplitAddress("http://[::1]:8080/a/b");
  ASSERT_TRUE(base.has_value());
  const auto resolved = SplitAddress(ResolveReference(*base, "c"));
  ASSERT_TRUE(resolved.has_value());
  EXPECT_EQ(resolved->host, "::1");
  EXPECT_EQ(resolved->port, 8080);
  EXPECT_EQ(resolved->target, "/a/c");
}

}  // namespace
}  // namespace tesvarin
