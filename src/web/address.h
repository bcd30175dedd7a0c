#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tesvarin {

// The parts of an absolute address, ready for a request.
struct AddressParts {
  std::string scheme;  // lower case, as written otherwise
  std::string host;    // without brackets for an IPv6 literal
  int port = 0;        // explicit, else the scheme's default (80/443; 0 for others)
  std::string user;
  std::string password;
  std::string target;  // path (dot segments resolved, "/" when absent) and query, no fragment
};

inline constexpr std::size_t kHostRoom = 255;
inline constexpr std::size_t kCredentialRoom = 127;
inline constexpr std::size_t kTargetRoom = 2047;

// Returns the canonical parts of `address`, or std::nullopt when it has no
// scheme, is malformed, or a part exceeds its room. White space at the end is
// dropped; nothing is percent-encoded or decoded except that a blank inside
// the target becomes %20 (a raw blank would break the request line).
[[nodiscard]] std::optional<AddressParts> SplitAddress(std::string_view address);

// Returns the absolute address `reference` (a Location value) names when read
// against `base`, for SplitAddress to take apart again; bytes are kept as written.
[[nodiscard]] std::string ResolveReference(const AddressParts& base, std::string_view reference);

}  // namespace tesvarin
