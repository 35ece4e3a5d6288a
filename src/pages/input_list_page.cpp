// The individual-input page: list of the input folder's JPEG files with check boxes, the input preview
// box with its two lines, the ON/OFF buttons and the file count, the switch for the folder's whole tree.
// Conversion work goes through engine/ and batch/.
#include "pages/input_list_page.h"

#include <cstdio>

#include "platform/directory.h"
#include "platform/system_folders.h"
#include "resources/resource.h"
#include "ui/controls.h"
#include "ui/dpi.h"
#include "ui/list_view.h"

namespace qv {

namespace {

constexpr int kFolderColumn = 3;       // subitem of the relative sub-folder, shown after the name
constexpr int kFolderColumnWidth = 80;  // pixels at 96 DPI

// A label of at least `width` pixels that grows to show its whole text where the font in use is wider
// than planned; returns the width it got, so the controls after it on the row can move along.
int CreateFittedLabel(HWND page, const wchar_t* text, int x, int y, int width, int height, int id) {
  HWND label = CreateControl(page, L"STATIC", text, WS_VISIBLE, x, y, width, height, id);
  const int fitted = std::max(width, TextWidth96(label, text) + 2);
  if (fitted != width) MoveControl96(label, x, y, fitted, height);
  return fitted;
}

HWND CreateButton(HWND page, const wchar_t* text, int x, int y, int id) {
  return CreateControl(page, L"BUTTON", text, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x, y, 40, 20, id);
}

}  // namespace

// ---- building -------------------------------------------------------------------------------------

HWND InputListPage::Create(HWND tab, const RECT& area) {
  if (CreatePage(tab, area, IDC_PAGE_INPUT_LIST, 0) == nullptr) return nullptr;
  CreateFileList();
  preview_.Create(Handle(), 312, 12, 202, 202, IDC_INPUT_PREVIEW);
  CreateInfoControls();
  CreateControl(Handle(), L"BUTTON", L"サブフォルダも含める", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 312, 266, 202,
                20, IDC_SUB_FOLDERS);
  SetChecked(IDC_SUB_FOLDERS, ListsTree());
  host().AddTooltip(Item(IDC_SUB_FOLDERS), L"入力フォルダの下のフォルダの写真も一覧に入れ、出力フォルダに同じ構成で出力します");
  host().AddTooltip(list_, L"選択でプレビュー画像表示");
  host().AddTooltip(preview_.Handle(), L"プレビュー画像クリックで関連付けプログラム起動");
  // After the tooltip's own subclassing, so that the hook is on top and can be taken off at shut-down.
  InstallListScrollHook(list_);
  return Handle();
}

void InputListPage::CreateFileList() {
  list_ = CreateControl(Handle(), WC_LISTVIEWW, L"",
                        WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, 6, 12, 296, 331,
                        IDC_INPUT_LIST, WS_EX_CLIENTEDGE);
  if (list_ == nullptr) return;
  const DWORD extended = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
  ListView_SetExtendedListViewStyleEx(list_, extended, extended);
  AddListColumn(list_, 0, L"ファイル名", 134, LVCFMT_LEFT);
  AddListColumn(list_, 1, L"サイズ", 63, LVCFMT_RIGHT);
  AddListColumn(list_, 2, L"更新日時", 78, LVCFMT_LEFT);
  ApplyDpi();
}

// The folder column, added after the others and shown second (after the name) while the list shows a tree.
void InputListPage::ShowFolderColumn(bool shown) {
  if (list_ == nullptr || shown == folderColumn_) return;
  folderColumn_ = shown;
  if (!shown) {
    ListView_DeleteColumn(list_, kFolderColumn);
  } else {
    AddListColumn(list_, kFolderColumn, L"フォルダ", kFolderColumnWidth, LVCFMT_LEFT);
    int order[4] = {0, kFolderColumn, 1, 2};
    ListView_SetColumnOrderArray(list_, 4, order);
  }
  ApplyDpi();
}

// The columns at the window's DPI: the time column as wide as the widest time it shows (in the list's
// font, with the list's margins), the size column scaled, and the name column what is left of the list
// without its frame and vertical scroll bar, but at least 100 pixels (at 96 DPI): a camera's file name
// needs that much, and where the three do not fit the list scrolls sideways rather than cut names.
void InputListPage::ApplyDpi() {
  if (list_ == nullptr) return;
  const UINT dpi = DpiOf(list_);
  RECT client{};
  GetClientRect(list_, &client);
  int widths[3] = {0, ScaleFor(list_, 63), ScaleFor(list_, 78)};
  const int inner = client.right - client.left - GetSystemMetricsForDpi(SM_CXVSCROLL, dpi);
  const int timeText = TextWidthIn(list_, L"2026/12/31 23:59:59");
  ShareColumns(widths, 3, 2, timeText, ListColumnMargin(list_), 0, inner, ScaleFor(list_, 100));
  for (int i = 0; i < 3; ++i) ListView_SetColumnWidth(list_, i, widths[i]);
  // A tree's folder column comes on top, after the name: the size and time scroll sideways instead.
  if (folderColumn_) ListView_SetColumnWidth(list_, kFolderColumn, ScaleFor(list_, kFolderColumnWidth));
}

void InputListPage::CreateInfoControls() {
  HWND page = Handle();
  nameLine_ =
      CreateControl(page, L"STATIC", L"", WS_VISIBLE | SS_CENTER | SS_ENDELLIPSIS, 312, 215, 202, 14, IDC_PREVIEW_NAME);
  infoLine_ =
      CreateControl(page, L"STATIC", L"", WS_VISIBLE | SS_CENTER | SS_ENDELLIPSIS, 312, 230, 202, 14, IDC_PREVIEW_INFO);
  const int checksLabel = CreateFittedLabel(page, L"全チェックボックス", 312, 302, 85, 15, IDC_ALL_CHECKS_LABEL);
  CreateButton(page, L"ON", 313 + checksLabel, 298, IDC_ALL_ON);
  CreateButton(page, L"OFF", 353 + checksLabel, 298, IDC_ALL_OFF);
  const int totalLabel = CreateFittedLabel(page, L"総ファイル数:", 312, 328, 65, 15, IDC_TOTAL_LABEL);
  count_ = CreateControl(page, L"STATIC", L"", WS_VISIBLE, 313 + totalLabel, 328, 32, 12, IDC_TOTAL_COUNT);
}

// ---- rows -----------------------------------------------------------------------------------------

int InputListPage::RowCount() const { return list_ != nullptr ? ListView_GetItemCount(list_) : 0; }

void InputListPage::SetRowCheck(int row, bool checked) {
  ListView_SetItemState(list_, row, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

std::wstring InputListPage::RowPath(int row) const {
  std::wstring name = RowName(row);
  if (!folderColumn_) return name;
  const std::wstring folder = RowText(row, kFolderColumn);
  return folder.empty() ? name : JoinPath(folder, name);
}

std::wstring InputListPage::RowText(int row, int column) const {
  // The whole text, however long: a buffer the text fills up is made larger and asked again.
  for (size_t size = MAX_PATH + 1;; size *= 2) {
    std::wstring name(size, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = name.data();
    item.cchTextMax = static_cast<int>(size);
    const LRESULT length =
        SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    if (static_cast<size_t>(length) + 1 < size || size > kMaxLongPathChars) {
      name.resize(static_cast<size_t>(length) < size ? static_cast<size_t>(length) : size - 1);
      return name;
    }
  }
}

void InputListPage::ShowRowCount() { SetWindowTextW(count_, std::to_wstring(RowCount()).c_str()); }

// Sets the check box of each row for which `include` is true; notifications caused by it are ignored.
template <typename Include>
void InputListPage::SetChecksOfRows(bool checked, Include include) {
  const int rows = RowCount();
  if (rows == 0) return;
  settingChecks_ = true;
  for (int row = 0; row < rows; ++row)
    if (include(row)) SetRowCheck(row, checked);
  settingChecks_ = false;
}

void InputListPage::AppendRow(const InputRow& row) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = RowCount();
  item.pszText = const_cast<wchar_t*>(row.name.c_str());
  item.lParam = row.insertionIndex;
  const int index = ListView_InsertItem(list_, &item);
  if (index < 0) return;
  ListView_SetItemText(list_, index, 1, const_cast<wchar_t*>(row.sizeText.c_str()));
  ListView_SetItemText(list_, index, 2, const_cast<wchar_t*>(row.timeText.c_str()));
  if (folderColumn_) ListView_SetItemText(list_, index, kFolderColumn, const_cast<wchar_t*>(row.folder.c_str()));
}

void InputListPage::LoadFolder(const std::wstring& folder) {
  if (list_ == nullptr) return;
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list_);
  if (!preview_.Path().empty()) ClearPreview();
  folder_ = IsExistingFolder(folder) ? folder : std::wstring();
  ShowFolderColumn(ListsTree());
  const std::vector<InputRow> rows =
      ListsTree() ? ListInputTree(folder, options_.Hidden) : ListInputFolder(folder, options_.Hidden);
  for (const InputRow& row : rows) AppendRow(row);
  ShowRowCount();
  CheckAllItems(true);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

std::vector<RunRow> InputListPage::Rows() const {
  std::vector<RunRow> rows;
  const int count = RowCount();
  rows.reserve(static_cast<size_t>(count));
  for (int row = 0; row < count; ++row) {
    rows.push_back(RunRow{RowName(row), ListView_GetCheckState(list_, row) != 0});
    if (folderColumn_) rows.back().folder = RowText(row, kFolderColumn);
  }
  return rows;
}

int InputListPage::FirstSelectedRow() const {
  return list_ != nullptr ? ListView_GetNextItem(list_, -1, LVNI_SELECTED) : -1;
}

void InputListPage::RemoveRows(const std::vector<std::wstring>& names) {
  if (names.empty() || RowCount() == 0) return;
  for (int row = RowCount() - 1; row >= 0; --row) {
    const std::wstring name = RowPath(row);
    for (const std::wstring& removed : names) {
      if (!NamesEqualIgnoringCase(name, removed)) continue;
      if (!preview_.Path().empty() && NamesEqualIgnoringCase(preview_.Path(), JoinPath(folder_, name))) ClearPreview();
      ListView_DeleteItem(list_, row);
      break;
    }
  }
  ShowRowCount();
}

void InputListPage::SetRowChecks(const std::vector<bool>& checked) {
  const int count = RowCount();
  settingChecks_ = true;
  for (int row = 0; row < count && static_cast<size_t>(row) < checked.size(); ++row)
    SetRowCheck(row, checked[static_cast<size_t>(row)]);
  settingChecks_ = false;
}

void InputListPage::CheckAllItems(bool checked) {
  SetChecksOfRows(checked, [](int) { return true; });
}

void InputListPage::SetSelectedCheckState(bool checked) {
  SetChecksOfRows(checked,
                  [this](int row) { return (ListView_GetItemState(list_, row, LVIS_SELECTED) & LVIS_SELECTED) != 0; });
}

void InputListPage::RestoreListProcedure() { RemoveListScrollHook(list_); }

// ---- preview --------------------------------------------------------------------------------------

bool InputListPage::LoadPreview(const std::wstring& path) {
  int width = 0, height = 0, bits = 0;
  if (!preview_.Load(path, params_, width, height, bits)) return false;
  SetWindowTextW(nameLine_, LastPathComponent(path).c_str());
  wchar_t info[64];
  std::swprintf(info, sizeof(info) / sizeof(info[0]), L"%d x %d    %dbit", width, height, bits);
  SetWindowTextW(infoLine_, info);
  return true;
}

void InputListPage::ClearPreview() {
  preview_.Clear();
  if (nameLine_ != nullptr) SetWindowTextW(nameLine_, L"");
  if (infoLine_ != nullptr) SetWindowTextW(infoLine_, L"");
}

void InputListPage::ReleasePreview() {
  if (preview_.Path().empty()) return;
  ClearPreview();
  if (list_ != nullptr) ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
}

// ---- commands and notifications -------------------------------------------------------------------

void InputListPage::OnListItemChanged(const NMLISTVIEW& change) {
  if (settingChecks_ || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0) return;
  const int selected = static_cast<int>(ListView_GetSelectedCount(list_));
  if (selected == 1) {
    const bool becameSelected = (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
    // A row names a file of the folder it was listed from, whatever the input field says by now. A file
    // that cannot be shown clears the preview, so that no other photo stands beside the selected row.
    if (becameSelected && !LoadPreview(JoinPath(folder_, RowPath(change.iItem)))) ClearPreview();
  } else if (selected > 1) {
    if ((ListView_GetItemState(list_, change.iItem, LVIS_SELECTED) & LVIS_SELECTED) == 0) return;
    const UINT oldImage = (change.uOldState & LVIS_STATEIMAGEMASK) >> 12;
    const UINT newImage = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
    if (oldImage != newImage && (newImage == 1 || newImage == 2)) SetSelectedCheckState(newImage == 2);
  }
}

void InputListPage::OnCommand(int id, int code, HWND /*control*/) {
  if (code == BN_CLICKED && id == IDC_ALL_ON) CheckAllItems(true);
  if (code == BN_CLICKED && id == IDC_ALL_OFF) CheckAllItems(false);
  if (code == BN_CLICKED && id == IDC_SUB_FOLDERS) OnSubFolders();
}

// The switch is stored at once; the listed folder is listed again (and watched) the new way, with every
// row checked as after any listing.
void InputListPage::OnSubFolders() {
  options_.SubFolders = IsChecked(IDC_SUB_FOLDERS) ? 1 : 0;
  if (!folder_.empty()) host().SetInputFolder(folder_);
}

LRESULT InputListPage::OnNotify(const NMHDR& header) {
  if (header.hwndFrom == list_ && header.hwndFrom != nullptr && header.code == LVN_ITEMCHANGED)
    OnListItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
  return 0;
}

}  // namespace qv
