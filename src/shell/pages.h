// What the main window needs from the three tab pages, and what the pages need from the main window.
// Each page lives in its own file pair and is reached only through these functions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "batch/run.h"

namespace qv {

// ---- provided by the main window (shell/main_window.cpp, shell/folder_fields.cpp) -----------------
// Every command of the main panel and of the pages, keyed by control id.
void DispatchCommand(int id, int code, HWND control);
// Registers `control` with the program's tooltip window.
void AddTooltip(HWND control, const wchar_t* text);
// The only ways to set the two folder fields: text set, list reloaded and watch re-armed (input).
void SetInputFolder(const std::wstring& folder);
void SetOutputFolder(const std::wstring& folder);
// Creates a child control with the user-interface font.
HWND CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                   int height, int id, DWORD exStyle = 0);
// Width in pixels of `text` in the font that `control` draws with.
int TextWidthIn(HWND control, const std::wstring& text);
// The text of a control (an edit field, a combo box, a label), at most `maxChars` characters; empty for
// no control.
std::wstring ControlText(HWND control, size_t maxChars);

// ---- output settings page (shell/output_settings_page.cpp) ----------------------------------------
HWND CreateOutputSettingsPage(HWND tab, const RECT& area);
bool OnOutputSettingsCommand(int id, int code, HWND control);  // true when the id is the page's
void ApplyOutputSettingsEnabling();
// Quality and LmtVal from their spin fields, then the five text and number fields (ReadTabTextFields).
void ReadOutputSettingsIntoParams(ConversionParams& params);
void ReadTabTextFields(ConversionParams& params);

// ---- individual input page (preview/input_list_page.cpp) -----------------------------------------
HWND CreateInputListPage(HWND tab, const RECT& area);
bool OnInputListCommand(int id, int code, HWND control);
LRESULT OnInputListNotify(const NMHDR& header);
// Fills the list with the JPEG files of `folder` (all checked); an invalid folder empties it.
void LoadInputFolder(const std::wstring& folder);
// The folder the rows were listed from: the rows name its files. Empty while the list shows no folder.
const std::wstring& InputListFolder();
// Takes the rows of these file names out of the list (inputs a run removed) and updates the count.
void RemoveInputRows(const std::vector<std::wstring>& names);
std::vector<RunRow> InputListRows();  // names and check states in display order
void SetInputRowChecks(const std::vector<bool>& checked);  // one entry per row
void ReleaseInputPreview();  // also clears the selection of all rows
void RestoreInputListProcedure();  // at shut-down

// ---- options page (shell/options_page.cpp) -------------------------------------------------------
// Builds the page and applies the start-up folders to the two folder fields.
HWND CreateOptionsPage(HWND tab, const RECT& area);
bool OnOptionsCommand(int id, int code, HWND control);
// Shows or hides hidden items: Hidden flips between 2 and 0 and the check box 1344 follows. Folders
// listed from then on use the new mask; the input list as it stands, with its check boxes, is kept.
// Meant for the tree menu's command too.
void ToggleHiddenItems();

// ---- file-name check dialog (shell/file_name_check_dialog.cpp) -----------------------------------
// The command of button 1022 (described in shell/file_name_check_dialog.h).
void ShowFileNameCheck();

}  // namespace qv
