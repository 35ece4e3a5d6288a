// Exif date reader: a bounded walk over JPEG markers and the TIFF directories of the first Exif APP1.
// Depends only on the scan range it is given; it neither maps files nor knows about the decoder.
//
// All positions are kept as byte counts from the start of the scan range and checked by subtraction
// against its size before a pointer is formed, so a 32-bit offset from the file can neither overflow
// the arithmetic nor produce a pointer outside [begin, end].
#include "engine/exif_reader.h"

#include <cstddef>
#include <cstring>

namespace qv {
namespace {

constexpr unsigned char kMarkerStartOfImage = 0xD8;
constexpr unsigned char kMarkerEndOfImage = 0xD9;
constexpr unsigned char kMarkerStartOfScan = 0xDA;
constexpr unsigned char kMarkerApp1 = 0xE1;
constexpr unsigned char kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint16_t kLittleEndianMark = 0x4949;  // "II" reads the same in either host order
constexpr uint16_t kTagExifIfdPointer = 0x8769;
constexpr uint16_t kTagDateTimeOriginal = 0x9003;
constexpr size_t kIfdEntryBytes = 12;
constexpr size_t kTiffHeaderBytes = 8;

size_t RangeSize(const ExifReaderState& s) { return static_cast<size_t>(s.end - s.begin); }
size_t CursorPos(const ExifReaderState& s) { return static_cast<size_t>(s.cursor - s.begin); }
bool Fits(const ExifReaderState& s, size_t bytes) { return bytes <= static_cast<size_t>(s.end - s.cursor); }

// `base` + `offset` as a position in the range; false when it lies beyond the end. `base` is always a
// position inside the range, so the subtraction cannot wrap, and the sum is formed only once it is known
// to fit.
bool OffsetFromBase(const ExifReaderState& s, size_t base, uint32_t offset, size_t& pos) {
  if (offset > RangeSize(s) - base) return false;
  pos = base + offset;
  return true;
}

// Moves the cursor to `base` + `offset`; false (cursor kept) when that lies beyond the end.
bool SeekFromBase(ExifReaderState& s, size_t base, uint32_t offset) {
  size_t pos = 0;
  if (!OffsetFromBase(s, base, offset, pos)) return false;
  s.cursor = s.begin + pos;
  return true;
}

bool LittleEndian(const ExifReaderState& s) { return s.byteOrder == kLittleEndianMark; }

// 16- and 32-bit reads at the cursor in the TIFF byte order: 0 and cursor kept when the value does not
// fit before the end.
uint16_t Read16(ExifReaderState& s) {
  if (!Fits(s, 2)) return 0;
  const unsigned char* p = s.cursor;
  s.cursor += 2;
  return LittleEndian(s) ? static_cast<uint16_t>(p[0] | (p[1] << 8))
                         : static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t Read32(ExifReaderState& s) {
  if (!Fits(s, 4)) return 0;
  const unsigned char* p = s.cursor;
  s.cursor += 4;
  if (LittleEndian(s)) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
  }
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// Marker segment lengths are big-endian whatever the TIFF byte order. False when they do not fit.
bool ReadSegmentLength(ExifReaderState& s, uint16_t& length) {
  if (!Fits(s, 2)) return false;
  length = static_cast<uint16_t>((s.cursor[0] << 8) | s.cursor[1]);
  s.cursor += 2;
  return true;
}

// Skips to the next marker code (past any fill bytes) and returns it; false at the end of the range.
bool NextMarker(ExifReaderState& s, unsigned char& code) {
  while (s.cursor != s.end && *s.cursor != 0xFF) ++s.cursor;
  while (s.cursor != s.end && *s.cursor == 0xFF) ++s.cursor;
  if (s.cursor == s.end) return false;
  code = *s.cursor++;
  return true;
}

// Walks the markers up to the first APP1 that starts with the Exif signature and returns the position
// of its TIFF header. False when image data, the end marker or the end of the range comes first, or a
// segment length is malformed.
bool FindExifTiffHeader(ExifReaderState& s, size_t& base) {
  for (;;) {
    unsigned char code = 0;
    if (!NextMarker(s, code)) return false;
    if (code == kMarkerStartOfImage) continue;
    if (code == kMarkerEndOfImage || code == kMarkerStartOfScan) return false;

    const size_t lengthPos = CursorPos(s);
    uint16_t length = 0;
    if (!ReadSegmentLength(s, length)) return false;
    if (code == kMarkerApp1) {
      if (Fits(s, sizeof kExifSignature) &&
          std::memcmp(s.cursor, kExifSignature, sizeof kExifSignature) == 0) {
        s.cursor += sizeof kExifSignature;
        base = CursorPos(s);
        return true;
      }
    } else if (length < 2) {
      return false;
    }
    // The segment's length counts its own two bytes. Stepping past the end would leave nothing to scan.
    if (!SeekFromBase(s, lengthPos, length)) return false;
  }
}

// Reads the IFD0 entries at `base` + `ifd0Offset` and returns the value of the last Exif IFD pointer
// among those that fit, or 0 when there is none.
uint32_t FindExifIfdOffset(ExifReaderState& s, size_t base, uint32_t ifd0Offset) {
  if (!SeekFromBase(s, base, ifd0Offset) || !Fits(s, 2)) return 0;
  const uint16_t count = Read16(s);
  uint32_t exifOffset = 0;
  for (uint16_t i = 0; i < count && Fits(s, kIfdEntryBytes); ++i) {
    const uint16_t tag = Read16(s);
    Read16(s);  // type
    Read32(s);  // count
    const uint32_t value = Read32(s);
    if (tag == kTagExifIfdPointer) exifOffset = value;
  }
  return exifOffset;
}

// Reads DateTimeOriginal from the TIFF data at `base` (the cursor stands there).
bool ReadDateAtTiffHeader(ExifReaderState& s, size_t base, ExifDateTime& out) {
  // TIFF header: byte order (kept as the two bytes read in memory order), 42, offset of IFD0. A header
  // that does not fit leaves no room for any directory entry either.
  if (!Fits(s, kTiffHeaderBytes)) return false;
  std::memcpy(&s.byteOrder, s.cursor, sizeof s.byteOrder);
  s.cursor += 4;
  const uint32_t ifd0Offset = Read32(s);

  const uint32_t exifOffset = FindExifIfdOffset(s, base, ifd0Offset);
  if (exifOffset == 0) return false;

  if (!SeekFromBase(s, base, exifOffset) || !Fits(s, 2)) return false;
  const uint16_t count = Read16(s);
  for (uint16_t i = 0; i < count; ++i) {
    if (!Fits(s, kIfdEntryBytes)) return false;
    const uint16_t tag = Read16(s);
    Read16(s);  // type: not examined
    Read32(s);  // count: not examined
    const uint32_t valueOffset = Read32(s);
    if (tag != kTagDateTimeOriginal) continue;
    size_t datePos = 0;
    if (OffsetFromBase(s, base, valueOffset, datePos) && sizeof out.text <= RangeSize(s) - datePos) {
      std::memcpy(out.text, s.begin + datePos, sizeof out.text);
      return true;
    }
  }
  return false;
}

}  // namespace

void SetExifScanRange(ExifReaderState& state, const unsigned char* data, uint32_t size) {
  state.begin = data;
  state.cursor = data;
  state.end = data == nullptr ? data : data + size;
}

bool ReadExifDate(ExifReaderState& s, ExifDateTime& out) {
  size_t base = 0;
  if (!FindExifTiffHeader(s, base)) return false;
  return ReadDateAtTiffHeader(s, base, out);
}

bool ReadExifDateOfPayload(ExifReaderState& s, const unsigned char* payload, size_t size, ExifDateTime& out) {
  if (payload == nullptr || size < sizeof kExifSignature || size > UINT32_MAX ||
      std::memcmp(payload, kExifSignature, sizeof kExifSignature) != 0)
    return false;
  SetExifScanRange(s, payload, static_cast<uint32_t>(size));
  s.cursor += sizeof kExifSignature;
  return ReadDateAtTiffHeader(s, sizeof kExifSignature, out);
}

}  // namespace qv
