// In-process tests of the about box and the help command, reached through the main window's buttons.
// The help system stands behind a recorder, so no help viewer opens.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "about/about_box.h"
#include "about/help.h"
#include "gui_test_support.h"
#include "main_window_fixture.h"
#include "platform/system_folders.h"
#include "platform/win32/unique_handles.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "ui/controls.h"
#include "ui/message_box.h"
#include "ui/process.h"

namespace qv {
namespace {

using guitest::PumpMessages;
using guitest::PumpUntil;
using guitest::WindowText;

bool ClassExists(const wchar_t* name) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  return GetClassInfoExW(Process().instance, name, &cls) != FALSE;
}

bool AboutClassesGone() { return !ClassExists(kAboutWindowClass) && !ClassExists(kAboutLinkClass); }

int ClientWidth(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return r.right;
}

int TextWidthInFont(HWND window, HGDIOBJ font, const std::wstring& text) {
  const WindowDc dc(window);
  const SelectedObject selected(dc.Get(), font);
  SIZE size{};
  GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// The main window with its buttons; the help system replaced by a recorder for the length of a test.
class ButtonsFixture : public guitest::MainWindowFixture {
 protected:
  ButtonsFixture() { placement_ = Placement::kForeground; }

  void TearDown() override {
    MainWindowFixture::TearDown();
    PumpUntil(AboutClassesGone, 1000);
  }

  void Press(int id) { PressPanelButton(id); }

  guitest::HelpRecorder help_;
};

class AboutBoxTest : public ButtonsFixture {
 protected:
  // Presses "Ver." and returns the about window of this process.
  HWND Open() {
    Press(IDC_VERSION);
    HWND about = FindWindowW(kAboutWindowClass, nullptr);
    DWORD process = 0;
    if (about != nullptr && GetWindowThreadProcessId(about, &process) && process != GetCurrentProcessId())
      return nullptr;
    return about;
  }
};

TEST_F(AboutBoxTest, WindowHasTheFixedLayoutTextsAndClasses) {
  HWND about = Open();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(WindowText(about), L"バージョン情報");
  EXPECT_EQ(GetWindow(about, GW_OWNER), window_);
  const LONG style = GetWindowLongW(about, GWL_STYLE);
  EXPECT_EQ(style & (WS_VISIBLE | WS_SYSMENU | WS_CLIPCHILDREN), WS_VISIBLE | WS_SYSMENU | WS_CLIPCHILDREN);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD), 0);
  EXPECT_NE(GetWindowLongW(about, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);

  RECT client{};
  GetClientRect(about, &client);
  EXPECT_EQ(client.right, 235);
  EXPECT_EQ(client.bottom, 104);
  RECT outer{}, main{};
  GetWindowRect(about, &outer);
  GetWindowRect(window_, &main);
  EXPECT_LE(std::abs((outer.left + outer.right) - (main.left + main.right)), 1);
  EXPECT_LE(std::abs((outer.top + outer.bottom) - (main.top + main.bottom)), 1);

  const struct {
    int id;
    const wchar_t* cls;
    const wchar_t* text;
    RECT rect;  // in the about window's client area
  } kChildren[] = {
      {102, L"Static", L"Quorvix  version 1.02", {10, 10, 170, 22}},
      {103, L"Static", L"(C) 2026 Quorvix developers", {28, 30, 223, 42}},
      {101, L"Button", L"OK", {139, 75, 227, 96}},
      {100, L"ver_child_class", L"ヘルプを開く", {45, 51, 165, 65}},
  };
  for (const auto& c : kChildren) {
    HWND child = GetDlgItem(about, c.id);
    ASSERT_NE(child, nullptr) << c.id;
    EXPECT_EQ(guitest::ClassName(child), c.cls) << c.id;
    EXPECT_EQ(WindowText(child), c.text) << c.id;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(EqualRect(&r, &c.rect)) << c.id << ": " << r.left << "," << r.top << " " << r.right << "," << r.bottom;
  }
  for (int id : {102, 103}) {
    HWND label = GetDlgItem(about, id);
    EXPECT_EQ(GetWindowLongW(label, GWL_STYLE) & SS_ELLIPSISMASK, SS_ENDELLIPSIS) << id;
    EXPECT_LE(TextWidthIn(label, WindowText(label)), ClientWidth(label)) << id;  // never cut in practice
  }
  HWND link = GetDlgItem(about, 100);
  EXPECT_LE(TextWidthInFont(link, GetStockObject(DEFAULT_GUI_FONT), WindowText(link)) + 1, ClientWidth(link));
  LOGFONTW ui{};
  GetObjectW(Process().uiFont, sizeof(ui), &ui);
  for (int id : {101, 102, 103}) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(about, id), WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, ui.lfHeight) << id;
    EXPECT_STREQ(font.lfFaceName, ui.lfFaceName) << id;
  }

  // The classes: arrow over the window, a hand over the link, both on the button face.
  EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(about, GCLP_HCURSOR)), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(link, GCLP_HCURSOR)), LoadCursorW(nullptr, IDC_HAND));
  for (HWND w : {about, link})
    EXPECT_EQ(GetClassLongPtrW(w, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
}

TEST_F(AboutBoxTest, SystemMenuKeepsOnlyMoveAndClose) {
  HWND about = Open();
  ASSERT_NE(about, nullptr);
  HMENU menu = GetSystemMenu(about, FALSE);
  ASSERT_NE(menu, nullptr);
  for (UINT kept : {SC_MOVE, SC_CLOSE}) EXPECT_NE(GetMenuState(menu, kept, MF_BYCOMMAND), static_cast<UINT>(-1));
  for (UINT removed : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE})
    EXPECT_EQ(GetMenuState(menu, removed, MF_BYCOMMAND), static_cast<UINT>(-1)) << removed;
}

// Every way of closing: the main window takes input again and comes forward, and once the message loop
// has run the classes are gone, so the next opening registers them afresh.
TEST_F(AboutBoxTest, EachWayOfClosingEnablesTheMainWindowAndRemovesTheClasses) {
  const struct {
    const char* name;
    int target;  // 0 the about window, else a child id
    UINT message;
    WPARAM wParam;
  } kWays[] = {
      {"Enter", 0, WM_KEYDOWN, VK_RETURN},
      {"Escape", 0, WM_KEYDOWN, VK_ESCAPE},
      {"Enter on OK", IDC_ABOUT_OK, WM_KEYDOWN, VK_RETURN},
      {"Escape on OK", IDC_ABOUT_OK, WM_KEYDOWN, VK_ESCAPE},
      {"OK clicked", IDC_ABOUT_OK, BM_CLICK, 0},
      {"close box", 0, WM_SYSCOMMAND, SC_CLOSE},
  };
  for (const auto& way : kWays) {
    SCOPED_TRACE(way.name);
    HWND about = Open();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(ClassExists(kAboutWindowClass));
    EXPECT_TRUE(ClassExists(kAboutLinkClass));
    EXPECT_FALSE(IsWindowEnabled(window_));
    SendMessageW(way.target == 0 ? about : GetDlgItem(about, way.target), way.message, way.wParam, 0);
    EXPECT_FALSE(IsWindow(about));
    EXPECT_TRUE(IsWindowEnabled(window_));
    EXPECT_EQ(GetForegroundWindow(), window_);
    EXPECT_TRUE(PumpUntil(AboutClassesGone, 1000));
  }
}

TEST_F(AboutBoxTest, OtherKeysAndCommandsLeaveItOpen) {
  HWND about = Open();
  ASSERT_NE(about, nullptr);
  HWND ok = GetDlgItem(about, IDC_ABOUT_OK);
  SendMessageW(about, WM_KEYDOWN, 'A', 0);
  SendMessageW(about, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(ok, WM_KEYDOWN, VK_TAB, 0);
  SendMessageW(about, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_TITLE, STN_CLICKED), 0);
  SendMessageW(about, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  PumpMessages(0);
  EXPECT_TRUE(IsWindow(about));
  EXPECT_FALSE(IsWindowEnabled(window_));
  EXPECT_TRUE(help_.requests.empty());
  EXPECT_TRUE(boxes_.boxes.empty());
}

// The link opens the help beside the program at its start page (context 2, index.htm).
TEST_F(AboutBoxTest, LinkClickOpensTheHelpAtItsStartPage) {
  HWND about = Open();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(WindowText(GetDlgItem(about, IDC_ABOUT_LINK)), L"ヘルプを開く");
  SendMessageW(GetDlgItem(about, IDC_ABOUT_LINK), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
  ASSERT_EQ(help_.requests.size(), 1u);
  EXPECT_EQ(help_.requests[0].context, 2u);
  EXPECT_EQ(help_.requests[0].file, HelpFilePathFor(ProgramFilePath()));
  EXPECT_TRUE(IsWindow(about));
}

// The main window closing with the box open takes the box along; nothing is left behind.
TEST_F(AboutBoxTest, ClosingTheMainWindowTakesTheBoxAlong) {
  HWND about = Open();
  ASSERT_NE(about, nullptr);
  SendMessageW(window_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(about));
  EXPECT_TRUE(PumpUntil(AboutClassesGone, 1000));
  window_ = nullptr;
}

using HelpTest = ButtonsFixture;

TEST_F(HelpTest, HelpButtonAsksForTheTopicOfTheSelectedTab) {
  const std::wstring program = ProgramFilePath();
  const std::wstring expectedFile = program.substr(0, program.rfind(L'.')) + L".chm";
  const struct {
    int tab;
    unsigned context;
  } kCases[] = {{0, 14}, {1, 16}, {2, 18}, {-1, 2}};
  for (const auto& c : kCases) {
    if (c.tab >= 0)
      main_->SelectTab(c.tab);
    else
      SendMessageW(main_->Tab(), TCM_SETCURSEL, static_cast<WPARAM>(-1), 0);
    help_.requests.clear();
    Press(IDC_HELP_BUTTON);
    ASSERT_EQ(help_.requests.size(), 1u) << c.tab;
    EXPECT_EQ(help_.requests[0].context, c.context) << c.tab;
    EXPECT_EQ(help_.requests[0].file, expectedFile) << c.tab;
  }
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST(HelpFile, LiesBesideTheProgramWithTheExtensionReplaced) {
  const std::wstring longName(252, L'q');  // "C:\" + 252 + ".chm" is the longest path taken
  const struct {
    std::wstring program;
    std::wstring help;
  } kCases[] = {
      {L"C:\\Program Files\\Quorvix\\Quorvix.exe", L"C:\\Program Files\\Quorvix\\Quorvix.chm"},
      {L"C:\\tools.v2\\Quorvix", L"C:\\tools.v2\\Quorvix.chm"},
      {L"C:\\x\\Quorvix.1.exe", L"C:\\x\\Quorvix.1.chm"},
      {L"C:\\" + longName + L".exe", L"C:\\" + longName + L".chm"},
      {L"C:\\" + longName + L"q.exe", L""},
      {L"", L""},
  };
  for (const auto& c : kCases) EXPECT_EQ(HelpFilePathFor(c.program), c.help) << c.program.size();
}

}  // namespace
}  // namespace qv
