// Fuzz target of the decoder and the in-memory encoder: the first byte chooses the decode scale and the
// encode options, the rest is the JPEG. A decoded image is encoded again and the result must decode to
// the same size; at 1/8 the decode must give exactly what a decode reading every scan gives. Images
// whose source or output area is too large for quick fuzzing are skipped after a header-only look, and
// only small decoded images are encoded, so one input stays well within the time and memory limits (the
// encoder's paths depend on the shape of an image, not on its area).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/decoder.h"
#include "engine/encoder.h"
#include "engine/pixel_conversion.h"
#include "fuzz_support.h"
#include "platform/files.h"

namespace {

constexpr int64_t kMaxEncodedPixels = int64_t{1} << 18;   // also encoded (the slowest step) and checked

// Encodes the decoded image as the single-file conversion does, but into memory. False when the encoder
// fails on a valid image.
bool EncodeAndCheck(const qv::DecodedImage& image, uint8_t options) {
  const int32_t width = image.header.width, height = image.header.height;
  const bool grey = image.header.bitCount == 8;
  qv::EncoderState encoder;
  qv::fuzz::SetUpEncoder(encoder, width, height, image.header.bitCount, (options & 0x80) != 0 ? 100 : 75, options);
  encoder.xPelsPerMeter = image.header.xPelsPerMeter;
  encoder.yPelsPerMeter = image.header.yPelsPerMeter;
  qv::PixelBlock converted;
  const unsigned char* rows = qv::fuzz::RowsToEncode(encoder, image.colorTable, image.pixels, converted);
  bool ok = rows != nullptr;

  qv::MemoryBuffer output;
  size_t outputBytes = 0;
  ok = ok && qv::AllocateMemoryBuffer(output, 4096) && qv::EncodeJpeg(encoder, output, outputBytes, rows);
  if (ok) {
    qv::DecoderState again;
    again.memoryLimit = qv::fuzz::kDecoderMemoryLimit;
    const qv::DecodedImage* back =
        qv::DecodeJpegBytes(again, output.data, static_cast<uint32_t>(outputBytes));
    ok = back != nullptr && back->header.width == width && back->header.height == height &&
         (back->header.bitCount == 8) == grey;
    if (back != nullptr) qv::ReleasePixelBlock(back->pixels, back->pixelBytes);
  }
  qv::ReleaseMemoryBuffer(output);
  return ok;
}

// At 1/8 a decode may leave out scans of a progressive file; reading every scan must give the same
// outcome and the same pixels.
bool SameAsReadingEveryScan(const uint8_t* jpeg, uint32_t bytes, const qv::DecodedImage* image) {
  qv::DecoderState every;
  every.scaleNum = 1;
  every.memoryLimit = qv::fuzz::kDecoderMemoryLimit;
  every.readEveryScan = true;
  const qv::DecodedImage* full = qv::DecodeJpegBytes(every, jpeg, bytes);
  if (full == nullptr) return image == nullptr;
  const bool same = image != nullptr && full->header.width == image->header.width &&
                    full->header.height == image->header.height && full->pixelBytes == image->pixelBytes &&
                    std::memcmp(full->pixels, image->pixels, full->pixelBytes) == 0;
  qv::ReleasePixelBlock(full->pixels, full->pixelBytes);
  return same;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size - 1 > UINT32_MAX) return 0;
  const uint8_t options = data[0];
  const unsigned char* jpeg = data + 1;
  const uint32_t jpegBytes = static_cast<uint32_t>(size - 1);
  const int scaleNum = (options & 15) + 1;
  if (!qv::fuzz::SmallEnoughToDecode(jpeg, jpegBytes, scaleNum)) return 0;

  qv::DecoderState decoder;
  decoder.scaleNum = scaleNum;
  decoder.memoryLimit = qv::fuzz::kDecoderMemoryLimit;
  const qv::DecodedImage* image = qv::DecodeJpegBytes(decoder, jpeg, jpegBytes);
  if (scaleNum == 1 && !SameAsReadingEveryScan(jpeg, jpegBytes, image)) {
    std::fprintf(stderr, "leaving out %d scans changed the decode\n", decoder.skippedScans);
    std::abort();
  }
  if (image == nullptr) return 0;

  const qv::BitmapInfoHeader& h = image->header;
  const bool shapeOk =
      h.width >= 1 && h.width <= qv::kMaxDecodedSide && h.height >= 1 && h.height <= qv::kMaxDecodedSide &&
      (h.bitCount == 8 || h.bitCount == 24) &&
      image->pixelBytes == static_cast<size_t>(qv::RowStride(h.width, h.bitCount)) * h.height;
  if (!shapeOk) {
    std::fprintf(stderr, "decoded image %dx%d, %d bits, %zu bytes\n", h.width, h.height, h.bitCount,
                 image->pixelBytes);
    std::abort();
  }
  const bool encoded = int64_t{h.width} * h.height > kMaxEncodedPixels || EncodeAndCheck(*image, options);
  qv::ReleasePixelBlock(image->pixels, image->pixelBytes);
  if (!encoded) {
    std::fprintf(stderr, "re-encoding a decoded %dx%d image failed\n", h.width, h.height);
    std::abort();
  }
  return 0;
}
