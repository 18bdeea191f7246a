// How noisy is a picture, and which noise level should the default settings use for it.
//
// The noise is measured where the picture itself is quiet. The picture is cut into tiles of
// 32 x 32 pixels; in each tile the finest diagonal wavelet detail gives a robust noise figure
// (median absolute deviation / 0.6745). Noise spreads evenly over the detail bands, picture
// structure does not: a tile whose horizontal or vertical detail is much stronger holds an edge
// or a gradient and is passed over, and the detail one scale coarser tells how much of the
// diagonal detail is texture, which is taken out. Texture as fine as the noise (foliage,
// gravel) still passes, and there the colours tell: picture detail changes red, green and blue
// together, while sensor noise is drawn for each channel apart, so the part of a channel's
// detail that the other two do not share is the noise, and a tile's figure is no more than that.
// Where the channels share the noise too (JPEG's colour at half resolution, grey noise) and such
// noise covers much of the picture, the figures are the detail's alone. Tiles mostly clipped
// to black or white carry no noise and are left out, and large pictures are sampled tile by
// tile.
#pragma once

#include <cstdint>

#include "engine/photo_denoise.h"

namespace orvane {

class RasterImage;
class WorkerPool;

struct NoiseEstimate {
  double sigma = 0;                // root mean square of the three channels, in 8-bit steps
  double channelSigma[3] = {};     // red, green, blue
  int tilesUsed = 0;               // tiles that measured noise (of any channel)
  int tilesSeen = 0;
  double typicalSigma = 0;         // PictureNoise::sigma: the noise where most of the picture is
  double levelSigma = 0;           // PictureNoise::levelSigma
  double level = 0;                // NoiseLevelForSigma(levelSigma)
};

// rgb: 24-bit pixels, rows of width x 3 bytes (red, green, blue), top row first. A picture
// smaller than one tile is measured as a single tile of what it has. Rows of tiles are spread
// over the pool when there is one; the result is the same.
NoiseEstimate EstimateNoise(const uint8_t* rgb, int width, int height, WorkerPool* pool = nullptr);

// The noise as a function of brightness, per channel, and its typical strength over the
// picture: the root mean square over the picture's tiles of the modelled noise at each tile's
// brightness, so that the figure speaks for where most of the picture is.
struct PictureNoise {
  NoiseModel model;
  double sigma = 0;
  // The figure the classic modes' level is chosen for: the fourth root of the mean squared
  // variance, which leans to where the noise is strongest (the same as sigma for noise that is
  // the same everywhere).
  double levelSigma = 0;
};

// Quiet tiles grouped into bands of brightness; the bands' noise figures give the model's
// variance = gain * value + floor for each channel (gain 0 when only one band has quiet tiles).
PictureNoise MeasurePictureNoise(const uint8_t* rgb, int width, int height,
                                 WorkerPool* pool = nullptr);

// Photo mode's noise level is the noise's typical standard deviation in 8-bit steps. The
// model scaled to a typical sigma of 1, which the level then multiplies; a picture without
// measurable noise gets noise that is the same at every brightness.
NoiseModel PhotoNoiseShape(const PictureNoise& noise);
double PhotoNoiseLevel(const PictureNoise& noise);

// The level "Auto" and --level auto choose for a picture in a mode (High Noise mode's engine
// threshold is four times the level, Photo mode has its own scale), unrounded; -1 for an empty
// picture or one that cannot be widened. threads: 0 for DefaultThreadCount().
double AutomaticNoiseLevel(const RasterImage& picture, int nrMode, int threads = 0);

// The noise level that gives the default settings their best result on noise of this standard
// deviation; a table measured on photographs with added noise, interpolated.
double NoiseLevelForSigma(double sigma);

// The level for a picture (other depths are widened to 24 bits first), rounded to 0.5; -1 for
// an empty picture or one that cannot be widened.
// threads: 0 for DefaultThreadCount().
double EstimateNoiseLevel(const RasterImage& picture, NoiseEstimate* detail = nullptr, int threads = 0);

}  // namespace orvane
