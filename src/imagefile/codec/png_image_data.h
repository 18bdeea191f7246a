// The image data of an 8-bit RGB PNG made on every core: the rows are filtered (each with the
// filter that gives the smallest sum of absolute values, as libpng chooses) and deflated in
// pieces (parallel_deflate.h), each piece written as one IDAT chunk as soon as it is ready.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace orvane {

// Appends the IDAT chunks and the IEND chunk of a width x height picture (rows of width x 3
// bytes) to out, which holds the file up to its last chunk before the image data. progress,
// when given, is told of every piece done (done, total). A result code.
int AppendPngImageData(const uint8_t* rgb, int width, int height, int threads,
                       std::vector<uint8_t>& out,
                       const std::function<void(int done, int total)>& progress = {});

}  // namespace orvane
