// Expands 8-bit colour-table images into the 24-bit blue-green-red rows that the encoder takes, and
// computes the 24-bit target's row geometry. Nothing here scales or changes colours.
#pragma once

#include <cstdint>

#include "engine/decoded_image.h"

namespace qv {

struct PixelConversion {
  const RgbQuad* sourceColorTable = nullptr;
  const unsigned char* sourcePixels = nullptr;
  unsigned char* targetPixels = nullptr;
  int32_t targetRowStride = 0;
  int64_t targetImageBytes = 0;  // stride * height; at most 75000 * 25000 for the decoder's bounds
  int32_t width = 0;
  int32_t height = 0;
  int32_t sourceBitsPerPixel = 0;
  int32_t targetBitsPerPixel = 0;
};

// Sets targetRowStride and targetImageBytes from width, height and targetBitsPerPixel.
void ComputeRowGeometry(PixelConversion& conv);

// Stores the three references in `conv` and converts the whole image, keeping the row order. Only
// 8 -> 24 bits per pixel is converted; any other pair returns false and writes nothing. Stride padding
// of the target is not written.
bool ConvertPixelFormat(const RgbQuad* colorTable, unsigned char* target, PixelConversion& conv,
                        const unsigned char* source);

}  // namespace qv
