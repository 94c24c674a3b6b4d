// RunContext -- the state of one run, filled by the driver and read by the scans, made of
// value structs that say what they hold. What does not depend on the source (RunShared) is
// set up once and copied whole into the context of every source of a catalogue or sky map.
//
// Member names follow the documented run-context names. Times called "orbit time" are
// seconds since the orbit-file epoch iltread. Glossary of the short names:
//   usrnm, celnm, sid, rndnum   user name, source name, satellite id, run tag
//   istusr, ietusr              user start and end (UTC calendar)
//   flagcrang                   angle-file flag: 1 writes the per-minute attitude angles
//   rosvlim, nrosvlim           roll-Sun and negative-roll-Sun limits, degrees
//   romlim, rovellim            roll-Moon and roll-velocity limits, degrees
//   ywsvlim                     yaw-Sun limit (configuration), degrees
//   thetainp                    Earth-limb margin of the occultations, degrees
//   satnamtle                   satellite name of the configuration
//   orbfnm1, orbfnm             orbit-file template; the orbit file used
//   errfnmfl, attfnm, attfnmang, eclpfnm, evnoccfnmdsp, orbinfnm
//                               error file, view report, view-angle file, eclipse view
//                               report, occultation report, orbit information file
//   curt                        wall-clock time of the run (UTC calendar)
//   tstusr2000, tdurs           user start (days since 2000) and period length (s)
//   nuserday                    whole days of the period
//   iltread, iorb               orbit-file epoch (UTC) and its orbit number
//   q, qm                       osculating and mean elements (km, degrees)
//   tstusr1900                  orbit epoch, days since 1900 Jan 1, 0h UTC
//   timeread2000                orbit epoch, days since 2000
//   epocsidang                  Greenwich sidereal angle at the orbit epoch, rad
//   tstreadif, tendinp          user start and end in orbit time, s
//   tdursread                   user end in orbit time, s (the orbit file's age limit)
//   fc1                         unit vector of the source, true equator and equinox of date
//                               (the catalogue direction; the precise model's apparent
//                               direction of date is formed by the scans' source track)
//   model                       the model set of the run (classic or precise)
//   inderr                      1 after a successful run, 0 after a failure
#pragma once

#include <string>
#include <vector>

#include "common/out_file.hpp"
#include "common/tables.hpp"
#include "common/types.hpp"
#include "driver/source_check.hpp"
#include "orbit/orbit.hpp"
#include "orbit/tle.hpp"
#include "view/attitude.hpp"

namespace kv {

// The request as read, the source aside.
struct RequestPart {
  std::vector<std::string> request_tokens;  // as read
  std::string usrnm, sid, rndnum;
  Epoch istusr{}, ietusr{};
  int flagcrang = 0;
};

// The limits of the request and the yaw-Sun limit of the configuration, degrees.
struct LimitsPart {
  double rosvlim = 0, nrosvlim = 0, romlim = 0, rovellim = 0, thetainp = 0;
  double ywsvlim = 0;
};

// The configuration file: its tokens, the satellite name, the orbit-file template and the
// output templates as read (kept for messages).
struct ConfigurationPart {
  std::string satnamtle, orbfnm1;
  struct Templates {
    std::string errfnmfl, evnoccfnmdsp, attfnm, attfnmang, eclpfnm, orbinfnm;
  } templates;
  std::vector<std::string> config_tokens;  // the configuration file's ten tokens
  // Folder that the configuration, the orbit files and a relative TLE file are read from
  // ("" for the working folder); messages and documents name the files as within it.
  std::string datadir;
};

// The period derived from the request and the wall clock.
struct PeriodPart {
  Epoch curt{};
  double tstusr2000 = 0, tdurs = 0;
  int nuserday = 0;
  double step = scan_step;
  Model model = Model::classic;
};

// The orbit file used (or the TLE file and its chosen set), its elements and the period in
// orbit time.
struct OrbitPart {
  std::string tle_file;       // --tle: the orbit from this two-line element file ("" for none)
  orbit::Tle tle;             // the chosen set, when tle_file is set
  double tle_offset_min = 0;  // SGP4 time (minutes since the set's epoch) at orbit time 0
  std::string orbfnm;
  Epoch iltread{};
  int iorb = 0;
  Elements q{}, qm{};
  double tstusr1900 = 0, timeread2000 = 0, epocsidang = 0;
  double tstreadif = 0, tdursread = 0, tendinp = 0;
  orbit::MeanOrbit orbit;  // eleinr and the secular rates swdotr, cwdotr, amdotr
};

// The tables that do not depend on the source.
struct SharedResults {
  OrbitTable orbits;    // equator crossings (torb1, torb2, orbarr, kj)
  EventTable eclipses;  // teclpr1, teclpr2, indeclp
  EventTable saa;       // saaentarr, saaextarr, isaan
  EventTable penumbra;  // penumbra passages (umbra included), precise model only
};

// Everything of a run that does not depend on the source.
struct RunShared : RequestPart,
                   LimitsPart,
                   ConfigurationPart,
                   PeriodPart,
                   OrbitPart,
                   SharedResults {};

// The source: name, position (degrees) and direction.
struct SourcePart {
  std::string celnm;  // as written, for display (a catalogue name may hold blanks)
  double rasource = 0, decsource = 0;
  Vec3 fc1{};
};

// Output names (the templates as read until formed) and the folder they are formed in.
struct OutputPart {
  std::string errfnmfl, evnoccfnmdsp, attfnm, attfnmang, eclpfnm, orbinfnm, logfnm;
  // Folder (ending in '/') that every output name is formed in; "" for the working folder.
  std::string outdir;
  OutFile loginp, errfl, attinf, attinfang, eclpinf, orbinf, outoccdsp, viewplot;
};

// The tables and totals of the source's scans.
struct SourceResults {
  EventTable occults;                   // tocc1, tocc2, indocc
  EventTable views;                     // tviewr1, tviewr2, indview
  double totviewdur = 0;                // minutes
  std::vector<unsigned char> met;       // limits met at every grid time of the view scan
  std::vector<view::AttAngles> angles;  // at every grid time of the view scan (flagcrang 1)
  std::vector<double> angle_times;      // those grid times
};

struct RunContext : RunShared, SourcePart, OutputPart, SourceResults {
  int inderr = 0;
  int threads = 0;  // threads of the computation; 0: all cores

  // Run suffix: user name, source name (its file-name form: blanks as '_'), run tag, "_",
  // satellite id.
  std::string suffix() const { return usrnm + driver::file_name_form(celnm) + rndnum + "_" + sid; }
};

}  // namespace kv
