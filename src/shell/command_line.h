// Paths passed on the command line (the Send To menu): converted at once with the window minimised, or
// preset into the folder fields with only the passed files checked. A passed shell link stands for its
// target (shell/shell_link.h).
#pragma once

#include <string>

#include "ui/shell_link.h"

namespace qv {

class MainWindow;

enum class CommandLineResult { kOpen, kClose };

// `args` are the command line's arguments with args[0] the program. With SdToCvt set and more than one
// path, or one path that is not an existing folder: a file-list run over all paths (source 0), then
// kClose. Otherwise the first path (a link resolved first) or its folder becomes the input folder, rows
// whose names match none of the passed names are unchecked, the output folder becomes SdToPath or that
// folder, and the result is kOpen.
CommandLineResult ProcessCommandLine(MainWindow& window, int argc, wchar_t** args);

// The long form of `path`, made absolute, whatever its length; a path whose long form cannot be found is
// made absolute and kept as it is otherwise.
std::wstring LongPathOf(const std::wstring& path);

}  // namespace qv
