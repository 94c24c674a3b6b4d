#include "serve/server.hpp"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "common/parallel.hpp"
#include "serve/http.hpp"
#include "serve/routes.hpp"
#include "serve/runs.hpp"

namespace kv::serve {

namespace fs = std::filesystem;

struct Server::Impl {
  ServeOptions opt;
  std::unique_ptr<Runs> runs;
  std::unique_ptr<Routes> routes;
  std::unique_ptr<HttpServer> http;
  std::once_flag stopped;
};

Server::Server(ServeOptions opt) : impl_(std::make_unique<Impl>()) {
  if (opt.workers <= 0) opt.workers = thread_count(0);
  if (opt.queue <= 0) opt.queue = 4 * opt.workers;
  // Absolute: the batch program is started in a run's folder.
  opt.kelvis = opt.kelvis.empty() ? fs::read_symlink("/proc/self/exe").string()
                                  : fs::absolute(opt.kelvis).string();
  opt.data = fs::absolute(opt.data).lexically_normal().string();
  impl_->opt = opt;
  RunLimits lim;
  lim.data = opt.data;
  lim.kelvis = opt.kelvis;
  lim.workers = opt.workers;
  lim.queue = opt.queue;
  lim.run_timeout_s = opt.run_timeout_s;
  lim.keep_hours = opt.keep_hours;
  lim.max_disk_bytes = static_cast<std::uint64_t>(opt.max_disk_mb * 1024 * 1024);
  impl_->runs = std::make_unique<Runs>(lim);
  impl_->routes = std::make_unique<Routes>(*impl_->runs, opt.host);
  HttpLimits h;
  h.header_s = opt.header_s;
  h.body_s = opt.body_s;
  h.max_body = opt.max_body;
  h.max_connections = opt.max_connections;
  h.per_address = opt.per_address;
  Routes* routes = impl_->routes.get();
  impl_->http = std::make_unique<HttpServer>(
      h, [routes](const Request& req, Reply reply) { routes->handle(req, std::move(reply)); });
}

Server::~Server() {
  stop();
  impl_->http.reset();
  impl_->runs.reset();
}

int Server::bind() {
  const int port = impl_->http->bind(impl_->opt.host, impl_->opt.port);
  impl_->routes->set_port(port);
  return port;
}

bool Server::listen_after_bind() {
  impl_->http->run();
  return true;
}

void Server::stop() {
  std::call_once(impl_->stopped, [this] {
    impl_->runs->close();
    impl_->http->stop_accepting();
    impl_->runs->wait_idle();
    impl_->http->finish(5.0);
  });
}

namespace {
std::atomic<bool> g_signalled{false};
void on_signal(int) { g_signalled = true; }
}  // namespace

int serve_main(const ServeOptions& opt) {
  std::unique_ptr<Server> server;
  try {
    server = std::make_unique<Server>(opt);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kelvis: %s in the data folder\n", e.what());
    return 1;
  }
  const int port = server->bind();
  if (port < 0) {
    std::fprintf(stderr, "kelvis: cannot listen on %s:%d\n", opt.host.c_str(), opt.port);
    return 1;
  }
  std::signal(SIGTERM, on_signal);
  std::signal(SIGINT, on_signal);
  std::signal(SIGPIPE, SIG_IGN);
  std::fprintf(stderr, "kelvis serve: listening on http://%s:%d/ (data %s)\n", opt.host.c_str(),
               port, opt.data.c_str());
  std::atomic<bool> served{false};
  std::thread watcher([&] {
    while (!g_signalled && !served) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::fprintf(stderr, "kelvis serve: stopping after the runs in progress\n");
    server->stop();
  });
  server->listen_after_bind();
  served = true;
  watcher.join();
  std::fprintf(stderr, "kelvis serve: stopped\n");
  return 0;
}

}  // namespace kv::serve
