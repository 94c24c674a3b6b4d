// check_source -- the rules a source of a request, a catalogue row or a web form must keep:
// its name, right ascension and declination. One table holds the rules; each caller words the
// fault in its own messages.
//
//   check_source    the first rule that the fields break
//   source_rule     a rule in words
//   plain_text      the plain set of names that become URLs and file names (web forms)
//   file_name_form  the form of a source name used in file names
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kv::driver {

enum class SourceFault {
  none,
  name_empty,      // the name is empty
  name_too_long,   // longer than kMaxSourceName characters
  name_bad_char,   // holds '/' or a control character
  name_blank_end,  // starts or ends with a blank
  ra_range,        // right ascension outside 0 to 360 degrees
  dec_range,       // declination outside -90 to 90 degrees
};

inline constexpr std::size_t kMaxSourceName = 24;

// One rule of the table: the fault it finds and the rule in words.
struct SourceRule {
  SourceFault fault;
  const char* rule;
};

// What to check; fields left empty are not checked.
struct SourceFields {
  std::optional<std::string_view> name = std::nullopt;
  std::optional<double> ra_deg = std::nullopt;
  std::optional<double> dec_deg = std::nullopt;
};

// Given:    s   the fields to check
// Returned: the first rule of the table that a field breaks, in the table's order
//           (SourceFault::none when all hold)
SourceFault check_source(const SourceFields& s);

// Whether every character of s is of the plain set (letters, digits and _ + - .) and s holds
// no "..": the rule of plain names (a web form's source, user and tag).
bool plain_text(std::string_view s);

// The rule in words ("" for SourceFault::none).
const char* source_rule(SourceFault f);

// Given:    name  a source name that keeps the rules (it may hold blanks: "Cyg X-1")
// Returned: the name as file names and run suffixes hold it: every blank replaced by '_'
//           ("Cyg_X-1"); a name without blanks is returned as it is
std::string file_name_form(std::string_view name);

}  // namespace kv::driver
