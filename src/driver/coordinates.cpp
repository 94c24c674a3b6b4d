#include "driver/coordinates.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

namespace kv::driver {
namespace {

constexpr std::size_t kMaxAngleText = 40;

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// A decimal number written with digits, at most one point and an optional exponent (no
// sign, no "inf" or "nan"); nullopt otherwise.
std::optional<double> unsigned_number(std::string_view s) {
  if (s.empty() || !(is_digit(s[0]) || s[0] == '.')) return std::nullopt;
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// Unsigned integer of 1 to 3 digits.
std::optional<int> small_integer(std::string_view s) {
  if (s.empty() || s.size() > 3) return std::nullopt;
  int v = 0;
  for (char c : s) {
    if (!is_digit(c)) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

Angle bad(std::string fault) { return {AngleForm::bad, 0, std::move(fault)}; }

// The fields of a sexagesimal text: "a:b[:c]" or "a<u1>b<u2>[c<u3>]" with the unit letters
// u1 u2 u3 (h m s, or d m s). Returns false when the text is of neither shape.
bool split_sexagesimal(std::string_view s, char u1, std::string_view f[3], int& n) {
  n = 0;
  if (s.find(':') != std::string_view::npos) {
    while (n < 3) {
      const std::size_t c = s.find(':');
      f[n++] = s.substr(0, c);
      if (c == std::string_view::npos) return n >= 2;
      s.remove_prefix(c + 1);
    }
    return false;  // a fourth field
  }
  const char units[3] = {u1, 'm', 's'};
  if (s.find(u1) == std::string_view::npos) return false;
  for (char u : units) {
    if (s.empty()) break;
    const std::size_t c = s.find(u);
    if (c == std::string_view::npos) return false;
    f[n++] = s.substr(0, c);
    s.remove_prefix(c + 1);
  }
  return s.empty() && n >= 2;
}

// Sexagesimal (whole units, minutes, seconds) to whole units; a fault in words otherwise.
Angle sexagesimal(std::string_view s, char u1, const char* unit, double per_unit) {
  std::string_view f[3];
  int n = 0;
  if (!split_sexagesimal(s, u1, f, n)) return bad("not a number or a sexagesimal angle");
  const auto whole = small_integer(f[0]);
  const auto minutes = small_integer(f[1]);
  if (!whole) return bad(std::string("the ") + unit + " must be a whole number");
  if (!minutes || f[1].size() != 2) return bad("the minutes must be two digits");
  if (*minutes >= 60) return bad("the minutes must be below 60");
  double seconds = 0;
  if (n == 3) {
    const auto sec = unsigned_number(f[2]);
    if (!sec || f[2].find_first_of("eE") != std::string_view::npos)
      return bad("the seconds must be a decimal number");
    if (*sec >= 60) return bad("the seconds must be below 60");
    seconds = *sec;
  }
  return {AngleForm::sexagesimal, (*whole + *minutes / 60.0 + seconds / 3600.0) * per_unit, ""};
}

// The shared part of the two parsers: an optional sign, then a number with an optional unit
// letter, or a sexagesimal form.
Angle parse(std::string_view text, bool ra) {
  std::string_view s = trimmed(text);
  if (s.empty()) return bad("empty");
  if (s.size() > kMaxAngleText) return bad("longer than 40 characters");
  double sign = 1;
  if (s.front() == '+' || s.front() == '-') {
    sign = s.front() == '-' ? -1 : 1;
    s.remove_prefix(1);
  }
  if (const auto v = unsigned_number(s)) return {AngleForm::degrees, sign * *v, ""};
  const char last = static_cast<char>(std::tolower(static_cast<unsigned char>(s.back())));
  if (last == 'h' || last == 'd') {
    if (const auto v = unsigned_number(s.substr(0, s.size() - 1))) {
      if (last == 'd') return {AngleForm::degrees, sign * *v, ""};
      if (!ra) return bad("hours are for the right ascension only");
      return {AngleForm::hours, sign * *v * 15, ""};
    }
  }
  Angle a = ra ? sexagesimal(s, 'h', "hours", 15) : sexagesimal(s, 'd', "degrees", 1);
  a.deg *= sign;
  return a;
}

}  // namespace

Angle parse_ra(std::string_view text) {
  const std::string_view s = trimmed(text);
  if (!s.empty() && s.front() == '-' && s.find_first_of(":hms") != std::string_view::npos)
    return bad("a sexagesimal right ascension has no sign");
  return parse(text, true);
}

Angle parse_dec(std::string_view text) {
  std::string_view s = trimmed(text);
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
  if (!s.empty() && (is_digit(s.front()) || s.front() == '.') &&
      s.find_first_of("hH") != std::string_view::npos)
    return bad("hours are for the right ascension only");
  return parse(text, false);
}

}  // namespace kv::driver
