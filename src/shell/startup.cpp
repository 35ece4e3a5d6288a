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
#include "shell/command_line.h"
#include "shell/main_window.h"
#include "ui/message_box.h"
#include "ui/dpi.h"
#include "ui/process.h"

namespace qv {

namespace {

constexpr SIZE_T kHeapInitialSize = 64 * 1024;

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

// The font of windows that have no DPI of their own (the dialogs): made for the system's DPI.
HFONT CreateUiFont() { return CreateUiFontForDpi(GetDpiForSystem()); }

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

void ShowMainWindow(HWND window, int showCommand) {
  if (showCommand == SW_SHOWMAXIMIZED) {
    ShowWindow(window, SW_SHOWMINIMIZED);
    ShowWindow(window, SW_SHOWNORMAL);
  } else {
    ShowWindow(window, showCommand);
  }
  UpdateWindow(window);
}

}  // namespace

bool PrepareProcess(HINSTANCE instance) {
  ProcessRecord& process = Process();
  process.heap = HeapCreate(0, kHeapInitialSize, 0);
  if (process.heap == nullptr) return false;
  process.com = ComApartment(ComApartment::Kind::kCom);
  process.instance = instance;
  process.uiFont = CreateUiFont();
  HtmlHelpW(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&process.helpCookie));
  return true;
}

void ReleaseProcess() {
  ProcessRecord& process = Process();
  HtmlHelpW(nullptr, nullptr, HH_UNINITIALIZE, process.helpCookie);
  process.helpCookie = 0;
  UniqueGdiObject<HFONT>(std::exchange(process.uiFont, nullptr)).Reset();
  process.com.Reset();
  if (process.heap != nullptr) HeapDestroy(process.heap);
  process.heap = nullptr;
}

bool StartUp(int showCommand) {
  ProcessRecord& process = Process();
  DWORD major = 0, minor = 0;
  WindowsVersion(major, minor);
  if (OperatingSystemCategory(major, minor) == 0 ||
      !LocateSettingsFile(ProgramFilePath(), SettingsOwner::kWindowsProgram, process.settingsPath)) {
    ShowStartFailure();
    return false;
  }
  if (BringRunningInstanceForward()) return false;

  WindowSettings settings;
  LoadAppOptions(process.settingsPath, settings.stored);
  LoadConversionParams(process.settingsPath, settings.params);
  RegisterWindowClasses();
  MainWindow* window = MainWindow::Create(std::move(settings));
  if (window == nullptr) return false;

  int argc = 0;
  UniqueLocalMemory<LPWSTR*> args(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (args && argc >= 2 && ProcessCommandLine(*window, argc, args.Get()) == CommandLineResult::kClose) {
    args.Reset();
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    return true;  // the loop runs until the quit message of the closing window
  }
  ShowMainWindow(window->Handle(), showCommand);
  return true;
}

}  // namespace qv
