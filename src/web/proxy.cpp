#include "web/proxy.h"

#include <cstdlib>

namespace tesvarin {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::optional<std::string> Lookup(const EnvironmentLookup& lookup,
                                  std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = lookup(name);
    if (value != nullptr && *value != '\0') return std::string(value);
  }
  return std::nullopt;
}

// True when `host` equals `entry` or lies in the domain `entry` names.
bool Matches(std::string_view host, std::string_view entry) {
  if (entry.starts_with('.')) entry.remove_prefix(1);
  if (entry.size() >= 2 && entry.front() == '[' && entry.back() == ']')
    entry = entry.substr(1, entry.size() - 2);
  if (entry.empty()) return false;
  if (EqualNoCase(host, entry)) return true;
  return host.size() > entry.size() && host[host.size() - entry.size() - 1] == '.' &&
         EqualNoCase(host.substr(host.size() - entry.size()), entry);
}

bool Excluded(std::string_view host, std::string_view list) {
  while (!list.empty()) {
    const auto start = list.find_first_not_of(", \t");
    if (start == std::string_view::npos) break;
    list.remove_prefix(start);
    const auto end = list.find_first_of(", \t");
    const std::string_view entry = list.substr(0, end);
    if (entry == "*" || Matches(host, entry)) return true;
    list.remove_prefix(entry.size());
  }
  return false;
}

}  // namespace

std::optional<std::string> ProxyFor(std::string_view scheme, std::string_view host,
                                    const EnvironmentLookup& lookup) {
  std::optional<std::string> proxy;
  if (scheme == "http") {
    // Only the lower-case name: a CGI environment sets HTTP_PROXY from a request header.
    proxy = Lookup(lookup, {"http_proxy"});
  } else if (scheme == "https") {
    proxy = Lookup(lookup, {"https_proxy", "HTTPS_PROXY"});
  }
  if (!proxy) proxy = Lookup(lookup, {"all_proxy", "ALL_PROXY"});
  if (!proxy) return std::nullopt;
  if (const auto no_proxy = Lookup(lookup, {"no_proxy", "NO_PROXY"});
      no_proxy && Excluded(host, *no_proxy))
    return std::nullopt;
  return proxy;
}

std::optional<std::string> ProxyFor(std::string_view scheme, std::string_view host) {
  return ProxyFor(scheme, host, [](const char* name) { return std::getenv(name); });
}

}  // namespace tesvarin
