#include "driver/source_check.hpp"

#include <cctype>
#include <cmath>

namespace kv::driver {
namespace {

// The rules, in the order they are checked.
constexpr SourceRule kRules[] = {
    {SourceFault::name_empty, "the name is empty"},
    {SourceFault::name_too_long, "the name is longer than 24 characters"},
    {SourceFault::name_bad_char, "the name holds '/' or a control character"},
    {SourceFault::name_blank_end, "the name starts or ends with a blank"},
    {SourceFault::ra_range, "the right ascension is outside 0 to 360 degrees"},
    {SourceFault::dec_range, "the declination is outside -90 to 90 degrees"},
};

bool breaks(SourceFault f, const SourceFields& s) {
  const std::string_view n = s.name.value_or("");
  switch (f) {
    case SourceFault::name_empty:
      return s.name && n.empty();
    case SourceFault::name_too_long:
      return n.size() > kMaxSourceName;
    case SourceFault::name_bad_char:
      for (char c : n) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || u < 0x20 || u == 0x7f) return true;
      }
      return false;
    case SourceFault::name_blank_end:
      return !n.empty() && (n.front() == ' ' || n.back() == ' ');
    case SourceFault::ra_range: {
      if (!s.ra_deg) return false;
      const double ra = *s.ra_deg;
      // kept as the request's own test: 360 itself and values a rounding above it pass.
      return !(ra >= 0) || ra - 360 > 1e-16 || std::isinf(ra);
    }
    case SourceFault::dec_range:
      return s.dec_deg && !(std::fabs(*s.dec_deg) <= 90);
    case SourceFault::none:
      return false;
  }
  return false;
}

}  // namespace

SourceFault check_source(const SourceFields& s) {
  for (const SourceRule& r : kRules)
    if (breaks(r.fault, s)) return r.fault;
  return SourceFault::none;
}

bool plain_text(std::string_view s) {
  for (char c : s)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '+' || c == '-' ||
          c == '.'))
      return false;
  return s.find("..") == std::string_view::npos;
}

std::string file_name_form(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (c == ' ') c = '_';
  return s;
}

const char* source_rule(SourceFault f) {
  for (const SourceRule& r : kRules)
    if (r.fault == f) return r.rule;
  return "";
}

}  // namespace kv::driver
