// Test servers on loopback: a TCP server on 127.0.0.1 with an ephemeral port that runs a small
// script for every connection it accepts, optionally over TLS.
//
// A script is a function of the Connection: read the request, answer bytes, sleep, drip bytes
// one at a time, close early, reset the connection, or hold it without answering. Every wait
// in a Connection also ends when the server shuts down, so the destructor never hangs on a
// script: it stops accepting, wakes every script, and joins every thread it started.
//
// Example:
//   TcpServer server([](Connection& c) {
//     std::string head;
//     if (!c.ReadUntil("\r\n\r\n", head)) return;
//     c.Write("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");
//     c.Drip("hello", std::chrono::milliseconds(100));
//   });
//   std::string url = server.Origin() + "/";  // "http://127.0.0.1:<port>/"
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace korvelin::testing {

// A certificate and its private key, both PEM.
struct TlsIdentity {
  std::string certificatePem;
  std::string privateKeyPem;
};

class Connection {
 public:
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Bytes that have arrived (at most `max`), waiting for some; false once the peer has closed,
  // the connection is gone or the server stops.
  bool ReadSome(std::string& out, size_t max = 64 * 1024);
  // Everything up to and including the first `delimiter`; bytes after it stay for the next
  // read.
  bool ReadUntil(std::string_view delimiter, std::string& out);
  // Exactly `count` bytes.
  bool ReadExactly(size_t count, std::string& out);

  bool Write(std::string_view bytes);
  // One byte per `interval`.
  bool Drip(std::string_view bytes, std::chrono::milliseconds interval);
  // False when the server stopped meanwhile.
  bool Sleep(std::chrono::milliseconds duration);
  // Never answers: holds the connection until the peer closes it or the server stops.
  void HoldUntilPeerCloses();

  // An orderly close (TLS close_notify, then FIN).
  void Close();
  // An abortive close: SO_LINGER 0 makes the kernel send RST.
  void Reset();

  // Copies bytes both ways between this connection and the plain socket `peer` until either
  // side closes or the server stops. `first` goes to the peer before anything else, then the
  // bytes already read ahead. Plain connections only.
  void RelayWith(int peer, std::string_view first = {});

  [[nodiscard]] bool open() const { return fd_ >= 0; }

 private:
  friend class TcpServer;
  struct Tls;
  Connection(int fd, int wakeFd, std::unique_ptr<Tls> tls);
  bool Handshake();
  // Waits until the socket is ready for `events`; false when the server stops first or the
  // socket fails. A negative timeout waits for ever.
  bool WaitFor(short events, int timeoutMs = -1);
  // One read into `pending_`; false on end of stream or failure.
  bool Fill();

  int fd_;
  int wakeFd_;
  std::unique_ptr<Tls> tls_;
  std::string pending_;  // bytes read ahead
};

class TcpServer {
 public:
  using Script = std::function<void(Connection&)>;

  // Listens on 127.0.0.1 at an ephemeral port; with `tls`, every connection first completes a
  // TLS handshake with that identity (a failed handshake skips the script).
  explicit TcpServer(Script script, std::optional<TlsIdentity> tls = std::nullopt);
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  [[nodiscard]] int port() const { return port_; }
  // "http://127.0.0.1:<port>" or "https://127.0.0.1:<port>".
  [[nodiscard]] std::string Origin() const;
  // Connections accepted so far.
  [[nodiscard]] int connections() const { return accepted_.load(); }

 private:
  struct Worker;
  void AcceptLoop();
  void Serve(int fd);

  Script script_;
  struct TlsContext;
  std::unique_ptr<TlsContext> tls_;
  int listenFd_ = -1;
  int wakeFd_ = -1;  // readable once the server stops
  int port_ = 0;
  std::atomic<int> accepted_{0};
  std::mutex mutex_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::thread acceptThread_;
};

// A port on 127.0.0.1 where nothing listens (it was free a moment ago).
[[nodiscard]] int UnusedPort();

// A plain socket connected to 127.0.0.1:port, or -1.
[[nodiscard]] int ConnectToLoopback(int port);

}  // namespace korvelin::testing
