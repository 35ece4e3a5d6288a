// Which scans of a progressive JPEG a scaled decode may leave out without changing a single output
// byte, found by walking the file's markers without decoding anything. Used by the decoder only.
//
// At 1/8 scale a component decoded by a 1x1 inverse DCT uses the DC coefficient of each block and
// nothing else, so the AC scans of such a component cannot change the picture. Leaving them out is
// exact only when everything else the library would do stays the same: every scan that is kept reads
// the same bytes into the same coefficients, a left-out scan would not have stopped the full decode with
// an error, and the full decode would not smooth blocks (the library estimates missing low-frequency
// coefficients, DC included, when some of the first ten are incomplete at the end). Anything this walk
// cannot vouch for gives an empty plan: the decoder then reads every scan.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

struct ByteRange {
  uint32_t begin = 0;
  uint32_t end = 0;  // one past the last byte
};

// The frame as the library read it: component ids in frame order and, for each, whether the decode at
// the chosen scale uses its AC coefficients.
struct FrameComponents {
  static constexpr int kMax = 4;
  int count = 0;
  int ids[kMax] = {};
  bool needsAc[kMax] = {};
};

struct ScanPlan {
  static constexpr size_t kMaxRanges = 64;
  ByteRange skipped[kMaxRanges];  // ascending and disjoint; each from an SOS marker to the next marker
  size_t rangeCount = 0;
  int32_t scanCount = 0;     // SOS markers in the file
  int32_t skippedScans = 0;  // of them inside the skipped ranges
};

// Plans the scans of the Huffman-coded progressive file `data` (from its SOI) to leave out. `headerEnd`
// is where the library stopped reading the header: the offset just past its first SOS segment. Returns
// false, with an empty plan, when nothing may be left out: no scan is useless, the file is not laid out
// as the walk expects (its first scan header ends elsewhere than `headerEnd`, or it holds bytes that the
// library's marker reader would skip), a left-out scan would be refused by the library, the full decode
// would smooth, the file has more than `maxScans` scans, or the plan needs more ranges than it holds.
bool PlanSkippedScans(const unsigned char* data, uint32_t size, uint32_t headerEnd, const FrameComponents& frame,
                      int32_t maxScans, ScanPlan& plan);

}  // namespace qv
