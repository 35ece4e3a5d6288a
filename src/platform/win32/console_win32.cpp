// Win32 implementation of platform/console.h.
#include <windows.h>

#include "platform/console.h"
#include "platform/text.h"

namespace qv {

namespace {
std::atomic<bool>* gInterruptFlag = nullptr;
BOOL WINAPI OnControl(DWORD type) {
  if ((type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) && gInterruptFlag != nullptr) {
    gInterruptFlag->store(true);
    return TRUE;
  }
  return FALSE;
}
HANDLE Handle(Stream s) { return GetStdHandle(s == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE); }
}  // namespace

bool IsTerminal(Stream stream) {
  DWORD mode = 0;
  return GetConsoleMode(Handle(stream), &mode) != FALSE;
}

void WriteText(Stream stream, const std::string& utf8) {
  HANDLE h = Handle(stream);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  if (IsTerminal(stream)) {
    const std::wstring wide = FromUtf8(utf8);
    DWORD written = 0;
    WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  DWORD written = 0;
  WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

int TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(Handle(Stream::kErr), &info)) return info.srWindow.Right - info.srWindow.Left + 1;
  return 80;
}

void InstallInterruptFlag(std::atomic<bool>* flag) {
  gInterruptFlag = flag;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

}  // namespace qv
