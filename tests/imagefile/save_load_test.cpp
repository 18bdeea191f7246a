#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "fixtures.h"
#include "hostile_fixtures.h"
#include "imagefile/codec/byte_io.h"
#include "imagefile/codec/codec.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

size_t FilesIn(const fs::path& dir) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir)) (void)e, ++n;
  return n;
}

TEST(Load, ResultCodes) {
  test::TempDir dir;
  RasterImage image;
  test::MakeRamp(image, 4, 4);
  image.cameraMake = "Old";
  image.exifBlock = {1, 2};
  image.orientation = 6;
  EXPECT_EQ(image.Load(""), kNoFile);
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_TRUE(image.cameraMake.empty());  // reset before anything else
  EXPECT_TRUE(image.exifBlock.empty());
  EXPECT_EQ(image.orientation, 1);
  EXPECT_EQ(image.Load(dir.File("missing.jpg")), kNoFile);
  EXPECT_EQ(image.Load(dir.path().string()), kOpenFailed);  // a folder

  test::WriteBytes(dir.File("photo.gif"), {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0});
  EXPECT_EQ(image.Load(dir.File("photo.gif")), kInvalidArgument);
  // The same GIF named .jpg is taken for JPEG by its name and fails inside the reader.
  test::WriteBytes(dir.File("photo.jpg"), test::ReadBytes(dir.File("photo.gif")));
  const int rc = image.Load(dir.File("photo.jpg"));
  EXPECT_NE(rc, kOk);
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_EQ(image.filePath, dir.File("photo.jpg"));
}

TEST(Load, NamesInAnyLetterCaseAndNoCameraFieldsForPng) {
  test::TempDir dir;
  RasterImage source;
  test::MakeRamp(source, 6, 4);
  ASSERT_EQ(source.Save(dir.File("x.jpg")), kOk);
  const std::vector<uint8_t> jpeg = test::ReadBytes(dir.File("x.jpg"));
  for (const char* name : {"PHOTO.JPG", "photo.jpeg", "photo.Jpg"}) {
    test::WriteBytes(dir.File(name), jpeg);
    RasterImage image;
    ASSERT_EQ(image.Load(dir.File(name)), kOk) << name;
    EXPECT_EQ(image.fileType, ImageFileType::JpegRgb);
    EXPECT_EQ(image.filePath, dir.File(name));
  }
  ASSERT_EQ(source.Save(dir.File("x.png")), kOk);
  RasterImage png;
  png.cameraModel = "left over";
  ASSERT_EQ(png.Load(dir.File("x.png")), kOk);
  EXPECT_TRUE(png.cameraModel.empty());
  EXPECT_TRUE(png.exifBlock.empty());
  EXPECT_EQ(png.orientation, 1);
  EXPECT_EQ(png.originalWidth, 6);
}

TEST(Save, UnknownExtensionTouchesNothing) {
  test::TempDir dir;
  RasterImage image;
  test::MakeRamp(image, 4, 4);
  const std::string path = dir.File("out.xyz");
  test::WriteBytes(path, {'k', 'e', 'e', 'p'});
  EXPECT_EQ(image.Save(path), kInvalidArgument);
  EXPECT_EQ(test::ReadBytes(path), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_EQ(image.Save(dir.File("new.gif")), kInvalidArgument);
  EXPECT_FALSE(fs::exists(dir.File("new.gif")));
  RasterImage empty;
  EXPECT_EQ(empty.Save(dir.File("e.png")), kInvalidArgument);
  EXPECT_FALSE(fs::exists(dir.File("e.png")));
  EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(Save, FailedWriteKeepsTheOldFile) {
  test::TempDir dir;
  const std::string path = dir.File("photo.jpg");
  test::WriteBytes(path, {'o', 'l', 'd'});
  // JPEG cannot hold 70000 pixels across: the encoder refuses, the old file stays.
  RasterImage wide;
  ASSERT_EQ(wide.Create(70000, 1, 24), kOk);
  EXPECT_NE(wide.Save(path), kOk);
  EXPECT_EQ(test::ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  // A folder that does not exist: nothing created anywhere.
  RasterImage image;
  test::MakeRamp(image, 4, 4);
  EXPECT_EQ(image.Save(dir.File("no/such/folder/x.png")), kOpenFailed);
  EXPECT_EQ(FilesIn(dir.path()), 1u);  // no temporary file left behind
  // A successful save replaces the file and keeps its permissions.
  ::chmod(path.c_str(), 0640);
  ASSERT_EQ(image.Save(path), kOk);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(FilesIn(dir.path()), 1u);
  RasterImage back;
  EXPECT_EQ(back.Load(path), kOk);
  // A new file gets the permissions the umask gives any new file.
  const mode_t mask = ::umask(022);
  ASSERT_EQ(image.Save(dir.File("new.png")), kOk);
  ::umask(mask);
  ASSERT_EQ(::stat(dir.File("new.png").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(Save, OtherDepthsAreWrittenAsTrueColour) {
  test::TempDir dir;
  RasterImage indexed;
  ASSERT_EQ(indexed.Create(3, 1, 8), kOk);
  indexed.SetPaletteSize(3);
  for (int i = 0; i < 3; ++i) {
    indexed.Pixels()[i] = static_cast<uint8_t>(2 - i);
    indexed.palette[i] = PaletteEntry{static_cast<uint8_t>(i * 10), 0, static_cast<uint8_t>(100 + i), 0};
  }
  indexed.tiffCompression = 5;
  for (const char* name : {"i.png", "i.tif", "i.jpg"}) {
    ASSERT_EQ(indexed.Save(dir.File(name)), kOk) << name;
    RasterImage back;
    ASSERT_EQ(back.Load(dir.File(name)), kOk) << name;
    ASSERT_EQ(back.Width(), 3);
    const int slack = std::string(name) == "i.jpg" ? 40 : 0;
    EXPECT_NEAR(back.Pixels()[0], 102, slack) << name;  // pixel 0 is index 2
    EXPECT_NEAR(back.Pixels()[2], 20, slack) << name;
  }
}

TEST(Save, BmpHeader) {
  RasterImage image;
  test::MakeRamp(image, 5, 3);
  std::vector<uint8_t> file;
  ASSERT_EQ(WriteBmp(image, file), kOk);
  ASSERT_EQ(file.size(), 54u + 16 * 3);  // rows of 15 bytes padded to 16
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(ReadLe32(file, 2), file.size());
  EXPECT_EQ(ReadLe32(file, 18), 5u);
  EXPECT_EQ(ReadLe32(file, 22), 3u);
  EXPECT_EQ(ReadLe16(file, 28), 24u);
  EXPECT_EQ(ReadLe32(file, 38), 0u);  // default save resolution: 0 pixels per metre
  // Bottom row first, blue green red.
  const uint8_t* last = image.Pixels() + 2 * 15;
  EXPECT_EQ(file[54], last[2]);
  EXPECT_EQ(file[56], last[0]);
  image.saveResolutionUnit = 3;
  image.saveResolutionX = 37;
  ASSERT_EQ(WriteBmp(image, file), kOk);
  EXPECT_EQ(ReadLe32(file, 38), 3700u);
  EXPECT_EQ(RefineBmp(file), ImageFileType::BmpRgb);
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// A FIFO (or device) is refused before it is opened: opening one for reading would block
// until a writer came, for ever. The raw decoder is not even started.
TEST(Load, SpecialFilesAreRefusedBeforeOpening) {
  test::TempDir dir;
  const std::string fifo = dir.File("pipe.jpg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int rc = test::RunWithMemoryLimit(RLIMIT_AS, 1u << 30, [&] {
    alarm(20);  // a regression ends here instead of hanging the tests
    RasterImage image;
    return image.Load(fifo);
  });
  EXPECT_EQ(rc, kOpenFailed);
  EXPECT_EQ(DetectImageType(fifo), ImageFileType::UnknownType);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ReadWholeFile(fifo, bytes), kOpenFailed);
  RasterImage folder;
  EXPECT_EQ(folder.Load(dir.path().string()), kOpenFailed);
}

// A huge file that is no picture is refused from its first bytes: it is mapped, not read, so
// refusing it takes no memory.
TEST(Load, HugeFileIsNotReadIntoMemory) {
  test::TempDir dir;
  const std::string zeros = dir.File("zeros.jpg");
  {
    std::ofstream f(zeros);
  }
  ASSERT_EQ(truncate(zeros.c_str(), off_t{3} << 30), 0);  // sparse: no disk space
  const int rc = test::RunWithMemoryLimit(RLIMIT_DATA, 256u << 20, [&] {
    RasterImage image;
    return image.Load(zeros);
  });
  EXPECT_EQ(rc, kBadFile);
}

// Without replacing, a file that exists at the name (or appears there meanwhile) is kept.
TEST(Save, NoReplaceKeepsAFileThatIsThere) {
  test::TempDir dir;
  RasterImage image;
  test::MakeRamp(image, 8, 8);
  const std::string path = dir.File("taken.png");
  test::WriteBytes(path, {'o', 'l', 'd'});
  SetReplaceExistingFiles(false);
  const int rc = image.Save(path);
  const int reason = LastWriteErrno();
  SetReplaceExistingFiles(true);
  EXPECT_EQ(rc, kOpenFailed);
  EXPECT_EQ(reason, EEXIST);
  EXPECT_EQ(test::ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(FilesIn(dir.path()), 1u);
  SetReplaceExistingFiles(false);
  EXPECT_EQ(image.Save(dir.File("free.png")), kOk);
  SetReplaceExistingFiles(true);
  EXPECT_EQ(image.Save(path), kOk);
}

// The temporary name adds ten bytes; it is cut short so that names up to the file system's
// limit save. A name past the limit fails with the system's reason.
TEST(Save, LongNamesAndReadOnlyTargets) {
  test::TempDir dir;
  RasterImage image;
  test::MakeRamp(image, 8, 8);
  for (const size_t length : {240u, 246u, 254u, 255u}) {
    const std::string path = dir.File(std::string(length - 4, 'n') + ".png");
    EXPECT_EQ(image.Save(path), kOk) << length;
    EXPECT_TRUE(fs::exists(path)) << length;
  }
  EXPECT_EQ(image.Save(dir.File(std::string(253, 'n') + ".png")), kOpenFailed);
  EXPECT_EQ(LastWriteErrno(), ENAMETOOLONG);
  EXPECT_EQ(image.Save(dir.File("missing/x.png")), kOpenFailed);
  EXPECT_EQ(LastWriteErrno(), ENOENT);
  // Read only stays read only for the superuser as well.
  const std::string ro = dir.File("ro.png");
  test::WriteBytes(ro, {'k'});
  ASSERT_EQ(chmod(ro.c_str(), 0444), 0);
  EXPECT_EQ(image.Save(ro), kOpenFailed);
  EXPECT_EQ(LastWriteErrno(), EACCES);
  EXPECT_EQ(test::ReadBytes(ro), std::vector<uint8_t>{'k'});
}

// A signal handler can remove the temporary file of a save in progress.
extern "C" void RemoveAndEnd(int) {
  RemovePendingTempFile();
  _exit(3);
}

// The bytes go to an unnamed file in the folder that takes its name only when complete: a save
// killed half-way, even by SIGKILL, leaves nothing behind, and one ended by a handler leaves
// nothing for it to remove.
TEST(Save, KilledSaveLeavesNothing) {
  constexpr size_t kBytes = size_t{64} << 20;
  for (const int sig : {SIGKILL, SIGTERM}) {
    test::TempDir dir;
    const std::string path = dir.File("big.bin");
    // Told the moment the save opens its file.
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, dir.path().c_str(), IN_OPEN | IN_CREATE), 0);
    const pid_t child = fork();
    if (child == 0) {
      signal(SIGTERM, RemoveAndEnd);
      std::vector<uint8_t> bytes(kBytes, 7);
      WriteFileAtomically(path, bytes);
      _exit(0);
    }
    ASSERT_GT(child, 0);
    const bool opened = test::WaitForNamedEvent(watch, [](const char*) { return true; });
    close(watch);
    kill(child, sig);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(opened);
    // Killed during the write: an empty folder. Done before the signal came: the whole file.
    const bool finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    EXPECT_EQ(FilesIn(dir.path()), finished ? 1u : 0u) << sig;
    if (finished) {
      EXPECT_EQ(fs::file_size(path), kBytes);
    }
  }
}

// Plain saves, new and replacing, leave no hidden file beside the picture.
TEST(Save, LeavesNoHiddenFile) {
  test::TempDir dir;
  RasterImage image;
  test::MakeRamp(image, 8, 8);
  const std::string path = dir.File("a.png");
  ASSERT_EQ(image.Save(path), kOk);
  ASSERT_EQ(image.Save(path), kOk);
  EXPECT_EQ(FilesIn(dir.path()), 1u);
  RasterImage back;
  EXPECT_EQ(back.Load(path), kOk);
}

}  // namespace
}  // namespace orvane
