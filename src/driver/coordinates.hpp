// parse_ra, parse_dec -- right ascension and declination as astronomers write them, to
// degrees. Used by the catalogue, the web form and the API (not by the request on standard
// input, whose position tokens are degrees).
//
//   parse_ra    degrees, hours with a unit, or sexagesimal hours
//   parse_dec   degrees or sexagesimal degrees
//
// Accepted forms (blanks around the text are ignored):
//   right ascension  83.633 (a bare number: degrees)   5.5755h (hours)
//                    05:34:31.94   05h34m31.94s        (hours, minutes, seconds)
//   declination      22.014 (degrees)   22.014d
//                    +22:00:52.2   22d00m52.2s   -05:23:28   (degrees, arcmin, arcsec)
// In a sexagesimal form the hours or degrees and the minutes are unsigned integers, the
// minutes and seconds below 60; one sign may lead the declination (it applies to the whole,
// so -00:30:00 is -0.5 degrees); the seconds may be left out (05:34, 05h34m).
// The range (0 to 360, -90 to 90 degrees) is not checked here: check_source holds it.
#pragma once

#include <string>
#include <string_view>

namespace kv::driver {

// How an angle was written.
enum class AngleForm {
  bad,          // not an angle of the accepted forms
  degrees,      // a bare number, or a number with the unit d
  hours,        // a number with the unit h (right ascension only)
  sexagesimal,  // h:m:s, d:m:s, 05h34m31.94s or 22d00m52.2s
};

struct Angle {
  AngleForm form = AngleForm::bad;
  double deg = 0;     // degrees (0 when form is bad)
  std::string fault;  // for AngleForm::bad: what is wrong, in plain words
};

// Given:    text  a right ascension in one of the forms above
// Returned: the angle in degrees (not reduced; 24:00:00 gives 360) and its form
Angle parse_ra(std::string_view text);

// Given:    text  a declination in one of the forms above
// Returned: the angle in degrees and its form
Angle parse_dec(std::string_view text);

}  // namespace kv::driver
