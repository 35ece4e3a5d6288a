// The folder tree's rules.
#include "forms/tree_rules.h"

#include <algorithm>

namespace qv {

FolderTargets TargetsOfSelection(int32_t treeMode, bool shift, bool control) {
  if (treeMode == 0) {
    if (control) return {false, true};
    return {true, false};
  }
  if (shift) return {true, false};
  if (control) return {false, true};
  if (treeMode == 1) return {false, true};
  return {true, true};
}

TreeCursor CursorOfMode(int32_t treeMode, bool shift, bool control) {
  const FolderTargets targets = TargetsOfSelection(treeMode, shift, control);
  if (targets.input && targets.output) return TreeCursor::kBoth;
  return targets.input ? TreeCursor::kInput : TreeCursor::kOutput;
}

TreeCommands CommandsFor(TreeNodeSort sort) {
  TreeCommands commands;
  commands.open = sort != TreeNodeSort::kNone && sort != TreeNodeSort::kRegisteredRoot;
  commands.add = sort == TreeNodeSort::kNamespaceFolder || sort == TreeNodeSort::kRegisteredSubfolder;
  commands.remove = sort == TreeNodeSort::kRegistered;
  commands.setFolders = commands.add || commands.remove;
  return commands;
}

AddResult AddToRegisteredList(std::vector<std::wstring>& list, const std::wstring& path) {
  if (std::find(list.begin(), list.end(), path) != list.end()) return AddResult::kAlreadyRegistered;
  if (list.size() >= kRegisteredFolderSlots) return AddResult::kFull;
  list.push_back(path);
  return list.size() == 1 ? AddResult::kAddedFirst : AddResult::kAdded;
}

bool RemoveFromRegisteredList(std::vector<std::wstring>& list, const std::wstring& path) {
  const auto found = std::find(list.begin(), list.end(), path);
  if (found == list.end()) return false;
  list.erase(found);
  return true;
}

}  // namespace qv
