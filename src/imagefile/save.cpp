// Save: choose the writer, encode into memory, and put the bytes in place atomically.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>

#include "base/file_io.h"
#include "imagefile/codec/codec.h"
#include "imagefile/raster_image.h"

namespace orvane {

namespace {

// The options writers read, for the 24-bit copy made of an image of another depth.
int CopyWriterOptions(const RasterImage& from, RasterImage& to) {
  to.monoThreshold = from.monoThreshold;
  to.jpegProgressive = from.jpegProgressive;
  to.saveResolutionX = from.saveResolutionX;
  to.saveResolutionY = from.saveResolutionY;
  to.saveResolutionUnit = from.saveResolutionUnit;
  to.tiffCompression = from.tiffCompression;
  to.bmpRunLength = from.bmpRunLength;
  to.jpegFullChroma = from.jpegFullChroma;
  to.jpegQuality = from.jpegQuality;
  to.orientation = from.orientation;
  to.saveProgress = from.saveProgress;
  try {
    to.exifBlock = from.exifBlock;
    to.metadata = from.metadata;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  return kOk;
}

}  // namespace

namespace {

// Whether a finished save may take the place of a file that appeared at its name meanwhile.
std::atomic<bool> gReplaceExisting{true};
// The system's reason for the last failed write on this thread (0: none known).
thread_local int gLastWriteErrno = 0;

// The temporary file being written, for a signal handler to remove: a fixed buffer, since the
// handler may not allocate. Only one save runs at a time in a process that asks for this.
char gPendingTemp[4096];
std::atomic<bool> gPendingSet{false};

void SetPending(const std::string& temp) {
  if (temp.size() >= sizeof gPendingTemp) return;
  std::memcpy(gPendingTemp, temp.c_str(), temp.size() + 1);
  gPendingSet.store(true);
}

void ClearPending() { gPendingSet.store(false); }

int Fail(int code, int error) {
  gLastWriteErrno = error;
  return code;
}

// The longest file name the folder takes (255 on every common file system).
size_t NameLimit(const std::string& folder) {
  const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  return limit > 16 ? static_cast<size_t>(limit) : 255;
}

// Moves temp to path; without replacing, a file that exists at path by now stays as it is.
bool Publish(const std::string& temp, const std::string& path, bool replace) {
  if (replace) return ::rename(temp.c_str(), path.c_str()) == 0;
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the flag: a hard link fails when the name is taken.
  if (::link(temp.c_str(), path.c_str()) != 0) return false;
  ::unlink(temp.c_str());
  return true;
}

}  // namespace

void SetReplaceExistingFiles(bool replace) { gReplaceExisting.store(replace); }

int LastWriteErrno() { return gLastWriteErrno; }

void RemovePendingTempFile() {
  if (gPendingSet.exchange(false)) ::unlink(gPendingTemp);
}

namespace {

// A hidden name beside the target: the stem (a dot and the name) and 8 random hex digits.
std::string TempName(const std::string& stem) {
  static thread_local std::random_device random;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
  return stem + suffix;
}

// Writes the bytes to fd, keeps the permissions of the file it replaces, and makes sure they
// are on the disk. The system's reason when that fails.
int WriteAndSync(int fd, std::span<const uint8_t> bytes, const struct stat* replaced) {
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  // A replaced file keeps its own permissions.
  if (replaced != nullptr) ok = ok && ::fchmod(fd, replaced->st_mode & 07777) == 0;
  ok = ok && ::fsync(fd) == 0;
  return ok ? 0 : errno;
}

// The result for a save that failed with the system's reason `error`.
int SaveFailure(int error) { return Fail(error == EEXIST ? kOpenFailed : kWriteError, error); }

// Where the file system allows it, the bytes go to an unnamed file in the target's folder,
// which is given its name only once complete: a save killed half-way leaves nothing behind.
// Returns 0 on success, -1 when unnamed files cannot be used here (nothing has taken a name;
// the named way is to be tried), or an error code.
int WriteUnnamed(const std::string& folder, const std::string& path, const std::string& tempStem,
                 std::span<const uint8_t> bytes, const struct stat* replaced, bool replace) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  int error = WriteAndSync(fd, bytes, replaced);
  // The descriptor's entry in /proc names the unnamed file; linking it through that needs no
  // privilege, and fails when the name is taken.
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  bool named = false;
  if (error == 0) {
    if (::linkat(AT_FDCWD, self, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      named = true;
    } else if (errno == EEXIST && replace) {
      // Replacing: the complete file gets a hidden name for the moment of the rename.
      std::string temp;
      int linked = -1;
      for (int attempt = 0; attempt < 16 && linked != 0; ++attempt) {
        temp = TempName(tempStem);
        SetPending(temp);
        linked = ::linkat(AT_FDCWD, self, AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW);
        if (linked != 0 && errno != EEXIST) break;
      }
      if (linked == 0) {
        named = ::rename(temp.c_str(), path.c_str()) == 0;
        if (!named) {
          error = errno;
          ::unlink(temp.c_str());
        }
      } else {
        error = errno;
      }
      ClearPending();
    } else {
      error = errno;
    }
  }
  ::close(fd);  // the bytes are on the disk: fsync has reported any write error
  // Without /proc the unnamed file cannot be named: the named way is taken instead.
  if (!named && (error == ENOENT || error == ENOTDIR)) return -1;
  return named ? kOk : SaveFailure(error);
}

// The fallback: a hidden temporary file beside path, renamed over path once complete.
int WriteNamed(const std::string& path, const std::string& tempStem,
               std::span<const uint8_t> bytes, const struct stat* replaced, bool replace) {
  // A new name each try; O_EXCL makes sure it is ours. The kernel applies the umask, so a new
  // file gets the same permissions as one created directly.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = TempName(tempStem);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return Fail(kOpenFailed, errno);
  SetPending(temp);
  int error = WriteAndSync(fd, bytes, replaced);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && !Publish(temp, path, replace)) error = errno;
  if (error != 0) ::unlink(temp.c_str());
  ClearPending();
  return error == 0 ? kOk : SaveFailure(error);
}

}  // namespace

// Writes bytes to a file beside path that takes path's name only once complete, so a failed
// write never destroys the file that was there.
int WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  gLastWriteErrno = 0;
  if (path.empty()) return kNoFile;
  const bool replace = gReplaceExisting.load();
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  if (exists) {
    if (!replace) return Fail(kOpenFailed, EEXIST);
    if (!S_ISREG(existing.st_mode)) return Fail(kOpenFailed, EISDIR);
    // A file without any write permission is read only even for the superuser.
    if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Fail(kOpenFailed, EACCES);
    if (::access(path.c_str(), W_OK) != 0) return Fail(kOpenFailed, errno);
  }
  const size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // "." + name + "." + 8 hex digits must stay within the name limit, so a long name is cut
  // short in the temporary name only.
  const size_t limit = NameLimit(folder);
  if (name.size() > limit) return Fail(kOpenFailed, ENAMETOOLONG);
  const std::string tempStem = (folder == "/" ? std::string() : folder) + "/." +
                               name.substr(0, std::min(name.size(), limit - 10));
  const struct stat* replaced = exists ? &existing : nullptr;
  const int unnamed = WriteUnnamed(folder, path, tempStem, bytes, replaced, replace);
  if (unnamed != -1) return unnamed;
  return WriteNamed(path, tempStem, bytes, replaced, replace);
}

int RasterImage::Save(const std::string& path, ImageFileType type) const {
  if (IsEmpty()) return kInvalidArgument;
  if (path.empty()) return kNoFile;
  if (type == ImageFileType::UnknownType) {
    type = ImageTypeFromExtension(path);
    if (type == ImageFileType::UnknownType) return kInvalidArgument;
  }
  const ImageFormat* format = FormatForType(type);
  if (format == nullptr || format->write == nullptr) return kInvalidArgument;

  const RasterImage* source = this;
  RasterImage wide;
  if (!format->anyDepth && bitsPerPixel_ != 24) {
    int rc = ToTrueColour(wide);
    if (rc == kOk) rc = CopyWriterOptions(*this, wide);
    if (rc != kOk) return rc;
    source = &wide;
  }
  std::vector<uint8_t> bytes;
  int rc;
  try {
    rc = format->write(*source, bytes);
  } catch (const std::bad_alloc&) {
    rc = kOutOfMemory;
  } catch (...) {
    rc = kWriteError;
  }
  if (rc != kOk && rc != kSavedWithoutExif) return rc;
  const int written = WriteFileAtomically(path, bytes);
  return written != kOk ? written : rc;
}

}  // namespace orvane
