// The desktop program's command line before any window: help, version, a missing display and
// unknown options, with Qt's own options left alone.
#include "app/desktop_start.h"

#include <gtest/gtest.h>

#include <map>

namespace orvane {
namespace {

struct Case {
  std::vector<std::string> arguments;
  std::map<std::string, std::string> environment;
  DesktopStart expected;
};

TEST(DesktopStart, ChoosesFromTheCommandLineAndTheEnvironment) {
  const std::map<std::string, std::string> x11 = {{"DISPLAY", ":0"}};
  const std::vector<Case> cases = {
      {{"orvane-nr"}, x11, DesktopStart::kWindow},
      {{"orvane-nr", "photo.jpg"}, x11, DesktopStart::kWindow},
      {{"orvane-nr", "--help"}, {}, DesktopStart::kHelp},  // no display needed
      {{"orvane-nr", "photo.jpg", "-h"}, x11, DesktopStart::kHelp},
      {{"orvane-nr", "--version"}, {}, DesktopStart::kVersion},
      {{"orvane-nr", "photo.jpg"}, {}, DesktopStart::kNoDisplay},
      {{"orvane-nr", "photo.jpg"}, {{"DISPLAY", ""}}, DesktopStart::kNoDisplay},
      {{"orvane-nr"}, {{"WAYLAND_DISPLAY", "wayland-0"}}, DesktopStart::kWindow},
      {{"orvane-nr"}, {{"QT_QPA_PLATFORM", "offscreen"}}, DesktopStart::kWindow},
      {{"orvane-nr", "-platform", "offscreen", "photo.jpg"}, {}, DesktopStart::kWindow},
      {{"orvane-nr", "-style", "Fusion", "-reverse"}, x11, DesktopStart::kWindow},
      {{"orvane-nr", "--frobnicate"}, x11, DesktopStart::kUnknownOption},
      {{"orvane-nr", "-x"}, x11, DesktopStart::kUnknownOption},
      {{"orvane-nr", "-dash.jpg"}, x11, DesktopStart::kWindow},  // a file of that name
      {{"orvane-nr", "-"}, x11, DesktopStart::kWindow},
  };
  for (const Case& c : cases) {
    const auto environment = [&](const char* name) -> const char* {
      const auto it = c.environment.find(name);
      return it == c.environment.end() ? nullptr : it->second.c_str();
    };
    const auto isFile = [](const std::string& name) { return name == "-dash.jpg"; };
    const DesktopStartChoice choice = ChooseDesktopStart(c.arguments, environment, isFile);
    std::string line;
    for (const std::string& a : c.arguments) line += a + " ";
    EXPECT_EQ(choice.what, c.expected) << line;
    EXPECT_EQ(choice.text.empty(), c.expected == DesktopStart::kWindow || c.expected == DesktopStart::kVersion)
        << line;
  }
}

TEST(DesktopStart, TheTextsNameWhatAUserNeeds) {
  const std::string usage = DesktopUsageText();
  for (const char* part : {"Usage: orvane-nr [FILE]", "--version", "--help", "-platform", "orvane-nr-cli"})
    EXPECT_NE(usage.find(part), std::string::npos) << part;
  const DesktopStartChoice none = ChooseDesktopStart(
      {"orvane-nr"}, [](const char*) -> const char* { return nullptr; }, [](const std::string&) { return false; });
  EXPECT_NE(none.text.find("no display"), std::string::npos);
  EXPECT_NE(none.text.find("orvane-nr-cli"), std::string::npos);
}

}  // namespace
}  // namespace orvane
