// Splits fuzzed addresses and checks the bounds a request line relies on;
// resolves a fuzzed reference against a split base and splits the result.
//
// Input: the base address, a zero byte, the reference. SplitAddress turns
// down any address holding a zero byte, so the split hides no base it would
// take; the whole input is split as well.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "web/address.h"

namespace {

using tesvarin::AddressParts;

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

bool HasAnyOf(std::string_view text, std::string_view bytes) {
  return text.find_first_of(bytes) != std::string_view::npos;
}

bool HasControl(std::string_view text) {
  for (char c : text) {
    if (IsControl(c)) return true;
  }
  return false;
}

std::size_t Count(std::string_view text, std::string_view sought) {
  std::size_t count = 0;
  for (std::size_t at = text.find(sought); at != std::string_view::npos;
       at = text.find(sought, at + sought.size())) {
    ++count;
  }
  return count;
}

void CheckParts(const AddressParts& parts) {
  Require(!parts.scheme.empty());
  for (char c : parts.scheme) Require(!(c >= 'A' && c <= 'Z'));

  Require(!parts.host.empty() && parts.host.size() <= tesvarin::kHostRoom);
  Require(!HasAnyOf(parts.host, "/?#@") && !HasControl(parts.host));

  Require(parts.user.size() <= tesvarin::kCredentialRoom);
  Require(parts.password.size() <= tesvarin::kCredentialRoom);
  Require(!HasAnyOf(parts.user, ":/?#") && !HasControl(parts.user));
  Require(!HasAnyOf(parts.password, "/?#") && !HasControl(parts.password));

  Require(parts.port >= 0 && parts.port <= 65535);
  if (parts.port == 0) Require(parts.scheme != "http" && parts.scheme != "https");

  // Each blank became "%20"; without that growth the target is within its room.
  const std::string_view target = parts.target;
  Require(target.starts_with('/'));
  Require(!HasAnyOf(target, "# ") && !HasControl(target));
  Require(target.size() - 2 * Count(target, "%20") <= tesvarin::kTargetRoom);
}

std::optional<AddressParts> SplitAndCheck(std::string_view address) {
  auto parts = tesvarin::SplitAddress(address);
  if (parts) CheckParts(*parts);
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  SplitAndCheck(input);

  const std::size_t split = input.find('\0');
  if (split == std::string_view::npos) return 0;
  const auto base = SplitAndCheck(input.substr(0, split));
  if (!base) return 0;
  const std::string resolved = tesvarin::ResolveReference(*base, input.substr(split + 1));
  SplitAndCheck(resolved);
  return 0;
}
