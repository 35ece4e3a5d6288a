// The folder-tree column of the main window (class "Quorvix_trbase_class", id 1000, 180 x 500): the tree
// mode buttons, the tree view of the shell namespace and the registered folders, the "追加" / "除外"
// buttons and the context menu. Selecting a folder sets the input and/or output folder by the tree mode
// and the Shift and Control keys; folders are dragged from the tree onto the folder fields. The panel
// owns its nodes, cursors, the keyboard hook, the menu and its open flag, and edits the tree mode,
// Hidden (through its host) and the registered folders of the settings it is given.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"
#include "settings/app_options.h"
#include "tree/tree_menu.h"
#include "ui/window_base.h"

namespace qv {

extern const wchar_t kTreePanelClass[];  // "Quorvix_trbase_class"

// Refusal of a 101st registered folder.
extern const wchar_t kRegisteredFolderLimitText[];

// What the tree needs from the window that holds it.
class TreeHost {
 public:
  virtual HWND MessageOwner() const = 0;
  virtual void AddTooltip(HWND control, const wchar_t* text) = 0;
  virtual void SetInputFolder(const std::wstring& folder) = 0;
  virtual void SetOutputFolder(const std::wstring& folder) = 0;
  // A folder dragged from the tree and let go at `screenPoint`: true when a field took it.
  virtual bool DropFolderAt(POINT screenPoint, const std::wstring& folder) = 0;
  // Flips Hidden and the options page's check box with it.
  virtual void ToggleHiddenItems() = 0;
  // The menu font and brush taken from the system.
  virtual HFONT MenuFont() const = 0;
  virtual HBRUSH MenuBrush() const = 0;

 protected:
  ~TreeHost() = default;
};

class TreePanel : public WindowBase {
 public:
  // `options` give the tree mode TvIOSet, Hidden and DTExpand; `registered` is the list of registered
  // folders the tree shows and edits.
  TreePanel(TreeHost& host, AppOptions& options, std::vector<std::wstring>& registered)
      : host_(host), options_(options), registered_(registered) {}

  // Builds the panel at the left edge of `parent` with its controls, the desktop node and "登録フォルダ"
  // (the desktop expanded when DTExpand is set), installs the keyboard hook for this thread and replaces
  // the tree view's window procedure by the cursor procedure. Null on failure.
  HWND Create(HWND parent, int width, int height);
  // At shut-down: the hook taken off, the tree view's own procedure back, every node freed.
  void ShutDown();
  // Lays out what the controls hold for the window's current DPI (the tree's icons).
  void ApplyDpi();

  HWND View() const { return view_; }
  HTREEITEM RegisteredRoot() const { return registeredRoot_; }
  HTREEITEM DesktopNode() const { return desktop_; }

  // Registers `path` when it is an existing folder and not registered yet (exact comparison); the 101st
  // folder is refused with a message box. "登録フォルダ" is expanded.
  void AddRegisteredFolder(const std::wstring& path);
  // Removes a registered folder's node (any other item is left alone) and its list entry.
  void RemoveRegisteredFolder(HTREEITEM item);
  // A folder dropped onto the tree view (from outside): registered.
  void TakeDroppedFolder(const std::wstring& folder) { AddRegisteredFolder(folder); }
  // True when `window` is the tree view or inside it.
  bool IsView(HWND window) const;

  // A run created `subfolder`: every visible item of its parent folder (exact comparison) without
  // loaded children gets an expand button.
  void AnnounceNewSubfolder(const std::wstring& subfolder);

  // The cursor of a tree mode and key state (also used by the keyboard hook).
  HCURSOR CursorFor(bool shift, bool control) const;
  bool MenuOpen() const { return menuOpen_; }

  // The keyboard hook of the tree's cursors: Shift or Control pressed over the tree view shows the input
  // or output cursor; releasing them shows the cursor of the tree mode.
  static LRESULT CALLBACK CursorHook(int code, WPARAM wParam, LPARAM lParam);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateControls(int width, int height);
  void BuildTree();
  LRESULT OnTreeNotify(const NMHDR& header);
  void OnExpanding(const NMTREEVIEWW& change);
  void OnSelectionChanged(HTREEITEM item);
  void OnBeginDrag(HTREEITEM item);
  void OnLeftButtonUp(LPARAM position);
  void OnCommand(int id, int code);
  void OnMenuCommand(int id);
  void ShowTreeMenu(LPARAM position);
  void OpenInFileBrowser(HTREEITEM item) const;
  void UpdateTreeButtons();
  void OnKey(WPARAM key, LPARAM flags) const;
  static LRESULT CALLBACK CursorProcedure(HWND view, UINT message, WPARAM wParam, LPARAM lParam);
  void RestoreViewProcedure();

  TreeHost& host_;
  AppOptions& options_;
  std::vector<std::wstring>& registered_;
  HWND view_ = nullptr;
  HWND addButton_ = nullptr;
  HWND removeButton_ = nullptr;
  HTREEITEM desktop_ = nullptr;
  HTREEITEM registeredRoot_ = nullptr;
  HTREEITEM menuTarget_ = nullptr;  // under the last right-click, or being dragged
  bool dragging_ = false;
  bool menuOpen_ = false;
  bool collapsing_ = false;
  HCURSOR cursors_[3] = {};  // input, output, both
  WNDPROC viewProcedure_ = nullptr;
  UniqueHook hook_;
  TreeMenu menu_;
};

}  // namespace qv
