// The marker walk behind ScanPlan: segment by segment from SOI to EOI, each scan's entropy-coded data
// passed over with memchr. It follows the library's own rules where they decide whether a scan can be
// read (scan headers, progression parameters, Huffman tables) and declines everything else.
#include "engine/scan_plan.h"

#include <cstring>

namespace qv {

namespace {

// The library's block smoothing looks at the first ten coefficients in zig-zag order.
constexpr int kSmoothedCoefficients = 10;
constexpr int kHuffmanSlots = 4;
constexpr int kMaxAl = 13;

enum Marker : uint8_t {
  kSoi = 0xD8,
  kEoi = 0xD9,
  kSos = 0xDA,
  kDqt = 0xDB,
  kDri = 0xDD,
  kDht = 0xC4,
  kCom = 0xFE,
  kApp0 = 0xE0,
  kApp15 = 0xEF,
};

uint32_t Read16(const unsigned char* p) { return (uint32_t{p[0]} << 8) | p[1]; }

// What the walk knows of the decode so far.
struct Progress {
  // Per component and coefficient as the library keeps it: -1 never sent, else Al of the last scan.
  int coefBits[FrameComponents::kMax][kSmoothedCoefficients];
  bool acTableUsable[kHuffmanSlots] = {};  // defined, and the library can build its decoding table
  Progress() { std::memset(coefBits, 0xFF, sizeof(coefBits)); }
};

// The check the library makes when it builds a decoding table: every code fits in its length without
// being all ones. (More than 256 symbols is refused already where the table is read.)
bool HuffmanCodesFit(const unsigned char* counts) {
  uint32_t code = 0;
  for (int length = 1; length <= 16; ++length) {
    code += counts[length - 1];
    if (code >= (uint32_t{1} << length)) return false;
    code <<= 1;
  }
  return true;
}

// Reads the tables of one DHT segment as the library does; false where the library would stop.
bool ReadHuffmanTables(const unsigned char* p, uint32_t length, Progress& progress) {
  while (length > 16) {
    const unsigned index = p[0];
    const unsigned char* counts = p + 1;
    uint32_t symbols = 0;
    for (int i = 0; i < 16; ++i) symbols += counts[i];
    length -= 17;
    if (symbols > 256 || symbols > length) return false;
    length -= symbols;
    p += 17 + symbols;
    const bool ac = (index & 0x10) != 0;
    const unsigned slot = ac ? index - 0x10 : index;
    if (slot >= kHuffmanSlots) return false;
    if (ac) progress.acTableUsable[slot] = HuffmanCodesFit(counts);
  }
  return length == 0;
}

// The first byte of the marker that ends the entropy-coded data starting at `from`: the first 0xFF
// (after any fill bytes) that is neither a stuffed zero nor a restart marker. `size` when the data runs
// to the end.
uint32_t EndOfEntropyData(const unsigned char* data, uint32_t size, uint32_t from) {
  uint32_t p = from;
  while (p < size) {
    const void* hit = std::memchr(data + p, 0xFF, size - p);
    if (hit == nullptr) return size;
    const uint32_t ff = static_cast<uint32_t>(static_cast<const unsigned char*>(hit) - data);
    uint32_t q = ff + 1;
    while (q < size && data[q] == 0xFF) ++q;
    if (q >= size) return size;
    if (data[q] != 0 && (data[q] < 0xD0 || data[q] > 0xD7)) return ff;
    p = q + 1;
  }
  return size;
}

struct ScanHeader {
  int count = 0;
  int components[FrameComponents::kMax] = {};  // frame indexes
  int acTable = 0;                             // of the first component
  int ss = 0, se = 0, ah = 0, al = 0;
};

// Reads an SOS header (its payload after the length) as the library does, and checks its progression
// parameters the way the library does before reading the scan; false where the library would stop.
bool ReadScanHeader(const unsigned char* p, uint32_t length, const FrameComponents& frame, ScanHeader& scan) {
  if (length < 1) return false;
  const int n = p[0];
  if (n < 1 || n > FrameComponents::kMax || length != static_cast<uint32_t>(n) * 2 + 4) return false;
  bool taken[FrameComponents::kMax] = {};
  for (int i = 0; i < n; ++i) {
    const int id = p[1 + 2 * i];
    int index = 0;
    while (index < frame.count && (frame.ids[index] != id || taken[index])) ++index;
    if (index == frame.count) return false;
    taken[index] = true;
    scan.components[i] = index;
    if (i == 0) scan.acTable = p[2 + 2 * i] & 15;
  }
  scan.count = n;
  const unsigned char* params = p + 1 + 2 * n;
  scan.ss = params[0];
  scan.se = params[1];
  scan.ah = params[2] >> 4;
  scan.al = params[2] & 15;
  if (scan.ss == 0 && scan.se != 0) return false;
  if (scan.ss != 0 && (scan.ss > scan.se || scan.se >= 64 || n != 1)) return false;
  if (scan.ah != 0 && scan.al != scan.ah - 1) return false;
  return scan.al <= kMaxAl;
}

// Whether the decode may leave `scan` out: an AC scan of a component whose AC coefficients the output
// does not use, after a DC scan of that component (so the library has taken its quantisation table at
// the same point either way), with a Huffman table the library would accept.
bool MayLeaveOut(const ScanHeader& scan, const FrameComponents& frame, const Progress& progress) {
  if (scan.ss == 0) return false;
  const int c = scan.components[0];
  return !frame.needsAc[c] && progress.coefBits[c][0] >= 0 && scan.acTable < kHuffmanSlots &&
         progress.acTableUsable[scan.acTable];
}

void RecordScan(const ScanHeader& scan, Progress& progress) {
  for (int i = 0; i < scan.count; ++i)
    for (int k = scan.ss; k <= scan.se && k < kSmoothedCoefficients; ++k)
      progress.coefBits[scan.components[i]][k] = scan.al;
}

bool AddRange(ScanPlan& plan, uint32_t begin, uint32_t end) {
  if (plan.rangeCount > 0 && plan.skipped[plan.rangeCount - 1].end == begin) {
    plan.skipped[plan.rangeCount - 1].end = end;
    return true;
  }
  if (plan.rangeCount == ScanPlan::kMaxRanges) return false;
  plan.skipped[plan.rangeCount++] = ByteRange{begin, end};
  return true;
}

// The walk; false to decline.
bool Walk(const unsigned char* data, uint32_t size, uint32_t headerEnd, const FrameComponents& frame, int32_t maxScans,
          ScanPlan& plan) {
  if (size < 4 || data[0] != 0xFF || data[1] != kSoi) return false;
  if (frame.count < 1 || frame.count > FrameComponents::kMax) return false;
  Progress progress;
  uint32_t pos = 2;
  while (pos < size) {
    // A marker, possibly after fill bytes; anything else between segments is declined.
    if (data[pos] != 0xFF) return false;
    const uint32_t markerStart = pos;
    while (pos < size && data[pos] == 0xFF) ++pos;
    if (pos >= size) return false;
    const uint8_t code = data[pos++];
    if (code == kEoi) break;
    // Markers without a length (restart, TEM) or a second SOI: never where a plan is worth the doubt.
    // 0xFF 0x00 is no marker: the library's marker reader passes over it and the bytes after it as junk.
    if (code == 0x00 || code == kSoi || code == 0x01 || (code >= 0xD0 && code <= 0xD7)) return false;
    if (pos + 2 > size) return false;
    const uint32_t length = Read16(data + pos);
    if (length < 2 || length > size - pos) return false;
    const unsigned char* payload = data + pos + 2;
    const uint32_t payloadBytes = length - 2;
    const uint32_t next = pos + length;
    if (code == kSos) {
      if (++plan.scanCount > maxScans) return false;
      // The first scan must be the one the library is about to read: a walk that has read the segments
      // before it differently from the library would judge scans that the library never sees.
      if (plan.scanCount == 1 && next != headerEnd) return false;
      ScanHeader scan;
      if (!ReadScanHeader(payload, payloadBytes, frame, scan)) return false;
      const bool leaveOut = MayLeaveOut(scan, frame, progress);
      RecordScan(scan, progress);
      pos = EndOfEntropyData(data, size, next);
      if (leaveOut) {
        if (!AddRange(plan, markerStart, pos)) return false;
        ++plan.skippedScans;
      }
      continue;
    }
    if (code == kDht) {
      if (!ReadHuffmanTables(payload, payloadBytes, progress)) return false;
    } else if (plan.scanCount > 0 && code != kDqt && code != kDri && code != kCom && (code < kApp0 || code > kApp15)) {
      return false;  // after the first scan only tables, restart intervals, comments and APPn are expected
    }
    pos = next;
  }
  if (plan.scanCount == 0 || plan.skippedScans == 0) return false;
  // With some of the first ten coefficients incomplete at the end, the full decode smooths blocks.
  for (int c = 0; c < frame.count; ++c)
    for (int k = 1; k < kSmoothedCoefficients; ++k)
      if (progress.coefBits[c][k] != 0) return false;
  return true;
}

}  // namespace

bool PlanSkippedScans(const unsigned char* data, uint32_t size, uint32_t headerEnd, const FrameComponents& frame,
                      int32_t maxScans, ScanPlan& plan) {
  plan = ScanPlan{};
  if (Walk(data, size, headerEnd, frame, maxScans, plan)) return true;
  plan = ScanPlan{};
  return false;
}

}  // namespace qv
