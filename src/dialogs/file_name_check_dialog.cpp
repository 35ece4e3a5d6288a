// The file-name check dialog: a view of one list of planned names.
#include "dialogs/file_name_check_dialog.h"

#include <commctrl.h>

#include <string>

#include "resources/resource.h"
#include "forms/dpi_layout.h"
#include "platform/system_folders.h"
#include "platform/win32/unique_handles.h"
#include "ui/controls.h"
#include "ui/dpi.h"
#include "ui/list_view.h"
#include "ui/process.h"
#include "ui/window_base.h"

namespace qv {
namespace {

constexpr int kInputColumnWidth = 135;  // pixels at 96 DPI
constexpr int kOutputColumnWidth = 145;
constexpr int kMinInputColumnWidth = 60;
constexpr wchar_t kWidestOutputName[] = L"20261231_235959.jpg";  // a date name with its seconds
constexpr INT_PTR kConvertResult = 1;
constexpr INT_PTR kCloseResult = 0;

// One row per input that the run would write; inputs that vanished or whose suffixes ran out have no
// output name and are left out. Of a folder tree, both names carry the sub-folder, where the output goes too.
void FillList(HWND list, const std::vector<NameCheckRow>& rows) {
  int shown = 0;
  for (const NameCheckRow& row : rows) {
    if (row.outputName.empty()) continue;
    std::wstring input = row.folder.empty() ? row.inputName : JoinPath(row.folder, row.inputName);
    const std::wstring output = row.folder.empty() ? row.outputName : JoinPath(row.folder, row.outputName);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = shown;
    item.pszText = input.data();
    const int index = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) continue;
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t*>(output.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&sub));
    ++shown;
  }
}

class FileNameCheckDialog : public DialogBase {
 public:
  FileNameCheckDialog(POINT corner, const std::vector<NameCheckRow>& rows) : corner_(corner), rows_(rows) {}
  bool Run(HWND owner) { return RunModal(IDD_FILE_NAME_CHECK, owner) == kConvertResult; }

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
    switch (message) {
      case WM_INITDIALOG: OnInitDialog(); return TRUE;
      case WM_COMMAND:
        switch (LOWORD(wParam)) {
          case IDOK: EndDialog(Handle(), kConvertResult); return TRUE;
          case IDCANCEL: EndDialog(Handle(), kCloseResult); return TRUE;  // also Escape and the close box
          default: return FALSE;
        }
      case WM_DESTROY: RemoveListScrollHook(GetDlgItem(Handle(), IDC_NAME_CHECK_LIST)); return FALSE;
      default: return FALSE;
    }
  }

 private:
  void OnInitDialog() {
    SetWindowPos(Handle(), nullptr, corner_.x, corner_.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND list = GetDlgItem(Handle(), IDC_NAME_CHECK_LIST);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    font_.Reset(CreateUiFontForDpi(DpiOf(Handle())));
    if (font_) SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    AddListColumn(list, 0, L"入力ファイル名", kInputColumnWidth);
    AddListColumn(list, 1, L"出力ファイル名", kOutputColumnWidth);
    SizeColumns(list);
    InstallListScrollHook(list);
    FillList(list, rows_);
  }

  // The output column shows a whole date name at the dialog's DPI; the input column takes the rest of
  // the list without its frame and vertical scroll bar.
  static void SizeColumns(HWND list) {
    const UINT dpi = DpiOf(list);
    RECT client{};
    GetClientRect(list, &client);
    int widths[2] = {ScaleFor(list, kInputColumnWidth), ScaleFor(list, kOutputColumnWidth)};
    const int inner = client.right - client.left - GetSystemMetricsForDpi(SM_CXVSCROLL, dpi);
    ShareColumns(widths, 2, 1, TextWidthIn(list, kWidestOutputName), ListColumnMargin(list), 0, inner,
                 ScaleFor(list, kMinInputColumnWidth));
    for (int i = 0; i < 2; ++i) SendMessageW(list, LVM_SETCOLUMNWIDTH, i, widths[i]);
  }

  POINT corner_;
  const std::vector<NameCheckRow>& rows_;
  UniqueGdiObject<HFONT> font_;  // the user-interface font at the dialog's DPI
};

}  // namespace

bool RunFileNameCheckDialog(HWND owner, POINT corner, const std::vector<NameCheckRow>& rows) {
  return FileNameCheckDialog(corner, rows).Run(owner);
}

}  // namespace qv
