// Conversions between the project's vector and matrix types and ERFA's C arrays (ERFA takes
// non-const pointers, so the kernels pass it local copies).
#pragma once

#include <erfa.h>
#include <erfam.h>

#include "ephem/precise.hpp"

namespace kv::ephem::precise::glue {

inline void to_c(const Mat3& m, double c[3][3]) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      c[i][j] = m[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
}

inline Mat3 from_c(const double c[3][3]) {
  Mat3 m{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      m[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = c[i][j];
  return m;
}

inline Vec3 from_c(const double c[3]) { return {c[0], c[1], c[2]}; }

}  // namespace kv::ephem::precise::glue
