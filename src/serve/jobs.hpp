// JobQueue -- a fixed pool of worker threads and a bounded queue of jobs waiting for them.
// A job offered to a full queue is refused at once (the caller answers 503), never held.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kv::serve {

class JobQueue {
 public:
  enum class Admit { queued, full, stopping };
  // workers threads; at most `bound` jobs waiting beside the running ones.
  JobQueue(int workers, int bound);
  ~JobQueue();  // finishes every queued job, then joins the workers
  JobQueue(const JobQueue&) = delete;
  JobQueue& operator=(const JobQueue&) = delete;

  Admit submit(std::function<void()> job);
  // Refuses further jobs; the queued and running ones go on.
  void close();
  // Blocks until no job is queued or running.
  void wait_idle();
  int active() const;  // queued plus running

 private:
  void work();
  mutable std::mutex m_;
  std::condition_variable cv_, idle_;
  std::deque<std::function<void()>> queue_;
  std::vector<std::thread> threads_;
  int bound_, running_ = 0;
  bool closed_ = false, ending_ = false;
};

}  // namespace kv::serve
