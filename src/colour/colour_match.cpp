#include "colour/colour_match.h"

#include <cmath>
#include <cstddef>

namespace orvane {

bool ComputeDistributions(const uint8_t* rgb, int width, int height, ChannelDistributions& out) {
  if (rgb == nullptr || width <= 0 || height <= 0) return false;
  std::array<std::array<uint64_t, 256>, 3> counts{};
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  const uint8_t* p = rgb;
  for (size_t n = 0; n < count; ++n, p += 3) {
    ++counts[0][p[0]];
    ++counts[1][p[1]];
    ++counts[2][p[2]];
  }
  CumulativeDistribution* targets[3] = {&out.red, &out.green, &out.blue};
  for (int c = 0; c < 3; ++c) {
    uint64_t total = 0;
    for (uint64_t v : counts[c]) total += v;
    const double inv = total == 0 ? 0.0 : 1.0 / static_cast<double>(total);
    double s = 0.0;
    for (int i = 0; i < 256; ++i) {
      s += static_cast<double>(counts[c][i]) * inv;
      (*targets[c])[i] = s;
    }
  }
  return true;
}

void MatchChannel(const CumulativeDistribution& source, const CumulativeDistribution& reference,
                  std::array<uint8_t, 256>& table) {
  int start = 0;
  for (int i = 0; i < 256; ++i) {
    double best = 2.0;
    int k = start;
    for (int j = start; j < 256; ++j) {
      const double d = std::fabs(source[i] - reference[j]);
      if (d < best) {
        best = d;
        k = j;
      }
    }
    table[i] = static_cast<uint8_t>(k);
    start = k;
  }
}

MatchTables MatchTablesFrom(const ChannelDistributions& source,
                            const ChannelDistributions& reference) {
  MatchTables tables;
  MatchChannel(source.red, reference.red, tables.red);
  MatchChannel(source.green, reference.green, tables.green);
  MatchChannel(source.blue, reference.blue, tables.blue);
  SmoothMatchTables(tables);
  return tables;
}

namespace {

constexpr int kTaps = 39;
constexpr int kCentre = 19;

std::array<float, kTaps> SmoothingKernel() {
  std::array<float, kTaps> w{};
  float sum = 0.0f;
  for (int n = 0; n < kTaps; ++n) {
    const double x = (n - kCentre) * 0.125;
    w[n] = static_cast<float>(std::exp(-0.5 * x * x));
    sum += w[n];
  }
  for (float& v : w) v = static_cast<float>(v / sum);
  return w;
}

void SmoothOne(const std::array<uint8_t, 256>& in, const std::array<float, kTaps>& w,
               std::array<uint8_t, 256>& out) {
  for (int i = 0; i < 256; ++i) {
    double acc = 0.0;
    for (int n = 0; n < kTaps; ++n) {
      const int at = i - kCentre + n;
      const int v = (at >= 0 && at < 256) ? in[at] : in[i];
      acc += static_cast<double>(w[n]) * v;
    }
    if (acc > 255.0) acc = 255.0;
    if (acc < 0.0) acc = 0.0;
    out[i] = static_cast<uint8_t>(acc);
  }
}

}  // namespace

void SmoothMatchTables(MatchTables& tables) {
  static const std::array<float, kTaps> kKernel = SmoothingKernel();
  const MatchTables before = tables;
  SmoothOne(before.red, kKernel, tables.red);
  SmoothOne(before.green, kKernel, tables.green);
  SmoothOne(before.blue, kKernel, tables.blue);
}

}  // namespace orvane
