#include "serve/server.hpp"

#include <fcntl.h>
#include <httplib.h>
#include <openssl/rand.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "common/parallel.hpp"
#include "common/run_error.hpp"
#include "report/report.hpp"

extern char** environ;

namespace kv::serve {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
constexpr const char* kSid = "kv1";

// ---------------------------------------------------------------- request fields

bool name_ok(const std::string& s, std::size_t max) {
  if (s.empty() || s.size() > max || s.find("..") != std::string::npos) return false;
  for (char c : s)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '+' || c == '-' ||
          c == '.'))
      return false;
  return true;
}

bool number_ok(const std::string& s) {
  if (s.empty() || s.size() > 40) return false;
  char* end = nullptr;
  std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

// "YYYY-MM-DDTHH:MM:SS[.mmm]" to the seven request integers.
bool time_fields(const std::string& s, std::string& out) {
  int y, mo, d, h, mi, sec, ms = 0;
  char tail;
  const int n = std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c", &y, &mo, &d, &h, &mi, &sec,
                            &ms, &tail);
  if (!(n == 6 || n == 7) || (n == 6 && s.size() != 19) || (n == 7 && s.size() != 23)) return false;
  out = strprintf("%d %d %d %d %d %d %d", y, mo, d, h, mi, sec, ms);
  return true;
}

std::string html(const std::string& s) {
  std::string o;
  for (char c : s) {
    switch (c) {
      case '&':
        o += "&amp;";
        break;
      case '<':
        o += "&lt;";
        break;
      case '>':
        o += "&gt;";
        break;
      case '"':
        o += "&quot;";
        break;
      case '\'':
        o += "&#39;";
        break;
      default:
        o += c;
    }
  }
  return o;
}

// ---------------------------------------------------------------- run folders

std::string random_id() {
  unsigned char b[16];
  if (RAND_bytes(b, sizeof b) != 1) throw std::runtime_error("no random bytes");
  std::string id;
  for (unsigned char c : b) id += strprintf("%02x", c);
  return id;
}

bool id_ok(const std::string& id) {
  if (id.size() != 32) return false;
  for (char c : id)
    if (!std::isxdigit(static_cast<unsigned char>(c)) ||
        std::isupper(static_cast<unsigned char>(c)))
      return false;
  return true;
}

std::vector<std::string> config_tokens(const fs::path& data) {
  std::ifstream in(data / (std::string("kelvocc_") + kSid + ".std"));
  std::vector<std::string> t;
  for (std::string w; t.size() < 10 && in >> w;) t.push_back(w);
  return t;
}

// A fresh folder for one run: the configuration linked in, the orbit files' folder linked
// in (or the orbit files themselves when they lie beside the configuration), the output
// folders created. Nothing a run writes can reach the data folder.
void prepare_folder(const fs::path& dir, const fs::path& data) {
  fs::create_directory(dir);
  fs::permissions(dir, fs::perms::owner_all);
  const std::string cfg = std::string("kelvocc_") + kSid + ".std";
  fs::create_symlink(fs::absolute(data / cfg), dir / cfg);
  const std::vector<std::string> t = config_tokens(data);
  if (t.size() < 10) return;  // the run reports the damaged configuration
  for (int k : {0, 3, 4, 5, 6, 8}) {
    const fs::path parent = fs::path(t[static_cast<std::size_t>(k)]).parent_path();
    if (!parent.empty() && parent.is_relative()) fs::create_directories(dir / parent);
  }
  const fs::path orbits = fs::path(t[7]).parent_path();
  if (!orbits.empty()) {
    if (orbits.is_relative() && !fs::exists(dir / orbits))
      fs::create_directory_symlink(fs::absolute(data / orbits), dir / orbits);
    return;
  }
  for (const auto& e : fs::directory_iterator(data))
    if (e.is_regular_file() && e.path().extension() == std::string(".") + kSid)
      fs::create_symlink(fs::absolute(e.path()), dir / e.path().filename());
}

struct Outcome {
  int status = -1;
  bool timed_out = false;
  std::string message;  // the "kelvis: " line of a failure, without the prefix
};

// Runs the batch program in `dir` with the request on its standard input.
Outcome run_batch(const std::string& kelvis, const fs::path& dir, double timeout_s,
                  const std::vector<std::string>& options) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
  posix_spawn_file_actions_addopen(&fa, 0, "request.txt", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, "kelvis.out", O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  std::vector<std::string> args{kelvis};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  Outcome o;
  // In a process group of its own, so that a stopped run takes its children with it.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  const int rc = posix_spawn(&pid, kelvis.c_str(), &fa, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    o.message = "the batch program could not be started";
    return o;
  }
  const auto start = std::chrono::steady_clock::now();
  int st = 0;
  for (;;) {
    const pid_t w = waitpid(pid, &st, WNOHANG);
    if (w == pid) break;
    if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >
        timeout_s) {
      kill(-pid, SIGKILL);
      waitpid(pid, &st, 0);
      o.timed_out = true;
      o.message = strprintf("the run was stopped after %.0f s, its time limit", timeout_s);
      return o;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  o.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  std::ifstream out(dir / "kelvis.out");
  for (std::string line; std::getline(out, line);)
    if (line.rfind("kelvis: ", 0) == 0) o.message = line.substr(8);
  return o;
}

// The files a run wrote: regular files under its folder, symbolic links not followed.
std::vector<std::string> run_files(const fs::path& dir) {
  std::vector<std::string> names;
  for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
       ++it) {
    if (it->is_symlink()) {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file()) names.push_back(fs::relative(it->path(), dir).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------- pages

constexpr const char* kStyle =
    "<style>body{font-family:sans-serif;max-width:1100px;margin:2em auto;color:#222}"
    "label{display:inline-block;width:14em}input{margin:.2em}table{border-collapse:collapse}"
    "td,th{border:1px solid #ccc;padding:.2em .6em}.err{color:#a00;font-weight:bold}"
    "img{max-width:100%}</style>";

struct Known {
  const char* name;
  const char* ra;
  const char* dec;
};
constexpr Known kKnown[] = {{"crab", "83.633", "22.014"},   {"scox1", "244.979", "-15.640"},
                            {"cygx1", "299.590", "35.202"}, {"vela", "128.836", "-45.176"},
                            {"m31", "10.685", "41.269"},    {"3c273", "187.278", "2.052"},
                            {"casa", "350.866", "58.812"}};

std::string form_page(const RunFields& f, const std::string& error) {
  auto input = [](const char* name, const char* label, const std::string& value) {
    return strprintf(
        "<p><label for=\"%s\">%s</label><input id=\"%s\" name=\"%s\" value=\"%s\">"
        "</p>",
        name, label, name, name, html(value).c_str());
  };
  std::string known =
      "<p><label for=\"known\">or a well-known source</label><select "
      "id=\"known\" name=\"known\"><option value=\"\">(the fields above)</option>";
  for (const Known& k : kKnown) known += strprintf("<option>%s</option>", k.name);
  known += "</select></p>";
  std::string page = std::string(
                         "<!doctype html><html><head><meta charset=\"utf-8\"><title>"
                         "kelvis</title>") +
                     kStyle + "</head><body><h1>When can KELVORIN observe a source?</h1>";
  if (!error.empty()) page += "<p class=\"err\">The run failed: " + html(error) + "</p>";
  page += "<form method=\"post\" action=\"/runs\">" + input("user", "user", f.user) +
          input("source", "source name", f.source) + input("ra_deg", "RA (deg)", f.ra_deg) +
          input("dec_deg", "Dec (deg)", f.dec_deg) + known +
          input("start", "start (UTC, YYYY-MM-DDTHH:MM:SS)", f.start) +
          input("end", "end (UTC)", f.end) + input("roll_sun", "roll-Sun limit", f.roll_sun) +
          input("neg_roll_sun", "negative roll-Sun limit", f.neg_roll_sun) +
          input("roll_moon", "roll-Moon limit", f.roll_moon) +
          input("roll_velocity", "roll-velocity limit", f.roll_velocity) +
          input("earth_margin", "Earth-limb margin", f.earth_margin) +
          input("tag", "run tag", f.tag.empty() ? "web" : f.tag) +
          std::string(
              "<p><label for=\"angle_file\">attitude angles every minute</label>"
              "<input type=\"checkbox\" id=\"angle_file\" name=\"angle_file\"") +
          (f.angle_file ? " checked" : "") +
          "></p><p><button type=\"submit\">Compute</button></p></form></body></html>";
  return page;
}

std::string result_page(const std::string& id, const json& doc,
                        const std::vector<std::string>& files) {
  std::string p = std::string(
                      "<!doctype html><html><head><meta charset=\"utf-8\"><title>kelvis "
                      "run</title>") +
                  kStyle + "</head><body>";
  const json& rq = doc["request"];
  p += "<h1>" + html(rq["source"]["name"].get<std::string>()) + ": visibility windows</h1>";
  p += strprintf(
      "<p>%s to %s. Limits (deg): roll-Sun %g, negative roll-Sun %g, roll-Moon %g, "
      "roll-velocity %g, yaw-Sun %g, Earth-limb margin %g. Orbit file %s (epoch %s).</p>",
      html(rq["start"].get<std::string>()).c_str(), html(rq["end"].get<std::string>()).c_str(),
      rq["limits_deg"]["roll_sun"].get<double>(),
      rq["limits_deg"]["negative_roll_sun"].get<double>(),
      rq["limits_deg"]["roll_moon"].get<double>(), rq["limits_deg"]["roll_velocity"].get<double>(),
      rq["limits_deg"]["yaw_sun"].get<double>(),
      rq["limits_deg"]["earth_limb_margin"].get<double>(),
      html(doc["orbit_file"]["path"].get<std::string>()).c_str(),
      html(doc["orbit_file"]["epoch"].get<std::string>()).c_str());
  const json& t = doc["totals"];
  p += strprintf("<p>Visible %.1f min in %zu windows; in eclipse %.1f min.</p>",
                 t["visibility_min"].get<double>(), doc["windows"]["visibility"].size(),
                 t["eclipse_viewing_min"].get<double>());
  p += "<p><img id=\"plot\" alt=\"plot of the run\" src=\"/runs/" + id + "/files/plot.png\"></p>";
  p += "<table id=\"windows\"><tr><th>orbit</th><th>start (UTC)</th><th>end (UTC)</th>"
       "<th>minutes</th></tr>";
  for (const json& w : doc["windows"]["visibility"])
    p += strprintf("<tr><td>%d</td><td>%s</td><td>%s</td><td>%.3f</td></tr>", w["orbit"].get<int>(),
                   html(w["start"].get<std::string>()).c_str(),
                   html(w["end"].get<std::string>()).c_str(), w["duration_min"].get<double>());
  p += "</table><h2>Files</h2><ul>";
  for (const std::string& f : files)
    if (f != "request.txt" && f != "kelvis.out")
      p += "<li><a href=\"/runs/" + id + "/files/" + html(f) + "\">" + html(f) + "</a></li>";
  const std::string pdf = doc["pdf"]["file"].get<std::string>();
  p += "<li><a href=\"/runs/" + id + "/files/" + html(pdf) + "\">" + html(pdf) +
       "</a> (made when first asked for)</li></ul><p><a href=\"/\">another run</a></p></body>"
       "</html>";
  return p;
}

}  // namespace

std::string request_text(const RunFields& f, const std::string& sid, std::string* why) {
  auto bad = [&](const std::string& m) {
    if (why) *why = m;
    return std::string();
  };
  if (!name_ok(f.user, 24)) return bad("user: letters, digits and _ + - . only, 1 to 24");
  if (!name_ok(f.source, 24)) return bad("source: letters, digits and _ + - . only, 1 to 24");
  if (!name_ok(f.tag, 99)) return bad("tag: letters, digits and _ + - . only, 1 to 99");
  for (const auto& [name, v] : {std::pair<const char*, const std::string*>{"ra_deg", &f.ra_deg},
                                {"dec_deg", &f.dec_deg},
                                {"roll_sun", &f.roll_sun},
                                {"neg_roll_sun", &f.neg_roll_sun},
                                {"roll_moon", &f.roll_moon},
                                {"roll_velocity", &f.roll_velocity},
                                {"earth_margin", &f.earth_margin}})
    if (!number_ok(*v)) return bad(std::string(name) + ": not a number");
  std::string start, end;
  if (!time_fields(f.start, start)) return bad("start: not a time YYYY-MM-DDTHH:MM:SS[.mmm]");
  if (!time_fields(f.end, end)) return bad("end: not a time YYYY-MM-DDTHH:MM:SS[.mmm]");
  return f.user + " " + f.source + " " + sid + " " + f.ra_deg + " " + f.dec_deg + " " + start +
         " " + end + " " + f.roll_sun + " " + f.neg_roll_sun + " " + f.roll_moon + " " +
         f.roll_velocity + " " + f.earth_margin + " " + (f.angle_file ? "1" : "0") + " " + f.tag +
         "\n";
}

struct Server::Impl {
  ServeOptions opt;
  httplib::Server http;
  fs::path root;  // run folders
  std::mutex m;
  std::condition_variable cv;
  int running = 0, waiting = 0;
  bool stopping = false;
  std::thread sweeper;

  // Runs the fields in a new folder (with `extra` written there, and these batch options);
  // the run id, the outcome, and 503/400 via `http_status`.
  std::string start_run(const RunFields& f, Outcome& o, int& http_status, std::string& why,
                        const std::vector<std::string>& options = {"--json", "run.json", "--plot",
                                                                   "plot.png", "--no-pdf",
                                                                   "--threads", "1"},
                        const std::pair<std::string, std::string>& extra = {}) {
    const std::string text = request_text(f, kSid, &why);
    if (text.empty()) {
      http_status = 400;
      return "";
    }
    {
      std::unique_lock<std::mutex> lock(m);
      if (stopping || waiting >= opt.queue) {
        http_status = 503;
        why = stopping ? "the server is stopping" : "too many runs at once; try again shortly";
        return "";
      }
      ++waiting;
      cv.wait(lock, [&] { return running < opt.workers; });
      --waiting;
      ++running;
    }
    const std::string id = random_id();
    try {
      prepare_folder(root / id, opt.data);
      std::ofstream(root / id / "request.txt") << text;
      if (!extra.first.empty()) std::ofstream(root / id / extra.first) << extra.second;
      o = run_batch(opt.kelvis, root / id, opt.run_timeout_s, options);
    } catch (const std::exception& e) {
      o.message = std::string("the run could not be set up: ") + e.what();
    }
    {
      std::lock_guard<std::mutex> lock(m);
      --running;
    }
    cv.notify_all();
    http_status = o.status == 0 ? 201 : o.timed_out ? 504 : 422;
    if (o.status != 0 && o.message.empty()) o.message = "the run failed";
    return id;
  }

  bool run_known(const std::string& id) { return id_ok(id) && fs::is_directory(root / id); }

  // Serves a file of one run: only the files the run wrote (and its PDF, made on demand).
  void serve_file(const std::string& id, const std::string& name, httplib::Response& res) {
    if (!run_known(id)) return error(res, 404, "no such run");
    const fs::path dir = root / id;
    std::vector<std::string> files = run_files(dir);
    const bool pdf = name.size() > 4 && name.compare(name.size() - 4, 4, ".pdf") == 0 &&
                     std::find(files.begin(), files.end(),
                               name.substr(0, name.size() - 4) + ".txt") != files.end();
    if (pdf && std::find(files.begin(), files.end(), name) == files.end()) {
      std::string problem;
      const std::string joined = (dir / (name.substr(0, name.size() - 4) + ".txt")).string();
      if (report::txt2pdf(joined, &problem) != 0)
        return error(res, 500, "the PDF could not be made");
      files = run_files(dir);
    }
    if (std::find(files.begin(), files.end(), name) == files.end())
      return error(res, 404, "no such file in this run");
    const std::string ext = fs::path(name).extension().string();
    const char* type = ext == ".png"    ? "image/png"
                       : ext == ".pdf"  ? "application/pdf"
                       : ext == ".json" ? "application/json"
                                        : "text/plain; charset=utf-8";
    res.set_content(slurp(dir / name), type);
  }

  static void error(httplib::Response& res, int status, const std::string& message) {
    res.status = status;
    // Replaces bytes that are not UTF-8 (a message may quote the request).
    res.set_content(
        json{{"error", message}}.dump(-1, ' ', false, json::error_handler_t::replace) + "\n",
        "application/json");
  }

  void routes();
  void many_routes();
  void sweep();
};

void Server::Impl::routes() {
  http.set_payload_max_length(opt.max_body);
  http.set_logger([](const httplib::Request& req, const httplib::Response& res) {
    std::fprintf(stderr, "kelvis serve: %s %s %s %d\n", req.remote_addr.c_str(), req.method.c_str(),
                 req.path.c_str(), res.status);
  });
  http.Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(form_page({}, ""), "text/html; charset=utf-8");
  });
  http.Post("/runs", [this](const httplib::Request& req, httplib::Response& res) {
    RunFields f;
    auto get = [&](const char* k) { return req.has_param(k) ? req.get_param_value(k) : ""; };
    f.user = get("user");
    f.source = get("source");
    f.ra_deg = get("ra_deg");
    f.dec_deg = get("dec_deg");
    for (const Known& k : kKnown)
      if (get("known") == k.name) {
        f.source = k.name;
        f.ra_deg = k.ra;
        f.dec_deg = k.dec;
      }
    f.start = get("start");
    f.end = get("end");
    f.roll_sun = get("roll_sun");
    f.neg_roll_sun = get("neg_roll_sun");
    f.roll_moon = get("roll_moon");
    f.roll_velocity = get("roll_velocity");
    f.earth_margin = get("earth_margin");
    f.tag = get("tag");
    f.angle_file = req.has_param("angle_file");
    Outcome o;
    int status = 0;
    std::string why;
    const std::string id = start_run(f, o, status, why);
    if (status == 201) {
      res.status = 303;
      res.set_header("Location", "/runs/" + id);
      return;
    }
    res.status = status == 503 ? 503 : status == 400 ? 400 : 422;
    if (status == 503) res.set_header("Retry-After", "5");
    res.set_content(form_page(f, why.empty() ? o.message : why), "text/html; charset=utf-8");
  });
  http.Get(R"(/runs/([0-9a-f]{32}))", [this](const httplib::Request& req, httplib::Response& res) {
    const std::string id = req.matches[1];
    if (!run_known(id) || !fs::exists(root / id / "run.json")) {
      res.status = 404;
      res.set_content("<!doctype html><p>No such run.</p>", "text/html; charset=utf-8");
      return;
    }
    const json doc = json::parse(slurp(root / id / "run.json"));
    res.set_content(result_page(id, doc, run_files(root / id)), "text/html; charset=utf-8");
  });
  auto files = [this](const httplib::Request& req, httplib::Response& res) {
    serve_file(req.matches[1], req.matches[2], res);
  };
  http.Get(R"(/runs/([0-9a-f]{32})/files/(.+))", files);
  http.Get(R"(/api/v1/runs/([0-9a-f]{32})/files/(.+))", files);
  http.Get(R"(/api/v1/runs/([0-9a-f]{32}))",
           [this](const httplib::Request& req, httplib::Response& res) {
             const std::string id = req.matches[1];
             if (!run_known(id) || !fs::exists(root / id / "run.json"))
               return error(res, 404, "no such run");
             json doc = json::parse(slurp(root / id / "run.json"));
             doc["run_id"] = id;
             res.set_content(doc.dump(2) + "\n", "application/json");
           });
  http.Post("/api/v1/runs", [this](const httplib::Request& req, httplib::Response& res) {
    RunFields f;
    try {
      const json b = json::parse(req.body);
      auto text = [&](const char* k) { return b.contains(k) ? b[k].get<std::string>() : ""; };
      auto number = [](const json& v) { return strprintf("%.17g", v.get<double>()); };
      f.user = text("user");
      f.source = text("source");
      f.tag = b.contains("tag") ? text("tag") : "api";
      f.ra_deg = number(b.at("ra_deg"));
      f.dec_deg = number(b.at("dec_deg"));
      f.start = text("start");
      f.end = text("end");
      if (b.contains("limits")) {
        const json& l = b["limits"];
        if (l.contains("roll_sun")) f.roll_sun = number(l["roll_sun"]);
        if (l.contains("neg_roll_sun")) f.neg_roll_sun = number(l["neg_roll_sun"]);
        if (l.contains("roll_moon")) f.roll_moon = number(l["roll_moon"]);
        if (l.contains("roll_velocity")) f.roll_velocity = number(l["roll_velocity"]);
        if (l.contains("earth_margin")) f.earth_margin = number(l["earth_margin"]);
      }
      f.angle_file = b.contains("angle_file") && b["angle_file"].get<bool>();
    } catch (const std::exception& e) {
      return error(res, 400, std::string("the body is not a run's JSON: ") + e.what());
    }
    Outcome o;
    int status = 0;
    std::string why;
    const std::string id = start_run(f, o, status, why);
    if (status == 201) {
      json doc = json::parse(slurp(root / id / "run.json"));
      doc["run_id"] = id;
      res.status = 201;
      res.set_content(doc.dump(2) + "\n", "application/json");
      return;
    }
    if (status == 503) res.set_header("Retry-After", "5");
    error(res, status, why.empty() ? o.message : why);
    if (!id.empty()) {
      json body = json::parse(res.body);
      body["run_id"] = id;
      res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace) + "\n",
                      "application/json");
    }
  });
}

// The fields of a catalogue or sky-map request from the query: period, limits, user, tag
// (the source fields are not used by such a run).
RunFields query_fields(const httplib::Request& req) {
  RunFields f;
  auto get = [&](const char* k, const std::string& d) {
    return req.has_param(k) ? req.get_param_value(k) : d;
  };
  f.user = get("user", "web");
  f.source = "catalogue";
  f.tag = get("tag", "c");
  f.ra_deg = "0";
  f.dec_deg = "0";
  f.start = get("start", "");
  f.end = get("end", "");
  f.roll_sun = get("roll_sun", f.roll_sun);
  f.neg_roll_sun = get("neg_roll_sun", f.neg_roll_sun);
  f.roll_moon = get("roll_moon", f.roll_moon);
  f.roll_velocity = get("roll_velocity", f.roll_velocity);
  f.earth_margin = get("earth_margin", f.earth_margin);
  return f;
}

void Server::Impl::many_routes() {
  // A catalogue CSV in the body; the period and limits in the query: the summary CSV.
  http.Post("/api/v1/catalogues", [this](const httplib::Request& req, httplib::Response& res) {
    Outcome o;
    int status = 0;
    std::string why;
    const std::string id =
        start_run(query_fields(req), o, status, why,
                  {"--catalogue", "catalogue.csv", "--json", "catalogue.json", "--threads", "1"},
                  {"catalogue.csv", req.body});
    if (status != 201) {
      if (status == 503) res.set_header("Retry-After", "5");
      return error(res, status, why.empty() ? o.message : why);
    }
    for (const std::string& f : run_files(root / id))
      if (f.rfind("catalogue_", 0) == 0) res.set_content(slurp(root / id / f), "text/csv");
    res.status = 201;
    res.set_header("X-Run-Id", id);
  });
  // The sky map of a period: GET /sky?start=...&end=...&nside=8 (NSIDE 1 to 16 here).
  http.Get("/sky", [this](const httplib::Request& req, httplib::Response& res) {
    const std::string nside = req.has_param("nside") ? req.get_param_value("nside") : "8";
    if (nside != "1" && nside != "2" && nside != "4" && nside != "8" && nside != "16")
      return error(res, 400, "nside: 1, 2, 4, 8 or 16");
    Outcome o;
    int status = 0;
    std::string why;
    const std::string id =
        start_run(query_fields(req), o, status, why, {"--sky-map", nside, "--threads", "1"});
    if (status != 201) return error(res, status, why.empty() ? o.message : why);
    std::string page = std::string(
                           "<!doctype html><html><head><meta charset=\"utf-8\"><title>"
                           "kelvis sky map</title>") +
                       kStyle + "</head><body><h1>Sky map</h1>";
    for (const std::string& f : run_files(root / id))
      if (f.rfind("skymap_", 0) == 0) {
        const std::string href = "/runs/" + id + "/files/" + html(f);
        page += f.size() > 4 && f.compare(f.size() - 4, 4, ".png") == 0
                    ? "<p><img id=\"skymap\" alt=\"sky map\" src=\"" + href + "\"></p>"
                    : "<p><a href=\"" + href + "\">" + html(f) + "</a></p>";
      }
    res.set_content(page + "</body></html>", "text/html; charset=utf-8");
  });
}

// Removes finished runs older than keep_hours.
void Server::Impl::sweep() {
  std::unique_lock<std::mutex> lock(m);
  while (!stopping) {
    // Once a minute, or four times within the age for short ages.
    cv.wait_for(lock,
                std::chrono::duration<double>(std::clamp(opt.keep_hours * 3600 / 4, 0.05, 60.0)));
    const auto limit = fs::file_time_type::clock::now() -
                       std::chrono::duration_cast<fs::file_time_type::duration>(
                           std::chrono::duration<double>(opt.keep_hours * 3600));
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(root, ec))
      if (fs::last_write_time(e.path(), ec) < limit) fs::remove_all(e.path(), ec);
  }
}

Server::Server(ServeOptions opt) : impl_(std::make_unique<Impl>()) {
  if (opt.workers <= 0) opt.workers = thread_count(0);
  if (opt.queue <= 0) opt.queue = 4 * opt.workers;
  if (opt.kelvis.empty()) opt.kelvis = fs::read_symlink("/proc/self/exe").string();
  opt.data = fs::absolute(opt.data).string();
  impl_->opt = opt;
  impl_->root = fs::path(opt.data) / ".kelvis-runs";
  fs::create_directories(impl_->root);
  fs::permissions(impl_->root, fs::perms::owner_all);
  impl_->routes();
  impl_->many_routes();
  impl_->sweeper = std::thread([this] { impl_->sweep(); });
}

Server::~Server() {
  {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->stopping = true;
  }
  impl_->cv.notify_all();
  impl_->http.stop();
  if (impl_->sweeper.joinable()) impl_->sweeper.join();
}

int Server::bind() {
  if (impl_->opt.port == 0) return impl_->http.bind_to_any_port(impl_->opt.host);
  return impl_->http.bind_to_port(impl_->opt.host, impl_->opt.port) ? impl_->opt.port : -1;
}
bool Server::listen_after_bind() { return impl_->http.listen_after_bind(); }

void Server::stop() {
  std::unique_lock<std::mutex> lock(impl_->m);
  impl_->stopping = true;
  impl_->cv.wait(lock, [&] { return impl_->running == 0 && impl_->waiting == 0; });
  lock.unlock();
  impl_->cv.notify_all();
  impl_->http.stop();
}

namespace {
std::atomic<bool> g_signalled{false};
void on_signal(int) { g_signalled = true; }
}  // namespace

int serve_main(const ServeOptions& opt) {
  Server server(opt);
  const int port = server.bind();
  if (port < 0) {
    std::fprintf(stderr, "kelvis: cannot listen on %s:%d\n", opt.host.c_str(), opt.port);
    return 1;
  }
  std::signal(SIGTERM, on_signal);
  std::signal(SIGINT, on_signal);
  std::fprintf(stderr, "kelvis serve: listening on http://%s:%d/ (data %s)\n", opt.host.c_str(),
               port, opt.data.c_str());
  std::thread watcher([&] {
    while (!g_signalled) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::fprintf(stderr, "kelvis serve: stopping after the runs in progress\n");
    server.stop();
  });
  server.listen_after_bind();
  g_signalled = true;
  watcher.join();
  return 0;
}

}  // namespace kv::serve
