// libFuzzer target: browser form bodies. The first line of the input is a Content-Type, the
// rest a body, read as multipart/form-data and as an urlencoded form. Whatever multipart body
// is accepted, its fields written again as a browser writes them (a boundary found in no
// value, names quoted and escaped) read back to the same fields.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "serve/fields.hpp"

namespace {

std::string quoted(const std::string& s) {
  std::string q = "\"";
  for (char c : s) q += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
  return q + "\"";
}

// The fields as a multipart body with this boundary.
std::string encoded(const kv::serve::Form& form, const std::string& boundary) {
  std::string b;
  for (const auto& [name, value] : form)
    b += "--" + boundary + "\r\nContent-Disposition: form-data; name=" + quoted(name) +
         "; filename=\"f\"\r\n\r\n" + value + "\r\n";
  return b + "--" + boundary + "--\r\n";
}

bool writable(const kv::serve::Form& form) {
  for (const auto& [name, value] : form)
    if (name.find_first_of("\r\n") != std::string::npos) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::size_t eol = in.find('\n');
  const std::string_view type = in.substr(0, eol);
  const std::string_view body = eol == std::string_view::npos ? "" : in.substr(eol + 1);
  kv::serve::Form urlencoded;
  kv::serve::parse_form(body, urlencoded);
  kv::serve::Form form;
  if (!kv::serve::parse_multipart(type, body, form) || !writable(form)) return 0;
  std::string boundary = "kv";
  for (const auto& [name, value] : form)
    while (value.find(boundary) != std::string::npos || name.find(boundary) != std::string::npos)
      boundary += "x";
  kv::serve::Form again;
  if (!kv::serve::parse_multipart("multipart/form-data; boundary=" + boundary,
                                  encoded(form, boundary), again) ||
      again != form) {
    std::fprintf(stderr, "the fields of an accepted body do not read back\n");
    std::abort();
  }
  return 0;
}
