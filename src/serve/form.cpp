// Browser form bodies: application/x-www-form-urlencoded and multipart/form-data.
#include <optional>
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

namespace {

std::string_view trim(std::string_view s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool same_text(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (std::tolower(static_cast<unsigned char>(a[k])) !=
        std::tolower(static_cast<unsigned char>(b[k])))
      return false;
  return true;
}

// The parameter `key` of a header value such as `form-data; name="csv"; filename="a;b.csv"`
// (letter case of the key ignored, a quoted value unquoted); nullopt when absent or malformed.
std::optional<std::string> parameter(std::string_view v, std::string_view key) {
  std::size_t k = v.find(';');
  while (k != std::string_view::npos) {
    const std::size_t eq = v.find('=', k + 1);
    if (eq == std::string_view::npos) return std::nullopt;
    const std::string_view name = trim(v.substr(k + 1, eq - k - 1));
    std::string value;
    std::size_t j = eq + 1;
    while (j < v.size() && (v[j] == ' ' || v[j] == '\t')) ++j;
    if (j < v.size() && v[j] == '"') {
      for (++j; j < v.size() && v[j] != '"'; ++j) {
        if (v[j] == '\\' && j + 1 < v.size()) ++j;
        value += v[j];
      }
      if (j++ >= v.size()) return std::nullopt;  // no closing quote
    } else {
      const std::size_t end = std::min(v.find(';', j), v.size());
      value = trim(v.substr(j, end - j));
      j = end;
    }
    if (same_text(name, key)) return value;
    k = v.find(';', j);
  }
  return std::nullopt;
}

// The field name of a part's headers and whether the part is a file; nullopt without a
// form-data Content-Disposition naming the field.
std::optional<std::pair<std::string, bool>> part_name(std::string_view headers) {
  while (!headers.empty()) {
    const std::size_t eol = headers.find("\r\n");
    const std::string_view line = headers.substr(0, eol);
    headers = eol == std::string_view::npos ? std::string_view() : headers.substr(eol + 2);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos ||
        !same_text(trim(line.substr(0, colon)), "Content-Disposition"))
      continue;
    const std::string_view value = trim(line.substr(colon + 1));
    if (!same_text(trim(value.substr(0, value.find(';'))), "form-data")) return std::nullopt;
    const auto name = parameter(value, "name");
    if (!name || name->empty()) return std::nullopt;
    return std::make_pair(*name, parameter(value, "filename").has_value());
  }
  return std::nullopt;
}

}  // namespace

bool parse_multipart(std::string_view content_type, std::string_view body, Form& out) {
  constexpr std::size_t kMaxBoundary = 70;  // RFC 2046
  if (!same_text(trim(content_type.substr(0, content_type.find(';'))), "multipart/form-data"))
    return false;
  const auto boundary = parameter(content_type, "boundary");
  if (!boundary || boundary->empty() || boundary->size() > kMaxBoundary) return false;
  const std::string delimiter = "--" + *boundary, next = "\r\n" + delimiter;
  // The first delimiter opens the body or ends a preamble, which is ignored.
  std::size_t at = 0;
  if (body.starts_with(delimiter)) {
    at = delimiter.size();
  } else if (const std::size_t d = body.find(next); d != std::string_view::npos) {
    at = d + next.size();
  } else {
    return false;
  }
  for (;;) {
    if (body.substr(at).starts_with("--")) return true;  // the closing delimiter
    while (at < body.size() && (body[at] == ' ' || body[at] == '\t')) ++at;
    if (!body.substr(at).starts_with("\r\n") || body.substr(at + 2).starts_with("\r\n"))
      return false;  // no line end after the delimiter, or a part without headers
    at += 2;
    const std::size_t head_end = body.find("\r\n\r\n", at);
    if (head_end == std::string_view::npos) return false;
    const auto name = part_name(body.substr(at, head_end - at));
    const std::size_t end = body.find(next, head_end + 4);
    if (!name || end == std::string_view::npos) return false;
    const std::string_view content = body.substr(head_end + 4, end - head_end - 4);
    if (!name->second && content.find('\0') != std::string_view::npos) return false;
    out.emplace(name->first, std::string(content));
    at = end + next.size();
  }
}

}  // namespace kv::serve
