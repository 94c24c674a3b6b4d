// Runs -- the run folders of the server and the jobs that fill them: batch runs and the PDF
// of a run, queued for a bounded set of workers and time-limited; how each ended
// (status.json, written whole); the disk budget and the age of finished runs.
//
//   RunLimits    the data folder, the batch program and the limits
//   JobResult    how a job ended, as the server answers it
//   Runs         submit_run, submit_long_run, state, progress, submit_pdf, record, files,
//                path; close and wait_idle
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "serve/jobs.hpp"

namespace kv::serve {

struct RunLimits {
  std::string data;    // absolute data folder
  std::string kelvis;  // the batch program
  int workers = 1, queue = 4;
  double run_timeout_s = 120;
  double keep_hours = 24;
  std::uint64_t max_disk_bytes = 1ull << 30;
};

// How a job ended: 201 success; 422 the batch program refused the request; 500 it failed
// otherwise, or the server did; 503 no room in the queue; 504 its time limit; 507 the disk.
struct JobResult {
  int status = 0;
  std::string id;       // the run ("" when no run folder was made)
  std::string message;  // for a failure; names no server path
};

// The file in a run's folder where a catalogue or sky map tells its progress.
inline constexpr const char* kProgressFile = "progress.json";

struct Progress {
  std::uint64_t done = 0, total = 0;
};

class Runs {
 public:
  explicit Runs(RunLimits limits);
  ~Runs();  // finishes the queued and running jobs
  Runs(const Runs&) = delete;
  Runs& operator=(const Runs&) = delete;

  using Done = std::function<void(const JobResult&)>;
  // Queues a batch run of `request` (the request text) with these options, and `upload`
  // (name, content) written into its folder; `done` is called on a worker when it ended.
  // Returns queued, or full/stopping with `done` never called.
  JobQueue::Admit submit_run(std::string request, std::vector<std::string> options,
                             std::pair<std::string, std::string> upload, Done done);
  // Queues a long run (a catalogue, a sky map, a long period) whose id is known at once; its
  // state is asked with state(id).
  std::pair<JobQueue::Admit, std::string> submit_long_run(
      std::string request, std::vector<std::string> options,
      std::pair<std::string, std::string> upload);
  // "queued", "running", "done" or "failed"; "" for an unknown run.
  std::string state(const std::string& id) const;
  // The sources done so far and their number, of a catalogue or sky map that has begun its
  // sources (its batch program's progress file, kProgressFile); nullopt otherwise.
  std::optional<Progress> progress(const std::string& id) const;
  // Queues the making of the PDF `name` of run `id` (one job however many ask at once).
  JobQueue::Admit submit_pdf(const std::string& id, const std::string& name, Done done);

  // How an ended run ended (status and message); nullopt for an unknown or unended run.
  std::optional<JobResult> record(const std::string& id) const;
  // The files of a run a client may fetch (its outputs, not the server's own files).
  std::vector<std::string> files(const std::string& id) const;
  std::filesystem::path path(const std::string& id) const { return root_ / id; }
  // The yaw-Sun limit of the data folder's configuration, degrees (nullopt when unreadable).
  std::optional<double> yaw_sun_limit() const;

  void close();      // refuses further jobs
  void wait_idle();  // until no job is queued or running

  static bool id_ok(const std::string& id);

 private:
  struct Entry {
    std::uint64_t bytes = 0;
    bool ended = false;
    std::filesystem::file_time_type end_time;
  };
  JobQueue::Admit submit(std::string given_id, std::string request,
                         std::vector<std::string> options,
                         std::pair<std::string, std::string> upload, Done done);
  JobResult run_job(const std::string& id, const std::string& request,
                    const std::vector<std::string>& options,
                    const std::pair<std::string, std::string>& upload);
  JobResult pdf_job(const std::string& id, const std::string& name);
  void ended(const std::string& id, const JobResult& r);
  void discard(const std::string& id);
  bool pdf_busy(const std::string& id) const;  // with m_ held
  void make_room(std::uint64_t need);
  void sweep_loop();

  RunLimits lim_;
  std::filesystem::path root_;
  mutable std::mutex m_;
  std::map<std::string, Entry> entries_;
  std::map<std::string, std::string> waiting_;            // long runs not yet ended: id -> state
  std::map<std::string, std::vector<Done>> pdf_waiting_;  // "id/name" -> the askers
  std::condition_variable sweep_cv_;
  bool stopping_ = false;
  std::unique_ptr<JobQueue> jobs_;
  std::thread sweeper_;
};

}  // namespace kv::serve
