// Fuzz target of the HEIF path: the container and HEVC decode at full size with the file's turns, the
// resampling to the planned N/8 size, the kept Exif block made into an output segment, and the encode.
// The first byte chooses the scale and the long-edge bound, the rest is the file. The result must have
// the planned size, and the output must decode to it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/decoder.h"
#include "engine/encoder.h"
#include "engine/exif_editor.h"
#include "engine/heif_decoder.h"
#include "engine/resample.h"
#include "fuzz_support.h"
#include "platform/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size - 1 > UINT32_MAX) return 0;
  const uint8_t options = data[0];
  qv::DecoderState decoder;
  decoder.scaleNum = (options & 7) + 1;
  decoder.longEdgeBound = qv::fuzz::kLongEdgeBounds[(options >> 3) & 3];
  decoder.memoryLimit = qv::fuzz::kDecoderMemoryLimit;
  decoder.keepMetadata = true;
  const qv::DecodedImage* image = qv::DecodeHeifBytes(decoder, data + 1, static_cast<uint32_t>(size - 1));
  if (image == nullptr) return 0;
  qv::PixelBlock pixels(image->pixels, image->pixelBytes);
  if (image->header.bitCount != 24) qv::fuzz::Fail("HEIF decode not 24 bits per pixel");
  if (decoder.usedScaleNum < 1 || decoder.usedScaleNum > decoder.scaleNum) qv::fuzz::Fail("scale outside 1..chosen");
  int32_t width = image->header.width, height = image->header.height;
  if (pixels.Size() != static_cast<size_t>(qv::RowStride(width, 24)) * static_cast<size_t>(height))
    qv::fuzz::Fail("pixel block of another size than the header says");
  if (decoder.usedScaleNum < 8 && decoder.resampleTo.width == 0) qv::fuzz::Fail("a reduced scale without a resampled size");
  qv::PixelBlock resampled;
  if (decoder.resampleTo.width > 0) {
    if (int64_t{width} * height > (int64_t{1} << 22)) return 0;
    resampled = qv::ResamplePixels(pixels.Data(), width, height, 24, decoder.resampleTo);
    if (!resampled) return 0;
    width = decoder.resampleTo.width;
    height = decoder.resampleTo.height;
  }
  if (int64_t{width} * height > (int64_t{1} << 18)) return 0;

  std::vector<unsigned char> exif;
  if (!decoder.exif.empty()) {
    qv::ExifOutputFacts facts;
    facts.resetOrientation = true;
    facts.width = static_cast<uint32_t>(width);
    facts.height = static_cast<uint32_t>(height);
    qv::ExifDropReason reason = qv::ExifDropReason::kNone;
    if (qv::MakeOutputExif(decoder.exif.data(), decoder.exif.size(), facts, exif, reason) &&
        qv::ReadExifOrientation(exif.data(), exif.size()) != 1)
      qv::fuzz::Fail("an upright picture's Exif keeps a turn");
  }
  qv::EncoderState encoder;
  qv::fuzz::SetUpEncoder(encoder, width, height, 24, 50, options);
  if (!exif.empty()) {
    encoder.exif = exif.data();
    encoder.exifBytes = exif.size();
  }
  qv::PixelBlock converted;
  const unsigned char* rows =
      qv::fuzz::RowsToEncode(encoder, image->colorTable, resampled ? resampled.Data() : pixels.Data(), converted);
  if (rows == nullptr) return 0;
  qv::MemoryBuffer output;
  size_t outputBytes = 0;
  if (!qv::AllocateMemoryBuffer(output, 4096)) return 0;
  if (!qv::EncodeJpeg(encoder, output, outputBytes, rows)) qv::fuzz::Fail("encoding the decoded HEIF failed");
  qv::DecoderState again;
  again.memoryLimit = qv::fuzz::kDecoderMemoryLimit;
  const qv::DecodedImage* back = qv::DecodeJpegBytes(again, output.data, static_cast<uint32_t>(outputBytes));
  if (back == nullptr) qv::fuzz::Fail("the output does not decode");
  qv::PixelBlock backPixels(back->pixels, back->pixelBytes);
  if (back->header.width != width || back->header.height != height) qv::fuzz::Fail("the output has another size");
  qv::ReleaseMemoryBuffer(output);
  return 0;
}
