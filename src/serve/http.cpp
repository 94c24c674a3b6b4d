#include "serve/http.hpp"

#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <cstdio>
#include <list>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "common/run_error.hpp"

namespace kv::serve {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using error_code = beast::error_code;

std::string Request::header(std::string_view name) const {
  for (const auto& [k, v] : headers)
    if (beast::iequals(k, beast::string_view(name.data(), name.size()))) return v;
  return "";
}

Response json_error(int status, const std::string& message) {
  Response r;
  r.status = status;
  r.type = "application/json";
  // Replaces bytes that are not UTF-8 (a message may quote the request).
  r.body = nlohmann::json{{"error", message}}.dump(-1, ' ', false,
                                                   nlohmann::json::error_handler_t::replace) +
           "\n";
  return r;
}

namespace {

std::chrono::milliseconds ms(double s) {
  return std::chrono::milliseconds(static_cast<long long>(s * 1000));
}

// A text for the log: control characters, '\' and bytes outside ASCII as \xNN; at most 300
// characters.
std::string log_safe(std::string_view s) {
  std::string o;
  for (char c : s.substr(0, 300)) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7f || c == '\\')
      o += strprintf("\\x%02x", u);
    else
      o += c;
  }
  if (s.size() > 300) o += "...";
  return o;
}

}  // namespace

class Session;

struct HttpServer::Impl : std::enable_shared_from_this<HttpServer::Impl> {
  HttpLimits lim;
  Handler handler;
  asio::io_context ioc{1};
  tcp::acceptor acceptor{ioc};
  std::list<Session*> sessions;  // in the order they were accepted
  std::map<std::string, int> per_address;
  bool stopping = false, finishing = false;
  asio::steady_timer grace{ioc};
  // Keeps run() going while a request waits for a job and no socket operation is pending
  // (as after SIGTERM, with the acceptor closed); only ioc.stop() ends it.
  asio::executor_work_guard<asio::io_context::executor_type> work{ioc.get_executor()};

  void accept();
  bool make_room(const std::string& addr);
  void maybe_end();
};

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket s, std::shared_ptr<HttpServer::Impl> srv, std::string addr)
      : stream_(std::move(s)), srv_(std::move(srv)), addr_(std::move(addr)) {
    srv_->sessions.push_back(this);
    it_ = std::prev(srv_->sessions.end());
    ++srv_->per_address[addr_];
  }
  ~Session() {
    srv_->sessions.erase(it_);
    if (--srv_->per_address[addr_] == 0) srv_->per_address.erase(addr_);
    srv_->maybe_end();
  }
  const std::string& address() const { return addr_; }
  bool waiting() const { return waiting_; }  // for a request's first bytes
  bool busy() const { return busy_; }        // a request handed on, its answer not yet written
  void close() {
    error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ec);
    stream_.socket().close(ec);
  }
  void start() { read_header(); }

 private:
  void read_header() {
    if (srv_->stopping) return close();
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(srv_->lim.max_header));
    parser_->body_limit(srv_->lim.max_body);
    waiting_ = buf_.size() == 0;
    stream_.expires_after(ms(srv_->lim.header_s));
    http::async_read_header(
        stream_, buf_, *parser_,
        [self = shared_from_this()](error_code ec, std::size_t) { self->on_header(ec); });
  }

  void on_header(error_code ec) {
    waiting_ = false;
    if (ec) return refuse(ec);
    auto& h = parser_->get();
    if (beast::iequals(h[http::field::expect], "100-continue")) {
      static const std::string kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
      asio::async_write(stream_, asio::buffer(kContinue),
                        [self = shared_from_this()](error_code e, std::size_t) {
                          if (e) return self->close();
                          self->read_body();
                        });
      return;
    }
    read_body();
  }

  void read_body() {
    stream_.expires_after(ms(srv_->lim.body_s));
    http::async_read(
        stream_, buf_, *parser_,
        [self = shared_from_this()](error_code ec, std::size_t) { self->on_body(ec); });
  }

  // A request that could not be read: answered when it was malformed or too large, dropped
  // when the client went away or missed its deadline.
  void refuse(error_code ec) {
    if (ec == http::error::body_limit)
      return answer_and_close(json_error(413, "the body is larger than the limit"));
    if (ec == http::error::header_limit)
      return answer_and_close(json_error(431, "the headers are too large"));
    if (ec.category() == http::make_error_code(http::error::bad_target).category() &&
        ec != http::error::end_of_stream && ec != http::error::partial_message)
      return answer_and_close(json_error(400, "the request is not valid HTTP/1.1"));
    close();
  }

  void answer_and_close(Response r) {
    keep_alive_ = false;
    head_ = false;
    method_ =
        parser_ && parser_->is_header_done() ? std::string(parser_->get().method_string()) : "-";
    target_ = parser_ && parser_->is_header_done() ? std::string(parser_->get().target()) : "-";
    write(std::move(r));
  }

  void on_body(error_code ec) {
    if (ec) return refuse(ec);
    http::request<http::string_body> req = parser_->release();
    Request r;
    r.method = std::string(req.method_string());
    r.target = std::string(req.target());
    const std::size_t q = r.target.find('?');
    r.path = r.target.substr(0, q);
    r.query = q == std::string::npos ? "" : r.target.substr(q + 1);
    r.body = std::move(req.body());
    r.remote = addr_;
    for (const auto& f : req)
      r.headers.emplace_back(std::string(f.name_string()), std::string(f.value()));
    keep_alive_ = req.keep_alive();
    head_ = req.method() == http::verb::head;
    method_ = r.method;
    target_ = r.target;
    busy_ = true;
    stream_.expires_never();
    // A handler that fails before it answers is answered 500 here (once: a reply already
    // given stands), so that no request can end the server.
    auto replied = std::make_shared<std::atomic<bool>>(false);
    Reply reply = [self = shared_from_this(), replied](Response res) {
      if (replied->exchange(true)) return;
      asio::post(self->stream_.get_executor(),
                 [self, res = std::move(res)]() mutable { self->write(std::move(res)); });
    };
    try {
      srv_->handler(r, reply);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kelvis serve: a request failed: %s\n", e.what());
      reply(json_error(500, "the server failed to answer the request"));
    }
  }

  template <class Body>
  void finish_and_send(http::response<Body>&& res, const Response& r) {
    res.set(http::field::server, "kelvis");
    res.set("X-Content-Type-Options", "nosniff");
    if (!r.type.empty()) res.set(http::field::content_type, r.type);
    if (r.type.rfind("text/html", 0) == 0) {
      res.set("Content-Security-Policy",
              "default-src 'none'; img-src 'self'; style-src 'self'; form-action 'self'; "
              "frame-ancestors 'none'; base-uri 'none'");
      res.set("X-Frame-Options", "DENY");
    }
    for (const auto& [k, v] : r.headers) res.set(k, v);
    const bool keep = keep_alive_ && !srv_->stopping;
    res.keep_alive(keep);
    res.prepare_payload();
    std::fprintf(stderr, "kelvis serve: %s %s %s %d\n", addr_.c_str(), log_safe(method_).c_str(),
                 log_safe(target_).c_str(), r.status);
    // The answer to HEAD: the same header (Content-Length included), no body.
    if (head_) return send(http::response<http::empty_body>(std::move(res.base())), keep);
    send(std::move(res), keep);
  }

  template <class Body>
  void send(http::response<Body>&& res, bool keep) {
    auto msg = std::make_shared<http::response<Body>>(std::move(res));
    stream_.expires_after(ms(srv_->lim.write_s));
    http::async_write(stream_, *msg,
                      [self = shared_from_this(), msg, keep](error_code ec, std::size_t) {
                        self->busy_ = false;
                        if (ec || !keep) return self->close();
                        self->read_header();
                      });
  }

  void write(Response r) {
    if (!r.file.empty()) {
      http::file_body::value_type file;
      error_code ec;
      file.open(r.file.c_str(), beast::file_mode::scan, ec);
      if (!ec) {
        http::response<http::file_body> res{static_cast<http::status>(r.status), 11};
        res.body() = std::move(file);
        return finish_and_send(std::move(res), r);
      }
      r = json_error(404, "no such file in this run");
    }
    http::response<http::string_body> res{static_cast<http::status>(r.status), 11};
    res.body() = r.body;
    finish_and_send(std::move(res), r);
  }

  beast::tcp_stream stream_;
  beast::flat_buffer buf_;
  std::optional<http::request_parser<http::string_body>> parser_;
  std::shared_ptr<HttpServer::Impl> srv_;
  std::string addr_, method_, target_;
  std::list<Session*>::iterator it_;
  bool waiting_ = true, busy_ = false, keep_alive_ = false;
  bool head_ = false;  // the request in progress is a HEAD
};

// Room for one more connection from addr: when a limit is reached, the oldest connection
// waiting for a request (of that address, or any for the total) is closed; false when none is.
bool HttpServer::Impl::make_room(const std::string& addr) {
  auto evict = [&](bool same_address) {
    for (Session* s : sessions)
      if (s->waiting() && !s->busy() && (!same_address || s->address() == addr)) {
        s->close();
        return true;
      }
    return false;
  };
  const auto it = per_address.find(addr);
  if (it != per_address.end() && it->second >= lim.per_address && !evict(true)) return false;
  if (static_cast<int>(sessions.size()) >= lim.max_connections && !evict(false)) return false;
  return true;
}

void HttpServer::Impl::accept() {
  acceptor.async_accept([self = shared_from_this()](error_code ec, tcp::socket s) {
    if (ec == asio::error::operation_aborted || !self->acceptor.is_open()) return;
    if (!ec) {
      error_code e2;
      const auto ep = s.remote_endpoint(e2);
      const std::string addr = e2 ? "?" : ep.address().to_string();
      if (!e2 && self->make_room(addr))
        std::make_shared<Session>(std::move(s), self, addr)->start();
    }
    self->accept();
  });
}

void HttpServer::Impl::maybe_end() {
  if (finishing && sessions.empty()) ioc.stop();
}

HttpServer::HttpServer(HttpLimits limits, Handler handler) : impl_(std::make_shared<Impl>()) {
  impl_->lim = limits;
  impl_->handler = std::move(handler);
}

HttpServer::~HttpServer() {
  impl_->ioc.stop();
  // Sessions hold the Impl; dropping the handlers ends them.
  impl_->ioc.restart();
  error_code ec;
  impl_->acceptor.close(ec);
  impl_->grace.cancel();
  for (Session* s : impl_->sessions) s->close();
  impl_->ioc.poll();
}

int HttpServer::bind(const std::string& host, int port) {
  error_code ec;
  const auto addr = asio::ip::make_address(host == "localhost" ? "127.0.0.1" : host, ec);
  if (ec) return -1;
  const tcp::endpoint ep(addr, static_cast<unsigned short>(port));
  tcp::acceptor& a = impl_->acceptor;
  a.open(ep.protocol(), ec);
  // Address reuse lets a restarted server bind while old connections linger; without
  // SO_REUSEPORT, no second server can bind the port while this one listens.
  if (!ec) a.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) a.bind(ep, ec);
  if (!ec) a.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    a.close(ec);
    return -1;
  }
  return a.local_endpoint().port();
}

void HttpServer::run() {
  impl_->accept();
  impl_->ioc.run();
}

void HttpServer::stop_accepting() {
  asio::post(impl_->ioc, [self = impl_] {
    self->stopping = true;
    error_code ec;
    self->acceptor.close(ec);
    std::vector<Session*> idle;
    for (Session* s : self->sessions)
      if (!s->busy()) idle.push_back(s);
    for (Session* s : idle) s->close();
  });
}

void HttpServer::finish(double grace_s) {
  asio::post(impl_->ioc, [self = impl_, grace_s] {
    self->stopping = true;
    self->finishing = true;
    self->grace.expires_after(ms(grace_s));
    self->grace.async_wait([self](error_code) { self->ioc.stop(); });
    self->maybe_end();
  });
}

}  // namespace kv::serve
