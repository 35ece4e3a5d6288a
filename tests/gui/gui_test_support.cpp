// Helpers of the GUI tests.
#include "gui_test_support.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>

#include "platform/files.h"
#include "platform/system_folders.h"
#include "platform/win32/long_path.h"
#include "platform/win32/unique_handles.h"

namespace qv::guitest {

std::wstring WindowsPath(const std::string& path) {
  std::wstring wide(path.begin(), path.end());
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return wide;
}

std::wstring DataDir() {
  const char* env = std::getenv("QV_TEST_DATA");
  return WindowsPath(env != nullptr && *env != '\0' ? env : QV_TEST_DATA_DEFAULT);
}

std::wstring GuiExePath() {
  const char* env = std::getenv("QV_GUI_EXE");
  return WindowsPath(env != nullptr && *env != '\0' ? env : QV_GUI_EXE_DEFAULT);
}

ScratchFolder::ScratchFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  static unsigned counter = 0;
  for (;;) {
    path_ = std::wstring(temp) + L"qvgui-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
}

// Not the shell's delete: Wine's SHFileOperationW, meeting a path beyond MAX_PATH in the tree, goes on
// deleting in the current folder.
ScratchFolder::~ScratchFolder() { DeepTreeRemover::RemoveTree(path_); }

std::wstring ScratchFolder::folder(const std::wstring& name) const {
  const std::wstring sub = file(name);
  CreateDirectoryW(sub.c_str(), nullptr);
  return sub;
}

void DeepTreeRemover::RemoveTree(const std::wstring& folder) {
  if (folder.empty()) return;
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW(SystemPath(folder + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // A link: removed itself, never followed.
        if (!RemoveEmptyFolder(path)) DeleteFileAt(path);
      } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(SystemPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileAt(path);
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveEmptyFolder(folder);
}

bool CopyDataFile(const std::wstring& dataName, const std::wstring& target) {
  const std::wstring source = DataDir() + L"\\" + dataName;
  if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) return false;
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  return true;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::vector<std::wstring> FileNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  const UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(data.cFileName);
  } while (FindNextFileW(find.Get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

std::wstring ReadUtf16File(const std::wstring& path) {
  const UniqueKernelHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::wstring();
  const DWORD size = GetFileSize(file.Get(), nullptr);
  std::wstring text(size / 2, L'\0');
  DWORD read = 0;
  ReadFile(file.Get(), text.data(), size, &read, nullptr);
  text.resize(read / 2);
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  return text;
}

bool WriteUtf16File(const std::wstring& path, const std::wstring& text) {
  UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) return false;
  const std::wstring content = L"\xFEFF" + text;
  DWORD written = 0;
  const BOOL ok = WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size() * 2), &written, nullptr);
  return file.Close() && ok && written == content.size() * 2;
}

void PumpMessages(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (GetTickCount64() >= end) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (GetTickCount64() < end);
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::vector<HTREEITEM> TreeChildren(HWND view, HTREEITEM parent) {
  std::vector<HTREEITEM> children;
  for (HTREEITEM c = TreeView_GetChild(view, parent); c != nullptr; c = TreeView_GetNextSibling(view, c))
    children.push_back(c);
  return children;
}

std::wstring TreeItemText(HWND view, HTREEITEM item) {
  wchar_t text[MAX_PATH] = {};
  TVITEMW data{};
  data.mask = TVIF_HANDLE | TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = MAX_PATH;
  TreeView_GetItem(view, &data);
  return text;
}

std::vector<std::wstring> TreeChildTexts(HWND view, HTREEITEM parent) {
  std::vector<std::wstring> texts;
  for (HTREEITEM c : TreeChildren(view, parent)) texts.push_back(TreeItemText(view, c));
  return texts;
}

HWND CreatePageHostWindow(const wchar_t* title) {
  static const wchar_t kClass[] = L"QvTestPageHost";
  static const bool registered = [] {
    WNDCLASSEXW host{};
    host.cbSize = sizeof(host);
    host.lpfnWndProc = DefWindowProcW;
    host.hInstance = GetModuleHandleW(nullptr);
    host.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    host.lpszClassName = kClass;
    return RegisterClassExW(&host) != 0;
  }();
  if (!registered) return nullptr;
  return CreateWindowExW(0, kClass, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 560, 400, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

TestPageHost::TestPageHost(const wchar_t* title) : window_(CreatePageHostWindow(title)) {
  tooltip_.Create(window_, true);
}

TestPageHost::~TestPageHost() {
  if (window_ != nullptr) DestroyWindow(window_);  // the tooltip goes with its owner
}

void TestPageHost::ActivateTooltips(bool active) {
  lastActivate = active ? 1 : 0;
  tooltip_.Activate(active);
}

}  // namespace qv::guitest
