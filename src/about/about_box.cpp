// The about box. Its window object owns itself once the window stands (deleted after the window's last
// message, as the main window's is). Its two window classes are registered on opening and removed once
// the window is gone: a class cannot be removed while a window of it exists, and the closing window still
// exists while it handles its own last message, so the removal waits for the message loop.
#include "about/about_box.h"

#include <memory>
#include <new>

#include "about/help.h"
#include "batch/messages.h"
#include "platform/win32/unique_handles.h"
#include "resources/resource.h"
#include "ui/controls.h"
#include "ui/dpi.h"
#include "ui/message_box.h"
#include "ui/paint_colours.h"
#include "ui/process.h"
#include "ui/window_base.h"

namespace qv {

const wchar_t kAboutWindowClass[] = L"ver_parent_class";
const wchar_t kAboutLinkClass[] = L"ver_child_class";
const wchar_t kAboutCaption[] = L"バージョン情報";
const wchar_t kAboutTitleLine[] = L"Quorvix  version 1.02";
// The copyright line and the link text are short enough for their fixed boxes (195 and 120 pixels wide)
// in the fonts they are drawn in.
const wchar_t kAboutCopyrightLine[] = L"(C) 2026 Quorvix developers";
const wchar_t kAboutLinkText[] = L"ヘルプを開く";

namespace {

constexpr DWORD kAboutStyle = WS_CAPTION | WS_SYSMENU | WS_VISIBLE | WS_CLIPCHILDREN;
constexpr DWORD kAboutExStyle = WS_EX_DLGMODALFRAME;
constexpr DWORD kLabelStyle = SS_LEFT | SS_ENDELLIPSIS;
constexpr int kLinkTextX = 1;
constexpr int kLinkTextY = 1;

// The children of the about window besides the link, in the order they are made.
struct ChildSpec {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  int x, y, width, height;
};
const ChildSpec kChildren[] = {
    {IDC_ABOUT_TITLE, L"Static", kAboutTitleLine, kLabelStyle, 10, 10, 160, 12},
    {IDC_ABOUT_COPYRIGHT, L"Static", kAboutCopyrightLine, kLabelStyle, 28, 30, 195, 12},
    {IDC_ABOUT_OK, L"Button", L"OK", BS_PUSHBUTTON | WS_TABSTOP, 139, 75, 88, 21},
};
constexpr RECT kLinkRect{45, 51, 45 + 120, 51 + 14};

bool IsCloseKey(WPARAM key) { return key == VK_RETURN || key == VK_ESCAPE; }

bool RegisterAboutClasses() {
  HBRUSH face = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  const bool window = WindowBase::RegisterClass(kAboutWindowClass, nullptr, LoadCursorW(nullptr, IDC_ARROW), face);
  const bool link = WindowBase::RegisterClass(kAboutLinkClass, nullptr, LoadCursorW(nullptr, IDC_HAND), face);
  return window && link;
}

// Removes the classes once the message loop runs again. A box opened meanwhile keeps them: removing a
// class with windows fails, and that box's own close removes them later.
void CALLBACK UnregisterAboutClasses(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  UnregisterClassW(kAboutLinkClass, Process().instance);
  UnregisterClassW(kAboutWindowClass, Process().instance);
}

void ScheduleClassRemoval() { SetTimer(nullptr, 0, 0, UnregisterAboutClasses); }

// Only move and close are left in the system menu.
void TrimSystemMenu(HWND window) {
  HMENU menu = GetSystemMenu(window, FALSE);
  if (menu == nullptr) return;
  for (UINT command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) RemoveMenu(menu, command, MF_BYCOMMAND);
}

// The about window's outer rectangle: the fixed client area (scaled for the main window's DPI) under a
// dialog frame and a caption, centred on the main window.
RECT AboutRectOver(HWND mainWindow) {
  const UINT dpi = DpiOf(mainWindow);
  const int d = static_cast<int>(dpi);
  const int width = ScaleForDpi(kAboutClientWidth, d) + 2 * GetSystemMetricsForDpi(SM_CXDLGFRAME, dpi);
  const int height = ScaleForDpi(kAboutClientHeight, d) + 2 * GetSystemMetricsForDpi(SM_CYDLGFRAME, dpi) +
                     GetSystemMetricsForDpi(SM_CYCAPTION, dpi);
  RECT main{};
  GetWindowRect(mainWindow, &main);
  const int x = main.left + (main.right - main.left - width) / 2;
  const int y = main.top + (main.bottom - main.top - height) / 2;
  return RECT{x, y, x + width, y + height};
}

// The link to the help: blue text without underline (the system's hot-tracking colour under high
// contrast); a left click opens the help file beside the program at its start page, as the help button
// does with no tab selected.
class LinkLabel : public WindowBase {
 public:
  HWND Create(HWND parent) {
    const RECT rect = ScaleRect(kLinkRect, DpiOf(parent));
    HWND link = WindowBase::Create(0, kAboutLinkClass, kAboutLinkText, WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, parent, IDC_ABOUT_LINK);
    RememberLayout96(link, kLinkRect);
    return link;
  }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_PAINT: Paint(); return 0;
      case WM_LBUTTONDOWN: ShowHelp(-1); return 0;
      default: return Default(message, wParam, lParam);
    }
  }

 private:
  void Paint() const {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(Handle(), &paint);
    if (dc == nullptr) return;
    {
      // The dialog font of the system's DPI, made for the window's.
      LOGFONTW lf{};
      GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
      const UINT dpi = DpiOf(Handle());
      lf.lfHeight = MulDiv(lf.lfHeight, static_cast<int>(dpi), static_cast<int>(GetDpiForSystem()));
      const UniqueGdiObject<HFONT> linkFont(CreateFontIndirectW(&lf));
      const SelectedObject font(dc, linkFont.Get());
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, PaintColour(ColourRole::kLink));
      TextOutW(dc, ScaleFor(Handle(), kLinkTextX), ScaleFor(Handle(), kLinkTextY), kAboutLinkText,
               static_cast<int>(wcslen(kAboutLinkText)));
    }
    EndPaint(Handle(), &paint);
  }
};

class AboutBox : public WindowBase {
 public:
  // The box over `mainWindow`, or null (after the memory failure message when the memory was missing).
  static HWND Open(HWND mainWindow);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage() override;

 private:
  explicit AboutBox(HWND mainWindow) : mainWindow_(mainWindow) {}

  HWND CreateOverMainWindow();
  void Build();
  void SubclassOkButton();
  void RestoreOkButton();
  void OnClose();
  static LRESULT CALLBACK OkButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam);

  HWND mainWindow_;
  WindowDpi dpi_;
  LinkLabel link_;
  WNDPROC okProcedure_ = nullptr;  // the OK button's own procedure while it is subclassed
  bool ownedByWindow_ = false;     // set once the window stands; until then the opener owns the object
};

HWND AboutBox::Open(HWND mainWindow) {
  std::unique_ptr<AboutBox> box(new (std::nothrow) AboutBox(mainWindow));
  if (!box) {
    ShowAppMessage(mainWindow, MessageCode::kMemory);
    return nullptr;
  }
  HWND window = box->CreateOverMainWindow();
  if (window == nullptr) return nullptr;
  box.release()->ownedByWindow_ = true;
  return window;
}

HWND AboutBox::CreateOverMainWindow() {
  RegisterAboutClasses();
  EnableWindow(mainWindow_, FALSE);
  const RECT r = AboutRectOver(mainWindow_);
  HWND window = Create(kAboutExStyle, kAboutWindowClass, kAboutCaption, kAboutStyle, r.left, r.top, r.right - r.left,
                       r.bottom - r.top, mainWindow_);
  if (window != nullptr) return window;
  EnableWindow(mainWindow_, TRUE);
  ScheduleClassRemoval();
  return nullptr;
}

void AboutBox::Build() {
  dpi_.Attach(Handle());
  TrimSystemMenu(Handle());
  for (const ChildSpec& c : kChildren)
    CreateControl(Handle(), c.className, c.text, c.style | WS_VISIBLE, c.x, c.y, c.width, c.height, c.id);
  link_.Create(Handle());
  SubclassOkButton();
}

void AboutBox::SubclassOkButton() {
  HWND ok = GetDlgItem(Handle(), IDC_ABOUT_OK);
  if (ok == nullptr) return;
  okProcedure_ =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(ok, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OkButtonProcedure)));
}

void AboutBox::RestoreOkButton() {
  HWND ok = GetDlgItem(Handle(), IDC_ABOUT_OK);
  // A procedure put on the button after ours keeps the chain: taking ours out would cut it off.
  if (ok != nullptr && okProcedure_ != nullptr &&
      GetWindowLongPtrW(ok, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(OkButtonProcedure)) {
    SetWindowLongPtrW(ok, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(okProcedure_));
    okProcedure_ = nullptr;
  }
}

LRESULT CALLBACK AboutBox::OkButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  AboutBox* box = FromHandle<AboutBox>(GetParent(button));
  if (box == nullptr || box->okProcedure_ == nullptr) return DefWindowProcW(button, message, wParam, lParam);
  if (message == WM_KEYDOWN && IsCloseKey(wParam)) {
    SendMessageW(box->Handle(), WM_CLOSE, 0, 0);
    return 0;
  }
  return CallWindowProcW(box->okProcedure_, button, message, wParam, lParam);
}

// Before the default handling destroys the window: the main window takes input again and comes forward.
void AboutBox::OnClose() {
  RestoreOkButton();
  EnableWindow(mainWindow_, TRUE);
  SetForegroundWindow(mainWindow_);
}

LRESULT AboutBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: Build(); return 0;
    case WM_KEYDOWN:
      if (IsCloseKey(wParam)) SendMessageW(Handle(), WM_CLOSE, 0, 0);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_ABOUT_OK) SendMessageW(Handle(), WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE: OnClose(); break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE: ApplySystemColourChange(Handle(), false); break;
    case WM_DPICHANGED: {
      dpi_.Change(LOWORD(wParam));
      const RECT& r = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default: break;
  }
  return Default(message, wParam, lParam);
}

void AboutBox::OnFinalMessage() {
  dpi_.Detach();
  ScheduleClassRemoval();
  if (ownedByWindow_) delete this;
}

}  // namespace

HWND OpenAboutBox(HWND mainWindow) { return AboutBox::Open(mainWindow); }

}  // namespace qv
