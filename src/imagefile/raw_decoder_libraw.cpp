// Camera raw files through LibRaw, the maintained library form of the public raw decoder. The
// decoder runs with the options of "-w -q 0 -f" (camera white balance, bilinear interpolation,
// four-colour interpolation); its own output conversion is not used, so that the flip, white
// point and tone table are ours.
#include <libraw/libraw.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "imagefile/raw_adapter.h"

namespace orvane {

PixelBlock FlipRawImage(const uint16_t (*image)[4], int& width, int& height, int flip) {
  const int64_t w = width, h = height;
  PixelBlock out = AllocatePixels(static_cast<uint64_t>(w * h) * 8);
  if (!out) return nullptr;
  std::memset(out.get(), 0, static_cast<size_t>(w * h) * 8);
  auto* dst = reinterpret_cast<uint16_t(*)[4]>(out.get());
  for (int64_t r = 0; r < h; ++r) {
    for (int64_t c = 0; c < w; ++c) {
      const int64_t cc = (flip & 1) ? w - 1 - c : c;
      const int64_t rr = (flip & 2) ? h - 1 - r : r;
      const int64_t idx = (flip & 4) ? rr + cc * h : cc + rr * w;
      std::memcpy(dst[idx], image[r * w + c], 8);
    }
  }
  if (flip & 4) std::swap(width, height);
  return out;
}

int RawWhitePoint(const int (*histogram)[kRawHistogramBins], int colours, int width, int height,
                  int rotatedWidth, double brightness) {
  int perc = static_cast<int>(width * static_cast<double>(height) * 0.01);
  if (rotatedWidth) perc /= 2;
  int white = 0;
  for (int c = 0; c < colours && c < 4; ++c) {
    int64_t total = 0;
    int val = kRawHistogramBins;
    while (--val > 32) {
      total += histogram[c][val];
      if (total > perc) break;
    }
    if (white < val) white = val;
  }
  if (!(brightness > 0)) brightness = 1.0;
  return static_cast<int>(white * (8 / brightness));
}

void BuildRawToneTable(int white, bool gamma, uint8_t* table) {
  const double w = white > 0 ? white : 1;
  for (int i = 0; i < 0x10000; ++i) {
    double r = i / w;
    if (gamma) r = r <= 0.018 ? r * 4.5 : std::pow(r, 0.45) * 1.099 - 0.099;
    const double v = std::trunc(r * 256);
    table[i] = v > 255 ? 255 : static_cast<uint8_t>(v);
  }
}

PixelBlock ConvertRawState(const RawDecodeState& state, int& width, int& height) {
  width = height = 0;
  if (state.image == nullptr || state.width <= 0 || state.height <= 0) return nullptr;
  int w = state.width, h = state.height;
  if (int64_t{w} * h > kMaxPixels) return nullptr;
  const uint16_t (*image)[4] = state.image;
  PixelBlock flipped;
  if (state.flip & 7) {
    flipped = FlipRawImage(state.image, w, h, state.flip & 7);
    if (flipped) {
      image = reinterpret_cast<const uint16_t(*)[4]>(flipped.get());
    } else {
      w = state.width;  // no memory for the flip: converted as stored
      h = state.height;
    }
  }
  const uint64_t pixels = static_cast<uint64_t>(w) * h;
  PixelBlock out = AllocatePixels(pixels * 3);
  if (!out) return nullptr;
  const int white = state.histogram
                        ? RawWhitePoint(state.histogram, state.colours, state.width, state.height,
                                        state.rotatedWidth, state.brightness)
                        : 8 * 0x2000;
  PixelBlock table = AllocatePixels(0x10000);
  if (!table) return nullptr;
  BuildRawToneTable(white, state.gamma, table.get());
  uint8_t* d = out.get();
  for (uint64_t i = 0; i < pixels; ++i, d += 3) {
    d[0] = table[image[i][0]];
    d[1] = table[image[i][1]];
    d[2] = table[image[i][2]];
  }
  width = w;
  height = h;
  return out;
}

namespace {

void Quiet(void*, const char*, const int) {}
void QuietMemory(void*, const char*, const char*) {}

// The decoder's buffers are released with the LibRaw object.
using Decoder = std::unique_ptr<LibRaw>;

// Called inside Decode's try block: a failed allocation throws and ends as "no picture".
Decoder MakeDecoder() {
  auto raw = std::make_unique<LibRaw>(LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
  raw->set_dataerror_handler(Quiet, nullptr);
  raw->set_memerror_handler(QuietMemory, nullptr);
  libraw_output_params_t& o = raw->imgdata.params;
  o.use_camera_wb = 1;
  o.user_qual = 0;
  o.four_color_rgb = 1;
  return raw;
}

PixelBlock Finish(LibRaw& raw, int& width, int& height) {
  width = height = 0;
  if (raw.unpack() != LIBRAW_SUCCESS) return nullptr;
  if (raw.dcraw_process() != LIBRAW_SUCCESS) return nullptr;
  const libraw_data_t& d = raw.imgdata;
  RawDecodeState state;
  state.image = d.image;
  state.width = d.sizes.iwidth;
  state.height = d.sizes.iheight;
  state.colours = d.idata.colors;
  state.histogram = raw.get_internal_data_pointer()->output_data.histogram;
  state.rotatedWidth = raw.get_internal_data_pointer()->internal_output_params.fuji_width;
  state.brightness = d.params.bright;
  // LibRaw always applies its gamma curve unless told the output is linear.
  state.gamma = !(d.params.gamm[0] == 1.0 && d.params.gamm[1] == 1.0);
  state.flip = d.sizes.flip;
  return ConvertRawState(state, width, height);
}

template <class Open>
PixelBlock Decode(Open open, int& width, int& height) {
  width = height = 0;
  try {
    Decoder raw = MakeDecoder();
    if (!raw || open(*raw) != LIBRAW_SUCCESS) return nullptr;
    return Finish(*raw, width, height);
  } catch (...) {
    width = height = 0;
    return nullptr;
  }
}

}  // namespace

PixelBlock DecodeRawFileHere(const std::string& path, int& width, int& height) {
  width = height = 0;
  if (path.empty()) return nullptr;
  return Decode([&](LibRaw& raw) { return raw.open_file(path.c_str()); }, width, height);
}

PixelBlock DecodeRawBufferHere(std::span<const uint8_t> file, int& width, int& height) {
  width = height = 0;
  if (file.empty()) return nullptr;
  return Decode(
      [&](LibRaw& raw) {
        // LibRaw reads through a non-const pointer but does not write to the buffer.
        return raw.open_buffer(const_cast<uint8_t*>(file.data()), file.size());
      },
      width, height);
}

}  // namespace orvane
