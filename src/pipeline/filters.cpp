#include "pipeline/filters.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/worker_pool.h"

#define ORVANE_RESTRICT __restrict__

namespace orvane {
namespace {

bool Valid(const InterleavedImage& image) {
  return image.data != nullptr && image.width > 0 && image.height > 0 &&
         image.bytesPerPixel >= 1 && image.bytesPerPixel <= 8 &&
         image.stride >= static_cast<ptrdiff_t>(image.width) * image.bytesPerPixel;
}

// The sharpening formula for bytes bpp ... end - 1 of a row (each byte's neighbours are bpp
// apart), written so that the compiler runs it on vector lanes.
void SharpenInside(const uint8_t* ORVANE_RESTRICT u, const uint8_t* ORVANE_RESTRICT m,
                   const uint8_t* ORVANE_RESTRICT d, uint8_t* ORVANE_RESTRICT out, int bpp,
                   int end, double e) {
  for (int i = bpp; i < end; ++i) {
    const int v = m[i];
    const int lap = u[i - bpp] + u[i] + u[i + bpp] + m[i - bpp] + m[i + bpp] + d[i - bpp] +
                    d[i] + d[i + bpp] - 8 * v;
    const int t = static_cast<int>(v - e * lap);
    out[i] = static_cast<uint8_t>(t <= 0 ? 0 : (t > 255 ? 255 : t));
  }
}

}  // namespace

void SharpenRow(const uint8_t* up, const uint8_t* row, const uint8_t* down, uint8_t* out,
                int width, int bytesPerPixel, int amount) {
  const double e = std::clamp(amount, 0, 100) * 0.005;
  const int bpp = bytesPerPixel, rowBytes = width * bpp;
  // One value of the filter; neighbours beyond the edge are the edge pixel itself.
  auto value = [&](int i, int l, int r) {
    const int v = row[i];
    const int s8 = up[l] + up[i] + up[r] + row[l] + row[r] + down[l] + down[i] + down[r];
    const double hv = v - e * (s8 - 8 * v);
    const int t = static_cast<int>(hv);
    return static_cast<uint8_t>(t <= 0 ? 0 : (t > 255 ? 255 : t));
  };
  for (int c = 0; c < bpp; ++c) {
    out[c] = value(c, c, width > 1 ? c + bpp : c);
    if (width > 1) {
      const int last = (width - 1) * bpp + c;
      out[last] = value(last, last - bpp, last);
    }
  }
  SharpenInside(up, row, down, out, bpp, rowBytes - bpp, e);
}

bool Sharpen(const InterleavedImage& source, const InterleavedImage& destination, int amount,
             unsigned mask, WorkerPool* pool) {
  if (!Valid(source) || !Valid(destination)) return false;
  if (source.data == destination.data) return false;
  if (source.width != destination.width || source.height != destination.height ||
      source.bytesPerPixel != destination.bytesPerPixel)
    return false;
  const int w = source.width, h = source.height, bpp = source.bytesPerPixel;
  const int rowBytes = w * bpp;
  std::vector<uint8_t> keep(static_cast<size_t>(rowBytes));
  for (int i = 0; i < rowBytes; ++i) keep[i] = (mask >> (i % bpp)) & 1 ? 0xFF : 0x00;
  const unsigned everyChannel = (1u << bpp) - 1;
  const bool allSelected = (mask & everyChannel) == everyChannel;
  ForRows(pool, h, [&](int64_t y0, int64_t y1) {
    std::vector<uint8_t> line(static_cast<size_t>(rowBytes));
    for (int64_t y = y0; y < y1; ++y) {
      const uint8_t* up = source.data + std::max<int64_t>(y - 1, 0) * source.stride;
      const uint8_t* row = source.data + y * source.stride;
      const uint8_t* down = source.data + std::min<int64_t>(y + 1, h - 1) * source.stride;
      uint8_t* out = destination.data + y * destination.stride;
      if (allSelected) {
        SharpenRow(up, row, down, out, w, bpp, amount);
        continue;
      }
      // Every byte of the row is computed; only the selected channels are stored.
      SharpenRow(up, row, down, line.data(), w, bpp, amount);
      for (int i = 0; i < rowBytes; ++i)
        out[i] = static_cast<uint8_t>((line[i] & keep[i]) | (out[i] & ~keep[i]));
    }
  });
  return true;
}

namespace {

// Planes with a one-sample border of zeros around the image.
struct HullPlanes {
  int w, h;              // interior size
  ptrdiff_t pitch;       // w + 2
  std::unique_ptr<uint8_t[]> p, t;
  uint8_t* at(uint8_t* plane, int x, int y) const { return plane + (y + 1) * pitch + (x + 1); }
};

std::unique_ptr<uint8_t[]> ZeroedBytes(size_t count) {
  try {
    return std::make_unique<uint8_t[]>(count);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

enum class Hull { Lighten, Darken };

// One half of a hulling step: reads src, writes dst over the interior. first selects the first
// of the two sub-passes of lighten or darken.
void HullPass(const HullPlanes& planes, const uint8_t* src, uint8_t* dst, int dx, int dy,
              Hull kind, bool first, WorkerPool* pool) {
  const ptrdiff_t d = dy * planes.pitch + dx;
  ForRows(pool, planes.h, [&](int64_t y0, int64_t y1) {
    for (int64_t y = y0; y < y1; ++y) {
      const ptrdiff_t base = (y + 1) * planes.pitch + 1;
      const uint8_t* s = src + base;
      uint8_t* o = dst + base;
      for (int x = 0; x < planes.w; ++x) {
        const int v = s[x];
        const int ahead = s[x + d];
        int out = v;
        if (kind == Hull::Lighten) {
          if (first) {
            if (ahead > v) out = v + 1;
          } else {
            const int behind = s[x - d];
            if (v <= behind && v < ahead) out = v + 1;
          }
        } else {
          if (first) {
            if (v > ahead + 1) out = v - 1;
          } else {
            const int behind = s[x - d];
            if (v > behind + 1 && v > ahead) out = v - 1;
          }
        }
        o[x] = static_cast<uint8_t>(out);
      }
    }
  });
}

void HullStep(HullPlanes& planes, int dx, int dy, Hull kind, WorkerPool* pool) {
  HullPass(planes, planes.p.get(), planes.t.get(), dx, dy, kind, true, pool);
  HullPass(planes, planes.t.get(), planes.p.get(), dx, dy, kind, false, pool);
}

}  // namespace

bool RemoveSpeckles(const InterleavedImage& image, unsigned mask, WorkerPool* pool) {
  if (!Valid(image)) return false;
  HullPlanes planes{image.width, image.height, image.width + 2, nullptr, nullptr};
  const size_t count = static_cast<size_t>(image.width + 2) * static_cast<size_t>(image.height + 2);
  planes.p = ZeroedBytes(count);
  planes.t = ZeroedBytes(count);
  if (!planes.p || !planes.t) return false;
  static constexpr int kDirections[4][2] = {{0, 1}, {1, 0}, {1, 1}, {-1, 1}};
  const int bpp = image.bytesPerPixel;
  for (int c = 0; c < bpp; ++c) {
    if ((mask & (1u << c)) == 0) continue;
    ForRows(pool, image.height, [&](int64_t y0, int64_t y1) {
      for (int64_t y = y0; y < y1; ++y) {
        const uint8_t* row = image.data + y * image.stride + c;
        uint8_t* p = planes.at(planes.p.get(), 0, static_cast<int>(y));
        for (int x = 0; x < image.width; ++x) p[x] = row[x * bpp];
      }
    });
    for (const auto& dir : kDirections) {
      const int dx = dir[0], dy = dir[1];
      HullStep(planes, dx, dy, Hull::Lighten, pool);
      HullStep(planes, -dx, -dy, Hull::Lighten, pool);
      HullStep(planes, -dx, -dy, Hull::Darken, pool);
      HullStep(planes, dx, dy, Hull::Darken, pool);
      // The interior of T is rewritten by every pass and its border never, so it needs no clearing.
    }
    ForRows(pool, image.height, [&](int64_t y0, int64_t y1) {
      for (int64_t y = y0; y < y1; ++y) {
        uint8_t* row = image.data + y * image.stride + c;
        const uint8_t* p = planes.at(planes.p.get(), 0, static_cast<int>(y));
        for (int x = 0; x < image.width; ++x) row[x * bpp] = p[x];
      }
    });
  }
  return true;
}

}  // namespace orvane
