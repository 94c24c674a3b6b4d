// RunError -- the one way a failed check ends a run.
//
// It carries the texts for each destination; the driver's top level writes them in the
// order standard output, error (status) file, log file, then ends the run with status -1.
#pragma once

#include <stdexcept>
#include <string>

namespace kv {

struct RunError : std::runtime_error {
  std::string out;     // written to standard output ("" for none)
  std::string status;  // written after the status line "0" to the error file ("" for none);
                       // to standard error while no error file exists
  std::string log;     // written to the log file ("" for none)
  // When not empty and no error file is open yet: create the error file under this name
  // before writing the status.
  std::string errfile_to_create;
  // What failed, in plain words, for the "kelvis: " line on standard error ("" to take the
  // first line of the messages above).
  std::string summary;
  // The system's error number when a file could not be opened, read or written (0 when the
  // failure is one of the input's content).
  int file_errno = 0;

  RunError(std::string out_text, std::string status_text, std::string log_text)
      : std::runtime_error(status_text.empty() ? log_text : status_text),
        out(std::move(out_text)),
        status(std::move(status_text)),
        log(std::move(log_text)) {}
};

// Throws err with its plain-words summary.
[[noreturn]] inline void fail(RunError err, std::string summary) {
  err.summary = std::move(summary);
  throw err;
}

// Throws err with its plain-words summary, a failure of a file with the system's error e.
[[noreturn]] inline void fail_file(RunError err, std::string summary, int e) {
  err.file_errno = e;
  fail(std::move(err), std::move(summary));
}

// The line a failure prints on standard error, without "kelvis: ": the summary, or the
// first line of the messages with the blanks and exclamation marks around it removed.
std::string failure_line(const RunError& err);

// printf-style formatting into a std::string.
std::string strprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kv
