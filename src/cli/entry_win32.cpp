// Program entry of `quorvix-cli.exe`: UTF-16 arguments, converted to UTF-8 for the option parser.
#include <clocale>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "platform/text.h"

int wmain(int argc, wchar_t** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(qv::ToUtf8(argv[i]));
  return qv::cli::RunCli(args);
}
