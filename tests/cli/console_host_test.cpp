#include "cli/console_host.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace orvane::cli {
namespace {

// What the code inside writes to stderr.
template <typename F>
std::string StderrOf(F&& f) {
  std::fflush(stderr);
  char name[] = "/tmp/orvane_stderr_XXXXXX";
  const int fd = mkstemp(name);
  const int saved = dup(STDERR_FILENO);
  dup2(fd, STDERR_FILENO);
  f();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::string text;
  lseek(fd, 0, SEEK_SET);
  char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  close(fd);
  unlink(name);
  return text;
}

TEST(ConsoleProgress, OnePercentageForTheWholeFileAndTheFileNumberInABatch) {
  ConsoleHost host(nullptr, true);
  const std::string batch = StderrOf([&] {
    host.beginFile("IMG_0412.JPG", 3, 50);
    auto window = host.createProgressWindow();
    window->setRange(0, 10);
    window->setOverall(0.47);    // the whole file is at 47% ...
    window->setPosition(9);      // ... though this block is at 90%
  });
  EXPECT_NE(batch.find("[3/50] IMG_0412.JPG ["), std::string::npos) << batch;
  EXPECT_NE(batch.rfind(" 47% "), std::string::npos) << batch;
  EXPECT_EQ(batch.find(" 90% "), std::string::npos) << batch;

  const std::string single = StderrOf([&] {
    host.beginFile("one.jpg", 1, 1);
    auto window = host.createProgressWindow();
    window->setRange(0, 4);
    window->setPosition(1);
  });
  EXPECT_NE(single.find("one.jpg ["), std::string::npos) << single;
  EXPECT_EQ(single.find("[1/1]"), std::string::npos) << single;
  EXPECT_NE(single.find(" 25% "), std::string::npos) << single;
}

}  // namespace
}  // namespace orvane::cli
