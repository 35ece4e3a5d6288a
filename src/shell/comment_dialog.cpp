// The comment dialog: a form over one string. The template is resource 2200 (resources/comment_dialog.rc).
#include "shell/comment_dialog.h"

#include <vector>

#include "resources/resource.h"
#include "shell/app_state.h"

namespace qv {
namespace {

void OnInitDialog(HWND dialog, const std::wstring& comment) {
  HWND field = GetDlgItem(dialog, IDC_COMMENT_TEXT);
  // The field takes no more than OK would store, so what the user sees is what is kept.
  SendMessageW(field, EM_LIMITTEXT, kMaxCommentDialogChars, 0);
  SetWindowTextW(field, comment.c_str());
}

void OnOk(HWND dialog, std::wstring& comment) {
  std::vector<wchar_t> buffer(kMaxCommentDialogChars + 1, L'\0');
  const int length = GetDlgItemTextW(dialog, IDC_COMMENT_TEXT, buffer.data(), static_cast<int>(buffer.size()));
  comment.assign(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK CommentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      OnInitDialog(dialog, *reinterpret_cast<std::wstring*>(lParam));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnOk(dialog, *reinterpret_cast<std::wstring*>(GetWindowLongPtrW(dialog, DWLP_USER)));
          return TRUE;
        case IDCANCEL:  // also the close box and Escape
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

INT_PTR EditComment(HWND owner, std::wstring& comment) {
  return DialogBoxParamW(App().instance, MAKEINTRESOURCEW(IDD_COMMENT), owner, CommentDialogProc,
                         reinterpret_cast<LPARAM>(&comment));
}

}  // namespace qv
