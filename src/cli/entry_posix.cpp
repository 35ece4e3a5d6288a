// Program entry of `quorvix` on POSIX: arguments arrive as bytes, taken as UTF-8 (bytes that are not
// UTF-8 survive the trip to wide text and back).
#include <clocale>
#include <csignal>
#include <string>
#include <vector>

#include "cli/cli_main.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  // A reader that goes away (quorvix --json ... | head -1) makes writes fail with EPIPE instead of ending
  // the process in the middle of a file; the run then stops after that file and cleans up.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv, argv + argc);
  return qv::cli::RunCli(args);
}
