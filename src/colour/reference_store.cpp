#include "colour/reference_store.h"

#include <algorithm>

namespace orvane {

ImageSize ReferenceThumbnailSize(int width, int height) {
  if (width <= 0 || height <= 0) return {};
  const double x = static_cast<double>(height) / width;
  const int d = static_cast<int>(kThumbnailMaxWidth * x);
  // Extreme shapes would round a side down to nothing; one pixel is the least a picture has.
  if (d <= kThumbnailMaxHeight) return {kThumbnailMaxWidth, std::max(d, 1)};
  return {std::max(static_cast<int>(kThumbnailMaxHeight / x), 1), kThumbnailMaxHeight};
}

bool ComputeDistributions(const RasterImage& image, ChannelDistributions& out) {
  if (image.IsEmpty()) return false;
  if (image.BitsPerPixel() == 24) {
    return ComputeDistributions(image.Pixels(), image.Width(), image.Height(), out);
  }
  RasterImage wide;
  if (image.ToTrueColour(wide) != kOk) return false;
  return ComputeDistributions(wide.Pixels(), wide.Width(), wide.Height(), out);
}

void BuildMatchTables(const RasterImage& source, const ReferenceSlot& slot, MatchTables& tables) {
  tables.ResetToIdentity();
  if (slot.path.empty()) return;
  ChannelDistributions src;
  // A document without pixels has nothing to match; the identity stays.
  if (!ComputeDistributions(source, src)) return;
  tables = MatchTablesFrom(src, slot.distributions);
}

int LoadReferenceImage(ReferenceStore& store, const std::string& path, const RasterImage& source,
                       ColourParams& params) {
  if (path.empty()) return kInvalidArgument;
  ReferenceSlot& slot = store.reference;
  slot.path.clear();
  int rc = slot.image.Load(path);
  if (rc == kOk && slot.image.BitsPerPixel() != 24) {
    // A bilevel file stays 1-bit after loading; the slot always holds red-green-blue.
    RasterImage wide;
    rc = slot.image.ToTrueColour(wide);
    if (rc == kOk) rc = slot.image.TakeOver(wide);
  }
  if (rc != kOk) {
    slot.image.Release();
    return rc;
  }
  params.matchMode = MatchMode::kReferenceImage;
  slot.path = path;
  ComputeDistributions(slot.image, slot.distributions);
  BuildMatchTables(source, slot, params.matchTables);
  const ImageSize thumb = ReferenceThumbnailSize(slot.image.Width(), slot.image.Height());
  rc = slot.image.ResizeInPlace(thumb.width, thumb.height, 2);
  if (rc != kOk) {
    // Never keep a full-size picture where a thumbnail belongs; matching still works.
    slot.image.Release();
  }
  return rc;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NameAfterLastSlash(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace orvane
