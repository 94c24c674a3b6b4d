// Whitespace-separated tokens of a request or configuration stream, with a length cap so
// that no input can make a token grow without bound.
#pragma once

#include <istream>
#include <optional>
#include <string>

namespace kv::driver {

constexpr std::size_t kMaxToken = 4096;

// Next token, or nullopt at the end of the stream. A token longer than kMaxToken is cut
// there and flagged by *too_long; the rest of it is skipped.
std::optional<std::string> next_token(std::istream& in, bool* too_long = nullptr);

// The token as a message may show it: printable ASCII only, at most 40 characters.
std::string shown(const std::string& token);

// Whole-token conversions; nullopt when the token is not entirely a number.
std::optional<double> to_double(const std::string& token);
std::optional<int> to_int(const std::string& token);

}  // namespace kv::driver
