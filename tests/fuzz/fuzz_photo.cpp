// Fuzz target of what an output keeps of its input: the decode that keeps the Exif segment and the
// colour profile and lowers the scale under a long-edge bound, the turn by the Exif orientation, the
// output's Exif segment, and the encode that writes both. The first byte chooses the scale, the bound
// and the encode options, the rest is the JPEG. The output must decode to the turned size and give back
// exactly the Exif segment and the profile that were written.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/decoder.h"
#include "engine/encoder.h"
#include "engine/exif_editor.h"
#include "engine/orientation.h"
#include "engine/pixel_conversion.h"
#include "fuzz_support.h"
#include "platform/files.h"

namespace {

// Encodes `pixels` with `exif` and `icc` into memory and checks what a decode of the result gives back.
void EncodeAndCheck(const qv::DecodedImage& image, const unsigned char* pixels, int32_t width, int32_t height,
                    const std::vector<unsigned char>& exif, const std::vector<unsigned char>& icc, uint8_t options) {
  qv::EncoderState encoder;
  qv::fuzz::SetUpEncoder(encoder, width, height, image.header.bitCount, 50, options);
  if (!exif.empty()) {
    encoder.exif = exif.data();
    encoder.exifBytes = exif.size();
  }
  if (!icc.empty()) {
    encoder.icc = icc.data();
    encoder.iccBytes = icc.size();
  }
  qv::PixelBlock converted;
  const unsigned char* rows = qv::fuzz::RowsToEncode(encoder, image.colorTable, pixels, converted);
  if (rows == nullptr) return;
  qv::MemoryBuffer output;
  size_t outputBytes = 0;
  if (!qv::AllocateMemoryBuffer(output, 4096)) return;
  if (!qv::EncodeJpeg(encoder, output, outputBytes, rows)) qv::fuzz::Fail("encoding the kept metadata failed");
  qv::DecoderState again;
  again.memoryLimit = qv::fuzz::kDecoderMemoryLimit;
  again.keepMetadata = true;
  const qv::DecodedImage* back = qv::DecodeJpegBytes(again, output.data, static_cast<uint32_t>(outputBytes));
  if (back == nullptr) qv::fuzz::Fail("the output does not decode");
  qv::PixelBlock backPixels(back->pixels, back->pixelBytes);
  if (back->header.width != width || back->header.height != height) qv::fuzz::Fail("the output has another size");
  if (again.exif != exif) qv::fuzz::Fail("the Exif segment read back differs");
  if (again.icc != icc) qv::fuzz::Fail("the colour profile read back differs");
  qv::ReleaseMemoryBuffer(output);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size - 1 > UINT32_MAX) return 0;
  const uint8_t options = data[0];
  const uint32_t jpegBytes = static_cast<uint32_t>(size - 1);

  const int scaleNum = (options & 7) + 1;
  if (!qv::fuzz::SmallEnoughToDecode(data + 1, jpegBytes, scaleNum)) return 0;
  qv::DecoderState decoder;
  decoder.scaleNum = scaleNum;
  decoder.longEdgeBound = qv::fuzz::kLongEdgeBounds[(options >> 3) & 3];
  decoder.memoryLimit = qv::fuzz::kDecoderMemoryLimit;
  decoder.keepMetadata = true;
  decoder.maxScans = 50;
  const qv::DecodedImage* image = qv::DecodeJpegBytes(decoder, data + 1, jpegBytes);
  if (image == nullptr) return 0;
  qv::PixelBlock pixels(image->pixels, image->pixelBytes);
  if (decoder.exif.size() > qv::kMaxApp1Payload) qv::fuzz::Fail("kept Exif segment longer than a segment");
  if (decoder.usedScaleNum < 1 || decoder.usedScaleNum > decoder.scaleNum) qv::fuzz::Fail("scale outside 1..chosen");
  const int32_t longEdge = std::max(image->header.width, image->header.height);
  if (decoder.longEdgeBound > 0 && decoder.usedScaleNum > 1 && longEdge > decoder.longEdgeBound)
    qv::fuzz::Fail("long edge beyond the bound at a scale above 1/8");
  if (int64_t{image->header.width} * image->header.height > (int64_t{1} << 18)) return 0;

  const int orientation = qv::ReadExifOrientation(decoder.exif.data(), decoder.exif.size());
  if (orientation < 1 || orientation > 8) qv::fuzz::Fail("orientation outside 1..8");
  int32_t width = image->header.width, height = image->header.height;
  qv::PixelBlock upright;
  if (orientation != 1) {
    upright = qv::OrientPixels(pixels.Data(), width, height, image->header.bitCount, orientation);
    if (!upright) return 0;
    if (qv::SwapsSides(orientation)) std::swap(width, height);
  }
  std::vector<unsigned char> exif;
  if (!decoder.exif.empty()) {
    qv::ExifOutputFacts facts;
    facts.resetOrientation = orientation != 1;
    facts.width = static_cast<uint32_t>(width);
    facts.height = static_cast<uint32_t>(height);
    qv::ExifDropReason reason = qv::ExifDropReason::kNone;
    if (!qv::MakeOutputExif(decoder.exif.data(), decoder.exif.size(), facts, exif, reason)) exif.clear();
    if (!exif.empty() && orientation != 1 && qv::ReadExifOrientation(exif.data(), exif.size()) != 1)
      qv::fuzz::Fail("a turned picture keeps its orientation");
  }
  EncodeAndCheck(*image, upright ? upright.Data() : pixels.Data(), width, height, exif, decoder.icc, options);
  return 0;
}
