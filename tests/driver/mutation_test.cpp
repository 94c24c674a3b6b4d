// Seeded mutations of valid inputs fed to the three input parsers (request, configuration
// file, orbit file): each is accepted with sound values or rejected in the documented way.
#include <gtest/gtest.h>

#include <random>

#include "support/fixture.hpp"
#include "support/input_checks.hpp"

namespace kv::test {
namespace {

const char* const kOddTokens[] = {"1e308",
                                  "-1e308",
                                  "1e-308",
                                  "nan",
                                  "-nan",
                                  "inf",
                                  "-inf",
                                  "-0",
                                  "-0.0",
                                  "0x1p3",
                                  "\xc3\xa9",
                                  "\xff\xfe",
                                  "99999999999999999999",
                                  "+5",
                                  "",
                                  "1.5e",
                                  "--1"};

std::string join(const std::vector<std::string>& v, const char* sep) {
  std::string s;
  for (const std::string& t : v) s += t + sep;
  return s;
}

// One random mutation of the text.
std::string mutate(const std::string& text, std::mt19937_64& rng) {
  auto pick = [&](std::size_t n) {
    return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
  };
  std::string s = text;
  switch (pick(10)) {
    case 0:  // flip a bit
      if (!s.empty()) s[pick(s.size())] ^= static_cast<char>(1 << pick(8));
      return s;
    case 1:  // truncate
      return s.substr(0, pick(s.size() + 1));
    case 2:  // CRLF line ends
      for (std::size_t p = s.find('\n'); p != std::string::npos; p = s.find('\n', p + 2))
        s.replace(p, 1, "\r\n");
      return s;
    case 3:  // no final newline
      while (!s.empty() && s.back() == '\n') s.pop_back();
      return s;
    case 4: {  // duplicate or delete a line
      std::vector<std::string> lines;
      std::size_t a = 0;
      for (std::size_t b; (b = s.find('\n', a)) != std::string::npos; a = b + 1)
        lines.push_back(s.substr(a, b - a));
      if (a < s.size()) lines.push_back(s.substr(a));
      if (lines.empty()) return s;
      const std::size_t k = pick(lines.size());
      if (pick(2))
        lines.insert(lines.begin() + static_cast<long>(k), lines[k]);
      else
        lines.erase(lines.begin() + static_cast<long>(k));
      return join(lines, "\n");
    }
    default: {  // one token changed in place, so that fixed columns elsewhere keep their places
      std::vector<std::pair<std::size_t, std::size_t>> spans;  // start, length
      for (std::size_t p = s.find_first_not_of(" \n\t"); p != std::string::npos;) {
        const std::size_t e = std::min(s.find_first_of(" \n\t", p), s.size());
        spans.emplace_back(p, e - p);
        p = s.find_first_not_of(" \n\t", e);
      }
      if (spans.empty()) return s;
      const auto [at, len] = spans[pick(spans.size())];
      const std::string tok = s.substr(at, len);
      std::string repl;
      switch (pick(5)) {
        case 0:
          repl = tok + " " + tok;
          break;  // duplicated
        case 1:
          break;  // deleted
        case 2:
          repl = std::string(pick(6000) + 1, 'x');
          break;  // overlong
        case 3:
          repl = kOddTokens[pick(std::size(kOddTokens))];
          break;
        default:
          repl = tok + kOddTokens[pick(std::size(kOddTokens))];
          break;
      }
      return s.replace(at, len, repl);
    }
  }
}

template <typename Check>
void mutate_and_check(const std::string& valid, Check check, int count, unsigned seed) {
  std::mt19937_64 rng(seed);
  int accepted = 0;
  for (int n = 0; n < count; ++n) {
    std::string s = valid;
    const int rounds = 1 + static_cast<int>(rng() % 3);
    for (int r = 0; r < rounds; ++r) s = mutate(s, rng);
    const Outcome o = check(s);
    accepted += o.accepted;
    ASSERT_EQ(o.problem, "") << "case " << n << " input:\n" << s;
  }
  EXPECT_GT(accepted, 0);
  EXPECT_LT(accepted, count);
}

class Mutation : public ScratchDir {};

TEST_F(Mutation, Requests) {
  ASSERT_EQ(check_request(Request{}.text()).problem, "");
  mutate_and_check(Request{}.text(), check_request, 4000, 1);
}

TEST_F(Mutation, CatalogueFiles) {
  mutate_and_check("name,ra_deg,dec_deg\n# sources\ncrab,83.63,22.01\npole,0,90\neq,359.5,-0.5\n",
                   check_catalogue, 3000, 4);
}

TEST_F(Mutation, ConfigurationFiles) { mutate_and_check(config_text(), check_config, 3000, 2); }

TEST_F(Mutation, OrbitFiles) {
  mutate_and_check(orbit_file_text({2024, 3, 5, 6, 7, 8, 9}, 1234, kDemoElements), check_orbit_file,
                   3000, 3);
}

}  // namespace
}  // namespace kv::test
