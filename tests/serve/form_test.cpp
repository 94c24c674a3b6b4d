// Browser form bodies: multipart/form-data as RFC 7578 and RFC 2046 (section 5.1.1) define
// it, cases written from their grammar: accepted bodies and their fields, then refusals.
#include <gtest/gtest.h>

#include "serve/fields.hpp"

namespace kv::serve {
namespace {

const std::string kType = "multipart/form-data; boundary=b1";
const std::string kPart = "--b1\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nx y\r\n";

TEST(Multipart, AcceptedBodiesAndTheirFields) {
  const std::string nul("n\0l", 3);
  struct Case {
    std::string type, body;
    Form want;
  } const kCases[] = {
      {kType, kPart + "--b1--\r\n", {{"a", "x y"}}},
      {kType, "--b1--", {}},  // no field at all
      // A quoted boundary with a blank, another letter case, an epilogue and a preamble.
      {"Multipart/Form-Data; charset=utf-8; BOUNDARY=\"b 1\"",
       "preamble\r\n--b 1\r\ncontent-disposition: Form-Data; NAME=\"a\"\r\n\r\n\r\n--b 1--junk",
       {{"a", ""}}},
      // A file: its filename (quoted, with a ';') ignored, CR LF and NUL kept.
      {kType,
       "--b1\r\nContent-Disposition: form-data; name=\"csv_file\"; filename=\"a;b.csv\"\r\n"
       "Content-Type: text/csv\r\n\r\nname,ra\r\n" +
           nul + "\r\n--b1--",
       {{"csv_file", "name,ra\r\n" + nul}}},
      // Padding after a delimiter; the first of a repeated name.
      {kType,
       "--b1  \r\nContent-Disposition: form-data; name=a\r\n\r\n1\r\n" + kPart + "--b1--",
       {{"a", "1"}}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.body);
    Form got;
    ASSERT_TRUE(parse_multipart(c.type, c.body, got));
    EXPECT_EQ(got, c.want);
  }
}

TEST(Multipart, MalformedBodiesAreRefused) {
  const std::pair<std::string, std::string> kCases[] = {
      {"multipart/mixed; boundary=b1", kPart + "--b1--"},
      {"multipart/form-data", kPart + "--b1--"},
      {"multipart/form-data; boundary=", kPart + "--b1--"},
      {"multipart/form-data; boundary=" + std::string(71, 'b'), kPart + "--b1--"},
      {"multipart/form-data; boundary=\"b1", kPart + "--b1--"},
      {kType, kPart},                                                  // no closing delimiter
      {kType, "no delimiter at all"},                                  // nothing
      {kType, "--b1\r\n\r\nx\r\n--b1--"},                              // a part without headers
      {kType, "--b1\r\nContent-Type: text/plain\r\n\r\nx\r\n--b1--"},  // without a name
      {kType, "--b1\r\nContent-Disposition: attachment; name=\"a\"\r\n\r\nx\r\n--b1--"},
      {kType, "--b1\r\nContent-Disposition: form-data; name=\"\"\r\n\r\nx\r\n--b1--"},
      {kType, "--b1 x\r\nContent-Disposition: form-data; name=a\r\n\r\nx\r\n--b1--"},
      {kType, "--b1\r\nContent-Disposition: form-data; name=a\r\n\r\n" + std::string("\0", 1) +
                  "\r\n--b1--"},  // a NUL outside a file
  };
  for (const auto& [type, body] : kCases) {
    SCOPED_TRACE(type + " | " + body);
    Form got;
    EXPECT_FALSE(parse_multipart(type, body, got));
  }
}

}  // namespace
}  // namespace kv::serve
