// Folder tree records on the private heap.
#include "tree/folder_node.h"

#include <cstring>
#include <new>

#include "platform/system_folders.h"
#include "ui/process.h"
#include "ui/shell_link.h"

namespace qv {

namespace {

void* HeapBlock(size_t bytes) {
  return Process().heap != nullptr ? HeapAlloc(Process().heap, HEAP_ZERO_MEMORY, bytes) : nullptr;
}

void FreeHeapBlock(void* block) {
  if (block != nullptr && Process().heap != nullptr) HeapFree(Process().heap, 0, block);
}

// The bytes of an identifier list without its two-byte terminator.
size_t ListBytes(PCUIDLIST_RELATIVE list) {
  size_t bytes = 0;
  if (list == nullptr) return 0;
  for (auto* item = reinterpret_cast<const BYTE*>(list); reinterpret_cast<const SHITEMID*>(item)->cb != 0;) {
    const USHORT size = reinterpret_cast<const SHITEMID*>(item)->cb;
    bytes += size;
    item += size;
  }
  return bytes;
}

// `parent` followed by `child` and the terminator, on the private heap.
PIDLIST_ABSOLUTE JoinLists(PCIDLIST_ABSOLUTE parent, PCUITEMID_CHILD child) {
  const size_t parentBytes = ListBytes(parent), childBytes = ListBytes(child);
  auto* joined = static_cast<BYTE*>(HeapBlock(parentBytes + childBytes + sizeof(USHORT)));
  if (joined == nullptr) return nullptr;
  if (parentBytes != 0) std::memcpy(joined, parent, parentBytes);
  if (childBytes != 0) std::memcpy(joined + parentBytes, child, childBytes);
  return reinterpret_cast<PIDLIST_ABSOLUTE>(joined);  // the terminator is the zeroed tail
}

}  // namespace

FolderNode* NewNamespaceNode(IShellFolder* folder, PCIDLIST_ABSOLUTE parentAbsolute, PITEMID_CHILD relative) {
  void* block = HeapBlock(sizeof(FolderNode));
  if (block == nullptr) return nullptr;
  PIDLIST_ABSOLUTE absolute = JoinLists(parentAbsolute, relative);
  if (absolute == nullptr) {
    FreeHeapBlock(block);
    return nullptr;
  }
  auto* node = new (block) FolderNode;
  node->kind = NodeKind::kNamespace;
  node->folder = folder;
  node->relative = relative;
  node->absolute = absolute;
  return node;
}

FolderNode* NewPathNode(PathRole role, const std::wstring& path) {
  void* block = HeapBlock(sizeof(FolderNode));
  if (block == nullptr) return nullptr;
  auto* node = new (block) FolderNode;
  node->kind = NodeKind::kPath;
  node->role = role;
  node->path = path;
  return node;
}

void FreeFolderNode(FolderNode* node) {
  if (node == nullptr) return;
  if (node->kind == NodeKind::kNamespace) {
    if (node->folder != nullptr) node->folder->Release();
    CoTaskMemFree(node->relative);
    FreeHeapBlock(node->absolute);
  }
  node->~FolderNode();
  FreeHeapBlock(node);
}

FolderNode* NodeOfItem(HWND tree, HTREEITEM item) {
  if (tree == nullptr || item == nullptr) return nullptr;
  TVITEMW data{};
  data.mask = TVIF_PARAM | TVIF_HANDLE;
  data.hItem = item;
  if (!TreeView_GetItem(tree, &data)) return nullptr;
  return reinterpret_cast<FolderNode*>(data.lParam);
}

namespace {

std::optional<std::wstring> PathOfNode(const FolderNode& node) {
  if (node.kind == NodeKind::kPath) {
    if (node.role == PathRole::kRegisteredRoot) return std::nullopt;
    return node.path;
  }
  std::wstring path = FileSystemPathOf(node.absolute);
  if (path.empty()) return std::nullopt;
  return path;
}

}  // namespace

std::optional<std::wstring> FolderOfItem(HWND tree, HTREEITEM item) {
  const FolderNode* node = NodeOfItem(tree, item);
  if (node == nullptr) return std::nullopt;
  std::optional<std::wstring> path = PathOfNode(*node);
  if (!path || !IsExistingFolder(*path)) return std::nullopt;
  return path;
}

TreeNodeSort SortOfItem(HWND tree, HTREEITEM item) {
  const FolderNode* node = NodeOfItem(tree, item);
  if (node == nullptr) return TreeNodeSort::kNone;
  if (node->kind == NodeKind::kNamespace)
    return FolderOfItem(tree, item) ? TreeNodeSort::kNamespaceFolder : TreeNodeSort::kNamespaceOther;
  switch (node->role) {
    case PathRole::kRegisteredRoot: return TreeNodeSort::kRegisteredRoot;
    case PathRole::kRegistered: return TreeNodeSort::kRegistered;
    case PathRole::kSubfolder: return TreeNodeSort::kRegisteredSubfolder;
  }
  return TreeNodeSort::kNone;
}

void SetItemChildren(HWND tree, HTREEITEM item, bool hasChildren) {
  TVITEMW data{};
  data.mask = TVIF_HANDLE | TVIF_CHILDREN | TVIF_STATE;
  data.hItem = item;
  data.cChildren = hasChildren ? 1 : 0;
  data.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  data.state = 0;
  TreeView_SetItem(tree, &data);
}

}  // namespace qv
