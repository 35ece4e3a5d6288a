// In-process tests of the main window's taskbar progress, its colours under high contrast, and its
// keyboard: the real window, the message loop's translation function fed with the keys a user presses.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "about/help.h"
#include "gui_test_support.h"
#include "main_window_fixture.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "shell/main_window_keys.h"
#include "shell/window_run.h"
#include "tree/tree_menu.h"
#include "ui/message_box.h"
#include "ui/paint_colours.h"
#include "ui/process.h"
#include "ui/taskbar_progress.h"

namespace qv {
namespace {

using namespace guitest;

// Every call to the taskbar, as text: "normal", "error", "paused", "none", or "done/total".
class TaskbarRecorder : public TaskbarProgress {
 public:
  void SetState(TaskbarState state) override {
    static const wchar_t* const kNames[] = {L"none", L"normal", L"error", L"paused"};
    calls.push_back(kNames[static_cast<int>(state)]);
  }
  void SetValue(int done, int total) override {
    calls.push_back(std::to_wstring(done) + L"/" + std::to_wstring(total));
  }
  std::vector<std::wstring> calls;
};

class WindowFixture : public guitest::MainWindowFixture {
 protected:
  WindowFixture() {
    placement_ = Placement::kForeground;
    // "No" to the cancel question where a test says so, "OK" to everything else.
    boxes_.answer = [this](const guitest::RecordedBox& box) { return box.text == kCancelQuestion ? cancelAnswer_ : IDOK; };
  }

  void TearDown() override {
    SetKeys({});
    MainWindowFixture::TearDown();
  }

  HWND PageItem(HWND page, int id) { return GetDlgItem(page, id); }

  // The keys held while the next key is pressed (Shift, Control), as GetKeyState reports them.
  static void SetKeys(std::initializer_list<int> held) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    for (int key : {VK_SHIFT, VK_CONTROL, VK_LSHIFT, VK_LCONTROL}) state[key] = 0;
    for (int key : held) state[key] = 0x80;
    SetKeyboardState(state);
  }

  // A key pressed and released on the focused window, through the loop as the program's loop does it.
  void Press(WPARAM key, std::initializer_list<int> held = {}) {
    SetKeys(held);
    for (const UINT message : {WM_KEYDOWN, WM_KEYUP}) {
      MSG msg{};
      msg.hwnd = GetFocus();
      msg.message = message;
      msg.wParam = key;
      msg.lParam = message == WM_KEYDOWN ? 1 : static_cast<LPARAM>(0xC0000001u);
      if (!TranslateMainWindowMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    SetKeys({});
    // Characters the key made, dispatched through the loop too.
    MSG queued;
    while (PeekMessageW(&queued, nullptr, WM_CHAR, WM_SYSDEADCHAR, PM_REMOVE))
      if (!TranslateMainWindowMessage(queued)) DispatchMessageW(&queued);
  }

  std::wstring InputFolderWith(std::initializer_list<const wchar_t*> names) { return PhotoFolder(L"in", names); }

  int cancelAnswer_ = IDOK;
  guitest::HelpRecorder help_;
};

// ---- the taskbar ----------------------------------------------------------------------------------

using TaskbarTest = WindowFixture;

// A file that fails turns the button to the error state for the rest of the run; the end clears it.
TEST_F(TaskbarTest, RunShowsItsProgressAndAFailureOnTheButton) {
  const std::wstring in = InputFolderWith({L"s002.jpg", L"s009.jpg"});
  HANDLE broken = CreateFileW((in + L"\\s005.jpg").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  DWORD written = 0;
  WriteFile(broken, "not a photo", 11, &written, nullptr);
  CloseHandle(broken);
  W().SetInputFolder(in);
  W().SetOutputFolder(scratch_.folder(L"out"));
  TaskbarRecorder recorder;
  W().SetTaskbarProgress(&recorder);
  Convert();
  W().SetTaskbarProgress(nullptr);
  EXPECT_EQ(recorder.calls, (std::vector<std::wstring>{L"normal", L"0/3", L"1/3", L"error", L"2/3", L"3/3", L"none"}));
}

// The cancel question pauses the button; answered "no", the run goes on in its state; the end clears it.
TEST_F(TaskbarTest, CancelQuestionPausesTheButton) {
  W().SetInputFolder(InputFolderWith({L"s002.jpg", L"s009.jpg", L"s010.jpg"}));
  W().SetOutputFolder(scratch_.folder(L"out"));
  TaskbarRecorder recorder;
  W().SetTaskbarProgress(&recorder);
  cancelAnswer_ = IDNO;
  PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
  Convert();
  W().SetTaskbarProgress(nullptr);
  const std::vector<std::wstring>& calls = recorder.calls;
  ASSERT_EQ(std::count_if(boxes_.boxes.begin(), boxes_.boxes.end(), [](const guitest::RecordedBox& box) { return box.text == kCancelQuestion; }), 1);
  const auto paused = std::find(calls.begin(), calls.end(), L"paused");
  ASSERT_NE(paused, calls.end());
  ASSERT_NE(paused + 1, calls.end());
  EXPECT_EQ(*(paused + 1), L"normal");
  EXPECT_EQ(calls.back(), L"none");
  EXPECT_EQ(*(calls.end() - 2), L"3/3");
}

// The shell's own object takes the calls (Wine shows nothing), before and after the button message.
TEST_F(TaskbarTest, RealTaskbarButtonTakesTheCalls) {
  TaskbarButton button;
  button.SetWindow(window_);
  button.SetState(TaskbarState::kNormal);
  button.SetValue(1, 4);
  EXPECT_TRUE(button.HasShellObject());
  SendMessageW(window_, TaskbarButtonCreatedMessage(), 0, 0);  // the window's own button, made again
  button.ButtonCreated();
  EXPECT_TRUE(button.HasShellObject());
  button.SetState(TaskbarState::kError);
  button.SetState(TaskbarState::kNone);
  EXPECT_NE(TaskbarButtonCreatedMessage(), 0u);
}

// ---- colours --------------------------------------------------------------------------------------

bool gHighContrast = false;
bool HighContrastStandIn() { return gHighContrast; }

// System colours changed for the length of a test and restored afterwards.
class ColourTest : public WindowFixture {
 protected:
  void SetUp() override {
    for (size_t i = 0; i < std::size(kChanged); ++i) saved_[i] = GetSysColor(kChanged[i]);
    previousContrast_ = SetHighContrastFunction(HighContrastStandIn);
    WindowFixture::SetUp();
  }
  // The common controls keep the colours of their last WM_SYSCOLORCHANGE for the whole process: the
  // window tells them of the restored colours before it goes, or later tests would see the test's.
  void TearDown() override {
    SetSysColors(static_cast<int>(std::size(kChanged)), kChanged, saved_);
    gHighContrast = false;
    SetHighContrastFunction(previousContrast_);
    if (window_ != nullptr && IsWindow(window_)) SendMessageW(window_, WM_SYSCOLORCHANGE, 0, 0);
    WindowFixture::TearDown();
    RefreshPaintColours();
  }

  // A black-on-yellow high-contrast scheme, announced as the system announces it.
  void SwitchToContrast(bool on) {
    gHighContrast = on;
    const COLORREF colours[] = {RGB(0, 0, 0), RGB(255, 255, 0), RGB(0, 128, 255), RGB(20, 20, 20), RGB(0, 255, 0),
                                RGB(200, 0, 0)};
    if (on) SetSysColors(static_cast<int>(std::size(kChanged)), kChanged, colours);
    SendMessageW(window_, WM_SYSCOLORCHANGE, 0, 0);
    UpdateWindow(window_);
  }

  COLORREF PixelOf(HWND window, int x, int y) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages(50);
    HDC dc = GetDC(window);
    const COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return pixel;
  }

  static constexpr int kChanged[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
                                     COLOR_BTNSHADOW, COLOR_HOTLIGHT};
  COLORREF saved_[std::size(kChanged)] = {};
  HighContrastFunction previousContrast_ = nullptr;
};

TEST_F(ColourTest, PagesFollowTheHighContrastSchemeAndComeBackWithoutLeakingBrushes) {
  HWND page = W().outputPage().Handle();
  HWND label = GetWindow(page, GW_CHILD);
  EXPECT_EQ(PixelOf(page, 3, 3), RGB(255, 255, 255));
  EXPECT_EQ(PixelOf(page, 0, 0), RGB(0xE0, 0xE0, 0xE0));
  const HBRUSH normalBrush = PaintBrush(ColourRole::kPageBackground);

  SwitchToContrast(true);
  EXPECT_EQ(GetObjectType(normalBrush), 0u) << "the brush of the old colours is deleted";
  EXPECT_EQ(PixelOf(page, 3, 3), RGB(0, 0, 0));
  EXPECT_EQ(PixelOf(page, 0, 0), RGB(0, 255, 0));  // the button shadow
  // What the page tells its labels: window colour behind, window text on it.
  HDC dc = GetDC(label);
  const HBRUSH brush =
      reinterpret_cast<HBRUSH>(SendMessageW(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 0));
  EXPECT_EQ(GetBkColor(dc), RGB(0, 0, 0));
  LOGBRUSH logical{};
  ASSERT_NE(GetObjectW(brush, sizeof(logical), &logical), 0);
  EXPECT_EQ(logical.lbColor, RGB(0, 0, 0));
  ReleaseDC(label, dc);

  SwitchToContrast(false);  // the colours stay changed, only the switch is off: the fixed colours again
  EXPECT_EQ(GetObjectType(brush), 0u);
  EXPECT_EQ(PixelOf(page, 3, 3), RGB(255, 255, 255));
}

// The tree menu's selected item: light cyan normally, the highlight colour under high contrast.
TEST_F(ColourTest, TreeMenuSelectionTakesTheHighlightColours) {
  TreeMenu menu;
  ASSERT_TRUE(menu.Create());
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_DATA | MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoW(menu.Handle(), IDM_TREE_OPEN, FALSE, &info));
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 20);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DRAWITEMSTRUCT draw{};
  draw.CtlType = ODT_MENU;
  draw.itemID = IDM_TREE_OPEN;
  draw.itemState = ODS_SELECTED;
  draw.hDC = dc;
  draw.rcItem = RECT{0, 0, 100, 20};
  draw.itemData = info.dwItemData;
  for (const bool contrast : {false, true}) {
    SwitchToContrast(contrast);
    ASSERT_TRUE(menu.Draw(nullptr, nullptr, draw));
    EXPECT_EQ(GetPixel(dc, 5, 10), contrast ? RGB(0, 128, 255) : RGB(0xE8, 0xFF, 0xFF)) << contrast;
    EXPECT_EQ(GetPixel(dc, 0, 0), contrast ? RGB(20, 20, 20) : RGB(0x48, 0x90, 0x90)) << contrast;
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

// ---- the keyboard ---------------------------------------------------------------------------------

using KeyboardTest = WindowFixture;

HWND EditOf(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  GetComboBoxInfo(combo, &info);
  return info.hwndItem;
}

// Tab goes from the folder fields into the shown page and on to the buttons; Shift+Tab goes back.
TEST_F(KeyboardTest, TabWalksFieldsPageAndButtonsAndShiftTabWalksBack) {
  SetFocus(EditOf(W().InputField()));
  Press(VK_TAB);
  EXPECT_EQ(GetFocus(), EditOf(W().OutputField()));
  Press(VK_TAB);
  HWND page = W().outputPage().Handle();
  EXPECT_TRUE(IsChild(page, GetFocus())) << "the first control of the output settings page";
  HWND firstOfPage = GetFocus();
  std::vector<HWND> seen;
  for (int i = 0; i < 60 && IsChild(page, GetFocus()); ++i) {
    seen.push_back(GetFocus());
    Press(VK_TAB);
  }
  EXPECT_GT(seen.size(), 10u);
  for (HWND control : seen) EXPECT_TRUE(IsWindowVisible(control) && IsWindowEnabled(control));
  EXPECT_EQ(GetFocus(), GetDlgItem(W().Panel(), IDC_OUTPUT_PREVIEW));
  Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(GetFocus(), seen.back());
  // The hidden pages are skipped: nothing of the other two pages was reached.
  for (HWND control : seen) EXPECT_FALSE(IsChild(W().inputPage().Handle(), control) ||
                                         IsChild(W().optionsPage().Handle(), control));
  SetFocus(firstOfPage);
  Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(GetFocus(), EditOf(W().OutputField()));
}

// Leaving the quality field with Tab applies its rule, as a click elsewhere does.
TEST_F(KeyboardTest, LeavingAFieldWithTabAppliesItsRule) {
  HWND quality = GetDlgItem(W().outputPage().Handle(), IDC_QUALITY);
  ASSERT_NE(quality, nullptr);
  SetFocus(quality);
  SetWindowTextW(quality, L"0");
  Press(VK_TAB);
  EXPECT_NE(GetFocus(), quality);
  EXPECT_EQ(WindowText(quality), L"1");
}

TEST_F(KeyboardTest, ControlTabSwitchesPagesBothWaysAndFocusesThePage) {
  const struct {
    std::initializer_list<int> held;
    int tab;
  } kSteps[] = {{{VK_CONTROL}, 1}, {{VK_CONTROL}, 2}, {{VK_CONTROL}, 0}, {{VK_CONTROL, VK_SHIFT}, 2},
                {{VK_CONTROL, VK_SHIFT}, 1}};
  const HWND pages[] = {W().outputPage().Handle(), W().inputPage().Handle(), W().optionsPage().Handle()};
  SetFocus(EditOf(W().InputField()));
  for (const auto& step : kSteps) {
    Press(VK_TAB, step.held);
    EXPECT_EQ(SendMessageW(W().Tab(), TCM_GETCURSEL, 0, 0), step.tab);
    EXPECT_TRUE(IsWindowVisible(pages[step.tab])) << step.tab;
    EXPECT_TRUE(IsChild(pages[step.tab], GetFocus())) << step.tab;
  }
}

// The list and the tree keep their arrows; Enter on a focused button presses it; Escape outside a run
// does nothing.
TEST_F(KeyboardTest, ListAndTreeKeepTheirArrowsAndEnterPressesAFocusedButton) {
  W().SetInputFolder(InputFolderWith({L"s002.jpg", L"s009.jpg", L"s010.jpg"}));
  W().SelectTab(1);
  HWND list = W().inputPage().List();
  SetFocus(list);
  ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  Press(VK_DOWN);
  EXPECT_EQ(GetFocus(), list);
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 1);

  HWND tree = W().tree().View();
  SetFocus(tree);
  TreeView_SelectItem(tree, W().tree().DesktopNode());
  Press(VK_DOWN);
  EXPECT_EQ(GetFocus(), tree);
  EXPECT_NE(TreeView_GetSelection(tree), W().tree().DesktopNode());

  Press(VK_ESCAPE);
  EXPECT_TRUE(IsWindow(window_));
  SetFocus(GetDlgItem(W().Panel(), IDC_HELP_BUTTON));
  Press(VK_RETURN);
  EXPECT_EQ(help_.requests.size(), 1u);
}

// Shift+F10 and the menu key open the tree's menu at the selected item.
std::vector<RECT> gMenuRects;
void CALLBACK CloseMenuAndRecord(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND popup = FindWindowW(L"#32768", nullptr);
  RECT rect{};
  if (popup != nullptr && IsWindowVisible(popup)) GetWindowRect(popup, &rect);
  gMenuRects.push_back(rect);
  EndMenu();
}

TEST_F(KeyboardTest, ShiftF10AndTheMenuKeyOpenTheTreeMenuAtTheSelectedItem) {
  HWND tree = W().tree().View();
  gMenuRects.clear();
  SetFocus(tree);
  TreeView_SelectItem(tree, W().tree().RegisteredRoot());
  RECT item{};
  ASSERT_TRUE(TreeView_GetItemRect(tree, W().tree().RegisteredRoot(), &item, TRUE));
  POINT below{item.left, item.bottom};
  ClientToScreen(tree, &below);
  SetTimer(nullptr, 0, 200, CloseMenuAndRecord);
  Press(VK_F10, {VK_SHIFT});
  SetTimer(nullptr, 0, 200, CloseMenuAndRecord);
  Press(VK_APPS);
  ASSERT_EQ(gMenuRects.size(), 2u) << "each key opened the menu once";
  for (const RECT& menu : gMenuRects) {
    EXPECT_EQ(menu.left, below.x);
    EXPECT_EQ(menu.top, below.y);
  }
  EXPECT_FALSE(W().tree().MenuOpen());
}

}  // namespace
}  // namespace qv
