// One-dimensional pieces of the 9/7 wavelet: filter taps, symmetric extension, and one level of
// analysis and synthesis on a line.
#pragma once

#include <cstdint>

namespace orvane {

inline constexpr int kBlockPad = 32;  // margin around a block in the working plane
inline constexpr int kLineSpare = 9;  // spare samples on each side of a filtered line

inline constexpr double kAnalysisLow[9] = {
    0.037828455506995, -0.02384946501938, -0.110624404418423, 0.377402855612654,
    0.852698679009403, 0.377402855612654, -0.110624404418423, -0.02384946501938,
    0.037828455506995};
inline constexpr double kAnalysisHigh[7] = {-0.0645389, 0.0406894, 0.418092, -0.788486,
                                            0.418092,   0.0406894, -0.0645389};
inline constexpr double kSynthesisLow[7] = {-0.064538882628938, -0.040689417609558,
                                            0.418092273222212,  0.788485616405664,
                                            0.418092273222212,  -0.040689417609558,
                                            -0.064538882628938};
inline constexpr double kSynthesisHigh[9] = {-0.0378285, -0.0238495, 0.110624,
                                             0.377403,   -0.852699,  0.377403,
                                             0.110624,   -0.0238495, -0.0378285};

// How a line continues past an end: WS mirrors about the end sample (not repeated), HS mirrors
// between samples (the end sample is repeated).
enum class LineEnd { WS, HS };

// Index into a line of n samples that virtual position j (any integer) reads, mirroring at the
// ends again and again; for short lines this is the symmetric-periodic continuation.
int ReflectIndex(int64_t j, int n, LineEnd start, LineEnd end);

// Writes `spare` extended samples on each side of line[0 .. n).
void extendSymmetric(double* line, int n, LineEnd start, LineEnd end, int spare = kLineSpare);

// Scratch space for the line routines; sized for lines of up to maxLength samples. Each part
// starts on a whole cache line of the storage.
struct LineScratch {
  double* extended;  // maxLength + 64: one extended line, or the two extended bands
  double* even;      // maxLength / 2 + 16
  double* odd;       // maxLength / 2 + 16
  static int64_t Doubles(int64_t maxLength) { return Whole(maxLength + 64) + 2 * Whole(maxLength / 2 + 16); }
  void assign(double* storage, int64_t maxLength) {
    extended = storage;
    even = extended + Whole(maxLength + 64);
    odd = even + Whole(maxLength / 2 + 16);
  }
  static int64_t Whole(int64_t doubles) { return (doubles + 7) / 8 * 8; }
};

// One analysis level over n >= 2 samples: out holds ceil(n/2) low then floor(n/2) high samples.
// in and out may be the same line.
void analyze1D(const double* in, int n, double* out, LineScratch& scratch);

// Inverse of analyze1D: in holds ceil(n/2) low then floor(n/2) high samples. in and out may be
// the same line.
void synthesize1D(const double* in, int n, double* out, LineScratch& scratch);

}  // namespace orvane
