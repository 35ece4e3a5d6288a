// Helpers of the GUI tests: Windows paths of the test files, scratch folders, message pumping.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "pages/tab_page.h"
#include "ui/controls.h"

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

// Removes `root` and everything below it, deepest first, when it goes out of scope; works at any depth.
struct DeepTreeRemover {
  std::wstring root;
  ~DeepTreeRemover() { RemoveTree(root); }
  static void RemoveTree(const std::wstring& folder);
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

// Runs `action` (which opens something modal) while a timer of this thread calls `tick` every `periodMs`:
// the tick finds the modal window and drives it.
template <typename Action>
void WithThreadTimer(UINT periodMs, TIMERPROC tick, Action action) {
  const UINT_PTR timer = SetTimer(nullptr, 0, periodMs, tick);
  action();
  KillTimer(nullptr, timer);
}

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

// The items of a tree view below `parent`, in order, and their texts.
std::vector<HTREEITEM> TreeChildren(HWND view, HTREEITEM parent);
std::wstring TreeItemText(HWND view, HTREEITEM item);
std::vector<std::wstring> TreeChildTexts(HWND view, HTREEITEM parent);

// A plain visible top-level window (button-face background, default handling of every message) of
// 560 x 400 pixels to hold one tab page in a test. Destroy it at the end of the test.
HWND CreatePageHostWindow(const wchar_t* title);

// A plain visible top-level window with a tooltip, standing in for the main window as the host of one
// tab page in a test: message boxes and dialogs are owned by it, tooltips are registered with its tooltip,
// and the folder-field calls and tooltip switches are recorded. The window goes with the object.
class TestPageHost : public PageHost {
 public:
  explicit TestPageHost(const wchar_t* title);
  ~TestPageHost();
  TestPageHost(const TestPageHost&) = delete;
  TestPageHost& operator=(const TestPageHost&) = delete;

  HWND Window() const { return window_; }
  const Tooltip& tooltip() const { return tooltip_; }

  HWND MessageOwner() const override { return window_; }
  void AddTooltip(HWND control, const wchar_t* text) override { tooltip_.Add(control, text); }
  void ActivateTooltips(bool active) override;
  void SetInputFolder(const std::wstring& folder) override { inputFolders.push_back(folder); }
  void SetOutputFolder(const std::wstring& folder) override { outputFolders.push_back(folder); }

  std::vector<std::wstring> inputFolders;   // every SetInputFolder, in order
  std::vector<std::wstring> outputFolders;  // every SetOutputFolder, in order
  int lastActivate = -1;                    // the last ActivateTooltips: 1 on, 0 off, -1 none yet

 private:
  HWND window_ = nullptr;
  Tooltip tooltip_;
};

}  // namespace qv::guitest
