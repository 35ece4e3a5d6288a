// The record attached to every item of the folder tree: a shell namespace node (the folder object bound
// to the item, its identifier relative to the parent and a copy of its absolute identifier list) or a
// path node of the registered folders (a role and a path). Records live on the program's private heap
// and are freed when their item is deleted.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "forms/tree_rules.h"

namespace qv {

enum class NodeKind : int { kNamespace = 0, kPath = 1 };
enum class PathRole : int { kRegisteredRoot = 0, kRegistered = 1, kSubfolder = 2 };

struct FolderNode {
  NodeKind kind = NodeKind::kNamespace;
  // A namespace node: the folder object (one reference held), the identifier as the parent's enumeration
  // gave it (task allocator) and the absolute list (private heap).
  IShellFolder* folder = nullptr;
  PITEMID_CHILD relative = nullptr;
  PIDLIST_ABSOLUTE absolute = nullptr;
  // A path node.
  PathRole role = PathRole::kRegisteredRoot;
  std::wstring path;  // whole, whatever its length
};

// A namespace node taking over `folder` (its reference) and `relative`; the absolute list is made from
// `parentAbsolute` followed by `relative`. Null (and nothing taken over) when memory is short.
FolderNode* NewNamespaceNode(IShellFolder* folder, PCIDLIST_ABSOLUTE parentAbsolute, PITEMID_CHILD relative);
// A path node with `role` and `path`. Null when memory is short.
FolderNode* NewPathNode(PathRole role, const std::wstring& path);
// Releases what the record holds and the record itself; null is ignored.
void FreeFolderNode(FolderNode* node);

// The record of a tree item; null for none.
FolderNode* NodeOfItem(HWND tree, HTREEITEM item);
// The filesystem folder of an item: a namespace node's path, a path node's path, nothing for the
// "登録フォルダ" node; nothing when that is no existing folder.
std::optional<std::wstring> FolderOfItem(HWND tree, HTREEITEM item);
// What an item is as far as its commands are concerned.
TreeNodeSort SortOfItem(HWND tree, HTREEITEM item);

// Sets an item's children indicator and clears its expanded state, so that the next expansion
// enumerates its children afresh.
void SetItemChildren(HWND tree, HTREEITEM item, bool hasChildren);

}  // namespace qv
