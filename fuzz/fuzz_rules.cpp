// Runs the four site rules on a fuzzed play page, with a fetcher that answers
// every address with a fuzzed document, and checks what must hold whatever
// the bytes: which addresses are fetched, how often, and that an address is
// only ever cut out of the page and the document.
//
// Input: the page, two zero bytes, the document. A page taken from a body
// never holds a zero byte, so the split loses no page that occurs in use.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "resolve/fakes.h"
#include "resolve/rules.h"
#include "tesvarin/config.h"
#include "text/text.h"

namespace {

using tesvarin::RuleContext;
using tesvarin::RuleResult;
using tesvarin::Text;

constexpr std::string_view kSeparator("\0\0", 2);

class AnyAddressFetcher final : public tesvarin::Fetcher {
 public:
  explicit AnyAddressFetcher(std::string_view document) : document_(document) {}
  std::vector<std::string> fetched;

  tesvarin::DocumentBytes FetchDocument(std::string_view address) override {
    fetched.emplace_back(address);
    return tesvarin::DocumentBytes(document_);
  }

 private:
  std::string_view document_;
};

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

struct Run {
  RuleResult result;
  std::vector<std::string> fetched;
  int pauses = 0;
  int last_pause_ms = 0;
};

Run RunRule(RuleResult (*rule)(const Text&, const RuleContext&), const Text& page,
            std::string_view document, bool closed = false) {
  AnyAddressFetcher fetcher(document);
  tesvarin::testing::FakePauser pauser;
  const RuleContext context{fetcher, pauser, [closed] { return closed; }};
  Run run;
  run.result = rule(page, context);
  run.fetched = fetcher.fetched;
  run.pauses = pauser.pauses;
  run.last_pause_ms = pauser.last_ms;
  return run;
}

bool HasZero(std::string_view text) { return text.find('\0') != std::string_view::npos; }

// The part of a fetched address after `root`, which the address must start with.
std::string_view AfterRoot(std::string_view address, std::string_view root) {
  Require(address.starts_with(root));
  return address.substr(root.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find(kSeparator);
  const Text page(input.substr(0, split));
  const std::string_view document = split == std::string_view::npos
                                        ? std::string_view{}
                                        : input.substr(split + kSeparator.size());
  const Text body = tesvarin::BodyToText(document);

  // hi193: one pause of 100 ms, then one fetch under its root; the answer's
  // body is the address.
  const Run hi193 = RunRule(tesvarin::RuleHi193, page, document);
  Require(hi193.fetched.size() <= 1);
  Require(hi193.result.has_value() == (hi193.fetched.size() == 1));
  Require(hi193.pauses == static_cast<int>(hi193.fetched.size()));
  if (hi193.result) {
    Require(hi193.last_pause_ms == 100);
    Require(*hi193.result == body);
    Require(AfterRoot(hi193.fetched[0], tesvarin::config::kSiteRootHi193).size() <= page.size());
  }
  // A window closed during the pause: no fetch, no address.
  const Run closed = RunRule(tesvarin::RuleHi193, page, document, true);
  Require(!closed.result && closed.fetched.empty() && closed.pauses == hi193.pauses);

  // djkk needs nothing but the page.
  const Run djkk = RunRule(tesvarin::RuleDjkk, page, document);
  Require(djkk.fetched.empty() && djkk.pauses == 0);
  Require(!djkk.result || djkk.result->size() <= page.size());

  // 92cc: at most the player script, and only once.
  const Run ninety_two = RunRule(tesvarin::Rule92cc, page, document);
  Require(ninety_two.fetched.size() <= 1 && ninety_two.pauses == 0);
  if (!ninety_two.fetched.empty()) {
    Require(ninety_two.fetched[0] == tesvarin::config::kPlayerScriptAddress);
  }
  if (ninety_two.result) {
    Require(ninety_two.fetched.size() == 1);
    Require(ninety_two.result->size() <= page.size() + body.size());
  }

  // djrrr reads the same player parameter as hi193 and fetches under its own root.
  const Run djrrr = RunRule(tesvarin::RuleDjrrr, page, document);
  Require(djrrr.fetched.size() == hi193.fetched.size() && djrrr.pauses == 0);
  if (!djrrr.fetched.empty()) {
    Require(AfterRoot(djrrr.fetched[0], tesvarin::config::kSiteRootDjrrr) ==
            AfterRoot(hi193.fetched[0], tesvarin::config::kSiteRootHi193));
  }
  if (djrrr.result) {
    Require(djrrr.result->size() <= body.size() && !HasZero(*djrrr.result));
  }
  return 0;
}
