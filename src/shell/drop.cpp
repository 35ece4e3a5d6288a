// Dropped files and folders on the main window.
#include "shell/drop.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "platform/system_folders.h"
#include "shell/app_state.h"
#include "shell/command_line.h"
#include "shell/folder_fields.h"
#include "shell/heap_path_array.h"
#include "shell/pages.h"
#include "shell/window_run_host.h"

namespace qv {

namespace {

constexpr size_t kPathChars = 260;  // one path slot, terminating zero included

constexpr UINT_PTR kDeferredDropTimer = 0x0D70;
constexpr UINT kDeferredDropPollMs = 100;

TreeDropFunction gTreeDrop = nullptr;

// Drops that arrived while a run was active (a message box of the run dispatched them), with the window
// that received them; handled once the run is over.
struct DeferredDrop {
  HWND window;
  HDROP drop;
};
std::vector<DeferredDrop> gDeferredDrops;

// Releases the drop's data when the handling ends, whichever way it ends.
class DropData {
 public:
  explicit DropData(HDROP drop) : drop_(drop) {}
  ~DropData() { DragFinish(drop_); }
  DropData(const DropData&) = delete;
  DropData& operator=(const DropData&) = delete;

  UINT count() const { return DragQueryFileW(drop_, 0xFFFFFFFF, nullptr, 0); }

  // Dropped path `index`, at most kPathChars - 1 characters.
  std::wstring path(UINT index) const {
    wchar_t buffer[kPathChars] = {};
    const UINT length = DragQueryFileW(drop_, index, buffer, static_cast<UINT>(kPathChars));
    return std::wstring(buffer, length < kPathChars ? length : kPathChars - 1);
  }

  // The drop point in screen coordinates.
  POINT screenPoint() const {
    POINT point{};
    DragQueryPoint(drop_, &point);
    ClientToScreen(App().mainWindow, &point);
    return point;
  }

 private:
  HDROP drop_;
};


// The first dropped path as a folder: a link's target (when it resolves), reduced to its parent unless
// it is an existing folder.
std::wstring DroppedFolder(const DropData& data) {
  std::wstring path = data.path(0);
  if (IsShellLink(path)) ResolveShortcut(path);
  return IsExistingFolder(path) ? path : ParentPath(path);
}

bool IsTreeView(HWND window) {
  HWND tree = App().treeView;
  return tree != nullptr && window != nullptr && (window == tree || IsChild(tree, window));
}

bool IsInTabArea(POINT screenPoint) {
  RECT tab{};
  return App().tab != nullptr && GetWindowRect(App().tab, &tab) && PtInRect(&tab, screenPoint);
}

// Every dropped path, in drop order, copied into heap slots and converted at once into the output
// field's folder. Nothing happens when the slots cannot be allocated.
void ConvertDroppedFiles(const DropData& data, UINT count) {
  HeapPathArray slots(count);
  if (!slots.ok()) return;
  std::vector<std::wstring> paths;
  paths.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    const std::wstring path = data.path(i);
    wcsncpy(slots.at(i), path.c_str(), kPathChars - 1);
    paths.emplace_back(slots.at(i));
  }
  RunFileListConversion(paths, RunSource::kDrop);
  for (std::wstring& path : paths) SecureZeroMemory(path.data(), path.size() * sizeof(wchar_t));
}

// A drop inside the tab control's rectangle that no field took.
void DropOnTabArea(const DropData& data) {
  const UINT count = data.count();
  if (count == 0) return;
  const std::wstring first = data.path(0);
  if (count == 1 && IsExistingFolder(first)) {
    SetInputFolder(first);
    return;
  }
  ConvertDroppedFiles(data, count);
}

void CALLBACK HandleDeferredDrops(HWND window, UINT, UINT_PTR id, DWORD) {
  if (App().runActive) return;
  KillTimer(window, id);
  std::vector<DeferredDrop> drops;
  drops.swap(gDeferredDrops);
  for (const DeferredDrop& deferred : drops) {
    if (deferred.window == App().mainWindow) HandleDrop(deferred.drop);
    else DragFinish(deferred.drop);
  }
}

}  // namespace

TreeDropFunction SetTreeDropFunction(TreeDropFunction function) {
  TreeDropFunction previous = gTreeDrop;
  gTreeDrop = function;
  return previous;
}

void HandleDrop(HDROP drop) {
  HWND main = App().mainWindow;
  if (App().runActive && main != nullptr) {
    gDeferredDrops.push_back(DeferredDrop{main, drop});
    SetTimer(main, kDeferredDropTimer, kDeferredDropPollMs, HandleDeferredDrops);
    return;
  }
  DropData data(drop);
  if (App().mainWindow == nullptr || data.count() == 0) return;
  const POINT point = data.screenPoint();
  const std::wstring folder = DroppedFolder(data);
  if (ApplyDropToField(point, folder)) return;
  if (IsTreeView(WindowFromPoint(point))) {
    if (gTreeDrop != nullptr && IsExistingFolder(folder)) gTreeDrop(folder);
    return;
  }
  if (IsInTabArea(point)) DropOnTabArea(data);
}

}  // namespace qv
