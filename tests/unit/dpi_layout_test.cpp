// The DPI arithmetic of the window layout.
#include "forms/dpi_layout.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

// MulDiv(px, dpi, 96): half away from zero, identity at 96.
TEST(DpiLayout, ScalesAsMulDivRounds) {
  const struct {
    int px96, dpi, expected;
  } kCases[] = {
      {720, 96, 720}, {720, 120, 900}, {720, 144, 1080}, {720, 192, 1440},  // whole multiples
      {13, 144, 20},                                                        // 19.5 rounds up
      {1, 120, 1},                                                          // 1.25
      {3, 120, 4},                                                          // 3.75
      {-3, 144, -5},                                                        // -4.5: away from zero
      {-1, 120, -1},                                                        // -1.25
      {0, 192, 0},
  };
  for (const auto& c : kCases) EXPECT_EQ(ScaleForDpi(c.px96, c.dpi), c.expected) << c.px96 << " at " << c.dpi;
}

// A measured length brought back to 96 DPI never scales back to less than it was.
TEST(DpiLayout, UnscaledLengthsCoverTheMeasuredOnes) {
  for (int dpi : {96, 120, 144, 168, 192})
    for (int px = 0; px < 400; ++px) {
      const int px96 = UnscaleForDpi(px, dpi);
      EXPECT_GE(ScaleForDpi(px96, dpi), px) << px << " at " << dpi;
      EXPECT_LE(px96, px) << px << " at " << dpi;
    }
}

TEST(DpiLayout, ControlsWidenOnlyAwayFrom96) {
  EXPECT_EQ(WidthForText(118, 120, 17, 96), 118);   // the 96-DPI layout stands as made
  EXPECT_EQ(WidthForText(177, 162, 23, 144), 185);  // cut at 144: widened to text and box
  EXPECT_EQ(WidthForText(177, 100, 23, 144), 177);  // fits: the scaled width
  EXPECT_EQ(WidthForText(177, 0, 23, 144), 177);    // no text
}

TEST(DpiLayout, ColumnsShareTheListWidth) {
  int widths[3] = {134, 63, 78};
  ShareColumns(widths, 3, 2, 92, 12, 0, 275, 40);
  EXPECT_EQ(widths[2], 104);
  EXPECT_EQ(widths[0], 275 - 63 - 104);
  int wide[3] = {134, 63, 120};  // wide enough already: kept
  ShareColumns(wide, 3, 2, 92, 12, 0, 275, 40);
  EXPECT_EQ(wide[2], 120);
  EXPECT_EQ(wide[0], 92);
  int narrow[2] = {100, 100};  // the flexible column keeps its minimum even past the list's width
  ShareColumns(narrow, 2, 1, 300, 10, 0, 200, 60);
  EXPECT_EQ(narrow[1], 310);
  EXPECT_EQ(narrow[0], 60);
}

}  // namespace
}  // namespace qv
