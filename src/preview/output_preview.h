// The output preview window (dialog 2100): a converted file decoded again at its own size and shown in
// a window fitted to the screen, titled with the zoom and the file's size ("33% / 1,269KB"); Enter,
// Escape and the close box close it. The image area is a window of class "Rideroz_oprv_class".
#pragma once

#include <windows.h>

#include <string>

#include "engine/params.h"

namespace qv {

extern const wchar_t kOutputPreviewClass[];  // "Rideroz_oprv_class"

// Registers the image area's class unless it already is. True when the class exists afterwards.
bool RegisterOutputPreviewClass();

// Decodes `path` at its own size under `params` (their memory limit) and shows it modal to `owner`.
// False, with no window, when the file cannot be decoded.
bool RunOutputPreviewDialog(HWND owner, const std::wstring& path, const ConversionParams& params);

}  // namespace qv
