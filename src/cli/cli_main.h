// The command line front end: `quorvix [OPTIONS] PATH...`.
#pragma once

#include <string>
#include <vector>

namespace qv::cli {

// Runs the command line with UTF-8 arguments (program name first); returns the exit status:
// 0 every planned file written, 1 some not (or stopped), 2 bad usage or failure before the run.
int RunCli(const std::vector<std::string>& args);

}  // namespace qv::cli
