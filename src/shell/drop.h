// Files and folders dropped onto the main window: where the drop lands decides what it does (a folder
// field takes the folder, the folder tree registers it, the tab area sets the input folder or converts
// the dropped files at once).
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace qv {

class MainWindow;

// The main window's reaction to WM_DROPFILES. `drop` is released (DragFinish) in every case. The drop
// point is in the main window's client coordinates; the window under it is found the way WindowFromPoint
// finds it, so disabled and hidden controls are passed over.
//  - edit part of a folder field or a path field of the options page: the dropped folder goes there;
//  - the folder tree view: an existing dropped folder is handed to the tree (TreePanel::SetDropHandler);
//  - anywhere else in the tab control's rectangle: one existing folder becomes the input folder, anything
//    else is converted at once into the output field's folder (a drop run);
//  - elsewhere: nothing.
// A drop handled while a run is active (a message box of the run dispatched it) waits until the run is
// over, then is handled as above.
// The dropped folder is the first path (whole, whatever its length), a shell link replaced by its target
// when it resolves, reduced to its parent when it is not an existing folder.
void HandleDrop(MainWindow& window, HDROP drop);

// Places `folder` into the folder field under `screenPoint`: the edit part of the input or output field,
// or one of the three path fields of the options page (ISPath, OSPath, SdToPath). False when the point
// is over any other window.
bool ApplyDropToField(MainWindow& window, POINT screenPoint, const std::wstring& folder);

}  // namespace qv
