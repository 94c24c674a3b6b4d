#include "driver/orbit_file.hpp"

#include <openssl/evp.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "driver/config.hpp"
#include "orbit/orbit.hpp"

namespace kv::driver {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// One line of at most 119 characters; a longer line is split and its rest is the next line.
bool read_line(std::FILE* fp, std::string& line) {
  char buf[120];
  if (!std::fgets(buf, sizeof buf, fp)) return false;
  line.assign(buf);
  return true;
}

[[noreturn]] void bad_file(const std::string& name, const std::string& why) {
  const std::string m = strprintf("\n orbit file %s: %s\n", name.c_str(), why.c_str());
  throw RunError(m, m, m);
}

// Fields from column 20 on, read with the given scanf format; false unless `want` convert.
template <typename... T>
bool fields(const std::string& line, const char* fmt, int want, T*... out) {
  if (line.size() < 20) return false;
  return std::sscanf(line.c_str() + 19, fmt, out...) >= want;
}

void check_closed_orbit(const std::string& name, const Elements& q) {
  for (double v : q)
    if (!std::isfinite(v)) bad_file(name, "an orbital element is not a finite number");
  if (!(q[0] > re_earth))
    bad_file(name, strprintf("semi-major axis %f km is not above the Earth's radius", q[0]));
  if (!(q[0] < 1e6))
    bad_file(name, strprintf("semi-major axis %f km is not that of an Earth orbit", q[0]));
  if (!(q[1] >= 0 && q[1] < 1))
    bad_file(name, strprintf("eccentricity %f is outside [0, 1)", q[1]));
  if (!(q[0] * (1 - q[1]) > re_earth))
    bad_file(name,
             strprintf("perigee radius %f km is not above the Earth's radius", q[0] * (1 - q[1])));
}

}  // namespace

std::string orbit_file_name(const std::string& orbfnm1, const std::string& sid, Epoch date) {
  const int nday = yday(date, date[1], date[2]);
  return orbfnm1.substr(0, orbfnm1.size() - 12) +
         strprintf("%03d_%04d.%s", nday, date[0], sid.c_str());
}

std::vector<std::string> orbit_file_candidates(const std::string& orbfnm1, const std::string& sid,
                                               const Epoch& curt) {
  std::vector<std::string> names;
  for (int i = 0; i <= 10; ++i)
    names.push_back(orbit_file_name(orbfnm1, sid, addtimnew(curt, i * -daysec)));
  return names;
}

OrbitRecord redsvi(std::FILE* raw, const std::string& name, const std::string& sid) {
  FilePtr fp(raw);
  if (sid != satellite_id)
    fail(RunError(
             strprintf("     inputx ::  satellite id = %s is not correct . stop process\n",
                       sid.c_str()),
             strprintf("inputx ::  satellite id = %s is not correct . stop process\n", sid.c_str()),
             ""),
         strprintf("satellite id %s is not kv1", sid.c_str()));
  std::string line[8];
  for (int k = 1; k <= 7; ++k)
    if (!read_line(fp.get(), line[k])) bad_file(name, strprintf("line %d is missing", k));
  if (line[3].size() < 10 || line[3].compare(4, 6, "PBEPC1") != 0)
    bad_file(name, "line 3 lacks the record tag PBEPC1 in columns 5 to 10");

  OrbitRecord r;
  Epoch& e = r.iltread;
  if (!fields(line[3], "%6d%6d%6d%6d%6d%6d%6d%6d", 8, &e[0], &e[1], &e[2], &e[3], &e[4], &e[5],
              &e[6], &r.iorb))
    bad_file(name, "line 3 lacks the epoch and orbit number fields");
  if (e[0] < 2000 || e[0] > 2099 || !is_valid_date(e[0], e[1], e[2]) || e[3] < 0 || e[3] > 23 ||
      e[4] < 0 || e[4] > 59 || e[5] < 0 || e[5] > 59 || e[6] < 0 || e[6] > 999)
    bad_file(name, strprintf("epoch %d %d %d %d %d %d %d is not a UTC time of 2000 to 2099", e[0],
                             e[1], e[2], e[3], e[4], e[5], e[6]));
  Elements& q = r.q;
  if (!fields(line[6], "%22lf%22lf%22lf", 3, &q[0], &q[1], &q[2]))
    bad_file(name, "line 6 lacks the semi-major axis, eccentricity and inclination");
  if (!fields(line[7], "%22lf%22lf%22lf", 3, &q[3], &q[4], &q[5]))
    bad_file(name, "line 7 lacks the argument of perigee, node and mean anomaly");
  check_closed_orbit(name, q);
  return r;
}

OrbitRecord find_and_read_orbit_file(const std::string& orbfnm1, const std::string& sid,
                                     const Epoch& curt, std::string& orbfnm,
                                     const std::string& folder) {
  for (const std::string& name : orbit_file_candidates(orbfnm1, sid, curt)) {
    orbfnm = name;
    if (std::FILE* fp = std::fopen(in_folder(folder, name).c_str(), "r"))
      return redsvi(fp, name, sid);
  }
  const std::string m = strprintf(
      "\n !!!! Svipazzfile(orbit file) %s not available.Please download the latest orbit file "
      "from KAVRI website   !!!!",
      orbfnm.c_str());
  fail_file(RunError(m, m, m),
            strprintf("no orbit file for the day of the run or the ten days before (the oldest "
                      "name tried: %s)",
                      orbfnm.c_str()),
            ENOENT);
}

std::string sha256_hex(const std::string& path) {
  std::FILE* raw = std::fopen(path.c_str(), "rb");
  if (!raw) return "";
  FilePtr fp(raw);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> md(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!md || EVP_DigestInit_ex(md.get(), EVP_sha256(), nullptr) != 1) return "";
  unsigned char buf[65536];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, fp.get())) > 0;)
    if (EVP_DigestUpdate(md.get(), buf, n) != 1) return "";
  if (std::ferror(fp.get())) return "";
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (EVP_DigestFinal_ex(md.get(), digest, &len) != 1) return "";
  std::string hex;
  for (unsigned int i = 0; i < len; ++i) hex += strprintf("%02x", digest[i]);
  return hex;
}

}  // namespace kv::driver
