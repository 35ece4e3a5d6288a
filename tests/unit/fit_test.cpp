// Placement of a picture in the 200 x 200 preview box: size, centring and the margins painted around it.
#include "preview/fit.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

struct FitCase {
  int32_t imageWidth, imageHeight;
  int32_t x, y, width, height;
};

class FitInPreviewBox : public testing::TestWithParam<FitCase> {};

TEST_P(FitInPreviewBox, PlacesImage) {
  const FitCase& c = GetParam();
  const FittedImage fit = FitImageInBox(200, 200, c.imageWidth, c.imageHeight);
  EXPECT_EQ(fit.x, c.x);
  EXPECT_EQ(fit.y, c.y);
  EXPECT_EQ(fit.width, c.width);
  EXPECT_EQ(fit.height, c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitInPreviewBox,
    testing::Values(
        // Small enough: own size, centred.
        FitCase{150, 100, 25, 50, 150, 100},
        FitCase{200, 200, 0, 0, 200, 200},
        FitCase{1, 1, 99, 99, 1, 1},
        // Landscape: width limits; 200 * 16384 / 4000 = 819, (819 * 3000) >> 14 = 149.
        FitCase{4000, 3000, 0, 25, 200, 149},
        // Portrait mirrors it: height limits.
        FitCase{3000, 4000, 25, 0, 149, 200},
        // Extreme strips keep at least one pixel across.
        FitCase{10000, 10, 0, 99, 200, 1},
        FitCase{10, 10000, 99, 0, 1, 200},
        // Equal ratios take the height-limited branch and still fill the box.
        FitCase{400, 400, 0, 0, 200, 200},
        // Only one side too large: the other shrinks with it; the truncated ratio can lose a pixel.
        FitCase{100, 400, 75, 0, 50, 200},
        FitCase{201, 200, 0, 1, 200, 198}));

TEST(FitMargins, BandsAroundLandscapeImage) {
  const FittedImage fit = FitImageInBox(200, 200, 4000, 3000);
  const auto bands = MarginsAround(fit, 200, 200);
  EXPECT_TRUE(bands[0].IsEmpty());
  EXPECT_TRUE(bands[1].IsEmpty());
  EXPECT_EQ(bands[2].bottom - bands[2].top, 25);  // above
  EXPECT_EQ(bands[3].bottom - bands[3].top, 26);  // below
  EXPECT_EQ(bands[3].right - bands[3].left, 200);
}

TEST(FitMargins, ImageAndBandsTileTheBoxExactly) {
  const int32_t sizes[][2] = {{150, 100}, {4000, 3000}, {3000, 4000}, {10000, 10}, {10, 10000}, {7, 199}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
    const FittedImage fit = FitImageInBox(200, 200, size[0], size[1]);
    int64_t covered = int64_t{fit.width} * fit.height;
    for (const PixelRect& band : MarginsAround(fit, 200, 200)) {
      if (band.IsEmpty()) continue;
      // A band never reaches into the image.
      const bool apart = band.right <= fit.x || band.left >= fit.x + fit.width || band.bottom <= fit.y ||
                         band.top >= fit.y + fit.height;
      EXPECT_TRUE(apart);
      covered += int64_t{band.right - band.left} * (band.bottom - band.top);
    }
    EXPECT_EQ(covered, 200 * 200);
  }
}

}  // namespace
}  // namespace qv
