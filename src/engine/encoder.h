// JPEG encoding of a DecodedImage, straight into a file or, under a size bound, by a quality search in
// memory followed by one write of the kept result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/decoded_image.h"
#include "engine/pixel_conversion.h"
#include "platform/files.h"

namespace qv {

struct EncoderState {
  PixelConversion geometry;       // target geometry (24 bits per pixel)
  uint8_t memoryDestination = 0;  // 1 while the size-bounded search runs its passes
  OutputFile outputFile;          // the file written last; closed by CleanUpEncoderState
  PixelBlock convertedPixels;     // 24-bit expansion of an 8-bit source
  uint8_t greyscale = 0;
  uint8_t progressive = 0;
  uint8_t jpegli = 0;  // 1: jpegli's encoder, 0: libjpeg's
  int32_t quality = 75;  // quality of the next pass
  int32_t hSampling = 2;
  int32_t vSampling = 2;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  const char* comment = nullptr;  // NUL-terminated ANSI bytes, or none
  const unsigned char* exif = nullptr;  // an APP1 payload written after the JFIF header, or none
  size_t exifBytes = 0;                 // at most 65533
  const unsigned char* icc = nullptr;   // an ICC profile written in APP2 chunks, or none
  size_t iccBytes = 0;
  int32_t writtenQuality = 0;     // quality of the output written last (1 for values of 1 and below)
  bool writtenOverBound = false;  // the output written last is larger than its size bound (at quality 1)
};

// Puts the state back to its reset values but for the geometry (keeps nothing of an earlier file;
// releases what an earlier file left).
void ResetEncoderState(EncoderState& state);

// Stores quality (values above 100 become 75), the flags and the luminance sampling of a Sampling code.
void SetEncodeOptions(EncoderState& state, int32_t quality, uint8_t progressive, uint8_t greyscale, int32_t sampling);

// A growable, zero-filled output buffer for the in-memory passes. The encoder grows it when an output is
// larger than the room it has, so no pass ever writes past it. It is grown inside the library's
// callbacks, whose frames a library error jumps over, so it stays a plain record released by hand.
struct MemoryBuffer {
  unsigned char* data = nullptr;
  size_t capacity = 0;
};
bool AllocateMemoryBuffer(MemoryBuffer& buffer, size_t capacity);
void ReleaseMemoryBuffer(MemoryBuffer& buffer);

// File mode: writes the image to `path` (created anew) at the state's options. `colorTable` is only used
// to expand an 8-bit source. The created file handle stays in the state; on failure a created file
// stays on disk, partly written, for the caller to remove.
bool EncodeJpeg(EncoderState& state, const std::wstring& path, const RgbQuad* colorTable, const unsigned char* pixels);

// Memory mode: encodes 24-bit rows into `buffer`, growing it when needed. On success `byteCount` is the
// number of JPEG bytes at the start of the buffer.
bool EncodeJpeg(EncoderState& state, MemoryBuffer& buffer, size_t& byteCount, const unsigned char* pixels);

// The quality search under a size bound. `pass(q, bytes)` encodes at quality q and reports the byte
// count; a false return ends the search with false. On success `chosen` is the quality whose pass was
// the last one (its bytes are the ones to keep).
bool SearchQualityWithinBound(int32_t startQuality, int64_t boundBytes,
                              const std::function<bool(int32_t, int64_t&)>& pass, int32_t& chosen);

// Size-bound mode: finds the highest quality not above the state's whose output fits `limitKb` * 1024
// bytes (quality 1 when none fits, with writtenOverBound set) and writes that output to `path` in one
// write.
bool EncodeWithinSizeBound(EncoderState& state, const std::wstring& path, const RgbQuad* colorTable,
                           const unsigned char* pixels, int32_t limitKb);

// Releases the converted pixels and closes the output file of the state.
void CleanUpEncoderState(EncoderState& state);

}  // namespace qv
