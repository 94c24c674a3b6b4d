#include "common/out_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "common/run_error.hpp"

namespace kv {

std::string strprintf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  const int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(s.data(), s.size() + 1, fmt, ap2);
  va_end(ap2);
  return s;
}

bool OutFile::open(const std::string& name, bool append) {
  name_ = name;
  temp_.clear();
  fp_.reset(std::fopen(name.c_str(), append ? "a" : "w"));
  return fp_ != nullptr;
}

void OutFile::create(const std::string& name) {
  if (!open(name)) {
    const int e = errno;
    const std::string m = strprintf("unable to open the file %s ", name.c_str());
    kv::fail_file(RunError("", m, m),
                  strprintf("cannot create %s: %s", name.c_str(), std::strerror(e)), e);
  }
}

void OutFile::create_replacing(const std::string& name) {
  const std::string temp = name + ".part";
  fp_.reset(std::fopen(temp.c_str(), "w"));
  name_ = name;
  temp_ = temp;
  if (!fp_) {
    const int e = errno;
    temp_.clear();
    const std::string m = strprintf("unable to open the file %s ", name.c_str());
    kv::fail_file(RunError("", m, m),
                  strprintf("cannot create %s: %s", name.c_str(), std::strerror(e)), e);
  }
}

std::string failure_line(const RunError& err) {
  if (!err.summary.empty()) return err.summary;
  for (const std::string* text : {&err.status, &err.log, &err.out}) {
    std::size_t b = 0;
    while (b < text->size()) {
      const std::size_t e = std::min(text->find('\n', b), text->size());
      const std::string line = text->substr(b, e - b);
      const std::size_t first = line.find_first_not_of(" \t!");
      if (first != std::string::npos)
        return line.substr(first, line.find_last_not_of(" \t!") - first + 1);
      b = e + 1;
    }
  }
  return "the run failed";
}

void OutFile::fail(const char* what) {
  const int e = errno;
  const std::string msg =
      strprintf("\n %s of the file %s failed: %s\n", what, name_.c_str(), std::strerror(e));
  fp_.reset();
  if (!temp_.empty()) std::remove(temp_.c_str());
  RunError err("", msg, msg);
  err.file_errno = e;
  throw err;
}

void OutFile::printf(const char* fmt, ...) {
  if (!fp_) fail("write");
  va_list ap;
  va_start(ap, fmt);
  const int n = std::vfprintf(fp_.get(), fmt, ap);
  va_end(ap);
  if (n < 0 || std::ferror(fp_.get())) fail("write");
}

void OutFile::write(const std::string& text) {
  if (!fp_) fail("write");
  if (std::fwrite(text.data(), 1, text.size(), fp_.get()) != text.size()) fail("write");
}

void OutFile::close() {
  if (!fp_) return;
  std::FILE* f = fp_.release();
  const bool ok = std::fflush(f) == 0 && !std::ferror(f);
  const int rc = std::fclose(f);
  const bool renamed =
      temp_.empty() || (ok && rc == 0 && std::rename(temp_.c_str(), name_.c_str()) == 0);
  const int e = errno;  // of the failed flush, close or rename, before the removal below
  if (!temp_.empty() && !renamed) std::remove(temp_.c_str());
  temp_.clear();
  if (!ok || rc != 0 || !renamed) {
    const std::string msg =
        strprintf("\n close of the file %s failed: %s\n", name_.c_str(), std::strerror(e));
    RunError err("", msg, msg);
    err.file_errno = e != 0 ? e : EIO;
    throw err;
  }
}

void OutFile::write_quietly(const std::string& text) noexcept {
  if (!fp_) return;
  std::fwrite(text.data(), 1, text.size(), fp_.get());
  std::fflush(fp_.get());
}

}  // namespace kv
