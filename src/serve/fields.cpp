#include "serve/fields.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <tuple>

#include "common/run_error.hpp"
#include "driver/coordinates.hpp"
#include "driver/source_check.hpp"
#include "driver/tokens.hpp"

namespace kv::serve {

const Known kKnown[7] = {{"crab", "83.633", "22.014"},   {"scox1", "244.979", "-15.640"},
                         {"cygx1", "299.590", "35.202"}, {"vela", "128.836", "-45.176"},
                         {"m31", "10.685", "41.269"},    {"3c273", "187.278", "2.052"},
                         {"casa", "350.866", "58.812"}};

namespace {

using json = nlohmann::json;
constexpr std::size_t kMaxNumberText = 24;

// A name of the plain set (letters, digits and _ + - ., no ".."), 1 to max characters.
bool plain_name(const std::string& s, std::size_t max) {
  return !s.empty() && s.size() <= max && driver::plain_text(s);
}

// A finite number written as the batch program reads one, at most kMaxNumberText characters.
std::optional<double> number(const std::string& s) {
  if (s.empty() || s.size() > kMaxNumberText) return std::nullopt;
  const auto v = driver::to_double(s);
  if (!v || !std::isfinite(*v)) return std::nullopt;
  return v;
}

// "YYYY-MM-DDTHH:MM:SS[.mmm]", digits exactly where the pattern has them, then nothing,
// "Z" or "+00:00" (UTC), to the seven request integers.
bool time_fields(std::string s, std::string& out) {
  static constexpr std::string_view kPattern = "dddd-dd-ddTdd:dd:dd.ddd";
  if (s.ends_with("Z")) {
    s.pop_back();
  } else if (s.ends_with("+00:00")) {
    s.resize(s.size() - 6);
  }
  if (s.size() != 19 && s.size() != 23) return false;
  for (std::size_t k = 0; k < s.size(); ++k) {
    const char p = kPattern[k];
    if (p == 'd' ? !std::isdigit(static_cast<unsigned char>(s[k])) : s[k] != p) return false;
  }
  auto at = [&](std::size_t pos, std::size_t n) { return std::stoi(s.substr(pos, n)); };
  out = strprintf("%d %d %d %d %d %d %d", at(0, 4), at(5, 2), at(8, 2), at(11, 2), at(14, 2),
                  at(17, 2), s.size() == 23 ? at(20, 3) : 0);
  return true;
}

// The batch program's words for a position out of range, with the value only when short.
std::string range_message(const char* what, double v) {
  if (std::fabs(v) < 1e9) return strprintf("%s value %f is outside the range", what, v);
  return strprintf("%s value is outside the range", what);
}

// The source name: the source rules, and its file-name form of the plain set.
std::string name_fault(const std::string& name) {
  const driver::SourceFault f = driver::check_source({.name = name});
  if (f == driver::SourceFault::name_too_long)
    return "source: the name is longer than 24 characters";
  if (f != driver::SourceFault::none ||
      !plain_name(driver::file_name_form(name), driver::kMaxSourceName))
    return "source: the name may hold letters, digits, blanks (not at its ends) and _ + - . "
           "only, 1 to 24 characters";
  return "";
}

// A position field in degrees as the request's token, or "" with the fault in *fault.
std::string position_token(const char* field, const std::string& text, bool ra,
                           std::string* fault) {
  const char* what = ra ? "the right ascension" : "the declination";
  if (text.empty()) {
    *fault = strprintf("%s: %s is missing", field, what);
    return "";
  }
  const driver::Angle a = ra ? driver::parse_ra(text) : driver::parse_dec(text);
  if (a.form == driver::AngleForm::bad) {
    *fault = strprintf(
        "%s: %s is not understood (%s); write degrees (83.633), %s", field, what, a.fault.c_str(),
        ra ? "hours (5.5755h) or 05:34:31.94 or 05h34m31.94s" : "+22:00:52.2 or 22d00m52.2s");
    return "";
  }
  if (a.form == driver::AngleForm::degrees && number(text) &&
      text.find_first_of(" dD") == std::string::npos)
    return text;  // a plain number is passed on as written
  return strprintf("%.17g", a.deg);
}

}  // namespace

std::vector<FieldFault> field_faults(const RunFields& f) {
  std::vector<FieldFault> out;
  auto bad = [&](const char* field, int status, const std::string& m) {
    out.push_back({field, {status, m}});
  };
  if (!plain_name(f.user, 24)) bad("user", 400, "user: letters, digits and _ + - . only, 1 to 24");
  if (const std::string m = name_fault(f.source); !m.empty()) bad("source", 400, m);
  std::string fault;
  const std::string ra_token = position_token(f.ra_field, f.ra_deg, true, &fault);
  if (ra_token.empty()) bad(f.ra_field, 400, fault);
  const std::string dec_token = position_token(f.dec_field, f.dec_deg, false, &fault);
  if (dec_token.empty()) bad(f.dec_field, 400, fault);
  std::string start, end;
  if (!time_fields(f.start, start))
    bad("start", 400, "start: the start is not a UTC time YYYY-MM-DDTHH:MM:SS[.mmm][Z]");
  if (!time_fields(f.end, end))
    bad("end", 400, "end: the end is not a UTC time YYYY-MM-DDTHH:MM:SS[.mmm][Z]");
  for (const auto& [name, v] : {std::pair<const char*, const std::string*>{"roll_sun", &f.roll_sun},
                                {"neg_roll_sun", &f.neg_roll_sun},
                                {"roll_moon", &f.roll_moon},
                                {"roll_velocity", &f.roll_velocity},
                                {"earth_margin", &f.earth_margin}})
    if (!number(*v))
      bad(name, 400, std::string(name) + ": not a finite number of at most 24 characters");
  if (!plain_name(f.tag, 99)) bad("tag", 400, "tag: letters, digits and _ + - . only, 1 to 99");
  // The range of the position: the batch program's rule and words (422) once it is a number.
  if (!ra_token.empty() && !dec_token.empty()) {
    const double ra = *driver::to_double(ra_token), dec = *driver::to_double(dec_token);
    const driver::SourceFault where = driver::check_source({.ra_deg = ra, .dec_deg = dec});
    if (where == driver::SourceFault::ra_range)
      bad(f.ra_field, 422, range_message("Right Ascension", ra));
    if (where == driver::SourceFault::dec_range)
      bad(f.dec_field, 422, range_message("Declination", dec));
  }
  // 400 faults first: a malformed field is named before a refused value.
  std::stable_sort(out.begin(), out.end(), [](const FieldFault& x, const FieldFault& y) {
    return x.error.status < y.error.status;
  });
  return out;
}

std::string request_text(const RunFields& f, const std::string& sid, FieldError* err) {
  const std::vector<FieldFault> faults = field_faults(f);
  if (!faults.empty()) {
    if (err) *err = faults.front().error;
    return "";
  }
  std::string fault, start, end;
  const std::string ra_token = position_token(f.ra_field, f.ra_deg, true, &fault);
  const std::string dec_token = position_token(f.dec_field, f.dec_deg, false, &fault);
  time_fields(f.start, start);
  time_fields(f.end, end);
  return f.user + " " + driver::file_name_form(f.source) + " " + sid + " " + ra_token + " " +
         dec_token + " " + start + " " + end + " " + f.roll_sun + " " + f.neg_roll_sun + " " +
         f.roll_moon + " " + f.roll_velocity + " " + f.earth_margin + " " +
         (f.angle_file ? "1" : "0") + " " + f.tag + "\n";
}

namespace {

// A pasted element file: a few sets of three lines of at most 80 characters.
constexpr std::size_t kMaxTleBytes = 4096;

enum class Kind { text, number, boolean, limits };
struct Key {
  const char* name;
  Kind kind;
};
constexpr Key kTopKeys[] = {
    {"user", Kind::text},      {"source", Kind::text},        {"tag", Kind::text},
    {"ra", Kind::text},        {"dec", Kind::text},           {"ra_deg", Kind::number},
    {"dec_deg", Kind::number}, {"start", Kind::text},         {"end", Kind::text},
    {"limits", Kind::limits},  {"angle_file", Kind::boolean}, {"tle", Kind::text},
    {"model", Kind::text},     {"min_window", Kind::number}};
constexpr const char* kLimitKeys[] = {"roll_sun", "neg_roll_sun", "roll_moon", "roll_velocity",
                                      "earth_margin"};

bool of_kind(const json& v, Kind k) {
  switch (k) {
    case Kind::text:
      return v.is_string();
    case Kind::number:
      return v.is_number();
    case Kind::boolean:
      return v.is_boolean();
    case Kind::limits:
      return v.is_object();
  }
  return false;
}

const char* kind_words(Kind k) {
  return k == Kind::text      ? "a string"
         : k == Kind::number  ? "a number"
         : k == Kind::boolean ? "true or false"
                              : "an object";
}

std::string number_text(const json& v) { return strprintf("%.17g", v.get<double>()); }

// A key as shown in a message: at most 40 characters, printable ASCII.
std::string key_shown(const std::string& k) {
  std::string s;
  for (char c : k.substr(0, 40)) s += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
  return s;
}

}  // namespace

std::vector<std::string> api_keys() {
  std::vector<std::string> keys;
  for (const Key& k : kTopKeys) keys.emplace_back(k.name);
  for (const char* k : kLimitKeys) keys.push_back(std::string("limits.") + k);
  return keys;
}

BatchInput batch_input(const RunFields& f, const std::vector<std::string>& options) {
  BatchInput in{options, {}};
  in.options.insert(in.options.end(), {"--model", f.model});
  if (!f.min_window.empty()) in.options.insert(in.options.end(), {"--min-window", f.min_window});
  if (f.source != driver::file_name_form(f.source))
    in.options.insert(in.options.end(), {"--source-name", f.source});
  if (f.tle.find_first_not_of(" \t\r\n") == std::string::npos) return in;
  in.options.insert(in.options.end(), {"--tle", "orbit.tle"});
  in.upload = {"orbit.tle", f.tle};
  return in;
}

bool fields_from_json(const std::string& body, RunFields& f, FieldError* err) {
  auto bad = [&](const std::string& m) {
    if (err) *err = {400, m};
    return false;
  };
  const json b = json::parse(body, nullptr, false);
  if (b.is_discarded()) return bad("the body is not valid JSON");
  if (!b.is_object()) return bad("the body is not a JSON object");
  for (const auto& [k, v] : b.items()) {
    const Key* key = nullptr;
    for (const Key& c : kTopKeys)
      if (k == c.name) key = &c;
    if (!key) return bad("unknown field \"" + key_shown(k) + "\"");
    if (!of_kind(v, key->kind))
      return bad(std::string(key->name) + ": must be " + kind_words(key->kind));
  }
  auto text = [&](const char* k, const char* d) {
    return b.contains(k) ? b[k].get<std::string>() : d;
  };
  f.user = text("user", "");
  f.source = text("source", "");
  f.tag = text("tag", "api");
  f.start = text("start", "");
  f.end = text("end", "");
  for (const auto& [text_key, number_key, slot, field] :
       {std::tuple{"ra", "ra_deg", &f.ra_deg, &f.ra_field},
        std::tuple{"dec", "dec_deg", &f.dec_deg, &f.dec_field}}) {
    const bool as_text = b.contains(text_key), as_number = b.contains(number_key);
    if (as_text && as_number)
      return bad(strprintf("%s: give %s as text or %s as a number, not both", text_key, text_key,
                           number_key));
    if (!as_text && !as_number)
      return bad(
          strprintf("%s: missing (give %s as text, such as \"05:34:31.94\", or %s as a "
                    "number of degrees)",
                    text_key, text_key, number_key));
    *slot = as_text ? b[text_key].get<std::string>() : number_text(b[number_key]);
    *field = as_text ? text_key : number_key;
  }
  f.angle_file = b.contains("angle_file") && b["angle_file"].get<bool>();
  f.tle = text("tle", "");
  f.model = text("model", "classic");
  if (b.contains("min_window")) {
    const double m = b["min_window"].get<double>();
    if (!(m >= 0 && m <= 576000)) return bad("min_window: must be 0 to 576000 minutes");
    f.min_window = number_text(b["min_window"]);
  }
  if (f.model != "classic" && f.model != "precise")
    return bad("model: must be \"classic\" or \"precise\"");
  if (f.tle.size() > kMaxTleBytes) return bad("tle: longer than a few element sets");
  if (!b.contains("limits")) return true;
  std::string* slots[] = {&f.roll_sun, &f.neg_roll_sun, &f.roll_moon, &f.roll_velocity,
                          &f.earth_margin};
  for (const auto& [k, v] : b["limits"].items()) {
    std::size_t at = std::size(kLimitKeys);
    for (std::size_t i = 0; i < std::size(kLimitKeys); ++i)
      if (k == kLimitKeys[i]) at = i;
    if (at == std::size(kLimitKeys)) return bad("unknown field \"limits." + key_shown(k) + "\"");
    if (!v.is_number()) return bad("limits." + k + ": must be a number");
    *slots[at] = number_text(v);
  }
  return true;
}

namespace {
std::string get(const Form& form, const char* k, const std::string& d = "") {
  const auto it = form.find(k);
  return it == form.end() ? d : it->second;
}
}  // namespace

double period_days(const RunFields& f) {
  std::time_t t[2] = {0, 0};
  const std::string* texts[2] = {&f.start, &f.end};
  for (int k = 0; k < 2; ++k) {
    std::string fields;
    if (!time_fields(*texts[k], fields)) return 0;
    std::tm tm{};
    int ms = 0;
    std::sscanf(fields.c_str(), "%d %d %d %d %d %d %d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &ms);
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    t[k] = timegm(&tm);
  }
  return static_cast<double>(t[1] - t[0]) / 86400;
}

RunFields default_fields(std::time_t now) {
  RunFields f;
  const std::time_t day = now - now % 86400;
  for (auto [slot, t] : {std::pair{&f.start, day}, std::pair{&f.end, day + 7 * 86400}}) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    *slot = strprintf("%04d-%02d-%02dT00:00:00", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  }
  return f;
}

RunFields form_fields(const Form& form) {
  RunFields f;
  f.user = get(form, "user");
  f.source = get(form, "source");
  f.ra_deg = get(form, "ra", get(form, "ra_deg"));
  f.dec_deg = get(form, "dec", get(form, "dec_deg"));
  f.ra_field = "ra";
  f.dec_field = "dec";
  for (const Known& k : kKnown)
    if (get(form, "known") == k.name) {
      f.source = k.name;
      f.ra_deg = k.ra;
      f.dec_deg = k.dec;
    }
  f.start = get(form, "start");
  f.end = get(form, "end");
  f.roll_sun = get(form, "roll_sun");
  f.neg_roll_sun = get(form, "neg_roll_sun");
  f.roll_moon = get(form, "roll_moon");
  f.roll_velocity = get(form, "roll_velocity");
  f.earth_margin = get(form, "earth_margin");
  f.tag = get(form, "tag");
  f.angle_file = form.count("angle_file") > 0;
  f.tle = get(form, "tle").substr(0, kMaxTleBytes + 1);
  f.model = get(form, "model") == "precise" ? "precise" : "classic";
  return f;
}

RunFields query_fields(const Form& q) {
  RunFields f;
  f.user = get(q, "user", "web");
  f.source = "catalogue";
  f.tag = get(q, "tag", "c");
  f.ra_deg = "0";
  f.dec_deg = "0";
  f.start = get(q, "start");
  f.end = get(q, "end");
  f.roll_sun = get(q, "roll_sun", f.roll_sun);
  f.neg_roll_sun = get(q, "neg_roll_sun", f.neg_roll_sun);
  f.roll_moon = get(q, "roll_moon", f.roll_moon);
  f.roll_velocity = get(q, "roll_velocity", f.roll_velocity);
  f.earth_margin = get(q, "earth_margin", f.earth_margin);
  return f;
}

}  // namespace kv::serve
