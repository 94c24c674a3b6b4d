// PDF jobs: a run's joined reports typeset on request, queued and time-limited like a run.
#include <system_error>

#include "common/run_error.hpp"
#include "report/report.hpp"
#include "serve/run_files.hpp"
#include "serve/runs.hpp"

namespace kv::serve {

namespace fs = std::filesystem;

JobQueue::Admit Runs::submit_pdf(const std::string& id, const std::string& name, Done done) {
  const std::string key = id + "/" + name;
  std::lock_guard<std::mutex> lock(m_);
  if (auto it = pdf_waiting_.find(key); it != pdf_waiting_.end()) {
    it->second.push_back(std::move(done));
    return JobQueue::Admit::queued;
  }
  const JobQueue::Admit a = jobs_->submit([this, id, name, key] {
    JobResult r;
    try {
      r = pdf_job(id, name);
    } catch (const ServerFault& f) {
      r = {f.status, id, f.message};
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kelvis serve: the PDF of run %s failed: %s\n", id.c_str(), e.what());
      r = {500, id, "the PDF could not be made; ask again to retry"};
    }
    std::vector<Done> askers;
    {
      std::lock_guard<std::mutex> l(m_);
      askers = std::move(pdf_waiting_[key]);
      pdf_waiting_.erase(key);
      if (auto it = entries_.find(id); it != entries_.end())
        it->second.bytes = dir_bytes(root_ / id);
    }
    for (const Done& d : askers) d(r);
  });
  if (a == JobQueue::Admit::queued) pdf_waiting_[key].push_back(std::move(done));
  return a;
}

// Typesets the run's joined reports in a folder of its own, then renames the PDF into the
// run's folder: a reader sees no PDF or a complete one.
JobResult Runs::pdf_job(const std::string& id, const std::string& name) {
  const fs::path dir = root_ / id;
  std::error_code ec;
  if (fs::is_regular_file(dir / name, ec)) return {201, id, ""};
  make_room(1 << 20);
  const fs::path work = dir / (".pdf-" + random_id());
  if (!fs::create_directory(work, ec)) fault(ec.value(), "cannot make the PDF", work);
  const std::string txt = name.substr(0, name.size() - 4) + ".txt";
  fs::create_symlink(fs::path("..") / txt, work / txt, ec);
  std::string problem;
  const int rc = ec ? -1 : report::txt2pdf((work / txt).string(), &problem, lim_.run_timeout_s);
  if (rc == 0) fs::rename(work / name, dir / name, ec);
  std::error_code left;  // a folder that cannot be removed does not fail the PDF
  fs::remove_all(work, left);
  if (rc == report::kTimedOut)
    return {
        504, id,
        strprintf("making the PDF was stopped after %.0f s, its time limit", lim_.run_timeout_s)};
  if (rc != 0 || ec) {
    std::fprintf(stderr, "kelvis serve: the PDF of run %s failed:%s", id.c_str(), problem.c_str());
    return {500, id, "the PDF could not be made; ask again to retry"};
  }
  return {201, id, ""};
}

}  // namespace kv::serve
