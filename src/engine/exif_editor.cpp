// Exif editor: validates the TIFF structure of one Exif APP1 payload and edits a copy of it in place.
//
// Positions are byte counts from the start of the payload. An offset read from the data is turned into a
// position only after checking, by subtraction against the room left, that the bytes it names fit, so a
// 32-bit offset or a count times a type size can neither overflow nor reach outside the payload.
#include "engine/exif_editor.h"

#include <algorithm>
#include <cstring>

namespace qv {
namespace {

constexpr unsigned char kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr size_t kTiffStart = sizeof kSignature;  // offsets in the TIFF data count from here
constexpr size_t kTiffHeaderBytes = 8;
constexpr size_t kCountBytes = 2;
constexpr size_t kEntryBytes = 12;
constexpr size_t kLinkBytes = 4;
constexpr size_t kInlineValueBytes = 4;

constexpr uint16_t kTypeByte = 1;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kTypeSShort = 8;
constexpr uint16_t kTypeSLong = 9;
constexpr uint16_t kTypeIfd = 13;

constexpr uint16_t kTagImageWidth = 0x0100;
constexpr uint16_t kTagImageLength = 0x0101;
constexpr uint16_t kTagStripOffsets = 0x0111;
constexpr uint16_t kTagSubIfds = 0x014A;
constexpr uint16_t kTagGlobalParametersIfd = 0x0190;
constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagStripByteCounts = 0x0117;
constexpr uint16_t kTagThumbnailOffset = 0x0201;
constexpr uint16_t kTagThumbnailLength = 0x0202;
constexpr uint16_t kTagExifIfd = 0x8769;
constexpr uint16_t kTagGpsIfd = 0x8825;
constexpr uint16_t kTagPixelXDimension = 0xA002;
constexpr uint16_t kTagPixelYDimension = 0xA003;
constexpr uint16_t kTagInteropIfd = 0xA005;

// Bytes per value of each TIFF field type; 0 for types whose size is unknown.
size_t TypeSize(uint16_t type) {
  // -, BYTE, ASCII, SHORT, LONG, RATIONAL, SBYTE, UNDEFINED, SSHORT, SLONG, SRATIONAL, FLOAT, DOUBLE, IFD
  static constexpr unsigned char kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < sizeof kSizes ? kSizes[type] : 0;
}

// Bounded reads of the TIFF data in the payload's byte order.
class TiffView {
 public:
  TiffView(const unsigned char* data, size_t size) : data_(data), size_(size) {}

  // Signature, byte order and 42; false when any of them is wrong or the header does not fit.
  bool ReadHeader(uint32_t& ifd0Offset) {
    if (size_ < kTiffStart + kTiffHeaderBytes) return false;
    if (std::memcmp(data_, kSignature, sizeof kSignature) != 0) return false;
    const unsigned char* order = data_ + kTiffStart;
    if (order[0] == 'I' && order[1] == 'I') {
      little_ = true;
    } else if (order[0] == 'M' && order[1] == 'M') {
      little_ = false;
    } else {
      return false;
    }
    if (U16(kTiffStart + 2) != 42) return false;
    ifd0Offset = U32(kTiffStart + 4);
    return true;
  }

  // The position of `offset` (from the TIFF header) when `bytes` bytes from there lie inside the payload.
  // Only after ReadHeader succeeded, so that size_ >= kTiffStart.
  bool Locate(uint32_t offset, uint64_t bytes, size_t& pos) const {
    const size_t room = size_ - kTiffStart;
    if (offset > room || bytes > room - offset) return false;
    pos = kTiffStart + offset;
    return true;
  }

  // The caller has checked that the value lies inside the payload.
  uint16_t U16(size_t pos) const {
    const unsigned char* p = data_ + pos;
    return little_ ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : static_cast<uint16_t>((p[0] << 8) | p[1]);
  }
  uint32_t U32(size_t pos) const {
    const unsigned char* p = data_ + pos;
    if (little_) {
      return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
    }
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
  }

  size_t size() const { return size_; }
  bool little() const { return little_; }

 private:
  const unsigned char* data_;
  size_t size_;
  bool little_ = true;
};

enum class DirKind { kIfd0, kIfd1, kExif, kGps, kInterop };

struct Directory {
  size_t pos;
  uint16_t count;
  DirKind kind;
  size_t EntryPos(size_t i) const { return pos + kCountBytes + i * kEntryBytes; }
  size_t LinkPos() const { return EntryPos(count); }
  size_t End() const { return LinkPos() + kLinkBytes; }
};

struct Span {
  size_t begin, end;
};

struct Removal {
  size_t dir;
  uint16_t entry;
};

// What validation found: the directories, the bytes that kept and dropped parts use, and the entries
// whose values lie outside the payload.
struct Layout {
  std::vector<Directory> dirs;
  std::vector<Span> kept;     // header, kept directories and their out-of-line values
  std::vector<Span> dropped;  // the thumbnail directory, its values and the thumbnail data
  std::vector<Removal> removals;
  bool hasThumbnailDir = false;
};

// A list of SHORT or LONG values (strip offsets and byte counts), inline or out of line.
struct ValueList {
  size_t pos = 0;
  uint32_t count = 0;
  uint16_t type = 0;
};

class Validator {
 public:
  Validator(const TiffView& tiff, Layout& layout) : t_(tiff), layout_(layout) {}

  bool Run(uint32_t ifd0Offset) {
    layout_.kept.push_back({0, kTiffStart + kTiffHeaderBytes});
    size_t ifd0 = 0;
    if (!AddDirectory(ifd0Offset, DirKind::kIfd0, ifd0)) return false;
    const uint32_t ifd1Offset = t_.U32(layout_.dirs[ifd0].LinkPos());
    if (ifd1Offset != 0) {
      size_t ifd1 = 0;
      if (!AddDirectory(ifd1Offset, DirKind::kIfd1, ifd1)) return false;
      layout_.hasThumbnailDir = true;
    }
    // Scanning a directory may add the ones it points to; the structure is at most two levels deep.
    for (size_t i = 0; i < layout_.dirs.size(); ++i)
      if (!Scan(i)) return false;
    return true;
  }

 private:
  bool AddDirectory(uint32_t offset, DirKind kind, size_t& index) {
    size_t pos = 0;
    if (!t_.Locate(offset, kCountBytes, pos)) return false;
    const uint16_t count = t_.U16(pos);
    if (!t_.Locate(offset, kCountBytes + uint64_t{count} * kEntryBytes + kLinkBytes, pos)) return false;
    const Directory dir{pos, count, kind};
    // A directory may share no byte with the header or another directory: this also refuses a
    // directory reached twice through a loop.
    if (dir.pos < kTiffStart + kTiffHeaderBytes) return false;
    for (const Directory& other : layout_.dirs)
      if (dir.pos < other.End() && other.pos < dir.End()) return false;
    layout_.dirs.push_back(dir);
    (kind == DirKind::kIfd1 ? layout_.dropped : layout_.kept).push_back({dir.pos, dir.End()});
    index = layout_.dirs.size() - 1;
    return true;
  }

  // The directory that `tag` leads to from a directory of kind `from`, if it is followed there.
  static bool ChildKind(DirKind from, uint16_t tag, DirKind& child) {
    if (from == DirKind::kIfd0 && (tag == kTagExifIfd || tag == kTagGpsIfd)) {
      child = tag == kTagExifIfd ? DirKind::kExif : DirKind::kGps;
      return true;
    }
    if (from == DirKind::kExif && tag == kTagInteropIfd) {
      child = DirKind::kInterop;
      return true;
    }
    return false;
  }

  // A pointer tag below the level where it belongs would nest directories deeper than Exif allows. The
  // TIFF tags for further directories are refused wherever they are kept: other readers follow them
  // (whatever type they are stored with), and nothing here checks where they lead.
  static bool NestsTooDeep(DirKind from, uint16_t tag) {
    if (from != DirKind::kIfd1 && (tag == kTagSubIfds || tag == kTagGlobalParametersIfd)) return true;
    const bool sub = from == DirKind::kExif || from == DirKind::kGps || from == DirKind::kInterop;
    if (sub && (tag == kTagExifIfd || tag == kTagGpsIfd)) return true;
    return (from == DirKind::kGps || from == DirKind::kInterop) && tag == kTagInteropIfd;
  }

  bool Scan(size_t index) {
    const Directory dir = layout_.dirs[index];  // a copy: adding directories may move the vector
    const bool kept = dir.kind != DirKind::kIfd1;
    bool childSeen[3] = {};
    ValueList stripOffsets, stripCounts;
    bool hasThumbOffset = false, hasThumbLength = false;
    uint32_t thumbOffset = 0, thumbLength = 0;

    for (uint16_t i = 0; i < dir.count; ++i) {
      const size_t entry = dir.EntryPos(i);
      const uint16_t tag = t_.U16(entry);
      const uint16_t type = t_.U16(entry + 2);
      const uint32_t count = t_.U32(entry + 4);
      const size_t valueField = entry + 8;

      if (NestsTooDeep(dir.kind, tag)) return false;
      DirKind childKind;
      if (ChildKind(dir.kind, tag, childKind)) {
        if ((type != kTypeLong && type != kTypeIfd) || count != 1) return false;
        bool& seen = childSeen[childKind == DirKind::kExif ? 0 : childKind == DirKind::kGps ? 1 : 2];
        if (seen) return false;
        seen = true;
        size_t child = 0;
        if (!AddDirectory(t_.U32(valueField), childKind, child)) return false;
        continue;
      }

      const size_t typeSize = TypeSize(type);
      if (typeSize == 0) continue;  // extent unknown: nothing to check or keep
      const uint64_t bytes = uint64_t{count} * typeSize;
      size_t valuePos = valueField;
      if (bytes > kInlineValueBytes) {
        if (!t_.Locate(t_.U32(valueField), bytes, valuePos)) {
          // A kept entry that names bytes the segment does not have is dropped alone; the thumbnail
          // directory goes anyway.
          if (kept) layout_.removals.push_back({index, i});
          continue;
        }
        (kept ? layout_.kept : layout_.dropped).push_back({valuePos, valuePos + static_cast<size_t>(bytes)});
      }
      if (kept || count == 0 || (type != kTypeShort && type != kTypeLong)) continue;
      const ValueList values{valuePos, count, type};
      if (tag == kTagStripOffsets) stripOffsets = values;
      if (tag == kTagStripByteCounts) stripCounts = values;
      if (tag == kTagThumbnailOffset) {
        hasThumbOffset = true;
        thumbOffset = ValueAt(values, 0);
      }
      if (tag == kTagThumbnailLength) {
        hasThumbLength = true;
        thumbLength = ValueAt(values, 0);
      }
    }

    if (hasThumbOffset && hasThumbLength) DropData(thumbOffset, thumbLength);
    const uint32_t strips = std::min(stripOffsets.count, stripCounts.count);
    for (uint32_t s = 0; s < strips; ++s) DropData(ValueAt(stripOffsets, s), ValueAt(stripCounts, s));
    return true;
  }

  uint32_t ValueAt(const ValueList& values, uint32_t i) const {
    return values.type == kTypeShort ? t_.U16(values.pos + size_t{i} * 2) : t_.U32(values.pos + size_t{i} * 4);
  }

  // Thumbnail data goes with its directory: the part of it inside the payload is marked as dropped.
  void DropData(uint32_t offset, uint32_t length) {
    size_t pos = 0;
    if (length == 0 || !t_.Locate(offset, 0, pos)) return;
    const size_t bytes = std::min(size_t{length}, t_.size() - pos);
    if (bytes != 0) layout_.dropped.push_back({pos, pos + bytes});
  }

  const TiffView& t_;
  Layout& layout_;
};

class Writer {
 public:
  Writer(std::vector<unsigned char>& out, bool little) : out_(out), little_(little) {}
  void U16(size_t pos, uint16_t v) {
    out_[pos + (little_ ? 0 : 1)] = static_cast<unsigned char>(v);
    out_[pos + (little_ ? 1 : 0)] = static_cast<unsigned char>(v >> 8);
  }
  void U32(size_t pos, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) out_[pos + (little_ ? i : 3 - i)] = static_cast<unsigned char>(v >> (8 * i));
  }
  // Makes the entry at `entry` hold one inline SHORT or LONG value (the rest of its value field zero).
  void SetSingleValue(size_t entry, uint16_t type, uint32_t value) {
    U16(entry + 2, type);
    U32(entry + 4, 1);
    U32(entry + 8, 0);
    if (type == kTypeShort) {
      U16(entry + 8, static_cast<uint16_t>(value));
    } else {
      U32(entry + 8, value);
    }
  }
  // A pixel size keeps the entry's type when that can hold it and becomes a LONG otherwise.
  void SetDimension(const TiffView& t, size_t entry, uint32_t value) {
    const bool asShort = t.U16(entry + 2) != kTypeLong && value <= 0xFFFF;
    SetSingleValue(entry, asShort ? kTypeShort : kTypeLong, value);
  }

 private:
  std::vector<unsigned char>& out_;
  bool little_;
};

void EditEntries(const TiffView& t, const Layout& layout, const ExifOutputFacts& facts, Writer& w) {
  for (const Directory& dir : layout.dirs) {
    if (dir.kind == DirKind::kIfd1) continue;
    for (uint16_t i = 0; i < dir.count; ++i) {
      const size_t entry = dir.EntryPos(i);
      const uint16_t tag = t.U16(entry);
      if (dir.kind == DirKind::kIfd0) {
        // Whatever integer type the orientation had, it becomes the SHORT that Exif prescribes.
        if (tag == kTagOrientation && facts.resetOrientation) w.SetSingleValue(entry, kTypeShort, 1);
        if (tag == kTagImageWidth && facts.width != 0) w.SetDimension(t, entry, facts.width);
        if (tag == kTagImageLength && facts.height != 0) w.SetDimension(t, entry, facts.height);
      } else if (dir.kind == DirKind::kExif) {
        if (tag == kTagPixelXDimension && facts.width != 0) w.SetDimension(t, entry, facts.width);
        if (tag == kTagPixelYDimension && facts.height != 0) w.SetDimension(t, entry, facts.height);
      }
    }
    // IFD0's link led to the thumbnail; the other kept directories are followed by nothing that is kept.
    w.U32(dir.LinkPos(), 0);
  }
}

// Takes the listed entries out of their directories: the other entries and the link move up, the count
// drops, and the freed bytes at the end become zero. Offsets elsewhere do not change. The list is in
// the order validation found the entries: by directory, then by position.
void RemoveEntries(const Layout& layout, std::vector<unsigned char>& out, Writer& w) {
  const std::vector<Removal>& removals = layout.removals;
  size_t next = 0;
  while (next < removals.size()) {
    const size_t index = removals[next].dir;
    const Directory& dir = layout.dirs[index];
    size_t to = dir.EntryPos(0);
    uint16_t count = 0;
    for (uint16_t i = 0; i < dir.count; ++i) {
      if (next < removals.size() && removals[next].dir == index && removals[next].entry == i) {
        ++next;
        continue;
      }
      std::memmove(out.data() + to, out.data() + dir.EntryPos(i), kEntryBytes);
      to += kEntryBytes;
      ++count;
    }
    std::memmove(out.data() + to, out.data() + dir.LinkPos(), kLinkBytes);
    to += kLinkBytes;
    std::memset(out.data() + to, 0, dir.End() - to);
    w.U16(dir.pos, count);
  }
}

// How many of `spans` cover each byte of a payload of `size` bytes, in one pass however much they
// overlap (a thumbnail may list thousands of strips over the same bytes).
std::vector<uint32_t> Coverage(const std::vector<Span>& spans, size_t size) {
  std::vector<uint32_t> starts(size + 1, 0), ends(size + 1, 0), cover(size, 0);
  for (const Span& s : spans) {
    ++starts[s.begin];
    ++ends[s.end];
  }
  uint32_t open = 0;
  for (size_t i = 0; i < size; ++i) {
    open = open + starts[i] - ends[i];
    cover[i] = open;
  }
  return cover;
}

// Zeroes what belongs only to the thumbnail, and cuts the payload off where the thumbnail's bytes and
// zero padding run to its end. Other bytes stay where they are even when no kept directory names them:
// maker notes point to data of their own beyond their entry (previews, further directories), often
// after the thumbnail. The cut starts at a thumbnail byte, never in zero bytes before it, which may
// still end such data.
void DropThumbnail(const Layout& layout, std::vector<unsigned char>& out) {
  const std::vector<uint32_t> kept = Coverage(layout.kept, out.size());
  const std::vector<uint32_t> dropped = Coverage(layout.dropped, out.size());
  auto thumbnailOnly = [&](size_t i) { return dropped[i] != 0 && kept[i] == 0; };
  size_t end = out.size();
  while (end > 0 && (thumbnailOnly(end - 1) || (out[end - 1] == 0 && kept[end - 1] == 0))) --end;
  while (end < out.size() && !thumbnailOnly(end)) ++end;
  for (size_t i = 0; i < out.size(); ++i)
    if (thumbnailOnly(i)) out[i] = 0;
  out.resize(end);
}

}  // namespace

int ReadExifOrientation(const unsigned char* payload, size_t size) {
  if (payload == nullptr) return 1;
  TiffView t(payload, size);
  uint32_t ifd0Offset = 0;
  size_t pos = 0;
  if (!t.ReadHeader(ifd0Offset) || !t.Locate(ifd0Offset, kCountBytes, pos)) return 1;
  const uint16_t count = t.U16(pos);
  for (uint16_t i = 0; i < count; ++i) {
    size_t entry = 0;
    if (!t.Locate(ifd0Offset, kCountBytes + (uint64_t{i} + 1) * kEntryBytes, entry)) return 1;
    entry += kCountBytes + size_t{i} * kEntryBytes;
    if (t.U16(entry) != kTagOrientation) continue;
    if (t.U32(entry + 4) != 1) return 1;
    // Exif says SHORT; some writers store the value as another integer type, which viewers accept too.
    // A signed value read unsigned is out of range when negative.
    uint32_t value = 0;
    switch (t.U16(entry + 2)) {
      case kTypeByte: value = payload[entry + 8]; break;
      case kTypeShort:
      case kTypeSShort: value = t.U16(entry + 8); break;
      case kTypeLong:
      case kTypeSLong: value = t.U32(entry + 8); break;
      default: return 1;
    }
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

const char* ExifDropReasonName(ExifDropReason reason) {
  switch (reason) {
    case ExifDropReason::kNone: return "";
    case ExifDropReason::kMalformed: return "malformed-exif";
    case ExifDropReason::kTooLarge: return "exif-too-large";
  }
  return "";
}

bool MakeOutputExif(const unsigned char* payload, size_t size, const ExifOutputFacts& facts,
                    std::vector<unsigned char>& out, ExifDropReason& reason) {
  out.clear();
  reason = ExifDropReason::kMalformed;
  if (payload == nullptr) return false;
  TiffView t(payload, size);
  uint32_t ifd0Offset = 0;
  Layout layout;
  if (!t.ReadHeader(ifd0Offset) || !Validator(t, layout).Run(ifd0Offset)) return false;

  out.assign(payload, payload + size);
  Writer w(out, t.little());
  EditEntries(t, layout, facts, w);
  RemoveEntries(layout, out, w);
  if (layout.hasThumbnailDir) DropThumbnail(layout, out);

  if (out.size() > kMaxApp1Payload) {
    out.clear();
    reason = ExifDropReason::kTooLarge;
    return false;
  }
  reason = ExifDropReason::kNone;
  return true;
}

}  // namespace qv
