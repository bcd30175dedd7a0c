#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The proxy a fetch goes through, from the usual environment variables. The
// fetcher decides this itself because the request target it writes depends on it.
namespace tesvarin {

// Returns the value of an environment variable, or null when unset.
using EnvironmentLookup = std::function<const char*(const char*)>;

// Returns the proxy for a request of `scheme` to `host`, or std::nullopt for a
// direct connection. Reads http_proxy (lower case only) for http,
// https_proxy/HTTPS_PROXY for https, then all_proxy/ALL_PROXY; no_proxy/NO_PROXY
// excludes hosts. Empty values count as unset.
[[nodiscard]] std::optional<std::string> ProxyFor(std::string_view scheme, std::string_view host,
                                                  const EnvironmentLookup& lookup);

// The same over the process environment.
[[nodiscard]] std::optional<std::string> ProxyFor(std::string_view scheme, std::string_view host);

}  // namespace tesvarin
