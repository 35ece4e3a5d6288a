// HEIF/HEIC decoding (libheif with its HEVC decoder) into the same DecodedImage as the JPEG decoder. HEVC
// has no DCT-domain shortcut: the primary image is decoded at full size, turned and mirrored as its file
// says (the picture comes out upright), and resampled to the N/8 size a JPEG of that size would get. Only
// this file and heif_decoder.cpp include libheif.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/decoder.h"

namespace qv {

// True when `size` bytes from `data` begin an ISO base-media file whose "ftyp" box names a HEIF brand
// (heic, heix, heim, heis, hevc, hevx, mif1, msf1, avif, avis). Images of a codec without a decoder here
// (AV1) count as HEIF too: they fail to decode with that reason rather than being "not an image".
bool IsHeifBytes(const unsigned char* data, size_t size);

// The same for the first bytes of the file at `path`; the name does not matter.
bool IsHeifFile(const std::wstring& path);

// What the container says about the primary image before anything is decoded.
struct HeifLayout {
  int64_t width = 0;   // as shown: after the file's turns
  int64_t height = 0;
  int bitDepth = 8;    // luma bits per sample
};

// Reads the layout of the primary image; false when the container cannot be read or has no primary image.
bool ReadHeifLayout(const unsigned char* data, uint32_t size, HeifLayout& layout);

// Bytes a full-size decode of such an image holds at its peak: the codec's planes (grid tiles are put
// together in a full-size image), the interleaved RGB picture and our full-size bitmap.
uint64_t HeifDecodeBytes(const HeifLayout& layout);

// The largest side libheif accepts in a file (its security limit): anything larger is refused as too large
// when the container is read.
constexpr int32_t kMaxHeifSide = 32768;

// A sample of `bits` bits (9-16) reduced to 8 bits, rounded to the nearest: v * 255 / (2^bits - 1). (libheif's
// own reduction drops the low bits, which darkens every picture by up to one level.)
inline uint8_t ReduceSampleTo8(uint32_t value, int bits) {
  const uint32_t max = (uint32_t{1} << bits) - 1;
  const uint32_t v = value < max ? value : max;
  return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

// Decodes the primary image of the HEIF file in `data` into state.image like DecodeJpegBytes: at
// state.scaleNum/8 (0: full size) lowered under state.longEdgeBound, 24 bits per pixel, upright. Samples of
// more than 8 bits are rounded to 8. With state.keepMetadata the ICC profile (prof or rICC) lands in
// state.icc; the first Exif block always lands in state.exif as an APP1 payload ("Exif\0\0" + TIFF data),
// for the date and for --keep-exif. A picture whose full-size decode would exceed state.memoryLimit (0:
// the default for this machine) or whose result would exceed 25000 pixels on a side is refused before
// decoding with state.tooLarge set. Returns nullptr on any failure; no pixel block is handed out.
const DecodedImage* DecodeHeifBytes(DecoderState& state, const unsigned char* data, uint32_t size);

// The same for the file at `path`, through state.file (which the caller unmaps after the call).
const DecodedImage* DecodeHeifFile(DecoderState& state, const std::wstring& path);

// The first Exif block of the primary image as an APP1 payload ("Exif\0\0" + TIFF data); false (out
// empty) when there is none or it is malformed.
bool ReadHeifExif(const unsigned char* data, uint32_t size, std::vector<unsigned char>& out);

}  // namespace qv
