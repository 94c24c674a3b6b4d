// The report bundle: the joined text, its PostScript and PDF, the exit status of a failed or
// missing converter, and names that a command shell would interpret.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "report/report.hpp"
#include "support/fixture.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

const Request kRequest{.end = "2024 3 10 12 0 0 0"};

// The text with every run of white space made one blank.
std::string squeeze(const std::string& s) {
  std::string out;
  for (char c : s) {
    const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
    if (!space)
      out.push_back(c);
    else if (!out.empty() && out.back() != ' ')
      out.push_back(' ');
  }
  return out;
}

class Bundle : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    install(kEpoch, kEpoch);
  }
};

TEST_F(Bundle, JoinedTextIsTheThreeReportsInOrderAndThePdfHoldsTheRows) {
  // A day and a half: long enough for a view window of more than 900 minutes.
  const RunResult r = run(Request{.end = "2024 3 11 12 0 0 0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      read("viewanncrabr7_kv1.txt"),
      read("vrepanncrabr7_kv1.txt") + read("eclanncrabr7_kv1.txt") + read("occanncrabr7_kv1.txt"));
  EXPECT_TRUE(exists("viewanncrabr7_kv1.ps"));
  ASSERT_TRUE(exists("viewanncrabr7_kv1.pdf"));
  if (report::run_program({"pdftotext", "-v"}) < 0) GTEST_SKIP() << "pdftotext not installed";
  ASSERT_EQ(report::run_program({"pdftotext", "-layout", "viewanncrabr7_kv1.pdf", "pdf.txt"}), 0);
  const std::string text = read("pdf.txt");
  EXPECT_NE(text.find("View Opportunity Duration"), std::string::npos);
  EXPECT_NE(text.find("occult duration"), std::string::npos);
  // Every visibility row of the view report, compared token by token (the layout of the
  // rendered text spaces the columns differently).
  const std::string view = read("vrepanncrabr7_kv1.txt");
  const std::string flat = squeeze(text);
  int rows = 0;
  for (std::size_t p = view.find("\n 00"); p != std::string::npos; p = view.find("\n 00", p + 1)) {
    const std::string row = squeeze(view.substr(p, view.find('\n', p + 1) - p));
    EXPECT_NE(flat.find(row), std::string::npos) << row;
    ++rows;
  }
  EXPECT_GT(rows, 10);
  EXPECT_EQ(read("erranncrabr7_kv1.out"), "1\n!!!!!!!!!Succesful completion!!!!!!!!!");
}

// Converters that fail, report success without a PDF, or are missing: the reports stand,
// the PDF is named in the log, and only a failed conversion keeps the success status.
TEST_F(Bundle, ConverterFailuresAreNamedInTheLog) {
  const std::string pdf = "the PDF viewanncrabr7_kv1.pdf";
  const struct {
    const char *enscript, *ps2pdfwr;
    int status;
    std::string log;
  } cases[] = {
      {"exit 0", "exit 1", 1,
       "the program ps2pdfwr failed with status 1: " + pdf + " was not made"},
      {"exit 0", "exit 0", -1, "ps2pdfwr reported success but " + pdf + " is missing or empty"},
      {nullptr, nullptr, -1, "unable to run the program enscript: " + pdf + " was not made"},
      {"exit 0", nullptr, -1, "unable to run the program ps2pdfwr: " + pdf + " was not made"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log);
    stub_converters(c.enscript, c.ps2pdfwr);
    spit(dir_ / "viewanncrabr7_kv1.pdf", "a PDF of an earlier run");
    EXPECT_EQ(run(kRequest).status, c.status);
    EXPECT_EQ(read("erranncrabr7_kv1.out"), "1\n!!!!!!!!!Succesful completion!!!!!!!!!");
    EXPECT_EQ(read("log_anncrabr7_kv1.out"), "\n" + c.log + "\n");
  }
}

// The converter reads '%' in its output name as a page-number format.
TEST_F(Bundle, PercentSignsInNamesGiveExactlyTheNamedPdf) {
  for (const std::string user : {"ann", "%%%"}) {
    for (const std::string tag : {"p%d", "q%s", "%%", "%"}) {
      SCOPED_TRACE(user + " " + tag);
      const RunResult r = run(Request{.user = user, .end = "2024 3 10 2 0 0 0", .tag = tag});
      ASSERT_EQ(r.status, 0) << r.err;
      const std::string pdf = "view" + user + "crab" + tag + "_kv1.pdf";
      ASSERT_TRUE(exists(pdf));
      EXPECT_EQ(read(pdf).rfind("%PDF", 0), 0u);
      EXPECT_FALSE(exists("view" + user + "crabp1_kv1.pdf"));
    }
  }
}

TEST_F(Bundle, NamesWithShellCharactersReachTheProgramsAsSingleArguments) {
  const std::string tag = "r;$(touch${IFS}pwned)`id`'\"&|<>*?()";
  const RunResult r = run(Request{.end = "2024 3 10 12 0 0 0", .tag = tag});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string base = "viewanncrab" + tag + "_kv1";
  EXPECT_TRUE(exists(base + ".txt"));
  EXPECT_TRUE(exists(base + ".ps"));
  EXPECT_TRUE(exists(base + ".pdf"));
  EXPECT_FALSE(exists("pwned"));
}

}  // namespace
}  // namespace kv::test
