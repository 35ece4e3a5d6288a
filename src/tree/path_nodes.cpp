// The path nodes of the folder tree.
#include "tree/path_nodes.h"

#include <shellapi.h>
#include <shlobj.h>

#include "batch/input_listing.h"
#include "platform/directory.h"
#include "platform/system_folders.h"
#include "platform/win32/long_path.h"
#include "platform/win32/unique_handles.h"

namespace qv {

namespace {

constexpr wchar_t kRegisteredRootText[] = L"登録フォルダ";

// A sub-folder that the tree lists: a folder, no system folder, no attribute in the mask, a name that
// does not begin with ".".
bool IsListedSubfolder(const WIN32_FIND_DATAW& entry, DWORD hiddenMask) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (entry.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) == 0 && (entry.dwFileAttributes & hiddenMask) == 0 &&
         entry.cFileName[0] != L'.';
}

// Calls `each` with every listed sub-folder's name until it returns false. False when the search
// cannot be started.
template <typename Each>
bool ForEachSubfolder(const std::wstring& folder, DWORD hiddenMask, Each each) {
  WIN32_FIND_DATAW entry;
  const UniqueFindHandle find(FindFirstFileW(SystemPath(JoinPath(folder, L"*")).c_str(), &entry));
  if (!find) return false;
  do {
    if (IsListedSubfolder(entry, hiddenMask) && !each(std::wstring(entry.cFileName))) break;
  } while (FindNextFileW(find.Get(), &entry));
  return true;
}

bool HasListedSubfolder(const std::wstring& folder, DWORD hiddenMask) {
  bool found = false;
  ForEachSubfolder(folder, hiddenMask, [&found](const std::wstring&) {
    found = true;
    return false;
  });
  return found;
}

void ShellNameAndIcons(const std::wstring& path, std::wstring& name, int& icon, int& openIcon) {
  SHFILEINFOW info{};
  if (SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_DISPLAYNAME)) name = info.szDisplayName;
  if (name.empty()) name = LastPathComponent(path);
  icon = SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON) ? info.iIcon : 0;
  openIcon = SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON)
                 ? info.iIcon
                 : icon;
}

HTREEITEM InsertItem(HWND tree, HTREEITEM parent, std::wstring text, int icon, int openIcon, bool hasChildren,
                     FolderNode* node) {
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
  insert.item.pszText = text.data();
  insert.item.iImage = icon;
  insert.item.iSelectedImage = openIcon;
  insert.item.cChildren = hasChildren ? 1 : 0;
  insert.item.lParam = reinterpret_cast<LPARAM>(node);
  HTREEITEM item = TreeView_InsertItem(tree, &insert);
  if (item == nullptr) FreeFolderNode(node);
  return item;
}

// Natural order of the last path components of two path nodes.
int CALLBACK CompareLastComponents(LPARAM first, LPARAM second, LPARAM) {
  const auto* a = reinterpret_cast<const FolderNode*>(first);
  const auto* b = reinterpret_cast<const FolderNode*>(second);
  return CompareNamesNaturally(LastPathComponent(a->path), LastPathComponent(b->path));
}

void SortOrMarkEmpty(HWND tree, HTREEITEM item, int inserted) {
  if (inserted == 0) {
    SetItemChildren(tree, item, false);
    return;
  }
  TVSORTCB sort{};
  sort.hParent = item;
  sort.lpfnCompare = CompareLastComponents;
  TreeView_SortChildrenCB(tree, &sort, FALSE);
}

void EnumerateRegistered(HWND tree, HTREEITEM root, std::vector<std::wstring>& registered, DWORD hiddenMask) {
  int inserted = 0;
  for (size_t i = 0; i < registered.size();) {
    if (!IsExistingFolder(registered[i])) {
      registered.erase(registered.begin() + static_cast<std::ptrdiff_t>(i));  // the rest move up
      continue;
    }
    if (InsertPathNode(tree, registered[i], root, PathRole::kRegistered, hiddenMask) != nullptr) ++inserted;
    ++i;
  }
  SortOrMarkEmpty(tree, root, inserted);
}

void EnumerateSubfolders(HWND tree, HTREEITEM item, const std::wstring& folder, DWORD hiddenMask) {
  int inserted = 0;
  const bool started = ForEachSubfolder(folder, hiddenMask, [&](const std::wstring& name) {
    const std::wstring path = JoinPath(folder, name);
    if (InsertPathNode(tree, path, item, PathRole::kSubfolder, hiddenMask) != nullptr) ++inserted;
    return true;
  });
  SortOrMarkEmpty(tree, item, started ? inserted : 0);
}

}  // namespace

HTREEITEM InsertRegisteredRoot(HWND tree) {
  FolderNode* node = NewPathNode(PathRole::kRegisteredRoot, std::wstring());
  if (node == nullptr) return nullptr;
  int icon = 0;
  PIDLIST_ABSOLUTE documents = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &documents)) && documents != nullptr) {
    SHFILEINFOW info{};
    if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(documents), 0, &info, sizeof(info),
                       SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
      icon = info.iIcon;
    CoTaskMemFree(documents);
  }
  return InsertItem(tree, TVI_ROOT, kRegisteredRootText, icon, icon, true, node);
}

HTREEITEM InsertPathNode(HWND tree, const std::wstring& path, HTREEITEM parent, PathRole role, DWORD hiddenMask) {
  FolderNode* node = NewPathNode(role, path);
  if (node == nullptr) return nullptr;
  std::wstring name;
  int icon = 0, openIcon = 0;
  ShellNameAndIcons(path, name, icon, openIcon);
  return InsertItem(tree, parent, name, icon, openIcon, HasListedSubfolder(path, hiddenMask), node);
}

void EnumeratePathNode(HWND tree, HTREEITEM item, std::vector<std::wstring>& registered, DWORD hiddenMask) {
  const FolderNode* node = NodeOfItem(tree, item);
  if (node == nullptr || node->kind != NodeKind::kPath) return;
  if (node->role == PathRole::kRegisteredRoot)
    EnumerateRegistered(tree, item, registered, hiddenMask);
  else
    EnumerateSubfolders(tree, item, node->path, hiddenMask);
}

}  // namespace qv
