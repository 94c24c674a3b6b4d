// kelvis serve: the web page and JSON API around the batch program. Every run is a batch
// run of kelvis in a fresh scratch folder of its own, with the configuration and orbit
// files of the data folder linked in.
//
//   ServeOptions  address, data folder, workers and the limits that keep the server up
//   Server        the HTTP server (cpp-httplib); listen_after_bind() blocks until stop()
//   request_tokens  the 26 request tokens of a run's fields, or why they cannot be formed
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kv::serve {

struct ServeOptions {
  std::string host = "127.0.0.1";
  int port = 8080;             // 0: any free port
  std::string data = ".";      // configuration and orbit files, as a batch run finds them
  int workers = 0;             // runs at once; 0: the cores
  int queue = 0;               // runs waiting for a worker; 0: four per worker
  double run_timeout_s = 120;  // a run still going after this is stopped
  double keep_hours = 24;      // finished runs are removed after this age
  std::string kelvis;          // the batch program ("" for this program itself)
  std::size_t max_body = 1 << 20;
};

// The fields of a run as the form and the API give them.
struct RunFields {
  std::string user, source, tag;
  std::string ra_deg, dec_deg;  // numbers as text
  std::string start, end;       // UTC, YYYY-MM-DDTHH:MM:SS[.mmm]
  std::string roll_sun = "45", neg_roll_sun = "45", roll_moon = "10", roll_velocity = "10",
              earth_margin = "5";
  bool angle_file = false;
};

// The request text of the fields; "" and *why set when a field cannot be a request token
// (names: letters, digits and _ + - . only, no "..", at most 24 characters, the tag 99;
// numbers; times).
std::string request_text(const RunFields& f, const std::string& sid, std::string* why);

class Server {
 public:
  explicit Server(ServeOptions opt);
  ~Server();
  // Binds to the address (port 0: any) and returns the port, for listen_after_bind().
  int bind();
  bool listen_after_bind();
  // Refuses new runs, waits for the runs in progress, then stops listening.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// `kelvis serve`: serves until SIGTERM or SIGINT; returns the exit status.
int serve_main(const ServeOptions& opt);

}  // namespace kv::serve
