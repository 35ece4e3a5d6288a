// The folder-tree column of the main window (class "Quorvix_trbase_class", id 1000, 180 x 500): the tree
// view built in it, the cursors of the tree modes with the keyboard hook that shows them while Shift or
// Control is held over the tree, the flag of an open tree menu, and what a folder dropped onto the tree
// does. The panel owns all of it; the main window owns the panel.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/win32/unique_handles.h"
#include "settings/app_options.h"
#include "ui/window_base.h"

namespace qv {

extern const wchar_t kTreePanelClass[];  // "Quorvix_trbase_class"

class TreePanel : public WindowBase {
 public:
  // `options` give the tree mode TvIOSet.
  explicit TreePanel(const AppOptions& options) : options_(options) {}

  // The panel at the left edge of `parent`, its cursors loaded and the keyboard hook installed for this
  // thread. Null on failure.
  HWND Create(HWND parent, int width, int height);
  // Takes the hook off (shut-down; also when the panel goes).
  void RemoveHook() { hook_.Reset(); }

  // The tree view inside the panel (null until one is built) and its setter.
  HWND View() const { return view_; }
  void SetView(HWND view) { view_ = view; }

  // Set while one of the tree's menus is open: the hook then leaves the cursor alone.
  void SetMenuOpen(bool open) { menuOpen_ = open; }
  bool MenuOpen() const { return menuOpen_; }

  // The cursor of a tree mode (0 input, 1 output, anything else both).
  HCURSOR ModeCursor(int treeMode) const;

  // What an existing folder dropped onto the view does (the tree registers it). Without one, nothing.
  using DropHandler = std::function<void(const std::wstring& folder)>;
  DropHandler SetDropHandler(DropHandler handler);
  // True when `window` is the view or inside it.
  bool IsView(HWND window) const;
  // A folder dropped onto the view.
  void TakeDroppedFolder(const std::wstring& folder) const;

  // The keyboard hook of the tree's cursors: Shift or Control pressed over the tree view shows the input
  // or output cursor; releasing them shows the cursor of the tree mode.
  static LRESULT CALLBACK CursorHook(int code, WPARAM wParam, LPARAM lParam);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnKey(WPARAM key, LPARAM flags) const;

  const AppOptions& options_;
  HWND view_ = nullptr;
  bool menuOpen_ = false;
  HCURSOR cursors_[3] = {};  // input, output, both
  UniqueHook hook_;
  DropHandler drop_;
};

}  // namespace qv
