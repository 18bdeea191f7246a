// The application-wide reference image and profile slots, and what fills them.
#pragma once

#include <string>

#include "colour/colour_match.h"
#include "colour/colour_params.h"
#include "imagefile/raster_image.h"

namespace orvane {

struct ReferenceSlot {
  std::string path;  // empty: nothing loaded
  RasterImage image;  // the thumbnail, 24-bit; empty when there is none
  ChannelDistributions distributions;  // of the full-resolution picture

  bool HoldsImage() const { return !image.IsEmpty(); }
};

// Owned by the application, shared by every document; it outlives them.
struct ReferenceStore {
  ReferenceSlot reference;
  ReferenceSlot profile;
};

// Largest reference thumbnail.
constexpr int kThumbnailMaxWidth = 170;
constexpr int kThumbnailMaxHeight = 100;

struct ImageSize {
  int width = 0;
  int height = 0;
  bool operator==(const ImageSize&) const = default;
};

// The thumbnail size of a width x height reference: 170 wide unless that makes it taller than
// 100, then 100 high. Never below 1 x 1.
ImageSize ReferenceThumbnailSize(int width, int height);

// Distributions of a picture, taking any depth (a 1-bit or 8-bit picture is widened first).
bool ComputeDistributions(const RasterImage& image, ChannelDistributions& out);

// Rebuilds tables from the document's source picture and a slot: the identity when the slot's
// path is empty or the source has no pixels, otherwise the smoothed match.
void BuildMatchTables(const RasterImage& source, const ReferenceSlot& slot, MatchTables& tables);

// Loads path into the reference slot at full resolution, takes its distributions, rebuilds the
// document's tables, sets matchMode to the reference image and shrinks the slot's picture to its thumbnail.
// An empty path returns kInvalidArgument with nothing changed (the dialog belongs to the GUI).
// A file that cannot be loaded leaves the slot with an empty path and no picture, the tables
// untouched, and returns the loader's code.
int LoadReferenceImage(ReferenceStore& store, const std::string& path, const RasterImage& source,
                       ColourParams& params);

// The folder to remember under "MatchPath": the text before the last '/', or empty.
std::string FolderOf(const std::string& path);

// The name field's text for a path: the part after the last '/', the whole path without one.
std::string NameAfterLastSlash(const std::string& path);

}  // namespace orvane
