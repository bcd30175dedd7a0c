#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

struct ssl_ctx_st;

// A small HTTP server for tests: listens on 127.0.0.1 on a port the system
// picks, takes one connection at a time on its own thread, records every
// request head and lets a handler answer it, well or badly.
namespace tesvarin::testing {

struct RecordedRequest {
  std::string raw;  // request line and header lines as received, through the blank line
  std::string method;
  std::string target;
  std::string version;
  std::vector<std::pair<std::string, std::string>> headers;  // in order, values trimmed

  // The first value of header `name` (any case), or std::nullopt.
  std::optional<std::string> Header(std::string_view name) const;
  // How many times header `name` (any case) occurs.
  std::size_t HeaderCount(std::string_view name) const;
};

// What a handler says over; with TLS the bytes go through the session.
class ServerConnection {
 public:
  // Sends all of `bytes`; false once the peer is gone.
  bool Send(std::string_view bytes);
  // Sends `bytes` in pieces of `piece` bytes with `pause_ms` between them.
  bool SendInPieces(std::string_view bytes, std::size_t piece, int pause_ms);
  // Waits `ms` or until the server stops, whichever is first.
  void Pause(int ms);
  // Waits until the peer closes (true) or `ms` pass or the server stops (false);
  // whatever the peer sends meanwhile is read and dropped.
  bool WaitForPeerClose(int ms);
  // Ends the connection with a reset instead of an orderly close.
  void Reset();
  // Closes at once (the same as returning from the handler).
  void Close();

 private:
  friend class TestServer;
  struct State;
  explicit ServerConnection(State& state) : state_(state) {}
  State& state_;
};

// A certificate and key made in memory, signed by themselves, naming 127.0.0.1.
class SelfSignedIdentity {
 public:
  SelfSignedIdentity();
  ~SelfSignedIdentity();
  SelfSignedIdentity(const SelfSignedIdentity&) = delete;
  SelfSignedIdentity& operator=(const SelfSignedIdentity&) = delete;
  // The certificate in PEM form, for a client that chooses to trust it.
  const std::string& CertificatePem() const { return certificate_pem_; }

 private:
  friend class TestServer;
  struct Parts;
  std::unique_ptr<Parts> parts_;
  std::string certificate_pem_;
};

class TestServer {
 public:
  using Handler = std::function<void(const RecordedRequest&, ServerConnection&)>;
  using Replier = std::function<std::string(const RecordedRequest&)>;

  // Answers each request through `handler`; the connection closes when it returns.
  explicit TestServer(Handler handler, const SelfSignedIdentity* tls = nullptr);
  // Answers each request with the bytes `replier` returns.
  static std::unique_ptr<TestServer> Replying(Replier replier,
                                              const SelfSignedIdentity* tls = nullptr);
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // Stops taking connections, interrupts pauses and waits for the thread; the
  // destructor does this too. Afterwards the records no longer change.
  void Stop();

  int Port() const { return port_; }
  // "http://127.0.0.1:<port>" + path (https with TLS).
  std::string Address(std::string_view path = "/") const;
  std::vector<RecordedRequest> Requests() const;
  // Connections accepted, whether or not a request followed.
  std::size_t ConnectionCount() const { return connections_; }
  // Connections the peer closed before a whole request head arrived.
  std::size_t EarlyHangups() const { return early_hangups_; }

 private:
  void Serve();
  void ServeOne(int client);

  Handler handler_;
  const SelfSignedIdentity* tls_;
  ssl_ctx_st* tls_context_ = nullptr;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = 0;
  std::atomic<std::size_t> connections_{0};
  std::atomic<std::size_t> early_hangups_{0};
  mutable std::mutex mutex_;
  std::condition_variable stopping_cv_;
  bool stopping_ = false;
  std::vector<RecordedRequest> requests_;
  std::thread thread_;
};

// Builds "HTTP/1.0 <status>" with the given headers, a Content-Length and the body.
std::string HttpReply(std::string_view status, std::string_view body,
                      std::initializer_list<std::string_view> headers = {});

}  // namespace tesvarin::testing
