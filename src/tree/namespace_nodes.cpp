// The shell namespace nodes of the folder tree.
#include "tree/namespace_nodes.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/win32/long_path.h"
#include "tree/folder_node.h"
#include "ui/shell_link.h"

namespace qv {

namespace {

// Icon index of the shell for an identifier list; the open-state icon with `open`.
int ShellIcon(PCIDLIST_ABSOLUTE absolute, bool open) {
  SHFILEINFOW info{};
  const UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (open ? SHGFI_OPENICON : 0);
  if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof(info), flags) == 0) return 0;
  return info.iIcon;
}

std::wstring ShellDisplayName(PCIDLIST_ABSOLUTE absolute) {
  SHFILEINFOW info{};
  if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_DISPLAYNAME) == 0)
    return std::wstring();
  return info.szDisplayName;
}

// A filesystem folder whose attributes meet the mask is left out; drive roots and folders without a
// filesystem path never are.
bool IsMaskedOut(PCIDLIST_ABSOLUTE absolute, DWORD hiddenMask) {
  const std::wstring path = FileSystemPathOf(absolute);
  if (path.empty() || PathIsRootW(path.c_str())) return false;
  const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & hiddenMask) != 0;
}

// One child of `parentNode`'s folder: inserted as the last child of `parent`, or not (the identifier is
// then released). True when inserted.
bool InsertNamespaceNode(HWND tree, HTREEITEM parent, const FolderNode& parentNode, PITEMID_CHILD child,
                         DWORD hiddenMask) {
  SFGAOF attributes = SFGAO_HASSUBFOLDER | SFGAO_FOLDER | SFGAO_SHARE;
  PCUITEMID_CHILD children[1] = {child};
  if (FAILED(parentNode.folder->GetAttributesOf(1, children, &attributes)) || (attributes & SFGAO_FOLDER) == 0) {
    CoTaskMemFree(child);
    return false;
  }
  IShellFolder* folder = nullptr;
  if (FAILED(parentNode.folder->BindToObject(child, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder))) ||
      folder == nullptr) {
    CoTaskMemFree(child);
    return false;
  }
  FolderNode* node = NewNamespaceNode(folder, parentNode.absolute, child);
  if (node == nullptr) {
    folder->Release();
    CoTaskMemFree(child);
    return false;
  }
  if (IsMaskedOut(node->absolute, hiddenMask) ||
      InsertShellItem(tree, parent, node->absolute, reinterpret_cast<LPARAM>(node),
                      (attributes & SFGAO_HASSUBFOLDER) != 0, (attributes & SFGAO_SHARE) != 0) == nullptr) {
    FreeFolderNode(node);
    return false;
  }
  return true;
}

// The parent folder's own order of two children (column 0): the sign of the result's low 16 bits.
int CALLBACK CompareChildren(LPARAM first, LPARAM second, LPARAM parentFolder) {
  auto* folder = reinterpret_cast<IShellFolder*>(parentFolder);
  const auto* a = reinterpret_cast<const FolderNode*>(first);
  const auto* b = reinterpret_cast<const FolderNode*>(second);
  const HRESULT result = folder->CompareIDs(0, a->relative, b->relative);
  return static_cast<short>(HRESULT_CODE(result));
}

}  // namespace

HIMAGELIST SystemSmallImageList() {
  SHFILEINFOW info{};
  return reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

HTREEITEM InsertShellItem(HWND tree, HTREEITEM parent, PCIDLIST_ABSOLUTE absolute, LPARAM node, bool hasChildren,
                          bool shared) {
  std::wstring text = ShellDisplayName(absolute);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
  insert.item.pszText = text.data();
  insert.item.iImage = ShellIcon(absolute, false);
  insert.item.iSelectedImage = ShellIcon(absolute, true);
  insert.item.cChildren = hasChildren ? 1 : 0;
  insert.item.lParam = node;
  if (shared) {
    insert.item.mask |= TVIF_STATE;
    insert.item.stateMask = TVIS_OVERLAYMASK;
    insert.item.state = INDEXTOOVERLAYMASK(1);
  }
  return TreeView_InsertItem(tree, &insert);
}

HTREEITEM InsertDesktopNode(HWND tree) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || desktop == nullptr) return nullptr;
  PIDLIST_ABSOLUTE identifier = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &identifier)) || identifier == nullptr) {
    desktop->Release();
    return nullptr;
  }
  // The desktop's own identifier is the empty list: its absolute list is the same.
  FolderNode* node = NewNamespaceNode(desktop, nullptr, reinterpret_cast<PITEMID_CHILD>(identifier));
  if (node == nullptr) {
    desktop->Release();
    CoTaskMemFree(identifier);
    return nullptr;
  }
  HTREEITEM item = InsertShellItem(tree, TVI_ROOT, node->absolute, reinterpret_cast<LPARAM>(node), true, false);
  if (item == nullptr) FreeFolderNode(node);
  return item;
}

void EnumerateNamespaceNode(HWND tree, HTREEITEM item, DWORD hiddenMask) {
  const FolderNode* node = NodeOfItem(tree, item);
  if (node == nullptr || node->kind != NodeKind::kNamespace || node->folder == nullptr) return;
  IEnumIDList* children = nullptr;
  const HRESULT started =
      node->folder->EnumObjects(GetAncestor(tree, GA_ROOT), SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN, &children);
  int inserted = 0;
  if (started == S_OK && children != nullptr) {
    PITEMID_CHILD child = nullptr;
    while (children->Next(1, &child, nullptr) == S_OK) {
      if (InsertNamespaceNode(tree, item, *node, child, hiddenMask)) ++inserted;
      child = nullptr;
    }
    children->Release();
  }
  if (inserted == 0) {
    SetItemChildren(tree, item, false);
    return;
  }
  TVSORTCB sort{};
  sort.hParent = item;
  sort.lpfnCompare = CompareChildren;
  sort.lParam = reinterpret_cast<LPARAM>(node->folder);
  TreeView_SortChildrenCB(tree, &sort, FALSE);
}

}  // namespace qv
