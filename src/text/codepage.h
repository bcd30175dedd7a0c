#pragma once

#include <string>
#include <string_view>

// The bridge between GBK (code page 936) and UTF-8 at the program's edges.
namespace tesvarin {

// Returns `utf8` in GBK; characters GBK lacks, and bytes that are not UTF-8,
// become "?".
[[nodiscard]] std::string Utf8ToGbk(std::string_view utf8);

// Returns `gbk` in UTF-8; byte sequences that are not GBK become U+FFFD.
[[nodiscard]] std::string GbkToUtf8(std::string_view gbk);

}  // namespace tesvarin
