// Memory estimates of one conversion: each part the parameters or the file bring in is counted once, at
// the scale the conversion will use, from the layout in the file's header.
#include <gtest/gtest.h>

#include <functional>

#include "engine/memory_estimate.h"
#include "test_support.h"

namespace qv {
namespace {

// A 4:2:0 colour photo of 4000 x 3000, baseline.
JpegLayout Photo() {
  JpegLayout l;
  l.width = 4000;
  l.height = 3000;
  l.components = 3;
  l.maxH = l.maxV = 2;
  l.h[0] = l.v[0] = 2;
  return l;
}

TEST(MemoryEstimate, CountsEachPartOnceAtTheScaleUsed) {
  ConversionParams base;
  base.ScaleNum = 8;
  base.Sampling = 0;  // 4:2:0 output
  const uint64_t plain = EstimateConversionBytes(Photo(), base);
  const uint64_t block = 12000u * 3000u;  // 24-bit rows of 4000 pixels
  struct Row {
    const char* what;
    std::function<void(ConversionParams&, JpegLayout&)> change;
    int64_t delta;  // against `plain`
  };
  const Row rows[] = {
      {"turned upright: one more block", [](ConversionParams& p, JpegLayout&) { p.AutoRotate = 1; }, block},
      {"size bound: the output in memory", [](ConversionParams& p, JpegLayout&) { p.Limit = 1; }, block},
      {"4:4:4 output: chroma coefficients in full",
       [](ConversionParams& p, JpegLayout&) { p.Sampling = 2; }, 4 * 12000000 - 4 * 12000000 / 4},
      {"progressive input: every coefficient of the file, MCU-rounded",
       [](ConversionParams&, JpegLayout& l) { l.multiScan = true; },
       (500 + 2) * (375 + 2) * 128 + 2 * (250 + 2) * (188 + 2) * 128},
  };
  for (const Row& row : rows) {
    ConversionParams p = base;
    JpegLayout l = Photo();
    row.change(p, l);
    EXPECT_EQ(static_cast<int64_t>(EstimateConversionBytes(l, p)) - static_cast<int64_t>(plain), row.delta) << row.what;
  }
  // A long-edge bound lowers the scale before anything is counted: 1600 needs 3/8 (1500 x 1125), not 4/8.
  ConversionParams bounded = base;
  bounded.MaxEdgeOn = 1;
  bounded.MaxEdge = 1600;
  ConversionParams threeEighths = base;
  threeEighths.ScaleNum = 3;
  EXPECT_EQ(EstimateConversionBytes(Photo(), bounded), EstimateConversionBytes(Photo(), threeEighths));
  EXPECT_LT(EstimateConversionBytes(Photo(), threeEighths), plain / 2);
}

TEST(MemoryEstimate, ReadsTheLayoutFromTheFilesHeader) {
  // s030: progressive 3264 x 2448; a file that is no JPEG gets the small figure of a quick failure.
  ConversionParams params;
  params.ScaleNum = 8;
  const uint64_t photo = EstimateConversionMemory(test::DataFile("s030.jpg"), params);
  EXPECT_GT(photo, 3264u * 2448u * (3 + 3 + 2));  // block, output coefficients, input coefficients
  EXPECT_LT(photo, 3264u * 2448u * (3 + 3 + 6));
  EXPECT_LT(EstimateConversionMemory(test::DataFile("manifest.tsv"), params), 4u << 20);
}

}  // namespace
}  // namespace qv
