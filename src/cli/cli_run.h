// What orvane-nr-cli does with its parsed command line.
#pragma once

#include <csignal>
#include <string>

#include "cli/cli_options.h"

namespace orvane::cli {

// The output file for an input: -o as given; otherwise the save dialog's proposal (NAME_NR.ext)
// in -d or the input's folder, with --type's extension, else the proposal's when we can write
// that type, else ".jpg".
std::string OutputPathFor(const std::string& input, const CliOptions& options);

// Whether a file extension (with or without the dot) names a type we can write.
bool CanWriteExtension(const std::string& extension);

// The commands; each returns the exit status (0 all done, 1 some file failed).
int RunDenoise(const CliOptions& options, const volatile std::sig_atomic_t* interrupted);
int RunInfo(const CliOptions& options);
int RunConvert(const CliOptions& options);
// Lists the colour profiles of the installed profiles folder and the user's folder.
int RunProfiles(const CliOptions& options);

}  // namespace orvane::cli
