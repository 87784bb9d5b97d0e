#pragma once

#include <httplib.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace host_net_test {

// An HTTP server on a free loopback port, serving on a thread of its own for its lifetime. The
// routes are set before it serves, so no request races their registration.
class TestHttpServer {
 public:
  explicit TestHttpServer(const std::function<void(httplib::Server&)>& routes) {
    routes(server_);
    // Answers go out at once instead of waiting for the client's delayed ACK (Nagle).
    server_.set_tcp_nodelay(true);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() does nothing to a server that has not begun to listen, which would leave the
    // destructor's join waiting forever; so do not hand the server out before it listens.
    for (int i = 0; i < 5000 && !server_.is_running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~TestHttpServer() {
    server_.stop();
    thread_.join();
  }
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  int port() const { return port_; }
  std::string Url(const std::string& path, const std::string& scheme = "http") const {
    return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
};

// A loopback port on which nothing listens (bound, never listened on, then closed).
int RefusedPort();

}  // namespace host_net_test
