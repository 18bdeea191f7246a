// The edge map and the composition of a processed region into the result picture.
//
// The edge map is a weight per pixel: 255 in flat areas, falling towards 0 at the region's
// strongest edges. The composition uses it to keep unprocessed (or sharpened) detail at edges
// and the processed pixels in flat areas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane {

class WorkerPool;

enum NrMode { kModeDefault = 0, kModeNature = 1, kModePortrait = 2, kModeHighNoise = 3,
              kModeScanner = 4, kModePhoto = 5 };
enum OutputWindow { kOutputResult = 0, kOutputEdges = 1, kOutputNoise = 2 };

// The edge weight of a pixel whose flatness is o (255 flat ... 0 the region's strongest edge):
// the threshold counts weak edges as flat, the mode's gain (single precision) widens the edges.
int EdgeWeight(int o, int edgeThreshold, int nrMode);

// Fills edges (width x height bytes) from the packed pixels (4 bytes per pixel, rows of
// width x 4 bytes). Returns false when the working memory cannot be had (edges may then be
// partly written).
bool ComputeEdgeMap(const uint8_t* packed, int width, int height, uint8_t* edges,
                    int edgeThreshold, int nrMode, WorkerPool* pool = nullptr);

// The edge map in pieces, for callers that make it a stripe at a time. pixels are red, green,
// blue (and a fourth byte when pixelBytes is 4), rows of width x pixelBytes, the whole region.
//
// The largest squared gradient gx² + gy² of the region; -1 when working memory is missing.
int LargestSquaredGradient(const uint8_t* pixels, int pixelBytes, int width, int height,
                           WorkerPool* pool = nullptr);
// The edge weight of every squared gradient 0 ... largest.
std::vector<uint8_t> EdgeWeightTable(int largest, int edgeThreshold, int nrMode);
// Rows [y0, y1) of the edge map into edges (rows of width bytes, row y0 first), with the
// caller's working memory of EdgeRowsScratchBytes(width, y1 - y0) bytes.
size_t EdgeRowsScratchBytes(int width, int64_t rows);
void EdgeMapRows(const uint8_t* pixels, int pixelBytes, int width, int height, int64_t y0,
                 int64_t y1, const std::vector<uint8_t>& table, uint8_t* edges, uint8_t* scratch);

struct Composition {
  int width = 0, height = 0;             // region size
  const uint8_t* processed = nullptr;    // F: after the engine, processedBytes per pixel
  int processedBytes = 4;                // 4 packed, or 3 (red, green, blue only)
  const uint8_t* unprocessed = nullptr;  // O: packed, after colour work, before the engine
  const uint8_t* sharpened = nullptr;    // S: packed, may be null
  const uint8_t* edges = nullptr;        // E: one byte per pixel, may be null
  NrMode nrMode = kModeDefault;
  OutputWindow outputWindow = kOutputResult;
  // Three bytes per pixel pictures of equal size; region pixel (x, y) lands at (left + x, top + y).
  const uint8_t* source = nullptr;
  uint8_t* result = nullptr;
  ptrdiff_t imageStride = 0;
  int left = 0, top = 0;
};

// Writes the region into the result picture; pixels outside the region are not touched.
void ComposeResult(const Composition& c, WorkerPool* pool = nullptr);

}  // namespace orvane
