// Peak memory of the command-line tool on whole pictures: each sample is denoised with the
// default settings and saved in its own type, in a child process whose peak resident size the
// kernel reports when it ends. Prints the peak, the bytes per pixel, and the peak as a share of
// the budget of 12 bytes per pixel plus 50 MB.
//
// bench_memory [--quick]    --quick: the 24-megapixel pictures only
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

int Shell(const std::string& command) {
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Runs the program with its arguments; the peak resident size of the child in bytes, or -1.
long long PeakOfChild(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return -1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return static_cast<long long>(usage.ru_maxrss) * 1024;  // kilobytes on Linux
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  char folder[] = "/tmp/orvane_memory_XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  const std::string dir = folder;
  struct Size { int w, h; };
  std::vector<Size> sizes = {{6000, 4000}};
  if (!quick) sizes.push_back({12000, 8000});
  std::printf("%-28s %10s %8s %10s %8s\n", "picture", "peak MB", "B/pixel", "budget MB", "share");
  int failures = 0;
  for (const Size& s : sizes) {
    for (const char* ext : {"jpg", "png"}) {
      const std::string in = dir + "/photo." + ext, out = dir + "/photo_NR." + ext;
      if (Shell(std::string(ORVANE_MAKE_SAMPLE) + " " + in + " " + std::to_string(s.w) + " " +
                std::to_string(s.h)) != 0) {
        std::fprintf(stderr, "cannot make the sample picture\n");
        return 1;
      }
      const long long peak = PeakOfChild({ORVANE_CLI, "--quiet", "--overwrite", "-o", out, in});
      const double pixels = static_cast<double>(s.w) * s.h;
      const double budget = 12 * pixels + 50e6;
      char name[64];
      std::snprintf(name, sizeof name, "%d x %d %s (%.0f MP)", s.w, s.h, ext, pixels / 1e6);
      if (peak < 0) {
        std::printf("%-28s the run failed\n", name);
        ++failures;
      } else {
        std::printf("%-28s %10.1f %8.2f %10.1f %7.2fx\n", name, peak / 1e6, peak / pixels,
                    budget / 1e6, peak / budget);
      }
      std::filesystem::remove(in);
      std::filesystem::remove(out);
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return failures == 0 ? 0 : 1;
}
