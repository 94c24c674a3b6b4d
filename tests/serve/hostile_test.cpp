// kelvis serve against hostile and careless clients, over loopback: slow and idle sockets,
// a flood of runs, bodies past the limit in any encoding, the disk budget, PDFs as jobs,
// runs ended by signals, the server's own failures, an exclusive port, SIGTERM, the sweep,
// strict input, the response headers and the messages of refusals. Every wait is bounded.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "common/child.hpp"
#include "serve/serve_fixture.hpp"

extern char** environ;

namespace kv::test {
namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double seconds_since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

// Fault 1: idle and slow sockets hold no thread; the page answers meanwhile; the deadline
// closes them; past the per-address limit the oldest idle socket makes room.
TEST_F(Serve, SlowAndIdleClientsNeitherBlockNorStay) {
  start_with([](serve::ServeOptions& o) {
    o.header_s = 1.5;
    o.per_address = 40;
  });
  std::vector<int> fds;
  for (int k = 0; k < 58; ++k) fds.push_back(connect_raw(port_));
  for (int k = 0; k < 8; ++k) send(fds[static_cast<std::size_t>(k)], "G", 1, MSG_NOSIGNAL);
  const auto t0 = Clock::now();
  const HttpReply r = http_call(port_, "GET", "/", "", "", {}, 5);
  EXPECT_EQ(r.status, 200);
  EXPECT_LT(seconds_since(t0), 2.0);  // a bounded latency, as required of the page
  for (int fd : fds) EXPECT_TRUE(closed_by_peer(fd, 3.0));
  for (int fd : fds) close(fd);
}

// Fault 2: the queue bound (four per worker) answers 503 with Retry-After; the page stays fast.
TEST_F(Serve, AFloodOfRunsMeetsTheQueueBound) {
  start(1.0, script("hang.sh", "sleep 30"), 1, 0);
  std::vector<std::thread> clients;
  std::vector<HttpReply> replies(12);
  for (std::size_t k = 0; k < replies.size(); ++k)
    clients.emplace_back([&, k] { replies[k] = post(typical()); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto t0 = Clock::now();
  EXPECT_EQ(http_call(port_, "GET", "/", "", "", {}, 5).status, 200);
  EXPECT_LT(seconds_since(t0), 2.0);
  for (std::thread& t : clients) t.join();
  int refused = 0, stopped = 0;
  for (const HttpReply& r : replies) {
    refused += r.status == 503 && r.header("Retry-After") == "5";
    stopped += r.status == 504;
  }
  // The one running and the four waiting; four when a fifth request came before the worker
  // took the first off the queue. Every other request was refused.
  EXPECT_GE(stopped, 4);
  EXPECT_LE(stopped, 5);
  EXPECT_EQ(refused + stopped, 12);
}

// Faults 3 and 14: one body limit for every transfer encoding; malformed lengths are 400;
// every refusal has a body.
TEST_F(Serve, BodyLimitsAndMalformedRequests) {
  start_with([](serve::ServeOptions& o) { o.max_body = 1000; });
  const std::string chunk = strprintf("%x\r\n%s\r\n", 600, std::string(600, 'x').c_str());
  const std::pair<std::string, const char*> cases[] = {
      {"POST /api/v1/runs HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
       "Transfer-Encoding: chunked\r\n\r\n" +
           chunk + chunk + "0\r\n\r\n",
       "413"},
      {"POST /api/v1/runs HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 5000\r\n\r\n", "413"},
      {"POST /api/v1/runs HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: -5\r\n\r\n", "400"},
      {"GET /nowhere HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", "404"},
      {"GET /api/v1/x HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", "404"},
      {"BREW / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", "405"},
  };
  for (const auto& [bytes, status] : cases) {
    const std::string a = raw_exchange(port_, bytes, 5);
    SCOPED_TRACE(bytes.substr(0, 60));
    EXPECT_EQ(a.rfind(std::string("HTTP/1.1 ") + status, 0), 0u) << a.substr(0, 80);
    const bool message = a.find("\r\n\r\n{\"error\":\"") != std::string::npos ||
                         a.find("<p class=\"err\">") != std::string::npos;
    EXPECT_TRUE(message) << a.substr(0, 300);
  }
  // HEAD: the header GET would have (its Content-Length), and no body on a kept connection
  // (RFC 9110, 9.3.2): the second answer follows the first header directly.
  const std::string head = "HEAD / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  const std::string a = raw_exchange(
      port_, head + "HEAD /style.css HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", 5);
  const std::size_t end = a.find("\r\n\r\n");
  ASSERT_NE(end, std::string::npos) << a;
  EXPECT_EQ(a.substr(end + 4, 9), "HTTP/1.1 ") << a;
  EXPECT_EQ(a.find("Content-Length: 0\r\n"), std::string::npos) << a;
  EXPECT_TRUE(a.ends_with("\r\n\r\n")) << a;
}

// Fault 4: the disk budget removes the oldest finished runs; a failed run keeps its message,
// not its upload.
TEST_F(Serve, DiskBudgetAndFailedRunsWithoutUploads) {
  const std::string big =
      script("big.sh", "head -c 300000 /dev/zero > out.bin; echo 'kelvis: refused'; exit 1");
  start_with([&](serve::ServeOptions& o) {
    o.kelvis = big;
    o.max_disk_mb = 1.0;
  });
  std::vector<std::string> ids;
  for (int k = 0; k < 5; ++k) {
    HttpReply r = http_call(port_, "POST",
                            "/api/v1/catalogues?start=2024-03-10T00:00:00&end=2024-03-11T00:00:00",
                            "name,ra_deg,dec_deg\nx,1,1\n", "text/csv");
    ASSERT_EQ(r.status, 202) << r.body;
    r = ended_run(r.header("Location"));
    ASSERT_EQ(r.status, 422) << r.body;
    ids.push_back(json::parse(r.body)["run_id"]);
    EXPECT_FALSE(exists(".kelvis-runs/" + ids.back() + "/catalogue.csv"));
  }
  EXPECT_FALSE(exists(".kelvis-runs/" + ids.front()));  // the oldest made room
  const HttpReply last = get("/api/v1/runs/" + ids.back());
  EXPECT_EQ(last.status, 422);
  EXPECT_NE(last.body.find("refused"), std::string::npos);
}

// Faults 5 and 6: the PDF is a time-limited job for the run's own reports only; a killed
// converter leaves no PDF, the failure is reported and a new request retries it; parallel
// requests share one job and all get the complete file.
TEST_F(Serve, PdfIsAJobOfTheRunsOwnReports) {
  stub_converters();
  start(3.0);
  const HttpReply run = post(today_run());
  ASSERT_EQ(run.status, 201) << run.body;
  const std::string base =
      "/api/v1/runs/" + json::parse(run.body)["run_id"].get<std::string>() + "/files/";
  EXPECT_EQ(get(base + "vrepanncrabr7_kv1.pdf").status, 404);  // not the bundle of the run
  spit(dir_ / "bin/ps2pdfwr", "#!/bin/sh\necho %PDF > \"$2\"\nkill -9 $$\n");
  HttpReply r = get(base + "viewanncrabr7_kv1.pdf");
  EXPECT_EQ(r.status, 500);
  EXPECT_NE(r.body.find("retry"), std::string::npos);
  spit(dir_ / "bin/ps2pdfwr", "#!/bin/sh\n/bin/sleep 20\n");
  EXPECT_EQ(get(base + "viewanncrabr7_kv1.pdf").status, 504);
  spit(dir_ / "bin/ps2pdfwr", "#!/bin/sh\n/bin/sleep 0.3\necho %PDF-complete > \"$2\"\n");
  std::vector<std::thread> askers;
  std::vector<HttpReply> got(4);
  for (std::size_t k = 0; k < got.size(); ++k)
    askers.emplace_back([&, k] { got[k] = get(base + "viewanncrabr7_kv1.pdf"); });
  for (std::thread& t : askers) t.join();
  for (const HttpReply& g : got) {
    EXPECT_EQ(g.status, 200);
    EXPECT_EQ(g.body, "%PDF-complete\n");
    EXPECT_EQ(g.header("Content-Type"), "application/pdf");
  }
}

// Fault 7: a run that did not end by itself is 500 (504 at its time limit), the same on
// POST and on GET, even when its document was written first.
TEST_F(Serve, RunsEndedFromOutsideAreServerFailures) {
  const std::string killed = script("killed.sh", "echo '{}' > run.json; kill -9 $$");
  start(0.5, killed);
  HttpReply r = post(typical());
  EXPECT_EQ(r.status, 500);
  const std::string id = json::parse(r.body)["run_id"];
  EXPECT_EQ(get("/api/v1/runs/" + id).status, 500);
  EXPECT_EQ(get("/runs/" + id).status, 500);
}

// Fault 8: the server's own failures are 5xx, with no server path in the message.
TEST_F(Serve, ServerFailuresAre5xxWithoutPaths) {
  start();
  fs::remove(dir_ / "kelvocc_kv1.std");
  const HttpReply r = post(typical());
  EXPECT_EQ(r.status, 500);
  EXPECT_EQ(r.body.find(dir_.string()), std::string::npos) << r.body;
  EXPECT_NE(r.body.find("configuration"), std::string::npos);
}

// Faults 9, 10 and 14: the program itself: an exclusive port ("cannot listen", status 1);
// SIGTERM refuses new connections, finishes the run in progress, closes an idle socket and
// ends with 0; the log escapes what the target holds.
TEST_F(Serve, TheProgramBindsExclusivelyAndStopsOnSigterm) {
  install(today_utc(), today_utc());
  const std::string log = (dir_ / "server.log").string();
  std::vector<std::string> args{KELVIS_BINARY, "serve",  "--listen",
                                "127.0.0.1:0", "--data", dir_.string()};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&fa);
  int port = 0;
  for (int k = 0; k < 100 && port == 0; ++k) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::sscanf(slurp(log).c_str(), "kelvis serve: listening on http://127.0.0.1:%d", &port);
  }
  ASSERT_GT(port, 0);
  ChildSpec second;
  second.argv = {KELVIS_BINARY, "serve",      "--listen", strprintf("127.0.0.1:%d", port),
                 "--data",      dir_.string()};
  second.stdout_file = (dir_ / "second.log").string();
  second.time_limit_s = 10;
  const ChildResult c = run_child(second);
  EXPECT_EQ(c.exit_status, 1);
  EXPECT_NE(slurp(dir_ / "second.log").find("cannot listen"), std::string::npos);
  raw_exchange(port, "GET /\xc3\x28 HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", 2);
  const int idle = connect_raw(port);
  json body = today_run();
  HttpReply run;
  std::thread client([&] {
    run = http_call(port, "POST", "/api/v1/runs", body.dump(), "application/json", {}, 30);
  });
  // SIGTERM once the run is under way (its folder made), however loaded the machine: the
  // server must answer it before it exits.
  auto started = [&] {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir_ / ".kelvis-runs", ec))
      if (e.is_directory()) return true;
    return false;
  };
  for (int k = 0; k < 500 && !started(); ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  kill(pid, SIGTERM);
  EXPECT_TRUE(closed_by_peer(idle, 2.0));
  close(idle);
  client.join();
  int st = 0;
  const auto t0 = Clock::now();
  while (waitpid(pid, &st, WNOHANG) == 0 && seconds_since(t0) < 15)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_LT(seconds_since(t0), 10.0);
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
  EXPECT_EQ(run.status, 201) << run.body;
  EXPECT_EQ(connect_raw(port), -1);
  const std::string text = slurp(log);
  EXPECT_NE(text.find("GET /\\xc3( 404"), std::string::npos) << text;
  EXPECT_EQ(text.find('\xc3'), std::string::npos);
}

// Fault 11: the sweep never touches a run that has not ended.
TEST_F(Serve, TheSweepLeavesRunsInProgress) {
  start(10, script("slow.sh", "sleep 2; echo 'kelvis: done'; exit 1"), 2, 0, 0.0002);
  std::thread client([&] { post(typical()); });
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  int folders = 0;
  for (const auto& e : fs::directory_iterator(dir_ / ".kelvis-runs")) folders += e.is_directory();
  EXPECT_EQ(folders, 1);
  client.join();
}

// Fault 12: strict input, POST-only runs, forms from the server's own page, known Host names.
TEST_F(Serve, StrictInputAndOrigins) {
  start();
  const std::pair<json, const char*> bad[] = {
      {json{{"rollSun", 45}}, "rollSun"},   {json{{"Tag", "x"}}, "Tag"},
      {json{{"limits", 5}}, "limits"},      {json{{"ra_deg", "83"}}, "ra_deg"},
      {json{{"ra_deg", 1e300}}, "outside"}, {json{{"start", "2026- 1- 8T 0: 0: 0"}}, "start"}};
  for (const auto& [change, field] : bad) {
    json body = typical();
    body.update(change);
    const HttpReply r = post(body);
    EXPECT_TRUE(r.status == 400 || r.status == 422) << field;
    EXPECT_NE(r.body.find(field), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find("0000000000"), std::string::npos) << r.body;
  }
  EXPECT_EQ(http_call(port_, "POST", "/api/v1/runs", typical().dump(), "text/plain").status, 415);
  const std::string form = "user=a&source=" + std::string(300, '9') + "&ra_deg=1&dec_deg=1";
  const char* kForm = "application/x-www-form-urlencoded";
  const std::pair<std::string, std::vector<std::pair<std::string, std::string>>> forms[] = {
      {form, {}}, {form + "&form_token=" + token(), {{"Origin", "http://evil.example"}}}};
  for (const auto& [text, headers] : forms)
    EXPECT_EQ(http_call(port_, "POST", "/runs", text, kForm, headers).status, 403);
  const HttpReply own = http_call(port_, "POST", "/runs", form + "&form_token=" + token(), kForm);
  EXPECT_EQ(own.status, 400);
  EXPECT_EQ(own.body.find(std::string(50, '9')), std::string::npos);
  EXPECT_EQ(get("/sky?start=2024-03-10T00:00:00&end=2024-03-11T00:00:00&nside=1").status, 200);
  EXPECT_FALSE(fs::exists(dir_ / ".kelvis-runs") && !fs::is_empty(dir_ / ".kelvis-runs"));
  EXPECT_EQ(http_call(port_, "GET", "/", "", "", {{"Host", "evil.example"}}).status, 421);
}

// Fault 13: the headers of pages, API answers, refusals and downloads.
TEST_F(Serve, ResponseHeaders) {
  start();
  const HttpReply run = post(today_run());
  ASSERT_EQ(run.status, 201) << run.body;
  const std::string id = json::parse(run.body)["run_id"];
  struct Case {
    std::string path;
    const char* type;
    bool page;
  };
  const Case cases[] = {
      {"/", "text/html; charset=utf-8", true},
      {"/runs/" + id, "text/html; charset=utf-8", true},
      {"/nowhere", "text/html; charset=utf-8", true},
      {"/api/v1/runs/" + id, "application/json", false},
      {"/runs/" + id + "/files/plot.png", "image/png", false},
      {"/runs/" + id + "/files/vrepanncrabr7_kv1.txt", "text/plain; charset=utf-8", false}};
  for (const Case& c : cases) {
    const HttpReply r = get(c.path);
    SCOPED_TRACE(c.path);
    EXPECT_EQ(r.header("X-Content-Type-Options"), "nosniff");
    EXPECT_EQ(r.header("Content-Type"), c.type);
    EXPECT_EQ(r.header("X-Frame-Options"), c.page ? "DENY" : "");
    EXPECT_EQ(r.header("Content-Security-Policy").find("default-src 'none'") == 0, c.page);
    EXPECT_EQ(!r.header("Content-Disposition").empty(),
              c.path.find("/files/") != std::string::npos);
  }
}

}  // namespace
}  // namespace kv::test
