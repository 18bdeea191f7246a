// What the desktop program does with its command line before it opens a window: print its
// usage or version, refuse to start without a display (naming the command-line tool that needs
// none), or go on to the window.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvane {

enum class DesktopStart { kWindow, kHelp, kVersion, kNoDisplay, kUnknownOption };

struct DesktopStartChoice {
  DesktopStart what = DesktopStart::kWindow;
  std::string text;  // for every choice but kWindow: what to print
};

// arguments: the whole command line, the program's name first. environment: getenv's answer
// for a name (null when unset). isFile: whether a name is an existing file or folder (an
// argument that starts with "-" may still be one).
DesktopStartChoice ChooseDesktopStart(const std::vector<std::string>& arguments,
                                      const std::function<const char*(const char*)>& environment,
                                      const std::function<bool(const std::string&)>& isFile);

// "--help"'s text.
std::string DesktopUsageText();

}  // namespace orvane
