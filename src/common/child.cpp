#include "common/child.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace kv {
namespace {

// Spawn attributes and file actions, released on every path.
struct SpawnSetup {
  posix_spawn_file_actions_t fa;
  posix_spawnattr_t attr;
  SpawnSetup() {
    posix_spawn_file_actions_init(&fa);
    posix_spawnattr_init(&attr);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

void record(int st, ChildResult& r) {
  if (WIFEXITED(st)) r.exit_status = WEXITSTATUS(st);
  if (WIFSIGNALED(st)) r.signal = WTERMSIG(st);
}

}  // namespace

ChildResult run_child(const ChildSpec& spec) {
  ChildResult r;
  if (spec.argv.empty()) return r;
  SpawnSetup s;
  if (!spec.dir.empty()) posix_spawn_file_actions_addchdir_np(&s.fa, spec.dir.c_str());
  if (!spec.stdin_file.empty())
    posix_spawn_file_actions_addopen(&s.fa, 0, spec.stdin_file.c_str(), O_RDONLY, 0);
  if (!spec.stdout_file.empty()) {
    posix_spawn_file_actions_addopen(&s.fa, 1, spec.stdout_file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&s.fa, 1, 2);
  }
  posix_spawnattr_setflags(&s.attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&s.attr, 0);
  std::vector<char*> args;
  for (const std::string& a : spec.argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], &s.fa, &s.attr, args.data(), environ) != 0) return r;
  r.started = true;
  const auto start = std::chrono::steady_clock::now();
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    int st = 0;
    const pid_t w = waitpid(pid, &st, spec.time_limit_s > 0 ? WNOHANG : 0);
    if (w == pid) {
      record(st, r);
      return r;
    }
    if (w < 0 && errno != EINTR) return r;
    if (spec.time_limit_s > 0 &&
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >
            spec.time_limit_s) {
      kill(-pid, SIGKILL);
      while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
      }
      r.timed_out = true;
      return r;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

}  // namespace kv
