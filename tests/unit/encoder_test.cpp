// Encoding options as they appear in the written file, the size-bounded quality search (its exact pass
// sequence and its result), memory passes that outgrow the uncompressed size, and write failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "engine/conversion.h"
#include "engine/encoder.h"
#include "jpeg_test_util.h"
#include "test_support.h"

namespace qv {
namespace {

using test::ScratchDir;

// A 24-bit or 8-bit image held by the test, ready to hand to the encoder.
struct TestImage {
  int width, height, bits;
  std::vector<unsigned char> pixels;
  RgbQuad table[256];
  TestImage(int w, int h, int b, unsigned pattern = 1) : width(w), height(h), bits(b) {
    pixels.assign(static_cast<size_t>(RowStride(w, b) * h), 0);
    std::mt19937 rng(pattern);
    const size_t stride = static_cast<size_t>(RowStride(w, b));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w * b / 8; ++x)
        pixels[y * stride + x] = static_cast<unsigned char>((x * 3 + y * 5) ^ (rng() & 0x1F));
    for (int i = 0; i < 256; ++i) table[i] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  }
};

void PrepareState(EncoderState& state, const TestImage& img, int quality, int sampling = 0, uint8_t progressive = 0) {
  ResetEncoderState(state);
  state.geometry = PixelConversion{};
  state.geometry.width = img.width;
  state.geometry.height = img.height;
  state.geometry.sourceBitsPerPixel = img.bits;
  state.geometry.targetBitsPerPixel = 24;
  ComputeRowGeometry(state.geometry);
  SetEncodeOptions(state, quality, progressive, img.bits == 8 ? 1 : 0, sampling);
}

std::vector<unsigned char> EncodeToFile(EncoderState& state, const TestImage& img, const std::wstring& path) {
  const bool ok = EncodeJpeg(state, path, img.table, img.pixels.data());
  CleanUpEncoderState(state);
  EXPECT_TRUE(ok);
  return test::ReadAll(std::filesystem::path(path));
}

TEST(SetEncodeOptions, QualityAndSamplingRules) {
  EncoderState s;
  struct Case {
    int quality, sampling, wantQuality, h, v;
  } cases[] = {{150, 0, 75, 2, 2}, {100, 1, 100, 2, 1}, {0, 2, 0, 1, 1}, {-5, 9, -5, 2, 2}, {101, 3, 75, 2, 2}};
  for (const Case& c : cases) {
    SetEncodeOptions(s, c.quality, 1, 0, c.sampling);
    EXPECT_EQ(s.quality, c.wantQuality);
    EXPECT_EQ(s.hSampling, c.h);
    EXPECT_EQ(s.vSampling, c.v);
    EXPECT_EQ(s.progressive, 1);
  }
}

TEST(EncodeJpeg, SamplingFactorsGreyAndProgressiveInTheFrame) {
  ScratchDir dir;
  TestImage colour(40, 30, 24), grey(40, 30, 8);
  EncoderState s;
  struct Case {
    int sampling, h, v;
  } cases[] = {{0, 2, 2}, {1, 2, 1}, {2, 1, 1}, {9, 2, 2}};
  for (const Case& c : cases) {
    PrepareState(s, colour, 80, c.sampling);
    test::JpegInfo info = test::ParseJpeg(EncodeToFile(s, colour, dir.file("c.jpg")));
    ASSERT_EQ(info.components.size(), 3u);
    EXPECT_EQ(info.sofMarker, 0xC0);
    EXPECT_EQ(info.components[0].h, c.h);
    EXPECT_EQ(info.components[0].v, c.v);
    for (int k = 1; k < 3; ++k) EXPECT_EQ(info.components[k].h * 10 + info.components[k].v, 11);
    PrepareState(s, grey, 80, c.sampling);
    info = test::ParseJpeg(EncodeToFile(s, grey, dir.file("g.jpg")));
    ASSERT_EQ(info.components.size(), 1u);
    EXPECT_TRUE(info.hasJfif);
    EXPECT_EQ(info.width, 40);
    EXPECT_EQ(info.height, 30);
  }
  PrepareState(s, colour, 80, 0, 1);
  test::JpegInfo prog = test::ParseJpeg(EncodeToFile(s, colour, dir.file("p.jpg")));
  EXPECT_EQ(prog.sofMarker, 0xC2);
  EXPECT_GT(prog.scanCount, 1);
}

TEST(EncodeJpeg, QualityAboveHundredIsSeventyFiveAndZeroIsOne) {
  ScratchDir dir;
  TestImage img(24, 24, 24);
  EncoderState s;
  auto encodeAt = [&](int q) {
    PrepareState(s, img, q);
    return EncodeToFile(s, img, dir.file("q.jpg"));
  };
  EXPECT_EQ(encodeAt(150), encodeAt(75));
  EXPECT_EQ(encodeAt(0), encodeAt(1));
  EXPECT_NE(encodeAt(100), encodeAt(75));
}

TEST(EncodeJpeg, DensityFromPixelsPerMetre) {
  ScratchDir dir;
  TestImage img(8, 8, 24);
  EncoderState s;
  struct Case {
    int x, y, unit, dx, dy;
  } cases[] = {{2835, 2835, 1, 72, 72}, {11811, 11811, 1, 300, 300}, {2800, 2800, 1, 71, 71},
               {0, 2835, 0, 1, 1},      {2835, 0, 0, 1, 1},          {3780, 2835, 1, 96, 72}};
  for (const Case& c : cases) {
    PrepareState(s, img, 75);
    s.xPelsPerMeter = c.x;
    s.yPelsPerMeter = c.y;
    test::JpegInfo info = test::ParseJpeg(EncodeToFile(s, img, dir.file("d.jpg")));
    EXPECT_EQ(info.densityUnit, c.unit) << c.x << "x" << c.y;
    EXPECT_EQ(info.xDensity, c.dx);
    EXPECT_EQ(info.yDensity, c.dy);
  }
}

TEST(EncodeJpeg, CommentMarkerRightAfterJfifCutAt10000Bytes) {
  ScratchDir dir;
  TestImage img(8, 8, 24);
  EncoderState s;
  std::string longText(12000, 'c');
  PrepareState(s, img, 75);
  s.comment = longText.c_str();
  test::JpegInfo info = test::ParseJpeg(EncodeToFile(s, img, dir.file("c.jpg")));
  ASSERT_EQ(info.comments.size(), 1u);
  EXPECT_EQ(info.comments[0].size(), 10000u);
  ASSERT_GE(info.segments.size(), 3u);
  EXPECT_EQ(info.segments[0].marker, 0xE0);
  EXPECT_EQ(info.segments[1].marker, 0xFE);
  PrepareState(s, img, 75);
  info = test::ParseJpeg(EncodeToFile(s, img, dir.file("n.jpg")));
  EXPECT_TRUE(info.comments.empty());
}

// ---- the quality search ----

std::vector<int> Passes(int start, int highestFitting, int* chosen = nullptr) {
  std::vector<int> passes;
  int result = 0;
  // Sizes grow with quality: quality q "costs" q bytes, the bound admits highestFitting.
  const bool ok = SearchQualityWithinBound(start, highestFitting, [&](int32_t q, int64_t& bytes) {
    passes.push_back(q);
    bytes = q;
    return true;
  }, result);
  EXPECT_TRUE(ok);
  if (chosen != nullptr) *chosen = result;
  return passes;
}

TEST(SearchQualityWithinBound, PassSequencesOfTheDocumentedExamples) {
  int chosen = 0;
  EXPECT_EQ(Passes(75, 60, &chosen), (std::vector<int>{75, 38, 56, 65, 61, 59, 60, 61, 60}));
  EXPECT_EQ(chosen, 60);
  EXPECT_EQ(Passes(75, 0, &chosen), (std::vector<int>{75, 38, 20, 11, 7, 5, 4, 3, 2, 1}));
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(Passes(75, 80, &chosen), (std::vector<int>{75}));
  EXPECT_EQ(chosen, 75);
  EXPECT_EQ(Passes(1, 0, &chosen), (std::vector<int>{1}));
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(Passes(0, -1, &chosen), (std::vector<int>{0}));
}

TEST(SearchQualityWithinBound, FindsHighestFittingQualityWithinThirteenPasses) {
  for (int start = 1; start <= 100; ++start) {
    for (int fit = 0; fit <= 100; ++fit) {
      int chosen = 0;
      const std::vector<int> passes = Passes(start, fit, &chosen);
      const int want = std::max(1, std::min(start, fit));
      ASSERT_EQ(chosen, want) << "start " << start << " fit " << fit;
      ASSERT_LE(passes.size(), 13u) << "start " << start << " fit " << fit;
      for (int q : passes) ASSERT_TRUE(q >= 1 && q <= start);
    }
  }
}

TEST(SearchQualityWithinBound, AFailedPassEndsTheSearch) {
  int chosen = -1, calls = 0;
  EXPECT_FALSE(SearchQualityWithinBound(75, 10, [&](int32_t, int64_t& bytes) {
    bytes = 1000;
    return ++calls < 3;
  }, chosen));
  EXPECT_EQ(calls, 3);
}

TEST(EncodeWithinSizeBound, WritesTheHighestQualityThatFits) {
  ScratchDir dir;
  TestImage img(300, 200, 24, 7);
  EncoderState s;
  for (int limitKb : {6, 12, 25}) {
    PrepareState(s, img, 90, 0, 1);
    ASSERT_TRUE(EncodeWithinSizeBound(s, dir.file("b.jpg"), img.table, img.pixels.data(), limitKb));
    const int chosen = s.writtenQuality;
    CleanUpEncoderState(s);
    const std::vector<unsigned char> file = test::ReadAll(dir.path() / "b.jpg");
    EXPECT_LE(file.size(), static_cast<size_t>(limitKb) * 1024) << limitKb;
    EXPECT_EQ(test::ParseJpeg(file).sofMarker, 0xC2) << "every pass is progressive";
    // The written file is exactly the encoding at the chosen quality, and one quality more does not fit.
    PrepareState(s, img, chosen, 0, 1);
    EXPECT_EQ(EncodeToFile(s, img, dir.file("at.jpg")), file);
    if (chosen < 90) {
      PrepareState(s, img, chosen + 1, 0, 1);
      EXPECT_GT(EncodeToFile(s, img, dir.file("up.jpg")).size(), static_cast<size_t>(limitKb) * 1024);
    }
  }
}

TEST(EncodeWithinSizeBound, WritesQualityOneWhenNothingFitsAndOnePassWhenTheFirstFits) {
  ScratchDir dir;
  TestImage img(400, 300, 24, 3);
  EncoderState s;
  PrepareState(s, img, 75);
  ASSERT_TRUE(EncodeWithinSizeBound(s, dir.file("tiny.jpg"), img.table, img.pixels.data(), 1));
  EXPECT_EQ(s.writtenQuality, 1);
  CleanUpEncoderState(s);
  EXPECT_GT(std::filesystem::file_size(dir.path() / "tiny.jpg"), 1024u);
  PrepareState(s, img, 75);
  ASSERT_TRUE(EncodeWithinSizeBound(s, dir.file("big.jpg"), img.table, img.pixels.data(), 32767));
  EXPECT_EQ(s.writtenQuality, 75);
  CleanUpEncoderState(s);
}

TEST(EncodeWithinSizeBound, OutputsLargerThanTheUncompressedImageStillSucceed) {
  // 1 x 1 pixel (4 bytes uncompressed) with a 10000-byte comment; and noise at quality 100 4:4:4,
  // whose JPEG exceeds the raw size. The memory passes must grow their buffer, never write past it.
  ScratchDir dir;
  TestImage dot(1, 1, 24);
  EncoderState s;
  std::string comment(10000, 'x');
  PrepareState(s, dot, 75);
  s.comment = comment.c_str();
  ASSERT_TRUE(EncodeWithinSizeBound(s, dir.file("dot.jpg"), dot.table, dot.pixels.data(), 100));
  CleanUpEncoderState(s);
  test::JpegInfo info = test::ParseJpeg(test::ReadAll(dir.path() / "dot.jpg"));
  ASSERT_TRUE(info.valid);
  ASSERT_EQ(info.comments.size(), 1u);
  EXPECT_EQ(info.comments[0].size(), 10000u);

  TestImage noise(16, 16, 24);
  std::mt19937 rng(5);
  for (auto& b : noise.pixels) b = static_cast<unsigned char>(rng());
  PrepareState(s, noise, 100, 2);
  ASSERT_TRUE(EncodeWithinSizeBound(s, dir.file("noise.jpg"), noise.table, noise.pixels.data(), 1000));
  CleanUpEncoderState(s);
  EXPECT_GT(std::filesystem::file_size(dir.path() / "noise.jpg"), noise.pixels.size());
}

TEST(EncodeJpeg, GreySourceIsExpandedOnceAndReleasedAtCleanUp) {
  ScratchDir dir;
  TestImage grey(5, 4, 8);
  EncoderState s;
  PrepareState(s, grey, 75);
  ASSERT_TRUE(EncodeWithinSizeBound(s, dir.file("g.jpg"), grey.table, grey.pixels.data(), 1));
  EXPECT_TRUE(s.convertedPixels);
  EXPECT_EQ(s.convertedPixels.Size(), 16u * 4);
  CleanUpEncoderState(s);
  EXPECT_FALSE(s.convertedPixels);
  EXPECT_FALSE(s.outputFile.IsOpen());
}

TEST(EncodeJpeg, WriteFailuresFailInBothModes) {
  ScratchDir dir;
  TestImage img(64, 64, 24);
  EncoderState s;
  PrepareState(s, img, 75);
  EXPECT_FALSE(EncodeJpeg(s, dir.file("no/such/folder.jpg"), img.table, img.pixels.data()));
  CleanUpEncoderState(s);
  PrepareState(s, img, 75);
  EXPECT_FALSE(EncodeWithinSizeBound(s, dir.file("no/such/folder.jpg"), img.table, img.pixels.data(), 50));
  CleanUpEncoderState(s);
#ifndef _WIN32
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  PrepareState(s, img, 75);
  EXPECT_FALSE(EncodeJpeg(s, L"/dev/full", img.table, img.pixels.data()));
  CleanUpEncoderState(s);
  PrepareState(s, img, 75);
  EXPECT_FALSE(EncodeWithinSizeBound(s, L"/dev/full", img.table, img.pixels.data(), 50));
  CleanUpEncoderState(s);
#endif
}

TEST(ConvertPixelFormat, ExpandsGreyRowsKeepingOrderAndPadding) {
  // Width 5: source rows advance by 8 bytes, target rows by 16; only 5 and 15 bytes of each are used.
  const int w = 5, h = 2;
  std::vector<unsigned char> src(8 * h, 0xEE);
  for (int x = 0; x < w; ++x) {
    src[x] = static_cast<unsigned char>(10 + x);      // bottom row (first in memory)
    src[8 + x] = static_cast<unsigned char>(200 + x);  // top row
  }
  RgbQuad table[256];
  for (int i = 0; i < 256; ++i) table[i] = RgbQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
  PixelConversion conv;
  conv.width = w;
  conv.height = h;
  conv.sourceBitsPerPixel = 8;
  conv.targetBitsPerPixel = 24;
  ComputeRowGeometry(conv);
  ASSERT_EQ(conv.targetRowStride, 16);
  ASSERT_EQ(conv.targetImageBytes, 32);
  std::vector<unsigned char> dst(32, 0);
  ASSERT_TRUE(ConvertPixelFormat(table, dst.data(), conv, src.data()));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const RgbQuad& e = table[src[y * 8 + x]];
      EXPECT_EQ(dst[y * 16 + x * 3], e.blue);
      EXPECT_EQ(dst[y * 16 + x * 3 + 1], e.green);
      EXPECT_EQ(dst[y * 16 + x * 3 + 2], e.red);
    }
    EXPECT_EQ(dst[y * 16 + 15], 0);
  }
  EXPECT_EQ(conv.sourcePixels, src.data());
  EXPECT_EQ(conv.targetPixels, dst.data());
  conv.sourceBitsPerPixel = 24;
  EXPECT_FALSE(ConvertPixelFormat(table, dst.data(), conv, src.data()));
}

}  // namespace
}  // namespace qv
