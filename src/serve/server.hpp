// kelvis serve: the web page and JSON API around the batch program. Every run is a batch
// run of kelvis in a fresh scratch folder of its own, with the configuration and orbit
// files of the data folder linked in.
//
//   ServeOptions  address, data folder, workers and the limits that keep the server up
//   Server        the server: bind(), listen_after_bind() until stop()
//   serve_main    `kelvis serve` until SIGTERM or SIGINT
//
// The parts: fields (input fields), jobs and runs (queued runs and their processes, run
// folders), pages (HTML), routes (what is answered), http (connections, deadlines, limits).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace kv::serve {

struct ServeOptions {
  std::string host = "127.0.0.1";
  int port = 8080;             // 0: any free port
  std::string data = ".";      // configuration and orbit files, as a batch run finds them
  int workers = 0;             // runs at once; 0: the cores
  int queue = 0;               // runs waiting for a worker; 0: four per worker
  double run_timeout_s = 120;  // a run (or the making of a PDF) still going after this is stopped
  double keep_hours = 24;      // finished runs are removed after this age
  double max_disk_mb = 1024;   // disk for the run folders; the oldest finished runs make room
  std::string kelvis;          // the batch program ("" for this program itself)
  std::size_t max_body = 1 << 20;
  double header_s = 5, body_s = 30;  // deadlines to read a request's headers, its body
  int max_connections = 512, per_address = 64;
};

class Server {
 public:
  // Throws std::runtime_error when the run folder cannot be made in the data folder.
  explicit Server(ServeOptions opt);
  ~Server();
  // Binds exclusively to the address (port 0: any) and returns the port, or -1.
  int bind();
  // Serves until stop() (or a signal in serve_main) ends it.
  bool listen_after_bind();
  // Refuses new work, closes idle connections, finishes the queued and running runs and
  // their answers, then ends listen_after_bind().
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// `kelvis serve`: serves until SIGTERM or SIGINT; returns the exit status.
int serve_main(const ServeOptions& opt);

}  // namespace kv::serve
