// The comment dialog: a form over one string. The template is resource 2200 (resources/comment_dialog.rc).
#include "dialogs/comment_dialog.h"

#include <vector>

#include "resources/resource.h"
#include "ui/window_base.h"

namespace qv {
namespace {

// The dialog over the one string it edits.
class CommentDialog : public DialogBase {
 public:
  explicit CommentDialog(std::wstring& comment) : comment_(comment) {}
  INT_PTR Run(HWND owner) { return RunModal(IDD_COMMENT, owner); }

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
    switch (message) {
      case WM_INITDIALOG: OnInitDialog(); return TRUE;
      case WM_COMMAND:
        switch (LOWORD(wParam)) {
          case IDOK: OnOk(); return TRUE;
          case IDCANCEL: EndDialog(Handle(), IDCANCEL); return TRUE;  // also the close box and Escape
          default: return FALSE;
        }
      default: return FALSE;
    }
  }

 private:
  void OnInitDialog() {
    HWND field = GetDlgItem(Handle(), IDC_COMMENT_TEXT);
    // The field takes no more than OK would store, so what the user sees is what is kept.
    SendMessageW(field, EM_LIMITTEXT, kMaxCommentDialogChars, 0);
    SetWindowTextW(field, comment_.c_str());
  }

  void OnOk() {
    std::vector<wchar_t> buffer(kMaxCommentDialogChars + 1, L'\0');
    const int length = GetDlgItemTextW(Handle(), IDC_COMMENT_TEXT, buffer.data(), static_cast<int>(buffer.size()));
    comment_.assign(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
    EndDialog(Handle(), IDOK);
  }

  std::wstring& comment_;
};

}  // namespace

INT_PTR EditComment(HWND owner, std::wstring& comment) { return CommentDialog(comment).Run(owner); }

}  // namespace qv
