// Catalogue runs: every source's reports equal to its single run, shards that together
// give the whole, and catalogues refused for their bad rows.
#include "driver/catalogue.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "driver/run.hpp"
#include "support/fixture.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

const std::string kCatalogue =
    "name,ra_deg,dec_deg\n# poles, equator, crab, a source near the Sun\nnpole,10,89.5\n"
    "spole,200,-89.5\neq,180,0\ncrab,83.63,22.01\nnever,350,-3\n";

class Catalogue : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    install(kEpoch, kEpoch);
    stub_converters();
  }
  RunResult catalogue(const std::string& text, driver::RunOptions opt) {
    spit(dir_ / "cat.csv", text);
    opt.catalogue = "cat.csv";
    return run_catalogue(Request{.flag = "1"}.text(), opt);
  }
  // The summary rows of a catalogue summary file, header aside.
  std::set<std::string> summary_rows(const std::string& name) {
    std::istringstream in(read(name));
    std::set<std::string> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) rows.insert(line);
    return rows;
  }
};

// Every text file under a folder, by relative name.
std::map<std::string, std::string> files_in(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = slurp(e.path());
  return files;
}

// In either model.
TEST_F(Catalogue, ReportsOfEverySourceEqualItsSingleRun) {
  for (const Model model : {Model::classic, Model::precise}) {
    SCOPED_TRACE(model_name(model));
    driver::RunOptions opt;
    opt.reports = std::string("rep_") + model_name(model);
    opt.model = model;
    ASSERT_EQ(catalogue(kCatalogue, opt).status, 0);
    const auto from_catalogue = files_in(dir_ / opt.reports);
    EXPECT_EQ(from_catalogue.size(), 5u * 8);  // log, error, 5 reports, day-wise file
    // Each source on its own, in its own folder.
    for (const char* src :
         {"npole 10 89.5", "spole 200 -89.5", "eq 180 0", "crab 83.63 22.01", "never 350 -3"}) {
      std::istringstream words(src);
      std::string name, ra, dec;
      words >> name >> ra >> dec;
      SCOPED_TRACE(name);
      const fs::path single = dir_ / ("single_" + name + model_name(model));
      fs::create_directory(single);
      fs::copy(dir_ / "kelvocc_kv1.std", single);
      for (const auto& e : fs::directory_iterator(dir_))
        if (e.path().filename().string().starts_with("svi_")) fs::copy(e.path(), single);
      fs::current_path(single);
      driver::RunOptions single_opt;
      single_opt.model = model;
      ASSERT_EQ(run(Request{.source = name, .ra = ra, .dec = dec, .flag = "1"}, single_opt).status,
                0);
      fs::current_path(dir_);
      int compared = 0;
      for (const auto& [rel, text] : files_in(single)) {
        if (rel.starts_with("kelvocc_") || rel.starts_with("svi_") || rel.starts_with("viewann"))
          continue;  // inputs, and the bundle (joined text, PostScript, PDF)
        ASSERT_TRUE(from_catalogue.count(rel)) << rel;
        EXPECT_EQ(from_catalogue.at(rel), text) << rel;
        ++compared;
      }
      EXPECT_EQ(compared, 8);
    }
    // The summary: one row per source, the source never in view with no window.
    const std::string summary = read("catalogue_anncrabr7_kv1.csv");
    EXPECT_NE(summary.find("\nnever,350.000000,-3.000000,0.000,0.000,0,0.000,,,0.000,\n"),
              std::string::npos)
        << summary;
  }
}

TEST_F(Catalogue, ShardsTogetherGiveTheWhole) {
  driver::RunOptions opt;
  opt.json = "cat.json";
  opt.progress = "progress.json";
  ASSERT_EQ(catalogue(kCatalogue, opt).status, 0);
  const std::set<std::string> whole = summary_rows("catalogue_anncrabr7_kv1.csv");
  EXPECT_EQ(whole.size(), 5u);
  EXPECT_NE(read("cat.json").find("\"name\": \"never\""), std::string::npos);
  EXPECT_EQ(read("progress.json"), "{\"done\": 5, \"total\": 5}\n");
  opt.json.clear();
  std::set<std::string> joined;
  for (int k = 0; k < 3; ++k) {
    opt.shard_k = k;
    opt.shard_n = 3;
    ASSERT_EQ(catalogue(kCatalogue, opt).status, 0);
    for (const std::string& row :
         summary_rows("catalogue_anncrabr7_kv1_shard" + std::to_string(k) + "of3.csv"))
      EXPECT_TRUE(joined.insert(row).second) << row;
  }
  EXPECT_EQ(read("progress.json"), "{\"done\": 1, \"total\": 1}\n");  // the last shard's
  EXPECT_EQ(joined, whole);
}

TEST_F(Catalogue, BadRowsRefuseTheRunAndAreListedWithTheirLines) {
  const RunResult r = catalogue(
      "name,ra_deg,dec_deg\nok,1,2\nx,400,0\ny,1\nz,1,north\nok,3,4\na/b,1,1\n"
      "waytoolongnameforasourcexyz,1,1\nn,nan,1\nm,1,-91\n",
      {});
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.err,
            "kelvis: catalogue cat.csv: 8 bad rows, nothing was computed\n"
            "  line 3: right ascension 400.000000 is outside 0 to 360\n"
            "  line 4: 2 fields instead of 3\n"
            "  line 5: declination \"north\": not a number or a sexagesimal angle\n"
            "  line 6: name \"ok\" is listed before (line 2)\n"
            "  line 7: name \"a/b\" holds '/' or a control character\n"
            "  line 8: name \"waytoolongnameforasourcexyz\" is longer than 24 characters\n"
            "  line 9: right ascension \"nan\": not a number or a sexagesimal angle\n"
            "  line 10: declination -91.000000 is outside -90 to 90\n");
  EXPECT_FALSE(exists("catalogue_anncrabr7_kv1.csv"));
  EXPECT_EQ(catalogue("# nothing\n", {}).status, -1);
}

// Positions as astronomers write them, names with blanks, headers in any case and with the
// aliases: the same summary as the degrees; reports under the file-name form of the names.
TEST_F(Catalogue, SexagesimalRowsAndNamesWithBlanksUnderAnyHeader) {
  driver::RunOptions opt;
  ASSERT_EQ(catalogue("name,ra_deg,dec_deg\nCyg X-1,299.59,35.2\ncrab,83.633,22.014\n", opt).status,
            0);
  const std::set<std::string> degrees = summary_rows("catalogue_anncrabr7_kv1.csv");
  for (const char* text :
       {"Name,RA,Dec\nCyg X-1,19:58:21.6,+35:12:00\ncrab,05h34m31.92s,22d00m50.4s\n",
        "SOURCE, RA_HMS, DEC_DMS\n Cyg X-1 , 19.9726666666666667h , 35.2\ncrab,5.57553333333333h,"
        "22.014\n",
        "dec,target,ra\n35.2d,Cyg X-1,299.59\n22:00:50.4,crab,05:34:31.92\n"}) {
    SCOPED_TRACE(text);
    ASSERT_EQ(catalogue(text, opt).status, 0) << catalogue(text, opt).err;
    EXPECT_EQ(summary_rows("catalogue_anncrabr7_kv1.csv"), degrees);
  }
  opt.reports = "rep";
  ASSERT_EQ(catalogue("Name,RA,Dec\nCyg X-1,19:58:21.6,+35:12:00\n", opt).status, 0);
  EXPECT_TRUE(exists("rep/vrepannCyg_X-1r7_kv1.txt"));
  EXPECT_NE(read("rep/vrepannCyg_X-1r7_kv1.txt").find("Source Name : Cyg X-1 "), std::string::npos);
  EXPECT_NE(read("catalogue_anncrabr7_kv1.csv").find("Cyg X-1,"), std::string::npos);
}

// A single run with --source-name: the name with its blank in the reports and the document,
// the files under the request's token; a name whose file-name form is another is refused.
TEST_F(Catalogue, SourceNameOptionShowsANameWithBlanks) {
  driver::RunOptions opt;
  opt.source_name = "Cyg X-1";
  opt.json = "run.json";
  ASSERT_EQ(run(Request{.source = "Cyg_X-1", .ra = "299.59", .dec = "35.2"}, opt).status, 0);
  EXPECT_NE(read("vrepannCyg_X-1r7_kv1.txt").find("Source Name : Cyg X-1 "), std::string::npos);
  EXPECT_NE(read("run.json").find("\"name\": \"Cyg X-1\""), std::string::npos);
  const RunResult r = run(Request{.source = "crab"}, opt);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(
      r.said,
      "kelvis: --source-name \"Cyg X-1\": its file-name form Cyg_X-1 is not the request's source "
      "crab");
}

TEST_F(Catalogue, BadHeadersAndCollidingFileNamesAreRefused) {
  const struct {
    const char* text;
    const char* line;
  } kCases[] = {
      {"name,ra,dec,flux\nx,1,2,3\n", "line 1: 4 headers instead of 3; the header names"},
      {"name,alpha,dec\nx,1,2\n", "line 1: header \"alpha\" is not known; the header names"},
      {"name,ra,ra_deg\nx,1,2\n", "line 1: header \"ra_deg\" names a column twice"},
      {"name,ra_hms,dec\nx,83.6,2\n", "line 2: right ascension \"83.6\" under ra_hms is a bare"},
      {"name,ra,dec\nCyg X-1,1,2\nCyg_X-1,3,4\n",
       "line 3: name \"Cyg_X-1\" has the file name Cyg_X-1 of the name on line 2"},
      {"name,ra,dec\nx,05:61:00,2\n", "line 2: right ascension \"05:61:00\": the minutes must"},
      {"name,ra,dec\nx,1,5h\n", "line 2: declination \"5h\": hours are for the right"},
      {"name,ra,dec\nx,25h,2\n", "line 2: right ascension 375.000000 is outside 0 to 360"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    const RunResult r = catalogue(c.text, {});
    EXPECT_EQ(r.status, -1);
    EXPECT_NE(r.err.find(std::string("\n  ") + c.line), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace kv::test
