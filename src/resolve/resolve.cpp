#include "resolve/resolve.h"

#include <array>
#include <string_view>

#include "resolve/rules.h"

namespace tesvarin {
namespace {

// The texts the user sees, as GBK bytes (this file is UTF-8).
constexpr std::string_view kEmptyUrlMessage =
    "\xC3\xBB\xCA\xE4\xC8\xEB\xB6\xAB\xCE\xF7...";                         // 没输入东西...
constexpr std::string_view kEmptyUrlCaption = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：
constexpr std::string_view kSiteMismatchMessage =  // 你输入的不是你选择的地址
    "\xC4\xE3\xCA\xE4\xC8\xEB\xB5\xC4\xB2\xBB\xCA\xC7\xC4\xE3\xD1\xA1\xD4\xF1\xB5\xC4\xB5\xD8"
    "\xD6\xB7";
constexpr std::string_view kNotFoundMessage =  // 没能从页面中解析出下载地址
    "\xC3\xBB\xC4\xDC\xB4\xD3\xD2\xB3\xC3\xE6\xD6\xD0\xBD\xE2\xCE\xF6\xB3\xF6\xCF\xC2\xD4\xD8"
    "\xB5\xD8\xD6\xB7";
constexpr std::string_view kErrorCaption = "Error";

using Rule = RuleResult (*)(const Text& page, const RuleContext& context);

struct SiteTest {
  int selection;
  std::string_view marker;
  Rule rule;
};

// In this order; each test reads the selection afresh.
constexpr std::array<SiteTest, 4> kSiteTests{{
    {0, "hi193", RuleHi193},
    {1, "djkk", RuleDjkk},
    {2, "92cc", Rule92cc},
    {3, "djrrr", RuleDjrrr},
}};

constexpr int kPauseMs = 100;

// Fetches the page named in `Url` now, then lets the window breathe.
Text FetchPageText(ResolveControls& controls, Fetcher& fetcher, Pauser& pauser) {
  Text page = BodyToText(fetcher.FetchDocument(controls.ReadUrl()));
  pauser.Pause(kPauseMs);
  return page;
}

void Tell(ResolveControls& controls, Notice notice) {
  controls.ShowNotice(notice, NoticeMessage(notice), NoticeCaption(notice));
}

}  // namespace

Text NoticeMessage(Notice notice) {
  switch (notice) {
    case Notice::kEmptyUrl:
      return Text(kEmptyUrlMessage);
    case Notice::kSiteMismatch:
      return Text(kSiteMismatchMessage);
    case Notice::kAddressNotFound:
      return Text(kNotFoundMessage);
  }
  return {};
}

Text NoticeCaption(Notice notice) {
  return Text(notice == Notice::kEmptyUrl ? kEmptyUrlCaption : kErrorCaption);
}

void ResolveCommand(ResolveControls& controls, Fetcher& fetcher, Pauser& pauser) {
  if (IsEmptyText(controls.ReadUrl())) {
    Tell(controls, Notice::kEmptyUrl);
    return;
  }
  const RuleContext context{fetcher, pauser, [&controls] { return controls.IsClosed(); }};
  for (const SiteTest& test : kSiteTests) {
    if (controls.ReadMode() != test.selection) continue;
    const Text page = FetchPageText(controls, fetcher, pauser);
    // A window closed during the pause gets no further fetch, write or box.
    if (controls.IsClosed()) return;
    if (Locate(page, test.marker) == -1) {
      Tell(controls, Notice::kSiteMismatch);
      return;
    }
    const RuleResult address = test.rule(page, context);
    if (controls.IsClosed()) return;
    if (!address) {
      Tell(controls, Notice::kAddressNotFound);
      return;
    }
    controls.WriteDownload(*address);
  }
}

}  // namespace tesvarin
