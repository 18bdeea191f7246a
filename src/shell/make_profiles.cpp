// orvane-make-profiles FOLDER: writes the colour profiles that ship beside the program, each
// made from a picture drawn here, so that the Color Match pane's list is not empty at first.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/profile_list.h"
#include "colour/reference_store.h"
#include "imagefile/raster_image.h"

namespace {

using orvane::RasterImage;

struct Look {
  const char* name;
  // Sky at the top and the horizon, ground near and far, as red, green, blue.
  int skyTop[3], horizon[3], groundFar[3], groundNear[3];
};

constexpr Look kLooks[] = {
    {"Sunset Glow", {70, 40, 110}, {250, 150, 60}, {90, 50, 40}, {30, 18, 20}},
    {"Blue Hour", {15, 30, 80}, {110, 140, 200}, {40, 55, 90}, {10, 15, 35}},
    {"Summer Meadow", {90, 160, 230}, {200, 225, 245}, {150, 180, 60}, {50, 110, 30}},
};

int Mix(int a, int b, double t) { return static_cast<int>(a + (b - a) * t + 0.5); }

// A landscape of two gradients with a little grain, so the distributions are smooth.
bool DrawLook(const Look& look, RasterImage& out) {
  const int w = 600, h = 400;
  if (out.Create(w, h, 24) != orvane::kOk) return false;
  uint32_t seed = 12345;
  uint8_t* p = out.Pixels();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double hill = h * 0.55 + 25 * std::sin(x * 0.015);
      const bool sky = y < hill;
      const double t = sky ? y / hill : (y - hill) / (h - hill);
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>((seed >> 24) % 13) - 6;
      for (int c = 0; c < 3; ++c) {
        const int v = sky ? Mix(look.skyTop[c], look.horizon[c], t)
                          : Mix(look.groundFar[c], look.groundNear[c], t);
        *p++ = static_cast<uint8_t>(std::clamp(v + grain, 0, 255));
      }
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orvane-make-profiles FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  for (const Look& look : kLooks) {
    RasterImage picture;
    if (!DrawLook(look, picture)) return 1;
    // Through the same road as a reference picture the user loads.
    const std::filesystem::path drawn = folder / (std::string(look.name) + ".png");
    if (picture.Save(drawn.string()) != orvane::kOk) return 1;
    orvane::ReferenceStore store;
    orvane::ColourParams params;
    const int rc = orvane::LoadReferenceImage(store, drawn.string(), picture, params);
    std::filesystem::remove(drawn, error);
    if (rc != orvane::kOk) return 1;
    orvane::ProfileList list;
    const orvane::Result saved =
        orvane::SaveProfile(list, store.reference, {folder, folder}, look.name);
    if (!saved.succeeded()) {
      std::fprintf(stderr, "%s\n", orvane::ResultWords(saved).c_str());
      return 1;
    }
  }
  return 0;
}
