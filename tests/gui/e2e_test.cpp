// End-to-end runs of the real Quorvix.exe: a copy of the program in a scratch folder with its settings
// file beside it (which the program prefers), started with CreateProcess and driven from this process by
// window class and control id, as a user's second program or the shell would.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gui_test_support.h"
#include "platform/system_folders.h"
#include "platform/win32/unique_handles.h"
#include "resources/resource.h"

namespace qv {
namespace {

using guitest::FileExists;
using guitest::ScratchFolder;

constexpr DWORD kStartTimeoutMs = 15000;

class Program {
 public:
  Program() = default;
  ~Program() { Kill(); }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Start(const std::wstring& exe, const std::vector<std::wstring>& args, WORD show = SW_SHOWNORMAL) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    for (const std::wstring& arg : args) commandLine += L" \"" + arg + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info_))
      return false;
    UniqueKernelHandle(std::exchange(info_.hThread, nullptr)).Reset();
    return true;
  }

  // The program's main window, once it exists.
  HWND WaitForWindow() {
    const ULONGLONG end = GetTickCount64() + kStartTimeoutMs;
    while (GetTickCount64() < end) {
      HWND found = nullptr;
      while ((found = FindWindowExW(nullptr, found, L"Quorvix_main_class", nullptr)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(found, &pid);
        if (pid == info_.dwProcessId && IsWindowVisible(found)) return found;
      }
      if (WaitForSingleObject(info_.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
  }

  // The exit code, or -1 when the program is still running after `timeoutMs`.
  long WaitForExit(DWORD timeoutMs) {
    if (info_.hProcess == nullptr || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }

  void Kill() {
    if (info_.hProcess == nullptr) return;
    if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
    UniqueKernelHandle(std::exchange(info_.hProcess, nullptr)).Reset();
  }

 private:
  PROCESS_INFORMATION info_{};
};

std::wstring RemoteText(HWND window) {
  wchar_t text[300] = {};
  SendMessageW(window, WM_GETTEXT, 300, reinterpret_cast<LPARAM>(text));
  return text;
}

struct MainWindowParts {
  HWND main, panel, inputField, outputField, list;
  explicit MainWindowParts(HWND window) : main(window) {
    panel = GetDlgItem(main, IDC_MAIN_PANEL);
    inputField = GetDlgItem(panel, IDC_INPUT_FOLDER);
    outputField = GetDlgItem(panel, IDC_OUTPUT_FOLDER);
    list = GetDlgItem(GetDlgItem(GetDlgItem(panel, IDC_TAB), IDC_PAGE_INPUT_LIST), IDC_INPUT_LIST);
  }
  int Rows() const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
  bool Checked(int row) const {
    return ((SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12) == 2;
  }
};

class QuorvixProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    exe_ = scratch_.folder(L"app") + L"\\Quorvix.exe";
    ASSERT_TRUE(CopyFileW(guitest::GuiExePath().c_str(), exe_.c_str(), FALSE))
        << "Quorvix.exe not found beside the build";
    input_ = scratch_.folder(L"in");
    for (const wchar_t* name : {L"s002.jpg", L"s009.jpg", L"s010.jpg"})
      ASSERT_TRUE(guitest::CopyDataFile(name, input_ + L"\\" + name));
    ASSERT_EQ(FindWindowW(L"Quorvix_main_class", nullptr), nullptr) << "a main window is left over";
  }

  std::wstring SettingsPath() const { return scratch_.path() + L"\\app\\Quorvix.ini"; }

  // The settings file beside the program: the MWin lines given plus one registered folder.
  void WriteSettings(const std::wstring& mwinLines) {
    ASSERT_TRUE(guitest::WriteUtf16File(SettingsPath(), L"[MWin]\r\n" + mwinLines + L"[FolderList]\r\n0=" +
                                                            input_ + L"\r\n"));
  }

  void CloseAndExpectExit(Program& program, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(kStartTimeoutMs), 0);
  }

  ScratchFolder scratch_;
  std::wstring exe_;
  std::wstring input_;
};

TEST_F(QuorvixProgramTest, StartsWithTheStartUpFoldersAndWritesTheSettingsAtExit) {
  WriteSettings(L"IIFolder=2\r\nISPath=" + input_ + L"\r\nOIFolder=2\r\nOSPath=" + input_ + L"\r\n");
  Program program;
  ASSERT_TRUE(program.Start(exe_, {}, SW_SHOWMAXIMIZED));
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  MainWindowParts parts(window);
  EXPECT_EQ(RemoteText(window), L"Quorvix");
  // Asked to show maximised, the window opens in its normal size.
  EXPECT_FALSE(IsZoomed(window));
  EXPECT_FALSE(IsIconic(window));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 720);
  EXPECT_EQ(client.bottom, 500);
  EXPECT_EQ(RemoteText(parts.inputField), input_);
  EXPECT_EQ(RemoteText(parts.outputField), input_);
  EXPECT_EQ(parts.Rows(), 3);
  SetWindowTextW(parts.outputField, L"C:\\elsewhere");  // sent across: the field's text
  CloseAndExpectExit(program, window);

  const std::wstring ini = guitest::ReadUtf16File(SettingsPath());
  const size_t cvt = ini.find(L"[CvtPrms]"), mwin = ini.find(L"[MWin]"), list = ini.find(L"[FolderList]");
  ASSERT_NE(cvt, std::wstring::npos);
  ASSERT_NE(mwin, std::wstring::npos);
  ASSERT_NE(list, std::wstring::npos);
  EXPECT_LT(cvt, mwin);
  EXPECT_LT(mwin, list);
  EXPECT_NE(ini.find(L"IEPath=" + input_), std::wstring::npos);
  EXPECT_NE(ini.find(L"OEPath=C:\\elsewhere"), std::wstring::npos);
  EXPECT_NE(ini.find(L"WinX="), std::wstring::npos);
}

TEST_F(QuorvixProgramTest, SecondStartBringsTheRunningWindowBackAndConvertsNothing) {
  WriteSettings(L"SdToCvt=1\r\nEndMes=0\r\n");
  Program first;
  ASSERT_TRUE(first.Start(exe_, {}));
  HWND window = first.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(guitest::PumpUntil([&] { return IsIconic(window) != FALSE; }, 5000));

  Program second;
  ASSERT_TRUE(second.Start(exe_, {input_ + L"\\s002.jpg", input_ + L"\\s009.jpg"}));
  EXPECT_EQ(second.WaitForExit(kStartTimeoutMs), 0);
  EXPECT_TRUE(guitest::PumpUntil([&] { return IsIconic(window) == FALSE; }, 5000));
  EXPECT_EQ(guitest::FileNames(input_).size(), 3u);  // the second start's paths were dropped
  CloseAndExpectExit(first, window);
}

// A folder on the command line opens the window on it with every photo checked, even with SdToCvt (which
// converts only files); a file without SdToCvt opens its folder with that photo alone checked.
TEST_F(QuorvixProgramTest, CommandLineFolderOrFileOpensTheWindowOnItsFolder) {
  const struct {
    const wchar_t* settings;
    const wchar_t* file;  // after the input folder
    bool checked[3];      // s002, s009, s010
  } rows[] = {
      {L"SdToCvt=1\r\n", L"", {true, true, true}},
      {L"SdToCvt=0\r\n", L"\\s009.jpg", {false, true, false}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file[0] == L'\0' ? "the folder as argument" : "a file as argument");
    WriteSettings(row.settings);
    Program program;
    ASSERT_TRUE(program.Start(exe_, {input_ + row.file}));
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    MainWindowParts parts(window);
    EXPECT_EQ(RemoteText(parts.inputField), input_);
    EXPECT_EQ(RemoteText(parts.outputField), input_);
    ASSERT_EQ(parts.Rows(), 3);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(parts.Checked(r), row.checked[r]) << r;
    CloseAndExpectExit(program, window);
  }
}

TEST_F(QuorvixProgramTest, CommandLineFilesWithSdToCvtAreConvertedAndTheProgramEnds) {
  const std::wstring out = scratch_.folder(L"sendto");
  WriteSettings(L"SdToCvt=1\r\nEndMes=0\r\nSdToPath=" + out + L"\r\n");
  Program program;
  ASSERT_TRUE(program.Start(exe_, {input_ + L"\\s002.jpg", input_ + L"\\s010.jpg"}));
  EXPECT_EQ(program.WaitForExit(30000), 0);
  EXPECT_EQ(guitest::FileNames(out), (std::vector<std::wstring>{L"s002.jpg", L"s010.jpg"}));
  const std::wstring ini = guitest::ReadUtf16File(SettingsPath());
  EXPECT_NE(ini.find(L"[CvtPrms]"), std::wstring::npos);
  EXPECT_NE(ini.find(L"SdToPath=" + out), std::wstring::npos);
}

// Send To with files and SdToPath deeper than MAX_PATH: the passed paths reach the run whole, the
// outputs land in the deep folder, and the settings file keeps it. (The program itself stays in a short
// folder: the system starts no program from a path beyond MAX_PATH.)
TEST_F(QuorvixProgramTest, SendToWorksInFoldersBeyondMaxPath) {
  std::wstring deep = scratch_.folder(L"deep");
  const guitest::DeepTreeRemover remover{deep};
  for (const wchar_t c : {L'a', L'b', L'c', L'd', L'e'}) {
    deep += L"\\" + std::wstring(60, c);
    ASSERT_TRUE(CreateFolder(deep));
  }
  const std::wstring in = deep + L"\\in", out = deep + L"\\out";
  for (const std::wstring& folder : {in, out}) ASSERT_TRUE(CreateFolder(folder));
  for (const wchar_t* name : {L"s002.jpg", L"s010.jpg"}) ASSERT_TRUE(guitest::CopyDataFile(name, in + L"\\" + name));
  WriteSettings(L"SdToCvt=1\r\nEndMes=0\r\nSdToPath=" + out + L"\r\n");
  Program program;
  ASSERT_TRUE(program.Start(exe_, {in + L"\\s002.jpg", in + L"\\s010.jpg"}));
  EXPECT_EQ(program.WaitForExit(30000), 0);
  EXPECT_EQ(guitest::FileNames(out), (std::vector<std::wstring>{L"s002.jpg", L"s010.jpg"}));
  EXPECT_NE(guitest::ReadUtf16File(SettingsPath()).find(L"SdToPath=" + out + L"\r\n"), std::wstring::npos);
}

// The help button of the real program opens the help file beside it in the system's help viewer.
TEST_F(QuorvixProgramTest, HelpButtonOpensTheHelpFileBesideTheProgram) {
  std::wstring chm = guitest::GuiExePath();
  chm.replace(chm.size() - 4, 4, L".chm");
  if (GetFileAttributesW(chm.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "Quorvix.chm is not built";
  ASSERT_TRUE(CopyFileW(chm.c_str(), (scratch_.path() + L"\\app\\Quorvix.chm").c_str(), FALSE));
  Program program;
  ASSERT_TRUE(program.Start(exe_, {}));
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  MainWindowParts parts(window);
  PostMessageW(parts.panel, WM_COMMAND, MAKEWPARAM(IDC_HELP_BUTTON, BN_CLICKED), 0);
  HWND viewer = nullptr;
  EXPECT_TRUE(guitest::PumpUntil([&] { return (viewer = FindWindowW(L"HH Parent", nullptr)) != nullptr; }, 10000));
  if (viewer != nullptr) PostMessageW(viewer, WM_CLOSE, 0, 0);
  CloseAndExpectExit(program, window);
}

}  // namespace
}  // namespace qv
