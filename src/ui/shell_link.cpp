// Shell links through IShellLinkW, loaded and saved with IPersistFile.
#include "ui/shell_link.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cwchar>
#include <utility>

#include "platform/system_folders.h"
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
  return FileSystemPathOf(items.Get());
}

// SHGetPathFromIDListEx into `size` characters; empty when the list has no path or it does not fit.
std::wstring PathFromIdList(PCIDLIST_ABSOLUTE items, size_t size) {
  std::wstring path(size, L'\0');
  if (!SHGetPathFromIDListEx(items, path.data(), static_cast<DWORD>(size), GPFIDL_DEFAULT)) return std::wstring();
  path.resize(wcsnlen(path.c_str(), size));
  return path;
}

}  // namespace

std::wstring FileSystemPathOf(PCIDLIST_ABSOLUTE items) {
  if (items == nullptr) return std::wstring();
  // Most paths fit MAX_PATH; a longer one (or a list without a path) is asked again with room for any.
  std::wstring path = PathFromIdList(items, MAX_PATH);
  if (path.empty()) path = PathFromIdList(items, kMaxLongPathChars + 1);
  if (!path.empty()) return path;
  ComPtr<IShellItem> item;
  if (FAILED(SHCreateItemFromIDList(items, IID_PPV_ARGS(&item)))) return std::wstring();
  UniqueCoTaskMemory<PWSTR> name;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, name.Put())) || !name) return std::wstring();
  return name.Get();
}

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
  // The link's own path text has no longer form.
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
