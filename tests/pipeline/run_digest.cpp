// Prints one line per run setting: the setting and a digest of the result picture it gives.
// The lines of one build are compared with those of another to show that a change of the run's
// inner workings left every output byte as it was (run_digests.txt beside this file holds them).
//
// orvane-run-digest
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/document.h"
#include "../../bench/pipeline/quiet_host.h"

namespace {

using orvane::bench::QuietHost;

// A picture with gradients, hard edges, a few bright specks and pseudo-random noise, so that
// every stage (edges, sharpening, speckles, the engine) has something to change.
std::vector<uint8_t> MakePicture(int w, int h) {
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  uint32_t state = 2024;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      const bool disc = (x - w / 3) * (x - w / 3) + (y - h / 2) * (y - h / 2) < (h / 4) * (h / 4);
      const int base[3] = {40 + 150 * x / w, 210 - 160 * y / h, disc ? 220 : (x > 2 * w / 3 ? 120 : 30)};
      for (int c = 0; c < 3; ++c) {
        state = state * 1664525u + 1013904223u;
        int v = base[c] + static_cast<int>((state >> 24) % 49) - 24;
        if ((state >> 8) % 997 == 0) v = 255;
        p[c] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
      }
    }
  return rgb;
}

uint64_t Digest(const uint8_t* data, size_t n) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < n; ++i) h = (h ^ data[i]) * 1099511628211ull;
  return h;
}

struct Layout {
  const char* name;
  int blockW, blockH;
};

}  // namespace

int main() {
  const int w = 347, h = 263;
  const std::vector<uint8_t> picture = MakePicture(w, h);
  // One piece; a grid with remainders; a grid of one column; blocks the engine does not take.
  const Layout layouts[] = {{"piece", 3100, 2100}, {"grid", 100, 70}, {"rows", 3100, 64},
                            {"small", 33, 33}};
  const struct { int amount; } sharpen[] = {{0}, {8}, {60}};
  int counter = 0;
  for (int mode = 0; mode <= 4; ++mode)
    for (int window = 0; window <= 2; ++window)
      for (int advanced = 0; advanced <= 1; ++advanced)
        for (const auto& s : sharpen)
          for (int variant = 0; variant < 2; ++variant, ++counter) {
            const Layout& layout = layouts[(counter + variant) % 4];
            const int threads = 1 + counter % 3;
            const bool regionOnly = (counter / 3) % 2 == 1;
            const bool colour = (counter / 2) % 2 == 1;
            QuietHost host;
            orvane::MemorySettingsStore settings;
            orvane::CHushwickDoc doc(host, settings);
            if (doc.pastePicture(picture.data(), w, h) != orvane::kOk) return 1;
            orvane::EditNrSettings(doc, [&](orvane::NrSettings& nr) { nr.mode = static_cast<orvane::NrMode>(mode); });
            orvane::EditNrSettings(doc, [&](orvane::NrSettings& nr) { nr.outputWindow = static_cast<orvane::OutputWindow>(window); });
            orvane::EditNrSettings(doc, [&](orvane::NrSettings& nr) { nr.advancedProcessing = advanced; });
            orvane::EditNrSettings(doc, [&](orvane::NrSettings& nr) { nr.sharpenEdges = s.amount > 0; });
            orvane::EditNrSettings(doc, [&](orvane::NrSettings& nr) { nr.sharpenAmount = s.amount; });
            orvane::EditNrSettings(doc, [&](orvane::NrSettings& nr) { nr.noiseLevel = 6.0 + mode; });
            orvane::EditNrSettings(doc, [&](orvane::NrSettings& nr) { nr.levels = 2 + counter % 4; });
            orvane::EditMemorySettings(doc, [&](orvane::MemorySettings& mem) { mem.maxBlockW = layout.blockW; });
            orvane::EditMemorySettings(doc, [&](orvane::MemorySettings& mem) { mem.maxBlockH = layout.blockH; });
            doc.threads = threads;
            if (colour) {
              orvane::EditColour(doc, [&](orvane::ColourParams& cp) { cp.colourBoost = 30; });
              orvane::EditColour(doc, [&](orvane::ColourParams& cp) { cp.exposureEv = 0.5; });
            }
            if (regionOnly) doc.setRegion(23, 17, 301, 250);
            const orvane::Result r = doc.runNoiseReduction(regionOnly);
            std::printf("mode %d window %d advanced %d sharpen %2d %-5s threads %d %s %s: %d %d %016llx\n",
                        mode, window, advanced, s.amount, layout.name, threads,
                        regionOnly ? "region" : "whole ", colour ? "colour" : "plain ",
                        static_cast<int>(r.kind), r.code,
                        static_cast<unsigned long long>(
                            Digest(doc.resultImage.Pixels(), static_cast<size_t>(w) * h * 3)));
          }
  return 0;
}
