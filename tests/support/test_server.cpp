#include "support/test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <stdexcept>

namespace tesvarin::testing {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

RecordedRequest ParseHead(std::string raw) {
  RecordedRequest request;
  std::string_view rest = raw;
  auto next_line = [&rest]() {
    const auto end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
    return line;
  };
  std::string_view line = next_line();
  const auto first_blank = line.find(' ');
  const auto last_blank = line.rfind(' ');
  request.method = line.substr(0, first_blank);
  if (first_blank != std::string_view::npos && last_blank > first_blank) {
    request.target = line.substr(first_blank + 1, last_blank - first_blank - 1);
    request.version = line.substr(last_blank + 1);
  }
  while (!(line = next_line()).empty()) {
    const auto colon = line.find(':');
    request.headers.emplace_back(Trim(line.substr(0, colon)), colon == std::string_view::npos
                                                                  ? ""
                                                                  : Trim(line.substr(colon + 1)));
  }
  request.raw = std::move(raw);
  return request;
}

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct SslFree {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};

void AddExtension(X509* cert, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  if (extension == nullptr || X509_add_ext(cert, extension, -1) != 1)
    throw std::runtime_error("certificate extension");
  X509_EXTENSION_free(extension);
}

}  // namespace

std::optional<std::string> RecordedRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (EqualNoCase(key, name)) return value;
  }
  return std::nullopt;
}

std::size_t RecordedRequest::HeaderCount(std::string_view name) const {
  std::size_t count = 0;
  for (const auto& header : headers) count += EqualNoCase(header.first, name) ? 1 : 0;
  return count;
}

struct SelfSignedIdentity::Parts {
  std::unique_ptr<EVP_PKEY, KeyFree> key;
  std::unique_ptr<X509, CertFree> cert;
};

SelfSignedIdentity::SelfSignedIdentity() : parts_(std::make_unique<Parts>()) {
  parts_->key.reset(EVP_EC_gen("P-256"));
  parts_->cert.reset(X509_new());
  X509* cert = parts_->cert.get();
  if (!parts_->key || cert == nullptr) throw std::runtime_error("key or certificate");
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
  X509_set_pubkey(cert, parts_->key.get());
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert, name);
  AddExtension(cert, NID_basic_constraints, "critical,CA:TRUE");
  AddExtension(cert, NID_key_usage, "critical,digitalSignature,keyCertSign");
  AddExtension(cert, NID_subject_key_identifier, "hash");
  AddExtension(cert, NID_subject_alt_name, "IP:127.0.0.1");
  if (X509_sign(cert, parts_->key.get(), EVP_sha256()) == 0) throw std::runtime_error("signing");

  std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1) throw std::runtime_error("PEM");
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  certificate_pem_.assign(data, static_cast<std::size_t>(size));
}

SelfSignedIdentity::~SelfSignedIdentity() = default;

struct ServerConnection::State {
  std::mutex& mutex;
  std::condition_variable& stopping_cv;
  const bool& stopping;
  int wake_fd;
  int fd;
  SSL* ssl;
  bool closed = false;
};

bool ServerConnection::Send(std::string_view bytes) {
  while (!bytes.empty() && !state_.closed) {
    const long sent = state_.ssl != nullptr
                          ? SSL_write(state_.ssl, bytes.data(), static_cast<int>(bytes.size()))
                          : ::send(state_.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return bytes.empty();
}

bool ServerConnection::SendInPieces(std::string_view bytes, std::size_t piece, int pause_ms) {
  while (!bytes.empty()) {
    const std::string_view part = bytes.substr(0, piece);
    if (!Send(part)) return false;
    bytes.remove_prefix(part.size());
    if (!bytes.empty()) Pause(pause_ms);
  }
  return true;
}

void ServerConnection::Pause(int ms) {
  std::unique_lock lock(state_.mutex);
  state_.stopping_cv.wait_for(lock, std::chrono::milliseconds(ms),
                              [this] { return state_.stopping; });
}

bool ServerConnection::WaitForPeerClose(int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!state_.closed) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd watched[2] = {{state_.fd, POLLIN, 0}, {state_.wake_fd, POLLIN, 0}};
    if (::poll(watched, 2, static_cast<int>(left.count())) < 0) continue;
    // The peer first: a hang-up that came before the stop still counts.
    if (watched[0].revents != 0) {
      char sink[4096];
      if (::recv(state_.fd, sink, sizeof sink, 0) <= 0) return true;
    } else if (watched[1].revents != 0) {
      return false;
    }
  }
  return false;
}

void ServerConnection::Reset() {
  if (state_.closed) return;
  const linger hard{1, 0};
  setsockopt(state_.fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  Close();
}

void ServerConnection::Close() {
  if (state_.closed) return;
  state_.closed = true;
  ::close(state_.fd);
}

TestServer::TestServer(Handler handler, const SelfSignedIdentity* tls)
    : handler_(std::move(handler)), tls_(tls) {
  // A client that hangs up mid-answer must not kill the test process.
  std::signal(SIGPIPE, SIG_IGN);
  if (tls_ != nullptr) {
    tls_context_ = SSL_CTX_new(TLS_server_method());
    if (tls_context_ == nullptr ||
        SSL_CTX_use_certificate(tls_context_, tls_->parts_->cert.get()) != 1 ||
        SSL_CTX_use_PrivateKey(tls_context_, tls_->parts_->key.get()) != 1)
      throw std::runtime_error("TLS context");
  }
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      ::pipe2(wake_, O_CLOEXEC) != 0)
    throw std::runtime_error("test server socket");
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

std::unique_ptr<TestServer> TestServer::Replying(Replier replier, const SelfSignedIdentity* tls) {
  return std::make_unique<TestServer>(
      [replier = std::move(replier)](const RecordedRequest& request, ServerConnection& connection) {
        connection.Send(replier(request));
      },
      tls);
}

TestServer::~TestServer() {
  Stop();
  for (int fd : {listener_, wake_[0], wake_[1]}) {
    if (fd >= 0) ::close(fd);
  }
  SSL_CTX_free(tls_context_);
}

void TestServer::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopping_cv_.notify_all();
  const char wake = 1;
  [[maybe_unused]] const auto written = ::write(wake_[1], &wake, 1);
  if (thread_.joinable()) thread_.join();
}

std::string TestServer::Address(std::string_view path) const {
  return std::string(tls_ != nullptr ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) +
         std::string(path);
}

std::vector<RecordedRequest> TestServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void TestServer::Serve() {
  for (;;) {
    pollfd watched[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(watched, 2, -1) < 0) continue;
    if (watched[1].revents != 0) return;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0) ServeOne(client);
  }
}

void TestServer::ServeOne(int client) {
  ++connections_;
  // Bounds a read from a client that connected and went quiet.
  const timeval quiet{5, 0};
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &quiet, sizeof quiet);
  std::unique_ptr<SSL, SslFree> ssl;
  ServerConnection::State state{mutex_, stopping_cv_, stopping_, wake_[0], client, nullptr};
  ServerConnection connection(state);
  if (tls_context_ != nullptr) {
    ssl.reset(SSL_new(tls_context_));
    state.ssl = ssl.get();
    if (!ssl || SSL_set_fd(ssl.get(), client) != 1 || SSL_accept(ssl.get()) != 1) {
      ERR_clear_error();
      connection.Close();
      return;
    }
  }

  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < (64u << 10)) {
    const long got =
        ssl ? SSL_read(ssl.get(), buffer, sizeof buffer) : ::recv(client, buffer, sizeof buffer, 0);
    if (got == 0) ++early_hangups_;
    if (got <= 0) break;
    head.append(buffer, static_cast<std::size_t>(got));
  }
  const auto end = head.find("\r\n\r\n");
  if (end == std::string::npos) {
    connection.Close();
    return;
  }
  head.resize(end + 4);
  RecordedRequest request = ParseHead(std::move(head));
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  handler_(request, connection);
  if (!state.closed) {
    if (ssl) SSL_shutdown(ssl.get());
    ::shutdown(client, SHUT_WR);
    connection.Close();
  }
}

std::string HttpReply(std::string_view status, std::string_view body,
                      std::initializer_list<std::string_view> headers) {
  std::string reply = "HTTP/1.0 " + std::string(status) + "\r\n";
  for (std::string_view header : headers) reply.append(header).append("\r\n");
  reply += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  reply.append(body);
  return reply;
}

}  // namespace tesvarin::testing
