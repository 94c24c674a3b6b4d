#include "serve/runs.hpp"

#include <openssl/rand.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "common/child.hpp"
#include "common/run_error.hpp"
#include "driver/config.hpp"
#include "driver/context.hpp"
#include "report/report.hpp"
#include "serve/run_files.hpp"

namespace kv::serve {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
constexpr const char* kSid = satellite_id;

// A fresh folder for one run: the configuration linked in (read with the batch program's own
// reader), the orbit files' folder linked in (or the orbit files themselves when they lie
// beside the configuration), the output folders created.
void prepare_folder(const fs::path& dir, const fs::path& data) {
  std::error_code ec;
  if (!fs::create_directory(dir, ec)) fault(ec.value(), "cannot create a run folder", dir);
  fs::permissions(dir, fs::perms::owner_all, ec);
  RunContext ctx;
  ctx.sid = kSid;
  try {
    driver::read_config(data.string(), ctx);
  } catch (const RunError& e) {
    std::fprintf(stderr, "kelvis serve: the configuration: %s\n", failure_line(e).c_str());
    throw ServerFault{500, "the server's configuration cannot be read"};
  }
  const std::string cfg = std::string("kelvocc_") + kSid + ".std";
  fs::create_symlink(data / cfg, dir / cfg, ec);
  if (ec) fault(ec.value(), "cannot prepare a run folder", dir);
  for (const std::string* t : {&ctx.errfnmfl, &ctx.evnoccfnmdsp, &ctx.attfnm, &ctx.attfnmang,
                               &ctx.eclpfnm, &ctx.orbinfnm}) {
    const fs::path parent = fs::path(*t).parent_path();
    if (!parent.empty() && parent.is_relative()) fs::create_directories(dir / parent, ec);
    if (ec) fault(ec.value(), "cannot prepare a run folder", dir);
  }
  const fs::path orbits = fs::path(ctx.orbfnm1).parent_path();
  const fs::path from = orbits.is_absolute() ? orbits : data / orbits;
  if (!fs::is_directory(from, ec)) {
    std::fprintf(stderr, "kelvis serve: the orbit folder %s is missing\n", from.c_str());
    throw ServerFault{500, "the server's orbit files are missing"};
  }
  if (!orbits.empty()) {
    if (orbits.is_relative() && !fs::exists(dir / orbits, ec))
      fs::create_directory_symlink(data / orbits, dir / orbits, ec);
    if (ec) fault(ec.value(), "cannot prepare a run folder", dir);
    return;
  }
  for (const auto& e : fs::directory_iterator(data, ec))
    if (e.is_regular_file() && e.path().extension() == std::string(".") + kSid)
      fs::create_symlink(e.path(), dir / e.path().filename(), ec);
}

// The last "kelvis: " line of the batch program's output, without the prefix.
std::string batch_message(const fs::path& out) {
  std::ifstream in(out);
  std::string m;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("kelvis: ", 0) == 0) m = line.substr(8, 500);
  return m;
}

// A batch failure caused by the server's disk rather than by the request.
int system_fault(const std::string& m) {
  for (int e : {ENOSPC, EDQUOT})
    if (m.find(std::strerror(e)) != std::string::npos) return 507;
  for (int e : {EROFS, EIO, EACCES})
    if (m.find(std::strerror(e)) != std::string::npos) return 500;
  return 0;
}

}  // namespace

std::optional<double> Runs::yaw_sun_limit() const {
  RunContext ctx;
  ctx.sid = kSid;
  try {
    driver::read_config(lim_.data, ctx);
  } catch (const RunError&) {
    return std::nullopt;
  }
  return ctx.ywsvlim;
}

bool Runs::id_ok(const std::string& id) {
  if (id.size() != 32) return false;
  for (char c : id)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

Runs::Runs(RunLimits limits)
    : lim_(std::move(limits)), root_(fs::path(lim_.data) / ".kelvis-runs") {
  std::error_code ec;
  fs::create_directories(root_, ec);
  if (ec || !fs::is_directory(root_)) throw std::runtime_error("cannot create the run folder");
  fs::permissions(root_, fs::perms::owner_all, ec);
  if (access(root_.c_str(), W_OK) != 0) throw std::runtime_error("cannot write the run folder");
  // Runs of an earlier server: ended, or ended by that server's end.
  for (const auto& e : fs::directory_iterator(root_, ec)) {
    const std::string id = e.path().filename().string();
    if (!id_ok(id)) continue;
    if (!fs::exists(e.path() / "status.json")) {
      try {
        write_whole(e.path() / "status.json",
                    json{{"status", 500}, {"message", "the server stopped during the run"}}.dump(),
                    "cannot record a run");
      } catch (const ServerFault&) {
      }
    }
    entries_[id] = {dir_bytes(e.path()), true, fs::last_write_time(e.path() / "status.json", ec)};
  }
  jobs_ = std::make_unique<JobQueue>(lim_.workers, lim_.queue);
  sweeper_ = std::thread([this] { sweep_loop(); });
}

Runs::~Runs() {
  jobs_.reset();  // the queued and running jobs end first
  {
    std::lock_guard<std::mutex> lock(m_);
    stopping_ = true;
  }
  sweep_cv_.notify_all();
  sweeper_.join();
}

void Runs::close() { jobs_->close(); }
void Runs::wait_idle() { jobs_->wait_idle(); }

JobQueue::Admit Runs::submit_run(std::string request, std::vector<std::string> options,
                                 std::pair<std::string, std::string> upload, Done done) {
  return submit("", std::move(request), std::move(options), std::move(upload), std::move(done));
}

std::pair<JobQueue::Admit, std::string> Runs::submit_long_run(
    std::string request, std::vector<std::string> options,
    std::pair<std::string, std::string> upload) {
  const std::string id = random_id();
  {
    std::lock_guard<std::mutex> lock(m_);
    waiting_[id] = "queued";
  }
  const auto a = submit(
      id, std::move(request), std::move(options), std::move(upload), [this, id](const JobResult&) {
        std::lock_guard<std::mutex> lock(m_);
        waiting_.erase(id);  // its record (or, with no folder kept, none) tells the rest
      });
  if (a != JobQueue::Admit::queued) {
    std::lock_guard<std::mutex> lock(m_);
    waiting_.erase(id);
  }
  return {a, id};
}

std::string Runs::state(const std::string& id) const {
  if (!id_ok(id)) return "";
  {
    std::lock_guard<std::mutex> lock(m_);
    if (const auto it = waiting_.find(id); it != waiting_.end()) return it->second;
  }
  const auto r = record(id);
  if (!r) return "";
  return r->status == 201 ? "done" : "failed";
}

std::optional<Progress> Runs::progress(const std::string& id) const {
  if (!id_ok(id)) return std::nullopt;
  std::ifstream in(root_ / id / kProgressFile);
  const json j = json::parse(in, nullptr, false);
  if (!j.is_object()) return std::nullopt;
  const auto done = j.find("done"), total = j.find("total");
  if (done == j.end() || total == j.end() || !done->is_number_unsigned() ||
      !total->is_number_unsigned())
    return std::nullopt;
  return Progress{done->get<std::uint64_t>(), total->get<std::uint64_t>()};
}

JobQueue::Admit Runs::submit(std::string given_id, std::string request,
                             std::vector<std::string> options,
                             std::pair<std::string, std::string> upload, Done done) {
  return jobs_->submit([this, given_id = std::move(given_id), request = std::move(request),
                        options = std::move(options), upload = std::move(upload),
                        done = std::move(done)] {
    std::string id;
    JobResult r;
    try {
      id = given_id.empty() ? random_id() : given_id;
      if (!given_id.empty()) {
        std::lock_guard<std::mutex> lock(m_);
        waiting_[id] = "running";
      }
      r = run_job(id, request, options, upload);
    } catch (const ServerFault& f) {
      r = {f.status, id, f.message};
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kelvis serve: a run failed: %s\n", e.what());
      r = {500, id, "the server failed to run the request"};
    }
    if (r.status == 507) {
      discard(id);
      r.id.clear();
    } else if (!id.empty()) {
      ended(id, r);
    }
    done(r);
  });
}

JobResult Runs::run_job(const std::string& id, const std::string& request,
                        const std::vector<std::string>& options,
                        const std::pair<std::string, std::string>& upload) {
  make_room(request.size() + upload.second.size());
  {
    std::lock_guard<std::mutex> lock(m_);
    entries_[id] = Entry{};
  }
  const fs::path dir = root_ / id;
  prepare_folder(dir, lim_.data);
  write_whole(dir / "request.txt", request, "cannot write a request");
  if (!upload.first.empty())
    write_whole(dir / upload.first, upload.second, "cannot store an upload");
  ChildSpec spec;
  spec.argv = {lim_.kelvis};
  spec.argv.insert(spec.argv.end(), options.begin(), options.end());
  spec.dir = dir.string();
  spec.stdin_file = "request.txt";
  spec.stdout_file = "kelvis.out";
  spec.time_limit_s = lim_.run_timeout_s;
  const ChildResult c = run_child(spec);
  if (!c.started) return {500, id, "the batch program could not be started"};
  if (c.timed_out)
    return {504, id,
            strprintf("the run was stopped after %.0f s, its time limit", lim_.run_timeout_s)};
  if (c.signal != 0)
    return {500, id, strprintf("the run was ended by signal %d before it finished", c.signal)};
  const std::string said = batch_message(dir / "kelvis.out");
  if (c.exit_status != 0) {
    if (const int s = system_fault(said)) return {s, id, "the run could not write its results"};
    return {422, id, said.empty() ? "the run failed" : said};
  }
  return {201, id, ""};
}

// Removes a run that could not be stored at all.
void Runs::discard(const std::string& id) {
  std::error_code ec;
  if (!id.empty()) fs::remove_all(root_ / id, ec);
  std::lock_guard<std::mutex> lock(m_);
  entries_.erase(id);
}

bool Runs::pdf_busy(const std::string& id) const {
  const auto it = pdf_waiting_.lower_bound(id);
  return it != pdf_waiting_.end() && it->first.rfind(id, 0) == 0;
}

// Records how a run ended; a failed run keeps its message, not its upload.
void Runs::ended(const std::string& id, const JobResult& r) {
  const fs::path dir = root_ / id;
  std::error_code ec;
  if (r.status != 201) fs::remove(dir / "catalogue.csv", ec);
  if (fs::is_directory(dir, ec)) {
    try {
      write_whole(dir / "status.json", json{{"status", r.status}, {"message", r.message}}.dump(),
                  "cannot record a run");
    } catch (const ServerFault&) {
    }
  }
  std::lock_guard<std::mutex> lock(m_);
  entries_[id] = {dir_bytes(dir), true, fs::file_time_type::clock::now()};
}

std::optional<JobResult> Runs::record(const std::string& id) const {
  if (!id_ok(id)) return std::nullopt;
  {
    std::lock_guard<std::mutex> lock(m_);
    const auto it = entries_.find(id);
    if (it == entries_.end() || !it->second.ended) return std::nullopt;
  }
  std::ifstream in(root_ / id / "status.json");
  const json j = json::parse(in, nullptr, false);
  if (j.is_discarded() || !j.is_object() || !j.contains("status")) return std::nullopt;
  return JobResult{j.value("status", 500), id, j.value("message", "")};
}

std::vector<std::string> Runs::files(const std::string& id) const {
  static const char* const kServerOwn[] = {"request.txt", "kelvis.out", "status.json",
                                           "catalogue.csv", kProgressFile};
  std::vector<std::string> names;
  const fs::path dir = root_ / id;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string base = it->path().filename().string();
    if (it->is_symlink(ec) || base[0] == '.') {
      it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file(ec) || base.ends_with(".part")) continue;
    const std::string rel = fs::relative(it->path(), dir, ec).string();
    if (std::find(std::begin(kServerOwn), std::end(kServerOwn), rel) == std::end(kServerOwn))
      names.push_back(rel);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Removes the oldest finished runs until `need` more bytes fit the budget; 507 when the
// runs in progress alone fill it.
void Runs::make_room(std::uint64_t need) {
  std::lock_guard<std::mutex> lock(m_);
  for (;;) {
    std::uint64_t total = need;
    const std::string* oldest = nullptr;
    for (const auto& [id, e] : entries_) {
      total += e.bytes;
      if (e.ended && !pdf_busy(id) && (!oldest || e.end_time < entries_.at(*oldest).end_time))
        oldest = &id;
    }
    if (total <= lim_.max_disk_bytes) return;
    if (!oldest)
      throw ServerFault{507, "the server's disk budget for runs is used up; try again later"};
    std::error_code ec;
    fs::remove_all(root_ / *oldest, ec);
    entries_.erase(*oldest);
  }
}

// Removes finished runs older than keep_hours; a run that has not ended is never touched.
void Runs::sweep_loop() {
  std::unique_lock<std::mutex> lock(m_);
  while (!stopping_) {
    sweep_cv_.wait_for(
        lock, std::chrono::duration<double>(std::clamp(lim_.keep_hours * 3600 / 4, 0.05, 60.0)));
    const auto limit = fs::file_time_type::clock::now() -
                       std::chrono::duration_cast<fs::file_time_type::duration>(
                           std::chrono::duration<double>(lim_.keep_hours * 3600));
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->second.ended && !pdf_busy(it->first) && it->second.end_time < limit) {
        std::error_code ec;
        fs::remove_all(root_ / it->first, ec);
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
  }
}

}  // namespace kv::serve
