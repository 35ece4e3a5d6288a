// The window at every display scale. The gui stage runs these tests at 96, 120, 144 and 192 DPI (the
// LogPixels of the prefix): at 96 the layout is exactly the table kept beside the tests (taken from the
// program before it scaled anything); at every DPI each control stands at the table's place scaled, unless
// it was widened for its text, and every label, check box and radio button shows its whole text.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <map>
#include <sstream>

#include "forms/dpi_layout.h"
#include "gui_test_support.h"
#include "main_window_fixture.h"
#include "layout_table.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "ui/dpi.h"
#include "ui/process.h"

namespace qv {
namespace {

using guitest::LayoutLine;

std::wstring TableDir() { return guitest::WindowsPath(QV_GUI_TESTS_DIR); }

std::vector<std::wstring> Formatted(const std::vector<LayoutLine>& table) {
  std::vector<std::wstring> lines;
  for (const LayoutLine& line : table) lines.push_back(guitest::FormatLine(line));
  return lines;
}

// One control of the table kept beside the tests: its id path and its rectangle at 96 DPI.
struct TableControl {
  std::vector<int> ids;
  std::wstring cls;
  RECT rect{};  // in the top-level client area
};

std::map<std::wstring, TableControl> ReadTable() {
  std::map<std::wstring, TableControl> controls;
  for (const std::wstring& line : guitest::ReadLayoutTable(TableDir() + L"\\layout-96.txt")) {
    std::wstringstream in(line);
    std::wstring path;
    TableControl c;
    int w = 0, h = 0;
    in >> path >> c.cls >> c.rect.left >> c.rect.top >> w >> h;
    if (path == L"client") continue;
    c.rect.right = c.rect.left + w;
    c.rect.bottom = c.rect.top + h;
    std::wstringstream ids(path);
    for (std::wstring id; std::getline(ids, id, L'/');) c.ids.push_back(std::stoi(id));
    controls[path] = c;
  }
  return controls;
}

HWND Find(HWND top, const std::vector<int>& ids) {
  HWND w = top;
  for (int id : ids) w = w != nullptr ? GetDlgItem(w, id) : nullptr;
  return w;
}

RECT RectIn(HWND window, HWND reference) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int FontHeight(HWND window) {
  LOGFONTW lf{};
  auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  return font != nullptr && GetObjectW(font, sizeof(lf), &lf) != 0 ? lf.lfHeight : 0;
}

// Labels (but those that end in an ellipsis), check boxes and radio buttons: what must show its text;
// the second figure is what the control needs beside the text.
bool ShowsWholeText(HWND control, UINT dpi, int& chrome) {
  const std::wstring cls = guitest::ClassName(control);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  chrome = 0;
  if (cls == WC_STATICW) return (style & SS_ELLIPSISMASK) == 0 && (style & SS_TYPEMASK) <= SS_RIGHT;
  if (cls != WC_BUTTONW) return false;
  const LONG type = style & BS_TYPEMASK;
  if (type != BS_AUTOCHECKBOX && type != BS_CHECKBOX && type != BS_AUTORADIOBUTTON && type != BS_RADIOBUTTON)
    return false;
  chrome = GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi);
  return true;
}

// Controls whose place the window measures from a text at the DPI (a label as wide as its text and the
// controls after it on its row): not a scaled figure.
bool PlacedForText(int id) {
  for (int placed : {IDC_SIZE_SAMPLE_RESULT, IDC_SIZE_SAMPLE_UNIT, IDC_ALL_CHECKS_LABEL, IDC_ALL_ON, IDC_ALL_OFF,
                     IDC_TOTAL_LABEL, IDC_TOTAL_COUNT})
    if (id == placed) return true;
  return false;
}

class DpiMainWindow : public guitest::MainWindowFixture {
 protected:
  DpiMainWindow() { placement_ = Placement::kStored; }

  // Every control of the table at its place scaled for `dpi`, measured from its parent (whose own place
  // may come from a control's inner metrics, as a page's from its tab control): within a pixel of
  // rounding; wider only where its text needs it; check boxes and labels wide enough for their text.
  void ExpectLaidOutFor(UINT dpi) {
    const int d = static_cast<int>(dpi);
    const auto table = ReadTable();
    ASSERT_FALSE(table.empty());
    for (const auto& [path, c] : table) {
      SCOPED_TRACE(testing::Message() << std::string(path.begin(), path.end()) << " at " << dpi);
      HWND control = Find(window_, c.ids);
      ASSERT_NE(control, nullptr);
      HWND parent = GetParent(control);
      if (c.ids.size() < 2 || (c.cls == L"Edit" && guitest::ClassName(parent) == WC_COMBOBOXW)) continue;  // sized by the combo
      if (c.cls == WC_HEADERW || c.cls == L"Quorvix_tabbase_class") continue;  // sized by their controls
      if (PlacedForText(c.ids.back())) continue;
      std::vector<int> parentIds(c.ids.begin(), c.ids.end() - 1);
      std::wstring parentPath;
      for (int id : parentIds) parentPath += (parentPath.empty() ? L"" : L"/") + std::to_wstring(id);
      const RECT parent96 = table.at(parentPath).rect;
      const RECT r = RectIn(control, parent);
      const int x96 = c.rect.left - parent96.left, y96 = c.rect.top - parent96.top;
      // A spin sits on its field's border, which the system draws at the same width at every DPI.
      const int slack = c.cls == UPDOWN_CLASSW ? ScaleForDpi(2, d) - 2 + 1 : 1;
      EXPECT_NEAR(r.left, ScaleForDpi(x96, d), slack);
      EXPECT_NEAR(r.top, ScaleForDpi(y96, d), 1);
      const int width = r.right - r.left, expectedWidth = ScaleForDpi(c.rect.right - c.rect.left, d);
      int chrome = 0;
      const bool textControl = ShowsWholeText(control, dpi, chrome);
      if (textControl && width > expectedWidth + 1) {
        EXPECT_NE(dpi, 96u) << "widened at 96 DPI";
        EXPECT_GT(TextWidthIn(control, guitest::WindowText(control)) + chrome, expectedWidth) << "widened for nothing";
      } else if (c.cls != L"Edit" || guitest::ClassName(GetWindow(control, GW_HWNDNEXT)) != UPDOWN_CLASSW) {
        EXPECT_NEAR(width, expectedWidth, 1);  // a field with a spin gives the spin its right end
      }
      if (c.cls != WC_COMBOBOXW) {
        EXPECT_NEAR(r.bottom - r.top, ScaleForDpi(c.rect.bottom - c.rect.top, d), 1);
      }
      if (textControl && !guitest::WindowText(control).empty()) {
        EXPECT_LE(TextWidthIn(control, guitest::WindowText(control)) + chrome, width) << "text cut";
      }
      if (c.cls != L"Quorvix_trbase_class" && c.cls != L"Quorvix_mnbase_class" && c.cls != L"Quorvix_isetprv_class" &&
          c.cls != UPDOWN_CLASSW && c.cls != PROGRESS_CLASSW) {
        EXPECT_EQ(FontHeight(control), -ScaleForDpi(12, d));
      }
    }
    // The time column shows a whole time; the name column takes what is left of the list, but never less
    // than 100 pixels scaled (the list scrolls sideways then).
    HWND list = main_->inputPage().List();
    RECT client{};
    GetClientRect(list, &client);
    const int name = ListView_GetColumnWidth(list, 0), size = ListView_GetColumnWidth(list, 1),
              time = ListView_GetColumnWidth(list, 2);
    EXPECT_GE(time, TextWidthIn(list, L"2026/12/31 23:59:59") + ScaleForDpi(8, d));
    EXPECT_GE(name, ScaleForDpi(100, d));
    EXPECT_EQ(name + size + time,
              std::max<int>(client.right - GetSystemMetricsForDpi(SM_CXVSCROLL, dpi), ScaleForDpi(100, d) + size + time));
    RECT tab{};
    TabCtrl_GetItemRect(main_->Tab(), 0, &tab);
    EXPECT_NEAR(tab.right - tab.left, ScaleForDpi(176, d), 2);
  }
};

// At 96 DPI every child's rectangle, inner sizes and text are those of the table. QV_LAYOUT_DUMP names a
// file to write the table to instead.
TEST_F(DpiMainWindow, At96EveryControlIsWhereTheTableSays) {
  const std::vector<LayoutLine> table = guitest::LayoutTable(window_);
  if (const char* dump = std::getenv("QV_LAYOUT_DUMP"); dump != nullptr && *dump != '\0') {
    ASSERT_TRUE(guitest::WriteLayoutTable(guitest::WindowsPath(dump), table));
    return;
  }
  if (main_->dpi().Value() != 96) GTEST_SKIP() << "not at 96 DPI";
  // Compared as sets of lines: the order of the windows is the keyboard's order, which the keyboard
  // tests check; here only places, sizes and texts count.
  std::vector<std::wstring> expected = guitest::ReadLayoutTable(TableDir() + L"\\layout-96.txt");
  ASSERT_FALSE(expected.empty());
  std::vector<std::wstring> actual = Formatted(table);
  std::sort(expected.begin(), expected.end());
  std::sort(actual.begin(), actual.end());
  EXPECT_EQ(actual, expected);
}

TEST_F(DpiMainWindow, EveryControlIsScaledForTheSystemDpi) {
  const WindowDc screen(nullptr);
  const UINT system = static_cast<UINT>(GetDeviceCaps(screen.Get(), LOGPIXELSY));
  EXPECT_EQ(main_->dpi().Value(), system);
  RECT client{};
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, ScaleForDpi(720, static_cast<int>(system)));
  EXPECT_EQ(client.bottom, ScaleForDpi(500, static_cast<int>(system)));
  ExpectLaidOutFor(system);
}

// Moved to a monitor of another scale: the window takes the suggested rectangle, and its controls, fonts
// and inner sizes follow the new DPI; and back again.
TEST_F(DpiMainWindow, DpiChangeLaysEverythingOutAgain) {
  const UINT from = main_->dpi().Value();
  const UINT to = from == 144 ? 96 : 144;
  RECT before{};
  GetWindowRect(window_, &before);
  const SIZE outer = MainWindowOuterSize(to);
  RECT suggested{before.left + 10, before.top + 20, before.left + 10 + outer.cx, before.top + 20 + outer.cy};
  SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(main_->dpi().Value(), to);
  RECT now{};
  GetWindowRect(window_, &now);
  EXPECT_TRUE(EqualRect(&now, &suggested));
  ExpectLaidOutFor(to);

  GetWindowRect(window_, &before);
  const SIZE back = MainWindowOuterSize(from);
  suggested = RECT{before.left, before.top, before.left + back.cx, before.top + back.cy};
  SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(from, from), reinterpret_cast<LPARAM>(&suggested));
  ExpectLaidOutFor(from);
}

}  // namespace
}  // namespace qv
