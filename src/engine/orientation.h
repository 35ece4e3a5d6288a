// Turning decoded pictures upright by their Exif orientation, and choosing the scale of a file under a
// long-edge bound. Both are pure: they know bitmaps and sizes, not files.
#pragma once

#include <cstdint>

#include "platform/files.h"

namespace qv {

// The Exif orientation values: how the stored rows must be turned for the picture to be upright.
// 1 upright, 2 mirrored left-right, 3 turned 180°, 4 mirrored top-bottom, 5 transposed, 6 turned 90°
// clockwise to be upright, 7 transversed, 8 turned 90° anticlockwise to be upright.
inline bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Writes the upright picture of the bottom-up bitmap `source` (`width` x `height`, 8 or 24 bits per pixel,
// rows padded to 4 bytes) into a new block whose size and row stride follow from the upright size (sides
// swapped for 5-8). Values outside 2-8 give an empty block, as does a lack of memory.
PixelBlock OrientPixels(const unsigned char* source, int32_t width, int32_t height, int bitsPerPixel, int orientation);

// The scale numerator N (of N/8) for a picture of `width` x `height` pixels when the chosen scale is
// `chosenNum`/8 and the long edge may have at most `longEdgeBound` pixels (0: no bound): the largest N from
// 1 to `chosenNum` whose scaled long edge, ceil(side * N / 8) as the decoder rounds it, stays within the
// bound, or 1 when none does (also for a `chosenNum` below 1). A turn does not change which side is the
// long one.
int32_t ScaleNumForLongEdge(int64_t width, int64_t height, int32_t chosenNum, int32_t longEdgeBound);

}  // namespace qv
