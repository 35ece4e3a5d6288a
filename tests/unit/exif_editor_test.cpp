// Exif editor: hand-built payloads in both byte orders for each edit and each refusal, and the Exif
// segments of the real files in the test corpus. Payloads are passed from an exact-size heap block so
// that AddressSanitizer reports any access past either end.
#include "engine/exif_editor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace qv {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr size_t kTiff = 6;  // the TIFF header's position in the payload

// ---- building payloads ------------------------------------------------------------------------------

// A directory entry. Its value field holds `value`, plus the TIFF offset of block `ref` when one is named.
// A single BYTE, SHORT or SSHORT sits in the field's first bytes.
struct Entry {
  uint16_t tag, type;
  uint32_t count, value;
  std::string ref;
};

Entry Short(uint16_t tag, uint16_t v) { return {tag, 3, 1, v, ""}; }
Entry Long(uint16_t tag, uint32_t v) { return {tag, 4, 1, v, ""}; }
Entry Pointer(uint16_t tag, const std::string& ref) { return {tag, 4, 1, 0, ref}; }
Entry Blob(uint16_t tag, uint16_t type, uint32_t count, const std::string& ref) { return {tag, type, count, 0, ref}; }

// A directory (entries and a link to block `next`, if named) or raw bytes, laid out one after another
// from TIFF offset 8 in the order given.
struct Block {
  std::string name;
  std::vector<Entry> entries;
  std::string next;
  Bytes data;
  bool isDir = true;
};

Block Dir(const std::string& name, std::vector<Entry> entries, const std::string& next = "") {
  return {name, std::move(entries), next, {}, true};
}
Block Data(const std::string& name, Bytes data) { return {name, {}, "", std::move(data), false}; }
Block Data(const std::string& name, size_t size, unsigned char fill) { return Data(name, Bytes(size, fill)); }

struct Payload {
  bool little = true;
  std::vector<Block> blocks;
  std::map<std::string, size_t> at;  // position of each block in the payload, after Build

  void Put(Bytes& b, size_t pos, uint32_t v, int bytes) const {
    for (int i = 0; i < bytes; ++i)
      b[pos + static_cast<size_t>(little ? i : bytes - 1 - i)] = static_cast<unsigned char>(v >> (8 * i));
  }
  uint32_t Offset(const std::string& ref) const { return ref.empty() ? 0 : static_cast<uint32_t>(at.at(ref) - kTiff); }

  Bytes Build() {
    size_t pos = kTiff + 8;
    for (const Block& b : blocks) {
      at[b.name] = pos;
      pos += b.isDir ? 2 + 12 * b.entries.size() + 4 : b.data.size();
    }
    Bytes out(pos, 0);
    std::memcpy(out.data(), "Exif\0\0", 6);
    out[6] = out[7] = little ? 'I' : 'M';
    Put(out, 8, 42, 2);
    Put(out, 10, Offset(blocks.front().name), 4);
    for (const Block& b : blocks) {
      size_t p = at[b.name];
      if (!b.isDir) {
        std::copy(b.data.begin(), b.data.end(), out.begin() + static_cast<std::ptrdiff_t>(p));
        continue;
      }
      Put(out, p, static_cast<uint32_t>(b.entries.size()), 2);
      for (const Entry& e : b.entries) {
        Put(out, p + 2, e.tag, 2);
        Put(out, p + 4, e.type, 2);
        Put(out, p + 6, e.count, 4);
        if (e.count == 1 && e.ref.empty() && (e.type == 1 || e.type == 3 || e.type == 8)) {
          Put(out, p + 10, e.value, e.type == 1 ? 1 : 2);
        } else {
          Put(out, p + 10, Offset(e.ref) + e.value, 4);
        }
        p += 12;
      }
      Put(out, p + 2, Offset(b.next), 4);
    }
    return out;
  }
};

// A camera-like layout: IFD0 with a string value, the Exif IFD with a maker note, the Interoperability
// and GPS directories, then the thumbnail directory and the thumbnail at the end.
Payload Camera(bool little) {
  Payload p;
  p.little = little;
  p.blocks = {
      Dir("ifd0",
          {Short(0x0100, 4000), Long(0x0101, 3000), Blob(0x010F, 2, 12, "make"), Short(0x0112, 6),
           Pointer(0x8769, "exif"), Pointer(0x8825, "gps")},
          "ifd1"),
      Data("make", Bytes{'M', 'a', 'k', 'e', 'r', ' ', 'N', 'a', 'm', 'e', '!', 0}),
      Dir("exif", {Short(0x9209, 16), Blob(0x927C, 7, 40, "note"), Short(0xA002, 4000), Long(0xA003, 3000),
                   Pointer(0xA005, "interop")}),
      Data("note", 40, 0x5A),
      Dir("interop", {{0x0001, 2, 4, 0x00383952, ""}}),
      Dir("gps", {{0x0000, 1, 4, 0x00000302, ""}}),
      Dir("ifd1", {Short(0x0103, 6), Pointer(0x0201, "thumb"), Long(0x0202, 64)}),
      Data("thumb", 64, 0xD8),
  };
  return p;
}

// ---- reading back ---------------------------------------------------------------------------------

struct Result {
  bool ok;
  ExifDropReason reason;
  Bytes out;
};

Result Edit(const Bytes& payload, ExifOutputFacts facts = {}) {
  std::unique_ptr<unsigned char[]> block(new unsigned char[payload.size()]);
  if (!payload.empty()) std::memcpy(block.get(), payload.data(), payload.size());
  Result r{false, ExifDropReason::kNone, {1, 2, 3}};
  r.ok = MakeOutputExif(block.get(), payload.size(), facts, r.out, r.reason);
  if (!r.ok) {
    EXPECT_TRUE(r.out.empty());
  }
  return r;
}

int Orientation(const Bytes& payload) {
  std::unique_ptr<unsigned char[]> block(new unsigned char[payload.size()]);
  if (!payload.empty()) std::memcpy(block.get(), payload.data(), payload.size());
  return ReadExifOrientation(block.get(), payload.size());
}

uint32_t Get(const Bytes& b, size_t pos, int bytes, bool little) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint32_t{b.at(pos + static_cast<size_t>(little ? i : bytes - 1 - i))} << (8 * i);
  return v;
}

struct Found {
  uint16_t type = 0;
  uint32_t count = 0, value = 0;  // a single SHORT read as such
};

// The entry with `tag` in the directory at `dir`; false when there is none.
bool FindEntry(const Bytes& b, bool little, size_t dir, uint16_t tag, Found& f) {
  const uint32_t n = Get(b, dir, 2, little);
  for (size_t e = dir + 2; e < dir + 2 + 12 * n; e += 12) {
    if (Get(b, e, 2, little) != tag) continue;
    f.type = static_cast<uint16_t>(Get(b, e + 2, 2, little));
    f.count = Get(b, e + 4, 4, little);
    f.value = Get(b, e + 8, f.type == 3 ? 2 : 4, little);
    return true;
  }
  return false;
}

uint32_t Link(const Bytes& b, bool little, size_t dir) {
  return Get(b, dir + 2 + 12 * Get(b, dir, 2, little), 4, little);
}

class ExifEditorOrder : public testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(ByteOrders, ExifEditorOrder, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "II" : "MM"; });

// ---- edits ------------------------------------------------------------------------------------------

TEST_P(ExifEditorOrder, EditsOrientationSizesAndCutsTheTrailingThumbnail) {
  const bool little = GetParam();
  Payload p = Camera(little);
  p.blocks.push_back(Data("padding", 20, 0));  // as phones fill the segment up: goes with the thumbnail
  const Bytes in = p.Build();
  EXPECT_EQ(Orientation(in), 6);

  const Result r = Edit(in, {true, 640, 70000});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.reason, ExifDropReason::kNone);
  EXPECT_EQ(r.out.size(), p.at["ifd1"]) << "cut where the thumbnail directory began";
  EXPECT_EQ(Orientation(r.out), 1);

  Found f;
  const size_t ifd0 = p.at["ifd0"], exif = p.at["exif"];
  ASSERT_TRUE(FindEntry(r.out, little, ifd0, 0x0100, f));
  EXPECT_EQ(f.type, 3);
  EXPECT_EQ(f.value, 640u);
  ASSERT_TRUE(FindEntry(r.out, little, ifd0, 0x0101, f));
  EXPECT_EQ(f.type, 4);
  EXPECT_EQ(f.value, 70000u);
  ASSERT_TRUE(FindEntry(r.out, little, exif, 0xA002, f));
  EXPECT_EQ(f.value, 640u);
  ASSERT_TRUE(FindEntry(r.out, little, exif, 0xA003, f));
  EXPECT_EQ(f.value, 70000u);
  EXPECT_EQ(Link(r.out, little, ifd0), 0u);
  // A size keeps the entry's type while it fits: 65535 is still a SHORT, and a LONG stays a LONG.
  const Result narrow = Edit(in, {false, 65535, 640});
  const struct {
    size_t dir;
    uint16_t tag, type;
    uint32_t value;
  } sizes[] = {{ifd0, 0x0100, 3, 65535}, {ifd0, 0x0101, 4, 640}, {exif, 0xA002, 3, 65535}, {exif, 0xA003, 4, 640}};
  for (const auto& e : sizes) {
    ASSERT_TRUE(FindEntry(narrow.out, little, e.dir, e.tag, f));
    EXPECT_EQ(f.type, e.type) << e.tag;
    EXPECT_EQ(f.value, e.value) << e.tag;
  }

  // Everything else is byte for byte where it was: the maker note and the strings above all.
  Bytes expected(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(r.out.size()));
  Bytes actual = r.out;
  auto blank = [&](size_t from, size_t bytes) {
    std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(from), bytes, 0);
    std::fill_n(actual.begin() + static_cast<std::ptrdiff_t>(from), bytes, 0);
  };
  for (size_t entry : {0, 1, 3}) blank(ifd0 + 2 + 12 * entry, 12);  // sizes and orientation
  for (size_t entry : {2, 3}) blank(exif + 2 + 12 * entry, 12);
  blank(ifd0 + 2 + 12 * 6, 4);  // the link to the thumbnail directory
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(Bytes(r.out.begin() + p.at["note"], r.out.begin() + p.at["note"] + 40), Bytes(40, 0x5A));
}

TEST_P(ExifEditorOrder, DefaultFactsChangeOnlyTheThumbnail) {
  Payload p = Camera(GetParam());
  p.blocks.pop_back();  // thumbnail directory and data
  p.blocks.pop_back();
  p.blocks.front().next.clear();
  const Bytes in = p.Build();
  const Result r = Edit(in);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.out, in) << "nothing to remove, nothing to cut";
}

TEST_P(ExifEditorOrder, ZeroesAThumbnailThatOtherDataFollows) {
  const bool little = GetParam();
  Payload p;
  p.little = little;
  p.blocks = {Dir("ifd0", {Pointer(0x8769, "exif")}, "ifd1"),
              Dir("ifd1", {Pointer(0x0201, "thumb"), Long(0x0202, 16)}),
              Data("thumb", 16, 0xD8),
              Dir("exif", {Blob(0x927C, 7, 8, "note")}),
              Data("note", 8, 0x33),
              Data("preview", 5, 0x77)};  // named by no directory: a maker note's preview, say
  const Bytes in = p.Build();
  const Result r = Edit(in);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.out.size(), in.size());
  for (size_t i = p.at["ifd1"]; i < p.at["exif"]; ++i) EXPECT_EQ(r.out[i], 0) << i;
  EXPECT_EQ(Bytes(r.out.begin() + p.at["exif"], r.out.end()), Bytes(in.begin() + p.at["exif"], in.end()));
}

TEST_P(ExifEditorOrder, StripThumbnailsAndDataSharedWithKeptValuesAreHandled) {
  const bool little = GetParam();
  Payload p;
  p.little = little;
  // Two strips: the first inside the kept string's bytes (which must survive), the second in between.
  p.blocks = {Dir("ifd0", {Blob(0x010F, 2, 24, "make")}, "ifd1"),
              Dir("ifd1", {Blob(0x0111, 4, 2, "offsets"), Blob(0x0117, 3, 3, "counts")}),
              Data("offsets", 8, 0),
              Data("counts", 6, 0),
              Data("strip", 10, 0xEE),
              Data("make", 24, 'm')};
  Bytes in = p.Build();
  p.Put(in, p.at["offsets"], static_cast<uint32_t>(p.at["make"] - kTiff), 4);
  p.Put(in, p.at["offsets"] + 4, static_cast<uint32_t>(p.at["strip"] - kTiff), 4);
  p.Put(in, p.at["counts"], 24, 2);
  p.Put(in, p.at["counts"] + 2, 10, 2);
  const Result r = Edit(in);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.out.size(), in.size());
  EXPECT_EQ(Bytes(r.out.begin() + p.at["ifd1"], r.out.begin() + p.at["make"]), Bytes(p.at["make"] - p.at["ifd1"], 0));
  EXPECT_EQ(Bytes(r.out.begin() + p.at["make"], r.out.end()), Bytes(24, 'm'));
}

TEST_P(ExifEditorOrder, EntriesWithValuesOutsideThePayloadAreRemovedAlone) {
  const bool little = GetParam();
  Payload p;
  p.little = little;
  p.blocks = {Dir("ifd0", {Pointer(0x8769, "exif")}),
              Dir("exif",
                  {Short(0x9209, 16),
                   {0x927C, 7, 100, 0x7FFFFFF0, ""},
                   Short(0xA001, 1),
                   // 0x40000001 LONGs: 4 bytes if the size were computed in 32 bits
                   {0x9286, 4, 0x40000001, 0, "ifd0"},
                   Short(0xA002, 8)},
                  "junk"),
              Data("junk", 4, 0)};
  const Bytes in = p.Build();
  const Result r = Edit(in);
  ASSERT_TRUE(r.ok);
  const size_t exif = p.at["exif"];
  EXPECT_EQ(Get(r.out, exif, 2, little), 3u);
  Found f;
  EXPECT_FALSE(FindEntry(r.out, little, exif, 0x927C, f));
  EXPECT_FALSE(FindEntry(r.out, little, exif, 0x9286, f));
  ASSERT_TRUE(FindEntry(r.out, little, exif, 0xA002, f));
  EXPECT_EQ(f.value, 8u);
  EXPECT_EQ(Get(r.out, exif + 2 + 2 * 12, 2, little), 0xA002u) << "later entries move up";
  EXPECT_EQ(Link(r.out, little, exif), 0u) << "the link written at its new place, set to 0";
  EXPECT_EQ(Bytes(r.out.begin() + exif + 2 + 36 + 4, r.out.begin() + p.at["junk"]), Bytes(24, 0));
  EXPECT_EQ(r.out.size(), in.size());
}

TEST(ExifEditor, OrientationReadsOneIntegerOfIfd0) {
  struct Case {
    const char* name;
    std::vector<Entry> ifd0;
    int expected;
  };
  const Case cases[] = {
      {"absent", {Short(0x0100, 10)}, 1},
      {"6", {Short(0x0100, 10), Short(0x0112, 6)}, 6},
      {"8", {Short(0x0112, 8)}, 8},
      {"0", {Short(0x0112, 0)}, 1},
      {"9", {Short(0x0112, 9)}, 1},
      {"a BYTE", {{0x0112, 1, 1, 8, ""}}, 8},
      {"a LONG", {Long(0x0112, 6)}, 6},
      {"an SSHORT", {{0x0112, 8, 1, 3, ""}}, 3},
      {"an SLONG", {{0x0112, 9, 1, 5, ""}}, 5},
      {"a LONG above 16 bits", {Long(0x0112, 0x10006)}, 1},
      {"a RATIONAL", {{0x0112, 5, 1, 6, "ifd0"}}, 1},
      {"count 0", {{0x0112, 3, 0, 6, ""}}, 1},
      {"count 2", {{0x0112, 3, 2, 0x00060006, ""}}, 1},
  };
  for (bool little : {true, false}) {
    for (const Case& c : cases) {
      Payload p;
      p.little = little;
      p.blocks = {Dir("ifd0", c.ifd0)};
      const Bytes in = p.Build();
      EXPECT_EQ(Orientation(in), c.expected) << c.name << (little ? " II" : " MM");
      if (c.expected == 1) continue;
      // Turned upright, the entry becomes the SHORT 1 whatever type it had.
      Found f;
      const Result r = Edit(in, {true, 0, 0});
      ASSERT_TRUE(r.ok && FindEntry(r.out, little, p.at["ifd0"], 0x0112, f)) << c.name;
      EXPECT_EQ((std::vector<uint32_t>{f.type, f.count, f.value}), (std::vector<uint32_t>{3, 1, 1})) << c.name;
    }
  }
  Payload p;
  p.blocks = {Dir("ifd0", {Short(0x0100, 1), Short(0x0112, 3)})};
  Bytes in = p.Build();
  for (size_t size = 0; size < in.size(); ++size)  // the orientation entry ends before the link
    EXPECT_EQ(Orientation(Bytes(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(size))),
              size >= in.size() - 4 ? 3 : 1)
        << size;
  in[6] = 'X';
  EXPECT_EQ(Orientation(in), 1);
}

// ---- refusals -------------------------------------------------------------------------------------

TEST_P(ExifEditorOrder, UnsoundStructuresAreRefused) {
  struct Case {
    const char* name;
    std::vector<Block> blocks;
  };
  const Entry exifPtr = Pointer(0x8769, "exif");
  const std::vector<Case> cases = {
      {"Exif pointer back to IFD0", {Dir("ifd0", {Pointer(0x8769, "ifd0")})}},
      {"thumbnail link back to IFD0", {Dir("ifd0", {Short(0x0112, 1)}, "ifd0")}},
      {"Interop pointer to the Exif IFD", {Dir("ifd0", {exifPtr}), Dir("exif", {Pointer(0xA005, "exif")})}},
      {"GPS and Exif sharing a directory", {Dir("ifd0", {exifPtr, Pointer(0x8825, "exif")}), Dir("exif", {})}},
      {"Exif pointer inside the Exif IFD", {Dir("ifd0", {exifPtr}), Dir("exif", {Pointer(0x8769, "x")}), Dir("x", {})}},
      {"GPS pointer inside GPS", {Dir("ifd0", {Pointer(0x8825, "g")}), Dir("g", {Pointer(0x8825, "x")}), Dir("x", {})}},
      {"SubIFDs in IFD0", {Dir("ifd0", {Pointer(0x014A, "x")}), Dir("x", {})}},
      {"GlobalParametersIFD as a string in the Exif IFD",
       {Dir("ifd0", {exifPtr}), Dir("exif", {Blob(0x0190, 2, 20, "s")}), Data("s", 20, 'C')}},
      {"two Exif pointers", {Dir("ifd0", {exifPtr, Pointer(0x8769, "x")}), Dir("exif", {}), Dir("x", {})}},
      {"Exif pointer as a SHORT", {Dir("ifd0", {{0x8769, 3, 1, 0, "exif"}}), Dir("exif", {})}},
      {"Exif pointer with count 2", {Dir("ifd0", {{0x8769, 4, 2, 0, "exif"}}), Dir("exif", {})}},
      {"Exif pointer past the end", {Dir("ifd0", {{0x8769, 4, 1, 0xFFFFFFF0, ""}})}},
      {"Exif pointer into the header", {Dir("ifd0", {{0x8769, 4, 1, 2, ""}})}},
      {"Exif IFD overlapping IFD0", {Dir("ifd0", {exifPtr, Short(1, 1)}), Dir("exif", {})}},
      {"thumbnail directory past the end", {Dir("ifd0", {}, "end"), Data("end", 0, 0)}},
      {"directory count past the end", {Dir("ifd0", {exifPtr}), Dir("exif", {}), Data("pad", 20, 0)}},
  };
  for (const Case& c : cases) {
    Payload p;
    p.little = GetParam();
    p.blocks = c.blocks;
    Bytes in = p.Build();
    if (std::string(c.name) == "Exif IFD overlapping IFD0") p.Put(in, p.at["ifd0"] + 2 + 8, 8 + 12, 4);
    if (std::string(c.name) == "directory count past the end") p.Put(in, p.at["exif"], 2, 2);
    const Result r = Edit(in);
    EXPECT_FALSE(r.ok) << c.name;
    EXPECT_EQ(r.reason, ExifDropReason::kMalformed) << c.name;
  }
}

TEST(ExifEditor, TruncatedOrWrongHeadersAreRefused) {
  Payload p;
  p.blocks = {Dir("ifd0", {Short(0x0112, 6)})};
  const Bytes good = p.Build();
  for (size_t size = 0; size < good.size(); ++size)
    EXPECT_EQ(Edit(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size))).reason,
              ExifDropReason::kMalformed)
        << size;
  for (size_t at : {0u, 5u, 6u, 7u, 8u, 9u}) {
    Bytes bad = good;
    bad[at] ^= 0x10;
    EXPECT_EQ(Edit(bad).reason, ExifDropReason::kMalformed) << at;
  }
  EXPECT_TRUE(Edit(good).ok);
  Bytes nullOut{1};
  ExifDropReason reason = ExifDropReason::kNone;
  EXPECT_FALSE(MakeOutputExif(nullptr, 0, {}, nullOut, reason));
  EXPECT_EQ(ReadExifOrientation(nullptr, 0), 1);
}

TEST(ExifEditor, ResultMustFitOneSegment) {
  auto build = [](size_t noteBytes, bool thumbnail) {
    Payload p;
    p.blocks = {Dir("ifd0", {Pointer(0x8769, "exif")}, thumbnail ? "ifd1" : ""),
                Dir("exif", {Blob(0x927C, 7, static_cast<uint32_t>(noteBytes), "note")}),
                Data("note", noteBytes, 0x11)};
    if (thumbnail) p.blocks.push_back(Dir("ifd1", {Pointer(0x0201, "thumb"), Long(0x0202, 6000)}));
    if (thumbnail) p.blocks.push_back(Data("thumb", 6000, 0xD8));
    return p.Build();
  };
  const size_t overhead = build(0, false).size();
  const Bytes full = build(kMaxApp1Payload - overhead, false);
  ASSERT_EQ(full.size(), kMaxApp1Payload);
  Result r = Edit(full, {true, 100, 100});
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.out.size(), kMaxApp1Payload);

  r = Edit(build(kMaxApp1Payload - overhead + 1, false));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.reason, ExifDropReason::kTooLarge);

  // Too large with its thumbnail, small enough once it is cut.
  r = Edit(build(kMaxApp1Payload - overhead, true));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.out.size(), kMaxApp1Payload);
}

// ---- the test corpus ------------------------------------------------------------------------------

// The payload of the first APP1 that starts with "Exif\0\0" before the image data; empty when none.
Bytes FirstExifPayload(const Bytes& file) {
  size_t pos = 2;
  while (pos + 4 <= file.size() && file[pos] == 0xFF) {
    const unsigned char code = file[pos + 1];
    if (code == 0xDA || code == 0xD9) break;
    const size_t length = size_t{file[pos + 2]} << 8 | file[pos + 3];
    if (length < 2 || pos + 2 + length > file.size()) break;
    if (code == 0xE1 && length >= 8 && std::memcmp(&file[pos + 4], "Exif\0\0", 6) == 0)
      return Bytes(file.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                   file.begin() + static_cast<std::ptrdiff_t>(pos + 2 + length));
    pos += 2 + length;
  }
  return {};
}

TEST(ExifEditor, CorpusFilesWithExif) {
  // Refused: a GlobalParametersIFD pointer that is really a string, the invalid TIFF header, and the
  // IFD1 link that points back at IFD0.
  const std::map<std::string, ExifDropReason> refused = {
      {"s004.jpg", ExifDropReason::kMalformed},
      {"s019.jpg", ExifDropReason::kMalformed},
      {"s043.jpg", ExifDropReason::kMalformed},
  };
  int withExif = 0;
  for (const std::vector<std::string>& row : test::ManifestRows()) {
    const Bytes payload = FirstExifPayload(test::ReadAll(test::DataDir() / row[0]));
    if (payload.empty()) continue;
    ++withExif;
    EXPECT_EQ(Orientation(payload), row[0] == "s041.jpg" || row[0] == "s044.jpg" ? 6 : 1) << row[0];
    const ExifOutputFacts facts{true, 123, 45};
    const Result r = Edit(payload, facts);
    const auto it = refused.find(row[0]);
    if (it != refused.end()) {
      EXPECT_FALSE(r.ok) << row[0];
      EXPECT_EQ(r.reason, it->second) << row[0];
      continue;
    }
    ASSERT_TRUE(r.ok) << row[0] << " " << ExifDropReasonName(r.reason);
    EXPECT_LE(r.out.size(), payload.size()) << row[0];
    EXPECT_EQ(Orientation(r.out), 1) << row[0];
    const Result again = Edit(r.out, facts);
    EXPECT_TRUE(again.ok && again.out == r.out) << row[0] << ": editing the output again changes it";
  }
  EXPECT_EQ(withExif, 25);
}

}  // namespace
}  // namespace qv
