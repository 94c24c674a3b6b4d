#include "driver/tokens.hpp"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace kv::driver {

std::optional<std::string> next_token(std::istream& in, bool* too_long) {
  if (too_long) *too_long = false;
  std::string tok;
  std::istream::int_type c;
  while ((c = in.get()) != std::istream::traits_type::eof() && std::isspace(c)) {
  }
  if (c == std::istream::traits_type::eof()) return std::nullopt;
  do {
    if (tok.size() < kMaxToken) {
      tok.push_back(static_cast<char>(c));
    } else if (too_long) {
      *too_long = true;
    }
  } while ((c = in.get()) != std::istream::traits_type::eof() && !std::isspace(c));
  return tok;
}

std::string shown(const std::string& token) {
  std::string s;
  for (char ch : token) {
    const auto u = static_cast<unsigned char>(ch);
    s.push_back(u >= 0x20 && u < 0x7f ? ch : '?');
    if (s.size() == 40) {
      s += "...";
      break;
    }
  }
  return s;
}

std::optional<double> to_double(const std::string& token) {
  if (token.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(token.c_str(), &end);
  if (end != token.c_str() + token.size()) return std::nullopt;
  return v;
}

std::optional<int> to_int(const std::string& token) {
  if (token.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(token.c_str(), &end, 10);
  if (end != token.c_str() + token.size() || errno == ERANGE || v < INT_MIN || v > INT_MAX)
    return std::nullopt;
  return static_cast<int>(v);
}

}  // namespace kv::driver
