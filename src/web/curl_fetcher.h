#pragma once

#include <cstddef>
#include <string_view>

#include "web/fetcher.h"

namespace tesvarin {

// Fetches over libcurl through the process-wide web agent (shared cookie
// store, opened on first use).
class CurlFetcher final : public Fetcher {
 public:
  DocumentBytes FetchDocument(std::string_view address) override;
};

// The time bounds of every fetch, in seconds.
inline constexpr long kConnectTimeoutSeconds = 30;  // connection and TLS set-up
inline constexpr long kStallSeconds = 30;           // below kStallBytesPerSecond this long
inline constexpr long kStallBytesPerSecond = 1024;
inline constexpr int kMaxRedirects = 10;
// A body is cut here and kept, as if the read had failed.
inline constexpr std::size_t kMaxBodyBytes = 64u << 20;

// The bounds above, gathered so tests can shorten them.
struct FetchBounds {
  long connect_timeout_seconds = kConnectTimeoutSeconds;
  long stall_seconds = kStallSeconds;
  long stall_bytes_per_second = kStallBytesPerSecond;
  std::size_t max_body_bytes = kMaxBodyBytes;
};

// Replaces the bounds of every later fetch; FetchBounds{} restores the normal
// ones. For tests only: the program always runs with the defaults.
void SetFetchBoundsForTesting(const FetchBounds& bounds);

}  // namespace tesvarin
