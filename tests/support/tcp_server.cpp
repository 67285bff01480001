#include "tests/support/tcp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>

namespace korvelin::testing {

// ---- internal ------------------------------------------------------------------------------
namespace {

constexpr size_t kChunk = 16 * 1024;

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

int BoundPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof(address);
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

// A peer that went away must show as a failed write, not kill the test program.
void IgnoreSigpipe() {
  static const bool ignored = [] { return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR; }();
  (void)ignored;
}

// Waits on `fd` for `events` and on the wake descriptor; false when woken, timed out or
// failed.
bool PollWith(int fd, short events, int wakeFd, int timeoutMs) {
  pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
  int ready;
  do {
    ready = poll(fds, 2, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0 || (fds[1].revents & POLLIN)) return false;
  return fds[0].revents != 0;
}

// Writes all of `bytes` to a plain non-blocking socket.
bool WriteAll(int fd, std::string_view bytes, int wakeFd) {
  while (!bytes.empty()) {
    const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!PollWith(fd, POLLOUT, wakeFd, -1)) return false;
    } else {
      return false;
    }
  }
  return true;
}

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

struct Connection::Tls {
  SSL* ssl = nullptr;
  ~Tls() { SSL_free(ssl); }
};

struct TcpServer::TlsContext {
  SSL_CTX* context = nullptr;
  ~TlsContext() { SSL_CTX_free(context); }
};

struct TcpServer::Worker {
  std::thread thread;
  std::atomic<bool> done{false};
};

Connection::Connection(int fd, int wakeFd, std::unique_ptr<Tls> tls)
    : fd_(fd), wakeFd_(wakeFd), tls_(std::move(tls)) {}

Connection::~Connection() { Close(); }

bool Connection::WaitFor(short events, int timeoutMs) {
  return fd_ >= 0 && PollWith(fd_, events, wakeFd_, timeoutMs);
}

bool Connection::Handshake() {
  while (true) {
    const int result = SSL_accept(tls_->ssl);
    if (result == 1) return true;
    const int error = SSL_get_error(tls_->ssl, result);
    if (error == SSL_ERROR_WANT_READ) {
      if (!WaitFor(POLLIN)) return false;
    } else if (error == SSL_ERROR_WANT_WRITE) {
      if (!WaitFor(POLLOUT)) return false;
    } else {
      ERR_clear_error();
      return false;
    }
  }
}

bool Connection::Fill() {
  char buffer[kChunk];
  while (fd_ >= 0) {
    if (tls_) {
      const int n = SSL_read(tls_->ssl, buffer, sizeof(buffer));
      if (n > 0) {
        pending_.append(buffer, static_cast<size_t>(n));
        return true;
      }
      const int error = SSL_get_error(tls_->ssl, n);
      const short events = error == SSL_ERROR_WANT_READ    ? POLLIN
                           : error == SSL_ERROR_WANT_WRITE ? POLLOUT
                                                           : 0;
      if (events == 0 || !WaitFor(events)) return false;
    } else {
      const ssize_t n = recv(fd_, buffer, sizeof(buffer), 0);
      if (n > 0) {
        pending_.append(buffer, static_cast<size_t>(n));
        return true;
      }
      if (n == 0 || (errno != EAGAIN && errno != EINTR) || !WaitFor(POLLIN)) return false;
    }
  }
  return false;
}

bool Connection::ReadSome(std::string& out, size_t max) {
  if (pending_.empty() && !Fill()) return false;
  out = pending_.substr(0, max);
  pending_.erase(0, out.size());
  return true;
}

bool Connection::ReadUntil(std::string_view delimiter, std::string& out) {
  size_t found;
  while ((found = pending_.find(delimiter)) == std::string::npos) {
    if (!Fill()) return false;
  }
  out = pending_.substr(0, found + delimiter.size());
  pending_.erase(0, out.size());
  return true;
}

bool Connection::ReadExactly(size_t count, std::string& out) {
  while (pending_.size() < count) {
    if (!Fill()) return false;
  }
  out = pending_.substr(0, count);
  pending_.erase(0, count);
  return true;
}

bool Connection::Write(std::string_view bytes) {
  if (fd_ < 0) return false;
  if (!tls_) return WriteAll(fd_, bytes, wakeFd_);
  while (!bytes.empty()) {
    const int n =
        SSL_write(tls_->ssl, bytes.data(), static_cast<int>(std::min(bytes.size(), kChunk)));
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    const int error = SSL_get_error(tls_->ssl, n);
    const short events = error == SSL_ERROR_WANT_READ    ? POLLIN
                         : error == SSL_ERROR_WANT_WRITE ? POLLOUT
                                                         : 0;
    if (events == 0 || !WaitFor(events)) return false;
  }
  return true;
}

bool Connection::Drip(std::string_view bytes, std::chrono::milliseconds interval) {
  for (const char byte : bytes) {
    if (!Write(std::string_view(&byte, 1)) || !Sleep(interval)) return false;
  }
  return true;
}

bool Connection::Sleep(std::chrono::milliseconds duration) {
  pollfd wake = {wakeFd_, POLLIN, 0};
  int ready;
  do {
    ready = poll(&wake, 1, static_cast<int>(duration.count()));
  } while (ready < 0 && errno == EINTR);
  return ready == 0;
}

void Connection::HoldUntilPeerCloses() {
  std::string discarded;
  while (ReadSome(discarded)) {
  }
}

void Connection::Close() {
  if (fd_ < 0) return;
  if (tls_ && SSL_is_init_finished(tls_->ssl)) SSL_shutdown(tls_->ssl);
  ERR_clear_error();
  shutdown(fd_, SHUT_WR);
  // Unread bytes at close would turn the FIN into a reset: take what is there already.
  char buffer[kChunk];
  while (recv(fd_, buffer, sizeof(buffer), 0) > 0) {
  }
  close(fd_);
  fd_ = -1;
}

void Connection::Reset() {
  if (fd_ < 0) return;
  const linger abortive = {1, 0};
  setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof(abortive));
  close(fd_);
  fd_ = -1;
}

void Connection::RelayWith(int peer, std::string_view first) {
  if (fd_ < 0 || tls_ || !WriteAll(peer, first, wakeFd_) || !WriteAll(peer, pending_, wakeFd_)) {
    return;
  }
  pending_.clear();
  char buffer[kChunk];
  while (true) {
    pollfd fds[3] = {{fd_, POLLIN, 0}, {peer, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[2].revents & POLLIN) return;
    for (int side = 0; side < 2; ++side) {
      if (fds[side].revents == 0) continue;
      const int from = side == 0 ? fd_ : peer;
      const int to = side == 0 ? peer : fd_;
      const ssize_t n = recv(from, buffer, sizeof(buffer), 0);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0 || !WriteAll(to, std::string_view(buffer, static_cast<size_t>(n)), wakeFd_)) {
        return;
      }
    }
  }
}

TcpServer::TcpServer(Script script, std::optional<TlsIdentity> tls) : script_(std::move(script)) {
  IgnoreSigpipe();
  if (tls) {
    tls_ = std::make_unique<TlsContext>();
    tls_->context = SSL_CTX_new(TLS_server_method());
    BIO* certificate = BIO_new_mem_buf(tls->certificatePem.data(), -1);
    BIO* key = BIO_new_mem_buf(tls->privateKeyPem.data(), -1);
    X509* x509 = PEM_read_bio_X509(certificate, nullptr, nullptr, nullptr);
    EVP_PKEY* privateKey = PEM_read_bio_PrivateKey(key, nullptr, nullptr, nullptr);
    const bool ok = tls_->context && x509 && privateKey &&
                    SSL_CTX_use_certificate(tls_->context, x509) == 1 &&
                    SSL_CTX_use_PrivateKey(tls_->context, privateKey) == 1;
    X509_free(x509);
    EVP_PKEY_free(privateKey);
    BIO_free(certificate);
    BIO_free(key);
    if (!ok) ADD_FAILURE() << "the test server cannot use its TLS identity";
  }
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = LoopbackAddress(0);
  if (listenFd_ < 0 ||
      bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listenFd_, 64) != 0) {
    ADD_FAILURE() << "the test server cannot listen on 127.0.0.1";
  }
  SetNonBlocking(listenFd_);
  port_ = BoundPort(listenFd_);
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TcpServer::~TcpServer() {
  const uint64_t one = 1;
  if (write(wakeFd_, &one, sizeof(one)) < 0) ADD_FAILURE() << "cannot stop the test server";
  acceptThread_.join();
  for (auto& worker : workers_) worker->thread.join();
  close(listenFd_);
  close(wakeFd_);
}

std::string TcpServer::Origin() const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

void TcpServer::AcceptLoop() {
  while (PollWith(listenFd_, POLLIN, wakeFd_, -1)) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) continue;
    // Every write goes out at once, as a real server's would: without this, the last small
    // piece of a response waits for the client's delayed acknowledgement (40 ms).
    const int noDelay = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    ++accepted_;
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(workers_, [](const std::unique_ptr<Worker>& worker) {
      if (!worker->done) return false;
      worker->thread.join();
      return true;
    });
    auto worker = std::make_unique<Worker>();
    Worker* started = worker.get();
    worker->thread = std::thread([this, fd, started] {
      Serve(fd);
      started->done = true;
    });
    workers_.push_back(std::move(worker));
  }
}

void TcpServer::Serve(int fd) {
  std::unique_ptr<Connection::Tls> tls;
  if (tls_) {
    tls = std::make_unique<Connection::Tls>();
    tls->ssl = SSL_new(tls_->context);
    SSL_set_fd(tls->ssl, fd);
    SSL_set_mode(tls->ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  }
  Connection connection(fd, wakeFd_, std::move(tls));
  if (connection.tls_ && !connection.Handshake()) return;
  try {
    script_(connection);
  } catch (const std::exception& error) {
    ADD_FAILURE() << "a test server script threw: " << error.what();
  }
}

int UnusedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = LoopbackAddress(0);
  const int port = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0
                       ? BoundPort(fd)
                       : 0;
  close(fd);
  return port;
}

int ConnectToLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = LoopbackAddress(port);
  if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  SetNonBlocking(fd);
  return fd;
}

}  // namespace korvelin::testing
