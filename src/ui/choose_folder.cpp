// ChooseFolder through SHBrowseForFolderW, its choice read as a path of any length (FileSystemPathOf).
// The new dialog style needs OLE on the thread, so the call initialises it for its own duration (a no-op
// count when the program already did).
#include "ui/choose_folder.h"

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <utility>
#include <vector>

#include "ui/shell_link.h"

namespace qv {

namespace {

// Preselects the initial path (passed as lParam of the browse info) once the browser is ready.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    const auto* initial = reinterpret_cast<const std::wstring*>(data);
    if (!initial->empty()) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(initial->c_str()));
  }
  return 0;
}

std::wstring CurrentDirectory() {
  const DWORD length = GetCurrentDirectoryW(0, nullptr);
  if (length == 0) return std::wstring();
  std::vector<wchar_t> buffer(length);
  const DWORD written = GetCurrentDirectoryW(length, buffer.data());
  if (written == 0 || written >= length) return std::wstring();
  return std::wstring(buffer.data(), written);
}

}  // namespace

std::optional<std::wstring> ChooseFolder(const std::wstring& initialPath, HWND owner) {
  const std::wstring savedDirectory = CurrentDirectory();
  const bool oleStarted = SUCCEEDED(OleInitialize(nullptr));

  wchar_t displayName[MAX_PATH] = {};  // the item's display name only, never a path
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pszDisplayName = displayName;
  info.lpszTitle = L"フォルダ設定";
  info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&initialPath);

  std::optional<std::wstring> chosen;
  PIDLIST_ABSOLUTE items = SHBrowseForFolderW(&info);
  if (items != nullptr) {
    std::wstring path = FileSystemPathOf(items);
    if (!path.empty()) chosen = std::move(path);
    CoTaskMemFree(items);
  }

  if (oleStarted) OleUninitialize();
  if (!savedDirectory.empty()) SetCurrentDirectoryW(savedDirectory.c_str());
  return chosen;
}

}  // namespace qv
