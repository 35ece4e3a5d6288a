// Entry of Quorvix.exe: process resources, start-up, the message loop, and their release.
#include <windows.h>

#include "shell/main_window_keys.h"
#include "shell/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
  if (!qv::PrepareProcess(instance)) return 0;
  int quitCode = 0;
  if (qv::StartUp(showCommand)) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (qv::TranslateMainWindowMessage(msg)) continue;  // the main window's keyboard navigation
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    quitCode = static_cast<int>(msg.wParam);
  }
  qv::ReleaseProcess();
  return quitCode;
}
