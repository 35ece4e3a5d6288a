// Program entry of `quorvix` on POSIX: arguments arrive as UTF-8 (the locale's code set is assumed UTF-8).
#include <clocale>
#include <string>
#include <vector>

#include "cli/cli_main.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv, argv + argc);
  return qv::cli::RunCli(args);
}
