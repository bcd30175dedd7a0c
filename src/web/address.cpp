#include "web/address.h"

#include <cctype>

namespace tesvarin {
namespace {

bool IsTrailingSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsSchemeChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '+' || c == '-' || c == '.'; }

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Length of the scheme ending in ':' at the start of `text`, or 0 if none.
std::size_t SchemeLength(std::string_view text) {
  if (text.empty() || !IsAlpha(text[0])) return 0;
  std::size_t i = 1;
  while (i < text.size() && IsSchemeChar(text[i])) ++i;
  return i < text.size() && text[i] == ':' ? i : 0;
}

int DefaultPort(std::string_view scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  return 0;
}

// Parses 1..65535; empty means the default, signalled by -1.
std::optional<int> ParsePort(std::string_view digits) {
  if (digits.empty()) return -1;
  long value = 0;
  for (char c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 65535) return std::nullopt;
  }
  if (value == 0) return std::nullopt;
  return static_cast<int>(value);
}

// Drops the last segment (and its '/') from `output`.
void DropLastSegment(std::string& output) {
  const auto slash = output.rfind('/');
  output.erase(slash == std::string::npos ? 0 : slash);
}

// RFC 3986 section 5.2.4.
std::string RemoveDotSegments(std::string_view input) {
  std::string output;
  while (!input.empty()) {
    if (input.starts_with("../")) {
      input.remove_prefix(3);
    } else if (input.starts_with("./")) {
      input.remove_prefix(2);
    } else if (input.starts_with("/./")) {
      input.remove_prefix(2);
    } else if (input == "/.") {
      input = "/";
    } else if (input.starts_with("/../")) {
      input.remove_prefix(3);
      DropLastSegment(output);
    } else if (input == "/..") {
      input = "/";
      DropLastSegment(output);
    } else if (input == "." || input == "..") {
      input = {};
    } else {
      const auto next = input.find('/', input[0] == '/' ? 1 : 0);
      const auto segment = input.substr(0, next);
      output.append(segment);
      input.remove_prefix(segment.size());
    }
  }
  return output;
}

std::string BlanksEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == ' ')
      out.append("%20");
    else
      out.push_back(c);
  }
  return out;
}

}  // namespace

std::optional<AddressParts> SplitAddress(std::string_view address) {
  while (!address.empty() && IsTrailingSpace(address.back())) address.remove_suffix(1);
  for (char c : address) {
    if (IsControl(static_cast<unsigned char>(c))) return std::nullopt;
  }

  const std::size_t scheme_length = SchemeLength(address);
  if (scheme_length == 0 || address.substr(scheme_length, 3) != "://") return std::nullopt;
  AddressParts parts;
  for (char c : address.substr(0, scheme_length))
    parts.scheme.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  std::string_view rest = address.substr(scheme_length + 3);

  const auto authority_end = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, authority_end);
  const std::string_view reference =
      authority_end == std::string_view::npos ? std::string_view{} : rest.substr(authority_end);
  if (reference.size() > kTargetRoom) return std::nullopt;

  if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view userinfo = authority.substr(0, at);
    const auto colon = userinfo.find(':');
    parts.user = userinfo.substr(0, colon);
    if (colon != std::string_view::npos) parts.password = userinfo.substr(colon + 1);
    authority.remove_prefix(at + 1);
  }
  if (parts.user.size() > kCredentialRoom || parts.password.size() > kCredentialRoom)
    return std::nullopt;

  std::string_view host;
  std::string_view port_digits;
  if (authority.starts_with('[')) {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = authority.substr(1, close - 1);
    // Only an IPv6 literal goes in brackets; anything else could not be put back.
    if (host.empty() || host.find_first_not_of("0123456789abcdefABCDEF:.") != host.npos)
      return std::nullopt;
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return std::nullopt;
      port_digits = after.substr(1);
    }
  } else {
    const auto colon = authority.find(':');
    host = authority.substr(0, colon);
    if (colon != std::string_view::npos) port_digits = authority.substr(colon + 1);
  }
  if (host.empty() || host.size() > kHostRoom) return std::nullopt;
  parts.host = host;

  const auto port = ParsePort(port_digits);
  if (!port) return std::nullopt;
  parts.port = *port < 0 ? DefaultPort(parts.scheme) : *port;

  const std::string_view without_fragment = reference.substr(0, reference.find('#'));
  const auto query_start = without_fragment.find('?');
  const std::string_view path = without_fragment.substr(0, query_start);
  const std::string_view query = query_start == std::string_view::npos
                                     ? std::string_view{}
                                     : without_fragment.substr(query_start);
  std::string resolved = RemoveDotSegments(path);
  if (resolved.empty()) resolved = "/";
  parts.target = BlanksEscaped(resolved) + BlanksEscaped(query);
  return parts;
}

namespace {

std::string Authority(const AddressParts& base) {
  std::string out;
  if (!base.user.empty() || !base.password.empty()) {
    out += base.user;
    if (!base.password.empty()) out += ":" + base.password;
    out += "@";
  }
  if (base.host.find(':') != std::string::npos)
    out += "[" + base.host + "]";
  else
    out += base.host;
  if (base.port != 0) out += ":" + std::to_string(base.port);
  return out;
}

}  // namespace

std::string ResolveReference(const AddressParts& base, std::string_view reference) {
  while (!reference.empty() && IsTrailingSpace(reference.front())) reference.remove_prefix(1);
  while (!reference.empty() && IsTrailingSpace(reference.back())) reference.remove_suffix(1);
  if (SchemeLength(reference) != 0) return std::string(reference);
  if (reference.starts_with("//")) return base.scheme + ":" + std::string(reference);

  // The base target holds no fragment; the reference's own is dropped by the split anyway.
  const std::string_view base_target = base.target;
  const std::string_view base_path = base_target.substr(0, base_target.find('?'));
  std::string target;
  if (reference.empty() || reference[0] == '#') {
    target = base_target;
  } else if (reference[0] == '?') {
    target = std::string(base_path) + std::string(reference);
  } else if (reference[0] == '/') {
    target = reference;
  } else {
    target = std::string(base_path.substr(0, base_path.rfind('/') + 1)) + std::string(reference);
  }
  return base.scheme + "://" + Authority(base) + target;
}

}  // namespace tesvarin
