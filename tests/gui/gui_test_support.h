// Helpers of the GUI tests: Windows paths of the test files, scratch folders, message pumping.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qv::guitest {

// A path from the build (POSIX "/x/y" under Wine becomes "Z:\x\y"; a Windows path stays).
std::wstring WindowsPath(const std::string& path);
// Folder of the JPEG test files; env QV_TEST_DATA overrides the built-in default.
std::wstring DataDir();
// Quorvix.exe of this build; env QV_GUI_EXE overrides the built-in default.
std::wstring GuiExePath();

// A fresh folder under the temporary folder, removed with its content at the end of the scope.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
  // A sub-folder, created.
  std::wstring folder(const std::wstring& name) const;

 private:
  std::wstring path_;
};

// Copies tests/data/<dataName> to `target`; false on failure.
bool CopyDataFile(const std::wstring& dataName, const std::wstring& target);
bool FileExists(const std::wstring& path);
// Names of the files in `folder` (no folders), sorted.
std::vector<std::wstring> FileNames(const std::wstring& folder);
// The text of a UTF-16LE file with byte-order mark (the settings file), without the mark.
std::wstring ReadUtf16File(const std::wstring& path);
bool WriteUtf16File(const std::wstring& path, const std::wstring& text);

// Dispatches this thread's queued messages for `milliseconds`.
void PumpMessages(DWORD milliseconds);
// Pumps messages until `done()` or the timeout; returns done().
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() > end) return false;
    PumpMessages(10);
  }
  return true;
}

std::wstring WindowText(HWND window);

// A plain visible top-level window (button-face background, default handling of every message) of
// 560 x 400 pixels to hold one tab page in a test. Destroy it at the end of the test.
HWND CreatePageHostWindow(const wchar_t* title);

}  // namespace qv::guitest
