// The comment dialog (resource 2200, "コメント作成"): edits the comment that runs insert into every
// output. Knows nothing of the page that opens it; the caller passes the text to edit.
#pragma once

#include <windows.h>

#include <string>

namespace qv {

// Longest comment the dialog's field takes, in characters.
constexpr int kMaxCommentDialogChars = 9999;

// Opens dialog 2200 modal to `owner` with `comment` in its multi-line field. "OK" stores the field's
// text (line breaks as CR LF, at most kMaxCommentDialogChars characters; empty stays empty) in
// `comment` and returns IDOK (1); "キャンセル" or closing the dialog returns IDCANCEL (2) and leaves
// `comment` as it was. -1 when the dialog cannot be created.
INT_PTR EditComment(HWND owner, std::wstring& comment);

}  // namespace qv
