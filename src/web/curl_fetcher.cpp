#include "web/curl_fetcher.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "web/address.h"
#include "web/proxy.h"

namespace tesvarin {
namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

FetchBounds& Bounds() {
  static FetchBounds bounds;
  return bounds;
}

struct EasyCloser {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ShareCloser {
  void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};
struct ListCloser {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCloser>;
using ShareHandle = std::unique_ptr<CURLSH, ShareCloser>;
using HeaderList = std::unique_ptr<curl_slist, ListCloser>;

// The library state every fetch shares: curl's global set-up and the cookie
// store, kept in memory only.
class WebAgent {
 public:
  static std::unique_ptr<WebAgent> Open() {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
    auto agent = std::make_unique<WebAgent>();
    agent->share_.reset(curl_share_init());
    if (!agent->share_ || curl_share_setopt(agent->share_.get(), CURLSHOPT_SHARE,
                                            CURL_LOCK_DATA_COOKIE) != CURLSHE_OK)
      return nullptr;  // the destructor undoes the global set-up
    return agent;
  }
  ~WebAgent() {
    share_.reset();
    curl_global_cleanup();
  }
  CURLSH* Share() const { return share_.get(); }

 private:
  ShareHandle share_;
};

// Opened by the first fetch that needs it; a failed opening is tried again next time.
WebAgent* TheAgent() {
  static std::unique_ptr<WebAgent> agent;
  if (!agent) agent = WebAgent::Open();
  return agent.get();
}

struct Answer {
  std::string body;
  std::size_t body_cap = 0;
  std::optional<std::string> location;
  long status = 0;
  CURLcode code = CURLE_OK;
};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    if (lower(text[i]) != lower(prefix[i])) return false;
  }
  return true;
}

std::size_t TakeBody(char* data, std::size_t size, std::size_t count, void* user) noexcept {
  auto& answer = *static_cast<Answer*>(user);
  const std::size_t bytes = size * count;
  const std::size_t room = answer.body_cap - std::min(answer.body_cap, answer.body.size());
  try {
    answer.body.append(data, std::min(bytes, room));
  } catch (...) {
    return 0;
  }
  // A short count makes curl stop; what fitted is kept.
  return bytes <= room ? bytes : 0;
}

std::size_t TakeHeader(char* data, std::size_t size, std::size_t count, void* user) noexcept {
  auto& answer = *static_cast<Answer*>(user);
  const std::size_t bytes = size * count;
  std::string_view line(data, bytes);
  try {
    if (line.starts_with("HTTP/")) {
      // A new answer (after an authentication round or a proxy's CONNECT) replaces the last.
      answer.body.clear();
      answer.location.reset();
    } else if (StartsWithNoCase(line, "location:")) {
      line.remove_prefix(9);
      const auto first = line.find_first_not_of(" \t");
      const auto last = line.find_last_not_of(" \t\r\n");
      answer.location =
          first == std::string_view::npos ? std::string() : line.substr(first, last - first + 1);
    }
  } catch (...) {
    return 0;
  }
  return bytes;
}

bool IsRedirect(long status) { return status >= 300 && status < 400 && status != 304; }

std::string HostForAddress(const std::string& host) {
  return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

// The target with bytes above 0x7F escaped, as curl's address parser wants them.
std::string UrlSafe(std::string_view target) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : target) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0xF]);
    }
  }
  return out;
}

class Options {
 public:
  explicit Options(CURL* easy) : easy_(easy) {}
  template <typename Value>
  Options& Set(CURLoption option, Value value) {
    if (ok_) ok_ = curl_easy_setopt(easy_, option, value) == CURLE_OK;
    return *this;
  }
  bool ok() const { return ok_; }

 private:
  CURL* easy_;
  bool ok_ = true;
};

// One GET over a connection of its own; the body is whatever arrived.
Answer FetchOnce(const WebAgent& agent, const AddressParts& parts, bool ignore_length) {
  Answer answer;
  EasyHandle easy(curl_easy_init());
  if (!easy) {
    answer.code = CURLE_FAILED_INIT;
    return answer;
  }
  const FetchBounds& bounds = Bounds();
  answer.body_cap = bounds.max_body_bytes;

  const std::string host = HostForAddress(parts.host);
  // Curl matches cookie paths (and builds digest answers) against this address,
  // not against the target on the wire, so it carries the target too.
  const std::string url =
      parts.scheme + "://" + host + ":" + std::to_string(parts.port) + UrlSafe(parts.target);
  const std::optional<std::string> proxy = ProxyFor(parts.scheme, parts.host);
  // Curl sends the target verbatim, so through a plain proxy it must be the absolute form.
  std::string target = parts.target;
  if (proxy && parts.scheme == "http")
    target = "http://" + host + (parts.port == 80 ? "" : ":" + std::to_string(parts.port)) + target;

  // An empty "Proxy-Connection:" stops curl asking a proxy to keep a
  // connection this fetch is about to drop.
  HeaderList headers(curl_slist_append(nullptr, "Accept: */*"));
  if (headers && !curl_slist_append(headers.get(), "Proxy-Connection:")) headers.reset();
  if (!headers) {
    answer.code = CURLE_OUT_OF_MEMORY;
    return answer;
  }

  Options options(easy.get());
  options.Set(CURLOPT_URL, url.c_str())
      .Set(CURLOPT_PATH_AS_IS, 1L)
      .Set(CURLOPT_REQUEST_TARGET, target.c_str())
      .Set(CURLOPT_PROTOCOLS_STR, "http,https")
      .Set(CURLOPT_FOLLOWLOCATION, 0L)
      .Set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0))
      .Set(CURLOPT_USERAGENT, kUserAgent)
      .Set(CURLOPT_HTTPHEADER, headers.get())
      .Set(CURLOPT_SHARE, agent.Share())
      .Set(CURLOPT_COOKIEFILE, "")  // turns the cookie engine on; nothing is read or written
      .Set(CURLOPT_FRESH_CONNECT, 1L)
      .Set(CURLOPT_FORBID_REUSE, 1L)
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_SSL_VERIFYPEER, 1L)
      .Set(CURLOPT_SSL_VERIFYHOST, 2L)
      .Set(CURLOPT_CONNECTTIMEOUT, bounds.connect_timeout_seconds)
      .Set(CURLOPT_LOW_SPEED_LIMIT, bounds.stall_bytes_per_second)
      .Set(CURLOPT_LOW_SPEED_TIME, bounds.stall_seconds)
      // Empty strings keep curl from consulting the environment behind our decision.
      .Set(CURLOPT_PROXY, proxy ? proxy->c_str() : "")
      .Set(CURLOPT_NOPROXY, "")
      .Set(CURLOPT_WRITEFUNCTION, TakeBody)
      .Set(CURLOPT_WRITEDATA, &answer)
      .Set(CURLOPT_HEADERFUNCTION, TakeHeader)
      .Set(CURLOPT_HEADERDATA, &answer)
      .Set(CURLOPT_IGNORE_CONTENT_LENGTH, ignore_length ? 1L : 0L);
  if (!parts.user.empty() || !parts.password.empty()) {
    options.Set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    if (!parts.user.empty()) options.Set(CURLOPT_USERNAME, parts.user.c_str());
    if (!parts.password.empty()) options.Set(CURLOPT_PASSWORD, parts.password.c_str());
  }
  if (!options.ok()) {
    answer.code = CURLE_FAILED_INIT;
    return answer;
  }

  answer.code = curl_easy_perform(easy.get());
  curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &answer.status);
  return answer;
}

DocumentBytes Fetch(std::string_view address) {
  if (address.empty()) return {};
  std::optional<AddressParts> parts = SplitAddress(address);
  if (!parts) return {};
  const WebAgent* agent = TheAgent();
  if (agent == nullptr) return {};
  for (int hop = 0;; ++hop) {
    // Also ends a redirect to another scheme (file:, ftp:) with nothing: its
    // answer's body is only a note about the move.
    if (parts->scheme != "http" && parts->scheme != "https") return {};
    Answer answer = FetchOnce(*agent, *parts, false);
    // Curl refuses an answer whose Content-Length it can't use (a negative one, say);
    // such a length is no limit, so ask once more and read to the close.
    if (answer.code == CURLE_WEIRD_SERVER_REPLY) answer = FetchOnce(*agent, *parts, true);
    // A failure keeps what arrived: nothing when it came before the body.
    if (answer.code != CURLE_OK || !IsRedirect(answer.status) || !answer.location ||
        hop == kMaxRedirects)
      return std::move(answer.body);
    parts = SplitAddress(ResolveReference(*parts, *answer.location));
    if (!parts) return {};  // a Location we cannot use, like a refused scheme
  }
}

}  // namespace

void SetFetchBoundsForTesting(const FetchBounds& bounds) { Bounds() = bounds; }

DocumentBytes CurlFetcher::FetchDocument(std::string_view address) {
  try {
    return Fetch(address);
  } catch (...) {
    return {};
  }
}

}  // namespace tesvarin
