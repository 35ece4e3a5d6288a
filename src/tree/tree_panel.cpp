// The folder-tree column: building it, the tree's notifications, selection, dragging, the registered
// folders, the context menu, the cursors and the keyboard hook.
#include "tree/tree_panel.h"

#include <shellapi.h>
#include <windowsx.h>

#include "batch/messages.h"
#include "forms/tree_rules.h"
#include "platform/directory.h"
#include "platform/system_folders.h"
#include "resources/resource.h"
#include "tree/folder_node.h"
#include "tree/namespace_nodes.h"
#include "tree/path_nodes.h"
#include "ui/controls.h"
#include "ui/dpi.h"
#include "ui/message_box.h"
#include "ui/process.h"

namespace qv {

const wchar_t kTreePanelClass[] = L"Quorvix_trbase_class";
const wchar_t kRegisteredFolderLimitText[] = L"登録フォルダは100個までです。";

namespace {

// Layout of the panel, in pixels of its client area: the mode buttons in a row at the top, the tree,
// and the label with the two buttons at the bottom.
constexpr int kModeTop = 4;
constexpr int kModeHeight = 18;
constexpr int kTreeLeft = 2;
constexpr int kTreeTop = 26;
constexpr int kBottomRowHeight = 22;
constexpr int kBottomMargin = 4;
constexpr int kButtonWidth = 48;
constexpr int kButtonGap = 2;

bool IsMouseButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

bool KeyHeld(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

// ---- building -------------------------------------------------------------------------------------

HWND TreePanel::Create(HWND parent, int width, int height) {
  RegisterClass(kTreePanelClass, nullptr, LoadCursorW(nullptr, IDC_ARROW),
                reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
  static const int kIds[3] = {IDC_TREE_INPUT, IDC_TREE_OUTPUT, IDC_TREE_BOTH};
  for (int i = 0; i < 3; ++i) cursors_[i] = LoadCursorW(Process().instance, MAKEINTRESOURCEW(kIds[i]));
  const RECT rect96{0, 0, width, height};
  const RECT rect = ScaleRect(rect96, DpiOf(parent));
  if (WindowBase::Create(0, kTreePanelClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect.left, rect.top,
                         rect.right - rect.left, rect.bottom - rect.top, parent, IDC_TREE_PANEL) == nullptr)
    return nullptr;
  RememberLayout96(Handle(), rect96);
  menu_.Create();
  CreateControls(width, height);
  BuildTree();
  hook_.Reset(SetWindowsHookExW(WH_KEYBOARD, CursorHook, nullptr, GetCurrentThreadId()));
  return Handle();
}

void TreePanel::CreateControls(int width, int height) {
  HWND panel = Handle();
  struct Mode {
    int id;
    const wchar_t* text;
    int x, width;
    const wchar_t* tip;
  };
  static const Mode kModes[] = {
      {IDC_TREE_MODE_INPUT, L"入力", 4, 48, L"選択時に入力フォルダ設定"},
      {IDC_TREE_MODE_OUTPUT, L"出力", 54, 48, L"選択時に出力フォルダ設定"},
      {IDC_TREE_MODE_BOTH, L"同時設定", 104, 74, L"選択時に入出力フォルダ同時設定"},
  };
  for (const Mode& mode : kModes) {
    const DWORD group = mode.id == IDC_TREE_MODE_INPUT ? WS_GROUP | WS_TABSTOP : 0;
    HWND button = CreateControl(panel, WC_BUTTONW, mode.text, WS_VISIBLE | BS_AUTORADIOBUTTON | group, mode.x, kModeTop,
                                mode.width, kModeHeight, mode.id);
    host_.AddTooltip(button, mode.tip);
  }
  const int mode = options_.TvIOSet == 0 || options_.TvIOSet == 1 ? options_.TvIOSet : 2;
  CheckRadioButton(panel, IDC_TREE_MODE_INPUT, IDC_TREE_MODE_BOTH, IDC_TREE_MODE_INPUT + mode);

  const int rowTop = height - kBottomMargin - kBottomRowHeight;
  view_ =
      CreateControl(panel, WC_TREEVIEWW, L"",
                    WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                    kTreeLeft, kTreeTop, width - 2 * kTreeLeft, rowTop - 4 - kTreeTop, IDC_TREE_VIEW, WS_EX_STATICEDGE);
  host_.AddTooltip(view_, L"Shift + クリック → 入力フォルダ\nCtrl + クリック → 出力フォルダ\n右クリックでメニュー表示");
  const int removeX = width - kTreeLeft - kButtonWidth;
  const int addX = removeX - kButtonGap - kButtonWidth;
  CreateControl(panel, WC_STATICW, L"登録フォルダ", WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 4, rowTop,
                addX - 6, kBottomRowHeight, IDC_REGISTERED_LABEL);
  addButton_ = CreateControl(panel, WC_BUTTONW, L"追加", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, addX, rowTop, kButtonWidth,
                             kBottomRowHeight, IDC_REGISTER_ADD);
  removeButton_ = CreateControl(panel, WC_BUTTONW, L"除外", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, removeX, rowTop, kButtonWidth,
                                kBottomRowHeight, IDC_REGISTER_REMOVE);
  host_.AddTooltip(addButton_, L"登録フォルダに追加(&A)");
  host_.AddTooltip(removeButton_, L"登録フォルダから除外(&D)");
  viewProcedure_ =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(view_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CursorProcedure)));
}

void TreePanel::BuildTree() {
  ApplyDpi();
  desktop_ = InsertDesktopNode(view_);
  registeredRoot_ = InsertRegisteredRoot(view_);
  TreeView_SelectItem(view_, registeredRoot_);
  if (options_.DTExpand != 0 && desktop_ != nullptr) TreeView_Expand(view_, desktop_, TVE_EXPAND);
  if (registeredRoot_ != nullptr) TreeView_Expand(view_, registeredRoot_, TVE_EXPAND);
  UpdateTreeButtons();
}

// Icons at the size of the window's DPI; the rows follow the font and the icons.
void TreePanel::ApplyDpi() {
  if (view_ == nullptr) return;
  TreeView_SetImageList(view_, SystemImageListForDpi(DpiOf(view_)), TVSIL_NORMAL);
  TreeView_SetItemHeight(view_, -1);
}

void TreePanel::RestoreViewProcedure() {
  if (view_ == nullptr || viewProcedure_ == nullptr) return;
  if (GetWindowLongPtrW(view_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(CursorProcedure))
    SetWindowLongPtrW(view_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(viewProcedure_));
}

void TreePanel::ShutDown() {
  hook_.Reset();
  if (view_ != nullptr) TreeView_DeleteAllItems(view_);  // frees every node while the panel is alive
  RestoreViewProcedure();
}

bool TreePanel::IsView(HWND window) const {
  return view_ != nullptr && window != nullptr && (window == view_ || IsChild(view_, window));
}

// ---- the tree's notifications ---------------------------------------------------------------------

void TreePanel::OnExpanding(const NMTREEVIEWW& change) {
  HTREEITEM item = change.itemNew.hItem;
  if ((change.action & TVE_EXPAND) == 0 || TreeView_GetChild(view_, item) != nullptr) return;
  const FolderNode* node = NodeOfItem(view_, item);
  if (node == nullptr) return;
  const DWORD mask = static_cast<DWORD>(options_.Hidden);
  if (node->kind == NodeKind::kNamespace)
    EnumerateNamespaceNode(view_, item, mask);
  else
    EnumeratePathNode(view_, item, registered_, mask);
}

void TreePanel::OnSelectionChanged(HTREEITEM item) {
  if (item != nullptr) TreeView_EnsureVisible(view_, item);
  if (const std::optional<std::wstring> folder = FolderOfItem(view_, item)) {
    const FolderTargets targets = TargetsOfSelection(options_.TvIOSet, KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL));
    if (targets.input) host_.SetInputFolder(*folder);
    if (targets.output) host_.SetOutputFolder(*folder);
  }
  UpdateTreeButtons();
}

void TreePanel::OnBeginDrag(HTREEITEM item) {
  menuTarget_ = item;
  dragging_ = true;
  TreeView_SelectDropTarget(view_, item);
  SetCursor(LoadCursorW(Process().instance, MAKEINTRESOURCEW(IDC_DRAG_CURSOR)));
  SetCapture(Handle());
}

void TreePanel::OnLeftButtonUp(LPARAM position) {
  if (!dragging_) return;
  dragging_ = false;
  ReleaseCapture();
  TreeView_SelectDropTarget(view_, nullptr);
  POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  ClientToScreen(Handle(), &point);
  if (const std::optional<std::wstring> folder = FolderOfItem(view_, menuTarget_)) host_.DropFolderAt(point, *folder);
  menuTarget_ = nullptr;
}

LRESULT TreePanel::OnTreeNotify(const NMHDR& header) {
  const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
  switch (header.code) {
    case TVN_ITEMEXPANDINGW:
      if ((change.action & TVE_COLLAPSE) != 0) {
        if (collapsing_) return FALSE;
        // Collapsed with its children deleted: they are enumerated again at the next expansion.
        collapsing_ = true;
        TreeView_Expand(view_, change.itemNew.hItem, TVE_COLLAPSE | TVE_COLLAPSERESET);
        collapsing_ = false;
        return TRUE;
      }
      OnExpanding(change);
      return FALSE;
    case TVN_DELETEITEMW: FreeFolderNode(reinterpret_cast<FolderNode*>(change.itemOld.lParam)); return 0;
    case TVN_BEGINDRAGW: OnBeginDrag(change.itemNew.hItem); return 0;
    case TVN_SELCHANGEDW: OnSelectionChanged(change.itemNew.hItem); return 0;
    default: return 0;
  }
}

// ---- registered folders ---------------------------------------------------------------------------

void TreePanel::UpdateTreeButtons() {
  const TreeCommands commands = CommandsFor(SortOfItem(view_, TreeView_GetSelection(view_)));
  EnableWindow(addButton_, commands.add ? TRUE : FALSE);
  EnableWindow(removeButton_, commands.remove ? TRUE : FALSE);
}

void TreePanel::AddRegisteredFolder(const std::wstring& path) {
  if (path.empty() || !IsExistingFolder(path) || registeredRoot_ == nullptr) return;
  TreeView_Expand(view_, registeredRoot_, TVE_EXPAND);
  switch (AddToRegisteredList(registered_, path)) {
    case AddResult::kAlreadyRegistered: return;
    case AddResult::kFull:
      ShowMessageBox(host_.MessageOwner(), kRegisteredFolderLimitText, kAppTitle,
                     MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
      return;
    case AddResult::kAddedFirst:
      // The list was empty: the root gets its expand button back and is expanded anew, showing the entry.
      SetItemChildren(view_, registeredRoot_, true);
      TreeView_Expand(view_, registeredRoot_, TVE_EXPAND);
      return;
    case AddResult::kAdded:
      InsertPathNode(view_, path, registeredRoot_, PathRole::kRegistered, static_cast<DWORD>(options_.Hidden));
      return;
  }
}

void TreePanel::RemoveRegisteredFolder(HTREEITEM item) {
  const FolderNode* node = NodeOfItem(view_, item);
  if (node == nullptr || node->kind != NodeKind::kPath || node->role != PathRole::kRegistered) return;
  RemoveFromRegisteredList(registered_, node->path);
  TreeView_SelectItem(view_, nullptr);
  TreeView_DeleteItem(view_, item);
  if (TreeView_GetChild(view_, registeredRoot_) == nullptr) SetItemChildren(view_, registeredRoot_, false);
  UpdateTreeButtons();
}

void TreePanel::AnnounceNewSubfolder(const std::wstring& subfolder) {
  const std::wstring parent = ParentPath(subfolder);
  // From the first top-level item down through every expanded level, in view or scrolled out of it.
  for (HTREEITEM item = TreeView_GetRoot(view_); item != nullptr; item = TreeView_GetNextVisible(view_, item)) {
    if (TreeView_GetChild(view_, item) != nullptr) continue;
    const std::optional<std::wstring> folder = FolderOfItem(view_, item);
    if (folder && *folder == parent) SetItemChildren(view_, item, true);
  }
}

// ---- the menu and the commands --------------------------------------------------------------------

// A request from the keyboard (Shift+F10, the menu key) carries no position: the menu is for the selected
// item and opens below its text.
void TreePanel::ShowTreeMenu(LPARAM position) {
  POINT screen{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  HTREEITEM item = nullptr;
  if (screen.x == -1 && screen.y == -1) {
    item = TreeView_GetSelection(view_);
    if (item == nullptr) return;
    TreeView_EnsureVisible(view_, item);
    RECT text{};
    if (!TreeView_GetItemRect(view_, item, &text, TRUE)) return;
    screen = POINT{text.left, text.bottom};
    ClientToScreen(view_, &screen);
  } else {
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(view_, &hit.pt);
    item = TreeView_HitTest(view_, &hit);
  }
  if (item == nullptr) return;  // anywhere on an item's row counts
  TreeView_SelectDropTarget(view_, item);
  menuTarget_ = item;
  menu_.Show(Handle(), screen);
  TreeView_SelectDropTarget(view_, nullptr);
}

void TreePanel::OpenInFileBrowser(HTREEITEM item) const {
  const FolderNode* node = NodeOfItem(view_, item);
  if (node == nullptr) return;
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof(execute);
  execute.fMask = SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = L"explore";
  execute.nShow = SW_SHOWNORMAL;
  if (node->kind == NodeKind::kNamespace) {
    execute.fMask |= SEE_MASK_IDLIST;
    execute.lpIDList = node->absolute;
  } else {
    execute.lpFile = node->path.c_str();
  }
  if (!ShellExecuteExW(&execute)) ShowAppMessage(host_.MessageOwner(), MessageCode::kExecuteFailed);
}

void TreePanel::OnMenuCommand(int id) {
  const std::optional<std::wstring> folder = FolderOfItem(view_, menuTarget_);
  switch (id) {
    case IDM_TREE_OPEN: OpenInFileBrowser(menuTarget_); break;
    case IDM_TREE_ADD:
      if (folder) AddRegisteredFolder(*folder);
      break;
    case IDM_TREE_REMOVE: RemoveRegisteredFolder(menuTarget_); break;
    case IDM_TREE_SET_INPUT:
    case IDM_TREE_SET_BOTH:
      if (folder) host_.SetInputFolder(*folder);
      if (folder && id == IDM_TREE_SET_BOTH) host_.SetOutputFolder(*folder);
      break;
    case IDM_TREE_SET_OUTPUT:
      if (folder) host_.SetOutputFolder(*folder);
      break;
    case IDM_TREE_HIDDEN: host_.ToggleHiddenItems(); break;
    default: break;
  }
}

void TreePanel::OnCommand(int id, int code) {
  switch (id) {
    case IDC_TREE_MODE_INPUT:
    case IDC_TREE_MODE_OUTPUT:
    case IDC_TREE_MODE_BOTH:
      if (code != BN_CLICKED) break;
      // Only a change of selection acts: "登録フォルダ" selected, so that the next click on any folder does.
      options_.TvIOSet = id - IDC_TREE_MODE_INPUT;
      TreeView_SelectItem(view_, registeredRoot_);
      break;
    case IDC_REGISTER_ADD:
      if (const std::optional<std::wstring> folder = FolderOfItem(view_, TreeView_GetSelection(view_)))
        AddRegisteredFolder(*folder);
      break;
    case IDC_REGISTER_REMOVE: RemoveRegisteredFolder(TreeView_GetSelection(view_)); break;
    default: OnMenuCommand(id); break;
  }
  menuTarget_ = nullptr;
}

// ---- cursors and the keyboard hook ----------------------------------------------------------------

HCURSOR TreePanel::CursorFor(bool shift, bool control) const {
  switch (CursorOfMode(options_.TvIOSet, shift, control)) {
    case TreeCursor::kInput: return cursors_[0];
    case TreeCursor::kOutput: return cursors_[1];
    case TreeCursor::kBoth: return cursors_[2];
  }
  return cursors_[2];
}

LRESULT CALLBACK TreePanel::CursorProcedure(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
  const TreePanel* panel = FromHandle<TreePanel>(GetParent(view));
  if (panel == nullptr || panel->viewProcedure_ == nullptr) return DefWindowProcW(view, message, wParam, lParam);
  if (message == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
    SetCursor(panel->CursorFor(KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL)));
    return TRUE;
  }
  return CallWindowProcW(panel->viewProcedure_, view, message, wParam, lParam);
}

void TreePanel::OnKey(WPARAM key, LPARAM flags) const {
  const bool released = (flags & 0x80000000) != 0;
  const bool repeated = (flags & 0x40000000) != 0;
  if (!released && !repeated) {
    if (key == VK_SHIFT)
      SetCursor(cursors_[0]);
    else if (key == VK_CONTROL)
      SetCursor(cursors_[1]);
  } else if (released && (key == VK_SHIFT || key == VK_CONTROL)) {
    SetCursor(CursorFor(false, false));
  }
}

LRESULT CALLBACK TreePanel::CursorHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    POINT point{};
    GetCursorPos(&point);
    // The hook has no object of its own: the window under the cursor leads to the panel that holds it.
    HWND under = WindowFromPoint(point);
    const TreePanel* panel = under != nullptr ? FromHandle<TreePanel>(GetParent(under)) : nullptr;
    if (panel != nullptr && panel->view_ == under && !panel->menuOpen_) panel->OnKey(wParam, lParam);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// ---- messages -------------------------------------------------------------------------------------

LRESULT TreePanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsMouseButtonDown(message)) SetFocus(GetAncestor(Handle(), GA_ROOT));
  switch (message) {
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
      return header.hwndFrom == view_ ? OnTreeNotify(header) : 0;
    }
    case WM_CONTEXTMENU: ShowTreeMenu(lParam); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_INITMENUPOPUP:
      if (reinterpret_cast<HMENU>(wParam) == menu_.Handle())
        menu_.Prepare(SortOfItem(view_, menuTarget_), options_.Hidden == 0);
      return 0;
    case WM_MEASUREITEM:
      menu_.Measure(Handle(), host_.MenuFont(), *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_DRAWITEM:
      menu_.Draw(host_.MenuFont(), host_.MenuBrush(), *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_MENUCHAR:
      if (reinterpret_cast<HMENU>(lParam) == menu_.Handle()) return menu_.ItemOfAccessKey(LOWORD(wParam));
      break;
    case WM_LBUTTONUP: OnLeftButtonUp(lParam); break;
    case WM_ENTERMENULOOP: menuOpen_ = true; break;
    case WM_EXITMENULOOP: menuOpen_ = false; break;
    default: break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace qv
