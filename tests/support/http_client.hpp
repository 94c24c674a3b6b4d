// A small HTTP/1.1 client for the server tests, over loopback, every call bounded in time;
// and raw sockets for clients that misbehave on purpose.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kv::test {

struct HttpReply {
  int status = -1;  // -1: no answer within the time
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string header(const std::string& name) const;  // case-insensitive, "" when absent
};

// One request on a connection of its own. Extra headers replace the defaults (Host included).
HttpReply http_call(int port, const std::string& method, const std::string& target,
                    const std::string& body = "", const std::string& type = "",
                    const std::vector<std::pair<std::string, std::string>>& extra = {},
                    double timeout_s = 60);

// A connected socket to 127.0.0.1:port (-1 when it cannot connect).
int connect_raw(int port);
// Sends bytes and reads the answer until the server closes or timeout_s passes.
std::string raw_exchange(int port, const std::string& bytes, double timeout_s = 10);
// True when the server has closed the socket (read returns 0 or an error within timeout_s).
bool closed_by_peer(int fd, double timeout_s);

}  // namespace kv::test
