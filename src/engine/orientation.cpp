// Pixel turns on bottom-up bitmaps. Each output row is filled from the source by stepping a pointer by a
// fixed amount per pixel, so the work is one pass over the picture whatever the orientation.
#include "engine/orientation.h"

#include <algorithm>
#include <cstring>

#include "engine/decoded_image.h"

namespace qv {

namespace {

// Where the source pixel of output pixel (x, y) lies, both counted from the picture's top-left corner:
// source x = ax + bx * x + cx * y and source y = ay + by * x + cy * y.
struct SourceMap {
  int64_t ax, bx, cx;
  int64_t ay, by, cy;
};

SourceMap MapOf(int orientation, int64_t w, int64_t h) {
  switch (orientation) {
    case 2: return {w - 1, -1, 0, 0, 0, 1};
    case 3: return {w - 1, -1, 0, h - 1, 0, -1};
    case 4: return {0, 1, 0, h - 1, 0, -1};
    case 5: return {0, 0, 1, 0, 1, 0};
    case 6: return {0, 0, 1, h - 1, -1, 0};
    case 7: return {w - 1, 0, -1, h - 1, -1, 0};
    default: return {w - 1, 0, -1, 0, 1, 0};  // 8
  }
}

// Output pixels are written in square tiles: where a turn makes the source run down its columns, the
// few dozen source rows of one tile stay in the cache while the tile's output rows are filled, instead of
// every pixel reading a line of its own.
constexpr int64_t kTileSide = 64;

template <int kBytes>
void Turn(const unsigned char* source, int64_t height, int64_t sourceStride, unsigned char* target,
          int64_t outWidth, int64_t outHeight, int64_t targetStride, const SourceMap& m) {
  // Top-down row r of a bottom-up bitmap with `rows` rows starts at (rows - 1 - r) * stride.
  auto sourcePixel = [&](int64_t x, int64_t y) { return source + (height - 1 - y) * sourceStride + x * kBytes; };
  const int64_t step = m.bx * kBytes - m.by * sourceStride;  // from output pixel x to x + 1
  for (int64_t tileX = 0; tileX < outWidth; tileX += kTileSide) {
    const int64_t tileEnd = std::min(outWidth, tileX + kTileSide);
    for (int64_t y = 0; y < outHeight; ++y) {
      unsigned char* out = target + (outHeight - 1 - y) * targetStride + tileX * kBytes;
      const unsigned char* in = sourcePixel(m.ax + m.bx * tileX + m.cx * y, m.ay + m.by * tileX + m.cy * y);
      for (int64_t x = tileX; x < tileEnd; ++x, out += kBytes, in += step) std::memcpy(out, in, kBytes);
    }
  }
}

}  // namespace

PixelBlock OrientPixels(const unsigned char* source, int32_t width, int32_t height, int bitsPerPixel, int orientation) {
  if (orientation < 2 || orientation > 8 || source == nullptr || width < 1 || height < 1) return PixelBlock();
  if (bitsPerPixel != 8 && bitsPerPixel != 24) return PixelBlock();
  const int64_t outWidth = SwapsSides(orientation) ? height : width;
  const int64_t outHeight = SwapsSides(orientation) ? width : height;
  const int64_t targetStride = RowStride(outWidth, bitsPerPixel);
  PixelBlock target = PixelBlock::Allocate(static_cast<size_t>(targetStride * outHeight));
  if (!target) return target;
  const SourceMap map = MapOf(orientation, width, height);
  const int64_t sourceStride = RowStride(width, bitsPerPixel);
  if (bitsPerPixel == 8)
    Turn<1>(source, height, sourceStride, target.Data(), outWidth, outHeight, targetStride, map);
  else
    Turn<3>(source, height, sourceStride, target.Data(), outWidth, outHeight, targetStride, map);
  return target;
}

int32_t ScaleNumForLongEdge(int64_t width, int64_t height, int32_t chosenNum, int32_t longEdgeBound) {
  if (longEdgeBound <= 0) return std::max(chosenNum, 1);
  const int64_t longEdge = std::max(width, height);
  for (int32_t n = chosenNum; n > 1; --n)
    if ((longEdge * n + 7) / 8 <= longEdgeBound) return n;
  return 1;
}

}  // namespace qv
