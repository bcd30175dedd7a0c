#include "resolve/rules.h"

#include "tesvarin/config.h"

namespace tesvarin {
namespace {

// Piece n of `text` cut at `delimiter`; std::nullopt when it is missing.
std::optional<Text> PieceOfCut(std::string_view text, std::string_view delimiter, int n) {
  return PieceAt(CutAt(text, delimiter), n);
}

Text StripQuotes(std::string_view text) { return RemoveAll(text, "\""); }
Text StripSpaces(std::string_view text) { return RemoveAll(text, " "); }
Text StripClosers(std::string_view text) { return RemoveAll(text, ">"); }

// The value of the first player parameter: the text after "value=" in the
// piece after the first "<param name=", without quotation marks and ">".
std::optional<Text> FirstParamValue(const Text& page) {
  const auto a2 = PieceOfCut(page, "<param name=", 2);
  if (!a2) return std::nullopt;
  const auto b2 = PieceOfCut(*a2, "value=", 2);
  if (!b2) return std::nullopt;
  return StripClosers(StripQuotes(*b2));
}

}  // namespace

RuleResult RuleHi193(const Text& page, const RuleContext& context) {
  const auto value = FirstParamValue(page);
  if (!value) return std::nullopt;
  const Text target = Join({config::kSiteRootHi193, *value});
  context.pauser.Pause(100);
  if (context.is_closed()) return std::nullopt;
  return BodyToText(context.fetcher.FetchDocument(target));
}

RuleResult RuleDjkk(const Text& page, const RuleContext&) {
  const auto a2 = PieceOfCut(page, "s_bstr=", 2);
  if (!a2) return std::nullopt;
  const auto b1 = PieceOfCut(*a2, ";</SCRIPT>", 1);
  if (!b1) return std::nullopt;
  const PieceList c = CutAt(*b1, "var righturl=");
  const auto c1 = PieceAt(c, 1);
  if (!c1) return std::nullopt;
  const auto d1 = PieceOfCut(*c1, ";", 1);
  if (!d1) return std::nullopt;
  const Text base = StripSpaces(StripQuotes(*d1));
  const auto c2 = PieceAt(c, 2);
  if (!c2) return std::nullopt;
  return Join({base, StripQuotes(*c2)});
}

RuleResult Rule92cc(const Text& page, const RuleContext& context) {
  const auto a2 = PieceOfCut(page, "var danceFilePath =", 2);
  if (!a2) return std::nullopt;
  const auto b1 = PieceOfCut(*a2, "\";", 1);
  if (!b1) return std::nullopt;
  const auto c1 = PieceOfCut(*b1, "var fmpObj", 1);
  if (!c1) return std::nullopt;
  const Text path = StripQuotes(*c1);
  const Text script = BodyToText(context.fetcher.FetchDocument(config::kPlayerScriptAddress));
  const auto e2 = PieceOfCut(script, "src=", 2);
  if (!e2) return std::nullopt;
  const auto f1 = PieceOfCut(*e2, " type=", 1);
  if (!f1) return std::nullopt;
  const PieceList g = CutAt(*f1, "e/");
  const auto g2 = PieceAt(g, 2);
  if (!g2) return std::nullopt;
  const PieceList h = CutAt(*g2, ".m");
  const auto g1 = PieceAt(g, 1);
  if (!g1) return std::nullopt;
  const auto h2 = PieceAt(h, 2);
  if (!h2) return std::nullopt;
  const Text joined = Join({*g1, "e/", path, ".m", *h2});
  return StripSpaces(StripQuotes(joined));
}

RuleResult RuleDjrrr(const Text& page, const RuleContext& context) {
  const auto value = FirstParamValue(page);
  if (!value) return std::nullopt;
  const Text list =
      BodyToText(context.fetcher.FetchDocument(Join({config::kSiteRootDjrrr, *value})));
  const auto c3 = PieceOfCut(list, "<copyright>cd_webname - cd_weburl</copyright>", 3);
  if (!c3) return std::nullopt;
  const auto d1 = PieceOfCut(*c3, " />", 1);
  if (!d1) return std::nullopt;
  const auto e2 = PieceOfCut(*d1, "<ref href=", 2);
  if (!e2) return std::nullopt;
  return StripQuotes(*e2);
}

}  // namespace tesvarin
