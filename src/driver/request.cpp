#include "driver/request.hpp"

#include <cmath>
#include <string>
#include <vector>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "driver/source_check.hpp"
#include "driver/tokens.hpp"

namespace kv::driver {
namespace {

constexpr const char* kTokenNames[28] = {"",
                                         "user name",
                                         "source name",
                                         "satellite id",
                                         "right ascension",
                                         "declination",
                                         "start year",
                                         "start month",
                                         "start day",
                                         "start hour",
                                         "start minute",
                                         "start second",
                                         "start millisecond",
                                         "end year",
                                         "end month",
                                         "end day",
                                         "end hour",
                                         "end minute",
                                         "end second",
                                         "end millisecond",
                                         "roll-Sun limit",
                                         "negative-roll-Sun limit",
                                         "roll-Moon limit",
                                         "roll-velocity limit",
                                         "Earth-limb margin",
                                         "angle-file flag",
                                         "run tag",
                                         "after the run tag"};

[[noreturn]] void reject(int n, const std::string& rule) {
  throw RunError("", strprintf(" Request token %d (%s): %s\n", n, kTokenNames[n], rule.c_str()),
                 "");
}

class RequestReader {
 public:
  RequestReader(std::istream& in, std::vector<std::string>& tokens) : in_(in), tokens_(tokens) {}

  std::string text(std::size_t max_len) {
    const std::string tok = raw();
    if (tok.size() > max_len)
      reject(n_, strprintf("\"%s\" is longer than %zu characters", shown(tok).c_str(), max_len));
    for (char ch : tok) {
      const auto u = static_cast<unsigned char>(ch);
      if (ch == '/' || u < 0x20 || u == 0x7f)
        reject(n_, strprintf("\"%s\" holds '/' or a control character", shown(tok).c_str()));
    }
    return tok;
  }

  // The source name, by the source rules.
  std::string source_name() {
    const std::string tok = raw();
    const SourceFault f = check_source({.name = tok});
    if (f == SourceFault::name_too_long)
      reject(n_,
             strprintf("\"%s\" is longer than %zu characters", shown(tok).c_str(), kMaxSourceName));
    if (f != SourceFault::none)
      reject(n_, strprintf("\"%s\" holds '/' or a control character", shown(tok).c_str()));
    return tok;
  }

  double number() {
    const std::string tok = raw();
    const auto v = to_double(tok);
    if (!v) reject(n_, strprintf("\"%s\" is not a number", shown(tok).c_str()));
    return *v;
  }

  double finite_number() {
    const double v = number();
    if (!std::isfinite(v)) reject(n_, "the value must be a finite number");
    return v;
  }

  int integer() {
    const std::string tok = raw();
    const auto v = to_int(tok);
    if (!v) reject(n_, strprintf("\"%s\" is not an integer", shown(tok).c_str()));
    return *v;
  }

  int index() const { return n_; }

  // Rejects a further token; white space after the last token is not one.
  void expect_end() {
    ++n_;
    if (next_token(in_)) reject(n_, "the request has exactly 26 tokens");
  }

 private:
  std::string raw() {
    ++n_;
    bool too_long = false;
    auto tok = next_token(in_, &too_long);
    if (!tok) reject(n_, "missing: a request holds 26 tokens");
    if (too_long) reject(n_, strprintf("longer than %zu characters", kMaxToken));
    tokens_.push_back(*tok);
    return *tok;
  }

  std::istream& in_;
  std::vector<std::string>& tokens_;
  int n_ = 0;
};

Epoch read_epoch(RequestReader& r) {
  Epoch e{};
  for (int& f : e) f = r.integer();
  return e;
}

// Checks that an epoch read from tokens first..first+6 is a real UTC time of 2000-2099.
void check_epoch(const Epoch& e, int first) {
  if (e[0] < 2000 || e[0] > 2099) reject(first, strprintf("year %d is outside 2000 to 2099", e[0]));
  if (e[1] < 1 || e[1] > 12) reject(first + 1, strprintf("month %d is outside 1 to 12", e[1]));
  if (!is_valid_date(e[0], e[1], e[2]))
    reject(first + 2, strprintf("day %d does not exist in %04d-%02d", e[2], e[0], e[1]));
  constexpr int kMax[7] = {0, 0, 0, 23, 59, 59, 999};
  for (int k = 3; k < 7; ++k)
    if (e[k] < 0 || e[k] > kMax[k])
      reject(first + k, strprintf("%d is outside 0 to %d", e[k], kMax[k]));
}

}  // namespace

void read_request(std::istream& in, RunContext& ctx) {
  ctx.request_tokens.clear();
  RequestReader r(in, ctx.request_tokens);
  ctx.usrnm = r.text(24);
  ctx.celnm = r.source_name();
  ctx.sid = r.text(3);
  ctx.rasource = r.number();
  if (check_source({.ra_deg = ctx.rasource}) != SourceFault::none)
    throw RunError("", strprintf(" Right Ascension value %f is outside the range\n ", ctx.rasource),
                   "");
  ctx.decsource = r.number();
  if (check_source({.dec_deg = ctx.decsource}) != SourceFault::none)
    throw RunError("", strprintf(" Declination value %f is outside the range\n ", ctx.decsource),
                   "");
  ctx.istusr = read_epoch(r);
  ctx.ietusr = read_epoch(r);
  ctx.rosvlim = r.finite_number();
  ctx.nrosvlim = r.finite_number();
  ctx.romlim = r.finite_number();
  ctx.rovellim = r.finite_number();
  ctx.thetainp = r.finite_number();
  ctx.flagcrang = r.integer();
  ctx.rndnum = r.text(99);
  check_epoch(ctx.istusr, 6);
  check_epoch(ctx.ietusr, 13);
  r.expect_end();
}

}  // namespace kv::driver
