#include "support/input_checks.hpp"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "driver/catalogue.hpp"
#include "driver/config.hpp"
#include "driver/context.hpp"
#include "driver/orbit_file.hpp"
#include "driver/request.hpp"
#include "driver/source_check.hpp"
#include "orbit/orbit.hpp"

namespace kv::test {
namespace {

bool starts(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

void write_file(const char* name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
}

bool valid_epoch(const Epoch& e) {
  return e[0] >= 2000 && e[0] <= 2099 && is_valid_date(e[0], e[1], e[2]) && e[3] >= 0 &&
         e[3] <= 23 && e[4] >= 0 && e[4] <= 59 && e[5] >= 0 && e[5] <= 59 && e[6] >= 0 &&
         e[6] <= 999;
}

bool clean_name(const std::string& s, std::size_t max) {
  if (s.empty() || s.size() > max) return false;
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || u < 0x20 || u == 0x7f) return false;
  }
  return true;
}

}  // namespace

Outcome check_request(const std::string& text) {
  RunContext ctx;
  std::istringstream in(text);
  try {
    driver::read_request(in, ctx);
  } catch (const RunError& e) {
    if (!e.out.empty() || !e.log.empty()) return {false, "request failure outside the status"};
    if (starts(e.status, " Request token ") || starts(e.status, " Right Ascension value ") ||
        starts(e.status, " Declination value "))
      return {false, ""};
    return {false, "undocumented request message: " + e.status};
  }
  if (!clean_name(ctx.usrnm, 24) || !clean_name(ctx.celnm, 24) || !clean_name(ctx.sid, 3) ||
      !clean_name(ctx.rndnum, 99))
    return {true, "accepted a bad name"};
  if (!(ctx.rasource >= 0 && ctx.rasource <= 360 && std::fabs(ctx.decsource) <= 90))
    return {true, "accepted a position out of range"};
  for (double v : {ctx.rosvlim, ctx.nrosvlim, ctx.romlim, ctx.rovellim, ctx.thetainp})
    if (!std::isfinite(v)) return {true, "accepted a non-finite limit"};
  if (!valid_epoch(ctx.istusr) || !valid_epoch(ctx.ietusr)) return {true, "accepted a bad epoch"};
  return {true, ""};
}

Outcome check_config(const std::string& text) {
  write_file("kelvocc_kv1.std", text);
  RunContext ctx;
  ctx.usrnm = "ann";
  ctx.celnm = "crab";
  ctx.rndnum = "r7";
  ctx.sid = "kv1";
  try {
    driver::rstdinp(ctx);
  } catch (const RunError& e) {
    if (starts(e.log, "\n configuration file kelvocc_kv1.std") ||
        starts(e.log, "\n Input sat Id kv1 doesn't match"))
      return {false, ""};
    return {false, "undocumented configuration message: " + e.log};
  }
  for (const std::string* t :
       {&ctx.errfnmfl, &ctx.evnoccfnmdsp, &ctx.attfnm, &ctx.attfnmang, &ctx.eclpfnm, &ctx.orbinfnm})
    if (t->size() < 8) return {true, "accepted a short template"};
  if (ctx.orbfnm1.size() < 12) return {true, "accepted a short orbit-file template"};
  if (!std::isfinite(ctx.ywsvlim)) return {true, "accepted a non-finite yaw-Sun limit"};
  return {true, ""};
}

Outcome check_orbit_file(const std::string& text) {
  write_file("orbit.kv1", text);
  driver::OrbitRecord rec;
  try {
    std::FILE* fp = std::fopen("orbit.kv1", "r");
    if (!fp) return {false, "cannot reopen the orbit file"};
    rec = driver::redsvi(fp, "orbit.kv1", "kv1");
  } catch (const RunError& e) {
    if (starts(e.status, "\n orbit file orbit.kv1: ") && e.log == e.status) return {false, ""};
    return {false, "undocumented orbit-file message: " + e.status};
  }
  if (!valid_epoch(rec.iltread)) return {true, "accepted a bad epoch"};
  const Elements qm = orbit::oscmean(rec.q);
  orbit::MeanOrbit orb;
  orb = orbit::mean_orbit(qm);
  for (double t = 0; t <= 2 * 86400; t += 3600) {
    const State s = orbit::stvsel(orb, t);
    const double r = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    if (!(r > 6000 && r < 3e6)) return {true, "propagated state off any Earth orbit"};
  }
  return {true, ""};
}

Outcome check_catalogue(const std::string& text) {
  write_file("catalogue.csv", text);
  std::vector<driver::CatalogueSource> sources;
  try {
    sources = driver::read_catalogue("catalogue.csv");
  } catch (const RunError& e) {
    if (starts(e.summary, "catalogue catalogue.csv: ")) return {false, ""};
    return {false, "undocumented catalogue message: " + e.summary};
  }
  std::set<std::string> names, files;
  for (const driver::CatalogueSource& s : sources) {
    if (!clean_name(s.name, 24) || s.name.front() == ' ' || s.name.back() == ' ')
      return {true, "accepted a bad name"};
    if (!names.insert(s.name).second) return {true, "accepted a duplicate name"};
    if (!files.insert(driver::file_name_form(s.name)).second)
      return {true, "accepted two names of one file name"};
    if (!(s.ra_deg >= 0 && s.ra_deg <= 360 && std::fabs(s.dec_deg) <= 90))
      return {true, "accepted a position out of range"};
  }
  if (sources.empty()) return {true, "accepted a catalogue without sources"};
  return {true, ""};
}

}  // namespace kv::test
