// Shell links through IShellLinkW, loaded and saved with IPersistFile.
#include "ui/shell_link.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cwchar>
#include <utility>

#include "platform/win32/unique_handles.h"

namespace qv {

using Microsoft::WRL::ComPtr;

namespace {

ComPtr<IShellLinkW> NewShellLink() {
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return nullptr;
  return link;
}

// The path of the link's item id list; empty when it has none or no file-system path.
std::wstring PathOfItemIdList(IShellLinkW& link) {
  UniqueCoTaskMemory<PIDLIST_ABSOLUTE> items;
  if (FAILED(link.GetIDList(items.Put())) || !items) return std::wstring();
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(items.Get(), path)) return std::wstring();
  return std::wstring(path, wcsnlen(path, MAX_PATH - 1));
}

}  // namespace

bool IsShellLink(const std::wstring& path) {
  SHFILEINFOW info{};
  info.dwAttributes = SFGAO_LINK;
  if (SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED) == 0) return false;
  return (info.dwAttributes & SFGAO_LINK) != 0;
}

std::wstring ReadShortcutTarget(const std::wstring& linkPath) {
  const ComPtr<IShellLinkW> link = NewShellLink();
  if (!link) return std::wstring();
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file))) return std::wstring();
  if (FAILED(file->Load(linkPath.c_str(), STGM_READ))) return std::wstring();
  // GetPath goes through the ANSI code page on some systems; the item list keeps the wide path.
  std::wstring target = PathOfItemIdList(*link.Get());
  if (!target.empty()) return target;
  wchar_t path[MAX_PATH] = {};
  const HRESULT hr = link->GetPath(path, MAX_PATH - 1, nullptr, SLGP_UNCPRIORITY);
  if (FAILED(hr) || hr == S_FALSE) return std::wstring();
  return std::wstring(path, wcsnlen(path, MAX_PATH - 1));
}

bool ResolveShortcut(std::wstring& path) {
  std::wstring target = ReadShortcutTarget(path);
  if (target.empty()) return false;
  path = std::move(target);
  return true;
}

bool CreateShortcutFile(const std::wstring& linkPath, const std::wstring& target) {
  const ComPtr<IShellLinkW> link = NewShellLink();
  if (!link) return false;
  if (FAILED(link->SetPath(target.c_str()))) return false;
  if (FAILED(link->SetArguments(L""))) return false;
  if (FAILED(link->SetIconLocation(target.c_str(), 0))) return false;
  if (FAILED(link->SetShowCmd(SW_SHOWNORMAL))) return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file))) return false;
  return SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

}  // namespace qv
