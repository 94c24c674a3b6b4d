// Work split over threads: contiguous chunks of an index range, one per thread.
#pragma once

#include <algorithm>
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

// Calls body(i) for every i in [0, n), the range cut into one contiguous chunk per thread,
// each of at least min_chunk indices. Each index is visited once; results written by index
// do not depend on the thread count. body must not throw.
template <typename Body>
void parallel_for(std::size_t n, int threads, Body&& body, std::size_t min_chunk = 1024) {
  const std::size_t parts = std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)),
                                                  std::max<std::size_t>(n / min_chunk, 1));
  if (parts <= 1) {
    for (std::size_t i = 0; i < n; ++i) body(i);
    return;
  }
  std::vector<std::thread> pool;
  const std::size_t chunk = (n + parts - 1) / parts;
  for (std::size_t p = 1; p < parts; ++p)
    pool.emplace_back([&, p] {
      for (std::size_t i = p * chunk; i < std::min(n, (p + 1) * chunk); ++i) body(i);
    });
  for (std::size_t i = 0; i < std::min(n, chunk); ++i) body(i);
  for (std::thread& t : pool) t.join();
}

}  // namespace kv
