// RunContext -- the shared state of one run, filled by the driver and read by the scans.
//
// Member names follow the documented run-context names. Times called "orbit time" are
// seconds since the orbit-file epoch iltread.
#pragma once

#include <string>
#include <vector>

#include "common/out_file.hpp"
#include "common/tables.hpp"
#include "common/types.hpp"
#include "orbit/orbit.hpp"
#include "view/attitude.hpp"

namespace kv {

struct RunContext {
  // Request.
  std::vector<std::string> request_tokens;  // as read
  std::string usrnm, celnm, sid, rndnum;
  double rasource = 0, decsource = 0;  // degrees
  Epoch istusr{}, ietusr{};
  double rosvlim = 0, nrosvlim = 0, romlim = 0, rovellim = 0, thetainp = 0;
  int flagcrang = 0;

  // Configuration: templates as read, replaced by the formed file names in the driver.
  std::string errfnmfl, satnamtle, evnoccfnmdsp, attfnm, attfnmang, eclpfnm, orbfnm1, orbinfnm;
  struct Templates {
    std::string errfnmfl, evnoccfnmdsp, attfnm, attfnmang, eclpfnm, orbinfnm;
  } templates;                             // the output templates as read, kept for messages
  std::vector<std::string> config_tokens;  // the configuration file's ten tokens
  double ywsvlim = 0;

  // Derived by the driver.
  Epoch curt{};
  double tstusr2000 = 0, tdurs = 0;
  int nuserday = 0;
  double step = scan_step;
  Epoch iltread{};
  int iorb = 0;
  Elements q{}, qm{};
  double tstusr1900 = 0, timeread2000 = 0, epocsidang = 0;
  double tstreadif = 0, tdursread = 0, tendinp = 0;
  orbit::MeanOrbit orbit;  // eleinr and the secular rates swdotr, cwdotr, amdotr
  int inderr = 0;

  int threads = 0;  // threads of the computation; 0: all cores

  // Folder (ending in '/') that every output name is formed in; "" for the working folder.
  std::string outdir;

  // File names and streams.
  std::string logfnm, orbfnm;
  OutFile loginp, errfl, attinf, attinfang, eclpinf, orbinf, outoccdsp, viewplot;

  // Source direction, event tables and totals of the scans.
  Vec3 fc1{};
  OrbitTable orbits;                    // equator crossings (torb1, torb2, orbarr, kj)
  EventTable eclipses;                  // teclpr1, teclpr2, indeclp
  EventTable saa;                       // saaentarr, saaextarr, isaan
  EventTable occults;                   // tocc1, tocc2, indocc
  EventTable views;                     // tviewr1, tviewr2, indview
  double totviewdur = 0;                // minutes
  std::vector<view::AttAngles> angles;  // at every grid time of the view scan (flagcrang 1)
  std::vector<double> angle_times;      // those grid times

  // Run suffix: user name, source name, run tag, "_", satellite id.
  std::string suffix() const { return usrnm + celnm + rndnum + "_" + sid; }
};

}  // namespace kv
