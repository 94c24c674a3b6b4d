// HttpServer -- the HTTP/1.1 layer of kelvis serve, on Boost.Beast and Boost.Asio: one
// thread serves every connection asynchronously (a connection costs no thread), each request
// has deadlines (its headers, its body, its answer), one body limit holds for every transfer
// encoding, and the connections are limited in number, in total and per client address.
//
//   Request, Response   a request as the routes see it; an answer (a text or a file, streamed)
//   HttpLimits          the deadlines and limits
//   HttpServer          bind, run, stop_accepting, finish
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv::serve {

using Headers = std::vector<std::pair<std::string, std::string>>;

struct Request {
  std::string method, target, path, query, body, remote;
  Headers headers;
  // The value of a header (case-insensitive name), "" when absent.
  std::string header(std::string_view name) const;
};

struct Response {
  int status = 200;
  std::string type;  // Content-Type
  std::string body;
  std::string file;  // when not empty: the body is this file, streamed
  Headers headers;
};

// Given once per request; may be called from any thread.
using Reply = std::function<void(Response)>;
using Handler = std::function<void(const Request&, Reply)>;

struct HttpLimits {
  double header_s = 5;  // from the first byte awaited to the end of the headers
  double body_s = 30;   // to read the body
  double write_s = 60;  // to write an answer
  std::size_t max_body = 1 << 20;
  std::size_t max_header = 16 << 10;
  int max_connections = 512;
  int per_address = 64;
};

// An answer with a JSON body {"error": message}.
Response json_error(int status, const std::string& message);

class HttpServer {
 public:
  HttpServer(HttpLimits limits, Handler handler);
  ~HttpServer();
  // Binds exclusively to host:port (port 0: any free one); the port, or -1.
  int bind(const std::string& host, int port);
  // Serves until finish() ends it.
  void run();
  // Accepts no more connections and closes those without a request in progress; the
  // requests in progress are answered, each on a connection then closed.
  void stop_accepting();
  // Ends run() once the answers in progress are written, or after grace_s at most.
  void finish(double grace_s);

  struct Impl;  // the connections and their limits (public for the connections' use)

 private:
  std::shared_ptr<Impl> impl_;
};

}  // namespace kv::serve
