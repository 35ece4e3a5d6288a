// The Send To shortcut through the shell's link object (IShellLinkW saved with IPersistFile).
#include "shell/send_to.h"

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "platform/system_folders.h"

namespace qv {

using Microsoft::WRL::ComPtr;

namespace {

std::wstring SendToFolder() {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_SendTo, 0, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::wstring ShortcutPathIn(const std::wstring& sendToFolder, const std::wstring& exePath) {
  std::wstring name = LastPathComponent(exePath);
  if (sendToFolder.empty() || name.empty()) return std::wstring();
  const size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  return JoinPath(sendToFolder, name + L".lnk");
}

std::wstring SendToShortcutPath() { return ShortcutPathIn(SendToFolder(), ProgramFilePath()); }

bool SendToShortcutExists() {
  const std::wstring path = SendToShortcutPath();
  return !path.empty() && FileExists(path);
}

bool CreateShortcutFile(const std::wstring& linkPath, const std::wstring& target) {
  ComPtr<IShellLinkW> link;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
  if (FAILED(hr)) return false;
  if (FAILED(link->SetPath(target.c_str()))) return false;
  if (FAILED(link->SetArguments(L""))) return false;
  if (FAILED(link->SetIconLocation(target.c_str(), 0))) return false;
  if (FAILED(link->SetShowCmd(SW_SHOWNORMAL))) return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file))) return false;
  return SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

std::wstring ReadShortcutTarget(const std::wstring& linkPath) {
  ComPtr<IShellLinkW> link;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
  if (FAILED(hr)) return std::wstring();
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file))) return std::wstring();
  if (FAILED(file->Load(linkPath.c_str(), STGM_READ))) return std::wstring();
  PIDLIST_ABSOLUTE items = nullptr;
  if (FAILED(link->GetIDList(&items)) || items == nullptr) return std::wstring();
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(items, path) != FALSE;
  CoTaskMemFree(items);
  return ok ? std::wstring(path) : std::wstring();
}

bool UpdateSendToShortcut(bool registered) {
  const std::wstring linkPath = SendToShortcutPath();
  if (linkPath.empty()) return false;
  const bool exists = FileExists(linkPath);
  if (registered == exists) return true;
  if (registered) return CreateShortcutFile(linkPath, ProgramFilePath());
  return DeleteFileW(linkPath.c_str()) != FALSE;
}

}  // namespace qv
