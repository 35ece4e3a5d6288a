// Makes the Exif segment of an output file from the input's: the orientation and pixel size brought in
// line with the new pixels, the thumbnail removed, everything else (maker notes included) kept byte for
// byte at the same offsets. Works on one APP1 payload in memory; every read and write stays inside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv {

// The most payload one APP1 segment can carry: 65535 minus its two length bytes.
constexpr size_t kMaxApp1Payload = 65533;

// `payload` = the bytes of an APP1 segment after its two length bytes, starting "Exif\0\0". The
// orientation (tag 0x0112 of IFD0: one SHORT, or one BYTE, LONG, SSHORT or SLONG) as 1..8; 1 when it is
// absent, of another type or count, out of range or the structure around it cannot be read. Reads IFD0
// only, so a file whose Exif is otherwise unsound (and will not be copied) still turns upright the way
// viewers show it.
int ReadExifOrientation(const unsigned char* payload, size_t size);

enum class ExifDropReason { kNone, kMalformed, kTooLarge };

// "" / "malformed-exif" / "exif-too-large".
const char* ExifDropReasonName(ExifDropReason reason);

struct ExifOutputFacts {
  bool resetOrientation = false;   // pixels were turned upright: orientation becomes 1
  uint32_t width = 0, height = 0;  // the output's pixel size; 0 leaves that dimension's tags alone
};

// The output's Exif APP1 payload made from the input's. False (out empty, reason set) when the input's
// structure is not sound (kMalformed) or the result would not fit one APP1 segment (kTooLarge).
//
// Checked: the "Exif\0\0" signature, the TIFF header in either byte order, and the directories IFD0,
// IFD1 (the thumbnail's), Exif, GPS and Interoperability: each inside the payload, none overlapping the
// header or another, pointers of the right type where they belong and nowhere deeper (SubIFDs 0x014A and
// GlobalParametersIFD 0x0190, which lead to further directories, are refused in kept ones). An entry of a kept
// directory whose value lies outside the payload is removed from its directory (the later entries move
// up, the count drops by one); the rest of the segment is kept as it is.
//
// Edited in place, so no offset moves and maker notes stay valid: orientation set to a SHORT 1 (when
// `resetOrientation`), ImageWidth/ImageLength of IFD0 and PixelXDimension/PixelYDimension of the Exif
// IFD set to the output's size (as a LONG when a SHORT cannot hold it), IFD0's link to IFD1 and the
// links after the Exif, GPS and Interoperability directories set to 0. The bytes that only the thumbnail
// directory and its data use are zeroed, and cut off where they and zero padding end the payload; every
// other byte stays, named by a kept directory or not (maker notes point to data beyond their own entry).
// The output is never longer than the input.
bool MakeOutputExif(const unsigned char* payload, size_t size, const ExifOutputFacts& facts,
                    std::vector<unsigned char>& out, ExifDropReason& reason);

}  // namespace qv
