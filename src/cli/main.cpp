// orvane-nr-cli: the noise reduction of Orvane NR from the command line.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "engine/noise_reduce.h"

namespace {

// Set by Ctrl-C; the running file is cancelled like Escape cancels a run in the window.
volatile std::sig_atomic_t gInterrupted = 0;

// The first Ctrl-C cancels the file being processed and stops the batch; a second one ends the
// program at once.
extern "C" void OnInterrupt(int) {
  gInterrupted = 1;
  std::signal(SIGINT, SIG_DFL);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orvane::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  const ParseResult parsed = ParseCommandLine(args);
  if (!parsed.ok) {
    std::fprintf(stderr, "orvane-nr-cli: %s\nTry 'orvane-nr-cli --help'.\n", parsed.error.c_str());
    return 2;
  }
  const CliOptions& o = parsed.options;
  switch (o.command) {
    case Command::Help:
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    case Command::Version:
      std::printf("orvane-nr-cli 1.0.0 (engine %s)\n", orvane::kNoiseReduceVersion);
      return 0;
    case Command::Info:
      return RunInfo(o);
    case Command::Convert:
      return RunConvert(o);
    case Command::Denoise:
      break;
  }
  std::signal(SIGINT, OnInterrupt);
  return RunDenoise(o, &gInterrupted);
}
