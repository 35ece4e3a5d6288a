// Win32 implementation of platform/console.h.
#include <windows.h>

#include "platform/console.h"
#include "platform/text.h"

namespace qv {

namespace {

std::atomic<bool>* gInterruptFlag = nullptr;
void (*gHardStop)() = nullptr;
std::atomic<int> gStopsSeen{0};

// Time a closing console leaves the process, less a margin: the system ends it after about 5 s.
constexpr DWORD kCloseGraceMs = 4000;

[[noreturn]] void HardStop() {
  if (gHardStop != nullptr) gHardStop();
  // TerminateProcess, not ExitProcess: the main thread may hold the C library's locks that exit handlers
  // would wait for.
  TerminateProcess(GetCurrentProcess(), 130);
  for (;;) Sleep(INFINITE);
}

void RequestStop() {
  if (gInterruptFlag != nullptr) gInterruptFlag->store(true);
}

// Runs on a thread the system starts for each event.
BOOL WINAPI OnControl(DWORD type) {
  switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (gStopsSeen.fetch_add(1) == 0) {
        RequestStop();
        return TRUE;
      }
      HardStop();
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // Returning would end the process at once. The main thread finishes the current file and ends the
      // process itself; if that takes too long, the temporary file is removed before the system steps in.
      gStopsSeen.fetch_add(1);
      RequestStop();
      Sleep(kCloseGraceMs);
      HardStop();
    default: return FALSE;
  }
}

HANDLE Handle(Stream s) { return GetStdHandle(s == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE); }

}  // namespace

bool IsTerminal(Stream stream) {
  DWORD mode = 0;
  return GetConsoleMode(Handle(stream), &mode) != FALSE;
}

bool WriteText(Stream stream, const std::string& utf8) {
  HANDLE h = Handle(stream);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
  if (IsTerminal(stream)) {
    const std::wstring wide = FromUtf8(utf8);
    DWORD written = 0;
    return WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != FALSE &&
           written == wide.size();
  }
  const char* p = utf8.data();
  size_t left = utf8.size();
  while (left > 0) {
    DWORD written = 0;
    const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    if (!WriteFile(h, p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    left -= written;
  }
  return true;
}

int TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(Handle(Stream::kErr), &info)) return info.srWindow.Right - info.srWindow.Left + 1;
  return 80;
}

bool PrefersJapaneseMessages() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE; }

void InstallInterruptHandling(std::atomic<bool>* flag, void (*hardStop)()) {
  gInterruptFlag = flag;
  gHardStop = hardStop;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

}  // namespace qv
