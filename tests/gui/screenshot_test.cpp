// Pictures of the program for a person to look at: the main window with each tab, the comment dialog,
// the file-name check dialog, a message box and the window during a run. Taken only when
// QV_SCREENSHOT_DIR names a folder (the gui stage of the test runner sets it and turns the bitmaps into
// PNG files); skipped otherwise.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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

// Saves what the screen shows inside the window's rectangle as a 24-bit bitmap file.
bool SaveWindowBitmap(HWND window, const std::wstring& name) {
  RECT r{};
  if (!GetWindowRect(window, &r)) return false;
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
  {
    const SelectedObject selected(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), r.left, r.top, SRCCOPY);
  }
  GdiFlush();
  const DWORD stride = ((width * 3 + 3) / 4) * 4;
  const DWORD imageBytes = stride * height;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + imageBytes;
  const std::wstring path = ScreenshotDir() + L"\\" + name + L".bmp";
  UniqueKernelHandle out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!out) return false;
  DWORD written = 0;
  const bool ok = WriteFile(out.Get(), &file, sizeof(file), &written, nullptr) &&
                  WriteFile(out.Get(), &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
                  WriteFile(out.Get(), bits, imageBytes, &written, nullptr);
  return out.Close() && ok;
}

// The dialog or message box of this thread with the given caption, if one is open.
HWND FindDialog(const wchar_t* caption) {
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

}  // namespace
}  // namespace qv
