// The file-name check dialog (template 2000, "ファイル名確認"): the output name every input of a planned run
// would get, in the order of the run. The names are planned by the batch core before the dialog opens;
// the dialog only shows them and says whether the user chose "変換".
#pragma once

#include <windows.h>

#include <vector>

#include "batch/run.h"

namespace qv {

// Shows `rows` (rows without an output name are left out) modal to `owner`, with the dialog's top-left
// corner on `corner` (screen coordinates). True when "変換" closed it; "閉じる", Escape and the close box
// give false.
bool RunFileNameCheckDialog(HWND owner, POINT corner, const std::vector<NameCheckRow>& rows);

}  // namespace qv
