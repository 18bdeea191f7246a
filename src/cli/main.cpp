// orvane-nr-cli: the noise reduction of Orvane NR from the command line.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "engine/noise_reduce.h"
#include "imagefile/codec/codec.h"

namespace {

// Set by Ctrl-C, SIGTERM or SIGHUP; the running file is cancelled like Escape cancels a run in
// the window.
volatile std::sig_atomic_t gInterrupted = 0;

// Ends the program as the signal would have, without leaving a half-written temporary file.
[[noreturn]] void DieOf(int signal) {
  orvane::RemovePendingTempFile();
  std::signal(signal, SIG_DFL);
  // The handler runs with its signal blocked: unblock it so that it ends the program now.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  std::raise(signal);
  _exit(128 + signal);
}

// The first signal cancels the file being processed and stops the batch; a second one ends
// the program at once.
extern "C" void OnInterrupt(int signal) {
  if (gInterrupted) DieOf(signal);
  gInterrupted = signal;  // the run ends with 128 + signal, as the shell reports it
}

// info and convert have nothing to cancel: they end at once.
extern "C" void OnEndSignal(int signal) { DieOf(signal); }

void Catch(void (*handler)(int)) {
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, handler);
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
      Catch(OnEndSignal);
      return RunInfo(o);
    case Command::Convert:
      Catch(OnEndSignal);
      return RunConvert(o);
    case Command::Profiles:
      return RunProfiles(o);
    case Command::Denoise:
      break;
  }
  Catch(OnInterrupt);
  return RunDenoise(o, &gInterrupted);
}
