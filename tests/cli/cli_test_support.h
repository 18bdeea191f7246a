// Running orvane-nr-cli and the sample maker from tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace orvane::test {

struct RunResult {
  int status = -1;
  std::string out;  // stdout and stderr together
};

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline RunResult RunCommand(const std::string& command) {
  RunResult r;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
  const int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

inline RunResult Cli(const std::string& args) { return RunCommand(std::string(ORVANE_CLI) + " " + args); }

class CliFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orvane_cli_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  std::string path(const std::string& name) const { return root_ + "/" + name; }
  std::string sample(const std::string& name, int w = 320, int h = 240, int seed = 7, int orientation = 1) {
    const std::string p = path(name);
    const RunResult r = RunCommand(std::string(ORVANE_MAKE_SAMPLE) + " " + Quote(p) + " " + std::to_string(w) +
                            " " + std::to_string(h) + " " + std::to_string(seed) + " " +
                            std::to_string(orientation));
    EXPECT_EQ(r.status, 0) << r.out;
    return p;
  }
  std::string root_;
};

}  // namespace orvane::test
