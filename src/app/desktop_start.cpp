#include "app/desktop_start.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace orvane {
namespace {

// Qt's own options that take a value, which must not be read as a file or an unknown option.
constexpr std::array<std::string_view, 11> kQtOptionsWithValue = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-display", "-style",
    "-stylesheet", "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-session"};
constexpr std::array<std::string_view, 5> kQtSwitches = {"-reverse", "-widgetcount", "-nograb", "-dograb",
                                                        "-sync"};

bool IsSet(const std::function<const char*(const char*)>& environment, const char* name) {
  const char* value = environment(name);
  return value != nullptr && *value != '\0';
}

bool Contains(const auto& list, std::string_view s) { return std::find(list.begin(), list.end(), s) != list.end(); }

}  // namespace

std::string DesktopUsageText() {
  return "Usage: orvane-nr [FILE] [Qt options]\n"
         "Opens the window of Orvane NR, which removes noise from photographs, on FILE when one\n"
         "is named (JPEG, PNG, TIFF, bitmap, Targa, PCX, Photoshop, PhotoCD, metafiles, camera raw).\n"
         "\n"
         "  FILE        the picture to open at start\n"
         "  --version   print the version and exit\n"
         "  --help      print this help and exit\n"
         "\n"
         "Qt's options are understood as well, among them:\n"
         "  -platform NAME   the window system to use (xcb, wayland, offscreen)\n"
         "  -display NAME    the X display to use (by default $DISPLAY)\n"
         "  -style NAME      the widget style (Fusion, Windows)\n"
         "  -reverse         lay the window out from right to left\n"
         "\n"
         "To process one picture or a batch without a window, use orvane-nr-cli\n"
         "(orvane-nr-cli --help).\n";
}

DesktopStartChoice ChooseDesktopStart(const std::vector<std::string>& arguments,
                                      const std::function<const char*(const char*)>& environment,
                                      const std::function<bool(const std::string&)>& isFile) {
  bool platformNamed = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "--help" || a == "-h" || a == "-help") return {DesktopStart::kHelp, DesktopUsageText()};
    if (a == "--version") return {DesktopStart::kVersion, std::string()};
    if (a.size() < 2 || a[0] != '-' || isFile(a)) continue;
    if (Contains(kQtOptionsWithValue, a)) {
      platformNamed = platformNamed || a == "-platform" || a == "-display";
      ++i;  // its value
      continue;
    }
    if (Contains(kQtSwitches, a)) continue;
    return {DesktopStart::kUnknownOption,
            "orvane-nr: unknown option " + a + "\nTry 'orvane-nr --help' for more information.\n"};
  }
  if (!platformNamed && !IsSet(environment, "QT_QPA_PLATFORM") && !IsSet(environment, "DISPLAY") &&
      !IsSet(environment, "WAYLAND_DISPLAY")) {
    return {DesktopStart::kNoDisplay,
            "orvane-nr: there is no display to show the window on (neither DISPLAY nor "
            "WAYLAND_DISPLAY is set).\nTo process pictures without a window, use orvane-nr-cli "
            "(orvane-nr-cli --help).\n"};
  }
  return {};
}

}  // namespace orvane
