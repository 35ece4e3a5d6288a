// The individual-input tab page: the check-box list of the input folder's JPEG files (the input set of a
// folder run) and the full-size preview of the one selected file. The functions the main window calls
// are declared in shell/pages.h; this header holds what the other user-interface parts share with the
// page (the fitted painting, the end-of-scroll hook) and what its tests drive directly.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace qv {

extern const wchar_t kInputPreviewClass[];  // "Quorvix_isetprv_class"

// Registers the preview box's window class unless it already is. True when the class exists afterwards.
bool RegisterInputPreviewClass(HINSTANCE instance);

// One whole paint pass of `window` (between BeginPaint and EndPaint): the image shrunk to fit the client
// area and centred, the rest in the button-face colour. `info` is a bitmap header followed by its
// 256-entry colour table; with no pixels the whole area is button face.
void PaintFittedImage(HWND window, const BITMAPINFO* info, const void* pixels);

// The list's item-changed notification: previews a row that became the only selected one, and passes
// a check-box switch inside a multiple selection on to every selected row.
void OnListItemChanged(const NMLISTVIEW& change);

// Sets the check box of every row, or of every selected row. An empty list is left alone.
void CheckAllItems(bool checked);
void SetSelectedCheckState(bool checked);

// Decodes `path` at full size and shows it with its name and "W x H    Nbit". On any failure the
// previous preview stays as it was. True when the new image is shown.
bool LoadInputPreview(const std::wstring& path);
// Drops the preview image, empties both lines and the path, and repaints the box.
void ClearInputPreview();
// The full path of the previewed file; empty when nothing is shown.
const std::wstring& InputPreviewPath();

// Opens the previewed file with its associated program; a failure shows message 1.
void LaunchPreviewFile();
// `path` as handed to the shell: in double quotes when it contains a space.
std::wstring QuoteSpacesForShell(const std::wstring& path);

// Replaces the window procedure of `list` by ListScrollHook, which repaints the whole list once at the
// end of every vertical scroll; RemoveListScrollHook puts the list's own procedure back.
void InstallListScrollHook(HWND list);
void RemoveListScrollHook(HWND list);
LRESULT CALLBACK ListScrollHook(HWND list, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qv
