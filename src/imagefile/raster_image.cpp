#include "imagefile/raster_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "base/worker_pool.h"

namespace orvane {

PixelBlock AllocatePixels(uint64_t bytes) {
  if (bytes == 0 || bytes > SIZE_MAX / 2) return nullptr;
  return PixelBlock(static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bytes))));
}

namespace {

bool ValidDepth(int depth) { return depth == 1 || depth == 8 || depth == 24 || depth == 32; }

// Copies a picture's bytes. A photograph is copied by every core: most of the time goes on the
// kernel handing out the new block's pages, and each core can take its share of those.
void CopyBytes(uint8_t* to, const uint8_t* from, uint64_t bytes) {
  constexpr uint64_t kPiece = uint64_t{4} << 20;
  if (bytes < 4 * kPiece) {
    std::memcpy(to, from, static_cast<size_t>(bytes));
    return;
  }
  WorkerPool pool(DefaultThreadCount());
  pool.run(static_cast<int64_t>((bytes + kPiece - 1) / kPiece), [&](int64_t piece, int) {
    const uint64_t at = static_cast<uint64_t>(piece) * kPiece;
    std::memcpy(to + at, from + at, static_cast<size_t>(std::min(kPiece, bytes - at)));
  });
}

}  // namespace

uint64_t RasterImage::ImageBytes(int64_t width, int64_t height, int depth) {
  if (width <= 0 || height <= 0 || depth <= 0) return 0;
  if (depth == 1) return static_cast<uint64_t>(height) * static_cast<uint64_t>((width + 7) / 8);
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(depth / 8) *
         static_cast<uint64_t>(height);
}

int RasterImage::RowBytes() const {
  switch (bitsPerPixel_) {
    case 1: return (width_ + 7) / 8;
    case 8: return width_;
    case 24: return width_ * 3;
    default: return 0;
  }
}

void RasterImage::SetPaletteSize(int entries) { paletteSize_ = std::clamp(entries, 0, 256); }

void RasterImage::Release() {
  pixels_.reset();
  width_ = 0;
  height_ = 0;
  bitsPerPixel_ = 0;
  paletteSize_ = 0;
}

int RasterImage::Create(int newWidth, int newHeight, int depth) {
  Release();
  if (newWidth <= 0 || newHeight <= 0 || !ValidDepth(depth)) return kInvalidArgument;
  if (static_cast<int64_t>(newWidth) * newHeight > kMaxPixels) return kOutOfMemory;
  PixelBlock block = AllocatePixels(ImageBytes(newWidth, newHeight, depth));
  if (!block) return kOutOfMemory;
  pixels_ = std::move(block);
  width_ = newWidth;
  height_ = newHeight;
  bitsPerPixel_ = depth;
  pixelsFromCodec = false;
  return kOk;
}

void RasterImage::AdoptPixels(PixelBlock block, int newWidth, int newHeight, int depth,
                              bool fromCodec) {
  Release();
  if (!block) return;
  pixels_ = std::move(block);
  width_ = newWidth;
  height_ = newHeight;
  bitsPerPixel_ = depth;
  pixelsFromCodec = fromCodec;
}

PixelBlock RasterImage::DetachPixels() {
  PixelBlock block = std::move(pixels_);
  Release();
  return block;
}

int RasterImage::TakeOver(RasterImage& source) {
  if (&source == this) return IsEmpty() ? kInvalidArgument : kOk;
  Release();
  if (source.IsEmpty()) return kInvalidArgument;
  pixels_ = std::move(source.pixels_);
  pixelsFromCodec = source.pixelsFromCodec;
  width_ = source.Width();
  height_ = source.Height();
  bitsPerPixel_ = source.BitsPerPixel();
  paletteSize_ = source.PaletteSize();
  std::copy_n(source.palette.begin(), paletteSize_, palette.begin());
  fileType = source.fileType;
  resolutionX = source.resolutionX;
  resolutionY = source.resolutionY;
  resolutionUnit = source.resolutionUnit;
  source.Release();
  return kOk;
}

int RasterImage::CopyInfo(const RasterImage& source) {
  if (&source == this) return kOk;
  resolutionX = source.resolutionX;
  resolutionY = source.resolutionY;
  resolutionUnit = source.resolutionUnit;
  filePath = source.filePath;
  pageIndex = source.pageIndex;
  fileType = source.fileType;
  return kOk;
}

int RasterImage::CopyFrom(const RasterImage& source) {
  if (&source == this) return kOk;
  if (source.IsEmpty()) {
    Release();
    CopyInfo(source);
    return kOk;
  }
  int rc = Create(source.Width(), source.Height(), source.BitsPerPixel());
  if (rc != kOk) return rc;
  CopyBytes(pixels_.get(), source.pixels_.get(), ImageBytes(width_, height_, bitsPerPixel_));
  paletteSize_ = source.PaletteSize();
  std::copy_n(source.palette.begin(), paletteSize_, palette.begin());
  return CopyInfo(source);
}

int RasterImage::ToIndexed(RasterImage& destination) const {
  if (IsEmpty()) return kInvalidArgument;
  if (&destination == this) return kInvalidArgument;
  if (bitsPerPixel_ == 8) return destination.CopyFrom(*this);
  if (bitsPerPixel_ != 1) return kInvalidArgument;
  int rc = destination.Create(width_, height_, 8);
  if (rc != kOk) return rc;
  const int rowBytes = RowBytes();
  for (int y = 0; y < height_; ++y) {
    const uint8_t* in = pixels_.get() + static_cast<size_t>(y) * rowBytes;
    uint8_t* out = destination.Pixels() + static_cast<size_t>(y) * width_;
    for (int x = 0; x < width_; ++x) out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
  }
  destination.SetPaletteSize(256);
  destination.palette = palette;
  return destination.CopyInfo(*this);
}

int RasterImage::ToTrueColour(RasterImage& destination) const {
  if (IsEmpty()) return kInvalidArgument;
  if (&destination == this) return kInvalidArgument;
  if (bitsPerPixel_ == 24) return destination.CopyFrom(*this);
  if (bitsPerPixel_ == 1) {
    RasterImage indexed;
    int rc = ToIndexed(indexed);
    if (rc != kOk) return rc;
    rc = indexed.ToTrueColour(destination);
    if (rc != kOk) return rc;
    return destination.CopyInfo(*this);
  }
  if (bitsPerPixel_ != 8) return kInvalidArgument;
  int rc = destination.Create(width_, height_, 24);
  if (rc != kOk) return rc;
  const size_t count = static_cast<size_t>(width_) * height_;
  const uint8_t* in = pixels_.get();
  uint8_t* out = destination.Pixels();
  for (size_t i = 0; i < count; ++i) {
    const PaletteEntry& e = palette[in[i]];
    out[i * 3] = e.red;
    out[i * 3 + 1] = e.green;
    out[i * 3 + 2] = e.blue;
  }
  return destination.CopyInfo(*this);
}

int RasterImage::MakeTrueColour() {
  if (IsEmpty()) return kInvalidArgument;
  if (bitsPerPixel_ == 1 || bitsPerPixel_ == 24) return kOk;
  RasterImage wide;
  int rc = ToTrueColour(wide);
  if (rc != kOk) return rc;
  return TakeOver(wide);
}

int RasterImage::ToTwoColour(RasterImage& destination, int threshold) const {
  if (IsEmpty()) return kInvalidArgument;
  if (&destination == this) return kInvalidArgument;
  if (bitsPerPixel_ != 1 && bitsPerPixel_ != 8 && bitsPerPixel_ != 24) return kInvalidArgument;
  int rc = destination.Create(width_, height_, 8);
  if (rc != kOk) return rc;
  const int64_t limit = 3 * static_cast<int64_t>(threshold) * threshold;
  auto index = [limit](int r, int g, int b) -> uint8_t {
    return (r * r + g * g + b * b) <= limit ? 0 : 1;
  };
  const int rowBytes = RowBytes();
  for (int y = 0; y < height_; ++y) {
    const uint8_t* in = pixels_.get() + static_cast<size_t>(y) * rowBytes;
    uint8_t* out = destination.Pixels() + static_cast<size_t>(y) * width_;
    for (int x = 0; x < width_; ++x) {
      if (bitsPerPixel_ == 24) {
        out[x] = index(in[x * 3], in[x * 3 + 1], in[x * 3 + 2]);
      } else {
        const int i = bitsPerPixel_ == 8 ? in[x] : (in[x >> 3] >> (7 - (x & 7))) & 1;
        out[x] = index(palette[i].red, palette[i].green, palette[i].blue);
      }
    }
  }
  destination.SetPaletteSize(2);
  destination.palette[0] = PaletteEntry{0, 0, 0, 0};
  destination.palette[1] = PaletteEntry{255, 255, 255, 0};
  return destination.CopyInfo(*this);
}

namespace {

// Bilinear: destination i samples source position i * s, s = w / n when shrinking and
// (w - w / n) / n when enlarging, so the last destination pixel lands near the last source one.
struct Tap {
  int i0;
  int i1;
  double f;  // weight of i1
};

std::vector<Tap> BilinearTaps(int w, int n) {
  std::vector<Tap> taps(static_cast<size_t>(n));
  const double s = n <= w ? static_cast<double>(w) / n
                          : (static_cast<double>(w) - static_cast<double>(w) / n) / n;
  for (int i = 0; i < n; ++i) {
    const double pos = i * s;
    int i0 = static_cast<int>(pos);
    if (i0 > w - 1) i0 = w - 1;
    const int i1 = std::min(i0 + 1, w - 1);
    taps[static_cast<size_t>(i)] = Tap{i0, i1, pos - i0};
  }
  return taps;
}

void Bilinear(const uint8_t* src, int sw, int sh, uint8_t* dst, int dw, int dh, int channels) {
  const std::vector<Tap> xs = BilinearTaps(sw, dw);
  const std::vector<Tap> ys = BilinearTaps(sh, dh);
  const size_t srow = static_cast<size_t>(sw) * channels;
  for (int y = 0; y < dh; ++y) {
    const Tap& ty = ys[static_cast<size_t>(y)];
    const uint8_t* r0 = src + ty.i0 * srow;
    const uint8_t* r1 = src + ty.i1 * srow;
    uint8_t* out = dst + static_cast<size_t>(y) * dw * channels;
    for (int x = 0; x < dw; ++x) {
      const Tap& tx = xs[static_cast<size_t>(x)];
      for (int c = 0; c < channels; ++c) {
        const double top = r0[tx.i0 * channels + c] * (1 - tx.f) + r0[tx.i1 * channels + c] * tx.f;
        const double bottom =
            r1[tx.i0 * channels + c] * (1 - tx.f) + r1[tx.i1 * channels + c] * tx.f;
        const double v = top * (1 - ty.f) + bottom * ty.f + 0.5;
        out[x * channels + c] = static_cast<uint8_t>(std::min(255.0, v));
      }
    }
  }
}

// Area averaging for shrinking: each destination pixel covers [i w / n, (i + 1) w / n) of the
// source; the weights are the covered fractions of each source pixel.
struct Span {
  int first;
  std::vector<double> weights;  // normalised to sum 1
};

std::vector<Span> AreaSpans(int w, int n) {
  std::vector<Span> spans(static_cast<size_t>(n));
  const double scale = static_cast<double>(w) / n;
  for (int i = 0; i < n; ++i) {
    const double a = i * scale;
    const double b = (i + 1) * scale;
    const int first = static_cast<int>(a);
    const int last = std::min(w - 1, static_cast<int>(std::ceil(b)) - 1);
    Span& s = spans[static_cast<size_t>(i)];
    s.first = first;
    double total = 0;
    for (int j = first; j <= last; ++j) {
      const double cover = std::min<double>(b, j + 1) - std::max<double>(a, j);
      s.weights.push_back(cover > 0 ? cover : 0);
      total += cover > 0 ? cover : 0;
    }
    if (total <= 0) {
      s.weights.assign(1, 1.0);
      continue;
    }
    for (double& wt : s.weights) wt /= total;
  }
  return spans;
}

// The horizontal pass of AreaAverage over rows y0 ... y1 - 1, for pixels of kChannels bytes:
// each output's sums stay in registers (in memory the byte pointer could alias them).
template <int kChannels>
void AverageAcross(const uint8_t* src, int sw, const std::vector<Span>& xs, int64_t y0, int64_t y1,
                   double* mid) {
  const int dw = static_cast<int>(xs.size());
  for (int64_t y = y0; y < y1; ++y) {
    const uint8_t* row = src + static_cast<size_t>(y) * sw * kChannels;
    double* out = mid + static_cast<size_t>(y) * dw * kChannels;
    for (int x = 0; x < dw; ++x) {
      const Span& s = xs[static_cast<size_t>(x)];
      double sum[kChannels] = {};
      for (size_t k = 0; k < s.weights.size(); ++k) {
        const uint8_t* p = row + (s.first + static_cast<int>(k)) * kChannels;
        for (int c = 0; c < kChannels; ++c) sum[c] += p[c] * s.weights[k];
      }
      for (int c = 0; c < kChannels; ++c) out[x * kChannels + c] = sum[c];
    }
  }
}

bool AreaAverage(const uint8_t* src, int sw, int sh, uint8_t* dst, int dw, int dh, int channels) {
  const std::vector<Span> xs = AreaSpans(sw, dw);
  const std::vector<Span> ys = AreaSpans(sh, dh);
  // Horizontal pass into doubles so that rounding happens once, at the end.
  std::vector<double> mid;
  try {
    mid.assign(static_cast<size_t>(dw) * sh * channels, 0.0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // A photograph shrunk to a thumbnail is tens of millions of products: rows go to every core.
  WorkerPool pool(static_cast<int64_t>(sw) * sh >= (int64_t{1} << 20) ? DefaultThreadCount() : 1);
  ForRows(&pool, sh, [&](int64_t y0, int64_t y1) {
    if (channels == 4) {
      AverageAcross<4>(src, sw, xs, y0, y1, mid.data());
    } else {
      AverageAcross<3>(src, sw, xs, y0, y1, mid.data());
    }
  });
  const size_t midRow = static_cast<size_t>(dw) * channels;
  ForRows(&pool, dh, [&](int64_t y0, int64_t y1) {
    for (int64_t y = y0; y < y1; ++y) {
      const Span& s = ys[static_cast<size_t>(y)];
      uint8_t* out = dst + static_cast<size_t>(y) * midRow;
      for (size_t i = 0; i < midRow; ++i) {
        double v = 0;
        for (size_t k = 0; k < s.weights.size(); ++k)
          v += mid[(s.first + k) * midRow + i] * s.weights[k];
        out[i] = static_cast<uint8_t>(std::min(255.0, v + 0.5));
      }
    }
  });
  return true;
}

// Index images cannot be interpolated: nearest neighbour keeps the palette meaningful.
void Nearest(const RasterImage& src, RasterImage& dst) {
  const int sw = src.Width(), sh = src.Height(), dw = dst.Width(), dh = dst.Height();
  const int srow = src.RowBytes(), drow = dst.RowBytes();
  if (src.BitsPerPixel() == 1) std::memset(dst.Pixels(), 0, static_cast<size_t>(drow) * dh);
  for (int y = 0; y < dh; ++y) {
    const int sy = static_cast<int>(static_cast<int64_t>(y) * sh / dh);
    const uint8_t* in = src.Pixels() + static_cast<size_t>(sy) * srow;
    uint8_t* out = dst.Pixels() + static_cast<size_t>(y) * drow;
    for (int x = 0; x < dw; ++x) {
      const int sx = static_cast<int>(static_cast<int64_t>(x) * sw / dw);
      if (src.BitsPerPixel() == 8) {
        out[x] = in[sx];
      } else if ((in[sx >> 3] >> (7 - (sx & 7))) & 1) {
        out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  }
}

}  // namespace

int RasterImage::Resample(const RasterImage& source, int newWidth, int newHeight, int filter) {
  if (&source == this) return ResizeInPlace(newWidth, newHeight, filter);
  if (source.IsEmpty()) return kInvalidArgument;
  if (newWidth <= 0 || newHeight <= 0) return kInvalidArgument;
  if (newWidth == source.Width() && newHeight == source.Height()) return CopyFrom(source);
  int rc = Create(newWidth, newHeight, source.BitsPerPixel());
  if (rc != kOk) return rc;
  const int depth = source.BitsPerPixel();
  if (depth == 24 || depth == 32) {
    const int channels = depth / 8;
    const bool enlarging = newWidth > source.Width() || newHeight > source.Height();
    if (filter == 2 && !enlarging) {
      if (!AreaAverage(source.Pixels(), source.Width(), source.Height(), Pixels(), newWidth,
                       newHeight, channels)) {
        Release();
        return kOutOfMemory;
      }
    } else {
      Bilinear(source.Pixels(), source.Width(), source.Height(), Pixels(), newWidth, newHeight,
               channels);
    }
  } else {
    Nearest(source, *this);
  }
  paletteSize_ = source.PaletteSize();
  palette = source.palette;
  fileType = source.fileType;
  resolutionX = source.resolutionX;
  resolutionY = source.resolutionY;
  resolutionUnit = source.resolutionUnit;
  return kOk;
}

int RasterImage::ResizeInPlace(int newWidth, int newHeight, int filter) {
  RasterImage resized;
  int rc = resized.Resample(*this, newWidth, newHeight, filter);
  if (rc != kOk) return rc;
  return TakeOver(resized);
}

void RasterImage::ResetCameraInfo() {
  cameraMake.clear();
  cameraModel.clear();
  dateTaken.clear();
  exposureTime = 0;
  shutterTime = 0;
  fNumber = 0;
  isoSpeed = 0;
  orientation = 1;
}

namespace {

// Writes the oriented copy of a W x H 24-bit block: output pixel (x, y) is read from the stored
// pixel the orientation names.
void Orient(const uint8_t* in, int w, int h, int orientation, uint8_t* out, int bpp) {
  const bool swap = orientation >= 5;
  const int ow = swap ? h : w;
  const int oh = swap ? w : h;
  for (int y = 0; y < oh; ++y) {
    uint8_t* dst = out + static_cast<size_t>(y) * ow * bpp;
    for (int x = 0; x < ow; ++x) {
      int sx = x, sy = y;
      switch (orientation) {
        case 2: sx = w - 1 - x; sy = y; break;
        case 3: sx = w - 1 - x; sy = h - 1 - y; break;
        case 4: sx = x; sy = h - 1 - y; break;
        case 5: sx = y; sy = x; break;
        case 6: sx = y; sy = h - 1 - x; break;
        case 7: sx = w - 1 - y; sy = h - 1 - x; break;
        case 8: sx = w - 1 - y; sy = x; break;
        default: break;
      }
      const uint8_t* src = in + (static_cast<size_t>(sy) * w + sx) * bpp;
      for (int c = 0; c < bpp; ++c) dst[x * bpp + c] = src[c];
    }
  }
}

}  // namespace

int ApplyOrientation(PixelBlock& block, int& width, int& height, int orientation,
                     int bytesPerPixel) {
  if (!block || width <= 0 || height <= 0 || orientation < 2 || orientation > 8) return kOk;
  if (bytesPerPixel < 1 || bytesPerPixel > 4) return kInvalidArgument;
  PixelBlock out = AllocatePixels(RasterImage::ImageBytes(width, height, bytesPerPixel * 8));
  if (!out) return kOutOfMemory;
  Orient(block.get(), width, height, orientation, out.get(), bytesPerPixel);
  block = std::move(out);
  if (orientation >= 5) std::swap(width, height);
  return kOk;
}

int UndoOrientation(int width, int height, const uint8_t* block, int orientation,
                    PixelBlock& out) {
  out.reset();
  if (!block || width <= 0 || height <= 0 || orientation < 2 || orientation > 8) return kOk;
  const int inverse = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
  out = AllocatePixels(RasterImage::ImageBytes(width, height, 24));
  if (!out) return kOutOfMemory;
  Orient(block, width, height, inverse, out.get(), 3);
  return kOk;
}

}  // namespace orvane
