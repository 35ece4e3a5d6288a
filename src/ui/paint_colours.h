// The colours and brushes the window paints its own surfaces with, by the rule of forms/colour_rules.h
// over the system's colours and its high-contrast switch. Process-wide, as the system colours are: read
// on first use and again by RefreshPaintColours, which the top-level windows call when the system says
// that colours or settings changed.
#pragma once

#include <windows.h>

#include "forms/colour_rules.h"

namespace qv {

// True while the system's high-contrast mode is on (SPI_GETHIGHCONTRAST, HCF_HIGHCONTRASTON).
bool SystemHighContrastOn();

// Every read of the high-contrast switch goes through this function; the default is
// SystemHighContrastOn. Tests put a stand-in here. Returns the previous function; null restores the
// default. Takes effect at the next RefreshPaintColours.
using HighContrastFunction = bool (*)();
HighContrastFunction SetHighContrastFunction(HighContrastFunction function);

COLORREF PaintColour(ColourRole role);
// A solid brush of PaintColour(role), owned by this module and valid until the next refresh.
HBRUSH PaintBrush(ColourRole role);
// Reads the system colours and the switch again; the brushes handed out before are deleted.
void RefreshPaintColours();

// The top-level window's answer to WM_SYSCOLORCHANGE (`forward` set: the common controls inside it are
// told too, as they need) and WM_SETTINGCHANGE: colours read again and the whole window repainted.
void ApplySystemColourChange(HWND topLevel, bool forward);

}  // namespace qv
