// The server in the test process over loopback, with the test configuration and orbit files.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <thread>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "serve/server.hpp"
#include "support/fixture.hpp"
#include "support/http_client.hpp"

namespace kv::test {

// Today (UTC, the server's clock: it picks the orbit file of that day) and the day after.
inline Epoch today_utc() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, 0, 0, 0, 0};
}
inline std::string iso_day(const Epoch& e) {
  return strprintf("%04d-%02d-%02dT00:00:00", e[0], e[1], e[2]);
}

class Serve : public ScratchDir {
 protected:
  // Starts the server with options changed by `tune`.
  void start_with(const std::function<void(serve::ServeOptions&)>& tune) {
    install(kEpoch, kEpoch);
    serve::ServeOptions o;
    o.port = 0;
    o.data = dir_.string();
    o.kelvis = KELVIS_BINARY;
    o.workers = 2;
    o.run_timeout_s = 60;
    tune(o);
    server_ = std::make_unique<serve::Server>(o);
    port_ = server_->bind();
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { server_->listen_after_bind(); });
  }
  void start(double timeout_s = 60, const std::string& kelvis = KELVIS_BINARY, int workers = 2,
             int queue = 0, double keep_hours = 24) {
    start_with([&](serve::ServeOptions& o) {
      o.run_timeout_s = timeout_s;
      o.kelvis = kelvis;
      o.workers = workers;
      o.queue = queue;
      o.keep_hours = keep_hours;
    });
  }
  void TearDown() override {
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
    ScratchDir::TearDown();
  }
  // A stand-in batch program: a shell script in the scratch folder.
  std::string script(const std::string& name, const std::string& body) {
    spit(dir_ / name, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(dir_ / name, std::filesystem::perms::owner_all);
    return (dir_ / name).string();
  }
  HttpReply get(const std::string& path) { return http_call(port_, "GET", path); }
  HttpReply post(const nlohmann::json& body) {
    return http_call(port_, "POST", "/api/v1/runs", body.dump(), "application/json");
  }
  // The API's answer at `where` for a long run, asked again until the run has ended; the
  // states seen on the way are added to *states.
  HttpReply ended_run(const std::string& where, std::set<std::string>* states = nullptr) {
    HttpReply r;
    for (int k = 0; k < 600; ++k) {
      r = get(where);
      const nlohmann::json body = nlohmann::json::parse(r.body, nullptr, false);
      const std::string state = body.is_object() ? body.value("state", "") : "";
      if (states) states->insert(state);
      if (state != "queued" && state != "running") return r;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return r;
  }
  // The form token of the server's page.
  std::string token() {
    std::smatch m;
    const std::string page = get("/").body;
    return std::regex_search(page, m, std::regex("name=\"form_token\" value=\"([0-9a-f]+)\""))
               ? m[1].str()
               : "";
  }
  // A run of today that succeeds.
  nlohmann::json today_run() {
    const Epoch today = today_utc();
    install(today, today);
    nlohmann::json body = typical();
    body["start"] = iso_day(today);
    body["end"] = iso_day(addtim(today, 86400));
    return body;
  }
  static nlohmann::json typical(const std::string& source = "crab") {
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
  std::thread thread_;
  int port_ = 0;
};

}  // namespace kv::test
