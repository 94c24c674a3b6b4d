// Report headers and the occultation rows.
#include <algorithm>

#include "common/parallel.hpp"
#include "common/timescales.hpp"
#include "events/events.hpp"
#include "report/report.hpp"

namespace kv::report {

void write_orbit_information(OutFile& f, const std::string& orbit_file, const Epoch& e,
                             const Elements& m, const std::vector<std::string>& tle_lines,
                             const std::string& tle_sha256) {
  f.printf(" %s", orbit_file.c_str());
  f.printf("\n iltread %d %d %d %d %d %d %d", e[0], e[1], e[2], e[3], e[4], e[5], e[6]);
  f.printf("\n%14.6f %11.6f %11.6f %18.6f %18.6f %18.6f", m[0], m[1], m[2], m[3], m[4], m[5]);
  if (tle_lines.empty()) return;
  f.printf("\n orbit from a two-line element set (SGP4), sha256 %s", tle_sha256.c_str());
  for (const std::string& line : tle_lines) f.printf("\n %s", line.c_str());
}

void write_success_marker(OutFile& f, int inderr) {
  f.printf("%d\n!!!!!!!!!Succesful completion!!!!!!!!!", inderr);
}
namespace {

constexpr const char* kColumns = "\n\norbno\t\t   Entrance(UT)\t\t\t  Exit(UT)\t\t\tdur(min)";

// Source, start epoch and period length: the lines every report header shares.
void write_source_lines(OutFile& f, const Heading& h) {
  const Epoch& s = h.istusr;
  f.printf("\n\n\tCelestial Source Name : %s \t\tRA(deg):%11.5f   Dec(deg):%11.5f", h.celnm.c_str(),
           h.rasource * cdr, h.decsource * cdr);
  f.printf("\n\tEpoch(UT): %d %d %d %d %d %d %d ", s[0], s[1], s[2], s[3], s[4], s[5], s[6]);
  f.printf("\n\tPropagation duration in days: %f ", h.tdurs / daysec);
}

void write_occultation_row(OutFile& f, const Timeline& tl, double entry, double exit) {
  const Epoch a = addtim(tl.iltread, entry);
  const Epoch b = addtim(tl.iltread, exit);
  f.printf(
      "\n%06d  %04d  %02d  %02d  %02d  %02d  %02d  %03d   %04d  %02d  %02d  %02d  %02d  %02d  "
      "%03d %16.4f",
      events::getorbnum(*tl.orbits, tl.iorb, entry), a[0], a[1], a[2], a[3], a[4], a[5], a[6], b[0],
      b[1], b[2], b[3], b[4], b[5], b[6], (exit - entry) / 60);
}

}  // namespace

void write_occultation_report(OutFile& f, const Heading& h, const Timeline& tl,
                              const EventTable& occults) {
  f.printf("\t\t\t\t\t\t    KELVORIN\n");
  f.printf("\t\t\t\t\t\toccult duration\n");
  write_source_lines(f, h);
  f.printf("\n\n\t\tEntry and Exit timings of the Occult duration of source");
  f.printf("%s", kColumns);
  for (int k = 0; k < occults.count(); ++k)
    write_occultation_row(f, tl, occults.t1[static_cast<std::size_t>(k)],
                          occults.t2[static_cast<std::size_t>(k)]);
}

void write_view_header(OutFile& f, const Heading& h) {
  f.printf("\t\t\t\t\t\t\tKELVORIN\n");
  f.printf("\t\t\t\t\t\tView Opportunity Duration\n");
  f.printf("\t\t\tSystem(RUN) time in U.T: ");
  for (int field : h.curt) f.printf("%4d ", field);
  write_source_lines(f, h);
  f.printf("\n\n\t\t\t\t\t Entry and Exit timings of the source viewing");
  f.printf("%s", kColumns);
}

void write_eclipse_header(OutFile& f, const Heading& h, bool any_eclipse) {
  f.printf("\t\t\t\t\t\t\tKELVORIN\n");
  f.printf("\t\t\t\t\tView opportunity duration in Eclipse(PIMX)\n");
  write_source_lines(f, h);
  f.printf("\n\n\t\t\t\tEntry and Exit timings of the source viewing duration in eclipse(PIMX)");
  f.printf("%s", kColumns);
  if (!any_eclipse) f.printf("\n\n\t\t\t\t\t\t\t\tNo eclipse");
}

void write_angle_file(OutFile& f, const Heading& h, const std::vector<double>& t, double tstreadif,
                      const std::vector<view::AttAngles>& angles, int threads) {
  f.printf("\t\t\t\t\t\t\t KELVORIN\n");
  f.printf("\t\t\t\t\t\t\tView Angles\n");
  write_source_lines(f, h);
  f.printf(
      "\n\n\telapsed time(min) yawsunang(deg)    rolsunang(deg)     -verollsunang(deg)    "
      "rolmunang(deg)      rolvelang(deg)");
  // Rows are formatted in parallel a batch at a time and written in order.
  constexpr std::size_t kRowsPerBlock = 4096;
  const std::size_t blocks = (angles.size() + kRowsPerBlock - 1) / kRowsPerBlock;
  const auto batch = static_cast<std::size_t>(std::max(threads, 1)) * 4;
  std::vector<std::string> text(batch);
  for (std::size_t first = 0; first < blocks; first += batch) {
    const std::size_t count = std::min(batch, blocks - first);
    parallel_for(
        count, threads,
        [&](std::size_t b) {
          std::string& out = text[b];
          out.clear();
          const std::size_t begin = (first + b) * kRowsPerBlock;
          for (std::size_t k = begin; k < std::min(angles.size(), begin + kRowsPerBlock); ++k) {
            const view::AttAngles& a = angles[k];
            out += '\n';
            append_fixed18(out, (t[k] - tstreadif) / 60);
            for (double v : {a.yawsunang, a.rolsunang, a.verollsunang, a.rolmunang, a.rolvelang}) {
              out += ' ';
              append_fixed18(out, v * cdr);
            }
          }
        },
        1);
    for (std::size_t b = 0; b < count; ++b) f.write(text[b]);
  }
}

}  // namespace kv::report
