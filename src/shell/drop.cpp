// Dropped files and folders on the main window.
#include "shell/drop.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/system_folders.h"
#include "shell/main_window.h"
#include "shell/window_run.h"
#include "ui/heap_path_array.h"
#include "ui/shell_link.h"

namespace qv {

namespace {

// Releases the drop's data when the handling ends, whichever way it ends.
class DropData {
 public:
  explicit DropData(HDROP drop) : drop_(drop) {}
  ~DropData() { DragFinish(drop_); }
  DropData(const DropData&) = delete;
  DropData& operator=(const DropData&) = delete;

  UINT count() const { return DragQueryFileW(drop_, 0xFFFFFFFF, nullptr, 0); }

  // Dropped path `index`, whole: the length is asked first.
  std::wstring path(UINT index) const {
    const UINT length = DragQueryFileW(drop_, index, nullptr, 0);
    if (length == 0) return std::wstring();
    std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
    const UINT copied = DragQueryFileW(drop_, index, buffer.data(), length + 1);
    buffer.resize(copied < length ? copied : length);
    return buffer;
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
  std::vector<std::wstring> dropped;
  size_t longest = 0;
  for (UINT i = 0; i < count; ++i) {
    dropped.push_back(data.path(i));
    longest = std::max(longest, dropped.back().size());
  }
  HeapPathArray slots(count, longest);
  std::vector<std::wstring> paths;
  paths.reserve(count);
  for (UINT i = 0; i < count && slots.ok(); ++i) {
    slots.Set(i, dropped[i]);
    paths.emplace_back(slots.at(i));
  }
  for (std::wstring& path : dropped) SecureZeroMemory(path.data(), path.size() * sizeof(wchar_t));
  if (!slots.ok()) return;
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
