// The file-name check (dialog 2000, "ファイル名確認"): before anything is converted, lists the output
// name every checked row of the input list would get from a folder run, with the collision suffixes
// caused by the output folder's files and by the run's own earlier outputs. The names are planned by the
// batch core (PlanOutputNames) from the request the window builds; this file only shows them and hands
// "変換" on to the same folder run as the main window's "変換" button.
#pragma once

namespace qv {

// The command of button 1022. Validates both folder fields (messages 3/4), reloads a changed input
// folder without a message, shows message 6 when no row is checked and message 0 when the Exif reader
// cannot be made; otherwise shows the dialog modal to the main window. "変換" closes it and starts the
// folder run; "閉じる", Escape and the close box convert nothing.
void ShowFileNameCheck();

}  // namespace qv
