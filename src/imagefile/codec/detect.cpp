// Recognising a file's type: by content first, then by name, then refined by depth.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <new>

#include "imagefile/codec/codec.h"
#include "imagefile/codec/mapping_guard.h"

#include "base/text.h"

namespace orvane {

namespace {

std::string LowerExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return Lower(name.substr(dot));
}

ImageFileType Refine(ImageFileType base, std::span<const uint8_t> file) {
  const ImageFormat* format = FormatForType(base);
  if (format == nullptr || format->refine == nullptr) return base;
  return format->refine(file);
}

}  // namespace

ImageFileType ImageTypeFromExtension(std::string_view name) {
  const std::string ext = LowerExtension(name);
  if (ext.size() < 2) return ImageFileType::UnknownType;
  for (const ImageFormat& f : ImageFormats()) {
    std::string_view list = f.extensions;
    while (!list.empty()) {
      const size_t space = list.find(' ');
      const std::string_view one = list.substr(0, space);
      if (one == ext) return f.baseType;
      if (space == std::string_view::npos) break;
      list.remove_prefix(space + 1);
    }
  }
  return ImageFileType::UnknownType;
}

ImageFileType DetectImageTypeInMemory(std::span<const uint8_t> file, std::string_view name) {
  const std::span<const uint8_t> head = file.first(std::min<size_t>(file.size(), 44));
  ImageFileType found = ImageFileType::UnknownType;
  for (const ImageFormat& f : ImageFormats()) {
    if (f.signature != nullptr && f.signature(head)) {
      found = f.baseType;
      break;
    }
  }
  if (found != ImageFileType::UnknownType && found != ImageFileType::Wbmp)
    return Refine(found, file);

  // Nothing, or only the weak 00 00 start: names and the Targa footer decide.
  const std::string ext = LowerExtension(name);
  if (ext == ".wbmp" || ext == ".wbm") return ImageFileType::Wbmp;
  if (ext == ".tga" || HasTargaFooter(file)) return Refine(ImageFileType::TgaRgb, file);
  // A name claiming a format whose signature the file lacks: a Targa header (which has no
  // signature of its own) is the better evidence.
  const ImageFormat* named = FormatForType(ImageTypeFromExtension(name));
  if (named != nullptr && named->signature != nullptr && !named->signature(head) &&
      IsTargaHeader(file))
    return Refine(ImageFileType::TgaRgb, file);
  // A PhotoCD file may begin with a sector of zeros, which looks like the weak wireless
  // bitmap start; its own mark at 2048 is the stronger evidence.
  if (IsPhotoCd(file)) return ImageFileType::PhotoCd;
  if (found == ImageFileType::Wbmp) return found;
  return Refine(ImageTypeFromExtension(name), file);
}

ImageFileType DetectImageType(const std::string& path) {
  MappedFile file;
  if (file.Open(path) != kOk) return ImageFileType::UnknownType;
  return DetectImageTypeInMemory(file.bytes(), path);
}

namespace {

// Opens a regular file for reading. A FIFO, device or socket is refused before it is opened,
// and O_NONBLOCK keeps one that takes a regular file's place meanwhile from blocking the open.
int OpenRegular(const std::string& path, int& fd, struct stat& st) {
  fd = -1;
  if (path.empty()) return kNoFile;
  if (::stat(path.c_str(), &st) != 0)
    return (errno == ENOENT || errno == EACCES || errno == ENOTDIR) ? kNoFile : kOpenFailed;
  if (!S_ISREG(st.st_mode)) return kOpenFailed;
  fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return (errno == ENOENT || errno == EACCES || errno == ENOTDIR) ? kNoFile
                                                                             : kOpenFailed;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    fd = -1;
    return kOpenFailed;
  }
  return kOk;
}

}  // namespace

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

MappedFile::~MappedFile() { Close(); }

void MappedFile::Close() {
  if (data_ != nullptr) {
    ReleaseMapping(guard_);
    ::munmap(data_, size_);
  }
  data_ = nullptr;
  size_ = 0;
  guard_ = -1;
  copy_.clear();
}

bool MappedFile::damaged() const { return data_ != nullptr && MappingDamaged(guard_); }

int MappedFile::Open(const std::string& path) {
  Close();
  int fd = -1;
  struct stat st {};
  const int rc = OpenRegular(path, fd, st);
  if (rc != kOk) return rc;
  if (st.st_size <= 0) {
    ::close(fd);
    return kOk;  // an empty file: no bytes to map
  }
  if (static_cast<uint64_t>(st.st_size) > SIZE_MAX / 2) {
    ::close(fd);
    return kOutOfMemory;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  const int error = errno;
  ::close(fd);
  if (data == MAP_FAILED) return error == ENOMEM ? kOutOfMemory : kOpenFailed;
  guard_ = GuardMapping(data, size);
  if (guard_ < 0) {
    ::munmap(data, size);
    return ReadWholeFile(path, copy_);
  }
  data_ = data;
  size_ = size;
  return kOk;
}

int ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
  out.clear();
  int fd = -1;
  struct stat st {};
  if (const int rc = OpenRegular(path, fd, st); rc != kOk) return rc;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  try {
    out.resize(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (const std::length_error&) {
    return kOutOfMemory;
  }
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      out.clear();
      return kOpenFailed;
    }
    done += static_cast<size_t>(n);
  }
  return kOk;
}

}  // namespace orvane
