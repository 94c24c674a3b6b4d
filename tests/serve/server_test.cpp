// kelvis serve over loopback with the HTTP library's client: a typical run, failed runs
// with their messages, files of one run unreachable from another, names refused, the body
// limit and the run time limit.
#include "serve/server.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "support/fixture.hpp"

namespace kv::test {
namespace {

using nlohmann::json;

// Today (UTC, the server's clock: it picks the orbit file of that day) and the day after.
Epoch today_utc() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, 0, 0, 0, 0};
}
std::string iso_day(const Epoch& e) {
  return strprintf("%04d-%02d-%02dT00:00:00", e[0], e[1], e[2]);
}

class Serve : public ScratchDir {
 protected:
  void start(double timeout_s = 60, const std::string& kelvis = KELVIS_BINARY, int workers = 2,
             int queue = 0, double keep_hours = 24) {
    install(kEpoch, kEpoch);
    serve::ServeOptions o;
    o.port = 0;
    o.data = dir_.string();
    o.kelvis = kelvis;
    o.workers = workers;
    o.queue = queue;
    o.keep_hours = keep_hours;
    o.run_timeout_s = timeout_s;
    server_ = std::make_unique<serve::Server>(o);
    port_ = server_->bind();
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    client_->set_read_timeout(60, 0);
  }
  void TearDown() override {
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
    ScratchDir::TearDown();
  }
  httplib::Result post(const json& body) {
    return client_->Post("/api/v1/runs", body.dump(), "application/json");
  }
  static json typical(const std::string& source = "crab") {
    return {{"user", "ann"},
            {"source", source},
            {"ra_deg", 83.63},
            {"dec_deg", 22.01},
            {"start", "2024-03-10T00:00:00"},
            {"end", "2024-03-11T00:00:00.500"},
            {"limits",
             {{"roll_sun", 45},
              {"neg_roll_sun", 45},
              {"roll_moon", 10},
              {"roll_velocity", 10},
              {"earth_margin", 5}}},
            {"angle_file", false},
            {"tag", "r7"}};
  }
  std::unique_ptr<serve::Server> server_;
  std::unique_ptr<httplib::Client> client_;
  std::thread thread_;
  int port_ = 0;
};

TEST_F(Serve, ATypicalRunItsDocumentAndItsFiles) {
  start();
  const Epoch today = today_utc();
  install(today, today);
  json body = typical();
  body["start"] = iso_day(today);
  body["end"] = iso_day(addtim(today, 86400));
  auto r = post(body);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 201) << r->body;
  const json doc = json::parse(r->body);
  EXPECT_EQ(doc["request"]["source"]["name"], "crab");
  const std::string id = doc["run_id"];
  EXPECT_EQ(id.size(), 32u);
  r = client_->Get("/api/v1/runs/" + id);
  ASSERT_EQ(r->status, 200);
  EXPECT_EQ(json::parse(r->body)["run_id"], id);
  r = client_->Get("/api/v1/runs/" + id + "/files/out/vrepanncrabr7_kv1.txt");
  ASSERT_EQ(r->status, 404);  // the test configuration writes beside the run, not in out/
  r = client_->Get("/api/v1/runs/" + id + "/files/vrepanncrabr7_kv1.txt");
  ASSERT_EQ(r->status, 200);
  EXPECT_NE(r->body.find("View Opportunity Duration"), std::string::npos);
  r = client_->Get("/runs/" + id);
  ASSERT_EQ(r->status, 200);
  EXPECT_NE(r->body.find("<table id=\"windows\">"), std::string::npos);
  EXPECT_NE(r->body.find("files/plot.png"), std::string::npos);
  r = client_->Get("/api/v1/runs/" + id + "/files/viewanncrabr7_kv1.pdf");
  ASSERT_EQ(r->status, 200);
  EXPECT_EQ(r->body.rfind("%PDF", 0), 0u);
  // Another run's id, and names reaching out of the run.
  for (const std::string& path :
       {"/api/v1/runs/" + std::string(32, '0') + "/files/vrepanncrabr7_kv1.txt",
        "/api/v1/runs/" + id + "/files/../" + id + "/request.txt",
        "/api/v1/runs/" + id + "/files/kelvocc_kv1.std", "/api/v1/runs/" + id + "/files/%2e%2e"})
    EXPECT_EQ(client_->Get(path)->status, 404) << path;
}

TEST_F(Serve, CatalogueSummaryAndSkyMapPage) {
  start();
  const Epoch today = today_utc();
  install(today, today);
  const std::string query = "?start=" + iso_day(today) + "&end=" + iso_day(addtim(today, 86400));
  auto r = client_->Post("/api/v1/catalogues" + query,
                         "name,ra_deg,dec_deg\ncrab,83.63,22.01\npole,0,90\n", "text/csv");
  ASSERT_EQ(r->status, 201) << r->body;
  EXPECT_EQ(r->body.rfind("name,ra_deg,dec_deg,", 0), 0u);
  EXPECT_NE(r->body.find("\npole,"), std::string::npos);
  r = client_->Post("/api/v1/catalogues" + query, "name,ra_deg,dec_deg\nx,400,0\n", "text/csv");
  EXPECT_EQ(r->status, 422);
  EXPECT_NE(r->body.find("1 bad rows"), std::string::npos);
  r = client_->Get("/sky" + query + "&nside=1");
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_NE(r->body.find("<img id=\"skymap\""), std::string::npos);
  EXPECT_EQ(client_->Get("/sky" + query + "&nside=3")->status, 400);
}

TEST_F(Serve, FailedRunsAndRefusedInputs) {
  start();
  json body = typical();
  body["end"] = "2024-03-09T00:00:00";
  auto r = post(body);  // the clock's day has no orbit file, or the period is refused
  ASSERT_EQ(r->status, 422);
  EXPECT_FALSE(json::parse(r->body)["error"].get<std::string>().empty());
  for (const std::string name : {"a/b", "..", "x..y", "p%d", "a b"}) {
    body = typical(name);
    r = post(body);
    EXPECT_EQ(r->status, 400) << name;
  }
  std::string raw = typical("cafX").dump();
  raw[raw.find("cafX") + 3] = '\xc3';  // invalid UTF-8
  EXPECT_EQ(client_->Post("/api/v1/runs", raw, "application/json")->status, 400);
  // Classes of refused requests: each a 422 with the batch run's own words.
  const std::pair<const char*, json> refused[] = {
      {"Right Ascension value 400", json{{"ra_deg", 400}}},
      {"Declination value", json{{"dec_deg", -91}}},
      {"year 1999 is outside", json{{"start", "1999-12-31T00:00:00"}}},
      {"day 30 does not exist", json{{"start", "2025-02-30T00:00:00"}}},
  };
  for (const auto& [words, change] : refused) {
    body = typical();
    body.update(change);
    r = post(body);
    EXPECT_EQ(r->status, 422) << words;
    EXPECT_NE(r->body.find(words), std::string::npos) << r->body;
  }
  r = client_->Post("/api/v1/runs", "{not json", "application/json");
  EXPECT_EQ(r->status, 400);
  r = client_->Post("/api/v1/runs", std::string(2 << 20, ' '), "application/json");
  EXPECT_EQ(r->status, 413);
  r = client_->Get("/");
  EXPECT_EQ(r->status, 200);
  EXPECT_NE(r->body.find("<form method=\"post\" action=\"/runs\">"), std::string::npos);
}

TEST_F(Serve, ARunPastItsTimeLimitIsStoppedAndTheServerAnswers) {
  // A batch program that hangs.
  spit(dir_ / "hang.sh", "#!/bin/sh\nsleep 30\n");
  std::filesystem::permissions(dir_ / "hang.sh", std::filesystem::perms::owner_all);
  start(0.3, (dir_ / "hang.sh").string());
  auto r = post(typical());
  ASSERT_EQ(r->status, 504);
  EXPECT_NE(r->body.find("time limit"), std::string::npos);
  EXPECT_EQ(client_->Get("/")->status, 200);
}

// One worker and a queue of one: a third run at once is refused with 503 and Retry-After.
TEST_F(Serve, AFullQueueAnswers503) {
  spit(dir_ / "hang.sh", "#!/bin/sh\nsleep 30\n");
  std::filesystem::permissions(dir_ / "hang.sh", std::filesystem::perms::owner_all);
  start(1.0, (dir_ / "hang.sh").string(), 1, 1);
  std::vector<std::thread> clients;
  std::vector<int> status(3, 0);
  std::string retry_after;
  for (int k = 0; k < 3; ++k) {
    clients.emplace_back([&, k] {
      httplib::Client c("127.0.0.1", port_);
      c.set_read_timeout(30, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(150 * k));
      auto r = c.Post("/api/v1/runs", typical().dump(), "application/json");
      status[static_cast<std::size_t>(k)] = r ? r->status : -1;
      if (r && r->status == 503) retry_after = r->get_header_value("Retry-After");
    });
  }
  for (std::thread& t : clients) t.join();
  EXPECT_EQ(std::count(status.begin(), status.end(), 504), 2);  // the hanging runs, stopped
  EXPECT_EQ(std::count(status.begin(), status.end(), 503), 1);
  EXPECT_EQ(retry_after, "5");
}

// Finished runs are removed after their age.
TEST_F(Serve, FinishedRunsAreRemovedAfterTheirAge) {
  start(60, KELVIS_BINARY, 2, 0, 0.5 / 3600);
  auto r = post(typical());
  ASSERT_EQ(r->status, 422);  // refused (no orbit file for today), but a run all the same
  const std::string id = json::parse(r->body)["run_id"];
  EXPECT_TRUE(std::filesystem::exists(dir_ / ".kelvis-runs" / id));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_FALSE(std::filesystem::exists(dir_ / ".kelvis-runs" / id));
}

}  // namespace
}  // namespace kv::test
