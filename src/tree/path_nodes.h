// The registered folders in the folder tree: the top-level node "登録フォルダ" and below it one node per
// registered folder, each with its sub-folders (folders that are not system folders, have no attribute
// in the mask and whose names do not begin with "."), sorted in natural order of their names.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tree/folder_node.h"

namespace qv {

// "登録フォルダ" as a top-level item after the desktop node, with the icon of the user's documents folder
// and an expand button. Null on failure.
HTREEITEM InsertRegisteredRoot(HWND tree);

// A path node for `path` as the last child of `parent`, with the shell's name and icons of the path and
// an expand button when it has a sub-folder that would be listed. Null on failure.
HTREEITEM InsertPathNode(HWND tree, const std::wstring& path, HTREEITEM parent, PathRole role, DWORD hiddenMask);

// Fills a path node: "登録フォルダ" with the registered folders (entries whose folders vanished leave
// `registered` at once, the later ones moving up), a folder with its sub-folders; or marks it as having
// none.
void EnumeratePathNode(HWND tree, HTREEITEM item, std::vector<std::wstring>& registered, DWORD hiddenMask);

}  // namespace qv
