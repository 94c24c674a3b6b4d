// Daily orbit files: lookup of the newest file of the last eleven days and its reader.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "common/types.hpp"

namespace kv::driver {

// Name of the orbit file of a date: the template's last 12 characters replaced by
// "%03d_%04d.%s" with the day of the year, the year and the satellite id.
std::string orbit_file_name(const std::string& orbfnm1, const std::string& sid, Epoch date);

// Names tried by the lookup for a run at `curt`: the day of the run and the ten days before.
std::vector<std::string> orbit_file_candidates(const std::string& orbfnm1, const std::string& sid,
                                               const Epoch& curt);

struct OrbitRecord {
  Epoch iltread{};  // orbit epoch, UTC
  int iorb = 0;     // orbit number at the epoch
  Elements q{};     // osculating elements: a (km), e, i, w, node, M (degrees)
};

// Reads an open orbit file (closing it) for satellite `sid`. Throws RunError when the id is
// not "kv1", the record tag is absent, a field is missing or does not convert, or the
// elements are not those of a closed orbit.
OrbitRecord redsvi(std::FILE* fp, const std::string& name, const std::string& sid);

// Finds the newest orbit file for a run at `curt` in `folder` ("" for the working folder)
// and reads it; `orbfnm` receives the name of the file used (as within the folder). Throws
// RunError when none of the eleven files exists.
OrbitRecord find_and_read_orbit_file(const std::string& orbfnm1, const std::string& sid,
                                     const Epoch& curt, std::string& orbfnm,
                                     const std::string& folder = "");

// SHA-256 of a file's bytes as 64 lower-case hexadecimal digits; "" when it cannot be read.
std::string sha256_hex(const std::string& path);

}  // namespace kv::driver
