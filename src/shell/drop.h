// Files and folders dropped onto the main window: where the drop lands decides what it does (a folder
// field takes the folder, the folder tree registers it, the tab area sets the input folder or converts
// the dropped files at once). Reaches the rest of the shell only through folder_fields.h, pages.h,
// command_line.h and window_run_host.h.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace qv {

// The main window's reaction to WM_DROPFILES. `drop` is released (DragFinish) in every case. The drop
// point is in the main window's client coordinates; the window under it is found the way WindowFromPoint
// finds it, so disabled and hidden controls are passed over.
//  - edit part of a folder field or a path field of the options page: the dropped folder goes there;
//  - the folder tree view: an existing dropped folder is handed to the tree's drop function;
//  - anywhere else in the tab control's rectangle: one existing folder becomes the input folder, anything
//    else is converted at once into the output field's folder (a drop run);
//  - elsewhere: nothing.
// A drop handled while a run is active (a message box of the run dispatched it) waits until the run is
// over, then is handled as above.
// The dropped folder is the first path (at most 259 characters), a shell link replaced by its target
// when it resolves, reduced to its parent when it is not an existing folder.
void HandleDrop(HDROP drop);

// What the folder tree does with an existing folder dropped onto its view (it registers the folder).
// The tree installs it when it is built; without one such drops do nothing. Returns the previous one.
using TreeDropFunction = void (*)(const std::wstring& folder);
TreeDropFunction SetTreeDropFunction(TreeDropFunction function);

}  // namespace qv
