// Dropped files and folders on the main window.
#include "shell/drop.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "platform/system_folders.h"
#include "shell/main_window.h"
#include "shell/window_run.h"
#include "ui/heap_path_array.h"
#include "ui/shell_link.h"

namespace qv {

namespace {

constexpr size_t kPathChars = 260;  // one path slot, terminating zero included

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

  // The drop point in screen coordinates; `window` is the one that received the drop.
  POINT screenPoint(HWND window) const {
    POINT point{};
    DragQueryPoint(drop_, &point);
    ClientToScreen(window, &point);
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

bool IsInTabArea(const MainWindow& window, POINT screenPoint) {
  RECT tab{};
  return window.Tab() != nullptr && GetWindowRect(window.Tab(), &tab) && PtInRect(&tab, screenPoint);
}

// Every dropped path, in drop order, copied into heap slots and converted at once into the output
// field's folder. Nothing happens when the slots cannot be allocated.
void ConvertDroppedFiles(MainWindow& window, const DropData& data, UINT count) {
  HeapPathArray slots(count);
  if (!slots.ok()) return;
  std::vector<std::wstring> paths;
  paths.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    const std::wstring path = data.path(i);
    wcsncpy(slots.at(i), path.c_str(), kPathChars - 1);
    paths.emplace_back(slots.at(i));
  }
  RunFileListConversion(window, paths, RunSource::kDrop);
  for (std::wstring& path : paths) SecureZeroMemory(path.data(), path.size() * sizeof(wchar_t));
}

// A drop inside the tab control's rectangle that no field took.
void DropOnTabArea(MainWindow& window, const DropData& data) {
  const UINT count = data.count();
  if (count == 0) return;
  const std::wstring first = data.path(0);
  if (count == 1 && IsExistingFolder(first)) {
    window.SetInputFolder(first);
    return;
  }
  ConvertDroppedFiles(window, data, count);
}

}  // namespace

bool ApplyDropToField(MainWindow& window, POINT screenPoint, const std::wstring& folder) {
  HWND target = WindowFromPoint(screenPoint);
  if (target == nullptr) return false;
  HWND parent = GetParent(target);
  if (parent != nullptr && parent == window.InputField()) {
    window.SetInputFolder(folder);
    return true;
  }
  if (parent != nullptr && parent == window.OutputField()) {
    window.SetOutputFolder(folder);
    return true;
  }
  return window.optionsPage().TakeDroppedFolder(target, folder);
}

void HandleDrop(MainWindow& window, HDROP drop) {
  if (window.RunActive()) {
    window.DeferDrop(drop);
    return;
  }
  DropData data(drop);
  if (data.count() == 0) return;
  const POINT point = data.screenPoint(window.Handle());
  const std::wstring folder = DroppedFolder(data);
  if (ApplyDropToField(window, point, folder)) return;
  if (window.tree().IsView(WindowFromPoint(point))) {
    window.tree().TakeDroppedFolder(folder);
    return;
  }
  if (IsInTabArea(window, point)) DropOnTabArea(window, data);
}

}  // namespace qv
