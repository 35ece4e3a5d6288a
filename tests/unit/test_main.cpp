// Test entry: the C library works in the user's locale (the ANSI code page conversion depends on it),
// and on POSIX the freedesktop.org trash of the tests lives in a scratch folder, not in the user's home.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#ifndef _WIN32
#include <unistd.h>
#endif

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
#ifndef _WIN32
  const std::filesystem::path dataHome =
      std::filesystem::temp_directory_path() / ("qvtest-xdg-" + std::to_string(::getpid()));
  setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
#endif
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
#ifndef _WIN32
  std::error_code ec;
  std::filesystem::remove_all(dataHome, ec);
#endif
  return result;
}
