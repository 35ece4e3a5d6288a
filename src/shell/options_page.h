// Options page internals that tests and other windows reach besides pages.h: the page's handle.
#pragma once

#include <windows.h>

namespace qv {

// The options page built by CreateOptionsPage, or null before it is built.
HWND OptionsPage();

}  // namespace qv
