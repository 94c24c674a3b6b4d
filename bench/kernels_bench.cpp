// Cost of the per-sample kernels and of the scans over one day of a 650 km orbit.
#include <benchmark/benchmark.h>

#include "ephem/ephem.hpp"
#include "events/events.hpp"
#include "orbit/orbit.hpp"
#include "view/attitude.hpp"

namespace {

kv::orbit::MeanOrbit demo_orbit() {
  const kv::Elements qm = kv::orbit::oscmean({7028.137, 0.001, 6.0, 100.0, 45.0, 30.0});
  kv::orbit::MeanOrbit o;
  o = kv::orbit::mean_orbit(qm);
  return o;
}

void BM_stvsel(benchmark::State& st) {
  const auto orb = demo_orbit();
  double t = 0;
  for (auto _ : st) benchmark::DoNotOptimize(kv::orbit::stvsel(orb, t += 60));
}
BENCHMARK(BM_stvsel);

void BM_surcha(benchmark::State& st) {
  double t = 45290.0;
  for (auto _ : st) benchmark::DoNotOptimize(kv::ephem::surcha(t += 1.0 / 1440, -1));
}
BENCHMARK(BM_surcha);

void BM_eclipse_scan_one_day(benchmark::State& st) {
  kv::RunContext ctx;
  ctx.orbit = demo_orbit();
  ctx.tstusr1900 = 45359.0;
  ctx.tstreadif = 0;
  ctx.tendinp = ctx.tdursread = 86400;
  for (auto _ : st) {
    kv::events::geteclp(ctx);
    benchmark::DoNotOptimize(ctx.eclipses.count());
  }
}
BENCHMARK(BM_eclipse_scan_one_day)->Unit(benchmark::kMillisecond);

}  // namespace
