// Colour profiles made by Little CMS at test time: a wide-gamut one with the primaries of
// Display P3 (what phones write) and plain sRGB.
#pragma once

#include <lcms2.h>

#include <cstdint>
#include <vector>

namespace orvane::test {

inline std::vector<uint8_t> SaveProfile(cmsHPROFILE profile) {
  std::vector<uint8_t> bytes;
  cmsUInt32Number size = 0;
  if (profile != nullptr && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
    bytes.resize(size);
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size)) bytes.clear();
  }
  if (profile != nullptr) cmsCloseProfile(profile);
  return bytes;
}

// padding: bytes of a private tag that make the profile as large as real printer or camera
// profiles (over one JPEG marker's worth when above 65519).
inline std::vector<uint8_t> MakeP3Profile(size_t padding = 0) {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(gamma);
  if (profile == nullptr) return {};
  cmsMLU* text = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(text, "en", "US", "Test P3");
  cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
  cmsMLUfree(text);
  if (padding > 0) {
    std::vector<uint8_t> blob(padding, 0x5A);
    cmsWriteRawTag(profile, static_cast<cmsTagSignature>(0x7A7A7A7A), blob.data(),
                   static_cast<cmsUInt32Number>(blob.size()));
  }
  return SaveProfile(profile);
}

inline std::vector<uint8_t> MakeSrgbProfile() { return SaveProfile(cmsCreate_sRGBProfile()); }

}  // namespace orvane::test
