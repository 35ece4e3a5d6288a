// The folder tree's rules, without windows: which folder fields a selection sets and which cursor shows
// under the tree mode and the Shift and Control keys, which commands a node offers, and the list of
// registered folders (100 slots, exact comparison, entries moving up when one goes). Portable, so that
// the unit tests check them on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

constexpr size_t kRegisteredFolderSlots = 100;

// The fields a selection in the tree sets. Tree mode TvIOSet: 0 input, 1 output, anything else both.
// Shift sets the input folder, Control the output folder; with both held Control wins in mode 0 and
// Shift in the others.
struct FolderTargets {
  bool input = false;
  bool output = false;
  bool operator==(const FolderTargets& o) const { return input == o.input && output == o.output; }
};
FolderTargets TargetsOfSelection(int32_t treeMode, bool shift, bool control);

// The cursor over the tree: the one of the fields a click would set.
enum class TreeCursor { kInput, kOutput, kBoth };
TreeCursor CursorOfMode(int32_t treeMode, bool shift, bool control);

// What a tree node is, as far as its commands are concerned.
enum class TreeNodeSort {
  kNone,                 // no node
  kNamespaceFolder,      // a shell namespace node whose filesystem path is an existing folder
  kNamespaceOther,       // any other shell namespace node (virtual folders, vanished folders)
  kRegisteredRoot,       // "登録フォルダ"
  kRegistered,           // a registered folder
  kRegisteredSubfolder,  // a folder below a registered folder
};

// Which tree commands a node offers: open in the file browser (5000), add to (5010, button "追加") and
// remove from (5011, button "除外") the registered folders, and set it as input / output / both folders
// (5020-5022). The hidden-items switch (5040) is always offered.
struct TreeCommands {
  bool open = false;
  bool add = false;
  bool remove = false;
  bool setFolders = false;
  bool operator==(const TreeCommands& o) const {
    return open == o.open && add == o.add && remove == o.remove && setFolders == o.setFolders;
  }
};
TreeCommands CommandsFor(TreeNodeSort sort);

// The registered folders: the entries fill the slots from the first; at most kRegisteredFolderSlots.
enum class AddResult { kAdded, kAddedFirst, kAlreadyRegistered, kFull };
// Appends `path` unless an entry equals it exactly (letter case counts) or every slot is taken.
AddResult AddToRegisteredList(std::vector<std::wstring>& list, const std::wstring& path);
// Removes the first entry equal to `path` exactly; the entries after it move up. False when none is.
bool RemoveFromRegisteredList(std::vector<std::wstring>& list, const std::wstring& path);

}  // namespace qv
