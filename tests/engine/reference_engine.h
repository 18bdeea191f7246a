// The plain noise reducer, written step by step as the algorithm reads: a padded plane of
// doubles, rows filtered one line at a time, columns gathered one sample at a time, the whole
// plane thresholded, then rebuilt and stored. The fast engine must give exactly its bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace orvane::reference {

enum class End { WS, HS };

// Extends line[0 .. n) by 9 samples on each side (the line pointer is sample 0), through one
// period of the symmetric-periodic continuation.
void ExtendSymmetric(double* line, int n, End start, End end);

void Analyze1D(const double* in, int n, double* out);
void Synthesize1D(const double* in, int n, double* out);

struct Plane {
  int64_t a = 0;  // row length
  int64_t b = 0;  // rows
  std::vector<double> v;
  double& at(int64_t row, int64_t col) { return v[row * a + col]; }
};

// Loads one plane of a block (bytes `channel`, or luminance when channel < 0) and pads it.
Plane LoadPlane(const uint8_t* buffer, int width, int height, int64_t stride, int channel);
void PadPlane(Plane& plane, int width, int height);
void ForwardTransform(Plane& plane, int levels);
void SoftThreshold(Plane& plane, double t);
void InverseTransform(Plane& plane, int levels);
void StoreChannel(const Plane& plane, uint8_t* buffer, int width, int height, int64_t stride, int channel);
void StoreLuminance(const Plane& plane, uint8_t* buffer, int width, int height, int64_t stride);

// The whole block, for valid arguments (no progress, no cancellation).
void NoiseReduce(uint8_t* buffer, int width, int height, int64_t stride, int levels,
                 double noiseLevel, bool perChannel);

}  // namespace orvane::reference
