#include "serve/routes.hpp"

#include <openssl/rand.h>

#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>

#include "common/run_error.hpp"
#include "common/types.hpp"
#include "serve/download.hpp"
#include "serve/fields.hpp"
#include "serve/openapi.hpp"
#include "serve/pages.hpp"

namespace kv::serve {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
constexpr const char* kSid = satellite_id;
const std::vector<std::string> kRunOptions{"--json",   "run.json",  "--plot", "plot.png",
                                           "--no-pdf", "--threads", "1"};

Response page(int status, std::string body) {
  Response r;
  r.status = status;
  r.type = "text/html; charset=utf-8";
  r.body = std::move(body);
  return r;
}

Response busy(Response r) {
  r.headers.emplace_back("Retry-After", "5");
  return r;
}

// The answer to a run that could not start: 503 for a full queue or a stopping server.
Response refused(JobQueue::Admit a, bool api) {
  const std::string m = a == JobQueue::Admit::stopping ? "the server is stopping"
                                                       : "too many runs at once; try again shortly";
  return busy(api ? json_error(503, m) : page(503, error_page(503, m)));
}

Response with_status(Response r, int status) {
  r.status = status;
  if (status == 503) r = busy(std::move(r));
  return r;
}

std::optional<json> read_json(const fs::path& p) {
  std::ifstream in(p);
  json j = json::parse(in, nullptr, false);
  if (j.is_discarded()) return std::nullopt;
  return j;
}

bool type_is(const Request& req, std::string_view want) {
  const std::string t = req.header("Content-Type");
  return t.rfind(want, 0) == 0 && (t.size() == want.size() || t[want.size()] == ';');
}

std::string random_token() {
  unsigned char b[16];
  if (RAND_bytes(b, sizeof b) != 1) throw std::runtime_error("no random bytes");
  std::string t;
  for (unsigned char c : b) t += strprintf("%02x", c);
  return t;
}

bool loopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

}  // namespace

namespace {
// A period over kLongRunDays that the batch program may accept (at most 400 days) makes a
// long run; a longer one is refused at once by the batch program's own check.
bool long_run(const RunFields& f) {
  const double days = period_days(f);
  return days > kLongRunDays && days <= 400;
}
}  // namespace

Routes::Routes(Runs& runs, std::string host)
    : runs_(runs), host_(std::move(host)), token_(random_token()) {}

// On loopback, only the loopback names of this server (a page of another site that renamed
// itself to 127.0.0.1 sends its own name).
bool Routes::host_ok(const Request& req) const {
  if (!loopback(host_)) return true;
  const std::string h = req.header("Host");
  const std::string port = ":" + std::to_string(port_);
  for (const char* name : {"127.0.0.1", "localhost", "[::1]"})
    if (h == name || h == std::string(name) + port) return true;
  return false;
}

// A browser's form: from this server's own page (its token; its origin when the browser
// names one).
bool Routes::browser_form(const Request& req, Form& form, const Reply& reply) const {
  if (!type_is(req, "application/x-www-form-urlencoded")) {
    reply(page(415, error_page(415, "the form must be sent as application/x-www-form-urlencoded")));
  } else if (!parse_form(req.body, form)) {
    reply(page(400, error_page(400, "the form is not well encoded")));
  } else if (!form_ok(req, form)) {
    reply(page(403, error_page(403, "the form must be sent from this server's own page")));
  } else {
    return true;
  }
  return false;
}

bool Routes::form_ok(const Request& req, const Form& form) const {
  const auto t = form.find("form_token");
  if (t == form.end() || t->second != token_) return false;
  const std::string origin = req.header("Origin");
  return origin.empty() || origin == "null" || origin == "http://" + req.header("Host");
}

void Routes::handle(const Request& req, Reply reply) {
  const bool api = req.path.rfind("/api/", 0) == 0;
  auto fail = [&](int status, const std::string& m) {
    reply(api ? json_error(status, m) : page(status, error_page(status, m)));
  };
  if (req.header("Host").empty()) return fail(400, "the request has no Host header");
  if (!host_ok(req)) return fail(421, "this server does not answer for that host name");
  const bool get = req.method == "GET" || req.method == "HEAD";
  const bool post = req.method == "POST";
  const std::string& p = req.path;
  // Paths with a run id: /runs/ID, /runs/ID/files/NAME and the same under /api/v1.
  const std::string runs_prefix = api ? "/api/v1/runs/" : "/runs/";
  if (p.rfind(runs_prefix, 0) == 0 && p.size() >= runs_prefix.size() + 32) {
    const std::string id = p.substr(runs_prefix.size(), 32);
    const std::string rest = p.substr(runs_prefix.size() + 32);
    if (Runs::id_ok(id) && (rest.empty() || rest.rfind("/files/", 0) == 0)) {
      if (!get) return fail(405, "this address answers GET only");
      if (!rest.empty()) return file(id, rest.substr(7), api, std::move(reply));
      return api ? api_run_get(id, std::move(reply)) : run_page(id, std::move(reply));
    }
  }
  struct Route {
    const char* path;
    bool post;
    void (Routes::*fn)(const Request&, Reply);
  };
  static const Route kRoutes[] = {{"/runs", true, &Routes::run_form},
                                  {"/api/v1/runs", true, &Routes::api_run},
                                  {"/api/v1/catalogues", true, &Routes::catalogue},
                                  {"/sky", true, &Routes::sky},
                                  {"/catalogue", true, &Routes::catalogue_form}};
  if (p == "/catalogue" && get)
    return reply(
        page(200, catalogue_form_page(token_, "", default_fields(std::time(nullptr)), "")));
  if (p == "/api/v1/openapi.json") {
    if (!get) return fail(405, "this address answers GET only");
    Response r;
    r.type = "application/json";
    r.body = openapi_document();
    return reply(r);
  }
  if (p == "/" || p == "/style.css" || p == "/sky") {
    if (get) {
      if (p == "/style.css") {
        Response r;
        r.type = "text/css";
        r.body = kStyleSheet;
        return reply(r);
      }
      return reply(page(200, p == "/" ? form_page(default_fields(std::time(nullptr)), "", token_,
                                                  {}, runs_.yaw_sun_limit())
                                      : sky_form_page(token_, "")));
    }
    if (p != "/sky") return fail(405, "this address answers GET only");
  }
  for (const Route& r : kRoutes)
    if (p == r.path) {
      if (!post) return fail(405, "runs are started by POST only");
      return (this->*r.fn)(req, std::move(reply));
    }
  fail(404, "no such page");
}

void Routes::run_form(const Request& req, Reply reply) {
  Form form;
  if (!browser_form(req, form, reply)) return;
  const RunFields f = form_fields(form);
  if (const std::vector<FieldFault> faults = field_faults(f); !faults.empty())
    return reply(
        page(faults.front().error.status, form_page(f, "", token_, faults, runs_.yaw_sun_limit())));
  const std::string text = request_text(f, kSid, nullptr);
  const std::string token = token_;
  BatchInput in = batch_input(f, kRunOptions);
  if (long_run(f))
    return reply(long_run_answer(text, std::move(in.options), std::move(in.upload), false));
  const auto a = runs_.submit_run(
      text, std::move(in.options), std::move(in.upload), [reply, f, token](const JobResult& r) {
        if (r.status == 201) {
          Response res = page(303, "");
          res.headers.emplace_back("Location", "/runs/" + r.id);
          return reply(res);
        }
        reply(with_status(page(r.status, form_page(f, r.message, token)), r.status));
      });
  if (a != JobQueue::Admit::queued) reply(refused(a, false));
}

namespace {
Response run_document(const fs::path& dir, const JobResult& r, int ok_status) {
  if (r.status != 201) {
    Response e = with_status(json_error(r.status, r.message), r.status);
    json body = json::parse(e.body);
    body["run_id"] = r.id;
    e.body = body.dump() + "\n";
    return e;
  }
  auto doc = read_json(dir / "run.json");
  if (!doc) return json_error(500, "the run's document cannot be read");
  (*doc)["run_id"] = r.id;
  Response res;
  res.status = ok_status;
  res.type = "application/json";
  res.body = doc->dump(2) + "\n";
  return res;
}
}  // namespace

void Routes::api_run(const Request& req, Reply reply) {
  if (!type_is(req, "application/json"))
    return reply(json_error(415, "the body must be application/json"));
  RunFields f;
  FieldError err;
  if (!fields_from_json(req.body, f, &err)) return reply(json_error(err.status, err.message));
  const std::string text = request_text(f, kSid, &err);
  if (text.empty()) return reply(json_error(err.status, err.message));
  Runs* runs = &runs_;
  BatchInput in = batch_input(f, kRunOptions);
  if (long_run(f))
    return reply(long_run_answer(text, std::move(in.options), std::move(in.upload), true));
  const auto a = runs_.submit_run(
      text, std::move(in.options), std::move(in.upload), [reply, runs](const JobResult& r) {
        reply(r.id.empty() ? with_status(json_error(r.status, r.message), r.status)
                           : run_document(runs->path(r.id), r, 201));
      });
  if (a != JobQueue::Admit::queued) reply(refused(a, true));
}

void Routes::api_run_get(const std::string& id, Reply reply) {
  const std::string state = runs_.state(id);
  if (state == "queued" || state == "running") {
    Response res;
    res.type = "application/json";
    res.body = json{{"run_id", id}, {"state", state}}.dump() + "\n";
    return reply(res);
  }
  const auto r = runs_.record(id);
  if (!r) return reply(json_error(404, "no such run"));
  Response res = run_document(runs_.path(id), *r, 200);
  if (json body = json::parse(res.body, nullptr, false); body.is_object()) {
    body["state"] = r->status == 201 ? "done" : "failed";
    res.body = body.dump(2) + "\n";
  }
  reply(res);
}

// A long run: queued at once, answered with its page (303 to it) or, for the API, 202 with
// its address; the page refreshes itself and the API's GET tells its state.
Response Routes::long_run_answer(const std::string& text, std::vector<std::string> options,
                                 std::pair<std::string, std::string> upload, bool api) {
  const auto [a, id] = runs_.submit_long_run(text, std::move(options), std::move(upload));
  if (a != JobQueue::Admit::queued) return refused(a, api);
  Response res;
  if (api) {
    res.status = 202;
    res.type = "application/json";
    res.body = json{{"run_id", id}, {"state", "queued"}}.dump() + "\n";
    res.headers.emplace_back("Location", "/api/v1/runs/" + id);
  } else {
    res = page(303, "");
    res.headers.emplace_back("Location", "/runs/" + id);
  }
  return res;
}

void Routes::run_page(const std::string& id, Reply reply) {
  const std::string state = runs_.state(id);
  if (state == "queued" || state == "running") return reply(page(200, pending_page(id, state)));
  const auto r = runs_.record(id);
  if (!r) return reply(page(404, error_page(404, "no such run")));
  if (r->status != 201)
    return reply(with_status(page(r->status, error_page(r->status, r->message)), r->status));
  const std::vector<std::string> files = runs_.files(id);
  for (const std::string& f : files) {
    if (f.rfind("skymap_", 0) == 0) return reply(page(200, sky_page(id, files)));
    if (f.rfind("catalogue_", 0) == 0) return reply(page(200, catalogue_page(id, files)));
  }
  const auto doc = read_json(runs_.path(id) / "run.json");
  if (!doc) return reply(page(404, error_page(404, "this run has no result page")));
  reply(page(200, result_page(id, *doc, runs_.files(id))));
}

// A file of a run: only the files the run wrote, and the PDF of its own reports (a job, made
// when first asked for).
void Routes::file(const std::string& id, const std::string& name, bool api, Reply reply) {
  auto fail = [&](int status, const std::string& m) {
    reply(with_status(api ? json_error(status, m) : page(status, error_page(status, m)), status));
  };
  const auto r = runs_.record(id);
  if (!r) return fail(404, "no such run");
  const fs::path dir = runs_.path(id);
  const std::vector<std::string> files = runs_.files(id);
  if (std::find(files.begin(), files.end(), name) != files.end())
    return reply(download(dir / name));
  const auto doc = r->status == 201 ? read_json(dir / "run.json") : std::nullopt;
  if (!doc || !doc->contains("pdf") || (*doc)["pdf"].value("file", "") != name)
    return fail(404, "no such file in this run");
  const auto a = runs_.submit_pdf(id, name, [reply, dir, name, api](const JobResult& j) {
    if (j.status == 201) return reply(download(dir / name));
    reply(with_status(
        api ? json_error(j.status, j.message) : page(j.status, error_page(j.status, j.message)),
        j.status));
  });
  if (a != JobQueue::Admit::queued) reply(refused(a, api));
}

void Routes::catalogue(const Request& req, Reply reply) {
  if (!type_is(req, "text/csv")) return reply(json_error(415, "the body must be text/csv"));
  Form q;
  if (!parse_form(req.query, q)) return reply(json_error(400, "the query is not well encoded"));
  FieldError err;
  const std::string text = request_text(query_fields(q), kSid, &err);
  if (text.empty()) return reply(json_error(err.status, err.message));
  Runs* runs = &runs_;
  const auto a = runs_.submit_run(
      text, {"--catalogue", "catalogue.csv", "--json", "catalogue.json", "--threads", "1"},
      {"catalogue.csv", req.body}, [reply, runs](const JobResult& r) {
        if (r.status != 201) return reply(run_document({}, r, 201));
        for (const std::string& f : runs->files(r.id))
          if (f.rfind("catalogue_", 0) == 0 && f.ends_with(".csv")) {
            Response res = download(runs->path(r.id) / f);
            res.status = 201;
            res.headers.emplace_back("X-Run-Id", r.id);
            return reply(res);
          }
        reply(json_error(500, "the run wrote no summary"));
      });
  if (a != JobQueue::Admit::queued) reply(refused(a, true));
}

// The sky map of a period, from the sky-map form (NSIDE 1 to 16 here).
void Routes::sky(const Request& req, Reply reply) {
  Form form;
  if (!browser_form(req, form, reply)) return;
  const std::string nside = form.count("nside") ? form.at("nside") : "8";
  if (nside != "1" && nside != "2" && nside != "4" && nside != "8" && nside != "16")
    return reply(page(400, sky_form_page(token_, "nside: 1, 2, 4, 8 or 16", query_fields(form))));
  FieldError err;
  const std::string text = request_text(query_fields(form), kSid, &err);
  if (text.empty())
    return reply(page(err.status, sky_form_page(token_, err.message, query_fields(form))));
  reply(long_run_answer(text, {"--sky-map", nside, "--threads", "1"}, {}, false));
}

// A catalogue from the catalogue form (the CSV pasted), a long run.
void Routes::catalogue_form(const Request& req, Reply reply) {
  Form form;
  if (!browser_form(req, form, reply)) return;
  const RunFields f = query_fields(form);
  const std::string csv = form.count("csv") ? form.at("csv") : "";
  FieldError err;
  const std::string text = request_text(f, kSid, &err);
  if (text.empty())
    return reply(page(err.status, catalogue_form_page(token_, err.message, f, csv)));
  if (csv.find_first_not_of(" \t\r\n") == std::string::npos)
    return reply(page(400, catalogue_form_page(token_, "csv: the catalogue is empty", f, csv)));
  reply(long_run_answer(
      text, {"--catalogue", "catalogue.csv", "--json", "catalogue.json", "--threads", "1"},
      {"catalogue.csv", csv}, false));
}

}  // namespace kv::serve
