/* The wavelet noise reducer's public contract.
 *
 * NoiseReduce removes noise from one block of 32-bit pixels in place. The header is plain C as
 * well as C++: the record is standard layout and the entry point has C linkage, so a C caller can
 * use it as it stands. In C++ everything lives in namespace orvane.
 */
#ifndef ORVANE_ENGINE_NOISE_REDUCE_H
#define ORVANE_ENGINE_NOISE_REDUCE_H

#include <stdint.h>

#ifdef __cplusplus
namespace orvane {
extern "C" {
#endif

/* The engine's own version, written by the version query. */
static const char kNoiseReduceVersion[] = "1.0.0";

/* Result codes. */
enum {
  NR_OK = 0,                /* finished, or nothing needed doing */
  NR_CANCELLED = 1,         /* the progress callback returned nonzero */
  NR_OUT_OF_MEMORY = 2,     /* a working allocation failed */
  NR_INVALID_PARAMETER = 3  /* the arguments failed validation */
};

/* Called between stages with the current step (from 1) and the announced total.
 * A nonzero return asks the engine to stop. */
typedef int (*ProgressCallback)(int step, int total, void* context);

typedef struct NoiseReduceParams {
  int32_t version;          /* layout version of this record: exactly 1 */
  int32_t levels;           /* decomposition levels, 2 ... 5 */
  double noiseLevel;        /* shrinkage threshold in pixel units, 0 ... 100 */
  int32_t perChannel;       /* 1: bytes 0, 1, 2 as three planes; 0: one luminance plane */
  ProgressCallback progress;    /* may be null */
  void* progressContext;        /* handed back to progress unchanged */
} NoiseReduceParams;

/* Processes a width x height block whose rows are stride bytes apart (-1: width * 4). Bytes 0..2
 * of each pixel are colour, byte 3 is never touched. With width 0, height 0, stride 0 and a null
 * params the call is a version query: "1.0.0" and its zero byte are written to buffer. */
int NoiseReduce(int width, int height, int stride, uint8_t* buffer, const NoiseReduceParams* params);

#ifdef __cplusplus
}  /* extern "C" */
}  /* namespace orvane */
#endif

#endif
