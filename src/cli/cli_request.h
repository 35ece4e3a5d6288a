// The command line's run request: the inputs its paths stand for, the output folder its options and the
// settings choose, and the parameters in force. Portable and free of output, so that what a command line
// would run can be built and compared without running it.
#pragma once

#include <string>
#include <vector>

#include "batch/run.h"
#include "cli/cli_messages.h"
#include "cli/cli_options.h"
#include "settings/app_options.h"

namespace qv::cli {

// Something that keeps the command from doing (all of) its work.
struct Problem {
  CliMessage message;
  std::wstring path;     // what it is about (may be empty)
  std::wstring subject;  // how the diagnostic names it; empty: the path
};

struct CliRun {
  RunRequest request;
  std::vector<std::wstring> shown;  // each input as the user named it, for diagnostics; parallel to inputs
  std::vector<Problem> problems;    // to report, in this order
};

// Files stand for themselves; a folder stands for its JPEG files in natural order (hidden ones as
// appOptions.Hidden says), with --recursive for those of its whole tree (ListInputTree), each input
// carrying its relative sub-folder. A path that names nothing, or something that is no regular file (a FIFO would
// block the run), is a problem and left out. The output folder is -o, else SdToPath, else the folder of
// the first input. `params` are the settings with the options applied; the request gets a copy, the
// disposal they ask for, source kCommandLine and the jobs of --jobs (else the number of processors); its
// temporary folder is left empty.
// False when no run can start: no input is left, or the output folder is no existing folder (the last
// problem says which). True otherwise; the problems are then the paths left out.
bool BuildCliRequest(const CliOptions& options, const ConversionParams& params, const AppOptions& appOptions,
                     CliRun& run);

}  // namespace qv::cli
