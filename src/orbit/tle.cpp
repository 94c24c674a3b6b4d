// TLE parser and the choice of an element set for a time.
#include "orbit/tle.hpp"

#include <charconv>
#include <cmath>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "orbit/sgp4.hpp"

namespace kv::orbit {
namespace {

constexpr std::size_t tle_line_length = 69;
constexpr double deep_space_period_min = 225.0;

// Line number and text of one non-empty line of the file.
struct Line {
  int number;
  std::string text;
};

std::vector<Line> split_lines(std::string_view text) {
  std::vector<Line> lines;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view l = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++number;
    while (!l.empty() && (l.back() == '\r' || l.back() == ' ' || l.back() == '\t'))
      l.remove_suffix(1);
    if (!l.empty()) lines.push_back({number, std::string(l)});
  }
  return lines;
}

// Reports one fault of the file; the same text goes to every destination, as for the
// orbit file.
[[noreturn]] void bad_tle(const std::string& file, int line, const std::string& why) {
  const std::string m = strprintf("\n TLE file %s: line %d: %s\n", file.c_str(), line, why.c_str());
  throw RunError(m, m, m);
}

// Reader of the fields of one element line, columns 1-based and inclusive as in the format.
struct Fields {
  const std::string& file;
  const Line& line;

  std::string_view cols(int first, int last) const {
    return std::string_view(line.text).substr(static_cast<std::size_t>(first - 1),
                                              static_cast<std::size_t>(last - first + 1));
  }
  [[noreturn]] void fail(int first, int last, const char* what, const char* form) const {
    const std::string_view f = cols(first, last);
    bad_tle(file, line.number,
            strprintf("columns %d-%d (%s) \"%.*s\" is not %s", first, last, what,
                      static_cast<int>(f.size()), f.data(), form));
  }
  // Decimal number: blanks before it, an optional sign, digits with at most one point.
  double decimal(int first, int last, const char* what) const {
    std::string_view f = cols(first, last);
    while (!f.empty() && f.front() == ' ') f.remove_prefix(1);
    const bool neg = !f.empty() && f.front() == '-';
    if (!f.empty() && (f.front() == '-' || f.front() == '+')) f.remove_prefix(1);
    int digits = 0, points = 0, others = 0;
    for (char c : f) {
      if (c >= '0' && c <= '9')
        ++digits;
      else if (c == '.')
        ++points;
      else
        ++others;
    }
    double v = 0;
    if (digits == 0 || points > 1 || others > 0 ||
        std::from_chars(f.data(), f.data() + f.size(), v).ptr != f.data() + f.size())
      fail(first, last, what, "a decimal number");
    return neg ? -v : v;
  }
  // Non-negative integer: blanks before the digits; all blanks read as 0.
  int integer(int first, int last, const char* what) const {
    std::string_view f = cols(first, last);
    while (!f.empty() && f.front() == ' ') f.remove_prefix(1);
    int v = 0;
    if (!f.empty() && std::from_chars(f.data(), f.data() + f.size(), v).ptr != f.data() + f.size())
      fail(first, last, what, "an integer");
    if (!f.empty() && (f.front() < '0' || f.front() > '9')) fail(first, last, what, "an integer");
    return v;
  }
  // Digits with an implied leading decimal point ("0123456" = 0.0123456).
  double implied_point(int first, int last, const char* what) const {
    const std::string_view f = cols(first, last);
    double v = 0, scale = 1;
    for (char c : f) {
      if (c < '0' || c > '9') fail(first, last, what, "digits with an implied decimal point");
      scale *= 0.1;
      v += (c - '0') * scale;
    }
    return v;
  }
  // Implied-decimal mantissa and exponent, sdddddSd (" 12345-3" = 0.12345e-3), 8 columns.
  double exponent(int first, const char* what) const {
    const int last = first + 7;
    const std::string_view f = cols(first, last);
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    bool ok =
        (f[0] == ' ' || f[0] == '+' || f[0] == '-') && (f[6] == '+' || f[6] == '-') && digit(f[7]);
    for (int k = 1; k <= 5; ++k) ok = ok && digit(f[static_cast<std::size_t>(k)]);
    if (!ok) fail(first, last, what, "of the form \" 12345-3\" (0.12345e-3)");
    double m = 0;
    for (int k = 1; k <= 5; ++k) m = m * 10 + (f[static_cast<std::size_t>(k)] - '0');
    const int e = (f[6] == '-' ? -1 : 1) * (f[7] - '0');
    const double v = m * 1e-5 * std::pow(10.0, e);
    return f[0] == '-' ? -v : v;
  }
};

// Checks the length, line number and checksum of an element line.
void check_element_line(const std::string& file, const Line& l, char number) {
  if (l.text.size() != tle_line_length)
    bad_tle(file, l.number,
            strprintf("element line %c has %zu characters, not 69", number, l.text.size()));
  int sum = 0;
  for (std::size_t k = 0; k + 1 < tle_line_length; ++k) {
    const char c = l.text[k];
    if (c >= '0' && c <= '9') sum += c - '0';
    if (c == '-') sum += 1;
  }
  const char cs = l.text[tle_line_length - 1];
  if (cs < '0' || cs > '9')
    bad_tle(file, l.number, strprintf("column 69 holds '%c', not a checksum digit", cs));
  if (cs - '0' != sum % 10)
    bad_tle(file, l.number,
            strprintf("checksum %c in column 69 differs from %d, the sum of the line modulo 10", cs,
                      sum % 10));
}

void check_range(const std::string& file, int line, const char* what, double v, double hi) {
  if (v < 0 || v > hi)
    bad_tle(file, line, strprintf("%s %.4f degrees is outside 0 to %.0f", what, v, hi));
}

// Epoch fields of line 1 (columns 19-32).
void read_epoch(const std::string& file, const Fields& f1, Tle& t) {
  const std::string_view yy = f1.cols(19, 20);
  if (yy[0] < '0' || yy[0] > '9' || yy[1] < '0' || yy[1] > '9')
    f1.fail(19, 20, "epoch year", "a two-digit year");
  const int y2 = (yy[0] - '0') * 10 + (yy[1] - '0');
  t.epoch_year = y2 < 57 ? 2000 + y2 : 1900 + y2;
  t.epoch_doy = f1.decimal(21, 32, "epoch day of the year");
  const int ndays = t.epoch_year % 4 == 0 ? 366 : 365;
  if (!(t.epoch_doy >= 1.0 && t.epoch_doy < ndays + 1.0))
    bad_tle(file, f1.line.number,
            strprintf("epoch day of the year %.8f is outside 1 to %d.99999999 (%d)", t.epoch_doy,
                      ndays, t.epoch_year));
  t.epoch_days = tle_days(t.epoch_year, t.epoch_doy);
  // Calendar epoch, rounded to the millisecond (carried into the next day or year).
  int day = static_cast<int>(t.epoch_doy);
  long long ms = std::llround((t.epoch_doy - day) * 86400000.0);
  int year = t.epoch_year;
  if (ms >= 86400000LL) {
    ms -= 86400000LL;
    if (++day > ndays) {
      day = 1;
      ++year;
    }
  }
  int month = 1;
  while (day > month_length(year, month)) day -= month_length(year, month++);
  const int msi = static_cast<int>(ms);
  t.epoch = {year, month, day, msi / 3600000, msi / 60000 % 60, msi / 1000 % 60, msi % 1000};
}

void read_line1(const std::string& file, const Line& l, Tle& t) {
  check_element_line(file, l, '1');
  const Fields f{file, l};
  t.catnum = f.integer(3, 7, "catalogue number");
  t.classification = l.text[7];
  std::string_view id = f.cols(10, 17);
  while (!id.empty() && id.back() == ' ') id.remove_suffix(1);
  t.intldesg = std::string(id);
  read_epoch(file, f, t);
  t.ndot = f.decimal(34, 43, "first derivative of the mean motion");
  t.nddot = f.exponent(45, "second derivative of the mean motion");
  t.bstar = f.exponent(54, "drag term B*");
  t.ephemeris_type = f.integer(63, 63, "ephemeris type");
  t.element_number = f.integer(65, 68, "element set number");
}

void read_line2(const std::string& file, const Line& l, Tle& t) {
  check_element_line(file, l, '2');
  const Fields f{file, l};
  const int cat2 = f.integer(3, 7, "catalogue number");
  if (cat2 != t.catnum)
    bad_tle(file, l.number,
            strprintf("catalogue number %05d differs from %05d of line 1", cat2, t.catnum));
  t.incl_deg = f.decimal(9, 16, "inclination");
  t.node_deg = f.decimal(18, 25, "right ascension of the ascending node");
  t.ecc = f.implied_point(27, 33, "eccentricity");
  t.argp_deg = f.decimal(35, 42, "argument of perigee");
  t.mean_anomaly_deg = f.decimal(44, 51, "mean anomaly");
  t.mean_motion_rev_day = f.decimal(53, 63, "mean motion");
  t.revnum = f.integer(64, 68, "revolution number");
  check_range(file, l.number, "inclination", t.incl_deg, 180);
  check_range(file, l.number, "right ascension of the ascending node", t.node_deg, 360);
  check_range(file, l.number, "argument of perigee", t.argp_deg, 360);
  check_range(file, l.number, "mean anomaly", t.mean_anomaly_deg, 360);
  if (!(t.mean_motion_rev_day > 0))
    bad_tle(file, l.number,
            strprintf("mean motion %.8f rev/day is not positive", t.mean_motion_rev_day));
}

// Refuses deep-space sets and sets without a valid SGP4 state at their epoch.
void check_model(const std::string& file, const Line& l2, const Tle& t) {
  const Sgp4Elements el = sgp4_elements(t);
  const double period = sgp4_period_min(el.no_kozai, el.ecco, el.inclo);
  if (!(period < deep_space_period_min))
    bad_tle(file, l2.number,
            strprintf("period %.2f minutes is 225 minutes or longer: a deep-space set, which "
                      "this SGP4 (near-Earth) does not propagate",
                      period));
  const Sgp4 m = sgp4_init(el);
  int error = sgp4_ok;
  const State s = sgp4_state(m, 0.0, error);
  for (double v : s)
    if (!std::isfinite(v))
      bad_tle(file, l2.number, "the set gives no finite SGP4 state at its epoch");
  if (m.error != sgp4_ok)
    bad_tle(file, l2.number,
            strprintf("the set gives no valid state at its epoch (SGP4 error %d%s)", m.error,
                      m.error == sgp4_decayed ? ": below the Earth's surface" : ""));
}

bool is_element_line(const Line& l, char number) {
  return l.text.size() >= 2 && l.text[0] == number && l.text[1] == ' ';
}

}  // namespace

double tle_days(int year, double doy) {
  const int y = year - 1900;
  return 365.0 * y + (y - 1) / 4 + (doy - 1.0);
}

std::vector<Tle> parse_tles(std::string_view text, const std::string& file) {
  const std::vector<Line> lines = split_lines(text);
  std::vector<Tle> sets;
  for (std::size_t k = 0; k < lines.size();) {
    Tle t;
    if (!is_element_line(lines[k], '1')) {
      if (is_element_line(lines[k], '2'))
        bad_tle(file, lines[k].number, "element line 2 without its line 1 before it");
      std::string_view name = lines[k].text;
      if (name.size() > tle_line_length)
        bad_tle(file, lines[k].number, "a name line is longer than 69 characters");
      for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
          bad_tle(file, lines[k].number, "the name line holds a control character");
      if (name.size() >= 2 && name[0] == '0' && name[1] == ' ') name.remove_prefix(2);
      while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
      t.name = std::string(name);
      if (++k == lines.size() || !is_element_line(lines[k], '1'))
        bad_tle(file, k == lines.size() ? lines[k - 1].number : lines[k].number,
                "element line 1 (starting \"1 \") expected after the name line");
    }
    if (k + 1 == lines.size() || !is_element_line(lines[k + 1], '2'))
      bad_tle(file, k + 1 == lines.size() ? lines[k].number : lines[k + 1].number,
              "element line 2 (starting \"2 \") expected after line 1");
    t.file_line = lines[k].number;
    read_line1(file, lines[k], t);
    read_line2(file, lines[k + 1], t);
    check_model(file, lines[k + 1], t);
    t.line1 = lines[k].text;
    t.line2 = lines[k + 1].text;
    sets.push_back(std::move(t));
    k += 2;
  }
  if (sets.empty()) bad_tle(file, 1, "the file holds no element set");
  return sets;
}

const Tle& choose_tle(const std::vector<Tle>& sets, const Epoch& t) {
  const double now = timdif(t).days;
  const Tle* newest = nullptr;
  const Tle* oldest = &sets.front();
  for (const Tle& s : sets) {
    if (s.epoch_days <= now && (!newest || s.epoch_days >= newest->epoch_days)) newest = &s;
    if (s.epoch_days <= oldest->epoch_days) oldest = &s;
  }
  return newest ? *newest : *oldest;
}

}  // namespace kv::orbit
