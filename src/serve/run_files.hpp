// The file helpers of the run folders, shared by the runs and their PDF jobs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kv::serve {

// A server-side failure: its HTTP status and a message without server paths; the details
// (paths included) go to the server's log.
struct ServerFault {
  int status;
  std::string message;
};

// Logs what failed where and throws the ServerFault of errno err (507 for a full disk).
[[noreturn]] void fault(int err, const std::string& what, const std::filesystem::path& where);
// 32 random hexadecimal digits.
std::string random_id();
// Writes text under a temporary name, checked, then renames it into place.
void write_whole(const std::filesystem::path& p, const std::string& text, const std::string& what);
// Bytes of the regular files below dir (symbolic links not followed).
std::uint64_t dir_bytes(const std::filesystem::path& dir);

}  // namespace kv::serve
