// libFuzzer target: arbitrary bytes as a right ascension and as a declination. Either the
// text is refused with a fault in words and 0 degrees, or it gives a finite angle of its
// form (a sexagesimal angle is never negative unless a declination's sign says so).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "driver/coordinates.hpp"

namespace {

void check(const kv::driver::Angle& a, std::string_view text, bool ra) {
  using kv::driver::AngleForm;
  const bool bad = a.form == AngleForm::bad;
  bool sound = bad ? !a.fault.empty() && a.deg == 0 : a.fault.empty() && std::isfinite(a.deg);
  if (!bad && a.form == AngleForm::sexagesimal && a.deg < 0)
    sound = sound && !ra && text.find('-') != std::string_view::npos;
  if (!bad && a.form == AngleForm::hours) sound = sound && ra;
  if (!sound) {
    std::fprintf(stderr, "unsound angle of \"%.*s\": form %d, %.17g, \"%s\"\n",
                 static_cast<int>(text.size()), text.data(), static_cast<int>(a.form), a.deg,
                 a.fault.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  check(kv::driver::parse_ra(text), text, true);
  check(kv::driver::parse_dec(text), text, false);
  return 0;
}
