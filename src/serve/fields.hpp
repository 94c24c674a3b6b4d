// The input fields of a run: from the browser form, the JSON API and the query of a
// catalogue or sky-map request; checked and formed into the batch program's request text.
//
//   RunFields       the fields of a run as text
//   FieldError      why the fields cannot form a request: the HTTP status and the message
//   request_text    the 26 request tokens of the fields
//   fields_from_json  the API's JSON body, strictly (known keys, their types)
//   parse_form      an application/x-www-form-urlencoded text (a body or a query)
//   parse_multipart a multipart/form-data body (the catalogue form's file upload)
//   form_fields, query_fields  the fields of the browser form, of a catalogue/sky query
#pragma once

#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv::serve {

using Form = std::map<std::string, std::string>;

// The fields of a run as the form and the API give them.
struct RunFields {
  std::string user, tag;
  std::string source;               // as shown: may hold blanks ("Cyg X-1")
  std::string ra_deg, dec_deg;      // right ascension and declination as written, in any form of
                                    // driver::parse_ra and parse_dec
  const char* ra_field = "ra_deg";  // the field names of the position, for messages
  const char* dec_field = "dec_deg";
  std::string start, end;  // UTC, YYYY-MM-DDTHH:MM:SS[.mmm]
  std::string roll_sun = "45", neg_roll_sun = "45", roll_moon = "10", roll_velocity = "10",
              earth_margin = "5";
  bool angle_file = false;
  std::string tle;  // a two-line element set (two or three lines) for the orbit ("" for none)
  std::string model = "classic";  // the model set: "classic" or "precise"
  std::string min_window;         // minutes: list the windows at least so long ("" for none)
};

// The batch options and the upload of a run's fields: --model; --source-name for a source
// name with blanks (the request holds its file-name form); --tle with the set stored in the
// run's folder as "orbit.tle" when the fields carry one.
struct BatchInput {
  std::vector<std::string> options;
  std::pair<std::string, std::string> upload;  // file name and content ("" for none)
};
BatchInput batch_input(const RunFields& f, const std::vector<std::string>& options);

// Why fields cannot be run: 400 for a malformed field, 422 for a source the batch program's
// rules refuse. The message names the field and never repeats a long value.
struct FieldError {
  int status = 0;  // 0: no error
  std::string message;
};

// A fault of one field: the field's name (as the form and the API name it) and the error.
struct FieldFault {
  std::string field;
  FieldError error;
};

// Every fault of the fields, each checked on its own, the malformed (400) before the
// refused (422); empty when the fields form a request.
std::vector<FieldFault> field_faults(const RunFields& f);

// The request text of the fields, or "" with *err set to the first of field_faults.
std::string request_text(const RunFields& f, const std::string& sid, FieldError* err);

// Fills f from the API's JSON body; false with *err (400, naming the field) for a body that
// is not a JSON object, an unknown key or a value of the wrong type. The position is "ra" and
// "dec" as text in any form of the coordinate parser, or "ra_deg" and "dec_deg" as numbers.
bool fields_from_json(const std::string& body, RunFields& f, FieldError* err);

// Every key the API's body may hold, the limits as "limits.<key>".
std::vector<std::string> api_keys();

// Decodes %XX and '+'; false for a bad escape or a NUL.
bool url_decode(std::string_view in, std::string& out);

// The pairs of an urlencoded text (the first of a repeated key); false for a bad escape.
bool parse_form(std::string_view text, Form& out);

// The fields of a multipart/form-data body (RFC 7578) whose Content-Type is content_type: each
// part's name and content, a file's content under its field's name (the first of a repeated
// name); false for a missing or malformed boundary, a part without a name, a NUL in a field
// that is not a file, or a body that does not end with the closing delimiter.
bool parse_multipart(std::string_view content_type, std::string_view body, Form& out);

// Days from the start to the end of the fields (0 when either time is malformed).
double period_days(const RunFields& f);
// Runs over this many days are long runs: answered at once, their page refreshing itself.
inline constexpr double kLongRunDays = 30;

// The fields of a new form at wall-clock time now: the period from today 00:00 UTC to seven
// days later, the typical limits.
RunFields default_fields(std::time_t now);

// The fields of the browser form (a well-known source replaces the source fields).
RunFields form_fields(const Form& form);

// The fields of a catalogue or sky-map request: period, limits, user, tag.
RunFields query_fields(const Form& query);

// The well-known sources of the form.
struct Known {
  const char* name;
  const char* ra;
  const char* dec;
};
extern const Known kKnown[7];

}  // namespace kv::serve
