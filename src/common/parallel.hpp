// Work split over threads: blocks of an index range taken in turn by a few threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace kv {

// Number of threads to use for `requested` (0: all cores).
inline int thread_count(int requested) {
  if (requested > 0) return requested;
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

// Calls body(i) for every i in [0, n) on up to `threads` threads, which take blocks of
// `block` consecutive indices in turn until none is left (so that uneven work spreads).
// Each index is visited once; results written by index do not depend on the thread count.
// body must not throw.
template <typename Body>
void parallel_for(std::size_t n, int threads, Body&& body, std::size_t block = 1024) {
  const std::size_t blocks = (n + block - 1) / block;
  const std::size_t workers =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), blocks);
  if (workers <= 1) {
    for (std::size_t i = 0; i < n; ++i) body(i);
    return;
  }
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t b; (b = next.fetch_add(1)) < blocks;)
      for (std::size_t i = b * block; i < std::min(n, (b + 1) * block); ++i) body(i);
  };
  std::vector<std::thread> pool;
  for (std::size_t w = 1; w < workers; ++w) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
}

}  // namespace kv
