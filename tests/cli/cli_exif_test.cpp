#include <gtest/gtest.h>

#include "cli_test_support.h"

namespace orvane {
namespace {

using test::Cli;
using test::CliFolder;
using test::Quote;
using test::RunCommand;

std::string Tags(const std::string& file) {
  return RunCommand("exiftool -s -s -s -Make -Model -Orientation# -ISO -ExposureTime -DateTimeOriginal -ModifyDate " + Quote(file)).out;
}

TEST_F(CliFolder, ExifKeptThroughTheRun) {
  for (int orientation : {1, 6}) {
    const std::string in = sample("cam" + std::to_string(orientation) + ".jpg", 240, 160, 5, orientation);
    const auto r = Cli(Quote(in));
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string out = path("cam" + std::to_string(orientation) + "_NR.jpg");
    const std::string tags = Tags(out);
    EXPECT_EQ(tags, Tags(in));
    EXPECT_NE(tags.find("Quillmark Test Optics"), std::string::npos) << tags;
    // The stored pixels keep the camera's orientation: same stored size as the input.
    EXPECT_EQ(RunCommand("identify -format %wx%h " + Quote(out)).out, "240x160");
  }
}

}  // namespace
}  // namespace orvane
