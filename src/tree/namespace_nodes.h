// The shell namespace in the folder tree: the desktop node and the lazy enumeration of a namespace
// node's sub-folders (folders only; hidden filesystem folders left out by the attribute mask, drive roots
// and virtual folders never), each item with the shell's display name, small icon, open icon and share
// overlay, sorted by the parent folder's own comparison.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

namespace qv {

// The desktop as the first top-level item; null when the shell does not give it.
HTREEITEM InsertDesktopNode(HWND tree);

// Fills `item` (a namespace node) with its sub-folders, or marks it as having none. `hiddenMask` is the
// attribute mask of left-out folders (Hidden).
void EnumerateNamespaceNode(HWND tree, HTREEITEM item, DWORD hiddenMask);

// The system's image list of small icons, for the tree.
HIMAGELIST SystemSmallImageList();

// Inserts an item as the last child of `parent` (TVI_ROOT for the top level) with the shell's display
// name and icons of `absolute`. `node` becomes the item's record (freed by the caller when this fails).
HTREEITEM InsertShellItem(HWND tree, HTREEITEM parent, PCIDLIST_ABSOLUTE absolute, LPARAM node, bool hasChildren,
                          bool shared);

}  // namespace qv
