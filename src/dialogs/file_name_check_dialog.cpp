// The file-name check dialog: a view of one list of planned names.
#include "dialogs/file_name_check_dialog.h"

#include <commctrl.h>

#include <string>

#include "resources/resource.h"
#include "ui/list_view.h"
#include "ui/process.h"
#include "ui/window_base.h"

namespace qv {
namespace {

constexpr int kInputColumnWidth = 135;  // pixels
constexpr int kOutputColumnWidth = 145;
constexpr INT_PTR kConvertResult = 1;
constexpr INT_PTR kCloseResult = 0;

// One row per input that the run would write; inputs that vanished or whose suffixes ran out have no
// output name and are left out.
void FillList(HWND list, const std::vector<NameCheckRow>& rows) {
  int shown = 0;
  for (const NameCheckRow& row : rows) {
    if (row.outputName.empty()) continue;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = shown;
    item.pszText = const_cast<wchar_t*>(row.inputName.c_str());
    const int index = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) continue;
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t*>(row.outputName.c_str());
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
    if (Process().uiFont != nullptr) SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(Process().uiFont), FALSE);
    AddListColumn(list, 0, L"入力ファイル名", kInputColumnWidth);
    AddListColumn(list, 1, L"出力ファイル名", kOutputColumnWidth);
    InstallListScrollHook(list);
    FillList(list, rows_);
  }

  POINT corner_;
  const std::vector<NameCheckRow>& rows_;
};

}  // namespace

bool RunFileNameCheckDialog(HWND owner, POINT corner, const std::vector<NameCheckRow>& rows) {
  return FileNameCheckDialog(corner, rows).Run(owner);
}

}  // namespace qv
