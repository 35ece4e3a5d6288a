// Pictures of the program for a person to look at: the main window with each tab (the options tab also
// with photo options on, the input list also of a folder tree), the comment dialog, the file-name check dialog, the about box, a message box
// and the window during a run. Taken only when QV_SCREENSHOT_DIR names a folder (the gui stage of the
// test runner sets it and turns the bitmaps into PNG files); skipped otherwise. At another display scale
// than 100 % the names end in the scale ("main-options-150" at 144 DPI).
//
// The pictures show what a user would see: folders of a trip in the user's Pictures folder with
// camera-named photos, an output folder beside them, no temporary paths, no Wine-only desktop node, and
// the caption without the buttons Wine draws (its glyphs are not the ones Windows shows).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "about/about_box.h"
#include "gui_test_support.h"
#include "platform/win32/unique_handles.h"
#include "resources/resource.h"
#include "ui/process.h"
#include "shell/main_window.h"
#include "shell/window_run.h"
#include "ui/dpi.h"
#include "ui/message_box.h"

namespace qv {
namespace {

using guitest::PumpMessages;

std::wstring ScreenshotDir() {
  const char* env = std::getenv("QV_SCREENSHOT_DIR");
  return env != nullptr && *env != '\0' ? guitest::WindowsPath(env) : std::wstring();
}

// What the screen shows inside a window's rectangle: bottom-up rows of blue, green, red bytes.
struct ScreenCapture {
  BITMAPINFOHEADER header{};
  DWORD stride = 0;
  std::vector<BYTE> bits;
};

ScreenCapture CaptureWindow(HWND window) {
  ScreenCapture capture;
  RECT r{};
  if (!GetWindowRect(window, &r)) return capture;
  const int width = r.right - r.left, height = r.bottom - r.top;
  const WindowDc screen(nullptr);
  const UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  const UniqueGdiObject<HBITMAP> bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return capture;
  {
    const SelectedObject selected(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), r.left, r.top, SRCCOPY);
  }
  GdiFlush();
  capture.header = info.bmiHeader;
  capture.stride = ((width * 3 + 3) / 4) * 4;
  const auto* first = static_cast<const BYTE*>(bits);
  capture.bits.assign(first, first + capture.stride * height);
  return capture;
}

// How many pixels of `window` show exactly `colour` on the screen.
int CountPixels(HWND window, COLORREF colour) {
  const ScreenCapture capture = CaptureWindow(window);
  int count = 0;
  for (int y = 0; y < capture.header.biHeight; ++y)
    for (int x = 0; x < capture.header.biWidth; ++x) {
      const BYTE* p = &capture.bits[y * capture.stride + x * 3];
      count += RGB(p[2], p[1], p[0]) == colour ? 1 : 0;
    }
  return count;
}

bool IsCaptionColour(const BYTE* pixel) {
  const COLORREF colour = RGB(pixel[2], pixel[1], pixel[0]);
  for (int index : {COLOR_ACTIVECAPTION, COLOR_GRADIENTACTIVECAPTION, COLOR_INACTIVECAPTION, COLOR_GRADIENTINACTIVECAPTION})
    if (colour == GetSysColor(index)) return true;
  return false;
}

// Paints the caption buttons over with the caption: the band above the client area, from the first
// button to the right edge of the client area, takes the colours of the column left of the buttons. The
// buttons are found on the caption's middle row, from the right, as the pixels not of a caption colour;
// the spaces between buttons are narrower than half the band, the one after the title wider.
void LeaveOutCaptionButtons(HWND window, ScreenCapture& capture) {
  if ((GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION) return;
  RECT frame{}, client{};
  POINT origin{};
  if (!GetWindowRect(window, &frame) || !GetClientRect(window, &client) || !ClientToScreen(window, &origin)) return;
  const int band = origin.y - frame.top, left = origin.x - frame.left, right = left + client.right;
  const int height = capture.header.biHeight;
  if (band <= 0 || band > height || right > capture.header.biWidth) return;
  auto pixel = [&](int x, int y) { return &capture.bits[(height - 1 - y) * capture.stride + x * 3]; };
  int first = right;
  for (int x = right - 1; x > left && first - x <= band / 2; --x)
    if (!IsCaptionColour(pixel(x, band / 2))) first = x;
  if (first == right || first - 1 <= left) return;
  for (int y = 0; y < band; ++y)
    for (int x = first; x < right; ++x) std::copy_n(pixel(first - 1, y), 3, pixel(x, y));
}

// "-150" for a window at 144 DPI: the scale in percent; nothing at 96 DPI.
std::wstring ScaleSuffix(HWND window) {
  const int dpi = static_cast<int>(DpiOf(window));
  return dpi == kBaseDpi ? std::wstring() : L"-" + std::to_wstring(MulDiv(dpi, 100, kBaseDpi));
}

// Saves what the screen shows inside the window's rectangle as a 24-bit bitmap file, the caption
// buttons left out; the name gets the window's display scale.
bool SaveWindowBitmap(HWND window, const std::wstring& name) {
  ScreenCapture capture = CaptureWindow(window);
  if (capture.bits.empty()) return false;
  LeaveOutCaptionButtons(window, capture);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(capture.header);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(capture.bits.size());
  const std::wstring path = ScreenshotDir() + L"\\" + name + ScaleSuffix(window) + L".bmp";
  UniqueKernelHandle out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!out) return false;
  DWORD written = 0;
  const bool ok = WriteFile(out.Get(), &file, sizeof(file), &written, nullptr) &&
                  WriteFile(out.Get(), &capture.header, sizeof(capture.header), &written, nullptr) &&
                  WriteFile(out.Get(), capture.bits.data(), static_cast<DWORD>(capture.bits.size()), &written, nullptr);
  return out.Close() && ok;
}

BOOL CALLBACK FindOutputPreview(HWND window, LPARAM found) {
  if (GetDlgItem(window, IDC_OUTPUT_PREVIEW_AREA) == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The dialog or message box of this thread with the given caption, if one is open; without a caption
// the output preview window, whose title changes with its image.
HWND FindDialog(const wchar_t* caption) {
  if (caption == nullptr) {
    HWND preview = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOutputPreview, reinterpret_cast<LPARAM>(&preview));
    return preview;
  }
  HWND dialog = FindWindowW(L"#32770", caption);
  DWORD pid = 0;
  if (dialog != nullptr && GetWindowThreadProcessId(dialog, &pid) && pid == GetCurrentProcessId()) return dialog;
  return nullptr;
}

// A modal window opened by `open` is captured as `name` and closed with IDCANCEL/IDOK from a timer.
struct ModalShot {
  const wchar_t* caption;
  const wchar_t* name;
  int closeId;
  bool taken = false;
};
ModalShot* gShot = nullptr;

void CALLBACK ShootModal(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = gShot != nullptr ? FindDialog(gShot->caption) : nullptr;
  if (dialog == nullptr || !IsWindowVisible(dialog)) return;  // a dialog is shown after its set-up
  KillTimer(nullptr, timer);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages(150);
  gShot->taken = SaveWindowBitmap(dialog, gShot->name);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(gShot->closeId, BN_CLICKED), 0);
}

// The window of the running test (the modal openers and the message-box stand-in are plain functions).
MainWindow* gMain = nullptr;
MainWindow& W() { return *gMain; }
HWND Page(int index) { return index == 0 ? W().outputPage().Handle() : W().inputPage().Handle(); }
StoredAppState& Stored() { return W().settings().stored; }

// A folder with sub-folders in one of the user's folders (CSIDL_DESKTOPDIRECTORY, CSIDL_MYPICTURES),
// removed with its content at the end of the scope.
class UserFolder {
 public:
  UserFolder(int csidl, const std::wstring& name, const std::vector<std::wstring>& subfolders = {}) {
    wchar_t parent[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, parent);
    path_ = std::wstring(parent) + L"\\" + name;
    CreateDirectoryW(path_.c_str(), nullptr);
    for (const std::wstring& sub : subfolders) CreateDirectoryW((path_ + L"\\" + sub).c_str(), nullptr);
  }
  ~UserFolder() { guitest::DeepTreeRemover::RemoveTree(path_); }
  UserFolder(const UserFolder&) = delete;
  UserFolder& operator=(const UserFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Wine lists the Unix root "/" and "Documents" on the desktop, which Windows does not: the keys that put
// them there are taken away for the scope and put back after.
class WithoutWineDesktopNodes {
 public:
  WithoutWineDesktopNodes() {
    for (Node& node : nodes_) node.removed = RegDeleteKeyW(HKEY_LOCAL_MACHINE, Key(node).c_str()) == ERROR_SUCCESS;
  }
  ~WithoutWineDesktopNodes() {
    for (const Node& node : nodes_)
      if (node.removed)
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, Key(node).c_str(), nullptr, REG_SZ, node.name,
                        static_cast<DWORD>((wcslen(node.name) + 1) * sizeof(wchar_t)));
  }
  WithoutWineDesktopNodes(const WithoutWineDesktopNodes&) = delete;
  WithoutWineDesktopNodes& operator=(const WithoutWineDesktopNodes&) = delete;

 private:
  struct Node {
    const wchar_t* clsid;
    const wchar_t* name;  // the key's default value
    bool removed;
  };
  static std::wstring Key(const Node& node) {
    return std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\Namespace\\") + node.clsid;
  }
  Node nodes_[2] = {{L"{9D20AAE8-0625-44B0-9CA7-71889C2254D9}", L"/", false},
                    {L"{450D8FBA-AD25-11D0-98A8-0800361B1103}", L"My Documents", false}};
};

// Gives `path` a modification time of the given local time.
void SetModified(const std::wstring& path, WORD month, WORD day, WORD hour, WORD minute) {
  const SYSTEMTIME local{2026, month, 0, day, hour, minute, 0, 0};
  FILETIME localTime{}, utc{};
  SystemTimeToFileTime(&local, &localTime);
  LocalFileTimeToFileTime(&localTime, &utc);
  UniqueKernelHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file) SetFileTime(file.Get(), nullptr, nullptr, &utc);
}

// The photos of the trip folder as a camera names them, and the test photos they are copies of; the first
// is the one the output preview shows.
constexpr std::pair<const wchar_t*, const wchar_t*> kTripPhotos[] = {
    {L"IMG_0412.jpg", L"s011.jpg"}, {L"IMG_0413.jpg", L"s006.jpg"}, {L"IMG_0415.jpg", L"s024.jpg"},
    {L"IMG_0418.jpg", L"s005.jpg"}, {L"IMG_0421.jpg", L"s007.jpg"}, {L"IMG_0422.jpg", L"s030.jpg"},
};

class Screenshots : public testing::Test {
 protected:
  void SetUp() override {
    if (ScreenshotDir().empty()) GTEST_SKIP() << "QV_SCREENSHOT_DIR not set";
    Process().settingsPath = scratch_.file(L"Quorvix.ini");
    WORD minute = 5;
    for (const auto& [name, data] : kTripPhotos) {
      ASSERT_TRUE(guitest::CopyDataFile(data, trip_ / name));
      SetModified(trip_ / name, 8, 14, 10, minute += 7);  // taken during the trip
    }
    gMain = MainWindow::Create(WindowSettings{});
    ASSERT_NE(gMain, nullptr);
    window_ = gMain->Handle();
    W().SetInputFolder(trip_.path());
    W().SetOutputFolder(output_.path());
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
    Settle();
  }

  void TearDown() override {
    SetMessageBoxFunction(nullptr);
    if (window_ != nullptr && IsWindow(window_)) SendMessageW(window_, WM_CLOSE, 0, 0);
    PumpMessages(0);
    gMain = nullptr;  // the window deleted its object
  }

  void Settle() {
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpMessages(300);
  }

  // The file list with its first row chosen, so that the tab shows that photo's preview.
  void ChooseFirstFile() {
    HWND list = GetDlgItem(W().inputPage().Handle(), IDC_INPUT_LIST);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }

  void ShootModalOpenedBy(const wchar_t* caption, const wchar_t* name, int closeId, void (*open)()) {
    ModalShot shot{caption, name, closeId};
    gShot = &shot;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, ShootModal);
    open();
    KillTimer(nullptr, timer);
    gShot = nullptr;
    EXPECT_TRUE(shot.taken);
  }

  const WithoutWineDesktopNodes wineNodesHidden_;
  guitest::ScratchFolder scratch_;  // the settings file
  const UserFolder trip_{CSIDL_MYPICTURES, L"2026-08 京都旅行"};
  const UserFolder output_{CSIDL_MYPICTURES, L"縮小"};
  HWND window_ = nullptr;
};

TEST_F(Screenshots, MainWindowWithEachTab) {
  const wchar_t* const kNames[] = {L"main-output-settings", L"main-input-list", L"main-options"};
  for (int tab = 0; tab < 3; ++tab) {
    W().SelectTab(tab);
    if (tab == 1) ChooseFirstFile();
    Settle();
    EXPECT_TRUE(SaveWindowBitmap(window_, kNames[tab]));
  }
}

// The options tab with some photo options on: the long-edge field and the fit box's two sides enabled
// beside their check boxes.
TEST_F(Screenshots, OptionsTabWithPhotoOptionsOn) {
  W().SelectTab(2);
  for (int id : {IDC_AUTO_ROTATE, IDC_KEEP_EXIF, IDC_MAX_EDGE_ON, IDC_FIT_ON})
    SendMessageW(GetDlgItem(W().optionsPage().Handle(), id), BM_CLICK, 0, 0);
  Settle();
  EXPECT_TRUE(SaveWindowBitmap(window_, L"main-options-photo"));
}

// The input list of the trip folder's whole tree: two days in sub-folders, the folder column, a photo of
// the second day previewed.
TEST_F(Screenshots, InputListOfAFolderTree) {
  const std::wstring days[] = {trip_ / L"1日目 伏見", trip_ / L"2日目 嵐山"};
  for (const std::wstring& day : days) CreateDirectoryW(day.c_str(), nullptr);
  ASSERT_TRUE(guitest::CopyDataFile(L"s011.jpg", days[0] + L"\\IMG_0430.jpg"));
  ASSERT_TRUE(guitest::CopyDataFile(L"s024.jpg", days[1] + L"\\IMG_0502.jpg"));
  ASSERT_TRUE(guitest::CopyDataFile(L"s006.jpg", days[1] + L"\\IMG_0507.jpg"));
  W().SelectTab(1);
  SendMessageW(GetDlgItem(W().inputPage().Handle(), IDC_SUB_FOLDERS), BM_CLICK, 0, 0);
  HWND list = GetDlgItem(W().inputPage().Handle(), IDC_INPUT_LIST);
  ListView_SetItemState(list, 7, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  Settle();
  EXPECT_TRUE(SaveWindowBitmap(window_, L"main-input-tree"));
}

TEST_F(Screenshots, CommentDialog) {
  ShootModalOpenedBy(L"コメント作成", L"comment-dialog", IDCANCEL, [] {
    SendMessageW(Page(0), WM_COMMAND, MAKEWPARAM(IDC_COMMENT_EDIT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(Page(0), IDC_COMMENT_EDIT)));
  });
}

TEST_F(Screenshots, FileNameCheckDialog) {
  ShootModalOpenedBy(L"ファイル名確認", L"file-name-check-dialog", IDCANCEL,
                     [] { SendMessageW(W().Panel(), WM_COMMAND, MAKEWPARAM(IDC_FILE_NAME_CHECK, BN_CLICKED), 0); });
}

TEST_F(Screenshots, ErrorMessageBox) {
  SetWindowTextW(W().OutputField(), L"");
  ShootModalOpenedBy(L"Error", L"message-box", IDOK,
                     [] { SendMessageW(W().Panel(), WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED), 0); });
}

// The about box over the main window; its link is drawn in pure blue.
TEST_F(Screenshots, AboutBox) {
  HWND about = OpenAboutBox(window_);
  ASSERT_NE(about, nullptr);
  RedrawWindow(about, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  PumpMessages(300);
  EXPECT_TRUE(SaveWindowBitmap(about, L"about-box"));
  EXPECT_GT(CountPixels(GetDlgItem(about, IDC_ABOUT_LINK), RGB(0, 0, 255)), 0);
  SendMessageW(about, WM_CLOSE, 0, 0);
}

// The trip's first photo at 3/8.
TEST_F(Screenshots, OutputPreview) {
  W().params().ScaleNum = 3;
  ShootModalOpenedBy(nullptr, L"output-preview", IDCANCEL, [] {
    SendMessageW(W().Panel(), WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_PREVIEW, BN_CLICKED), 0);
  });
}

// The cancel question comes while the run is going on: its stand-in takes the picture of the window
// (processing title, progress bar part way) and lets the run go on.
int ShootRunningWindow(HWND, const wchar_t* text, const wchar_t*, UINT) {
  static bool taken = false;
  if (std::wstring(text) == kCancelQuestion && !taken) {
    taken = true;
    RedrawWindow(W().Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PollWindowCancelRequest(W());  // delivers the paint messages, as the run does between files
    Sleep(100);
    EXPECT_TRUE(SaveWindowBitmap(W().Handle(), L"main-during-run"));
  }
  return IDNO;
}

TEST_F(Screenshots, WindowDuringARun) {
  Stored().options.EndMes = 0;
  W().SelectTab(1);
  Settle();
  SetMessageBoxFunction(ShootRunningWindow);
  PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessageW(W().Panel(), WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED), 0);
  Settle();
  EXPECT_TRUE(SaveWindowBitmap(window_, L"main-after-run"));
}


// ---- the folder tree ------------------------------------------------------------------------------

HWND TreeView() { return W().tree().View(); }

HTREEITEM TreeChild(HTREEITEM parent, const std::wstring& text) {
  for (HTREEITEM item : guitest::TreeChildren(TreeView(), parent))
    if (guitest::TreeItemText(TreeView(), item) == text) return item;
  return nullptr;
}

// Collapses `item` with its children deleted and expands it again, so that they are enumerated anew.
void ExpandAfresh(HTREEITEM item) {
  TreeView_Expand(TreeView(), item, TVE_COLLAPSE | TVE_COLLAPSERESET);
  TreeView_Expand(TreeView(), item, TVE_EXPAND);
}

// A selection as a plain click makes it: no key held; with `focus` the tree view takes the focus as it
// does from a click.
void SelectInTree(HTREEITEM item, bool focus) {
  BYTE keys[256] = {};
  SetKeyboardState(keys);
  TreeView_SelectItem(TreeView(), item);
  if (focus) SetFocus(TreeView());
}

// Pictures\家族 and Pictures\風景 (with the sub-folders "春" and "夏") registered; the desktop node
// collapsed.
struct TwoRegisteredFolders {
  TwoRegisteredFolders();
  const UserFolder landscape{CSIDL_MYPICTURES, L"風景", {L"春", L"夏"}};
  const UserFolder family{CSIDL_MYPICTURES, L"家族"};
};

TwoRegisteredFolders::TwoRegisteredFolders() {
  W().tree().AddRegisteredFolder(landscape.path());
  W().tree().AddRegisteredFolder(family.path());
  TreeView_Expand(TreeView(), W().tree().DesktopNode(), TVE_COLLAPSE | TVE_COLLAPSERESET);
  ExpandAfresh(W().tree().RegisteredRoot());  // sorted
}

TEST_F(Screenshots, TreeExpandedToAFolder) {
  const UserFolder photos(CSIDL_DESKTOPDIRECTORY, L"写真", {L"2023", L"2024", L"旅行"});
  for (const wchar_t* name : {L"s002.jpg", L"s009.jpg"})
    guitest::CopyDataFile(name, photos / (L"2024\\" + std::wstring(name)));
  ExpandAfresh(W().tree().DesktopNode());
  const HTREEITEM folder = TreeChild(W().tree().DesktopNode(), L"写真");
  ASSERT_NE(folder, nullptr);
  TreeView_Expand(TreeView(), folder, TVE_EXPAND);
  const HTREEITEM year = TreeChild(folder, L"2024");
  ASSERT_NE(year, nullptr);
  SelectInTree(year, true);
  Settle();
  EXPECT_TRUE(SaveWindowBitmap(window_, L"tree"));
}

TEST_F(Screenshots, RegisteredFolders) {
  const TwoRegisteredFolders registered;
  const HTREEITEM landscape = TreeChild(W().tree().RegisteredRoot(), L"風景");
  ASSERT_NE(landscape, nullptr);
  TreeView_Expand(TreeView(), landscape, TVE_EXPAND);
  SelectInTree(TreeChild(landscape, L"春"), true);
  Settle();
  EXPECT_TRUE(SaveWindowBitmap(window_, L"registered-folders"));
}

// The tree menu open on a registered folder, "入力フォルダ設定(&I)" under the pointer, hidden items shown.
struct MenuShot {
  int ticks = 0;
  int highlightedTicks = 0;
  bool taken = false;
};
MenuShot* gMenuShot = nullptr;

BOOL CALLBACK FindOpenMenu(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32768" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK ShootMenu(HWND, UINT, UINT_PTR, DWORD) {
  MenuShot& shot = *gMenuShot;
  HWND popup = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindOpenMenu, reinterpret_cast<LPARAM>(&popup));
  if (shot.taken || ++shot.ticks > 100 || popup == nullptr) {
    if (shot.taken || shot.ticks > 100) EndMenu();
    return;
  }
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
  if ((GetMenuState(menu, IDM_TREE_SET_INPUT, MF_BYCOMMAND) & MF_HILITE) == 0) {
    PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
  } else if (++shot.highlightedTicks == 5) {  // painted by now
    shot.taken = SaveWindowBitmap(W().Handle(), L"tree-menu");
  }
}

TEST_F(Screenshots, TreeMenuOnARegisteredFolder) {
  const TwoRegisteredFolders registered;
  W().optionsPage().ToggleHiddenItems();  // hidden items shown: 5040 checked
  ASSERT_EQ(Stored().options.Hidden, 0);
  const HTREEITEM family = TreeChild(W().tree().RegisteredRoot(), L"家族");
  const HTREEITEM landscape = TreeChild(W().tree().RegisteredRoot(), L"風景");
  ASSERT_NE(landscape, nullptr);
  SelectInTree(family, false);  // the focus stays off the tree, as after a right-click
  Settle();
  RECT r{};
  TreeView_GetItemRect(TreeView(), landscape, &r, TRUE);
  POINT point{r.right - 6, r.bottom - 4};  // the menu leaves the item's text visible
  ClientToScreen(TreeView(), &point);
  MenuShot shot;
  gMenuShot = &shot;
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, ShootMenu);
  SendMessageW(W().tree().Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(TreeView()), MAKELPARAM(point.x, point.y));
  KillTimer(nullptr, timer);
  gMenuShot = nullptr;
  EXPECT_TRUE(shot.taken);
}

}  // namespace
}  // namespace qv
