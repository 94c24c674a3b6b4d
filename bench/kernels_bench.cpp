// Cost of the per-sample kernels (one call) and of the sample grid and each detector over
// one day of the demo orbit (650 km, 6 degrees), on one thread.
#include <benchmark/benchmark.h>

#include "ephem/ephem.hpp"
#include "ephem/precise.hpp"
#include "events/events.hpp"
#include "grid/grid.hpp"
#include "orbit/orbit.hpp"
#include "view/attitude.hpp"
#include "view/scan.hpp"

namespace {

constexpr double kDay = 86400;

kv::grid::ScanSetup one_day() {
  kv::grid::ScanSetup s;
  s.orbit = kv::orbit::mean_orbit(kv::orbit::oscmean({7028.137, 0.001, 6.0, 100.0, 45.0, 30.0}));
  s.tstusr1900 = 45359.0;  // 2024-03-10
  s.epocsidang = kv::ephem::sidtim(s.tstusr1900).angle;
  s.tstreadif = kDay;
  s.tendinp = 2 * kDay;
  return s;
}

const kv::Vec3 kCrab{0.09997, 0.92175, 0.37468};

void BM_stvsel(benchmark::State& st) {
  const auto s = one_day();
  double t = 0;
  for (auto _ : st) benchmark::DoNotOptimize(kv::orbit::stvsel(s.orbit, t += 60));
}
BENCHMARK(BM_stvsel);

void BM_surcha(benchmark::State& st) {
  double t = 45290.0;
  for (auto _ : st) benchmark::DoNotOptimize(kv::ephem::surcha(t += 1.0 / 1440, -1));
}
BENCHMARK(BM_surcha);

void BM_attang(benchmark::State& st) {
  const auto s = one_day();
  const kv::State sv = kv::orbit::stvsel(s.orbit, 1000);
  const kv::ephem::SunMoon sm = kv::ephem::surcha(45359.0, -1);
  for (auto _ : st) benchmark::DoNotOptimize(kv::view::attang(kCrab, sv, sm.moon, sm.sun));
}
BENCHMARK(BM_attang);

// The precise model set, one call each, at instants a minute apart from 2024-01-01.
namespace precise = kv::ephem::precise;

void BM_precise_time_args(benchmark::State& st) {
  double x = 45290.0;
  for (auto _ : st) benchmark::DoNotOptimize(precise::time_args(x += 1.0 / 1440));
}
BENCHMARK(BM_precise_time_args);

void BM_precise_anchor(benchmark::State& st) {
  double x = 45290.0;
  for (auto _ : st) benchmark::DoNotOptimize(precise::anchor(precise::time_args(x += 1.0 / 1440)));
}
BENCHMARK(BM_precise_anchor)->Unit(benchmark::kMicrosecond);

void BM_precise_apparent_place(benchmark::State& st) {
  const precise::Anchor a = precise::anchor(precise::time_args(45290.0));
  const kv::Vec3 icrs = precise::icrs_unit(83.633083, 22.0145);
  for (auto _ : st) benchmark::DoNotOptimize(precise::apparent_place(a, icrs));
}
BENCHMARK(BM_precise_apparent_place);

void BM_precise_sun(benchmark::State& st) {
  const precise::Anchor a = precise::anchor(precise::time_args(45290.0));
  for (auto _ : st) benchmark::DoNotOptimize(precise::sun_apparent(a));
}
BENCHMARK(BM_precise_sun);

void BM_precise_moon(benchmark::State& st) {
  const precise::Anchor a = precise::anchor(precise::time_args(45290.0));
  for (auto _ : st) benchmark::DoNotOptimize(precise::moon_apparent(a));
}
BENCHMARK(BM_precise_moon);

void BM_precise_gast_complete(benchmark::State& st) {
  double x = 45290.0;
  for (auto _ : st) benchmark::DoNotOptimize(precise::gast(precise::time_args(x += 1.0 / 1440)));
}
BENCHMARK(BM_precise_gast_complete)->Unit(benchmark::kMicrosecond);

void BM_precise_gast_from_anchor(benchmark::State& st) {
  const precise::Anchor a = precise::anchor(precise::time_args(45290.0));
  const precise::TimeArgs t = precise::time_args(45290.002);
  for (auto _ : st) benchmark::DoNotOptimize(precise::gast(a, t));
}
BENCHMARK(BM_precise_gast_from_anchor);

void BM_umbra(benchmark::State& st) {
  const auto s = one_day();
  const kv::State sv = kv::orbit::stvsel(s.orbit, 1000);
  const kv::Vec3 sun = precise::sun_apparent(precise::anchor(precise::time_args(45359.0)));
  for (auto _ : st) benchmark::DoNotOptimize(kv::events::umbra(sv, sun));
}
BENCHMARK(BM_umbra);

void BM_user_grid_per_day(benchmark::State& st) {
  const auto s = one_day();
  for (auto _ : st) benchmark::DoNotOptimize(kv::grid::user_samples(s, 1).size());
}
BENCHMARK(BM_user_grid_per_day)->Unit(benchmark::kMillisecond);

// The equator grid of one day on its own (no user grid to share).
void BM_equator_grid_per_day(benchmark::State& st) {
  auto s = one_day();
  s.tstreadif = 0;
  s.tendinp = kDay;
  const kv::grid::Samples none;
  for (auto _ : st) benchmark::DoNotOptimize(kv::grid::equator_samples(s, none, 1).t.size());
}
BENCHMARK(BM_equator_grid_per_day)->Unit(benchmark::kMillisecond);

// Each detector on the samples of one day (the grid itself not counted).
template <typename Detect>
void per_day(benchmark::State& st, Detect detect) {
  const auto s = one_day();
  const kv::grid::Samples g = kv::grid::user_samples(s, 1);
  for (auto _ : st) benchmark::DoNotOptimize(detect(s, g));
}

void BM_eclipse_per_day(benchmark::State& st) {
  per_day(st, [](const auto& s, const auto& g) { return kv::events::geteclp(s, g, 1).count(); });
}
BENCHMARK(BM_eclipse_per_day)->Unit(benchmark::kMillisecond);

void BM_saa_per_day(benchmark::State& st) {
  per_day(st, [](const auto& s, const auto& g) { return kv::events::getsaa(s, g, 1).count(); });
}
BENCHMARK(BM_saa_per_day)->Unit(benchmark::kMillisecond);

void BM_occultation_per_day(benchmark::State& st) {
  per_day(st, [](const auto& s, const auto& g) {
    return kv::events::getoccult(s, g, kCrab, 5, 1).count();
  });
}
BENCHMARK(BM_occultation_per_day)->Unit(benchmark::kMillisecond);

void BM_view_per_day(benchmark::State& st) {
  per_day(st, [](const auto& s, const auto& g) {
    return kv::view::getatt(s, g, kCrab, {45, 45, 45, 10, 10}, false, 1).windows.count();
  });
}
BENCHMARK(BM_view_per_day)->Unit(benchmark::kMillisecond);

void BM_equator_crossings_per_day(benchmark::State& st) {
  auto s = one_day();
  s.tstreadif = 0;
  s.tendinp = kDay;
  const kv::grid::EquatorSamples eq = kv::grid::equator_samples(s, {}, 1);
  for (auto _ : st) benchmark::DoNotOptimize(kv::events::geteqcr(s, eq, 1234, 1).kj());
}
BENCHMARK(BM_equator_crossings_per_day)->Unit(benchmark::kMillisecond);

}  // namespace
