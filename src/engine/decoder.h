// JPEG decoding at N/8 scale into a DecodedImage, reading the file through a read-only mapping.
// Library errors, unsupported files and decompression bombs all end in a null result. At 1/8 the scans
// of a progressive file that cannot change the output are not read (engine/scan_plan.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/decoded_image.h"
#include "engine/resample.h"
#include "platform/files.h"

namespace qv {

struct DecoderState {
  MappedInputFile file;        // mapping of the file being decoded; the caller unmaps it after the call
  int32_t scaleNum = 0;        // 0: full size, else decode at scaleNum/8
  DecodedImage image;          // header and colour table of the last decode
  uint64_t memoryLimit = 0;    // bytes the library may use for one image; 0 picks a share of the machine
  int32_t maxScans = 500;      // a progressive file with more scans than this is refused
  bool tooLarge = false;       // the last decode failed because a decoded side would exceed 25000
  bool readEveryScan = false;  // read even the scans the output cannot use (comparisons, benchmarks)
  int32_t skippedScans = 0;    // scans the last decode left out
  int32_t longEdgeBound = 0;   // above 0: the scale is lowered per file until the long edge fits
  int32_t usedScaleNum = 0;    // the scale of the last decode (0: full size, unscaled)
  bool keepMetadata = false;   // keep the first Exif segment and the ICC profile of each file
  // Above 0: each file is fitted into this box (the scale then follows from it, engine/resample.h); with
  // fitUpright the box is of the upright picture, turned when the file's Exif orientation swaps its sides
  // (needs keepMetadata). resampleTo is the last decode's size to resample to, 0 x 0 when it is the size.
  int32_t fitWidth = 0, fitHeight = 0;
  bool fitUpright = false;
  PictureSize resampleTo;
  // Set by the caller for a HEIF file, whose decoder applies the file's turns and mirrors: the picture
  // comes out upright and its Exif orientation (which records the same turn) is not applied again.
  bool decodedUpright = false;
  std::vector<unsigned char> exif;  // with keepMetadata: the Exif APP1 payload ("Exif\0\0"...), or empty
  std::vector<unsigned char> icc;   // with keepMetadata: the ICC profile, or empty
};

// Default limit of the library's working memory per image on a machine with `physicalBytes` of memory
// (0 = unknown): a quarter of it, at least 1 GiB (enough for the coefficient buffers of a 100-megapixel
// progressive photo).
uint64_t DefaultDecoderMemoryLimit(uint64_t physicalBytes);

// The memory cap handed to the library for one decode: `limitBytes`, or the default for `physicalBytes`
// when it is 0, clamped to the largest value of the library's field (a C long, only 32 bits on Windows).
// Never 0 or negative, which the library would read as "no limit".
long LibraryMemoryLimit(uint64_t limitBytes, uint64_t physicalBytes);

// Decodes the file at `path` at scaleNum/8, or at the largest smaller scale whose long edge fits
// longEdgeBound (engine/orientation.h). On success returns the state's image, whose pixel block now belongs to the
// caller (take it into a PixelBlock(image.pixels, image.pixelBytes), or release it with ReleasePixelBlock). Returns
// nullptr on any failure; no pixel block is handed out. Either way the mapping stays in `state.file` for the caller to
// release with UnmapInputFile.
const DecodedImage* DecodeJpegFile(DecoderState& state, const std::wstring& path);

// The same on bytes in memory (the mapped view, or a fuzzer's input). `data` must stay valid during the
// call; fileSize of the result is `size`.
const DecodedImage* DecodeJpegBytes(DecoderState& state, const unsigned char* data, uint32_t size);

// Clears what a decode reports (image, refusal, scale used, resample size, metadata) before the next one;
// every decoder starts with it.
void ResetDecodeResults(DecoderState& state);

}  // namespace qv

namespace qv {

// What the header of a JPEG tells about the memory its decode needs.
struct JpegLayout {
  int64_t width = 0;
  int64_t height = 0;
  int components = 0;
  bool multiScan = false;  // progressive, or sequential in several scans: the library buffers all coefficients
  int maxH = 1, maxV = 1;  // largest sampling factors
  int h[4] = {1, 1, 1, 1};
  int v[4] = {1, 1, 1, 1};
};

// Reads the header of the JPEG in `data` (nothing is decoded). False when the library refuses it or it has
// more than four components.
bool ReadJpegLayout(const unsigned char* data, uint32_t size, JpegLayout& layout);

}  // namespace qv
