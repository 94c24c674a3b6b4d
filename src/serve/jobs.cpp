#include "serve/jobs.hpp"

namespace kv::serve {

JobQueue::JobQueue(int workers, int bound) : bound_(bound) {
  for (int k = 0; k < workers; ++k) threads_.emplace_back([this] { work(); });
}

JobQueue::~JobQueue() {
  {
    std::lock_guard<std::mutex> lock(m_);
    closed_ = true;
    ending_ = true;
  }
  cv_.notify_all();
  for (std::thread& t : threads_) t.join();
}

JobQueue::Admit JobQueue::submit(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(m_);
    if (closed_) return Admit::stopping;
    if (static_cast<int>(queue_.size()) >= bound_) return Admit::full;
    queue_.push_back(std::move(job));
  }
  cv_.notify_one();
  return Admit::queued;
}

void JobQueue::close() {
  std::lock_guard<std::mutex> lock(m_);
  closed_ = true;
}

void JobQueue::wait_idle() {
  std::unique_lock<std::mutex> lock(m_);
  idle_.wait(lock, [&] { return queue_.empty() && running_ == 0; });
}

int JobQueue::active() const {
  std::lock_guard<std::mutex> lock(m_);
  return static_cast<int>(queue_.size()) + running_;
}

void JobQueue::work() {
  std::unique_lock<std::mutex> lock(m_);
  for (;;) {
    cv_.wait(lock, [&] { return !queue_.empty() || ending_; });
    if (queue_.empty()) return;
    std::function<void()> job = std::move(queue_.front());
    queue_.pop_front();
    ++running_;
    lock.unlock();
    job();
    lock.lock();
    --running_;
    if (queue_.empty() && running_ == 0) idle_.notify_all();
  }
}

}  // namespace kv::serve
