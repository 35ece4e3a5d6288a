// Colour-table expansion of 8-bit images into 24-bit rows, keeping the row order and leaving the stride
// padding untouched.
#include "engine/pixel_conversion.h"

namespace qv {

void ComputeRowGeometry(PixelConversion& conv) {
  const int64_t stride = RowStride(conv.width, conv.targetBitsPerPixel);
  conv.targetRowStride = static_cast<int32_t>(stride);
  conv.targetImageBytes = stride * conv.height;
}

bool ConvertPixelFormat(const RgbQuad* colorTable, unsigned char* target, PixelConversion& conv,
                        const unsigned char* source) {
  conv.sourceColorTable = colorTable;
  conv.targetPixels = target;
  conv.sourcePixels = source;
  if (conv.sourceBitsPerPixel != 8 || conv.targetBitsPerPixel != 24) return false;
  const size_t sourceStride = static_cast<size_t>(RowStride(conv.width, 8));
  const size_t targetStride = static_cast<size_t>(conv.targetRowStride);
  for (int32_t y = 0; y < conv.height; ++y) {
    const unsigned char* in = source + sourceStride * static_cast<size_t>(y);
    unsigned char* out = target + targetStride * static_cast<size_t>(y);
    for (int32_t x = 0; x < conv.width; ++x, out += 3) {
      const RgbQuad& entry = colorTable[in[x]];
      out[0] = entry.blue;
      out[1] = entry.green;
      out[2] = entry.red;
    }
  }
  return true;
}

}  // namespace qv
