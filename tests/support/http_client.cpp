#include "support/http_client.hpp"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>

namespace kv::test {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

std::string HttpReply::header(const std::string& name) const {
  for (const auto& [k, v] : headers)
    if (beast::iequals(k, name)) return v;
  return "";
}

HttpReply http_call(int port, const std::string& method, const std::string& target,
                    const std::string& body, const std::string& type,
                    const std::vector<std::pair<std::string, std::string>>& extra,
                    double timeout_s) {
  asio::io_context ioc;
  beast::tcp_stream s(ioc);
  beast::flat_buffer buf;
  http::request<http::string_body> req{http::string_to_verb(method), target, 11};
  req.set(http::field::host, "127.0.0.1:" + std::to_string(port));
  if (!type.empty()) req.set(http::field::content_type, type);
  for (const auto& [k, v] : extra) req.set(k, v);
  req.body() = body;
  req.prepare_payload();
  http::response_parser<http::string_body> p;
  p.body_limit(256 << 20);
  HttpReply r;
  s.expires_after(std::chrono::milliseconds(static_cast<long>(timeout_s * 1000)));
  const asio::ip::tcp::endpoint ep(asio::ip::make_address("127.0.0.1"),
                                   static_cast<unsigned short>(port));
  s.async_connect(ep, [&](beast::error_code ec) {
    if (ec) return;
    // The answer is read even when the server stopped the sending (a refused body).
    http::async_write(s, req, [&](beast::error_code, std::size_t) {
      http::async_read(s, buf, p, [&](beast::error_code e, std::size_t) {
        if (e && !p.is_done()) return;
        r.status = static_cast<int>(p.get().result_int());
        r.body = p.get().body();
        for (const auto& f : p.get())
          r.headers.emplace_back(std::string(f.name_string()), std::string(f.value()));
      });
    });
  });
  ioc.run();
  return r;
}

int connect_raw(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool closed_by_peer(int fd, double timeout_s) {
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::milliseconds(static_cast<long>(timeout_s * 1000));
  char b[4096];
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) > 0) {
      const ssize_t n = recv(fd, b, sizeof b, 0);
      if (n <= 0) return true;
    }
  }
  return false;
}

std::string raw_exchange(int port, const std::string& bytes, double timeout_s) {
  const int fd = connect_raw(port);
  if (fd < 0) return "";
  if (send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0) {
  }
  std::string out;
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::milliseconds(static_cast<long>(timeout_s * 1000));
  char b[4096];
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    const ssize_t n = recv(fd, b, sizeof b, 0);
    if (n <= 0) break;
    out.append(b, static_cast<std::size_t>(n));
  }
  close(fd);
  return out;
}

}  // namespace kv::test
