// Leaving out the scans a 1/8 decode cannot use: corpus pictures rewritten losslessly with many scan
// scripts (DC refined in several steps, DC scans per component, spectral selection only, chroma before
// luma) and every sampling decode to the same bytes as a decode that reads every scan; and every file
// where leaving scans out would change the outcome (smoothing of a file cut short or of coefficients
// never sent, a scan the library would refuse or read with another quantisation table, bytes the walk
// does not expect) is decoded in full.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "engine/decoder.h"
#include "test_support.h"

namespace qv {
namespace {

struct Trap {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};
[[noreturn]] void Jump(j_common_ptr c) { std::longjmp(reinterpret_cast<Trap*>(c->err)->jump, 1); }
void Quiet(j_common_ptr) {}

struct Scan {
  std::vector<int> components;
  int ss, se, ah, al;
};
using Script = std::vector<Scan>;

// The coefficients of `source` written again as a progressive file with `script` (empty: the library's
// default script). Only plain locals live in the frame that calls setjmp; the result is copied out.
bool RewriteWithScript(const std::vector<unsigned char>& source, const jpeg_scan_info* scans, int scanCount,
                       unsigned char*& out, unsigned long& outBytes) {
  jpeg_decompress_struct in;
  jpeg_compress_struct dst;
  Trap trap;
  in.err = jpeg_std_error(&trap.mgr);
  dst.err = &trap.mgr;
  trap.mgr.error_exit = Jump;
  trap.mgr.output_message = Quiet;
  if (setjmp(trap.jump) != 0) {
    jpeg_destroy_compress(&dst);
    jpeg_destroy_decompress(&in);
    return false;
  }
  jpeg_create_decompress(&in);
  jpeg_create_compress(&dst);
  jpeg_mem_src(&in, source.data(), static_cast<unsigned long>(source.size()));
  jpeg_read_header(&in, TRUE);
  jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&in);
  jpeg_copy_critical_parameters(&in, &dst);
  dst.optimize_coding = TRUE;
  if (scanCount == 0) {
    jpeg_simple_progression(&dst);
  } else {
    dst.scan_info = scans;
    dst.num_scans = scanCount;
  }
  jpeg_mem_dest(&dst, &out, &outBytes);
  jpeg_write_coefficients(&dst, coefficients);
  jpeg_finish_compress(&dst);
  jpeg_destroy_compress(&dst);
  jpeg_finish_decompress(&in);
  jpeg_destroy_decompress(&in);
  return true;
}

std::vector<unsigned char> Rewrite(const std::vector<unsigned char>& source, const Script& script) {
  std::vector<jpeg_scan_info> scans;
  for (const Scan& s : script) {
    jpeg_scan_info info{};
    info.comps_in_scan = static_cast<int>(s.components.size());
    for (size_t i = 0; i < s.components.size(); ++i) info.component_index[i] = s.components[i];
    info.Ss = s.ss;
    info.Se = s.se;
    info.Ah = s.ah;
    info.Al = s.al;
    scans.push_back(info);
  }
  unsigned char* out = nullptr;
  unsigned long outBytes = 0;
  std::vector<unsigned char> result;
  if (RewriteWithScript(source, scans.data(), static_cast<int>(scans.size()), out, outBytes))
    result.assign(out, out + outBytes);
  std::free(out);
  return result;
}

struct Decoded {
  bool ok = false;
  int width = 0, height = 0, bits = 0;
  std::vector<unsigned char> pixels;
  int skippedScans = 0;
  bool operator==(const Decoded& o) const {
    return ok == o.ok && width == o.width && height == o.height && bits == o.bits && pixels == o.pixels;
  }
};

Decoded Decode(const std::vector<unsigned char>& bytes, int scale, bool everyScan) {
  DecoderState state;
  state.scaleNum = scale;
  state.readEveryScan = everyScan;
  Decoded d;
  const DecodedImage* image = DecodeJpegBytes(state, bytes.data(), static_cast<uint32_t>(bytes.size()));
  d.skippedScans = state.skippedScans;
  if (image == nullptr) return d;
  d.ok = true;
  d.width = image->header.width;
  d.height = image->header.height;
  d.bits = image->header.bitCount;
  const PixelBlock block(image->pixels, image->pixelBytes);
  d.pixels.assign(block.Data(), block.Data() + block.Size());
  return d;
}

// Offsets of the SOS markers: in entropy-coded data 0xFF is always followed by 0 or a restart marker,
// and the rewritten files carry no APPn segments.
std::vector<size_t> ScanOffsets(const std::vector<unsigned char>& bytes) {
  std::vector<size_t> offsets;
  for (size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) offsets.push_back(i);
  return offsets;
}

std::vector<unsigned char> Insert(std::vector<unsigned char> bytes, size_t at, const std::vector<unsigned char>& with) {
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), with.begin(), with.end());
  return bytes;
}

const Script kDcInThreeStepsPerComponent = {{{0}, 0, 0, 0, 2},       {{1}, 0, 0, 0, 2},       {{2}, 0, 0, 0, 2},
                                            {{0}, 1, 5, 0, 2},       {{0, 1, 2}, 0, 0, 2, 1}, {{2}, 1, 63, 0, 1},
                                            {{1}, 1, 63, 0, 0},      {{0}, 6, 63, 0, 2},      {{0}, 1, 63, 2, 1},
                                            {{0, 1, 2}, 0, 0, 1, 0}, {{2}, 1, 63, 1, 0},      {{0}, 1, 63, 1, 0}};
const Script kSpectralSelectionOnly = {{{0, 1, 2}, 0, 0, 0, 0}, {{0}, 1, 2, 0, 0},  {{1}, 1, 63, 0, 0},
                                       {{0}, 3, 9, 0, 0},       {{2}, 1, 63, 0, 0}, {{0}, 10, 63, 0, 0}};
const Script kChromaFirstDcLast = {{{1, 2}, 0, 0, 0, 1}, {{1}, 1, 63, 0, 0}, {{2}, 1, 63, 0, 0},     {{0}, 0, 0, 0, 1},
                                   {{0}, 1, 63, 0, 1},   {{0}, 1, 63, 1, 0}, {{0, 1, 2}, 0, 0, 1, 0}};
const Script kGreyInSteps = {{{0}, 0, 0, 0, 3}, {{0}, 1, 9, 0, 1}, {{0}, 0, 0, 3, 2}, {{0}, 10, 63, 0, 0},
                             {{0}, 0, 0, 2, 1}, {{0}, 1, 9, 1, 0}, {{0}, 0, 0, 1, 0}};

TEST(LeftOutScans, EveryScriptAndSamplingDecodesAsReadingEveryScan) {
  // The same 150x103 picture in 4:2:0, 4:2:2, 4:4:4, 4:4:0 and 4:1:1; a grey photo; a four-component
  // YCCK file; a progressive camera photo. At 1/8 only 4:2:0 keeps its chroma AC scans (2x2 blocks).
  const char* const colour[] = {"s002.jpg", "s021.jpg", "s012.jpg", "s022.jpg", "s040.jpg", "s041.jpg"};
  struct Case {
    std::string file;
    Script script;
  };
  std::vector<Case> cases;
  for (const char* file : colour)
    for (const Script* s : {&kDcInThreeStepsPerComponent, &kSpectralSelectionOnly, &kChromaFirstDcLast})
      cases.push_back({file, *s});
  for (const char* file : {"s002.jpg", "s045.jpg", "s032.jpg", "s041.jpg"}) cases.push_back({file, {}});
  cases.push_back({"s045.jpg", kGreyInSteps});
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " script " + std::to_string(index++));
    const std::vector<unsigned char> rewritten = Rewrite(test::ReadAll(test::DataDir() / c.file), c.script);
    ASSERT_FALSE(rewritten.empty());
    const Decoded every = Decode(rewritten, 1, true);
    ASSERT_TRUE(every.ok);
    EXPECT_EQ(every.skippedScans, 0);
    const Decoded fast = Decode(rewritten, 1, false);
    EXPECT_GT(fast.skippedScans, 0);
    EXPECT_TRUE(fast == every);
    // From 2/8 on every block is at least 2x2 and needs its AC coefficients.
    EXPECT_EQ(Decode(rewritten, 2, false).skippedScans, 0);
  }
}

TEST(LeftOutScans, FilesCutShortAreLeftOutOnlyWhenTheFullDecodeWouldNotSmooth) {
  // Cut inside an early luma AC scan, the full decode estimates the missing coefficients (DC included)
  // by smoothing: nothing may be left out. Cut inside the last scan, every coefficient the smoothing
  // looks at has its final precision: the luma AC scans are left out and the result is the same.
  const std::vector<unsigned char> photo = Rewrite(test::ReadAll(test::DataDir() / "s041.jpg"), {});
  ASSERT_FALSE(photo.empty());
  const std::vector<size_t> scans = ScanOffsets(photo);
  ASSERT_EQ(scans.size(), 10u);
  const struct {
    size_t cut;
    bool leftOut;
  } cases[] = {{scans[1] + 40, false}, {scans[5] + 40, false}, {scans[9] + 200, true}, {photo.size() - 2, true}};
  for (const auto& c : cases) {
    const std::vector<unsigned char> cut(photo.begin(), photo.begin() + static_cast<std::ptrdiff_t>(c.cut));
    const Decoded every = Decode(cut, 1, true);
    const Decoded fast = Decode(cut, 1, false);
    ASSERT_TRUE(every.ok) << c.cut;
    EXPECT_EQ(fast.skippedScans > 0, c.leftOut) << c.cut;
    EXPECT_TRUE(fast == every) << c.cut;
  }
}

TEST(LeftOutScans, ScansTheLibraryWouldRefuseFailTheDecodeAsBefore) {
  // s041 with the default script: scan 2 is luma AC 1-5, which a 1/8 decode leaves out. Damaged there,
  // a full decode stops with an error, so the decode must fail whether or not it reads the scan.
  const std::vector<unsigned char> photo = Rewrite(test::ReadAll(test::DataDir() / "s041.jpg"), {});
  const size_t sos = ScanOffsets(photo).at(1);
  ASSERT_EQ(photo[sos + 4], 1);  // one component
  struct Case {
    const char* what;
    size_t at;
    unsigned char value;
  } cases[] = {
      {"undefined AC table", sos + 6, 0x03},
      {"AC table slot out of range", sos + 6, 0x0F},
      {"component not in the frame", sos + 5, 0x77},
      {"Al above 13", sos + 9, 0x0E},
      {"Se past 63", sos + 8, 64},
      {"Ss after Se", sos + 7, 6},
      {"refinement with Al != Ah - 1", sos + 9, 0x30},
  };
  std::vector<std::vector<unsigned char>> damaged;
  for (const Case& c : cases) {
    damaged.push_back(photo);
    damaged.back()[c.at] = c.value;
  }
  // The luma AC table redefined before that scan with codes that no code tree holds: three of length
  // 1, or two, the second of which is all ones.
  for (const std::vector<unsigned char>& symbols : {std::vector<unsigned char>{1, 2, 3}, {1, 2}}) {
    const auto count = static_cast<unsigned char>(symbols.size());
    std::vector<unsigned char> table = {0xFF, 0xC4, 0x00, static_cast<unsigned char>(19 + count), 0x10, count};
    table.resize(table.size() + 15, 0);
    table.insert(table.end(), symbols.begin(), symbols.end());
    damaged.push_back(Insert(photo, sos, table));
  }
  for (size_t i = 0; i < damaged.size(); ++i) {
    const char* what = i < std::size(cases) ? cases[i].what : "Huffman table without room for its codes";
    EXPECT_FALSE(Decode(damaged[i], 1, true).ok) << what;
    const Decoded fast = Decode(damaged[i], 1, false);
    EXPECT_FALSE(fast.ok) << what;
    EXPECT_EQ(fast.skippedScans, 0) << what;
  }
  EXPECT_TRUE(Decode(photo, 1, false).ok);
}

std::vector<unsigned char> Cat(std::initializer_list<std::vector<unsigned char>> parts) {
  std::vector<unsigned char> all;
  for (const std::vector<unsigned char>& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Layouts where leaving a scan out would change what the library does, though no scan is refused.
// s002 is 4:2:0: at 1/8 only its luma AC scans may be left out.
TEST(LeftOutScans, ScanOrdersWhereTheFullDecodeDiffers) {
  const std::vector<unsigned char> s002 = test::ReadAll(test::DataDir() / "s002.jpg");
  // No luma AC coefficient below the tenth: the full decode smooths luma, DC included. Before the first
  // scan, 0xFF 0x00 and the bytes up to the next marker are junk to the library, which then skips an APP1
  // segment; read as a segment with a length instead, they reveal two scans inside that APP1, the second
  // claiming luma AC 1-63.
  const std::vector<unsigned char> lumaLate =
      Rewrite(s002, {{{0, 1, 2}, 0, 0, 0, 0}, {{1}, 1, 63, 0, 0}, {{2}, 1, 63, 0, 0}, {{0}, 10, 63, 0, 0}});
  std::vector<unsigned char> hidden = {0xFF, 0x00, 0x00, 0x0E, 0xFF, 0xE1, 0x00, 0x22};
  hidden.resize(hidden.size() + 8, 0x11);
  hidden.insert(hidden.end(), {0xFF, 0xDA, 0, 12, 3, 1, 0, 2, 0, 3, 0, 0, 0, 0, 0xFF, 0xDA, 0, 8, 1, 1, 3, 1, 63, 0});
  // Chroma coefficients 6-9 never sent: the full decode smooths chroma, whose 2x2 blocks use them.
  const std::vector<unsigned char> chromaShort =
      Rewrite(s002, {{{0, 1, 2}, 0, 0, 0, 0}, {{0}, 1, 63, 0, 0}, {{1}, 1, 5, 0, 0}, {{2}, 1, 5, 0, 0}});
  // The luma AC scan moved before the luma DC scan (the library only warns), with the luma quantisation
  // table redefined between them: the library takes a component's table at its first scan.
  const std::vector<unsigned char> b = Rewrite(
      s002, {{{1, 2}, 0, 0, 0, 0}, {{0}, 0, 0, 0, 0}, {{0}, 1, 63, 0, 0}, {{1}, 1, 63, 0, 0}, {{2}, 1, 63, 0, 0}});
  const std::vector<size_t> sos = ScanOffsets(b);
  ASSERT_EQ(sos.size(), 5u);
  // Scan i with the Huffman tables written just before it.
  size_t s[4] = {};
  for (size_t i = 1; i < 4; ++i)
    for (s[i] = sos[i - 1] + 2; s[i] < sos[i] && !(b[s[i]] == 0xFF && b[s[i] + 1] == 0xC4);) ++s[i];
  auto part = [&](size_t from, size_t to) { return std::vector<unsigned char>(b.begin() + from, b.begin() + to); };
  std::vector<unsigned char> table = {0xFF, 0xDB, 0x00, 0x43, 0x00};
  table.resize(table.size() + 64, 1);
  const struct {
    const char* what;
    std::vector<unsigned char> bytes;
  } cases[] = {
      {"junk before the first scan", Insert(lumaLate, ScanOffsets(lumaLate).at(0), hidden)},
      {"coefficients 6-9 incomplete", chromaShort},
      {"AC before DC", Cat({part(0, s[1]), part(s[2], s[3]), table, part(s[1], s[2]), part(s[3], b.size())})},
  };
  for (const auto& c : cases) {
    const Decoded every = Decode(c.bytes, 1, true);
    const Decoded fast = Decode(c.bytes, 1, false);
    ASSERT_TRUE(every.ok) << c.what;
    EXPECT_EQ(fast.skippedScans, 0) << c.what;
    EXPECT_TRUE(fast == every) << c.what;
  }
}

TEST(LeftOutScans, MarkersBetweenScans) {
  // Comments and tables between scans are still read; bytes the walk does not expect (junk after a
  // segment, a restart marker outside a scan, a line-count marker) make it read everything. Either way:
  // the same picture.
  const std::vector<unsigned char> photo = Rewrite(test::ReadAll(test::DataDir() / "s021.jpg"), {});
  const std::vector<size_t> scans = ScanOffsets(photo);
  ASSERT_EQ(scans.size(), 10u);
  const std::vector<unsigned char> comment = {0xFF, 0xFE, 0x00, 0x05, 'a', 'b', 'c'};
  // An AC table in slot 2 that no scan uses, with one code of each length 1 and 2.
  std::vector<unsigned char> table = {0xFF, 0xC4, 0x00, 0x15, 0x12, 1, 1};
  table.resize(table.size() + 14, 0);
  table.insert(table.end(), {0x01, 0x02});
  const struct {
    const char* what;
    std::vector<unsigned char> bytes;
    bool leftOut;
  } cases[] = {
      {"comment before a left-out scan", Insert(photo, scans[2], comment), true},
      {"comment before the last scan", Insert(photo, scans[9], comment), true},
      {"Huffman table between scans", Insert(photo, scans[3], table), true},
      {"fill bytes before a marker", Insert(photo, scans[4], {0xFF, 0xFF}), true},
      {"restart marker between segments", Insert(photo, scans[4], {0xFF, 0xD0}), false},
      {"junk after a comment", Insert(Insert(photo, scans[4], {0x12, 0x34}), scans[4], comment), false},
      {"line-count marker between scans", Insert(photo, scans[4], {0xFF, 0xDC, 0x00, 0x04, 0x00, 0x10}), false},
  };
  for (const auto& c : cases) {
    const Decoded every = Decode(c.bytes, 1, true);
    const Decoded fast = Decode(c.bytes, 1, false);
    ASSERT_TRUE(every.ok) << c.what;
    EXPECT_EQ(fast.skippedScans > 0, c.leftOut) << c.what;
    EXPECT_TRUE(fast == every) << c.what;
  }
}

}  // namespace
}  // namespace qv
