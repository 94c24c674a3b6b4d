#include "serve/routes.hpp"

#include <openssl/rand.h>

#include <ctime>
#include <nlohmann/json.hpp>

#include "common/run_error.hpp"
#include "common/types.hpp"
#include "serve/download.hpp"
#include "serve/fields.hpp"
#include "serve/openapi.hpp"
#include "serve/pages.hpp"
#include "serve/replies.hpp"

namespace kv::serve {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
constexpr const char* kSid = satellite_id;
const std::vector<std::string> kRunOptions{"--json",   kRunJson,    "--plot", "plot.png",
                                           "--no-pdf", "--threads", "1"};

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
  const bool multipart = type_is(req, "multipart/form-data");
  if (!multipart && !type_is(req, "application/x-www-form-urlencoded")) {
    reply(page(415, error_page(415,
                               "the form must be sent as application/x-www-form-urlencoded or "
                               "multipart/form-data")));
  } else if (multipart ? !parse_multipart(req.header("Content-Type"), req.body, form)
                       : !parse_form(req.body, form)) {
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
  auto doc = run_json(dir);
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
    json body{{"run_id", id}, {"state", state}};
    if (const auto p = runs_.progress(id)) {
      body["sources_done"] = p->done;
      body["sources_total"] = p->total;
    }
    Response res;
    res.type = "application/json";
    res.body = body.dump() + "\n";
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

void Routes::run_page(const std::string& id, Reply reply) {
  const std::string state = runs_.state(id);
  if (state == "queued" || state == "running")
    return reply(page(200, pending_page(id, state, runs_.progress(id))));
  const auto r = runs_.record(id);
  if (!r) return reply(page(404, error_page(404, "no such run")));
  if (r->status != 201)
    return reply(with_status(page(r->status, error_page(r->status, r->message)), r->status));
  const std::vector<std::string> files = runs_.files(id);
  for (const std::string& f : files) {
    if (f.rfind("skymap_", 0) == 0) return reply(page(200, sky_page(id, files)));
    if (f.rfind("catalogue_", 0) == 0) return reply(page(200, catalogue_page(id, files)));
  }
  const auto doc = read_json(runs_.path(id) / kRunJson);
  if (!doc) return reply(page(404, error_page(404, "this run has no result page")));
  reply(page(200, result_page(id, *doc, files)));
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
  const auto doc = r->status == 201 ? read_json(dir / kRunJson) : std::nullopt;
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

}  // namespace kv::serve
