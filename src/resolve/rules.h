#pragma once

#include <functional>
#include <optional>

#include "text/text.h"
#include "web/fetcher.h"
#include "web/pause.h"

// The four site rules: each turns a play page into the track's download
// address, or std::nullopt when a piece it needs is missing.
namespace tesvarin {

// What a rule may use besides the page: one more fetch, and for hi193 the
// pause before it. `is_closed` tells whether the window went during that
// pause; the rule then stops without fetching.
struct RuleContext {
  Fetcher& fetcher;
  Pauser& pauser;
  std::function<bool()> is_closed = [] { return false; };
};

// The rules' outcome: the address, or std::nullopt for a missing piece (or a
// window closed mid-rule).
using RuleResult = std::optional<Text>;

[[nodiscard]] RuleResult RuleHi193(const Text& page, const RuleContext& context);
[[nodiscard]] RuleResult RuleDjkk(const Text& page, const RuleContext& context);
[[nodiscard]] RuleResult Rule92cc(const Text& page, const RuleContext& context);
[[nodiscard]] RuleResult RuleDjrrr(const Text& page, const RuleContext& context);

}  // namespace tesvarin
