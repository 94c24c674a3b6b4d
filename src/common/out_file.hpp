// OutFile -- an output text file whose every write and close is checked.
//
// A failed write or close throws RunError naming the file, so a run never reports success
// over a truncated report.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace kv {

class OutFile {
 public:
  OutFile() = default;
  // Creates (truncates) the file for writing, or opens it for appending; false when it
  // cannot be opened.
  bool open(const std::string& name, bool append = false);
  // Creates (truncates) the file; throws RunError "unable to open the file <name> " (for the
  // log file and, after the status line, the error file) when it cannot be created.
  void create(const std::string& name);
  // Creates the file under a temporary name beside `name` ("<name>.part") and gives it its
  // name at close(), so that no reader ever sees it half written; the temporary file is
  // removed when a write or the close fails. Failures are reported as for create().
  void create_replacing(const std::string& name);
  bool is_open() const { return fp_ != nullptr; }
  const std::string& name() const { return name_; }
  // Formatted write; throws RunError when the write fails.
  void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // Unformatted write of a text; throws RunError when the write fails.
  void write(const std::string& text);
  // Flushes and closes; throws RunError when that fails. Closing a closed file does nothing.
  void close();
  // Best-effort write used while reporting a failure: never throws.
  void write_quietly(const std::string& text) noexcept;

 private:
  [[noreturn]] void fail(const char* what);
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> fp_;
  std::string name_;
  std::string temp_;  // the temporary name while writing ("" for a direct write)
};

}  // namespace kv
