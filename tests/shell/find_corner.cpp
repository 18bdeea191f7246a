// Looks for a photograph's top-left corner, pixel for pixel, in a screenshot. Prints where it
// is; exits 0 only when it lies in the upper half of the screen (the view's source half).
#include <cstdio>
#include <cstring>
#include <string>

#include "imagefile/raster_image.h"

using orvane::RasterImage;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvane-find-corner SCREENSHOT PHOTO\n");
    return 2;
  }
  RasterImage screen, photo;
  if (screen.Load(argv[1]) != orvane::kOk || photo.Load(argv[2]) != orvane::kOk ||
      screen.BitsPerPixel() != 24 || photo.BitsPerPixel() != 24) {
    std::fprintf(stderr, "orvane-find-corner: cannot read the pictures\n");
    return 2;
  }
  constexpr int kBlock = 32;
  const int sw = screen.Width(), sh = screen.Height(), pw = photo.Width();
  const uint8_t* s = screen.Pixels();
  const uint8_t* p = photo.Pixels();
  for (int y = 0; y + kBlock <= sh; ++y) {
    for (int x = 0; x + kBlock <= sw; ++x) {
      bool same = true;
      for (int r = 0; r < kBlock && same; ++r) {
        same = std::memcmp(s + (static_cast<size_t>(y + r) * sw + x) * 3,
                           p + static_cast<size_t>(r) * pw * 3, kBlock * 3) == 0;
      }
      if (!same) continue;
      std::printf("corner at %d,%d of %dx%d\n", x, y, sw, sh);
      return y + kBlock <= sh / 2 ? 0 : 1;
    }
  }
  std::printf("corner not found\n");
  return 1;
}
