// Exif date reader: real camera files from the test corpus, and hand-built files for the structures the
// corpus lacks. Hand-built buffers are read from an exact-size heap block so that AddressSanitizer
// reports any read past either end.
#include "engine/exif_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "test_support.h"

namespace qv {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr char kDate[] = "2021:06:15 08:30:00";  // 19 characters; with its NUL the 20 stored bytes

// ---- building files -------------------------------------------------------------------------------

void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void Append(Bytes& b, const std::string& text) { b.insert(b.end(), text.begin(), text.end()); }

// A marker segment: 0xFF, code, big-endian length (payload + 2), payload.
Bytes Segment(unsigned char code, const Bytes& payload) {
  const size_t length = payload.size() + 2;
  Bytes b;
  b.reserve(4 + payload.size());
  for (unsigned char c : {static_cast<unsigned char>(0xFF), code, static_cast<unsigned char>(length >> 8),
                          static_cast<unsigned char>(length)})
    b.push_back(c);
  Append(b, payload);
  return b;
}

Bytes JfifApp0() { return Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 1, 0, 72, 0, 72, 0, 0}); }

Bytes ExifApp1(const Bytes& tiff) {
  Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
  Append(payload, tiff);
  return Segment(0xE1, payload);
}

// Start of scan with a few bytes of entropy-coded data and the end marker.
Bytes ScanAndEnd() {
  Bytes b = Segment(0xDA, {1, 1, 0, 0, 63, 0});
  Append(b, Bytes{0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD9});
  return b;
}

Bytes Jpeg(const std::vector<Bytes>& segments) {
  Bytes b = {0xFF, 0xD8};
  for (const Bytes& s : segments) Append(b, s);
  return b;
}

// Where an entry's value points: a fixed number, or a place in the laid-out TIFF block plus a delta.
enum class Ref { kNone, kExifIfd, kDate };

struct Entry {
  uint16_t tag;
  uint32_t value = 0;
  Ref ref = Ref::kNone;
  uint16_t type = 4;
  uint32_t count = 1;
};

Entry ExifPointer(uint32_t delta = 0) { return {0x8769, delta, Ref::kExifIfd}; }
Entry DateTimeOriginal(uint32_t delta = 0) { return {0x9003, delta, Ref::kDate, 2, 20}; }
Entry Orientation() { return {0x0112, 1u << 16, Ref::kNone, 3, 1}; }

// A TIFF block: the 8-byte header, then IFD0 ('i'), the Exif IFD ('e') and the date text ('d') in the
// order given. Each directory ends with a zero next-directory link.
struct Tiff {
  std::string byteOrder = "II";
  std::string order = "ied";
  std::vector<Entry> ifd0 = {Orientation(), ExifPointer()};
  std::vector<Entry> exifIfd = {{0x829A, 0, Ref::kNone, 5, 1}, DateTimeOriginal()};
  std::string date = std::string(kDate, sizeof kDate);  // the 20 bytes with the NUL
  // Directory counts may claim this many more entries than are written.
  uint16_t ifd0CountBonus = 0;
  uint16_t exifCountBonus = 0;

  bool Little() const { return byteOrder == "II"; }

  void Put16(Bytes& b, uint32_t v) const {
    const unsigned char lo = static_cast<unsigned char>(v), hi = static_cast<unsigned char>(v >> 8);
    Little() ? Append(b, Bytes{lo, hi}) : Append(b, Bytes{hi, lo});
  }
  void Put32(Bytes& b, uint32_t v) const {
    Little() ? (Put16(b, v), Put16(b, v >> 16)) : (Put16(b, v >> 16), Put16(b, v));
  }
  static uint32_t DirBytes(const std::vector<Entry>& entries) {
    return static_cast<uint32_t>(2 + 12 * entries.size() + 4);
  }
  uint32_t PartBytes(char part) const {
    return part == 'i'   ? DirBytes(ifd0)
           : part == 'e' ? DirBytes(exifIfd)
                         : static_cast<uint32_t>(date.size());
  }
  // Offset of a part from the start of the TIFF header.
  uint32_t OffsetOf(char part) const {
    uint32_t at = 8;
    for (char p : order) {
      if (p == part) break;
      at += PartBytes(p);
    }
    return at;
  }

  void PutDir(Bytes& b, const std::vector<Entry>& entries, uint16_t bonus) const {
    Put16(b, static_cast<uint32_t>(entries.size()) + bonus);
    for (const Entry& e : entries) {
      Put16(b, e.tag);
      Put16(b, e.type);
      Put32(b, e.count);
      const uint32_t base = e.ref == Ref::kExifIfd ? OffsetOf('e') : e.ref == Ref::kDate ? OffsetOf('d') : 0;
      Put32(b, base + e.value);
    }
    Put32(b, 0);
  }

  Bytes Build() const {
    Bytes b;
    Append(b, byteOrder);
    Put16(b, 42);
    Put32(b, OffsetOf('i'));
    for (char p : order) {
      if (p == 'i') PutDir(b, ifd0, ifd0CountBonus);
      if (p == 'e') PutDir(b, exifIfd, exifCountBonus);
      if (p == 'd') Append(b, date);
    }
    return b;
  }
};

// The usual camera file: JFIF APP0, Exif APP1, image data.
Bytes CameraFile(const Tiff& tiff) { return Jpeg({JfifApp0(), ExifApp1(tiff.Build()), ScanAndEnd()}); }

// Offset of the TIFF header in a file that starts with SOI, JFIF APP0, Exif APP1.
size_t TiffBaseAfterJfif() { return 2 + JfifApp0().size() + 4 + 6; }

// ---- reading ---------------------------------------------------------------------------------------

std::string Text(const ExifDateTime& d) { return std::string(d.text, sizeof d.text); }
const std::string kUntouched(20, '#');

// Reads `bytes` from a heap block of exactly their size. On false, checks that `out` kept its contents.
bool ReadAtHeapEnd(const Bytes& bytes, ExifDateTime& out) {
  std::unique_ptr<unsigned char[]> block(new unsigned char[bytes.size()]);
  if (!bytes.empty()) std::memcpy(block.get(), bytes.data(), bytes.size());
  std::memcpy(out.text, kUntouched.data(), sizeof out.text);
  ExifReaderState state;
  SetExifScanRange(state, block.get(), static_cast<uint32_t>(bytes.size()));
  const bool found = ReadExifDate(state, out);
  if (!found) {
    EXPECT_EQ(Text(out), kUntouched) << "the result must stay as it was";
  }
  EXPECT_TRUE(state.cursor >= state.begin && state.cursor <= state.end);
  return found;
}

// ---- hand-built files ------------------------------------------------------------------------------

struct Case {
  const char* name;
  Bytes bytes;
  bool found;
};

Tiff BigEndian() {
  Tiff t;
  t.byteOrder = "MM";
  return t;
}

std::vector<Case> HandBuiltCases() {
  std::vector<Case> cases;
  cases.push_back({"little-endian after JFIF", CameraFile(Tiff{}), true});
  cases.push_back({"big-endian after JFIF", CameraFile(BigEndian()), true});
  {
    Tiff t = BigEndian();
    t.byteOrder = "XY";  // anything but "II" is read big-endian
    cases.push_back({"unknown byte order read as big-endian", CameraFile(t), true});
  }
  cases.push_back(
      {"Exif APP1 before JFIF APP0", Jpeg({ExifApp1(Tiff{}.Build()), JfifApp0(), ScanAndEnd()}), true});
  cases.push_back({"headers only, no image", Jpeg({ExifApp1(BigEndian().Build())}), true});
  {
    Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', '.',
                 'a', 'd', 'o', 'b', 'e', '.', 'c', 'o', 'm', 0};
    Append(xmp, std::string("<x:xmpmeta>Exif</x:xmpmeta>"));
    cases.push_back({"XMP APP1 before Exif APP1",
                     Jpeg({JfifApp0(), Segment(0xE1, xmp), ExifApp1(Tiff{}.Build()), ScanAndEnd()}), true});
    Bytes almost = {'E', 'x', 'i', 'f', 0, 1};
    Append(almost, Tiff{}.Build());
    cases.push_back({"APP1 with Exif\\0\\1 is not Exif", Jpeg({Segment(0xE1, almost), ScanAndEnd()}), false});
    Bytes app2 = {'E', 'x', 'i', 'f', 0, 0};
    Append(app2, Tiff{}.Build());
    cases.push_back({"Exif header in APP2", Jpeg({Segment(0xE2, app2), ScanAndEnd()}), false});
  }
  {
    Bytes b = Jpeg({JfifApp0()});
    Append(b, Bytes{0x00, 0x12, 0xAB, 0xFF, 0xFF, 0xFF});  // stray bytes, then fill bytes before the marker
    Append(b, ExifApp1(Tiff{}.Build()));
    Append(b, Bytes{0x01, 0x02});
    Append(b, ScanAndEnd());
    cases.push_back({"stray and fill bytes between segments", b, true});
  }
  {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xD8};  // a repeated start marker is passed over too
    Append(b, ExifApp1(Tiff{}.Build()));
    cases.push_back({"repeated start of image", b, true});
  }
  cases.push_back({"Exif APP1 after start of scan",
                   Jpeg({JfifApp0(), Segment(0xDA, {1, 1, 0, 0, 63, 0}), ExifApp1(Tiff{}.Build())}), false});
  cases.push_back(
      {"Exif APP1 after end of image", Jpeg({JfifApp0(), {0xFF, 0xD9}, ExifApp1(Tiff{}.Build())}), false});
  cases.push_back(
      {"segment length below 2", Jpeg({{0xFF, 0xE0, 0x00, 0x01}, ExifApp1(Tiff{}.Build())}), false});
  cases.push_back({"segment longer than the file", Jpeg({{0xFF, 0xE2, 0xFF, 0xF0, 1, 2, 3}}), false});
  cases.push_back({"non-Exif APP1 longer than the file", Jpeg({{0xFF, 0xE1, 0xFF, 0xF0, 1, 2, 3}}), false});
  cases.push_back({"only the start marker", Bytes{0xFF, 0xD8}, false});
  cases.push_back({"empty", Bytes{}, false});
  cases.push_back({"no marker at all", Bytes(64, 0x20), false});
  cases.push_back({"only fill bytes", Bytes(64, 0xFF), false});
  cases.push_back({"Exif header cut short", Jpeg({{0xFF, 0xE1, 0x00, 0x10, 'E', 'x', 'i', 'f', 0}}), false});
  cases.push_back({"TIFF header cut short",
                   Jpeg({{0xFF, 0xE1, 0x00, 0x10, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8}}), false});
  {
    Tiff t;
    t.ifd0 = {Orientation(), {0x0132, 0, Ref::kDate, 2, 20}};  // DateTime in IFD0 only
    t.exifIfd = {{0x829A, 0, Ref::kNone, 5, 1}};
    cases.push_back({"DateTime without DateTimeOriginal", CameraFile(t), false});
  }
  {
    Tiff t;
    t.exifIfd = {{0x829A, 0, Ref::kNone, 5, 1}, {0x0132, 0, Ref::kDate, 2, 20}};
    cases.push_back({"Exif IFD without 0x9003", CameraFile(t), false});
  }
  {
    Tiff t;
    t.ifd0 = {};
    cases.push_back({"IFD0 count 0", CameraFile(t), false});
    t = Tiff{};
    t.ifd0 = {Orientation()};
    cases.push_back({"IFD0 without Exif pointer", CameraFile(t), false});
    t = Tiff{};
    t.exifIfd = {};
    cases.push_back({"Exif IFD count 0", CameraFile(t), false});
    t = Tiff{};
    t.ifd0 = {ExifPointer(), {0x8769, 0}};
    cases.push_back({"last Exif pointer is 0", CameraFile(t), false});
  }
  {
    // The type and count of the 0x9003 entry are not looked at: the 20 bytes at its offset are taken.
    Tiff t = BigEndian();
    t.exifIfd = {{0x9003, 0, Ref::kDate, 3, 1}};
    cases.push_back({"0x9003 of another type", CameraFile(t), true});
  }
  return cases;
}

TEST(ExifReader, HandBuiltFiles) {
  for (const Case& c : HandBuiltCases()) {
    SCOPED_TRACE(c.name);
    ExifDateTime out;
    EXPECT_EQ(ReadAtHeapEnd(c.bytes, out), c.found);
    if (c.found) {
      EXPECT_EQ(Text(out), std::string(kDate, sizeof kDate));
    }
  }
}

// Offsets are 32-bit values added to the TIFF base: large ones must neither wrap to a place before the
// base nor reach past the end.
TEST(ExifReader, OffsetsOutsideTheFileGiveNoDate) {
  const uint32_t beyond[] = {0xFFFFFFF0u, 0xFFFFFFFFu, 0x80000000u, 0x00100000u};
  for (uint32_t offset : beyond) {
    SCOPED_TRACE(offset);
    ExifDateTime out;
    Tiff t;
    t.ifd0 = {{0x8769, offset}};
    EXPECT_FALSE(ReadAtHeapEnd(CameraFile(t), out)) << "Exif IFD offset";
    t = Tiff{};
    t.exifIfd = {{0x9003, offset}};
    EXPECT_FALSE(ReadAtHeapEnd(CameraFile(t), out)) << "date offset";
    Bytes tiff = Tiff{}.Build();
    for (int i = 0; i < 4; ++i) tiff[4 + i] = static_cast<unsigned char>(offset >> (8 * i));
    EXPECT_FALSE(ReadAtHeapEnd(Jpeg({ExifApp1(tiff)}), out)) << "IFD0 offset";
  }
  // An offset that, wrapped to 32 bits, would land on a date stored 30 bytes before the TIFF header
  // (a comment segment whose payload ends where the Exif APP1 marker and header begin).
  Tiff t;
  t.exifIfd = {{0x9003, 0u - 30u}};
  Bytes b = Jpeg({Segment(0xFE, Bytes(kDate, kDate + sizeof kDate)), ExifApp1(t.Build())});
  ExifDateTime out;
  EXPECT_FALSE(ReadAtHeapEnd(b, out));
}

// Cutting a file anywhere never reads outside it; the date is found exactly when all of its 20 bytes
// are still there (the directories come before it, so they are whole by then).
TEST(ExifReader, EveryTruncationOfAFile) {
  for (const Tiff& tiff : {Tiff{}, BigEndian()}) {
    const Bytes whole = Jpeg({JfifApp0(), ExifApp1(tiff.Build())});
    const size_t dateEnd = TiffBaseAfterJfif() + tiff.OffsetOf('d') + 20;
    ASSERT_EQ(dateEnd, whole.size());
    for (size_t n = 0; n <= whole.size(); ++n) {
      SCOPED_TRACE(n);
      ExifDateTime out;
      EXPECT_EQ(ReadAtHeapEnd(Bytes(whole.begin(), whole.begin() + n), out), n >= dateEnd);
    }
  }
}

TEST(ExifReader, DateInTheLastNineteenBytesIsPassedOver) {
  Bytes b = Jpeg({JfifApp0(), ExifApp1(Tiff{}.Build())});
  b.pop_back();  // the NUL: the 19 characters are the file's last bytes
  ExifDateTime out;
  EXPECT_FALSE(ReadAtHeapEnd(b, out));

  // A 0x9003 entry pointing at the file's last 19 bytes is passed over; a later one that fits is taken.
  Tiff t;
  t.order = "die";
  t.exifIfd = {DateTimeOriginal(), DateTimeOriginal()};
  const uint32_t last19 = static_cast<uint32_t>(t.Build().size()) - 19;
  t.exifIfd[0].value = last19 - t.OffsetOf('d');
  b = Jpeg({ExifApp1(t.Build())});
  EXPECT_TRUE(ReadAtHeapEnd(b, out));
  EXPECT_EQ(Text(out), std::string(kDate, sizeof kDate));
  t.exifIfd.pop_back();
  EXPECT_FALSE(ReadAtHeapEnd(Jpeg({ExifApp1(t.Build())}), out));
}

TEST(ExifReader, DirectoriesCutShort) {
  // Each case's directory is the last thing in the file, and its next-directory link is cut off, so
  // the entries that the count claims beyond those written lie past the end.
  auto cut = [](const Tiff& t) {
    Bytes b = Jpeg({ExifApp1(t.Build())});
    b.resize(b.size() - 4);
    return b;
  };
  ExifDateTime out;
  Tiff t;
  t.order = "dei";
  t.ifd0 = {Orientation(), ExifPointer()};
  t.ifd0CountBonus = 3;
  EXPECT_TRUE(ReadAtHeapEnd(cut(t), out)) << "IFD0 walk keeps the pointer it read before the end";

  t = Tiff{};
  t.order = "die";
  t.exifCountBonus = 1;
  EXPECT_TRUE(ReadAtHeapEnd(cut(t), out)) << "date found before the missing Exif IFD entry";
  t.exifIfd = {{0x829A, 0, Ref::kNone, 5, 1}};
  EXPECT_FALSE(ReadAtHeapEnd(cut(t), out)) << "missing Exif IFD entry before any date";
}

TEST(ExifReader, LaterExifPointerReplacesEarlierOne) {
  // Two Exif directories: the first pointer leads to one without a date, the second to the real one.
  Tiff t;
  t.order = "die";
  t.exifIfd = {DateTimeOriginal()};
  const uint32_t emptyDirDelta = Tiff::DirBytes(t.exifIfd);  // an empty directory appended after it
  t.ifd0 = {ExifPointer(emptyDirDelta), ExifPointer()};
  Bytes tiff = t.Build();
  Append(tiff, Bytes{0, 0, 0, 0, 0, 0});  // count 0, no next directory
  ExifDateTime out;
  EXPECT_TRUE(ReadAtHeapEnd(Jpeg({ExifApp1(tiff)}), out));

  t.ifd0 = {ExifPointer(), ExifPointer(emptyDirDelta)};
  tiff = t.Build();
  Append(tiff, Bytes{0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(ReadAtHeapEnd(Jpeg({ExifApp1(tiff)}), out));
}

TEST(ExifReader, OnlyTheFirstExifSegmentIsExamined) {
  Tiff broken;
  broken.ifd0 = {Orientation()};
  ExifDateTime out;
  EXPECT_FALSE(ReadAtHeapEnd(Jpeg({ExifApp1(broken.Build()), ExifApp1(Tiff{}.Build()), ScanAndEnd()}), out));
  EXPECT_TRUE(ReadAtHeapEnd(Jpeg({ExifApp1(Tiff{}.Build()), ExifApp1(broken.Build()), ScanAndEnd()}), out));
}

// The TIFF byte order is read from each file; nothing of one read carries into the next.
TEST(ExifReader, ByteOrderIsTakenFromEachFile) {
  const Bytes little = CameraFile(Tiff{}), big = CameraFile(BigEndian());
  ExifReaderState state;
  for (const Bytes* file : {&little, &big, &little}) {
    ExifDateTime out;
    SetExifScanRange(state, file->data(), static_cast<uint32_t>(file->size()));
    ASSERT_TRUE(ReadExifDate(state, out));
    EXPECT_EQ(Text(out), std::string(kDate, sizeof kDate));
  }
}

// ---- corpus files ----------------------------------------------------------------------------------

// file name -> DateTimeOriginal column of the corpus manifest (empty when none).
std::vector<std::pair<std::string, std::string>> ManifestDates() {
  std::ifstream in(test::DataDir() / "manifest.tsv");
  std::vector<std::pair<std::string, std::string>> rows;
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream fieldStream(line);
    for (std::string f; std::getline(fieldStream, f, '\t');) fields.push_back(f);
    if (fields.size() > 15) rows.emplace_back(fields[0], fields[15]);
  }
  return rows;
}

bool ReadMappedFile(ExifReaderState& state, const std::string& name, ExifDateTime& out) {
  const uint32_t size = MapInputFile(test::DataFile(name), state.file);
  EXPECT_NE(size, 0u) << name;
  SetExifScanRange(state, state.file.view, size);
  const bool found = ReadExifDate(state, out);
  UnmapInputFile(state.file);
  return found;
}

TEST(ExifReader, CorpusDatesMatchTheManifest) {
  const auto rows = ManifestDates();
  ASSERT_EQ(rows.size(), 50u);
  ExifReaderState state;  // one state for all files, as in a run
  int found = 0;
  for (const auto& [name, manifestDate] : rows) {
    SCOPED_TRACE(name);
    std::string expected = manifestDate;
    // The only file where the directory walk and the manifest's reference tool disagree: the file holds
    // no image, and the tool ignores its Exif date.
    if (name == "s018.jpg") expected = "2007:01:01 12:00:00";
    ExifDateTime out;
    const bool ok = ReadMappedFile(state, name, out);
    EXPECT_EQ(ok, !expected.empty());
    if (ok) {
      ++found;
      EXPECT_EQ(std::string(out.text, 19), expected);
      EXPECT_EQ(out.text[19], '\0');
    }
  }
  EXPECT_EQ(found, 17);  // 16 DateTimeOriginal in the manifest, plus s018
}

// s024 stores the date as 19 bytes without a NUL. The reader takes the 20 bytes at the offset, which
// fit because the value is padded to an even length, so the 20th byte is that pad byte.
TEST(ExifReader, NineteenByteDateTakesTheFollowingByte) {
  ExifReaderState state;
  ExifDateTime out;
  ASSERT_TRUE(ReadMappedFile(state, "s024.jpg", out));
  const Bytes file = test::ReadAll(test::DataDir() / "s024.jpg");
  const std::string text(out.text, 19);
  EXPECT_EQ(text, "2008:03:01 12:02:51");
  const std::string whole(file.begin(), file.end());
  const size_t at = whole.find(text);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(out.text[19], static_cast<char>(file[at + 19]));
  EXPECT_EQ(state.byteOrder, 0x4D4D);
}

}  // namespace
}  // namespace qv
