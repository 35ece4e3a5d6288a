// Shrinking a decoded picture to an exact size, and the sizes a target box gives. The decoder's N/8
// scaling in the DCT domain does the bulk of the work (engine/decoder.h): a picture is decoded at the
// smallest N/8 that is at least twice the target and then resampled here, by a separable Lanczos-3 filter
// in linear light.
//
// Our own rather than a library's: of what Debian 12 packages, libswscale pulls libavutil (and is tuned for
// video frames, not for the bitmaps and single-photo calls here), and libvips or ImageMagick would bring a
// dozen libraries more into a program that links everything statically for Windows.
//
// Pure and reentrant: the weights and the few row buffers belong to one call; the two tables of the
// transfer curve are constant after their first use.
#pragma once

#include <cstdint>

#include "platform/files.h"

namespace qv {

struct PictureSize {
  int32_t width = 0;
  int32_t height = 0;
};

inline bool operator==(const PictureSize& a, const PictureSize& b) { return a.width == b.width && a.height == b.height; }

// The largest size with the aspect of `width` x `height` that fits into `boxWidth` x `boxHeight`, never
// larger than the picture itself; sides are rounded to the nearest pixel and at least 1.
PictureSize FitIntoBox(int64_t width, int64_t height, int32_t boxWidth, int32_t boxHeight);

// The smallest N of N/8 (1-8) whose decoded size, ceil(side * N / 8) on both sides, is at least `target`.
int32_t ScaleNumForTarget(int64_t width, int64_t height, const PictureSize& target);

// How a file is scaled: decoded at `scaleNum`/8, then resampled to `resampleTo` unless that is 0 x 0 (the
// decode is the result).
struct ScalePlan {
  int32_t scaleNum = 8;
  PictureSize resampleTo;
};

// The plan for a picture of `width` x `height` as stored. Without a box (`boxWidth` 0): the largest N from 1
// to `chosenNum` whose long edge fits `longEdgeBound` (engine/orientation.h), no resampling. With a box (in
// the stored orientation): the fitted size, decoded at the smallest N/8 at least twice as large (8/8 when
// none is) and resampled unless that decode is already the size (a photo within the box); a long-edge bound (0: none) whose N/8 result, sought up to 8/8,
// has a shorter long edge than the fitted size wins instead (an equal one too: it needs no resampling).
ScalePlan PlanScale(int64_t width, int64_t height, int32_t chosenNum, int32_t longEdgeBound, int32_t boxWidth,
                    int32_t boxHeight);

// Resamples the bottom-up bitmap `source` (`width` x `height`, 8 or 24 bits per pixel, rows padded to 4
// bytes) to `target` (same bits per pixel and layout) with a Lanczos-3 filter widened by the shrink factor,
// in linear light (sRGB transfer curve) per channel. Grey stays grey. Returns an empty block when the
// memory is not available or an argument is out of range.
PixelBlock ResamplePixels(const unsigned char* source, int32_t width, int32_t height, int bitsPerPixel,
                          const PictureSize& target);

// The memory ResamplePixels holds at its peak besides its source: the target block, the weights and the
// window of filtered rows.
uint64_t ResampleWorkingBytes(int64_t width, int64_t height, int bitsPerPixel, const PictureSize& target);

// How the filter treats the sample values: as sRGB-encoded (converted to linear light and back) or as
// they are. For the measurements of the benchmark; ResamplePixels uses kLinearLight.
enum class ResampleLight { kLinearLight, kAsStored };
PixelBlock ResamplePixelsIn(ResampleLight light, const unsigned char* source, int32_t width, int32_t height,
                            int bitsPerPixel, const PictureSize& target);

}  // namespace qv
