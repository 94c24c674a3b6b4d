#include "serve/run_files.hpp"

#include <openssl/rand.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/run_error.hpp"

namespace kv::serve {

namespace fs = std::filesystem;

void fault(int err, const std::string& what, const fs::path& where) {
  std::fprintf(stderr, "kelvis serve: %s (%s): %s\n", what.c_str(), where.c_str(),
               std::strerror(err));
  const bool full = err == ENOSPC || err == EDQUOT;
  throw ServerFault{full ? 507 : 500, "the server " + what + (full ? ": its disk is full" : "")};
}

std::string random_id() {
  unsigned char b[16];
  if (RAND_bytes(b, sizeof b) != 1) throw ServerFault{500, "the server has no random bytes"};
  std::string id;
  for (unsigned char c : b) id += strprintf("%02x", c);
  return id;
}

// Writes text under a temporary name, checked, then renames it into place.
void write_whole(const fs::path& p, const std::string& text, const std::string& what) {
  const fs::path temp = p.string() + ".part";
  std::FILE* f = std::fopen(temp.c_str(), "w");
  if (!f) fault(errno, what, p);
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
  const int e = errno;
  if (std::fclose(f) != 0 || !ok) {
    std::remove(temp.c_str());
    fault(ok ? errno : e, what, p);
  }
  if (std::rename(temp.c_str(), p.c_str()) != 0) fault(errno, what, p);
}

std::uint64_t dir_bytes(const fs::path& dir) {
  std::uint64_t n = 0;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_symlink(ec)) {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file(ec)) n += it->file_size(ec);
  }
  return n;
}

}  // namespace kv::serve
