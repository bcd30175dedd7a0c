#include "resolve/resolve.h"

#include <gtest/gtest.h>

#include "resolve/fakes.h"
#include "resolve/rules.h"
#include "tesvarin/config.h"
#include "text/codepage.h"

namespace tesvarin {
namespace {

using testing::FakeControls;
using testing::FakeFetcher;
using testing::FakePauser;

Text Gbk(std::string_view utf8) { return Utf8ToGbk(utf8); }

constexpr char kPlayUrl[] = "http://www.example.test/play/1.htm";

// Play pages and extra documents of the four sites, with GBK file names.
const Text kHi193Page =
    Gbk("<html>hi193 舞曲<object><param name=\"movie\" value=\"getsong.php?id=7\">\n"
        "<param name=\"quality\" value=\"high\"></object>");
const Text kHi193Target = std::string(config::kSiteRootHi193) + "getsong.php?id=7\n";
const Text kHi193Answer = Gbk("http://music.hi193.com/2012/中文 01.mp3");

const Text kDjkkPage =
    Gbk("<title>djkk 舞曲</title><SCRIPT>var s_bstr=\"http://down.djkk.com/ 2012/\"; "
        "var righturl=\"中文 01.mp3\";</SCRIPT>");
const Text kDjkkAddress = Gbk("http://down.djkk.com/2012/中文 01.mp3");

const Text kNinetyTwoPage =
    Gbk("<p>92cc</p><script>var danceFilePath = \"2012/05/舞曲\";var fmpObj = 1;</script>");
const Text kPlayerScript =
    "document.write('<embed src=\"http://mp3.92cc.com/mp3e/'+danceFilePath+'.mp3\" "
    "type=\"audio/mpeg\">');";
const Text kNinetyTwoAddress = Gbk("http://mp3.92cc.com/mp3e/2012/05/舞曲.mp3");

const Text kDjrrrPage =
    Gbk("djrrr <object><param name=\"movie\" value=\"list/2012/9.xml\"><param name=\"q\" "
        "value=\"1\"></object>");
const Text kDjrrrList =
    Gbk("<asx><copyright>cd_webname - cd_weburl</copyright><entry>"
        "<copyright>cd_webname - cd_weburl</copyright>\n"
        "<ref href=\"http://down.djrrr.com/2012/中文.mp3\" />\n</entry></asx>");
const Text kDjrrrAddress = Gbk("http://down.djrrr.com/2012/中文.mp3");

class ResolveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    controls.url = kPlayUrl;
    fetcher.documents[kHi193Target] = kHi193Answer + std::string("\0rest", 5);
    fetcher.documents[config::kPlayerScriptAddress] = kPlayerScript;
    fetcher.documents[std::string(config::kSiteRootDjrrr) + "list/2012/9.xml"] = kDjrrrList;
  }
  void Resolve() { ResolveCommand(controls, fetcher, pauser); }

  FakeControls controls;
  FakeFetcher fetcher;
  FakePauser pauser;
};

// --- Each site's rule, end to end through the command --------------------------

struct SiteCase {
  int mode;
  const Text* page;
  const Text* address;
  std::vector<std::string> extra_fetches;
  int pauses;
};

TEST_F(ResolveTest, ResolvesEachSiteWithItsOwnFetches) {
  const std::vector<SiteCase> cases = {
      {0, &kHi193Page, &kHi193Answer, {kHi193Target}, 2},
      {1, &kDjkkPage, &kDjkkAddress, {}, 1},
      {2, &kNinetyTwoPage, &kNinetyTwoAddress, {config::kPlayerScriptAddress}, 1},
      {3,
       &kDjrrrPage,
       &kDjrrrAddress,
       {std::string(config::kSiteRootDjrrr) + "list/2012/9.xml"},
       1},
  };
  for (const SiteCase& c : cases) {
    SCOPED_TRACE(c.mode);
    controls = FakeControls{};
    controls.url = kPlayUrl;
    controls.mode = c.mode;
    fetcher.fetched.clear();
    pauser.pauses = 0;
    fetcher.documents[kPlayUrl] = *c.page;
    Resolve();
    std::vector<std::string> expected_fetches = {kPlayUrl};
    expected_fetches.insert(expected_fetches.end(), c.extra_fetches.begin(), c.extra_fetches.end());
    EXPECT_EQ(fetcher.fetched, expected_fetches);
    EXPECT_EQ(controls.writes, std::vector<Text>{*c.address});
    EXPECT_TRUE(controls.notices.empty());
    EXPECT_EQ(pauser.pauses, c.pauses);
    EXPECT_EQ(pauser.last_ms, 100);
    EXPECT_EQ(controls.mode_reads, 4);  // all four tests read the selection
  }
}

// --- Messages -------------------------------------------------------------------

TEST_F(ResolveTest, EmptyUrlIsReportedWithoutFetching) {
  controls.url.clear();
  Resolve();
  ASSERT_EQ(controls.notices.size(), 1u);
  EXPECT_EQ(controls.notices[0].notice, Notice::kEmptyUrl);
  EXPECT_EQ(controls.notices[0].message, Gbk("没输入东西..."));
  EXPECT_EQ(controls.notices[0].caption, Gbk("信息："));
  EXPECT_TRUE(fetcher.fetched.empty());
  EXPECT_TRUE(controls.writes.empty());
}

TEST_F(ResolveTest, UrlOfOneSpaceIsFetched) {
  controls.url = " ";
  Resolve();
  EXPECT_EQ(fetcher.fetched, std::vector<std::string>{" "});
}

TEST_F(ResolveTest, PageWithoutMarkerEndsTheCommand) {
  struct Case {
    int mode;
    Text page;
  };
  const std::vector<Case> cases = {
      {1, Gbk("<SCRIPT>DJKK var s_bstr=\"/a/\"; var righturl=\"b\";</SCRIPT>")},  // case counts
      {0, ""},  // a failed fetch is an empty page
      {3, kDjkkPage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    controls = FakeControls{};
    controls.url = kPlayUrl;
    controls.mode = c.mode;
    fetcher.documents[kPlayUrl] = c.page;
    fetcher.fetched.clear();
    Resolve();
    ASSERT_EQ(controls.notices.size(), 1u);
    EXPECT_EQ(controls.notices[0].notice, Notice::kSiteMismatch);
    EXPECT_EQ(controls.notices[0].message, Gbk("你输入的不是你选择的地址"));
    EXPECT_EQ(controls.notices[0].caption, "Error");
    EXPECT_TRUE(controls.writes.empty());
    EXPECT_EQ(fetcher.fetched, std::vector<std::string>{kPlayUrl});  // no rule ran
    EXPECT_EQ(controls.mode_reads, c.mode + 1);  // no later test read the selection
  }
}

TEST_F(ResolveTest, MissingPieceIsReportedAndLeavesDownloadAlone) {
  struct Case {
    int mode;
    Text page;
    Text extra;  // the rule's extra document, where it has one
  };
  const std::vector<Case> cases = {
      {1, "djkk <SCRIPT>var s_bstr=\"/a/\";</SCRIPT>", ""},         // no righturl after s_bstr
      {2, "92cc var danceFilePath =\";var fmpObj", kPlayerScript},  // empty path piece
      {2, kNinetyTwoPage, ""},                                      // player script failed
      {3, kDjrrrPage, "<copyright>cd_webname - cd_weburl</copyright><ref href=\"x\" />"},
      {0, "hi193 without player parameters", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    controls = FakeControls{};
    controls.url = kPlayUrl;
    controls.mode = c.mode;
    fetcher.documents[kPlayUrl] = c.page;
    fetcher.documents[config::kPlayerScriptAddress] = c.extra;
    fetcher.documents[std::string(config::kSiteRootDjrrr) + "list/2012/9.xml"] = c.extra;
    Resolve();
    ASSERT_EQ(controls.notices.size(), 1u);
    EXPECT_EQ(controls.notices[0].notice, Notice::kAddressNotFound);
    EXPECT_EQ(controls.notices[0].message, Gbk("没能从页面中解析出下载地址"));
    EXPECT_EQ(controls.notices[0].caption, "Error");
    EXPECT_TRUE(controls.writes.empty());
  }
}

TEST_F(ResolveTest, Hi193WithFailedSecondFetchWritesEmptyText) {
  controls.mode = 0;
  fetcher.documents[kPlayUrl] = kHi193Page;
  fetcher.documents.erase(kHi193Target);
  Resolve();
  EXPECT_EQ(controls.writes, std::vector<Text>{""});
  EXPECT_TRUE(controls.notices.empty());
}

TEST_F(ResolveTest, SelectionOutsideTheSitesDoesNothing) {
  controls.mode = -1;
  Resolve();
  EXPECT_TRUE(fetcher.fetched.empty());
  EXPECT_TRUE(controls.notices.empty());
  EXPECT_TRUE(controls.writes.empty());
}

// --- Events processed inside the pauses ------------------------------------------

TEST_F(ResolveTest, SelectionChangedInAPauseRunsTheLaterTestWithItsOwnFetch) {
  controls.mode = 0;
  fetcher.documents[kPlayUrl] = kHi193Page + kDjkkPage;
  pauser.on_pause = [&](int n) {
    if (n == 1) controls.mode = 1;
  };
  Resolve();
  EXPECT_EQ(fetcher.fetched, (std::vector<std::string>{kPlayUrl, kHi193Target, kPlayUrl}));
  EXPECT_EQ(controls.writes, (std::vector<Text>{kHi193Answer, kDjkkAddress}));
}

TEST_F(ResolveTest, NestedResolveInAPauseRunsToItsEndBeforeTheOuterGoesOn) {
  controls.mode = 1;
  fetcher.documents[kPlayUrl] = kDjkkPage;
  fetcher.documents["http://other.test/"] =
      Gbk("djkk s_bstr=\"/n/\"; var righturl=\"x\";</SCRIPT>");
  pauser.on_pause = [&](int n) {
    if (n != 1) return;
    const Text outer_url = controls.url;
    controls.url = "http://other.test/";
    Resolve();  // a second press of the button
    controls.url = outer_url;
  };
  Resolve();
  EXPECT_EQ(controls.writes, (std::vector<Text>{"/n/x", kDjkkAddress}));  // outer writes last
}

TEST_F(ResolveTest, WindowClosedInAPauseStopsTheCommand) {
  for (const int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    controls = FakeControls{};
    controls.url = kPlayUrl;
    controls.mode = mode;
    fetcher.fetched.clear();
    fetcher.documents[kPlayUrl] = mode == 0 ? kHi193Page : Text("no marker");
    pauser.on_pause = [&](int) { controls.closed = true; };
    Resolve();
    EXPECT_EQ(fetcher.fetched, std::vector<std::string>{kPlayUrl});
    EXPECT_TRUE(controls.writes.empty());
    EXPECT_TRUE(controls.notices.empty());
  }
}

// --- Rules on their own: the cases where the exact cuts matter --------------------

TEST(Rules, CutExactlyAsWritten) {
  FakeFetcher fetcher;
  FakePauser pauser;
  const RuleContext context{fetcher, pauser};
  EXPECT_EQ(RuleDjkk("s_bstr=\"/base/dir/\"; var righturl=\"track 01.mp3\";</SCRIPT>", context),
            "/base/dir/track 01.mp3");
  fetcher.documents[config::kPlayerScriptAddress] = "src=\"/mp3e/'+x+'.mp3\" type=\"audio/mpeg\"";
  EXPECT_EQ(Rule92cc("var danceFilePath = \"2012/05/abc\";", context), "/mp3e/2012/05/abc.mp3");
  fetcher.documents[std::string(config::kSiteRootDjrrr) + "p.xml"] =
      "<copyright>cd_webname - cd_weburl</copyright>x<copyright>cd_webname - cd_weburl"
      "</copyright>\n<ref href=\"/a/b.mp3\" /> more";
  EXPECT_EQ(RuleDjrrr("<param name=\"m\" value=\"p.xml\">", context), "/a/b.mp3");
  // A quotation mark hidden as the second byte of a GBK character stays.
  EXPECT_EQ(RuleDjkk("s_bstr=\"/\xB0\"/\"; var righturl=\"a\";</SCRIPT>", context), "/\xB0\"/a");
}

TEST(Config, AddressesHaveTheirFixedForm) {
  const std::string_view roots[] = {config::kSiteRootHi193, config::kSiteRootDjrrr};
  for (std::string_view root : roots) {
    EXPECT_TRUE(root.starts_with("http://")) << root;
    EXPECT_TRUE(root.ends_with("/")) << root;
  }
  EXPECT_TRUE(std::string_view(config::kPlayerScriptAddress).ends_with("/mp/mp.js"));
  EXPECT_NE(std::string_view(config::kPromotionAddress).find("/?fromuid="), std::string::npos);
}

}  // namespace
}  // namespace tesvarin
