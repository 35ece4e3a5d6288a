// The rules the windows apply to what they show: field numbers, the size sample, the buttons of a scale
// and a naming rule, the main window's place in the work area, the supported systems, the Send To path,
// and the folder tree's modes, commands and registered folders.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/output_settings_form.h"
#include "forms/preview_fit.h"
#include "forms/send_to_path.h"
#include "forms/tree_rules.h"
#include "forms/window_placement.h"
#include "platform/system_folders.h"
#include "resources/resource.h"

namespace qv {
namespace {

TEST(OutputSettingsForm, FieldNumbersAndTheSizeSample) {
  const struct {
    const wchar_t* text;
    int32_t value;
  } numbers[] = {
      {L"1200", 1200},
      {L"", 0},
      {L"abc", 0},
      {L"-5", -5},
      {L"  +7", 7},
      {L"12abc", 12},
      {L"99999999999", INT32_MAX},
      {L"-99999999999", INT32_MIN},
      {L"-2147483648", INT32_MIN},
      {L"\uFF11\uFF12", 0},  // full-width digits are no digits
  };
  for (const auto& c : numbers) EXPECT_EQ(ParseFieldNumber(c.text), c.value) << c.text;

  const struct {
    int32_t sample, scale;
    int64_t result;
  } samples[] = {
      {1200, 3, 450},
      {1201, 3, 451},
      {1200, 16, 2400},
      {0, 5, 0},
      {-10, 1, 0},  // (-10 + 7) / 8 truncates to 0, not -1
      {99999, INT32_MAX, (99999LL * INT32_MAX + 7) / 8},
  };
  for (const auto& c : samples) EXPECT_EQ(SizeSampleResult(c.sample, c.scale), c.result) << c.sample << " " << c.scale;
}

TEST(OutputSettingsForm, ButtonsOfScalesAndNamingRules) {
  const struct {
    int32_t value;
    int scaleId, namingId;
  } cases[] = {
      {-1, 0, IDC_NAME_INPUT},
      {0, 0, IDC_NAME_INPUT},
      {1, IDC_SCALE_BASE + 1, IDC_NAME_INPUT + 1},
      {2, IDC_SCALE_BASE + 2, IDC_NAME_INPUT + 2},
      {3, IDC_SCALE_BASE + 3, IDC_NAME_INPUT},
      {7, IDC_SCALE_BASE + 7, IDC_NAME_INPUT},
      {8, 0, IDC_NAME_INPUT},  // 8/8 has no button
      {16, IDC_SCALE_BASE + 16, IDC_NAME_INPUT},
      {17, 0, IDC_NAME_INPUT},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScaleButtonId(c.value), c.scaleId) << c.value;
    EXPECT_EQ(NamingButtonId(c.value), c.namingId) << c.value;
  }
}

TEST(WindowPlacement, WindowIsBroughtIntoTheWorkAreaAtItsOwnSize) {
  const ScreenRect work{0, 0, 1000, 800};
  const struct {
    ScreenRect window, area, fitted;
  } cases[] = {
      {{100, 50, 826, 581}, work, {100, 50, 826, 581}},                     // inside: unchanged
      {{-50, -20, 676, 511}, work, {0, 0, 726, 531}},                       // left and top edges
      {{1500, 600, 2226, 1131}, work, {274, 269, 1000, 800}},               // right and bottom edges
      {{-10, 0, 1090, 100}, work, {0, 0, 1100, 100}},                       // wider than the area: the left edge wins
      {{0, -10, 100, 900}, work, {0, 0, 100, 910}},                         // taller: the top edge wins
      {{-900, 10, -100, 110}, {-1280, 0, 0, 1024}, {-900, 10, -100, 110}},  // a monitor left of the first
      {{-100, 10, 700, 110}, {-1280, 0, 0, 1024}, {-800, 10, 0, 110}},
  };
  for (const auto& c : cases) {
    const ScreenRect r = FitIntoWorkArea(c.window, c.area);
    EXPECT_TRUE(r == c.fitted) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
}

TEST(WindowPlacement, OperatingSystemCategories) {
  const struct {
    uint32_t major, minor;
    int category;
  } cases[] = {{4, 10, 0}, {5, 0, 0}, {5, 1, 1}, {5, 2, 0}, {6, 0, 2}, {6, 3, 2}, {7, 0, 3}, {10, 0, 3}};
  for (const auto& c : cases)
    EXPECT_EQ(OperatingSystemCategory(c.major, c.minor), c.category) << c.major << "." << c.minor;
}

TEST(SendToPath, IsTheProgramNameWithLnkInTheGivenFolder) {
  const std::wstring sep(1, kPathSeparator);
  const std::wstring sendTo = sep + L"SendTo";
  const struct {
    std::wstring folder, program, link;
  } cases[] = {
      {sendTo, sep + L"Tools" + sep + L"Quorvix.exe", sendTo + sep + L"Quorvix.lnk"},
      {sendTo + sep, sep + L"v1.2" + sep + L"縮小 ツール.EXE", sendTo + sep + L"縮小 ツール.lnk"},
      {sendTo, sep + L"v1.2" + sep + L"tool",
       sendTo + sep + L"tool.lnk"},  // no extension: the dot of a folder stays out
      {sendTo, sep + L"a" + sep + L"x.y.exe", sendTo + sep + L"x.y.lnk"},
      {sendTo, sep + L"a" + sep + L".hidden", sendTo + sep + L".hidden.lnk"},  // a leading dot is the name
      {L"", sep + L"a" + sep + L"x.exe", L""},
      {sendTo, L"", L""},
      {sendTo, sep + L"a" + sep, L""},
  };
  for (const auto& c : cases) EXPECT_EQ(ShortcutPathIn(c.folder, c.program), c.link) << c.program;
}

TEST(TreeRules, ModeTableAndCursorsWithShiftAndControl) {
  const FolderTargets in{true, false}, out{false, true}, both{true, true};
  const struct {
    int32_t mode;
    bool shift, control;
    FolderTargets targets;
    TreeCursor cursor;
  } cases[] = {
      {0, false, false, in, TreeCursor::kInput},    {0, true, false, in, TreeCursor::kInput},
      {0, false, true, out, TreeCursor::kOutput},   {0, true, true, out, TreeCursor::kOutput},
      {1, false, false, out, TreeCursor::kOutput},  {1, true, false, in, TreeCursor::kInput},
      {1, false, true, out, TreeCursor::kOutput},   {1, true, true, in, TreeCursor::kInput},
      {2, false, false, both, TreeCursor::kBoth},   {2, true, false, in, TreeCursor::kInput},
      {2, false, true, out, TreeCursor::kOutput},   {2, true, true, in, TreeCursor::kInput},
      {7, false, false, both, TreeCursor::kBoth},   {-1, false, true, out, TreeCursor::kOutput},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TargetsOfSelection(c.mode, c.shift, c.control), c.targets) << c.mode << c.shift << c.control;
    EXPECT_EQ(CursorOfMode(c.mode, c.shift, c.control), c.cursor) << c.mode << c.shift << c.control;
  }
}

TEST(TreeRules, CommandsOfEachKindOfNode) {
  const struct {
    TreeNodeSort sort;
    TreeCommands commands;  // open, add, remove, set folders
  } cases[] = {
      {TreeNodeSort::kNone, {false, false, false, false}},
      {TreeNodeSort::kRegisteredRoot, {false, false, false, false}},
      {TreeNodeSort::kNamespaceFolder, {true, true, false, true}},
      {TreeNodeSort::kNamespaceOther, {true, false, false, false}},
      {TreeNodeSort::kRegistered, {true, false, true, true}},
      {TreeNodeSort::kRegisteredSubfolder, {true, true, false, true}},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandsFor(c.sort), c.commands) << static_cast<int>(c.sort);
}

TEST(TreeRules, RegisteredListIsExactBoundedAndMovesUp) {
  std::vector<std::wstring> list;
  EXPECT_EQ(AddToRegisteredList(list, L"C:\\Pics"), AddResult::kAddedFirst);
  EXPECT_EQ(AddToRegisteredList(list, L"C:\\Pics"), AddResult::kAlreadyRegistered);
  EXPECT_EQ(AddToRegisteredList(list, L"C:\\pics"), AddResult::kAdded);  // letter case counts
  EXPECT_EQ(AddToRegisteredList(list, L"D:\\x"), AddResult::kAdded);
  EXPECT_TRUE(RemoveFromRegisteredList(list, L"C:\\Pics"));
  EXPECT_EQ(list, (std::vector<std::wstring>{L"C:\\pics", L"D:\\x"}));
  EXPECT_FALSE(RemoveFromRegisteredList(list, L"C:\\PICS"));
  while (list.size() < kRegisteredFolderSlots) list.push_back(L"F" + std::to_wstring(list.size()));
  EXPECT_EQ(AddToRegisteredList(list, L"E:\\one more"), AddResult::kFull);
  EXPECT_EQ(list.size(), kRegisteredFolderSlots);
  EXPECT_EQ(AddToRegisteredList(list, L"D:\\x"), AddResult::kAlreadyRegistered);
}

TEST(OutputPreviewFit, ClientZoomPlaceAndTitle) {
  // Frames of 3, caption of 22, a 1920 x 1040 work area: 1914 x 1012 are available.
  const PreviewMetrics fullHd{22, 3, 3, 0, 0, 1920, 1040, 112};
  const struct {
    PreviewMetrics metrics;
    int32_t width, height;
    PreviewPlacement expected;  // client w, h, zoom, window x, y, w, h
  } cases[] = {
      {fullHd, 640, 480, {640, 480, 100, 637, 266, 646, 508}},
      {fullHd, 4000, 3000, {1349, 1012, 33, 282, 0, 1355, 1040}},
      // Narrow: the client keeps the minimum width less twice the frame height, centred.
      {fullHd, 20, 2000, {106, 1012, 50, 904, 0, 112, 1040}},
      {fullHd, 0, 0, {106, 0, 100, 904, 506, 112, 28}},
      // A frame wider than high: the minimum client width still takes off twice the frame height.
      {{22, 4, 2, 0, 0, 1920, 1040, 112}, 20, 2000, {108, 1014, 50, 902, 0, 116, 1040}},
  };
  for (const auto& c : cases) {
    const PreviewPlacement p = FitOutputPreview(c.metrics, c.width, c.height);
    const PreviewPlacement& e = c.expected;
    EXPECT_EQ((std::vector<int32_t>{p.clientWidth, p.clientHeight, p.zoom, p.x, p.y, p.width, p.height}),
              (std::vector<int32_t>{e.clientWidth, e.clientHeight, e.zoom, e.x, e.y, e.width, e.height}))
        << c.width << "x" << c.height;
  }
  EXPECT_EQ(OutputPreviewTitle(100, 5000), L"100% / 4KB");
  EXPECT_EQ(OutputPreviewTitle(33, 1300000), L"33% / 1,269KB");
  EXPECT_EQ(OutputPreviewTitle(7, 1023), L"7% / 0KB");
  EXPECT_EQ(OutputPreviewTitle(1, 1024ull * 1234567), L"1% / 1,234,567KB");
}

}  // namespace
}  // namespace qv
