// Process start and end of Quorvix.exe.
#include "shell/startup.h"

#include <commctrl.h>
#include <htmlhelp.h>
#include <objbase.h>
#include <shellapi.h>

#include <utility>

#include "batch/messages.h"
#include "platform/system_folders.h"
#include "platform/win32/unique_handles.h"
#include "resources/resource.h"
#include "settings/settings_file.h"
#include "shell/app_state.h"
#include "shell/command_line.h"
#include "shell/folder_fields.h"
#include "shell/main_window.h"
#include "shell/pages.h"
#include "shell/window_run_host.h"

namespace qv {

namespace {

constexpr SIZE_T kHeapInitialSize = 64 * 1024;

DWORD_PTR gHelpCookie = 0;
ComApartment gComApartment;
bool gTreeMenuOpen = false;

// Windows reports its real version only to programs that declare it; the version functions of ntdll
// always tell the truth.
void WindowsVersion(DWORD& major, DWORD& minor) {
  major = 0;
  minor = 0;
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto rtlGetVersion =
      ntdll != nullptr
          ? reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
          : nullptr;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (rtlGetVersion != nullptr && rtlGetVersion(&info) == 0) {
    major = info.dwMajorVersion;
    minor = info.dwMinorVersion;
  }
}

HFONT CreateUiFont() {
  LOGFONTW font{};
  font.lfHeight = -12;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  wcscpy(font.lfFaceName, L"MS UI Gothic");
  return CreateFontIndirectW(&font);
}

bool RegisterOneClass(const wchar_t* name, WNDPROC procedure, HICON icon, HCURSOR cursor, HBRUSH background) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(App().instance, name, &existing)) return true;
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  cls.lpfnWndProc = procedure;
  cls.hInstance = App().instance;
  cls.hIcon = icon;
  cls.hCursor = cursor;
  cls.hbrBackground = background;
  cls.lpszClassName = name;
  return RegisterClassExW(&cls) != 0;
}

LRESULT CALLBACK OutputPreviewAreaProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

void ShowStartFailure() {
  const MessageText& message = MessageFor(MessageCode::kExecuteFailed);
  ShowMessageBox(nullptr, message.text, message.caption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Brings a running instance forward; true when there is one.
bool BringRunningInstanceForward() {
  HWND running = FindWindowW(kMainWindowClass, nullptr);
  if (running == nullptr) return false;
  if (IsIconic(running)) ShowWindowAsync(running, SW_RESTORE);
  SetForegroundWindow(running);
  return true;
}

void LoadTreeCursors() {
  static const int kIds[3] = {IDC_TREE_INPUT, IDC_TREE_OUTPUT, IDC_TREE_BOTH};
  for (int i = 0; i < 3; ++i) App().treeCursors[i] = LoadCursorW(App().instance, MAKEINTRESOURCEW(kIds[i]));
}

void ShowMainWindow(HWND window, int showCommand) {
  if (showCommand == SW_SHOWMAXIMIZED) {
    ShowWindow(window, SW_SHOWMINIMIZED);
    ShowWindow(window, SW_SHOWNORMAL);
  } else {
    ShowWindow(window, showCommand);
  }
  UpdateWindow(window);
}

// The position to store: the window's normal place on screen, also while it is minimised (as after a
// direct conversion), in the screen coordinates that CreateMainWindow takes.
void RecordWindowPosition(HWND window) {
  POINT position{};
  if (!NormalWindowPosition(window, position)) return;
  StoredAppState& stored = App().stored;
  stored.winX = position.x;
  stored.winY = position.y;
  stored.hasWindowPosition = true;
}

}  // namespace

bool PrepareProcess(HINSTANCE instance) {
  AppState& app = App();
  app.heap = HeapCreate(0, kHeapInitialSize, 0);
  if (app.heap == nullptr) return false;
  gComApartment = ComApartment(ComApartment::Kind::kCom);
  app.instance = instance;
  app.uiFont = CreateUiFont();
  HtmlHelpW(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&gHelpCookie));
  return true;
}

void ReleaseProcess() {
  AppState& app = App();
  HtmlHelpW(nullptr, nullptr, HH_UNINITIALIZE, gHelpCookie);
  gHelpCookie = 0;
  UniqueGdiObject<HFONT>(std::exchange(app.uiFont, nullptr)).Reset();
  gComApartment.Reset();
  if (app.heap != nullptr) HeapDestroy(app.heap);
  app.heap = nullptr;
}

bool RegisterWindowClasses() {
  HINSTANCE instance = App().instance;
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  HBRUSH face = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  HICON icon =
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  bool ok = RegisterOneClass(kMainWindowClass, MainWindowProc, icon, arrow, face);
  ok = RegisterOneClass(kTreePanelClass, TreePanelProc, nullptr, arrow, face) && ok;
  ok = RegisterOneClass(kMainPanelClass, MainPanelProc, nullptr, arrow, face) && ok;
  ok = RegisterOneClass(kTabPageClass, TabPageProc, nullptr, arrow, nullptr) && ok;
  ok = RegisterOneClass(kOutputPreviewClass, OutputPreviewAreaProc, nullptr, arrow, nullptr) && ok;

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                   ICC_PROGRESS_CLASS;
  return InitCommonControlsEx(&controls) && ok;
}

bool StartUp(int showCommand) {
  AppState& app = App();
  DWORD major = 0, minor = 0;
  WindowsVersion(major, minor);
  if (OperatingSystemCategory(major, minor) == 0 ||
      !LocateSettingsFile(ProgramFilePath(), SettingsOwner::kWindowsProgram, app.settingsPath)) {
    ShowStartFailure();
    return false;
  }
  if (BringRunningInstanceForward()) return false;

  LoadAppOptions(app.settingsPath, app.stored);
  LoadConversionParams(app.settingsPath, app.params);
  LoadTreeCursors();
  CreateMenuResources();
  RegisterWindowClasses();
  app.keyboardHook = SetWindowsHookExW(WH_KEYBOARD, TreeCursorHook, nullptr, GetCurrentThreadId());
  HWND window = CreateMainWindow();
  if (window == nullptr) return false;

  int argc = 0;
  UniqueLocalMemory<LPWSTR*> args(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (args && argc >= 2 && ProcessCommandLine(argc, args.Get()) == CommandLineResult::kClose) {
    args.Reset();
    SendMessageW(window, WM_CLOSE, 0, 0);
    return true;  // the loop runs until the quit message of the closing window
  }
  ShowMainWindow(window, showCommand);
  return true;
}

HCURSOR TreeModeCursor(int treeMode) {
  const HCURSOR* cursors = App().treeCursors;
  if (treeMode == 0) return cursors[0];
  if (treeMode == 1) return cursors[1];
  return cursors[2];
}

void SetTreeMenuOpen(bool open) { gTreeMenuOpen = open; }

LRESULT CALLBACK TreeCursorHook(int code, WPARAM wParam, LPARAM lParam) {
  const AppState& app = App();
  if (code == HC_ACTION && app.treeView != nullptr && !gTreeMenuOpen) {
    POINT point{};
    GetCursorPos(&point);
    if (WindowFromPoint(point) == app.treeView) {
      const bool released = (lParam & 0x80000000) != 0;
      const bool repeated = (lParam & 0x40000000) != 0;
      if (!released && !repeated) {
        if (wParam == VK_SHIFT)
          SetCursor(app.treeCursors[0]);
        else if (wParam == VK_CONTROL)
          SetCursor(app.treeCursors[1]);
      } else if (released && (wParam == VK_SHIFT || wParam == VK_CONTROL)) {
        SetCursor(TreeModeCursor(app.stored.options.TvIOSet));
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ShutDownMainWindow() {
  AppState& app = App();
  UniqueHook(std::exchange(app.keyboardHook, nullptr)).Reset();
  RestoreInputListProcedure();
  CloseInputWatch();
  ReleaseInputPreview();
  ReadOutputSettingsIntoParams(app.params);
  app.stored.options.IEPath = FolderFieldText(app.inputField);
  app.stored.options.OEPath = FolderFieldText(app.outputField);
  DeleteMenuResources();
  app.stored.inputHistory = FolderHistory(app.inputField);
  app.stored.outputHistory = FolderHistory(app.outputField);
  if (app.mainWindow != nullptr) RecordWindowPosition(app.mainWindow);
  if (!app.settingsPath.empty()) SaveSettings(app.settingsPath, app.params, app.stored);
}

}  // namespace qv
