// The file-name check dialog. The template is resource 2000 (resources/file_name_check_dialog.rc); the
// names are computed by the batch core before the dialog opens, so the dialog is a view of one list.
#include "shell/file_name_check_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "batch/run.h"
#include "preview/input_list_page.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/window_run_host.h"

namespace qv {
namespace {

constexpr int kInputColumnWidth = 135;   // pixels
constexpr int kOutputColumnWidth = 145;
constexpr INT_PTR kConvertResult = 1;
constexpr INT_PTR kCloseResult = 0;

// What one showing of the dialog displays: the planned names in the order of the run.
struct NameCheckContext {
  std::vector<NameCheckRow> rows;
};

// The dialog opens on the tab control's top-left corner, over the pages, with its own size.
void PlaceOverTabControl(HWND dialog) {
  RECT tab{};
  if (App().tab == nullptr || !GetWindowRect(App().tab, &tab)) return;
  SetWindowPos(dialog, nullptr, tab.left, tab.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AddColumn(HWND list, int index, const wchar_t* title, int width) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<wchar_t*>(title);
  column.cx = width;
  column.iSubItem = index;
  SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void SetUpList(HWND list) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  if (App().uiFont != nullptr) SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(App().uiFont), FALSE);
  AddColumn(list, 0, L"入力ファイル名", kInputColumnWidth);
  AddColumn(list, 1, L"出力ファイル名", kOutputColumnWidth);
}

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

void OnInitDialog(HWND dialog, const NameCheckContext& context) {
  PlaceOverTabControl(dialog);
  HWND list = GetDlgItem(dialog, IDC_NAME_CHECK_LIST);
  SetUpList(list);
  InstallListScrollHook(list);
  FillList(list, context.rows);
}

INT_PTR CALLBACK FileNameCheckProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog, *reinterpret_cast<const NameCheckContext*>(lParam));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: EndDialog(dialog, kConvertResult); return TRUE;
        case IDCANCEL: EndDialog(dialog, kCloseResult); return TRUE;  // also Escape and the close box
        default: return FALSE;
      }
    case WM_DESTROY: RemoveListScrollHook(GetDlgItem(dialog, IDC_NAME_CHECK_LIST)); return FALSE;
    default: return FALSE;
  }
}

// The names of the run as it would go now. False (a message shown) when no run would start.
bool ComputeContext(NameCheckContext& context) {
  RunRequest request;
  if (!BuildNameCheckRequest(request)) return false;
  std::optional<std::vector<NameCheckRow>> rows = PlanOutputNames(request);
  if (!rows) {
    ShowAppMessage(MessageCode::kMemory);
    return false;
  }
  context.rows = std::move(*rows);
  return true;
}

}  // namespace

void ShowFileNameCheck() {
  AppState& app = App();
  if (app.runActive) return;
  NameCheckContext context;
  if (!ComputeContext(context)) return;
  const INT_PTR result = DialogBoxParamW(app.instance, MAKEINTRESOURCEW(IDD_FILE_NAME_CHECK), app.mainWindow,
                                         FileNameCheckProc, reinterpret_cast<LPARAM>(&context));
  if (result == kConvertResult) RunFolderConversion();
}

}  // namespace qv
