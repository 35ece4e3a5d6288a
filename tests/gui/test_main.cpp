// Entry of the GUI tests: the process is set up as Quorvix.exe sets itself up before it makes windows
// (COM, common controls, the user-interface font, the window classes), so that a test can create the
// main window or any one page and send it messages.
#include <windows.h>
#include <gtest/gtest.h>

#include <clocale>

#include "shell/main_window.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  testing::InitGoogleTest(&argc, argv);
  if (!qv::PrepareProcess(GetModuleHandleW(nullptr)) || !qv::RegisterWindowClasses()) return 3;
  const int result = RUN_ALL_TESTS();
  qv::ReleaseProcess();
  return result;
}
