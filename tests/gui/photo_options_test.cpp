// The photo options in the real main window: where the group sits on the options page, the options
// written to the settings file at shut-down and shown again by the next window, and runs from the window
// that turn the pixels upright, keep the Exif data and the file time, bound the long edge, and fit the
// photos of a folder tree into a box, mirroring the tree.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "gui_test_support.h"
#include "main_window_fixture.h"
#include "resources/resource.h"
#include "platform/system_folders.h"
#include "settings/settings_file.h"
#include "shell/main_window.h"
#include "ui/controls.h"
#include "ui/message_box.h"
#include "ui/process.h"

namespace qv {
namespace {

using namespace guitest;

constexpr int kPhotoControls[] = {IDC_AUTO_ROTATE, IDC_KEEP_EXIF, IDC_KEEP_ICC,       IDC_KEEP_TIME,
                                  IDC_MAX_EDGE_ON, IDC_MAX_EDGE,  IDC_MAX_EDGE_SPIN,  IDC_FIT_ON,
                                  IDC_FIT_WIDTH,   IDC_FIT_TIMES, IDC_FIT_WIDTH_SPIN, IDC_FIT_HEIGHT,
                                  IDC_FIT_HEIGHT_SPIN, IDC_JPEGLI};
// The number fields with their spins, which sit inside them.
bool IsNumberField(int id) {
  return id == IDC_MAX_EDGE || id == IDC_MAX_EDGE_SPIN || id == IDC_FIT_WIDTH || id == IDC_FIT_WIDTH_SPIN ||
         id == IDC_FIT_HEIGHT || id == IDC_FIT_HEIGHT_SPIN;
}

// ---- reading the outputs --------------------------------------------------------------------------

std::vector<unsigned char> ReadBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned Big16(const unsigned char* p) { return (p[0] << 8) | p[1]; }

struct JpegFacts {
  unsigned width = 0, height = 0;
  bool exif = false;
  std::optional<unsigned> orientation;  // Exif tag 0x0112 of IFD0
};

// The frame size and the Exif orientation, from the markers before the first scan.
JpegFacts ReadJpegFacts(const std::vector<unsigned char>& b) {
  JpegFacts facts;
  size_t i = 2;
  while (i + 4 <= b.size() && b[i] == 0xFF) {
    const unsigned marker = b[i + 1], length = Big16(&b[i + 2]);
    const unsigned char* body = &b[i + 4];
    if (i + 2 + length > b.size() || marker == 0xDA) break;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame && length >= 7) {
      facts.height = Big16(body + 1);
      facts.width = Big16(body + 3);
    }
    if (marker == 0xE1 && length >= 16 && std::string(reinterpret_cast<const char*>(body), 6) == std::string("Exif\0\0", 6)) {
      facts.exif = true;
      const unsigned char* tiff = body + 6;
      const size_t tiffSize = length - 2 - 6;
      const bool little = tiff[0] == 'I';
      auto u16 = [&](size_t at) -> unsigned { return little ? tiff[at] | (tiff[at + 1] << 8) : Big16(tiff + at); };
      auto u32 = [&](size_t at) -> size_t { return little ? u16(at) | (size_t{u16(at + 2)} << 16) : (size_t{u16(at)} << 16) | u16(at + 2); };
      const size_t ifd = u32(4);
      if (ifd + 2 <= tiffSize) {
        const unsigned count = u16(ifd);
        for (unsigned e = 0; e < count && ifd + 2 + 12 * (e + 1) <= tiffSize; ++e)
          if (u16(ifd + 2 + 12 * e) == 0x0112) facts.orientation = u16(ifd + 2 + 12 * e + 8);
      }
    }
    i += 2 + length;
  }
  return facts;
}

FILETIME LastWriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

uint64_t Ticks(FILETIME t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

// ---- fixture --------------------------------------------------------------------------------------

// Each test opens the window itself, on the options page, with the settings it needs.
class PhotoOptionsWindowTest : public guitest::MainWindowFixture {
 protected:
  PhotoOptionsWindowTest() { placement_ = Placement::kStored; }

  void SetUp() override {}

  void OpenWith(const WindowSettings& settings = WindowSettings{}) {
    settings_ = settings;
    Open();
    ASSERT_NE(main_, nullptr);
    main_->SelectTab(2);
    UpdateWindow(window_);
  }

  HWND Page() { return main_->optionsPage().Handle(); }
  HWND Item(int id) { return GetDlgItem(Page(), id); }
  bool Checked(int id) { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
  // Typed, without leaving the field: what a run started at once must see.
  void Type(int id, const std::wstring& text) { SetWindowTextW(Item(id), text.c_str()); }

  // A control's rectangle in the page's client coordinates.
  RECT RectOnPage(int id) {
    RECT r{};
    GetWindowRect(Item(id), &r);
    MapWindowPoints(nullptr, Page(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

};

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT common{};
  return IntersectRect(&common, &a, &b) != FALSE;
}

// ---- layout ---------------------------------------------------------------------------------------

// At the window's fixed size the group lies inside the page below every older control, its controls lie
// inside it without touching one another, and every check box is wide enough for its text.
TEST_F(PhotoOptionsWindowTest, GroupFitsOnThePageWithoutOverlapOrCutText) {
  OpenWith();
  RECT page{};
  GetClientRect(Page(), &page);
  InflateRect(&page, -1, -1);  // the page's frame
  const RECT group = RectOnPage(IDC_PHOTO_GROUP);
  EXPECT_TRUE(Inside(group, page)) << group.bottom << " > " << page.bottom;

  for (HWND child = GetWindow(Page(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    if (id >= IDC_PHOTO_GROUP) continue;
    EXPECT_FALSE(Overlap(RectOnPage(id), group)) << "older control " << id;
  }
  for (size_t i = 0; i < std::size(kPhotoControls); ++i) {
    const int id = kPhotoControls[i];
    const RECT r = RectOnPage(id);
    EXPECT_TRUE(Inside(r, group)) << id;
    for (size_t j = i + 1; j < std::size(kPhotoControls); ++j) {
      if (kPhotoControls[j] == id + 1 && IsNumberField(id) && IsNumberField(id + 1)) continue;  // field and spin
      EXPECT_FALSE(Overlap(r, RectOnPage(kPhotoControls[j]))) << id << " and " << kPhotoControls[j];
    }
    if (IsNumberField(id) || id == IDC_FIT_TIMES) continue;
    const int boxAndGap = GetSystemMetrics(SM_CXMENUCHECK) + 6;
    EXPECT_LE(TextWidthIn(Item(id), WindowText(Item(id))) + boxAndGap, r.right - r.left) << id;
  }
  // Five digits fit beside the spin.
  for (int id : {IDC_MAX_EDGE, IDC_FIT_WIDTH, IDC_FIT_HEIGHT})
    EXPECT_LE(TextWidthIn(Item(id), L"65535") + 6, RectOnPage(id).right - RectOnPage(id).left) << id;
}

// ---- settings -------------------------------------------------------------------------------------

TEST_F(PhotoOptionsWindowTest, OptionsSetInTheWindowAreSavedAtExitAndShownByTheNextWindow) {
  const int fitFields[] = {IDC_FIT_WIDTH, IDC_FIT_WIDTH_SPIN, IDC_FIT_TIMES, IDC_FIT_HEIGHT, IDC_FIT_HEIGHT_SPIN};
  OpenWith();
  for (int id : kPhotoControls) EXPECT_FALSE(Checked(id)) << id;
  for (int id : fitFields) EXPECT_FALSE(IsWindowEnabled(Item(id))) << id;
  EXPECT_EQ(WindowText(Item(IDC_FIT_WIDTH)) + L"x" + WindowText(Item(IDC_FIT_HEIGHT)), L"1920x1080");
  Click(IDC_AUTO_ROTATE);
  Click(IDC_KEEP_ICC);
  Click(IDC_MAX_EDGE_ON);
  Type(IDC_MAX_EDGE, L"1234");
  Click(IDC_FIT_ON);
  for (int id : fitFields) EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
  Type(IDC_FIT_WIDTH, L"800");
  Type(IDC_FIT_HEIGHT, L"99999");  // stored in range at once; shown in range when the field is left
  SendMessageW(Page(), WM_COMMAND, MAKEWPARAM(IDC_FIT_HEIGHT, EN_KILLFOCUS), reinterpret_cast<LPARAM>(Item(IDC_FIT_HEIGHT)));
  EXPECT_EQ(WindowText(Item(IDC_FIT_HEIGHT)), L"65535");
  Type(IDC_FIT_HEIGHT, L"600");
  Close();

  WindowSettings saved;
  LoadConversionParams(scratch_.file(L"Quorvix.ini"), saved.params);
  const ConversionParams& p = saved.params;
  EXPECT_EQ(std::vector<int>({p.AutoRotate, p.KeepExif, p.KeepIcc, p.KeepTime, p.MaxEdgeOn, p.MaxEdge, p.FitOn,
                              p.FitWidth, p.FitHeight}),
            std::vector<int>({1, 0, 1, 0, 1, 1234, 1, 800, 600}));

  OpenWith(saved);
  EXPECT_TRUE(Checked(IDC_AUTO_ROTATE));
  EXPECT_FALSE(Checked(IDC_KEEP_EXIF));
  EXPECT_TRUE(Checked(IDC_KEEP_ICC));
  EXPECT_FALSE(Checked(IDC_KEEP_TIME));
  EXPECT_TRUE(Checked(IDC_MAX_EDGE_ON));
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_MAX_EDGE)));
  EXPECT_EQ(WindowText(Item(IDC_MAX_EDGE)), L"1234");
  EXPECT_TRUE(Checked(IDC_FIT_ON));
  for (int id : fitFields) EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
  EXPECT_EQ(WindowText(Item(IDC_FIT_WIDTH)) + L"x" + WindowText(Item(IDC_FIT_HEIGHT)), L"800x600");
  Click(IDC_FIT_ON);
  for (int id : fitFields) EXPECT_FALSE(IsWindowEnabled(Item(id))) << id;
}

// ---- a run ----------------------------------------------------------------------------------------

// Both inputs carry orientation 6 (turned a quarter clockwise): the outputs are upright, so width and
// height swap, at 8/8 or at the largest N/8 whose long edge fits the bound (sizes rounded up, as the
// decoder scales). The Exif data goes along with orientation 1, and the output keeps the input's time.
TEST_F(PhotoOptionsWindowTest, RunFromTheWindowTurnsKeepsExifAndTimeAndBoundsTheLongEdge) {
  struct Expected {
    const wchar_t* name;
    unsigned width, height;
  };
  const struct {
    bool bounded;
    const wchar_t* bound;
    Expected outputs[2];
  } cases[] = {
      {false, L"", {{L"s041.jpg", 231, 308}, {L"s044.jpg", 91, 150}}},
      {true, L"308", {{L"s041.jpg", 231, 308}, {L"s044.jpg", 91, 150}}},  // a long edge equal to the bound fits
      {true, L"100", {{L"s041.jpg", 58, 77}, {L"s044.jpg", 57, 94}}},     // 2/8 and 5/8
  };
  // An input time far from now, so that an output written now cannot match it by chance.
  SYSTEMTIME old{2001, 2, 6, 3, 4, 5, 6, 0};
  FILETIME oldTime{};
  SystemTimeToFileTime(&old, &oldTime);

  WindowSettings settings;
  settings.params.ScaleNum = 8;
  settings.stored.options.EndMes = 0;
  OpenWith(settings);
  Click(IDC_AUTO_ROTATE);
  Click(IDC_KEEP_EXIF);
  Click(IDC_KEEP_TIME);
  int round = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "bound " << (c.bounded ? std::string(c.bound, c.bound + wcslen(c.bound)) : "off"));
    const std::wstring in = scratch_.folder(L"in" + std::to_wstring(round));
    const std::wstring out = scratch_.folder(L"out" + std::to_wstring(round++));
    for (const Expected& e : c.outputs) {
      const std::wstring input = in + L"\\" + e.name;
      ASSERT_TRUE(guitest::CopyDataFile(e.name, input));
      HANDLE file = CreateFileW(input.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      SetFileTime(file, nullptr, nullptr, &oldTime);
      CloseHandle(file);
    }
    if (c.bounded != Checked(IDC_MAX_EDGE_ON)) Click(IDC_MAX_EDGE_ON);
    if (c.bounded) Type(IDC_MAX_EDGE, c.bound);
    main_->SetInputFolder(in);
    main_->SetOutputFolder(out);
    Convert();

    for (const Expected& e : c.outputs) {
      SCOPED_TRACE(testing::Message() << std::string(e.name, e.name + wcslen(e.name)));
      const std::wstring output = out + L"\\" + e.name;
      const JpegFacts facts = ReadJpegFacts(ReadBytes(output));
      EXPECT_EQ(facts.width, e.width);
      EXPECT_EQ(facts.height, e.height);
      EXPECT_TRUE(facts.exif);
      EXPECT_EQ(facts.orientation.value_or(1), 1u);
      EXPECT_EQ(Ticks(LastWriteTime(output)), Ticks(LastWriteTime(in + L"\\" + e.name)));
      EXPECT_EQ(Ticks(LastWriteTime(output)), Ticks(oldTime));
    }
  }
}

// The input list takes in the folder's tree (the switch on the input page) and every photo is fitted into
// 100 x 100: the outputs land in the same sub-folders of the output folder, a Japanese name included,
// and an empty sub-folder is not made. A photo smaller than the box keeps its size.
TEST_F(PhotoOptionsWindowTest, RunFromTheWindowFitsTheTreesPhotosAndMirrorsTheTree) {
  const std::wstring in = scratch_.folder(L"in");
  const std::wstring out = scratch_.folder(L"out");
  for (const wchar_t* sub : {L"写真", L"写真\\二〇二四", L"空"}) CreateDirectoryW((in + L"\\" + sub).c_str(), nullptr);
  const struct {
    const wchar_t* input;  // below the input folder; the output has the same path below the output folder
    unsigned width, height;
  } files[] = {
      {L"s041.jpg", 100, 75},                  // 308 x 231
      {L"写真\\s044.jpg", 100, 61},             // 150 x 91
      {L"写真\\二〇二四\\s009.jpg", 80, 80},  // smaller than the box: its own size
  };
  for (const auto& f : files) ASSERT_TRUE(guitest::CopyDataFile(LastPathComponent(f.input), in + L"\\" + f.input));

  WindowSettings settings;
  settings.params.ScaleNum = 8;
  settings.stored.options.EndMes = 0;
  OpenWith(settings);
  SendMessageW(GetDlgItem(main_->inputPage().Handle(), IDC_SUB_FOLDERS), BM_CLICK, 0, 0);
  Click(IDC_FIT_ON);
  Type(IDC_FIT_WIDTH, L"100");
  Type(IDC_FIT_HEIGHT, L"100");
  main_->SetInputFolder(in);
  main_->SetOutputFolder(out);
  EXPECT_EQ(main_->inputPage().Rows().size(), std::size(files));
  Convert();

  int index = 0;
  for (const auto& f : files) {
    const JpegFacts facts = ReadJpegFacts(ReadBytes(out + L"\\" + f.input));
    EXPECT_EQ(std::vector<unsigned>({facts.width, facts.height}), std::vector<unsigned>({f.width, f.height}))
        << "file " << index++;
  }
  EXPECT_EQ(GetFileAttributesW((out + L"\\空").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace qv
