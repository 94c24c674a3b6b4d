// Browser form bodies: application/x-www-form-urlencoded.
#include <string>
#include <string_view>

#include "serve/fields.hpp"

namespace kv::serve {

bool url_decode(std::string_view in, std::string& out) {
  out.clear();
  for (std::size_t k = 0; k < in.size(); ++k) {
    char c = in[k];
    if (c == '+') {
      c = ' ';
    } else if (c == '%') {
      if (k + 2 >= in.size()) return false;
      const auto hex = [](char h) {
        return std::isdigit(static_cast<unsigned char>(h)) ? h - '0'
               : (h >= 'a' && h <= 'f')                    ? h - 'a' + 10
               : (h >= 'A' && h <= 'F')                    ? h - 'A' + 10
                                                           : -1;
      };
      const int hi = hex(in[k + 1]), lo = hex(in[k + 2]);
      if (hi < 0 || lo < 0) return false;
      c = static_cast<char>(hi * 16 + lo);
      k += 2;
    }
    if (c == '\0') return false;
    out += c;
  }
  return true;
}

bool parse_form(std::string_view text, Form& out) {
  while (!text.empty()) {
    const std::size_t amp = text.find('&');
    const std::string_view pair = text.substr(0, amp);
    text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
    if (pair.empty()) continue;
    const std::size_t eq = pair.find('=');
    std::string k, v;
    if (!url_decode(pair.substr(0, eq), k)) return false;
    if (eq != std::string_view::npos && !url_decode(pair.substr(eq + 1), v)) return false;
    out.emplace(std::move(k), std::move(v));
  }
  return true;
}

}  // namespace kv::serve
