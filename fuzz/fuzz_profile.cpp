// Colour profile files: the parser must refuse damage without reading past the data, and what it
// accepts must be safe to match against.
#include <cstddef>
#include <cstdint>
#include <span>

#include "colour/colour_match.h"
#include "colour/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvane::ProfileData profile;
  if (orvane::ParseProfile(std::span<const uint8_t>(data, size), profile) != orvane::kProfileOk) {
    return 0;
  }
  if (profile.pixels.size() != static_cast<size_t>(profile.width) * profile.height * 3) {
    __builtin_trap();
  }
  orvane::ChannelDistributions source;
  source.red = profile.distributions.blue;
  source.green = profile.distributions.red;
  source.blue = profile.distributions.green;
  orvane::MatchTablesFrom(source, profile.distributions);
  return 0;
}
