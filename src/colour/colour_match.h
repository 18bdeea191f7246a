// Histogram matching: cumulative distributions per channel, the monotone table search and the
// Gaussian smoothing of the resulting tables.
#pragma once

#include <array>
#include <cstdint>

#include "colour/colour_params.h"

namespace orvane {

// D[i] is the share of pixels whose value in one channel is at most i (0 .. 1).
using CumulativeDistribution = std::array<double, 256>;

// Red, green and blue.
struct ChannelDistributions {
  CumulativeDistribution red{};
  CumulativeDistribution green{};
  CumulativeDistribution blue{};
  bool operator==(const ChannelDistributions&) const = default;
};

// Distributions of packed 3-byte red-green-blue pixels. Returns false, leaving out untouched,
// when there are no pixels.
bool ComputeDistributions(const uint8_t* rgb, int width, int height, ChannelDistributions& out);

// One channel's table: for each source value the first reference value whose share is closest,
// searching on from the previous match so that the table never decreases.
void MatchChannel(const CumulativeDistribution& source, const CumulativeDistribution& reference,
                  std::array<uint8_t, 256>& table);

// Tables from the source and reference distributions, then smoothed.
MatchTables MatchTablesFrom(const ChannelDistributions& source,
                            const ChannelDistributions& reference);

// Gaussian smoothing (sigma 8 table steps) of all three tables, in place. Taps outside the
// table repeat the centre entry; results are truncated, so a constant q >= 1 becomes q - 1.
void SmoothMatchTables(MatchTables& tables);

}  // namespace orvane
