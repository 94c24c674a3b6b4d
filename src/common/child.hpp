// run_child -- runs an external program without a shell and waits for it.
//
// The program runs from an argument vector (argv[0] looked up on PATH when it holds no '/'),
// in a process group of its own so that stopping it takes its children with it, and with a
// time limit after which the whole group is killed.
#pragma once

#include <string>
#include <vector>

namespace kv {

struct ChildSpec {
  std::vector<std::string> argv;  // the program and its arguments
  std::string dir;                // working folder ("" for the current one)
  std::string stdin_file;         // read as standard input ("" to inherit)
  std::string stdout_file;        // created for standard output and error ("" to inherit)
  double time_limit_s = 0;        // seconds before the group is killed; 0: no limit
};

struct ChildResult {
  bool started = false;    // false: the program could not be started
  bool timed_out = false;  // killed at its time limit
  int exit_status = -1;    // the status it exited with (-1 when it did not exit by itself)
  int signal = 0;          // the signal that ended it (0 when it exited by itself)
  // True when the program ended by itself, with any exit status.
  bool exited() const { return started && !timed_out && signal == 0 && exit_status >= 0; }
};

// Given:    spec   the program, its folder, its standard streams and its time limit
// Returned: how it ended
ChildResult run_child(const ChildSpec& spec);

}  // namespace kv
