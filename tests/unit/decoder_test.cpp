// Decoding at N/8 into bottom-up blue-green-red bitmaps, on corpus files and generated files, and every
// way a decode must fail: not a JPEG, empty, unsupported layouts, oversize results, decompression bombs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

#include "engine/decoder.h"
#include "jpeg_test_util.h"
#include "test_support.h"

namespace qv {
namespace {

using test::DataFile;
using test::ScratchDir;

// Decodes and releases everything; returns a copy of the header (width 0 on failure) and optionally
// the pixel block.
struct DecodeResult {
  bool ok = false;
  BitmapInfoHeader header;
  std::vector<unsigned char> pixels;
  RgbQuad table[256];
};

DecodeResult Decode(const std::wstring& path, int scale, uint64_t memoryLimit = 0) {
  DecoderState state;
  state.scaleNum = scale;
  state.memoryLimit = memoryLimit;
  DecodeResult r;
  const DecodedImage* image = DecodeJpegFile(state, path);
  if (image != nullptr) {
    r.ok = true;
    r.header = image->header;
    std::memcpy(r.table, image->colorTable, sizeof(r.table));
    const PixelBlock block(image->pixels, image->pixelBytes);
    r.pixels.assign(block.Data(), block.Data() + block.Size());
    EXPECT_EQ(image->fileSize, state.file.size);
  }
  return r;
}

std::vector<unsigned char> Patch(std::vector<unsigned char> bytes, size_t at, std::vector<unsigned char> with) {
  for (size_t i = 0; i < with.size(); ++i) bytes[at + i] = with[i];
  return bytes;
}

size_t FindMarker(const std::vector<unsigned char>& bytes, uint8_t marker) {
  for (const auto& s : test::ParseJpeg(bytes).segments)
    if (s.marker == marker) return s.offset;
  return std::string::npos;
}

TEST(DecodeJpegFile, ScalesInEighthsRoundingUp) {
  ScratchDir dir;
  ASSERT_TRUE(test::WriteTestJpeg(dir.file("a.jpg"), 100, 75, 3, [](int x, int y, int c) { return (x + y * c) & 255; }));
  struct Case {
    int scale, w, h;
  } cases[] = {{0, 100, 75}, {1, 13, 10}, {2, 25, 19}, {4, 50, 38}, {7, 88, 66}, {8, 100, 75}, {9, 113, 85}, {16, 200, 150}};
  for (const Case& c : cases) {
    DecodeResult r = Decode(dir.file("a.jpg"), c.scale);
    ASSERT_TRUE(r.ok) << c.scale;
    EXPECT_EQ(r.header.width, c.w) << c.scale;
    EXPECT_EQ(r.header.height, c.h) << c.scale;
    EXPECT_EQ(r.header.size, 40u);
    EXPECT_EQ(r.header.planes, 1);
    EXPECT_EQ(r.header.bitCount, 24);
    EXPECT_EQ(r.pixels.size(), static_cast<size_t>(RowStride(c.w, 24) * c.h));
  }
}

TEST(DecodeJpegFile, StridesPaddingAndGreyRamp) {
  ScratchDir dir;
  ASSERT_TRUE(test::WriteTestJpeg(dir.file("g.jpg"), 5, 3, 1, [](int x, int, int) { return 40 * x; }));
  ASSERT_TRUE(test::WriteTestJpeg(dir.file("c.jpg"), 5, 3, 3, [](int x, int, int) { return 40 * x; }));
  DecodeResult g = Decode(dir.file("g.jpg"), 0);
  ASSERT_TRUE(g.ok);
  EXPECT_EQ(g.header.bitCount, 8);
  EXPECT_EQ(g.pixels.size(), 8u * 3);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(g.table[i].blue, i);
    EXPECT_EQ(g.table[i].green, i);
    EXPECT_EQ(g.table[i].red, i);
    EXPECT_EQ(g.table[i].reserved, 0);
  }
  DecodeResult c = Decode(dir.file("c.jpg"), 0);
  ASSERT_TRUE(c.ok);
  EXPECT_EQ(c.pixels.size(), 16u * 3);
  EXPECT_EQ(c.table[128].blue, 0);  // colour images carry no table
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(g.pixels[row * 8 + 5], 0);  // padding is never written
    EXPECT_EQ(c.pixels[row * 16 + 15], 0);
  }
}

TEST(DecodeJpegFile, RowsBottomUpInBlueGreenRedOrder) {
  // Top half red, bottom half blue; left column a little green. 4:4:4 at quality 100 keeps the colours.
  ScratchDir dir;
  ASSERT_TRUE(test::WriteTestJpeg(dir.file("rb.jpg"), 16, 16, 3, [](int, int y, int c) -> uint8_t {
    if (y < 8) return c == 0 ? 250 : 0;
    return c == 2 ? 250 : 0;
  }, 100));
  DecodeResult r = Decode(dir.file("rb.jpg"), 0);
  ASSERT_TRUE(r.ok);
  const size_t stride = 48;
  const unsigned char* topLeft = &r.pixels[15 * stride];  // the picture's top row is the block's last
  const unsigned char* bottomLeft = &r.pixels[0];
  EXPECT_NEAR(topLeft[2], 250, 6);  // red
  EXPECT_NEAR(topLeft[0], 0, 6);    // blue
  EXPECT_NEAR(bottomLeft[0], 250, 6);
  EXPECT_NEAR(bottomLeft[2], 0, 6);
}

TEST(DecodeJpegFile, ResolutionFromJfifDensity) {
  ScratchDir dir;
  struct Case {
    int unit, x, y, xppm, yppm;
  } cases[] = {{1, 72, 72, 2835, 2835}, {1, 300, 96, 11811, 3780}, {2, 28, 28, 2800, 2800}, {0, 3, 2, 0, 0}};
  for (const Case& c : cases) {
    ASSERT_TRUE(test::WriteTestJpeg(dir.file("d.jpg"), 8, 8, 3, [](int, int, int) { return 9; }, 90, false,
                                    c.unit, c.x, c.y));
    DecodeResult r = Decode(dir.file("d.jpg"), 1);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.header.xPelsPerMeter, c.xppm) << c.unit << " " << c.x;
    EXPECT_EQ(r.header.yPelsPerMeter, c.yppm) << c.unit << " " << c.y;
  }
  // Corpus: s002 states 28 dots per cm, s003 72 dpi.
  EXPECT_EQ(Decode(DataFile("s002.jpg"), 1).header.xPelsPerMeter, 2800);
  EXPECT_EQ(Decode(DataFile("s003.jpg"), 1).header.xPelsPerMeter, 2835);
}

TEST(DecodeJpegFile, DecodedSideLimitIs25000) {
  ScratchDir dir;
  ASSERT_TRUE(test::WriteTestJpeg(dir.file("w25000.jpg"), 25000, 1, 1, [](int, int, int) { return 1; }));
  ASSERT_TRUE(test::WriteTestJpeg(dir.file("w25001.jpg"), 25001, 1, 1, [](int, int, int) { return 1; }));
  ASSERT_TRUE(test::WriteTestJpeg(dir.file("w12501.jpg"), 12501, 2, 3, [](int, int, int) { return 1; }));
  EXPECT_TRUE(Decode(dir.file("w25000.jpg"), 8).ok);
  EXPECT_FALSE(Decode(dir.file("w25001.jpg"), 8).ok);
  EXPECT_TRUE(Decode(dir.file("w25001.jpg"), 7).ok);  // the limit applies after scaling
  EXPECT_FALSE(Decode(dir.file("w12501.jpg"), 16).ok);
  EXPECT_TRUE(Decode(dir.file("w12501.jpg"), 15).ok);
}

TEST(DecodeJpegFile, FourComponentFilesBecomeColour) {
  // s026 is a CMYK file cut short, s032 a YCCK file; both decode to 24 bits per pixel.
  DecodeResult cmyk = Decode(DataFile("s026.jpg"), 8);
  ASSERT_TRUE(cmyk.ok);
  EXPECT_EQ(cmyk.header.bitCount, 24);
  EXPECT_EQ(cmyk.header.width, 256);
  DecodeResult ycck = Decode(DataFile("s032.jpg"), 8);
  ASSERT_TRUE(ycck.ok);
  EXPECT_EQ(ycck.header.bitCount, 24);
  EXPECT_EQ(ycck.header.width, 75);
  EXPECT_EQ(ycck.header.height, 50);
}

TEST(DecodeJpegFile, FilesCutShortDecodeToFullSize) {
  // s015 and s046 end early; a clean file cut in the middle of its entropy-coded data too.
  DecodeResult a = Decode(DataFile("s015.jpg"), 8);
  ASSERT_TRUE(a.ok);
  EXPECT_EQ(a.header.width, 290);
  EXPECT_EQ(a.header.height, 442);
  EXPECT_TRUE(Decode(DataFile("s046.jpg"), 2).ok);
  ScratchDir dir;
  std::vector<unsigned char> photo = test::ReadAll(test::DataDir() / "s050.jpg");
  photo.resize(photo.size() / 2);
  test::WriteAll(dir.path() / "half.jpg", photo);
  DecodeResult h = Decode(dir.file("half.jpg"), 8);
  ASSERT_TRUE(h.ok);
  EXPECT_EQ(h.header.width, 640);
  EXPECT_EQ(h.header.height, 480);
}

TEST(DecodeJpegFile, UnsupportedFilesFail) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "empty.jpg", {});
  test::WriteAll(dir.path() / "text.jpg", std::vector<unsigned char>(100, 'x'));
  test::WriteAll(dir.path() / "soi-only.jpg", {0xFF, 0xD8});
  ASSERT_TRUE(test::WriteTestJpeg(dir.file("two.jpg"), 16, 16, 2, [](int x, int, int c) { return x * 10 + c; }));
  // The same grey file claiming 12-bit samples.
  ASSERT_TRUE(test::WriteTestJpeg(dir.file("g.jpg"), 16, 16, 1, [](int x, int, int) { return x * 10; }));
  std::vector<unsigned char> grey = test::ReadAll(dir.path() / "g.jpg");
  const size_t sof = FindMarker(grey, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  test::WriteAll(dir.path() / "twelve.jpg", Patch(grey, sof + 4, {12}));
  for (const char* name : {"empty.jpg", "text.jpg", "soi-only.jpg", "two.jpg", "twelve.jpg", "missing.jpg"})
    EXPECT_FALSE(Decode(dir.file(name), 1).ok) << name;
  EXPECT_FALSE(Decode(DataFile("s018.jpg"), 1).ok);  // Exif header, no image
  EXPECT_FALSE(Decode(DataFile("s004.jpg"), 1).ok);  // damaged header
}

TEST(DecodeJpegFile, HugeDeclaredProgressiveImageFailsFastInBoundedMemory) {
  // A 910-byte progressive file patched to declare 64250 x 64250: its coefficient buffers would need
  // about 24 GB even for a 1/8 decode.
  ScratchDir dir;
  std::vector<unsigned char> small = test::ReadAll(test::DataDir() / "s043.jpg");
  const size_t sof = FindMarker(small, 0xC2);
  ASSERT_NE(sof, std::string::npos);
  test::WriteAll(dir.path() / "bomb.jpg", Patch(small, sof + 5, {0xFA, 0xFA, 0xFA, 0xFA}));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Decode(dir.file("bomb.jpg"), 1, uint64_t{1} << 30).ok);
  EXPECT_FALSE(Decode(dir.file("bomb.jpg"), 1).ok);  // with the default share of the machine's memory
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  // Refused before the buffers were touched: the process never came near the bomb's need (the peak also
  // covers the earlier tests of this process, whose largest image needs under 2 GB).
  EXPECT_LT(PeakResidentMemoryBytes(), uint64_t{6} << 30);
  EXPECT_TRUE(Decode(test::DataFile("s043.jpg"), 1).ok);
}

TEST(DecoderMemoryLimit, IsAPositiveLongForEveryMachineSize) {
  // A quarter of the machine, at least 1 GiB, at most what the library's C long holds (2 GiB - 1 on
  // Windows, where long has 32 bits: 8 GiB must not wrap to 0, 15.9 GiB not to a negative number, and
  // 4 GiB + 5 MiB not to 5 MiB).
  constexpr uint64_t kMiB = uint64_t{1} << 20, kGiB = uint64_t{1} << 30;
  const uint64_t longMax = static_cast<uint64_t>(LONG_MAX);
  struct Case {
    uint64_t physical, limit;
  };
  const Case cases[] = {
      {0, kGiB},  // unknown
      {2 * kGiB, kGiB},
      {4 * kGiB + 5 * kMiB, kGiB + 5 * kMiB / 4},
      {8 * kGiB, 2 * kGiB},
      {16 * kGiB, 4 * kGiB},
      {16 * kGiB - 100 * kMiB, 4 * kGiB - 25 * kMiB},
      {32 * kGiB, 8 * kGiB},
      {32 * kGiB - 200 * kMiB, 8 * kGiB - 50 * kMiB},
      {uint64_t{1} << 62, uint64_t{1} << 60},
  };
  for (const Case& c : cases) {
    const long handed = LibraryMemoryLimit(0, c.physical);
    EXPECT_GT(handed, 0) << c.physical;
    EXPECT_EQ(static_cast<uint64_t>(handed), std::min(c.limit, longMax)) << c.physical;
  }
  // An explicit limit wins over the machine's share and is clamped the same way.
  EXPECT_EQ(LibraryMemoryLimit(kGiB, 64 * kGiB), static_cast<long>(kGiB));
  EXPECT_EQ(static_cast<uint64_t>(LibraryMemoryLimit(8 * kGiB, 0)), std::min(8 * kGiB, longMax));
}

TEST(DecodeJpegFile, LibraryErrorAfterThePixelBlockReleasesIt) {
  // A baseline file whose end-of-image marker is replaced by a second scan header: the library stops
  // with an error in jpeg_finish_decompress, after every row went into the pixel block. The leak check
  // of the sanitizer build sees a block that the error path lost.
  ScratchDir dir;
  ASSERT_TRUE(test::WriteTestJpeg(dir.file("a.jpg"), 64, 48, 3, [](int x, int y, int c) { return x * 3 + y + c; }));
  std::vector<unsigned char> bytes = test::ReadAll(dir.path() / "a.jpg");
  const size_t sos = FindMarker(bytes, 0xDA);
  ASSERT_NE(sos, std::string::npos);
  const size_t sosLength = (static_cast<size_t>(bytes[sos + 2]) << 8) | bytes[sos + 3];
  const std::vector<unsigned char> header(bytes.begin() + static_cast<std::ptrdiff_t>(sos),
                                          bytes.begin() + static_cast<std::ptrdiff_t>(sos + 2 + sosLength));
  bytes.resize(bytes.size() - 2);
  bytes.insert(bytes.end(), header.begin(), header.end());
  bytes.insert(bytes.end(), {0xFF, 0xD9});
  test::WriteAll(dir.path() / "second-scan.jpg", bytes);
  for (int scale : {8, 1}) EXPECT_FALSE(Decode(dir.file("second-scan.jpg"), scale).ok) << scale;
  EXPECT_TRUE(Decode(dir.file("a.jpg"), 8).ok);
}

TEST(DecodeJpegFile, ProgressiveFileWithMoreScansThanTheLimitFails) {
  // Repeat the last scan of a small progressive file until the file holds the wanted number of scans:
  // up to the limit it decodes, one scan more (or thousands) is refused.
  std::vector<unsigned char> base = test::ReadAll(test::DataDir() / "s043.jpg");
  test::JpegInfo info = test::ParseJpeg(base);
  ASSERT_TRUE(info.valid);
  ASSERT_GT(info.scanCount, 1);
  // Locate the last SOS by scanning backwards from EOI.
  size_t lastSos = std::string::npos;
  for (size_t i = base.size() - 2; i > 2; --i)
    if (base[i] == 0xFF && base[i + 1] == 0xDA) {
      lastSos = i;
      break;
    }
  ASSERT_NE(lastSos, std::string::npos);
  const std::vector<unsigned char> scan(base.begin() + static_cast<std::ptrdiff_t>(lastSos), base.end() - 2);
  const int limit = DecoderState{}.maxScans;
  ScratchDir dir;
  const struct {
    int scans;
    bool decodes;
  } cases[] = {{info.scanCount, true}, {limit, true}, {limit + 1, false}, {3000, false}};
  for (const auto& c : cases) {
    std::vector<unsigned char> bytes(base.begin(), base.end() - 2);
    for (int i = info.scanCount; i < c.scans; ++i) bytes.insert(bytes.end(), scan.begin(), scan.end());
    bytes.push_back(0xFF);
    bytes.push_back(0xD9);
    ASSERT_EQ(test::ParseJpeg(bytes).scanCount, c.scans);
    test::WriteAll(dir.path() / "scans.jpg", bytes);
    EXPECT_EQ(Decode(dir.file("scans.jpg"), 1).ok, c.decodes) << c.scans << " scans";
  }
}

TEST(DecodeJpegFile, CorpusDecodesAsLibjpegToolsDo) {
  // Every corpus file that djpeg decodes cleanly at 1/8 decodes here to the same size.
  int checked = 0;
  for (const std::vector<std::string>& f : test::ManifestRows()) {
    ASSERT_GE(f.size(), 19u);
    if (f[16] != "1") continue;
    DecodeResult r = Decode(DataFile(f[0]), 1);
    ASSERT_TRUE(r.ok) << f[0];
    EXPECT_EQ(r.header.width, std::stoi(f[17])) << f[0];
    EXPECT_EQ(r.header.height, std::stoi(f[18])) << f[0];
    EXPECT_EQ(r.header.bitCount, f[5] == "1" ? 8 : 24) << f[0];
    ++checked;
  }
  EXPECT_GT(checked, 40);
}

}  // namespace
}  // namespace qv
