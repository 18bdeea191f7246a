// Where the programs find what ships with them (the help pages, the colour profiles): beside the
// program in the build tree, or in <prefix>/share/orvane-nr when installed to <prefix>/bin.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvane {

// The folder holding Help/ and the shipped profiles for a program in programFolder: the program
// folder itself when Help/ is there, else ../share/orvane-nr when that exists, else the program
// folder (whose Help/Help.html then names the missing file).
std::filesystem::path ProgramDataFolder(const std::filesystem::path& programFolder);

// ProgramDataFolder/Help/Help.html.
std::filesystem::path HelpFilePath(const std::filesystem::path& programFolder);

// What the user is told when the desktop's opener (xdg-open) started but ended with exitCode
// without showing the help: that nothing could show it, and where the file is.
std::string HelpViewerFailureWords(const std::string& helpPath, int exitCode);

// The shipped profiles: the program folder in the build tree, share/orvane-nr/profiles when
// installed.
std::filesystem::path ShippedProfileFolder(const std::filesystem::path& programFolder);

// The program's icon files, smallest first, of the sizes that exist: icons/orvane-nr-<n>.png
// beside the program in the build tree, the hicolor theme's <n>x<n>/apps/orvane-nr.png of the
// prefix when installed.
std::vector<std::filesystem::path> ProgramIconFiles(const std::filesystem::path& programFolder);

}  // namespace orvane
