// What the fuzz targets that decode and encode whole images share: a header-only look that keeps inputs
// whose source or output area would take too long for quick fuzzing away from the decoder, and the
// encoder set up as the single-file conversion sets it.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "engine/encoder.h"
#include "engine/pixel_conversion.h"

namespace qv::fuzz {

constexpr uint64_t kMaxSourcePixels = uint64_t{4} << 20;  // decoded at all
constexpr uint64_t kMaxOutputPixels = uint64_t{1} << 20;  // decoded at all
constexpr uint64_t kDecoderMemoryLimit = uint64_t{256} << 20;
constexpr int32_t kLongEdgeBounds[4] = {0, 1, 40, 300};  // chosen by two bits of the options byte

// A broken promise of the code under test: says which and stops, so that the fuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

struct HeaderErrorTrap {
  jpeg_error_mgr pub;
  std::jmp_buf returnPoint;
};

inline void QuietErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<HeaderErrorTrap*>(cinfo->err)->returnPoint, 1);
}
inline void QuietMessage(j_common_ptr) {}

// Reads only the header, as the decoder will, and tells whether the image is small enough to decode.
inline bool SmallEnoughToDecode(const unsigned char* data, size_t size, int scaleNum) {
  jpeg_decompress_struct cinfo;
  HeaderErrorTrap trap;
  cinfo.err = jpeg_std_error(&trap.pub);
  trap.pub.error_exit = QuietErrorExit;
  trap.pub.output_message = QuietMessage;
  if (setjmp(trap.returnPoint) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return true;  // the decoder meets the same error and fails before allocating the image
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.scale_num = static_cast<unsigned int>(scaleNum);
  cinfo.scale_denom = 8;
  jpeg_calc_output_dimensions(&cinfo);
  const bool small = uint64_t{cinfo.image_width} * cinfo.image_height <= kMaxSourcePixels &&
                     uint64_t{cinfo.output_width} * cinfo.output_height <= kMaxOutputPixels;
  jpeg_destroy_decompress(&cinfo);
  return small;
}

// An encoder for `width` x `height` pixels of `bitsPerPixel` (8: grey) at `quality`, progressive and
// with the sampling as bits 4-6 of `options` say.
inline void SetUpEncoder(EncoderState& encoder, int32_t width, int32_t height, int bitsPerPixel, int32_t quality,
                         uint8_t options) {
  ResetEncoderState(encoder);
  encoder.geometry.width = width;
  encoder.geometry.height = height;
  encoder.geometry.sourceBitsPerPixel = bitsPerPixel;
  encoder.geometry.targetBitsPerPixel = 24;
  ComputeRowGeometry(encoder.geometry);
  SetEncodeOptions(encoder, quality, (options >> 4) & 1, bitsPerPixel == 8 ? 1 : 0, (options >> 5) & 3);
}

// The 24-bit rows the encoder takes: `pixels` themselves, or the expansion of grey ones into `converted`;
// nullptr when that fails.
inline const unsigned char* RowsToEncode(EncoderState& encoder, const RgbQuad* colorTable,
                                         const unsigned char* pixels, PixelBlock& converted) {
  if (encoder.geometry.sourceBitsPerPixel != 8) return pixels;
  converted = PixelBlock::Allocate(static_cast<size_t>(encoder.geometry.targetImageBytes));
  if (!converted || !ConvertPixelFormat(colorTable, converted.Data(), encoder.geometry, pixels)) return nullptr;
  return converted.Data();
}

}  // namespace qv::fuzz
