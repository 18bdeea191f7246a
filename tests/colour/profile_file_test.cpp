#include "colour/profile_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_folder.h"

namespace orvane {
namespace {

ChannelDistributions SampleDistributions() {
  ChannelDistributions d;
  for (int i = 0; i < 256; ++i) {
    d.red[i] = (i + 1) / 256.0;
    d.green[i] = i < 100 ? 0.0 : 1.0;
    d.blue[i] = 1.0 - 1.0 / (i + 1);
  }
  return d;
}

std::vector<uint8_t> SamplePixels(int width, int height) {
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i * 13);
  return px;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

TEST(ProfileFileTest, ExactBytesOfA170By85Profile) {
  const auto px = SamplePixels(170, 85);
  const auto d = SampleDistributions();
  const auto bytes = SerializeProfile(170, 85, px.data(), d);
  ASSERT_EQ(bytes.size(), 49511u);
  EXPECT_EQ(ProfileFileSize(170, 85), 49511u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 5),
            (std::vector<uint8_t>{0x21, 0x30, 0x00, 0x00, 0x00}));
  EXPECT_EQ(U32At(bytes, 5), 170u);
  EXPECT_EQ(U32At(bytes, 9), 85u);
  EXPECT_EQ(bytes[13], px[0]);
  EXPECT_EQ(bytes[13 + 43349], px[43349]);
  // Record 1, green value, little-endian double 0.0; record 255 red = 1.0.
  double v = 0;
  std::memcpy(&v, &bytes[13 + 43350 + 24 + 8], 8);
  EXPECT_EQ(v, 0.0);
  std::memcpy(&v, &bytes[13 + 43350 + 255 * 24], 8);
  EXPECT_EQ(v, 1.0);
  EXPECT_EQ(U32At(bytes, 49507), 0xFFFFFFFFu);
}

TEST(ProfileFileTest, FileRoundTrip) {
  TestFolder folder;
  const auto px = SamplePixels(170, 99);
  const auto d = SampleDistributions();
  const auto path = folder.path() / "Sunset.cpf";
  ASSERT_EQ(WriteProfileFile(path, 170, 99, px.data(), d), kProfileOk);
  EXPECT_EQ(std::filesystem::file_size(path), ProfileFileSize(170, 99));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "Sunset.cpf.part"));
  ProfileData read;
  ASSERT_EQ(ReadProfileFile(path, read), kProfileOk);
  EXPECT_EQ(read.width, 170);
  EXPECT_EQ(read.height, 99);
  EXPECT_EQ(read.pixels, px);
  EXPECT_EQ(read.distributions, d);
}

// A header with a name field given as raw bytes, then a 2 x 1 thumbnail and the rest.
std::vector<uint8_t> WithName(const std::vector<uint8_t>& nameField) {
  const auto px = SamplePixels(2, 1);
  const auto plain = SerializeProfile(2, 1, px.data(), SampleDistributions());
  std::vector<uint8_t> out = plain;
  out.erase(out.begin() + 4);  // the one-byte empty name
  out.insert(out.begin() + 4, nameField.begin(), nameField.end());
  return out;
}

TEST(ProfileFileTest, EveryFormOfTheNamePrefix) {
  std::vector<uint8_t> shortName = {3, 'a', 'b', 'c'};
  std::vector<uint8_t> byte254(1 + 254, 'x');
  byte254[0] = 254;
  std::vector<uint8_t> word = {0xFF, 0x2C, 0x01};  // 300 bytes
  word.resize(3 + 300, 'y');
  std::vector<uint8_t> dword = {0xFF, 0xFF, 0xFF, 0x05, 0x00, 0x00, 0x00, 'h', 'e', 'l', 'l', 'o'};
  std::vector<uint8_t> wide = {0xFF, 0xFE, 0xFF, 2, 'h', 0, 'i', 0};  // two 2-byte characters
  std::vector<uint8_t> wideWord = {0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01};  // 256 wide characters
  wideWord.resize(6 + 512, 0);
  for (const auto& name : {shortName, byte254, word, dword, wide, wideWord}) {
    ProfileData read;
    ASSERT_EQ(ParseProfile(WithName(name), read), kProfileOk) << name.size();
    EXPECT_EQ(read.width, 2);
    EXPECT_EQ(read.pixels, SamplePixels(2, 1));
    EXPECT_EQ(read.distributions, SampleDistributions());
  }
}

TEST(ProfileFileTest, DamagedFilesAreRefusedAndLeaveTheResultAlone) {
  const auto px = SamplePixels(4, 3);
  const auto good = SerializeProfile(4, 3, px.data(), SampleDistributions());
  auto withSize = [&](int32_t w, int32_t h) {
    auto b = good;
    for (int i = 0; i < 4; ++i) {
      b[5 + i] = static_cast<uint8_t>(uint32_t(w) >> (8 * i));
      b[9 + i] = static_cast<uint8_t>(uint32_t(h) >> (8 * i));
    }
    return b;
  };
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    int expected;
  } cases[] = {
      {"empty file", {}, kProfileTruncated},
      {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 13), kProfileTruncated},
      {"end marker missing", std::vector<uint8_t>(good.begin(), good.end() - 1),
       kProfileTruncated},
      {"width larger than the data", withSize(5, 3), kProfileTruncated},
      {"negative width", withSize(-4, 3), kProfileDamaged},
      {"absurd height", withSize(4, 1 << 30), kProfileDamaged},
      {"name longer than the file", WithName({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
       kProfileTruncated},
      {"two wide-text marks", WithName({0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0}), kProfileDamaged},
  };
  for (const auto& c : cases) {
    ProfileData kept;
    kept.width = 7;
    kept.pixels = {1, 2, 3};
    EXPECT_EQ(ParseProfile(c.bytes, kept), c.expected) << c.what;
    EXPECT_EQ(kept.width, 7) << c.what;
    EXPECT_EQ(kept.pixels, (std::vector<uint8_t>{1, 2, 3})) << c.what;
  }
  // Bytes after the end marker are ignored; a zero-sized thumbnail is accepted.
  auto longer = good;
  longer.push_back(0);
  ProfileData read;
  EXPECT_EQ(ParseProfile(longer, read), kProfileOk);
  EXPECT_EQ(ParseProfile(withSize(0, 0), read), kProfileOk);
  EXPECT_TRUE(read.pixels.empty());
}

TEST(ProfileFileTest, ReadingADamagedFileNamesIt) {
  TestFolder folder;
  const auto px = SamplePixels(4, 3);
  auto bytes = SerializeProfile(4, 3, px.data(), SampleDistributions());
  const auto shortPath = folder.path() / "Short.cpf";
  folder.Write("Short.cpf", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 100));
  ProfileData out;
  EXPECT_EQ(ReadProfileFile(shortPath, out), kProfileTruncated);
  EXPECT_EQ(out.width, 0);

  bytes[12] = 0x80;  // height negative
  folder.Write("Bad.cpf", bytes);
  EXPECT_EQ(ReadProfileFile(folder.path() / "Bad.cpf", out), kProfileDamaged);
  EXPECT_EQ(ReadProfileFile(folder.path() / "Missing.cpf", out), kProfileCannotOpen);
  EXPECT_EQ(out.width, 0);
}

TEST(ProfileFileTest, FailedWriteKeepsTheOldFile) {
  TestFolder folder;
  const auto px = SamplePixels(2, 2);
  const auto path = folder.path() / "Keep.cpf";
  ASSERT_EQ(WriteProfileFile(path, 2, 2, px.data(), SampleDistributions()), kProfileOk);
  const auto before = std::filesystem::file_size(path);
  // A file size limit below the profile's size makes the write fail halfway (as a full disk
  // would); the old file stays and no temporary file is left.
  {
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int rc = WriteProfileFile(path, 3, 3, SamplePixels(3, 3).data(), SampleDistributions());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(rc, kProfileWriteError);
  }
  EXPECT_EQ(std::filesystem::file_size(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_EQ(WriteProfileFile(folder.path() / "No" / "Such.cpf", 2, 2, px.data(),
                             SampleDistributions()),
            kProfileCannotOpen);
}

}  // namespace
}  // namespace orvane
