// The colours of the window's own surfaces: fixed in the normal theme, the system's under high contrast.
#include <gtest/gtest.h>

#include "forms/colour_rules.h"

namespace qv {
namespace {

// Distinct system colours, so that a role that takes the wrong one is caught.
SystemColours DistinctSystemColours() {
  SystemColours colours{};
  for (size_t i = 0; i < colours.size(); ++i) colours[i] = MakeColour(0x10 * static_cast<unsigned>(i + 1), 0x01, 0x02);
  return colours;
}

ColourValue System(const SystemColours& colours, SystemColour which) { return colours[static_cast<size_t>(which)]; }

TEST(ColourRules, NormalThemeKeepsTheFixedColoursAndHighContrastTakesTheSystemOnes) {
  const SystemColours sys = DistinctSystemColours();
  const struct {
    ColourRole role;
    ColourValue normal;
    SystemColour contrast;
  } kCases[] = {
      {ColourRole::kPageBackground, 0xFFFFFF, SystemColour::kWindow},
      {ColourRole::kPageText, 0x000000, SystemColour::kWindowText},
      {ColourRole::kPageFrame, 0xE0E0E0, SystemColour::kButtonShadow},
      {ColourRole::kMenuSelection, 0xFFFFE8, SystemColour::kHighlight},
      {ColourRole::kMenuSelectionFrame, 0x909048, SystemColour::kHighlightText},
      {ColourRole::kMenuSelectionText, System(sys, SystemColour::kMenuText), SystemColour::kHighlightText},
      {ColourRole::kMenuCheckBox, 0xFFFFFF, SystemColour::kMenu},
      {ColourRole::kMenuCheckMark, 0xC060C0, SystemColour::kMenuText},
      {ColourRole::kLink, 0xFF0000, SystemColour::kHotLight},
  };
  for (const auto& c : kCases) {
    const int role = static_cast<int>(c.role);
    EXPECT_EQ(ColourOf(c.role, false, sys), c.normal) << role;
    EXPECT_EQ(ColourOf(c.role, true, sys), System(sys, c.contrast)) << role;
  }
}

// A high-contrast scheme is followed whatever its colours: a white-on-black one and a black-on-white one
// give text and background that differ, where the fixed colours would have left white text on white.
TEST(ColourRules, TextStaysReadableOnItsBackgroundInEitherContrastScheme) {
  for (const bool dark : {true, false}) {
    SystemColours sys{};
    const ColourValue back = dark ? 0x000000 : 0xFFFFFF;
    const ColourValue fore = dark ? 0xFFFFFF : 0x000000;
    sys[static_cast<size_t>(SystemColour::kWindow)] = back;
    sys[static_cast<size_t>(SystemColour::kWindowText)] = fore;
    sys[static_cast<size_t>(SystemColour::kHighlight)] = 0x00FFFF;
    sys[static_cast<size_t>(SystemColour::kHighlightText)] = 0x000000;
    EXPECT_NE(ColourOf(ColourRole::kPageText, true, sys), ColourOf(ColourRole::kPageBackground, true, sys)) << dark;
    EXPECT_NE(ColourOf(ColourRole::kMenuSelectionText, true, sys), ColourOf(ColourRole::kMenuSelection, true, sys))
        << dark;
  }
}

}  // namespace
}  // namespace qv
