// DecodedImage: a decoded picture in device-independent-bitmap layout (40-byte header, 256-entry colour
// table, bottom-up rows padded to 4 bytes, pixels blue-green-red) plus the input file's size.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

struct BitmapInfoHeader {  // the Windows BITMAPINFOHEADER, byte for byte
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;  // positive: rows stored bottom-up
  uint16_t planes = 1;
  uint16_t bitCount = 0;  // 8 or 24
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};

struct RgbQuad {
  uint8_t blue, green, red, reserved;
};
// Natural alignment leaves no padding: the layout is the 40-byte Windows header byte for byte.
static_assert(sizeof(BitmapInfoHeader) == 40, "bitmap header must be 40 bytes");
static_assert(sizeof(RgbQuad) == 4, "colour table entries are 4 bytes");

constexpr int32_t kMaxDecodedSide = 25000;

// Bytes from one row to the next: width * bytes per pixel rounded up to a multiple of 4.
inline int64_t RowStride(int64_t width, int bitsPerPixel) {
  return ((width * (bitsPerPixel / 8)) + 3) & ~int64_t{3};
}

struct DecodedImage {
  BitmapInfoHeader header;
  RgbQuad colorTable[256] = {};  // grey ramp for 8 bits per pixel, zeros for 24
  unsigned char* pixels = nullptr;  // stride * height bytes, owned by whoever received the image
  size_t pixelBytes = 0;
  uint32_t fileSize = 0;
};
static_assert(sizeof(BitmapInfoHeader) + sizeof(RgbQuad) * 256 == 1064, "header + table are 1064 bytes");

}  // namespace qv
