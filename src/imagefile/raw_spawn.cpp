// The raw attempt Load makes on every file, isolated in a helper program: LibRaw has parser
// bugs that crash on damaged files, and the program must survive them. The helper is started
// with posix_spawn, which is safe in a process with threads (the window's, the worker pool's),
// where fork() without exec is not: a child can inherit a lock that another thread held.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include "base/file_io.h"
#include "imagefile/codec/codec.h"
#include "imagefile/raw_adapter.h"
#include "imagefile/raw_decoder.h"

extern char** environ;

namespace orvane {
namespace {

bool IsExecutable(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// Where the helper lives: ORVANE_RAW_HELPER when set, beside the running program, or in
// ../libexec/orvane-nr of an installed program. Nothing else: a path compiled in would name a
// folder of the build machine that anyone there might fill with a program of their own.
std::string FindHelper() {
  if (const char* env = std::getenv("ORVANE_RAW_HELPER"); env != nullptr && IsExecutable(env))
    return env;
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    std::string folder(self, static_cast<size_t>(n));
    folder = folder.substr(0, folder.rfind('/'));
    for (const std::string& candidate :
         {folder + "/" + kRawHelperName, folder + "/../libexec/orvane-nr/" + kRawHelperName})
      if (IsExecutable(candidate)) return candidate;
  }
  return {};
}

const std::string& HelperPath() {
  static const std::string path = FindHelper();  // thread-safe, looked up once
  return path;
}

using Clock = std::chrono::steady_clock;

// Runs the helper with args, standard input from inputFd (or /dev/null when -1), and reads its
// answer. A helper that is missing, crashes, answers less or takes longer than timeoutMs counts
// as no raw picture; one that is still running then is killed.
PixelBlock AskHelper(const std::string& helper, const char* const* args, int inputFd, int& width,
                     int& height, int timeoutMs) {
  width = height = 0;
  if (helper.empty()) return nullptr;
  int answer[2];
  if (::pipe2(answer, O_CLOEXEC) != 0) return nullptr;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (inputFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, inputFd, 0);
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, answer[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // Signals the caller blocks or handles (Ctrl-C in the command line) start at their defaults.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigfillset(&defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t child = -1;
  const int spawned = ::posix_spawn(&child, helper.c_str(), &actions, &attributes,
                                    const_cast<char* const*>(args), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(answer[1]);
  if (spawned != 0) {
    ::close(answer[0]);
    return nullptr;
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int32_t head[2] = {0, 0};
  PixelBlock block;
  bool answered = ReadAll(answer[0], head, sizeof head, deadline);
  if (answered && head[0] > 0 && head[1] > 0 && int64_t{head[0]} * head[1] <= kMaxPixels) {
    block = AllocatePixels(uint64_t(head[0]) * uint64_t(head[1]) * 3);
    answered = block && ReadAll(answer[0], block.get(),
                                size_t(head[0]) * size_t(head[1]) * 3, deadline);
    if (!answered) block.reset();
  }
  ::close(answer[0]);
  // Out of time, or the answer broke off: the helper is stopped rather than waited for.
  if (!answered) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!block || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return nullptr;
  width = head[0];
  height = head[1];
  return block;
}

}  // namespace

PixelBlock DecodeRawFileWith(const std::string& helper, const std::string& path, int& width,
                             int& height, int timeoutMs) {
  width = height = 0;
  // A FIFO or device would block the decoder's reading for ever; only regular files are tried.
  if (path.empty() || !IsRegularFile(path)) return nullptr;
  const std::string parent = std::to_string(::getpid());
  const char* const args[] = {kRawHelperName, "--parent", parent.c_str(), "--file", path.c_str(), nullptr};
  return AskHelper(helper, args, -1, width, height, timeoutMs);
}

PixelBlock DecodeRawFile(const std::string& path, int& width, int& height) {
  return DecodeRawFileWith(HelperPath(), path, width, height);
}

PixelBlock DecodeRawBuffer(std::span<const uint8_t> file, int& width, int& height) {
  width = height = 0;
  if (file.empty()) return nullptr;
  // The bytes go to the helper as a file in memory: no pipe to fill while it is not reading.
  const int memory = ::memfd_create("orvane-raw", MFD_CLOEXEC);
  if (memory < 0) return nullptr;
  PixelBlock block;
  if (WriteAll(memory, file.data(), file.size()) && ::lseek(memory, 0, SEEK_SET) == 0) {
    const std::string parent = std::to_string(::getpid());
    const char* const args[] = {kRawHelperName, "--parent", parent.c_str(), "--stdin", nullptr};
    block = AskHelper(HelperPath(), args, memory, width, height, kRawHelperTimeoutMs);
  }
  ::close(memory);
  return block;
}

}  // namespace orvane
