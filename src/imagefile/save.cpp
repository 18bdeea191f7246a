// Save: choose the writer, encode into memory, and put the bytes in place atomically.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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
  try {
    to.exifBlock = from.exifBlock;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  return kOk;
}

}  // namespace

// Writes bytes to a temporary file beside path and renames it over path once complete, so a
// failed write never destroys the file that was there.
int WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  if (path.empty()) return kNoFile;
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  if (exists) {
    if (!S_ISREG(existing.st_mode)) return kOpenFailed;
    if (::access(path.c_str(), W_OK) != 0) return kOpenFailed;
  }
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // A new name each try; O_EXCL makes sure it is ours. The kernel applies the umask, so a new
  // file gets the same permissions as one created directly.
  std::random_device random;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
    temp = (folder.empty() ? std::string() : folder) + "/." + name + suffix;
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return kOpenFailed;
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  // A replaced file keeps its own permissions.
  if (exists) ok = ok && ::fchmod(fd, existing.st_mode & 07777) == 0;
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return kWriteError;
  }
  return kOk;
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
  if (!format->anyDepth && bitsPerPixel != 24) {
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
