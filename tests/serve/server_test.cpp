// kelvis serve over loopback: a typical run, failed runs with their messages, files of one
// run unreachable from another, names refused, the body limit and the run time limit.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "serve/fields.hpp"
#include "serve/serve_fixture.hpp"

namespace kv::test {
namespace {

using nlohmann::json;

TEST_F(Serve, ATypicalRunItsDocumentAndItsFiles) {
  start();
  const Epoch today = today_utc();
  install(today, today);
  json body = typical();
  body["start"] = iso_day(today);
  body["end"] = iso_day(addtim(today, 86400));
  auto r = post(body);
  ASSERT_EQ(r.status, 201) << r.body;
  const json doc = json::parse(r.body);
  EXPECT_EQ(doc["request"]["source"]["name"], "crab");
  const std::string id = doc["run_id"];
  EXPECT_EQ(id.size(), 32u);
  r = get("/api/v1/runs/" + id);
  ASSERT_EQ(r.status, 200);
  EXPECT_EQ(json::parse(r.body)["run_id"], id);
  r = get("/api/v1/runs/" + id + "/files/out/vrepanncrabr7_kv1.txt");
  ASSERT_EQ(r.status, 404);  // the test configuration writes beside the run, not in out/
  r = get("/api/v1/runs/" + id + "/files/vrepanncrabr7_kv1.txt");
  ASSERT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("View Opportunity Duration"), std::string::npos);
  r = get("/runs/" + id);
  ASSERT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("<table id=\"windows\">"), std::string::npos);
  EXPECT_NE(r.body.find("files/plot.png"), std::string::npos);
  r = get("/api/v1/runs/" + id + "/files/viewanncrabr7_kv1.pdf");
  ASSERT_EQ(r.status, 200);
  EXPECT_EQ(r.body.rfind("%PDF", 0), 0u);
  // Another run's id, and names reaching out of the run.
  for (const std::string& path :
       {"/api/v1/runs/" + std::string(32, '0') + "/files/vrepanncrabr7_kv1.txt",
        "/api/v1/runs/" + id + "/files/../" + id + "/request.txt",
        "/api/v1/runs/" + id + "/files/kelvocc_kv1.std", "/api/v1/runs/" + id + "/files/%2e%2e"})
    EXPECT_EQ(get(path).status, 404) << path;
}

// The orbit from a pasted element set (examples/kv1.tle, epoch 2024-03-09) in the precise
// model; a set with a bad checksum is the batch program's refusal, an unknown model the
// server's.
TEST_F(Serve, ARunWithAnElementSetAndOneWithABadChecksum) {
  start();
  const Epoch today = today_utc();
  install(today, today);
  json body = typical();
  body["tle"] = test::slurp(std::filesystem::path(KELVIS_SOURCE_DIR) / "examples/kv1.tle");
  body["model"] = "exact";
  EXPECT_EQ(post(body).status, 400);
  body["model"] = "precise";
  body["min_window"] = 30;
  auto r = post(body);
  ASSERT_EQ(r.status, 201) << r.body;
  EXPECT_EQ(json::parse(r.body)["long_windows"]["min_minutes"], 30);
  EXPECT_EQ(json::parse(r.body)["tle"]["revolution_number"], 1234);
  EXPECT_EQ(json::parse(r.body)["model"], "precise");
  std::string bad = body["tle"];
  bad[bad.find("\n1 ") + 69] = bad[bad.find("\n1 ") + 69] == '0' ? '1' : '0';
  body["tle"] = bad;
  r = post(body);
  EXPECT_EQ(r.status, 422);
  EXPECT_NE(r.body.find("checksum"), std::string::npos) << r.body;
}

// The page of a long run at `where`, fetched again (as its meta refresh does) until it no
// longer says that the run is queued or running.
std::string ended_page(int port, const std::string& where) {
  std::string body;
  for (int k = 0; k < 600; ++k) {
    const HttpReply r = http_call(port, "GET", where);
    body = r.body;
    if (body.find("http-equiv=\"refresh\"") == std::string::npos) return body;
    EXPECT_NE(body.find("id=\"state\""), std::string::npos);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return body;
}

// A multipart/form-data body of these fields, as a browser sends the catalogue form; a
// field named csv_file is sent as a file.
std::string multipart(const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string b;
  for (const auto& [name, value] : fields)
    b += "--XyZ\r\nContent-Disposition: form-data; name=\"" + name + "\"" +
         (name == "csv_file" ? "; filename=\"my;list.csv\"\r\nContent-Type: text/csv" : "") +
         "\r\n\r\n" + value + "\r\n";
  return b + "--XyZ--\r\n";
}

TEST_F(Serve, CatalogueSummaryAndSkyMapPage) {
  start();
  const Epoch today = today_utc();
  install(today, today);
  const std::string query = "?start=" + iso_day(today) + "&end=" + iso_day(addtim(today, 86400));
  auto r = http_call(port_, "POST", "/api/v1/catalogues" + query,
                     "name,ra_deg,dec_deg\ncrab,83.63,22.01\npole,0,90\n", "text/csv");
  ASSERT_EQ(r.status, 202) << r.body;
  r = ended_run(r.header("Location"));
  ASSERT_EQ(r.status, 200) << r.body;
  const json doc = json::parse(r.body);
  EXPECT_EQ(doc["state"], "done");
  ASSERT_EQ(doc["sources"].size(), 2u);
  EXPECT_EQ(doc["sources"][1]["name"], "pole");
  r = get("/api/v1/runs/" + doc["run_id"].get<std::string>() + "/files/" +
          doc["outputs"]["summary"].get<std::string>());
  ASSERT_EQ(r.status, 200);
  EXPECT_EQ(r.body.rfind("name,ra_deg,dec_deg,", 0), 0u);
  EXPECT_NE(r.body.find("\npole,"), std::string::npos);
  // A bad row is refused at once, with the batch program's words and every bad row.
  r = http_call(port_, "POST", "/api/v1/catalogues" + query,
                "name,ra_deg,dec_deg\nx,400,0\ny,0,91\n", "text/csv");
  EXPECT_EQ(r.status, 422);
  EXPECT_NE(r.body.find("2 bad rows"), std::string::npos) << r.body;
  EXPECT_NE(r.body.find("line 3: "), std::string::npos) << r.body;
  // The sky map: a run started by the server's own form (POST), never by a GET.
  const std::string form = "form_token=" + token() + "&start=" + iso_day(today) +
                           "&end=" + iso_day(addtim(today, 86400));
  const char* kForm = "application/x-www-form-urlencoded";
  r = http_call(port_, "POST", "/sky", form + "&nside=1", kForm);
  ASSERT_EQ(r.status, 303) << r.body;
  EXPECT_NE(ended_page(port_, r.header("Location")).find("<img id=\"skymap\""), std::string::npos);
  EXPECT_EQ(http_call(port_, "POST", "/sky", form + "&nside=3", kForm).status, 400);
  // The catalogue form: a pasted CSV with a sexagesimal row and a name with a blank.
  r = http_call(port_, "POST", "/catalogue",
                form + "&csv=" + "Name%2CRA%2CDec%0ACyg+X-1%2C19%3A58%3A21.6%2C%2B35%3A12%3A00%0A",
                kForm);
  ASSERT_EQ(r.status, 303) << r.body;
  const std::string page = ended_page(port_, r.header("Location"));
  EXPECT_NE(page.find("<ul id=\"files\">"), std::string::npos) << page;
  EXPECT_NE(page.find("catalogue_"), std::string::npos) << page;
  // The catalogue form as a browser sends it with a file chosen (the file before the text).
  const std::string upload = "Source,RA_hms,DEC_DMS\r\nCyg X-1,19h58m21.6s,35d12m00s\r\n";
  const char* kMultipart = "multipart/form-data; boundary=XyZ";
  const std::vector<std::pair<std::string, std::string>> fields{
      {"form_token", token()},
      {"start", iso_day(today)},
      {"end", iso_day(addtim(today, 86400))},
      {"csv", "name,ra,dec\nx,1,1\n"},
      {"csv_file", upload}};
  r = http_call(port_, "POST", "/catalogue", multipart(fields), kMultipart);
  ASSERT_EQ(r.status, 303) << r.body;
  const std::string id = r.header("Location").substr(6);
  ended_page(port_, r.header("Location"));
  r = get("/api/v1/runs/" + id);
  ASSERT_EQ(json::parse(r.body)["sources"].size(), 1u) << r.body;
  EXPECT_EQ(json::parse(r.body)["sources"][0]["name"], "Cyg X-1");
  // A bad row of the file is shown on the form at once; a body cut short is refused.
  auto bad = fields;
  bad.back().second = "name,ra,dec\nx,25h,0\n";
  r = http_call(port_, "POST", "/catalogue", multipart(bad), kMultipart);
  EXPECT_EQ(r.status, 422);
  EXPECT_NE(r.body.find("line 2: "), std::string::npos) << r.body;
  r = http_call(port_, "POST", "/catalogue", multipart(fields), "text/plain");
  EXPECT_EQ(r.status, 415);
  EXPECT_NE(r.body.find("x-www-form-urlencoded or multipart/form-data"), std::string::npos);
  const std::string whole = multipart(fields);
  EXPECT_EQ(
      http_call(port_, "POST", "/catalogue", whole.substr(0, whole.size() - 9), kMultipart).status,
      400);
}

// A long run through the API: 202 with its address at once; its GET tells the state until
// the document is there.
TEST_F(Serve, ALongRunAnswersAtOnceAndTellsItsState) {
  start();
  const Epoch today = today_utc();
  install(today, today);
  json body = typical();
  body["start"] = iso_day(today);
  body["end"] = iso_day(addtim(today, 31 * 86400.0));
  auto r = post(body);
  ASSERT_EQ(r.status, 202) << r.body;
  const std::string where = r.header("Location");
  EXPECT_EQ(where, "/api/v1/runs/" + json::parse(r.body)["run_id"].get<std::string>());
  std::set<std::string> seen;
  r = ended_run(where, &seen);
  ASSERT_EQ(r.status, 200) << r.body;
  EXPECT_EQ(json::parse(r.body)["state"], "done") << r.body;
  EXPECT_EQ(json::parse(r.body)["request"]["source"]["name"], "crab");
  for (const std::string& s : seen)
    EXPECT_TRUE(s == "queued" || s == "running" || s == "done") << s;
}

// Inputs as astronomers write them: a time with Z or +00:00, a sexagesimal position, a
// source name with a blank (shown as written, its files under the file-name form).
TEST_F(Serve, TimesWithZonesSexagesimalPositionsAndNamesWithBlanks) {
  start();
  const Epoch today = today_utc();
  install(today, today);
  json body = typical("Cyg X-1");
  body.erase("ra_deg");
  body.erase("dec_deg");
  body["ra"] = "19:58:21.6";
  body["dec"] = "+35d12m00s";
  body["start"] = iso_day(today) + "Z";
  body["end"] = iso_day(addtim(today, 86400)) + "+00:00";
  auto r = post(body);
  ASSERT_EQ(r.status, 201) << r.body;
  const json doc = json::parse(r.body);
  EXPECT_EQ(doc["request"]["source"]["name"], "Cyg X-1");
  EXPECT_NEAR(doc["request"]["source"]["ra_deg"].get<double>(), 299.59, 1e-12);
  EXPECT_NEAR(doc["request"]["source"]["dec_deg"].get<double>(), 35.2, 1e-12);
  r = get("/api/v1/runs/" + doc["run_id"].get<std::string>() + "/files/vrepannCyg_X-1r7_kv1.txt");
  ASSERT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("Source Name : Cyg X-1 "), std::string::npos);
  // Refusals name the field in plain words.
  const std::pair<json, const char*> bad[] = {
      {json{{"colour", "red"}}, "unknown field \"colour\""},
      {json{{"ra", 299.59}}, "ra: must be a string"},
      {json{{"ra", "19:58"}}, "ra: give ra as text or ra_deg as a number, not both"},
      {json{{"dec_deg", "35"}}, "dec_deg: must be a number"},
      {json{{"limits", {{"roll_sun", "45"}}}}, "limits.roll_sun: must be a number"},
      {json{{"start", "2024-03-10T00:00:00+01:00"}},
       "start: the start is not a UTC time YYYY-MM-DDTHH:MM:SS[.mmm][Z]"},
  };
  for (const auto& [change, words] : bad) {
    body = typical();
    body.update(change);
    r = post(body);
    EXPECT_EQ(r.status, 400) << words;
    EXPECT_EQ(json::parse(r.body)["error"], std::string(words)) << r.body;
  }
  body = typical();
  body.erase("ra_deg");
  body["ra"] = "19:61:00";
  r = post(body);
  EXPECT_EQ(r.status, 400);
  EXPECT_NE(r.body.find("ra: the right ascension is not understood (the minutes must be below 60)"),
            std::string::npos)
      << r.body;
  body.erase("ra");
  r = post(body);
  EXPECT_NE(r.body.find("ra: missing (give ra as text"), std::string::npos) << r.body;
}

// The OpenAPI description names every key the API takes and every API address the server
// answers; each address it names is answered (not 404) by its method.
TEST_F(Serve, OpenApiDescribesEveryRouteAndField) {
  start();
  const HttpReply r = get("/api/v1/openapi.json");
  ASSERT_EQ(r.status, 200);
  const json doc = json::parse(r.body);
  EXPECT_EQ(doc["openapi"].get<std::string>().rfind("3.", 0), 0u);
  const json& props = doc["components"]["schemas"]["Run"]["properties"];
  for (const std::string& key : serve::api_keys()) {
    SCOPED_TRACE(key);
    const json& p =
        key.rfind("limits.", 0) == 0 ? props["limits"]["properties"][key.substr(7)] : props[key];
    ASSERT_TRUE(p.is_object());
    EXPECT_FALSE(p["description"].get<std::string>().empty());
  }
  EXPECT_EQ(props.size() + props["limits"]["properties"].size(), serve::api_keys().size());
  const std::string id(32, 'a');
  const std::pair<const char*, const char*> kRoutes[] = {{"/api/v1/runs", "post"},
                                                         {"/api/v1/runs/{id}", "get"},
                                                         {"/api/v1/runs/{id}/files/{name}", "get"},
                                                         {"/api/v1/catalogues", "post"},
                                                         {"/api/v1/openapi.json", "get"}};
  EXPECT_EQ(doc["paths"].size(), std::size(kRoutes));
  for (const auto& [path, method] : kRoutes) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(doc["paths"][path].contains(method));
    std::string target = path;
    if (const auto at = target.find("{id}"); at != std::string::npos) target.replace(at, 4, id);
    if (const auto at = target.find("{name}"); at != std::string::npos) target.replace(at, 6, "x");
    const std::string m = method == std::string("get") ? "GET" : "POST";
    const HttpReply answer =
        m == "GET" ? get(target) : http_call(port_, m, target, "", "text/plain");
    // An unknown run id is a 404 of the run, not of the address: its body says so.
    EXPECT_TRUE(answer.status != 404 || answer.body.find("no such run") != std::string::npos)
        << answer.status << answer.body;
    EXPECT_NE(answer.status, 405);
  }
}

// The form: the period filled in, every limit explained, the yaw-Sun limit read-only, and
// every field fault beside its field at once.
TEST_F(Serve, FormExplainsItselfAndShowsEveryFaultAtOnce) {
  start();
  HttpReply r = get("/");
  ASSERT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("name=\"start\" value=\"20"), std::string::npos);
  EXPECT_NE(r.body.find("T00:00:00\""), std::string::npos);
  EXPECT_NE(r.body.find("the angle between the roll axis and the Moon must be more than this"),
            std::string::npos);
  EXPECT_NE(r.body.find("id=\"yaw_sun\" value=\"45\" readonly"), std::string::npos) << r.body;
  const std::string form =
      "user=ann&source=a%2Fb&ra=05%3A61%3A00&dec=22&start=2024-03-10&"
      "end=2024-03-12T00:00:00Z&roll_sun=x&neg_roll_sun=45&roll_moon=10&"
      "roll_velocity=10&earth_margin=5&tag=w&form_token=" +
      token();
  r = http_call(port_, "POST", "/runs", form, "application/x-www-form-urlencoded");
  EXPECT_EQ(r.status, 400);
  for (const char* field : {"source", "ra", "start", "roll_sun"})
    EXPECT_NE(r.body.find(std::string("id=\"") + field + "-error\""), std::string::npos) << field;
  for (const char* field : {"user", "dec", "end", "neg_roll_sun"})
    EXPECT_EQ(r.body.find(std::string("id=\"") + field + "-error\""), std::string::npos) << field;
}

TEST_F(Serve, FailedRunsAndRefusedInputs) {
  start();
  json body = typical();
  body["end"] = "2024-03-09T00:00:00";
  auto r = post(body);  // the clock's day has no orbit file, or the period is refused
  ASSERT_EQ(r.status, 422);
  EXPECT_FALSE(json::parse(r.body)["error"].get<std::string>().empty());
  for (const std::string name : {"a/b", "..", "x..y", "p%d", "a b ", " ab", "a\tb", "a  b/"}) {
    body = typical(name);
    r = post(body);
    EXPECT_EQ(r.status, 400) << name;
  }
  // A tag longer than a source name is checked whole.
  for (const std::string tail : {"%FF", "#", "?", "<", "..", "/x"}) {
    body = typical();
    body["tag"] = std::string(24, 't') + tail;
    EXPECT_EQ(post(body).status, 400) << tail;
  }
  std::string raw = typical("cafX").dump();
  raw[raw.find("cafX") + 3] = '\xc3';  // invalid UTF-8
  EXPECT_EQ(http_call(port_, "POST", "/api/v1/runs", raw, "application/json").status, 400);
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
    EXPECT_EQ(r.status, 422) << words;
    EXPECT_NE(r.body.find(words), std::string::npos) << r.body;
  }
  r = http_call(port_, "POST", "/api/v1/runs", "{not json", "application/json");
  EXPECT_EQ(r.status, 400);
  r = http_call(port_, "POST", "/api/v1/runs", std::string(2 << 20, ' '), "application/json");
  EXPECT_EQ(r.status, 413);
  r = get("/");
  EXPECT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("<form method=\"post\" action=\"/runs\">"), std::string::npos);
}

TEST_F(Serve, ARunPastItsTimeLimitIsStoppedAndTheServerAnswers) {
  // A batch program that hangs.
  spit(dir_ / "hang.sh", "#!/bin/sh\nsleep 30\n");
  std::filesystem::permissions(dir_ / "hang.sh", std::filesystem::perms::owner_all);
  start(0.3, (dir_ / "hang.sh").string());
  auto r = post(typical());
  ASSERT_EQ(r.status, 504);
  EXPECT_NE(r.body.find("time limit"), std::string::npos);
  EXPECT_EQ(get("/").status, 200);
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
      std::this_thread::sleep_for(std::chrono::milliseconds(150 * k));
      auto r = http_call(port_, "POST", "/api/v1/runs", typical().dump(), "application/json");
      status[static_cast<std::size_t>(k)] = r.status;
      if (r.status == 503) retry_after = r.header("Retry-After");
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
  ASSERT_EQ(r.status, 422);  // refused (no orbit file for today), but a run all the same
  const std::string id = json::parse(r.body)["run_id"];
  EXPECT_TRUE(std::filesystem::exists(dir_ / ".kelvis-runs" / id));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_FALSE(std::filesystem::exists(dir_ / ".kelvis-runs" / id));
}

}  // namespace
}  // namespace kv::test
