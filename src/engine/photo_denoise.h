// The photograph denoiser behind Photo mode.
//
// Brightness and colour are handled apart: the picture is turned into one luminance and two
// colour-difference planes (an orthonormal transform, so white noise keeps its spread), and each
// plane is cleaned by shrinkage in overlapping 8 x 8 cosine-transform blocks, in two passes. The
// first pass cuts small coefficients away (hard threshold) and gives a pilot picture; the second
// weighs every coefficient of the noisy picture by how much of it the pilot says is signal (an
// empirical Wiener filter). Overlapping blocks are averaged with a window and with weights that
// favour blocks the filter found simple. The noise may grow with brightness: each block is
// cleaned for the noise at its own brightness, from a model measured on the picture.
//
// The output at a pixel depends only on the input within kPhotoHalo pixels, and blocks sit on a
// grid fixed to the region's origin, so a region cleaned piece by piece (each piece read with
// its surroundings) gives the same bytes as the region cleaned whole, for any thread count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/rect.h"
#include "engine/noise_reduce.h"

namespace orvane {

// Noise variance of one colour channel as a function of its value v (8-bit steps):
// variance(v) = gain * v + floor. Gaussian noise has gain 0; photon noise adds the gain.
struct ChannelNoise {
  double gain = 0;
  double floor = 0;
  double sigmaAt(double v) const;
};

struct NoiseModel {
  ChannelNoise channel[3];  // red, green, blue
};

// How far around an output pixel the denoiser reads.
inline constexpr int kPhotoHalo = 16;

struct PhotoDenoiseParams {
  NoiseModel noise;          // the noise to remove; every sigma is multiplied by strength
  double strength = 1.0;     // 0 returns the input unchanged
  int threads = 0;           // 0: DefaultThreadCount()
  ProgressCallback progress = nullptr;  // called on the calling thread between batches of rows
  void* progressContext = nullptr;
};

// Working memory that calls for the parts of one region may share, so that each part does not
// fault in fresh pages.
struct PhotoScratch {
  struct Store {
    std::unique_ptr<float[]> data;
    size_t size = 0;
  };
  Store noisy, pilot;
};

// Cleans the part `out` of a region of packed pixels (red, green, blue, fourth byte; rows
// stride bytes apart) of width x height pixels. Reads src within kPhotoHalo of `out` (mirrored
// at the region's sides), writes bytes 0..2 of dst inside `out` only; src and dst may not be
// the same buffer. Returns NR_OK, NR_CANCELLED (dst may then be partly written),
// NR_OUT_OF_MEMORY or NR_INVALID_PARAMETER.
int PhotoDenoise(const uint8_t* src, uint8_t* dst, int width, int height, int64_t stride,
                 const Rect& out, const PhotoDenoiseParams& params,
                 PhotoScratch* scratch = nullptr);

}  // namespace orvane
