// Test entry: the C library works in the user's locale (the ANSI code page conversion depends on it);
// each test process has a temporary folder of its own (ctest runs cases side by side, and some count
// the temporary files a run leaves), and on POSIX the freedesktop.org trash of the tests lives in a
// scratch folder, not in the user's home.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::setlocale(LC_ALL, "");
#ifdef _WIN32
  const fs::path temp = fs::temp_directory_path() / ("qvtest-tmp-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(temp);
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
#else
  const fs::path scratch = fs::temp_directory_path() / ("qvtest-" + std::to_string(::getpid()));
  const fs::path temp = scratch / "tmp";
  fs::create_directories(temp);
  setenv("TMPDIR", temp.c_str(), 1);
  setenv("XDG_DATA_HOME", (scratch / "xdg").c_str(), 1);
#endif
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::error_code ec;
#ifdef _WIN32
  fs::remove_all(temp, ec);
#else
  fs::remove_all(scratch, ec);
#endif
  return result;
}
