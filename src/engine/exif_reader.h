// Reads the date taken (Exif DateTimeOriginal, tag 0x9003) from the headers of a mapped JPEG file.
// Every read is bounded by the scan range; nothing outside [cursor, end) is ever touched.
#pragma once

#include <cstdint>

#include "platform/files.h"

namespace qv {

// The 20 bytes of DateTimeOriginal exactly as stored ("YYYY:MM:DD HH:MM:SS" and a NUL, normally).
struct ExifDateTime {
  char text[20] = {};
};

struct ExifReaderState {
  MappedInputFile file;
  const unsigned char* cursor = nullptr;  // read position, always within [begin, end]
  const unsigned char* begin = nullptr;   // first byte of the scan range
  const unsigned char* end = nullptr;     // one past the last byte
  uint16_t byteOrder = 0;                 // first two TIFF header bytes in memory order; 0x4949 = "II"
};

// Points the scan range of `state` at `size` bytes from `data` (usually the mapped view).
void SetExifScanRange(ExifReaderState& state, const unsigned char* data, uint32_t size);

// Walks the markers from the cursor to the first Exif APP1 segment before the image data and copies its
// DateTimeOriginal into `out`. False, with `out` untouched, when there is none or any structure on the
// way is malformed or truncated.
bool ReadExifDate(ExifReaderState& state, ExifDateTime& out);

// The same for an Exif block held apart from any JPEG (a HEIF file's): `payload` is an APP1 payload,
// "Exif\0\0" and the TIFF data. Points the scan range of `state` at it.
bool ReadExifDateOfPayload(ExifReaderState& state, const unsigned char* payload, size_t size, ExifDateTime& out);

}  // namespace qv
