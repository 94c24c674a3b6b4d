// Command-line options of kelvis.
#pragma once

namespace kv::driver {

struct RunOptions {
  int threads = 0;  // threads of the computation; 0: all cores
};

// Parses the command line into opt. Returns -1 when the run should go ahead, otherwise the
// exit status (0 after --help or --version, 2 after a usage error, reported on stderr).
int parse_options(int argc, char** argv, RunOptions& opt);

}  // namespace kv::driver
