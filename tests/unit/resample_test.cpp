// Fitting into a box: the sizes, the N/8 decode chosen before resampling (at least twice the target), and the resampler's filter
// against values that a point sampler, a box filter or filtering the stored (sRGB) values would miss.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "engine/decoded_image.h"
#include "engine/memory_estimate.h"
#include "engine/resample.h"

namespace qv {
namespace {

TEST(FitIntoBox, AspectKeptNeverEnlargedAtLeastOnePixel) {
  struct Case {
    int64_t w, h;
    int32_t boxW, boxH;
    PictureSize expected;
  } cases[] = {
      {4000, 3000, 1920, 1080, {1440, 1080}},  // landscape, height binds
      {3000, 4000, 1920, 1080, {810, 1080}},   // portrait
      {6000, 2000, 1920, 1080, {1920, 640}},   // panorama, width binds
      {800, 600, 1920, 1080, {800, 600}},      // already smaller: unchanged
      {1920, 1080, 1920, 1080, {1920, 1080}},  // exactly the box
      {3840, 2160, 960, 540, {960, 540}},      // same aspect
      {1001, 999, 1, 1, {1, 1}},               // one pixel
      {1000, 3, 100, 100, {100, 1}},           // 0.3 px rounds up to the one pixel
      {333, 1000, 100, 100, {33, 100}},        // 33.3 rounds to 33
      {335, 1000, 100, 100, {34, 100}},        // 33.5 rounds up
      {65535, 1, 65535, 65535, {65535, 1}},
  };
  for (const Case& c : cases) {
    const PictureSize got = FitIntoBox(c.w, c.h, c.boxW, c.boxH);
    EXPECT_EQ(got.width, c.expected.width) << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
    EXPECT_EQ(got.height, c.expected.height) << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
  }
}

TEST(PlanScale, SmallestDecodeAtLeastTheTargetAndTheSmallerOfFitAndLongEdge) {
  struct Case {
    int64_t w, h;
    int32_t chosen, edge, boxW, boxH;
    int32_t scaleNum;
    PictureSize resampleTo;  // 0 x 0: none
  } cases[] = {
      {4000, 3000, 1, 0, 0, 0, 1, {}},                   // no box: the scale as chosen
      {4000, 3000, 8, 1600, 0, 0, 3, {}},                // no box: the long-edge rule as before
      {4000, 3000, 1, 0, 1920, 1080, 6, {1440, 1080}},   // 6/8 = 3000 x 2250 is the smallest at least 2 x 1440 x 1080
      {4000, 3000, 1, 0, 2000, 1500, 8, {2000, 1500}},   // 4/8 would be the size: decoded at twice it all the same
      {800, 600, 1, 0, 1920, 1080, 8, {}},               // smaller than the box: full size
      {4000, 3000, 1, 1000, 1920, 1080, 2, {}},          // long edge 1000 (2/8) is smaller than 1440: it wins
      {4000, 3000, 1, 1500, 1920, 1080, 6, {1440, 1080}}, // 1500 (3/8) is larger than 1440: the fit wins
      {4000, 3000, 1, 1440, 1440, 1440, 2, {}},          // 1000 (2/8) < 1440: the long-edge result
      {9, 7, 1, 0, 1, 1, 2, {}},                         // 2/8 of 9 x 7 is 3 x 2 ... and 1 x 1 is wanted
  };
  cases[8].resampleTo = {1, 1};
  for (const Case& c : cases) {
    const ScalePlan plan = PlanScale(c.w, c.h, c.chosen, c.edge, c.boxW, c.boxH);
    EXPECT_EQ(plan.scaleNum, c.scaleNum) << c.w << "x" << c.h << " box " << c.boxW << "x" << c.boxH << " edge " << c.edge;
    EXPECT_TRUE(plan.resampleTo == c.resampleTo)
        << c.w << "x" << c.h << " box " << c.boxW << "x" << c.boxH << ": " << plan.resampleTo.width << "x"
        << plan.resampleTo.height;
  }
}

// A bottom-up bitmap of `width` x `height` whose sample (x, y from the top, channel c) is `value`.
std::vector<unsigned char> Bitmap(int32_t width, int32_t height, int bits, const std::function<int(int, int, int)>& value) {
  const int64_t stride = RowStride(width, bits);
  std::vector<unsigned char> pixels(static_cast<size_t>(stride * height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < bits / 8; ++c)
        pixels[static_cast<size_t>((height - 1 - y) * stride + x * (bits / 8) + c)] =
            static_cast<unsigned char>(value(x, y, c));
  return pixels;
}

int SampleAt(const PixelBlock& block, int32_t width, int32_t height, int bits, int x, int y, int c) {
  return block.Data()[(height - 1 - y) * RowStride(width, bits) + x * (bits / 8) + c];
}

TEST(ResamplePixels, FlatPicturesStayExactlyFlatAtEverySize) {
  for (int bits : {8, 24}) {
    for (PictureSize from : {PictureSize{7, 5}, PictureSize{1, 1}, PictureSize{300, 2}, PictureSize{64, 64}}) {
      for (PictureSize to : {PictureSize{3, 2}, PictureSize{1, 1}, PictureSize{5, 7}, PictureSize{1, 40}}) {
        const auto source = Bitmap(from.width, from.height, bits, [](int, int, int c) { return 40 + 70 * c; });
        const PixelBlock out = ResamplePixels(source.data(), from.width, from.height, bits, to);
        ASSERT_TRUE(out);
        ASSERT_EQ(out.Size(), static_cast<size_t>(RowStride(to.width, bits) * to.height));
        for (int y = 0; y < to.height; ++y)
          for (int x = 0; x < to.width; ++x)
            for (int c = 0; c < bits / 8; ++c)
              ASSERT_EQ(SampleAt(out, to.width, to.height, bits, x, y, c), 40 + 70 * c)
                  << bits << " bits " << from.width << "x" << from.height << " -> " << to.width << "x" << to.height;
      }
    }
  }
}

// Stripes one pixel white and two black, shrunk to half: their frequency (1/3 per pixel) is beyond what
// the half-size grid can hold (1/4), so a proper filter leaves an even grey of the mean light, a third of
// white: sRGB code 156 (give or take what the kernel lets through). A point sampler keeps 0 and 255, a two-pixel box alternates 188, 188 and 0, and a
// filter of the stored codes gives 85.
TEST(ResamplePixels, StripesBeyondTheNewGridBecomeAnEvenGreyOfTheirMeanLight) {
  struct Case {
    bool acrossRows;  // stripes vary along x (columns) or along y
    int bits;
  } cases[] = {{true, 24}, {false, 24}, {true, 8}, {false, 8}};
  for (const Case& c : cases) {
    const int32_t long_ = 240, short_ = 12;
    const int32_t w = c.acrossRows ? long_ : short_, h = c.acrossRows ? short_ : long_;
    const auto source = Bitmap(w, h, c.bits, [&](int x, int y, int) { return (c.acrossRows ? x : y) % 3 == 0 ? 255 : 0; });
    const PictureSize to{c.acrossRows ? w / 2 : w, c.acrossRows ? h : h / 2};
    const PixelBlock out = ResamplePixels(source.data(), w, h, c.bits, to);
    ASSERT_TRUE(out);
    int lowest = 255, highest = 0;
    // Away from the edges, where the renormalised taps see only one side of the pattern.
    for (int i = 6; i < long_ / 2 - 6; ++i) {
      const int x = c.acrossRows ? i : to.width / 2, y = c.acrossRows ? to.height / 2 : i;
      for (int ch = 0; ch < c.bits / 8; ++ch) {
        lowest = std::min(lowest, SampleAt(out, to.width, to.height, c.bits, x, y, ch));
        highest = std::max(highest, SampleAt(out, to.width, to.height, c.bits, x, y, ch));
      }
    }
    EXPECT_GE(lowest, 146) << (c.acrossRows ? "columns " : "rows ") << c.bits;
    EXPECT_LE(highest, 166) << (c.acrossRows ? "columns " : "rows ") << c.bits;
  }
}

// A sharp edge keeps its place and its steepness: the Lanczos kernel's negative lobes make the step
// within two output pixels (a box or a tent smears it over more), with a little overshoot on both sides.
TEST(ResamplePixels, AnEdgeStaysSharpWithTheKernelsOvershoot) {
  const auto source = Bitmap(200, 4, 8, [](int x, int, int) { return x < 100 ? 60 : 190; });
  const PictureSize to{50, 1};
  const PixelBlock out = ResamplePixels(source.data(), 200, 4, 8, to);
  ASSERT_TRUE(out);
  std::vector<int> row;
  for (int x = 0; x < 50; ++x) row.push_back(SampleAt(out, 50, 1, 8, x, 0, 0));
  EXPECT_EQ(row[10], 60);
  EXPECT_EQ(row[40], 190);
  EXPECT_LT(*std::min_element(row.begin(), row.end()), 60);   // undershoot before the step
  EXPECT_GT(*std::max_element(row.begin(), row.end()), 190);  // overshoot after it
  EXPECT_LT(row[23], 70);
  EXPECT_GT(row[26], 180);
}

TEST(ResamplePixels, RefusesWhatItCannotDo) {
  const auto source = Bitmap(4, 4, 24, [](int, int, int) { return 0; });
  EXPECT_FALSE(ResamplePixels(source.data(), 4, 4, 32, {2, 2}));
  EXPECT_FALSE(ResamplePixels(source.data(), 4, 4, 24, {0, 2}));
  EXPECT_FALSE(ResamplePixels(nullptr, 4, 4, 24, {2, 2}));
  EXPECT_FALSE(ResamplePixels(source.data(), 4, 4, 24, {kMaxDecodedSide + 1, 2}));
}

TEST(MemoryEstimate, AFittedPhotoCountsTheResamplersCopyAndRows) {
  JpegLayout layout;
  layout.width = 4000, layout.height = 3000, layout.components = 3;
  ConversionParams scaled;
  scaled.ScaleNum = 6;  // the decode a 1440 x 1080 fit makes
  ConversionParams fitted;
  fitted.FitOn = 1, fitted.FitWidth = 1920, fitted.FitHeight = 1080;
  const uint64_t extra = EstimateConversionBytes(layout, fitted) - EstimateConversionBytes(layout, scaled);
  EXPECT_GE(extra, ResampleWorkingBytes(3000, 2250, 24, {1440, 1080}));
  EXPECT_GE(ResampleWorkingBytes(3000, 2250, 24, {1440, 1080}), static_cast<uint64_t>(RowStride(1440, 24)) * 1080);
  // Fitting the box either way round under --auto-rotate: the larger of the two.
  fitted.AutoRotate = 1;
  fitted.FitWidth = 1080, fitted.FitHeight = 1920;
  EXPECT_GE(EstimateConversionBytes(layout, fitted), EstimateConversionBytes(layout, scaled) + extra);
}

}  // namespace
}  // namespace qv
