// Pictures of the program for a person to look at: the main window with each tab (the options tab also
// with photo options on), the comment dialog, the file-name check dialog, the about box, a message box
// and the window during a run. Taken only when QV_SCREENSHOT_DIR names a folder (the gui stage of the
// test runner sets it and turns the bitmaps into PNG files); skipped otherwise.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "about/about_box.h"
#include "gui_test_support.h"
#include "platform/win32/unique_handles.h"
#include "resources/resource.h"
#include "ui/process.h"
#include "shell/main_window.h"
#include "shell/window_run.h"
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

// Saves what the screen shows inside the window's rectangle as a 24-bit bitmap file.
bool SaveWindowBitmap(HWND window, const std::wstring& name) {
  const ScreenCapture capture = CaptureWindow(window);
  if (capture.bits.empty()) return false;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(capture.header);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(capture.bits.size());
  const std::wstring path = ScreenshotDir() + L"\\" + name + L".bmp";
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
  if (dialog == nullptr) return;
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

class Screenshots : public testing::Test {
 protected:
  void SetUp() override {
    if (ScreenshotDir().empty()) GTEST_SKIP() << "QV_SCREENSHOT_DIR not set";
    Process().settingsPath = scratch_.file(L"Quorvix.ini");
    input_ = scratch_.folder(L"写真");
    for (const wchar_t* name : {L"s002.jpg", L"s009.jpg", L"s010.jpg", L"s012.jpg", L"s013.jpg", L"s016.jpg"})
      guitest::CopyDataFile(name, input_ + L"\\" + name);
    gMain = MainWindow::Create(WindowSettings{});
    ASSERT_NE(gMain, nullptr);
    window_ = gMain->Handle();
    W().SetInputFolder(input_);
    W().SetOutputFolder(scratch_.folder(L"出力"));
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

  void ShootModalOpenedBy(const wchar_t* caption, const wchar_t* name, int closeId, void (*open)()) {
    ModalShot shot{caption, name, closeId};
    gShot = &shot;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, ShootModal);
    open();
    KillTimer(nullptr, timer);
    gShot = nullptr;
    EXPECT_TRUE(shot.taken);
  }

  guitest::ScratchFolder scratch_;
  std::wstring input_;
  HWND window_ = nullptr;
};

TEST_F(Screenshots, MainWindowWithEachTab) {
  const wchar_t* const kNames[] = {L"main-output-settings", L"main-input-list", L"main-options"};
  for (int tab = 0; tab < 3; ++tab) {
    W().SelectTab(tab);
    Settle();
    EXPECT_TRUE(SaveWindowBitmap(window_, kNames[tab]));
  }
}

// The options tab with some photo options on: the long-edge field enabled beside its check box.
TEST_F(Screenshots, OptionsTabWithPhotoOptionsOn) {
  W().SelectTab(2);
  for (int id : {IDC_AUTO_ROTATE, IDC_KEEP_EXIF, IDC_MAX_EDGE_ON})
    SendMessageW(GetDlgItem(W().optionsPage().Handle(), id), BM_CLICK, 0, 0);
  Settle();
  EXPECT_TRUE(SaveWindowBitmap(window_, L"main-options-photo"));
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

TEST_F(Screenshots, OutputPreview) {
  const std::wstring photos = scratch_.folder(L"preview");
  guitest::CopyDataFile(L"s011.jpg", photos + L"\\s011.jpg");
  W().SetInputFolder(photos);
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

// A folder with sub-folders in the desktop folder, which the tree lists below the desktop node; removed
// with its content at the end of the scope.
class DesktopFolder {
 public:
  DesktopFolder(const std::wstring& name, const std::vector<std::wstring>& subfolders) {
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop);
    path_ = std::wstring(desktop) + L"\\" + name;
    CreateDirectoryW(path_.c_str(), nullptr);
    for (const std::wstring& sub : subfolders) CreateDirectoryW((path_ + L"\\" + sub).c_str(), nullptr);
  }
  ~DesktopFolder() {
    std::wstring list = path_;
    list.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationW(&op);
  }
  DesktopFolder(const DesktopFolder&) = delete;
  DesktopFolder& operator=(const DesktopFolder&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

HWND TreeView() { return W().tree().View(); }

HTREEITEM TreeChild(HTREEITEM parent, const std::wstring& text) {
  for (HTREEITEM item = TreeView_GetChild(TreeView(), parent); item != nullptr;
       item = TreeView_GetNextSibling(TreeView(), item)) {
    wchar_t buffer[MAX_PATH] = {};
    TVITEMW data{};
    data.mask = TVIF_HANDLE | TVIF_TEXT;
    data.hItem = item;
    data.pszText = buffer;
    data.cchTextMax = MAX_PATH;
    TreeView_GetItem(TreeView(), &data);
    if (text == buffer) return item;
  }
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

// "家族" and "風景" (with the sub-folders "春" and "夏") registered; the desktop node collapsed.
void RegisterTwoFolders(const guitest::ScratchFolder& scratch) {
  W().tree().AddRegisteredFolder(scratch.folder(L"風景"));
  scratch.folder(L"風景\\春");
  scratch.folder(L"風景\\夏");
  W().tree().AddRegisteredFolder(scratch.folder(L"家族"));
  TreeView_Expand(TreeView(), W().tree().DesktopNode(), TVE_COLLAPSE | TVE_COLLAPSERESET);
  ExpandAfresh(W().tree().RegisteredRoot());  // sorted
}

TEST_F(Screenshots, TreeExpandedToAFolder) {
  const DesktopFolder photos(L"写真", {L"2023", L"2024", L"旅行"});
  for (const wchar_t* name : {L"s002.jpg", L"s009.jpg"})
    guitest::CopyDataFile(name, photos.path() + L"\\2024\\" + name);
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
  RegisterTwoFolders(scratch_);
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
  RegisterTwoFolders(scratch_);
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
