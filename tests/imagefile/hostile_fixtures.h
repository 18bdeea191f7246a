// Damaged and lying files made from our own writers' output, shared by the tests and the fuzz
// seed maker; and a way to run a load in a child process with little memory.
#pragma once

#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <zlib.h>

#include "imagefile/codec/byte_view.h"
#include "imagefile/codec/codec.h"

namespace orvane::test {

inline void Stripes(RasterImage& image, int w, int h) {
  image.Create(w, h, 24);
  for (int i = 0; i < w * h * 3; ++i) image.Pixels()[i] = static_cast<uint8_t>((i / 3) * 37 % 251);
}

// A photograph-like picture: gradients, edges and noise, so that coded data has little to
// repeat and every block codes data of its own.
inline void Photo(RasterImage& image, int w, int h) {
  image.Create(w, h, 24);
  uint32_t noise = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = image.Pixels() + (static_cast<size_t>(y) * w + x) * 3;
      noise = noise * 1103515245u + 12345u;
      p[0] = static_cast<uint8_t>(x * 200 / w + (noise >> 26));
      p[1] = static_cast<uint8_t>(y * 200 / h + ((noise >> 20) & 63));
      p[2] = static_cast<uint8_t>(((x / 7 + y / 5) % 3) * 80 + ((noise >> 14) & 63));
    }
}

inline std::vector<uint8_t> Encoded(const RasterImage& image, ImageWriter write) {
  std::vector<uint8_t> out;
  write(image, out);
  return out;
}

inline std::vector<uint8_t> GoodJpeg(bool progressive = false, int w = 64, int h = 48) {
  RasterImage image;
  Stripes(image, w, h);
  image.jpegProgressive = progressive;
  return Encoded(image, WriteJpeg);
}

// Offset of the first marker `code` (FF code) after SOI, or 0.
inline size_t FindMarker(const std::vector<uint8_t>& jpeg, uint8_t code, size_t from = 2) {
  for (size_t i = from; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i;
  return 0;
}

// The frame header's height and width set to claim another size.
inline std::vector<uint8_t> JpegClaiming(std::vector<uint8_t> jpeg, uint16_t w, uint16_t h) {
  const size_t sof = FindMarker(jpeg, 0xC0) ? FindMarker(jpeg, 0xC0) : FindMarker(jpeg, 0xC2);
  jpeg[sof + 5] = static_cast<uint8_t>(h >> 8);
  jpeg[sof + 6] = static_cast<uint8_t>(h);
  jpeg[sof + 7] = static_cast<uint8_t>(w >> 8);
  jpeg[sof + 8] = static_cast<uint8_t>(w);
  return jpeg;
}

// Comment segments of `bytes` bytes in all, inserted after SOI: room without picture data.
inline std::vector<uint8_t> JpegPadded(std::vector<uint8_t> jpeg, size_t bytes) {
  std::vector<uint8_t> pad;
  while (bytes > 0) {
    const size_t n = std::min<size_t>(bytes, 65000);
    pad.insert(pad.end(), {0xFF, 0xFE, static_cast<uint8_t>((n + 2) >> 8), static_cast<uint8_t>(n + 2)});
    pad.insert(pad.end(), n, 'x');
    bytes -= n;
  }
  jpeg.insert(jpeg.begin() + 2, pad.begin(), pad.end());
  return jpeg;
}

// The end of the start-of-scan header: where the entropy-coded data begins.
inline size_t JpegScanData(const std::vector<uint8_t>& jpeg) {
  const size_t sos = FindMarker(jpeg, 0xDA);
  return sos + 2 + ((jpeg[sos + 2] << 8) | jpeg[sos + 3]);
}

// A progressive file whose first scan (the DC values, which every repeat decodes alike) is
// repeated until the file has `scans` scans.
inline std::vector<uint8_t> JpegWithScans(int scans) {
  std::vector<uint8_t> jpeg = GoodJpeg(true, 16, 16);
  const size_t first = FindMarker(jpeg, 0xDA);
  const size_t second = FindMarker(jpeg, 0xDA, first + 2);
  size_t count = 0;
  for (size_t at = first; at != 0; at = FindMarker(jpeg, 0xDA, at + 2)) ++count;
  // The first scan runs up to the next marker that is not a restart or stuffed byte: a table
  // or the next scan.
  size_t end = first + 2;
  auto isMarker = [&](size_t at) {
    return jpeg[at] == 0xFF && jpeg[at + 1] != 0 && (jpeg[at + 1] < 0xD0 || jpeg[at + 1] > 0xD7);
  };
  while (end + 1 < second && !isMarker(end)) ++end;
  const std::vector<uint8_t> scan(jpeg.begin() + static_cast<long>(first),
                                  jpeg.begin() + static_cast<long>(end));
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + static_cast<long>(end));
  for (size_t i = count; i < static_cast<size_t>(scans); ++i) out.insert(out.end(), scan.begin(), scan.end());
  out.insert(out.end(), jpeg.begin() + static_cast<long>(end), jpeg.end());
  return out;
}

// TIFF: the IFD entry of `tag` (offset of its 12 bytes), little-endian files of our writer.
inline size_t TiffEntry(const std::vector<uint8_t>& tif, uint16_t tag) {
  auto u16 = [&](size_t at) { return static_cast<uint32_t>(tif[at] | (tif[at + 1] << 8)); };
  const size_t ifd = tif[4] | (tif[5] << 8) | (tif[6] << 16) | (static_cast<size_t>(tif[7]) << 24);
  const uint32_t n = u16(ifd);
  for (uint32_t i = 0; i < n; ++i)
    if (u16(ifd + 2 + i * 12) == tag) return ifd + 2 + i * 12;
  return 0;
}

inline void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Sets a one-value SHORT or LONG field in place.
inline void SetTiffValue(std::vector<uint8_t>& tif, uint16_t tag, uint32_t value) {
  const size_t e = TiffEntry(tif, tag);
  if (e == 0) return;
  if (tif[e + 2] == 3) {
    tif[e + 8] = static_cast<uint8_t>(value);
    tif[e + 9] = static_cast<uint8_t>(value >> 8);
  } else {
    PutLe32(tif, e + 8, value);
  }
}

inline std::vector<uint8_t> GoodTiff(int compression, int w = 40, int h = 30) {
  RasterImage image;
  Stripes(image, w, h);
  image.tiffCompression = compression;
  return Encoded(image, WriteTiff);
}

// One strip (our writer's strips hold 8 KB or more) whose data is overwritten with noise.
inline std::vector<uint8_t> TiffGarbageData(int compression) {
  std::vector<uint8_t> tif = GoodTiff(compression);
  const size_t e = TiffEntry(tif, 273);
  const size_t offset = tif[e + 8] | (tif[e + 9] << 8) | (tif[e + 10] << 16);
  for (size_t i = offset + 2; i < offset + 200 && i < tif.size(); ++i) tif[i] = static_cast<uint8_t>(i * 89 + 13);
  return tif;
}

// The strip offset moved past the end of the file.
inline std::vector<uint8_t> TiffMissingStrip() {
  std::vector<uint8_t> tif = GoodTiff(1);
  SetTiffValue(tif, 273, static_cast<uint32_t>(tif.size() + 4096));
  return tif;
}

// A small file claiming 32767 x 32767 pixels in one-row strips.
inline std::vector<uint8_t> TiffClaimingHuge() {
  std::vector<uint8_t> tif = GoodTiff(8, 8, 4);
  SetTiffValue(tif, 256, 32767);
  SetTiffValue(tif, 257, 32767);
  SetTiffValue(tif, 278, 1);
  return tif;
}

// A 64 x 64 run-length (RLE8) bitmap, whole or cut after a quarter of its pixel data.
inline std::vector<uint8_t> BmpRle8(bool cut) {
  std::vector<uint8_t> data;
  for (int y = 0; y < 64; ++y) {
    for (int run = 0; run < 8; ++run) data.insert(data.end(), {8, static_cast<uint8_t>((y + run) * 29)});
    data.insert(data.end(), {0, 0});  // end of line
  }
  data.insert(data.end(), {0, 1});  // end of bitmap
  const uint32_t pixels = 14 + 40 + 256 * 4;
  std::vector<uint8_t> bmp(pixels, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutLe32(bmp, 2, static_cast<uint32_t>(pixels + data.size()));
  PutLe32(bmp, 10, pixels);
  PutLe32(bmp, 14, 40);
  PutLe32(bmp, 18, 64);
  PutLe32(bmp, 22, 64);
  bmp[26] = 1;
  bmp[28] = 8;
  PutLe32(bmp, 30, 1);  // RLE8
  PutLe32(bmp, 34, static_cast<uint32_t>(data.size()));
  PutLe32(bmp, 46, 256);
  for (int i = 0; i < 256; ++i) {
    bmp[54 + i * 4] = static_cast<uint8_t>(i);
    bmp[54 + i * 4 + 1] = static_cast<uint8_t>(255 - i);
    bmp[54 + i * 4 + 2] = static_cast<uint8_t>(i / 2);
  }
  bmp.insert(bmp.end(), data.begin(), data.begin() + static_cast<long>(cut ? data.size() / 4 : data.size()));
  return bmp;
}

// A run-length bitmap (RLE8, or RLE4) claiming width x height whose data is only the
// end-of-bitmap marker, padded with zeros to `bytes` in all: no picture at all.
inline std::vector<uint8_t> BmpRleClaiming(int32_t width, int32_t height, bool rle4, size_t bytes) {
  std::vector<uint8_t> bmp = BmpRle8(false);
  PutLe32(bmp, 18, static_cast<uint32_t>(width));
  PutLe32(bmp, 22, static_cast<uint32_t>(height));
  if (rle4) {
    bmp[28] = 4;
    PutLe32(bmp, 30, 2);
    PutLe32(bmp, 46, 16);
  }
  const uint32_t pixels = bmp[10] | (bmp[11] << 8);
  bmp.resize(pixels);
  bmp.insert(bmp.end(), {0, 1});
  if (bmp.size() < bytes) bmp.resize(bytes, 0);
  PutLe32(bmp, 2, static_cast<uint32_t>(bmp.size()));
  return bmp;
}

// An 8-bit PCX (version 5: one plane, run-length lines, the 256-colour palette behind 0x0C).
inline std::vector<uint8_t> Pcx8(int w = 32, int h = 24) {
  const int line = (w + 1) & ~1;
  std::vector<uint8_t> f(128, 0);
  f[0] = 0x0A;
  f[1] = 5;
  f[2] = 1;
  f[3] = 8;
  f[8] = static_cast<uint8_t>(w - 1);
  f[9] = static_cast<uint8_t>((w - 1) >> 8);
  f[10] = static_cast<uint8_t>(h - 1);
  f[11] = static_cast<uint8_t>((h - 1) >> 8);
  f[65] = 1;
  f[66] = static_cast<uint8_t>(line);
  f[67] = static_cast<uint8_t>(line >> 8);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < line;) {
      const int run = std::min(line - x, 1 + (x + y) % 5);
      f.insert(f.end(), {static_cast<uint8_t>(0xC0 | run), static_cast<uint8_t>((x * 7 + y * 3) & 0xFF)});
      x += run;
    }
  }
  f.push_back(0x0C);
  for (int i = 0; i < 256; ++i)
    f.insert(f.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 5)});
  return f;
}

// A placeable Windows metafile of our writer whose box claims w x h pixels (at 96 per inch),
// padded with an escape record to `bytes` in all.
inline std::vector<uint8_t> WmfClaiming(int16_t w, int16_t h, size_t bytes) {
  RasterImage image;
  Stripes(image, 8, 6);
  std::vector<uint8_t> wmf = Encoded(image, WriteWmf);
  wmf[10] = static_cast<uint8_t>(w);
  wmf[11] = static_cast<uint8_t>(w >> 8);
  wmf[12] = static_cast<uint8_t>(h);
  wmf[13] = static_cast<uint8_t>(h >> 8);
  if (wmf.size() + 8 < bytes) {
    const size_t words = (bytes - wmf.size()) / 2;
    std::vector<uint8_t> escape;
    PutU32le(escape, static_cast<uint32_t>(words));
    PutU16le(escape, 0x0626);
    escape.resize(words * 2, 0);
    wmf.insert(wmf.end() - 6, escape.begin(), escape.end());  // before the end record
  }
  return wmf;
}

// An enhanced metafile of our writer whose frame claims w x h pixels (at 96 per inch).
inline std::vector<uint8_t> EmfClaiming(int32_t w, int32_t h) {
  RasterImage image;
  Stripes(image, 8, 6);
  std::vector<uint8_t> emf = Encoded(image, WriteEmf);
  PutLe32(emf, 32, static_cast<uint32_t>(int64_t{w} * 2540 / 96));
  PutLe32(emf, 36, static_cast<uint32_t>(int64_t{h} * 2540 / 96));
  return emf;
}

// Our deflate TIFF with its size changed to w x h in one strip, whose byte count takes in
// `bytes` of zeros appended to the file (data the strip never needs).
inline std::vector<uint8_t> TiffDeflateClaiming(uint32_t w, uint32_t h, size_t bytes) {
  std::vector<uint8_t> tif = GoodTiff(8, 16, 16);
  SetTiffValue(tif, 256, w);
  SetTiffValue(tif, 257, h);
  SetTiffValue(tif, 278, h);
  const size_t e = TiffEntry(tif, 279);
  const uint32_t count = tif[e + 8] | (tif[e + 9] << 8) | (tif[e + 10] << 16);
  const size_t start = tif.size();
  if (bytes > start) tif.resize(bytes, 0);
  // The strip is the last data our writer puts before the directory; counting on to the end
  // of the file is enough for the lie.
  SetTiffValue(tif, 279, static_cast<uint32_t>(count + (tif.size() - start)));
  return tif;
}

// A PNG chunk: length, type, data, CRC.
inline void PngChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  PutU32be(png, static_cast<uint32_t>(data.size()));
  const size_t at = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  PutU32be(png, static_cast<uint32_t>(crc32(0, png.data() + at, static_cast<uInt>(data.size() + 4))));
}

// An RGB PNG claiming w x h whose picture data holds `rows` rows of zeros, padded with a
// private chunk to `bytes` in all.
inline std::vector<uint8_t> PngClaiming(uint32_t w, uint32_t h, uint32_t rows, size_t bytes) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  PutU32be(ihdr, w);
  PutU32be(ihdr, h);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  PngChunk(png, "IHDR", ihdr);
  const std::vector<uint8_t> raw(static_cast<size_t>(rows) * (w * 3 + 1), 0);
  std::vector<uint8_t> packed(compressBound(static_cast<uLong>(raw.size())));
  uLongf n = static_cast<uLongf>(packed.size());
  compress2(packed.data(), &n, raw.data(), static_cast<uLong>(raw.size()), 9);
  packed.resize(n);
  PngChunk(png, "IDAT", packed);
  if (png.size() + 24 < bytes) PngChunk(png, "prVt", std::vector<uint8_t>(bytes - png.size() - 24, 0));
  PngChunk(png, "IEND", {});
  return png;
}

// A small grey PNG with a text chunk that claims 2 GB but ends with the file: after the
// picture data, or before it.
inline std::vector<uint8_t> PngTextClaiming2GB(bool afterPicture) {
  const std::vector<uint8_t> whole = PngClaiming(12, 8, 8, 0);
  const size_t idat = 33;  // after the signature and the IHDR chunk
  const size_t iend = whole.size() - 12;
  std::vector<uint8_t> png(whole.begin(), whole.begin() + (afterPicture ? iend : idat));
  PutU32be(png, 0x7A000025);
  const char text[] = "tEXtdate:modify\0" "2026-12-09T22:26:08+00:00";
  png.insert(png.end(), text, text + sizeof text - 1);
  if (!afterPicture) png.insert(png.end(), whole.begin() + idat, whole.end());
  else png.insert(png.end(), whole.begin() + iend, whole.end());
  return png;
}

// Waits (up to a minute) until the inotify descriptor reports an event whose file name
// `wanted` accepts; false when none came.
inline bool WaitForNamedEvent(int watch, const std::function<bool(const char*)>& wanted) {
  alignas(inotify_event) char events[4096];
  pollfd ready{watch, POLLIN, 0};
  while (poll(&ready, 1, 60000) == 1) {
    const ssize_t n = read(watch, events, sizeof events);
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(events + at);
      if (e->len > 0 && wanted(e->name)) return true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
  }
  return false;
}

// The address space or data size (resource) now in use, from /proc/self/status.
inline uint64_t ProcessBytes(const char* field) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return 0;
  char line[256];
  unsigned long long kb = 0;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, field, n) == 0 && line[n] == ':') std::sscanf(line + n + 1, "%llu", &kb);
  }
  std::fclose(f);
  return kb * 1024;
}

// Runs body in a child process; the growth of its resident memory while body ran, at the
// highest, or UINT64_MAX when the child died. *result is body's result (0…255).
inline uint64_t PeakResidentGrowth(const std::function<int()>& body, int* result) {
  std::fflush(nullptr);
  int pipe[2];
  if (::pipe(pipe) != 0) return UINT64_MAX;
  const pid_t child = fork();
  if (child == 0) {
    ::close(pipe[0]);
    const uint64_t before = ProcessBytes("VmRSS");
    const int rc = body();
    const uint64_t report[2] = {ProcessBytes("VmHWM") - std::min(before, ProcessBytes("VmHWM")),
                                static_cast<uint64_t>(rc)};
    _exit(::write(pipe[1], report, sizeof report) == sizeof report ? 0 : 1);
  }
  ::close(pipe[1]);
  uint64_t report[2] = {UINT64_MAX, 255};
  const bool read = ::read(pipe[0], report, sizeof report) == sizeof report;
  ::close(pipe[0]);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !read) return UINT64_MAX;
  if (result != nullptr) *result = static_cast<int>(report[1]);
  return report[0];
}

// Runs body in a child process allowed `extra` bytes more than it uses now: of address space
// (RLIMIT_AS), or of private writable memory (RLIMIT_DATA), which a read-only mapping of a
// file does not count against. Returns body's result (0…255), or -1 when the child died.
// A regression then fails here instead of eating the machine.
inline int RunWithMemoryLimit(int resource, uint64_t extra, const std::function<int()>& body) {
  const uint64_t used = ProcessBytes(resource == RLIMIT_AS ? "VmSize" : "VmData");
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit{used + extra, used + extra};
    if (setrlimit(resource, &limit) != 0) _exit(255);
    _exit(body() & 0xFF);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvane::test
