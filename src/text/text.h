#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Byte-string operations on GBK text. The scanning operations (CutAt, Locate,
// RemoveAll) try a match only where a character starts: a byte >= 0x80 leads a
// two-byte character whatever follows it, so a match never begins on a trail
// byte. None of them converts, folds case or trims.
namespace tesvarin {

using Text = std::string;           // GBK bytes; the empty text is the only "absent" text
using DocumentBytes = std::string;  // body bytes of any value, possibly none

// The pieces a cut yields, each independent of the text they came from. They
// are kept back to back in one buffer: a cut of a large page is then one
// allocation instead of one per piece.
class PieceList {
 public:
  PieceList() = default;
  PieceList(std::initializer_list<std::string_view> pieces);

  void Reserve(std::size_t bytes) { bytes_.reserve(bytes); }
  void Append(std::string_view piece);

  [[nodiscard]] std::size_t size() const { return ends_.size(); }
  [[nodiscard]] bool empty() const { return ends_.empty(); }
  // Returns piece `index`, counted from 0.
  [[nodiscard]] std::string_view operator[](std::size_t index) const;
  // Returns the pieces as separate texts.
  [[nodiscard]] std::vector<Text> ToVector() const;

  friend bool operator==(const PieceList&, const PieceList&) = default;

 private:
  std::string bytes_;
  std::vector<std::size_t> ends_;  // where each piece ends in bytes_
};

// Returns the pieces of `text` between non-overlapping occurrences of
// `delimiter`; empty text gives no pieces, an empty delimiter the whole text,
// and a delimiter at the very end adds no empty last piece.
[[nodiscard]] PieceList CutAt(std::string_view text, std::string_view delimiter);

// Returns piece `n` (from 1) of `list`, or std::nullopt for PieceMissing.
[[nodiscard]] std::optional<Text> PieceAt(const PieceList& list, int n);

// Returns the 1-based byte position of the first occurrence of `sought`, or -1;
// an empty `sought` is at 1 in any non-empty text.
[[nodiscard]] long long Locate(std::string_view text, std::string_view sought);

// Returns `text` with every occurrence of `target` deleted (not rescanned); a
// lone lead byte at the very end is dropped when the scan reaches it.
[[nodiscard]] Text RemoveAll(std::string_view text, std::string_view target);

// Returns the bytes before the first zero byte (all of them if none).
[[nodiscard]] Text BodyToText(std::string_view bytes);

// Returns the concatenation of `parts` in order.
[[nodiscard]] Text Join(std::initializer_list<std::string_view> parts);

// Returns true exactly when `text` has no bytes.
[[nodiscard]] inline bool IsEmptyText(std::string_view text) { return text.empty(); }

}  // namespace tesvarin
