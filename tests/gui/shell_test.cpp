// In-process tests of the main window: the real window built from quorvix_gui, driven with messages.
// Message boxes go through a recording stand-in, so texts, captions and styles are checked exactly.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "../unit/recording_observer.h"
#include "batch/messages.h"
#include "cli/cli_request.h"
#include "gui_test_support.h"
#include "main_window_fixture.h"
#include "platform/system_folders.h"
#include "resources/resource.h"
#include "ui/process.h"
#include "ui/window_base.h"
#include "shell/command_line.h"
#include "shell/drop.h"
#include "shell/folder_fields.h"
#include "shell/main_window.h"
#include "settings/settings_file.h"
#include "ui/send_to.h"
#include "shell/startup.h"
#include "shell/window_run.h"
#include "ui/message_box.h"

namespace qv {
namespace {

using namespace guitest;

// Small JPEG files of the test data that convert in milliseconds.
const wchar_t* const kSmallFiles[] = {L"s002.jpg", L"s009.jpg", L"s010.jpg", L"s012.jpg", L"s013.jpg", L"s016.jpg"};

class MainWindowTest : public guitest::MainWindowFixture {
 protected:
  MainWindowTest() { placement_ = Placement::kStored; }

  HWND Page(int index) {
    const HWND pages[3] = {W().outputPage().Handle(), W().inputPage().Handle(), W().optionsPage().Handle()};
    return pages[index];
  }

  // An input folder holding copies of the first `count` small files.
  std::wstring InputFolderWith(size_t count) {
    const std::wstring folder = scratch_.folder(L"in");
    for (size_t i = 0; i < count; ++i) CopyDataFile(kSmallFiles[i], folder + L"\\" + kSmallFiles[i]);
    return folder;
  }

  // The window on `in` and `out`, with the rows of `in` checked as `checks` says.
  void ShowFolders(const std::wstring& in, const std::wstring& out, const std::vector<bool>& checks) {
    W().SetInputFolder(in);
    W().SetOutputFolder(out);
    W().inputPage().SetRowChecks(checks);
  }

  int CheckedRows() {
    int checked = 0;
    for (const RunRow& row : W().inputPage().Rows()) checked += row.checked ? 1 : 0;
    return checked;
  }
};

TEST_F(MainWindowTest, WindowHasTheFixedLayoutClassesAndTexts) {
  EXPECT_EQ(WindowText(window_), L"Quorvix");
  RECT client{};
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 720);
  EXPECT_EQ(client.bottom, 500);
  const LONG style = GetWindowLongW(window_, GWL_STYLE);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
  EXPECT_EQ(style & WS_THICKFRAME, 0);
  EXPECT_NE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);

  wchar_t cls[64] = {};
  GetClassNameW(W().tree().Handle(), cls, 64);
  EXPECT_STREQ(cls, L"Quorvix_trbase_class");
  RECT tree{};
  GetClientRect(W().tree().Handle(), &tree);
  EXPECT_EQ(tree.right, 180);
  GetClassNameW(W().Panel(), cls, 64);
  EXPECT_STREQ(cls, L"Quorvix_mnbase_class");
  EXPECT_EQ(GetDlgCtrlID(W().Panel()), IDC_MAIN_PANEL);

  const struct {
    int id;
    const wchar_t* text;
  } kTexts[] = {{IDC_INPUT_LABEL, L"入力フォルダ"},
                {IDC_OUTPUT_LABEL, L"出力フォルダ"},
                {IDC_OUTPUT_PREVIEW, L"出力プレビュー"},
                {IDC_FILE_NAME_CHECK, L"ファイル名確認"},
                {IDC_CONVERT, L"変換"},
                {IDC_STOP, L"中止"},
                {IDC_EXIT, L"終了"},
                {IDC_HELP_BUTTON, L"ヘルプ"},
                {IDC_VERSION, L"\tVer."}};
  for (const auto& t : kTexts) EXPECT_EQ(WindowText(Panel(t.id)), t.text) << t.id;
  // "変換" is the widest button of the row.
  RECT convert{};
  GetWindowRect(Panel(IDC_CONVERT), &convert);
  for (int id : {IDC_OUTPUT_PREVIEW, IDC_FILE_NAME_CHECK, IDC_STOP, IDC_EXIT, IDC_HELP_BUTTON, IDC_VERSION}) {
    RECT other{};
    GetWindowRect(Panel(id), &other);
    EXPECT_GT(convert.right - convert.left, other.right - other.left) << id;
  }

  HWND tab = W().Tab();
  ASSERT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 3);
  const wchar_t* const kTabs[] = {L"出力設定", L"個別入力", L"オプション"};
  for (int i = 0; i < 3; ++i) {
    wchar_t text[32] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(tab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, kTabs[i]);
    RECT r{};
    SendMessageW(tab, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.right - r.left, 176) << i;
  }
  const int pageIds[] = {IDC_PAGE_OUTPUT_SETTINGS, IDC_PAGE_INPUT_LIST, IDC_PAGE_OPTIONS};
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(Page(i), nullptr);
    EXPECT_EQ(GetParent(Page(i)), tab);
    EXPECT_EQ(GetDlgCtrlID(Page(i)), pageIds[i]);
    GetClassNameW(Page(i), cls, 64);
    EXPECT_STREQ(cls, L"Quorvix_tabbase_class");
  }
}

TEST_F(MainWindowTest, SystemMenuAndTitleDoubleClickToggleAlwaysOnTop) {
  HMENU menu = GetSystemMenu(window_, FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(IDM_TOPMOST));
  wchar_t text[64] = {};
  GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"常に手前に表示");
  EXPECT_EQ(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));

  auto checked = [&] {
    SendMessageW(window_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));
    return (GetMenuState(menu, IDM_TOPMOST, MF_BYCOMMAND) & MF_CHECKED) != 0;
  };
  RECT before{};
  GetWindowRect(window_, &before);
  EXPECT_FALSE(checked());
  SendMessageW(window_, WM_SYSCOMMAND, IDM_TOPMOST, 0);
  // (Wine 8 keeps WS_EX_TOPMOST out of the style after SetWindowPos; the style at creation is checked
  // by TopMostAtCreation.)
  EXPECT_EQ(Stored().options.TopMost, 1);
  EXPECT_TRUE(checked());
  SendMessageW(window_, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
  EXPECT_EQ(Stored().options.TopMost, 0);
  EXPECT_FALSE(checked());
  EXPECT_FALSE(IsZoomed(window_));
  RECT after{};
  GetWindowRect(window_, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
}

class TopMostAtCreation : public MainWindowTest {
  void Configure() override { Stored().options.TopMost = 1; }
};

TEST_F(TopMostAtCreation, WindowIsCreatedTopmost) {
  EXPECT_NE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

// Windows reports a placement's normal position in workspace coordinates: with a taskbar of 40 pixels
// at the top they are 40 less than the screen coordinates that the window is created at.
BOOL WINAPI PlacementWithTaskbarAtTop(HWND window, WINDOWPLACEMENT* placement) {
  if (!GetWindowPlacement(window, placement)) return FALSE;
  OffsetRect(&placement->rcNormalPosition, 0, -40);
  return TRUE;
}

class TaskbarAtTop : public MainWindowTest {
  void Configure() override {
    previousPlacement_ = SetWindowPlacementFunction(PlacementWithTaskbarAtTop);
    Stored().hasWindowPosition = true;
    Stored().winX = 120;
    Stored().winY = 90;
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    SetWindowPlacementFunction(previousPlacement_);
  }
  WindowPlacementFunction previousPlacement_ = nullptr;

 protected:
  // The position in the settings file that the closed window wrote.
  void ExpectSavedPosition(int x, int y) {
    StoredAppState saved;
    LoadAppOptions(Process().settingsPath, saved);
    EXPECT_TRUE(saved.hasWindowPosition);
    EXPECT_EQ(saved.winX, x);
    EXPECT_EQ(saved.winY, y);
  }
};

// A window closed while minimised (as after a direct conversion) saves the screen position it opens at
// again, not the placement's own coordinates.
TEST_F(TaskbarAtTop, MinimisedWindowSavesItsScreenPosition) {
  ShowWindow(window_, SW_SHOWMINIMIZED);
  ASSERT_TRUE(IsIconic(window_));
  Close();
  ExpectSavedPosition(120, 90);
}

TEST_F(TaskbarAtTop, MovedThenMinimisedWindowSavesItsScreenPosition) {
  SetWindowPos(window_, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window_, SW_SHOWMINIMIZED);
  Close();
  ExpectSavedPosition(200, 150);
}

TEST_F(MainWindowTest, SwitchingTabsShowsOnePageAndFocusesTheMainWindow) {
  EXPECT_TRUE(IsWindowVisible(Page(0)));
  EXPECT_FALSE(IsWindowVisible(Page(1)));
  EXPECT_FALSE(IsWindowVisible(Page(2)));
  for (int selected : {2, 1, 0}) {
    SetFocus(W().InputField());
    SendMessageW(W().Tab(), TCM_SETCURSEL, selected, 0);
    NMHDR header{W().Tab(), IDC_TAB, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(W().Panel(), WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&header));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(IsWindowVisible(Page(i)) != FALSE, i == selected) << selected;
    EXPECT_EQ(GetFocus(), window_);
  }
}

TEST_F(MainWindowTest, ClickOnPageBackgroundFocusesTheMainWindow) {
  SetFocus(W().InputField());
  SendMessageW(Page(0), WM_LBUTTONDOWN, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(GetFocus(), window_);
  SetFocus(W().InputField());
  SendMessageW(W().tree().Handle(), WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(GetFocus(), window_);
}

TEST(MainWindowGeometry, RectangleIsBroughtIntoTheWorkArea) {
  const RECT work{0, 0, 1000, 800};
  RECT r = FitIntoWorkArea(RECT{-50, -20, 676, 511}, work);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 726);
  r = FitIntoWorkArea(RECT{1500, 600, 2226, 1131}, work);
  EXPECT_EQ(r.left, 1000 - 726);
  EXPECT_EQ(r.top, 800 - 531);
  // Wider than the area: the left edge wins.
  r = FitIntoWorkArea(RECT{-10, 0, 1090, 100}, work);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 1100);
}

TEST(StartUp, OperatingSystemCategories) {
  EXPECT_EQ(OperatingSystemCategory(4, 10), 0);
  EXPECT_EQ(OperatingSystemCategory(5, 0), 0);
  EXPECT_EQ(OperatingSystemCategory(5, 1), 1);
  EXPECT_EQ(OperatingSystemCategory(5, 2), 0);
  EXPECT_EQ(OperatingSystemCategory(6, 0), 2);
  EXPECT_EQ(OperatingSystemCategory(6, 3), 2);
  EXPECT_EQ(OperatingSystemCategory(10, 0), 3);
}

// ---- folder fields -------------------------------------------------------------------------------

class HistoryTest : public MainWindowTest {
  void Configure() override {
    Stored().inputHistory = {L"C:\\one", L"", L"C:\\two"};
    Stored().outputHistory = {L"C:\\out"};
  }
};

TEST_F(HistoryTest, ListsComeFromTheStoredHistoriesAndAreWrittenBackAtExit) {
  EXPECT_EQ(FolderHistory(W().InputField()), (std::vector<std::wstring>{L"C:\\one", L"C:\\two"}));
  EXPECT_EQ(FolderHistory(W().OutputField()), std::vector<std::wstring>{L"C:\\out"});

  std::vector<std::wstring> folders;
  for (int i = 0; i < 9; ++i) folders.push_back(scratch_.folder(L"f" + std::to_wstring(i)));
  for (const std::wstring& folder : folders) {
    SetWindowTextW(W().InputField(), folder.c_str());
    std::wstring remembered;
    ASSERT_TRUE(RememberFolder(W().InputField(), remembered));
    EXPECT_EQ(remembered, folder);
  }
  std::vector<std::wstring> history = FolderHistory(W().InputField(), 100);
  ASSERT_EQ(history.size(), 8u);
  EXPECT_EQ(history.front(), folders[8]);
  EXPECT_EQ(history.back(), folders[1]);

  // The same folder in other letter case replaces its entry and goes to the top.
  std::wstring upper = folders[3];
  CharUpperW(upper.data());
  SetWindowTextW(W().InputField(), upper.c_str());
  std::wstring remembered;
  ASSERT_TRUE(RememberFolder(W().InputField(), remembered));
  history = FolderHistory(W().InputField(), 100);
  ASSERT_EQ(history.size(), 8u);
  EXPECT_EQ(history.front(), upper);
  for (size_t i = 1; i < history.size(); ++i)
    EXPECT_NE(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, history[i].c_str(), -1, upper.c_str(), -1),
              CSTR_EQUAL);

  // Not a folder: nothing remembered, the list unchanged.
  SetWindowTextW(W().InputField(), scratch_.file(L"missing").c_str());
  EXPECT_FALSE(RememberFolder(W().InputField(), remembered));
  EXPECT_EQ(FolderHistory(W().InputField(), 100), history);

  Close();
  const std::wstring ini = guitest::ReadUtf16File(scratch_.file(L"Quorvix.ini"));
  EXPECT_NE(ini.find(L"IH0=" + upper), std::wstring::npos);
  EXPECT_NE(ini.find(L"OH0=C:\\out"), std::wstring::npos);
  EXPECT_EQ(ini.find(L"IH8="), std::wstring::npos);
}

TEST_F(MainWindowTest, TypingDoesNotLoadTheListButChoosingFromTheHistoryDoes) {
  const std::wstring folder = InputFolderWith(3);
  SetWindowTextW(W().InputField(), folder.c_str());
  SendMessageW(W().Panel(), WM_COMMAND, MAKEWPARAM(IDC_INPUT_FOLDER, CBN_EDITCHANGE),
               reinterpret_cast<LPARAM>(W().InputField()));
  EXPECT_TRUE(W().inputPage().Rows().empty());

  SendMessageW(W().InputField(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  SendMessageW(W().InputField(), CB_SETCURSEL, 0, 0);
  SendMessageW(W().Panel(), WM_COMMAND, MAKEWPARAM(IDC_INPUT_FOLDER, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(W().InputField()));
  EXPECT_EQ(W().inputPage().Rows().size(), 3u);
  EXPECT_TRUE(W().watch().Armed());
}

TEST_F(MainWindowTest, FolderDroppedOnAFieldsEditPartIsPlacedThere) {
  const std::wstring folder = InputFolderWith(2);
  auto centre = [](HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  };
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  GetComboBoxInfo(W().OutputField(), &info);
  EXPECT_TRUE(ApplyDropToField(W(), centre(info.hwndItem), folder));
  EXPECT_EQ(FolderFieldText(W().OutputField()), folder);
  EXPECT_TRUE(W().inputPage().Rows().empty());  // the output field loads nothing

  EXPECT_FALSE(ApplyDropToField(W(), centre(Panel(IDC_INPUT_LABEL)), L"C:\\x"));
  EXPECT_FALSE(ApplyDropToField(W(), centre(Panel(IDC_CONVERT)), L"C:\\x"));

  GetComboBoxInfo(W().InputField(), &info);
  EXPECT_TRUE(ApplyDropToField(W(), centre(info.hwndItem), folder));
  EXPECT_EQ(FolderFieldText(W().InputField()), folder);
  EXPECT_EQ(W().inputPage().Rows().size(), 2u);
}

// ---- runs in the window --------------------------------------------------------------------------

TEST_F(MainWindowTest, ConvertWritesTheCheckedFilesAndShowsTheSummary) {
  const std::wstring in = InputFolderWith(3);
  const std::wstring out = scratch_.folder(L"out");
  W().SetInputFolder(in);
  W().SetOutputFolder(out);
  std::vector<bool> checks = {true, false, true};
  W().inputPage().SetRowChecks(checks);
  Convert();
  EXPECT_EQ(FileNames(out), (std::vector<std::wstring>{L"s002.jpg", L"s010.jpg"}));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, L"入力ファイル数  2\n出力ファイル数  2\n    ");
  EXPECT_EQ(boxes_.boxes[0].caption, L"変換完了");
  EXPECT_EQ(boxes_.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND));
  EXPECT_EQ(WindowText(window_), L"Quorvix");
  EXPECT_EQ(SendMessageW(W().Progress(), PBM_GETPOS, 0, 0), 0);
  // The folders used are remembered at the top of their histories.
  EXPECT_EQ(FolderHistory(W().InputField()).front(), in);
  EXPECT_EQ(FolderHistory(W().OutputField()).front(), out);
}

// Folders deeper than MAX_PATH (over 300 characters): the fields hold them whole, the list shows their
// files, a run converts and names them by date, another by serial number and recycles the inputs (under
// Wine into the freedesktop.org trash of $XDG_DATA_HOME).
TEST_F(MainWindowTest, FoldersBeyondMaxPathListConvertNameAndRecycle) {
  std::wstring deep = scratch_.folder(L"deep");
  const guitest::DeepTreeRemover remover{deep};
  for (const wchar_t c : {L'a', L'b', L'c', L'd', L'e'}) {
    deep += L"\\" + std::wstring(60, c);
    ASSERT_TRUE(CreateFolder(deep));
  }
  const std::wstring in = deep + L"\\in", out = deep + L"\\out", serialOut = deep + L"\\serial";
  for (const std::wstring& folder : {in, out, serialOut}) ASSERT_TRUE(CreateFolder(folder));
  for (const wchar_t* name : {L"s002.jpg", L"s009.jpg", L"s010.jpg"})
    ASSERT_TRUE(CopyDataFile(name, in + L"\\" + name));
  boxes_.answer = [](const guitest::RecordedBox& box) { return (box.type & MB_YESNO) != 0 ? IDYES : IDOK; };

  W().SetInputFolder(in);
  W().SetOutputFolder(out);
  EXPECT_EQ(FolderFieldText(W().InputField()), in);
  EXPECT_EQ(FolderFieldText(W().OutputField()), out);
  std::vector<std::wstring> listed;
  for (const RunRow& row : W().inputPage().Rows()) listed.push_back(row.name);
  EXPECT_EQ(listed, (std::vector<std::wstring>{L"s002.jpg", L"s009.jpg", L"s010.jpg"}));

  Params().NameSet = 1;
  Convert();
  EXPECT_EQ(FileNames(out), (std::vector<std::wstring>{L"20060802_215301.jpg", L"20140324_171828.jpg", L"s002.jpg"}));
  ASSERT_FALSE(boxes_.boxes.empty());
  EXPECT_EQ(boxes_.boxes.back().text, L"入力ファイル数  3\n出力ファイル数  3\n    ");
  EXPECT_EQ(FolderHistory(W().InputField()).front(), in);

  W().SetOutputFolder(serialOut);
  Params().NameSet = 2;
  Params().IFileDel = 1;
  Params().Recycle = 1;
  Convert();
  EXPECT_EQ(FileNames(serialOut), (std::vector<std::wstring>{L"00.jpg", L"01.jpg", L"02.jpg"}));
  EXPECT_TRUE(FileNames(in).empty());
  const char* trash = getenv("XDG_DATA_HOME");
  ASSERT_NE(trash, nullptr);
  const std::wstring recycled = guitest::WindowsPath(trash) + L"\\Trash\\files";
  for (const wchar_t* name : {L"s002.jpg", L"s009.jpg", L"s010.jpg"})
    EXPECT_TRUE(guitest::FileExists(recycled + L"\\" + name)) << recycled;
}

// Outputs that even quality 1 leaves larger than the size bound are written, and counted in the summary.
class SizeBoundRunTest : public MainWindowTest {
 protected:
  void Configure() override {  // the page's fields hold the bound, so it is set before they are made
    Params().Limit = 1;
    Params().LmtVal = 1;
  }
};

TEST_F(SizeBoundRunTest, SummaryCountsOutputsOverTheSizeBound) {
  const std::wstring in = InputFolderWith(1);                  // s002: 19 x 13 at 1/8, within 1 KB
  ASSERT_TRUE(CopyDataFile(L"s030.jpg", in + L"\\s030.jpg"));  // 408 x 306: more at any quality
  const std::wstring out = scratch_.folder(L"out");
  W().SetInputFolder(in);
  W().SetOutputFolder(out);
  Convert();
  EXPECT_EQ(FileNames(out).size(), 2u);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, L"入力ファイル数  2\n出力ファイル数  2\nサイズ指定を超えたファイル数  1\n    ");
}

TEST_F(MainWindowTest, SummaryGoesIntoTheTitleWithoutEndMessage) {
  Stored().options.EndMes = 0;
  W().SetInputFolder(InputFolderWith(2));
  W().SetOutputFolder(scratch_.folder(L"out"));
  Convert();
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_EQ(WindowText(window_), L"変換完了    2/2 （出力ファイル数/入力ファイル数）");
}

TEST_F(MainWindowTest, MessagesOfTheTableHaveTheirTextsCaptionsAndIcons) {
  // Input folder not valid: message 3 and the list is emptied.
  W().SetInputFolder(InputFolderWith(2));
  SetWindowTextW(W().InputField(), scratch_.file(L"nowhere").c_str());
  Convert();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, L"入力フォルダが無効です。");
  EXPECT_EQ(boxes_.boxes[0].caption, L"Error");
  EXPECT_EQ(boxes_.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR | MB_SETFOREGROUND));
  EXPECT_TRUE(W().inputPage().Rows().empty());

  // Output folder not valid: message 4.
  W().SetInputFolder(scratch_.path() + L"\\in");
  SetWindowTextW(W().OutputField(), L"");
  Convert();
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].text, L"出力フォルダが無効です。");
  EXPECT_EQ(boxes_.boxes[1].caption, L"Error");

  // No checked row: message 6, title and progress untouched.
  W().SetOutputFolder(scratch_.folder(L"out"));
  W().inputPage().SetRowChecks({false, false});
  Convert();
  ASSERT_EQ(boxes_.boxes.size(), 3u);
  EXPECT_EQ(boxes_.boxes[2].text, L"対象ファイルがありません。");
  EXPECT_EQ(boxes_.boxes[2].type, static_cast<UINT>(MB_OK | MB_ICONERROR | MB_SETFOREGROUND));
  EXPECT_EQ(WindowText(window_), L"Quorvix");
  EXPECT_TRUE(FileNames(scratch_.path() + L"\\out").empty());

  // Sub-folder that cannot be made (a file of that name is in the way): message 5.
  Params().MkDirAdd = 1;
  Params().MkDirStr = L"Output";
  W().inputPage().SetRowChecks({true, true});
  HANDLE blocker =
      CreateFileW((scratch_.path() + L"\\out\\Output").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(blocker);
  Convert();
  ASSERT_EQ(boxes_.boxes.size(), 4u);
  EXPECT_EQ(boxes_.boxes[3].text, L"フォルダ作成に失敗しました。");
  EXPECT_EQ(boxes_.boxes[3].caption, L"Error");
  EXPECT_STREQ(MessageFor(MessageCode::kMemory).text, L"メモリ確保に失敗しました。");
  EXPECT_STREQ(MessageFor(MessageCode::kExecuteFailed).text, L"ファイル実行に失敗しました。");
}

// The window's runs use every processor: the workers convert ahead of the run, and what they converted
// beyond the file whose turn it was is deleted when the run stops.
TEST_F(MainWindowTest, EscapeAsksAndNoGoesOnThenYesStopsAfterTheCurrentFile) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const auto temporaryFiles = [&temp] {
    size_t count = 0;
    for (const std::wstring& name : FileNames(temp)) count += name.rfind(L"tmp", 0) == 0 ? 1 : 0;
    return count;
  };
  const size_t temporaryBefore = temporaryFiles();
  const std::wstring out = scratch_.folder(L"out");
  W().SetInputFolder(InputFolderWith(6));
  W().SetOutputFolder(out);
  std::vector<std::wstring> titlesDuringRun;
  int questions = 0;
  boxes_.answer = [&](const guitest::RecordedBox& box) {
    if (box.text != kCancelQuestion) return IDOK;
    titlesDuringRun.push_back(WindowText(window_));
    EXPECT_EQ(box.caption, L"Quorvix");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO | MB_ICONWARNING | MB_SETFOREGROUND));
    if (++questions == 1) {
      PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);  // asked again after the next file
      return IDNO;
    }
    return IDYES;
  };
  PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
  Convert();
  EXPECT_EQ(questions, 2);
  ASSERT_FALSE(titlesDuringRun.empty());
  EXPECT_EQ(titlesDuringRun[0], L"処理中... (ESCキーで中止)");
  EXPECT_EQ(FileNames(out).size(), 2u);
  ASSERT_EQ(boxes_.boxes.size(), 3u);
  EXPECT_EQ(boxes_.boxes[2].text, L"入力ファイル数  6\n出力ファイル数  2\n    ");
  EXPECT_EQ(temporaryFiles(), temporaryBefore);
}

// While the run waits for a worker (its file, or the conversions under way after a confirmed cancel),
// the window paints itself and says that it is stopping; input waits in the queue for the next poll.
TEST_F(MainWindowTest, AWaitingRunKeepsPaintingAndSaysThatItIsStopping) {
  RunRequest request;
  WindowRunObserver observer(W(), request);
  boxes_.answer = [](const guitest::RecordedBox&) { return IDYES; };
  PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
  InvalidateRect(window_, nullptr, FALSE);
  observer.KeepAlive();
  RECT dirty{};
  EXPECT_FALSE(GetUpdateRect(window_, &dirty, FALSE));
  EXPECT_NE(WindowText(window_), L"中止しています...");
  ASSERT_TRUE(observer.PollCancelRequest());  // the Escape was left for it
  ASSERT_TRUE(observer.ConfirmCancel());
  observer.KeepAlive();
  EXPECT_EQ(WindowText(window_), L"中止しています...");
}

TEST_F(MainWindowTest, StopButtonClickAndCommandRequestCancel) {
  PostMessageW(W().StopButton(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_TRUE(PollWindowCancelRequest(W()));
  PostMessageW(W().Panel(), WM_COMMAND, MAKEWPARAM(IDC_STOP, BN_CLICKED), 0);
  EXPECT_TRUE(PollWindowCancelRequest(W()));
  EXPECT_FALSE(PollWindowCancelRequest(W()));
}

TEST_F(MainWindowTest, PollingDiscardsOtherInputAndKeepsMessagesOutsideTheRange) {
  PostMessageW(Panel(IDC_EXIT), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  PostMessageW(W().Panel(), WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0);
  PostMessageW(window_, WM_KEYDOWN, 'A', 0);
  PostMessageW(window_, WM_CHAR, 'a', 0);
  PostMessageW(window_, WM_NCLBUTTONDOWN, HTCLOSE, 0);
  PostMessageW(window_, WM_USER + 7, 0, 0);  // outside the range
  EXPECT_FALSE(PollWindowCancelRequest(W()));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, window_, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 7));
  EXPECT_FALSE(PeekMessageW(&msg, window_, WM_KEYFIRST, WM_MOUSELAST, PM_NOREMOVE));
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(MainWindowTest, ExitClickedDuringARunHasNoEffect) {
  const std::wstring out = scratch_.folder(L"out");
  W().SetInputFolder(InputFolderWith(3));
  W().SetOutputFolder(out);
  PostMessageW(W().Panel(), WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), reinterpret_cast<LPARAM>(Panel(IDC_EXIT)));
  PostMessageW(Panel(IDC_EXIT), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  PostMessageW(Panel(IDC_EXIT), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  Convert();
  PumpMessages(50);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_EQ(FileNames(out).size(), 3u);
}

TEST_F(MainWindowTest, AddedFileStopsTheRunWithFileMesAndIsTakenWithoutIt) {
  const std::wstring in = InputFolderWith(2);
  const std::wstring out = scratch_.folder(L"out");
  ShowFolders(in, out, {true, false});
  auto addAndWait = [&](const wchar_t* name) {
    ASSERT_TRUE(CopyDataFile(name, in + L"\\" + name));
    ASSERT_TRUE(guitest::PumpUntil([this] { return W().watch().Signalled(); }, 3000));
  };
  addAndWait(L"s012.jpg");
  Convert();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, L"入力フォルダの内容が変更されました。\n入力設定を確認してください。");
  EXPECT_EQ(boxes_.boxes[0].caption, L"Quorvix");
  EXPECT_EQ(boxes_.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING | MB_SETFOREGROUND));
  EXPECT_EQ(W().inputPage().Rows().size(), 3u);
  EXPECT_EQ(CheckedRows(), 3);  // reloaded: every file checked again
  EXPECT_TRUE(FileNames(out).empty());

  Stored().options.FileMes = 0;
  W().inputPage().SetRowChecks({true, false, false});
  addAndWait(L"s013.jpg");
  Convert();
  EXPECT_EQ(W().inputPage().Rows().size(), 4u);
  EXPECT_EQ(FileNames(out).size(), 4u);  // the reloaded list, all checked
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].caption, L"変換完了");
}

// The list shows folder A; B, typed into the field, holds files of the same names. "変換" with input
// deletion on must not convert or remove B's files unseen: B is listed and the run does not start.
TEST_F(MainWindowTest, TypedInputFolderIsListedBeforeAnythingIsDone) {
  const std::wstring a = InputFolderWith(3);
  const std::wstring b = scratch_.folder(L"typed");
  for (size_t i = 0; i < 3; ++i) CopyDataFile(kSmallFiles[i + 3], b + L"\\" + kSmallFiles[i]);
  const std::wstring out = scratch_.folder(L"out");
  Params().IFileDel = 1;
  Params().Recycle = 0;
  ShowFolders(a, out, {true, false, true});
  SetWindowTextW(W().InputField(), (b + L"\\").c_str());
  Convert();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, L"入力フォルダの内容が変更されました。\n入力設定を確認してください。");
  EXPECT_TRUE(FileNames(out).empty());
  EXPECT_EQ(FileNames(b).size(), 3u);
  EXPECT_TRUE(SameFolder(W().inputPage().Folder(), b));
  EXPECT_EQ(CheckedRows(), 3);

  // Now that B is shown, the same click converts it. Letter case and a trailing separator are no
  // other folder.
  std::wstring upper = b;
  CharUpperW(upper.data());
  SetWindowTextW(W().InputField(), upper.c_str());
  W().inputPage().SetRowChecks({false, true, false});
  Convert();
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].caption, L"変換完了");
  EXPECT_EQ(FileNames(out), std::vector<std::wstring>{L"s009.jpg"});
  EXPECT_EQ(FileNames(b).size(), 2u);
  EXPECT_EQ(FileNames(a).size(), 3u);
}

// Output folder = input folder: the run's own outputs (and the inputs it removed) are no change of the
// input folder, so the next run keeps the user's unchecking; a file added by anyone else still is.
TEST_F(MainWindowTest, OwnOutputsInTheInputFolderAreNoChangeButOthersAre) {
  const std::wstring in = InputFolderWith(3);
  W().SetInputFolder(in);
  W().SetOutputFolder(in);
  Params().TopAdd = 1;
  Params().TopStr = L"web_";
  W().inputPage().SetRowChecks({true, false, true});
  Convert();
  ASSERT_EQ(FileNames(in).size(), 5u);
  PumpMessages(500);  // late change notifications of the outputs would arrive by now
  Convert();
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].text, L"入力ファイル数  2\n出力ファイル数  2\n    ");
  EXPECT_EQ(FileNames(in).size(), 7u);
  EXPECT_EQ(W().inputPage().Rows().size(), 3u);
  EXPECT_EQ(CheckedRows(), 2);

  ASSERT_TRUE(CopyDataFile(L"s016.jpg", in + L"\\s016.jpg"));
  ASSERT_TRUE(guitest::PumpUntil([this] { return W().watch().Signalled(); }, 3000));
  Convert();
  ASSERT_EQ(boxes_.boxes.size(), 3u);
  EXPECT_EQ(boxes_.boxes[2].text, L"入力フォルダの内容が変更されました。\n入力設定を確認してください。");
  EXPECT_EQ(W().inputPage().Rows().size(), 8u);
}

// Inputs a run removed leave the list; the rows kept keep their check boxes.
TEST_F(MainWindowTest, RemovedInputsLeaveTheList) {
  const std::wstring in = InputFolderWith(3);
  const std::wstring out = scratch_.folder(L"out");
  Params().IFileDel = 1;
  Params().Recycle = 0;
  ShowFolders(in, out, {true, false, true});
  Convert();
  EXPECT_EQ(FileNames(in), std::vector<std::wstring>{L"s009.jpg"});
  const std::vector<RunRow> rows = W().inputPage().Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, L"s009.jpg");
  EXPECT_FALSE(rows[0].checked);
  EXPECT_EQ(WindowText(GetDlgItem(Page(1), IDC_TOTAL_COUNT)), L"1");
  PumpMessages(500);
  Convert();  // nothing checked: the removals were no change of the folder
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].text, L"対象ファイルがありません。");
}

// ---- shut-down and command line ------------------------------------------------------------------

TEST_F(MainWindowTest, SettingsAreWrittenAtExitInSectionOrder) {
  const std::wstring in = InputFolderWith(1);
  W().SetInputFolder(in);
  W().SetOutputFolder(L"C:\\somewhere");
  Stored().options.TopMost = 1;
  Stored().registeredFolders = {in};
  Close();
  const std::wstring ini = guitest::ReadUtf16File(scratch_.file(L"Quorvix.ini"));
  const size_t cvt = ini.find(L"[CvtPrms]");
  const size_t mwin = ini.find(L"[MWin]");
  const size_t list = ini.find(L"[FolderList]");
  ASSERT_NE(cvt, std::wstring::npos);
  ASSERT_NE(mwin, std::wstring::npos);
  ASSERT_NE(list, std::wstring::npos);
  EXPECT_LT(cvt, mwin);
  EXPECT_LT(mwin, list);
  EXPECT_NE(ini.find(L"IEPath=" + in), std::wstring::npos);
  EXPECT_NE(ini.find(L"OEPath=C:\\somewhere"), std::wstring::npos);
  EXPECT_NE(ini.find(L"TopMost=1"), std::wstring::npos);
  EXPECT_NE(ini.find(L"WinX="), std::wstring::npos);
  EXPECT_NE(ini.find(L"Quality=75"), std::wstring::npos);
  EXPECT_NE(ini.find(L"0=" + in, list), std::wstring::npos);
}

TEST_F(MainWindowTest, CommandLineWithAFolderOpensItEvenWithSdToCvt) {
  Stored().options.SdToCvt = 1;
  const std::wstring in = InputFolderWith(3);
  std::wstring arg0 = L"Quorvix.exe", arg1 = in;
  wchar_t* args[] = {arg0.data(), arg1.data()};
  EXPECT_EQ(ProcessCommandLine(W(), 2, args), CommandLineResult::kOpen);
  EXPECT_EQ(FolderFieldText(W().InputField()), in);
  EXPECT_EQ(FolderFieldText(W().OutputField()), in);
  EXPECT_EQ(CheckedRows(), 3);
}

TEST_F(MainWindowTest, CommandLineWithOneFileChecksOnlyThatFile) {
  const std::wstring in = InputFolderWith(4);
  Stored().options.SdToPath = scratch_.folder(L"sendto");
  std::wstring arg0 = L"Quorvix.exe", arg1 = in + L"\\S010.JPG";  // other case still matches
  wchar_t* args[] = {arg0.data(), arg1.data()};
  EXPECT_EQ(ProcessCommandLine(W(), 2, args), CommandLineResult::kOpen);
  EXPECT_EQ(FolderFieldText(W().InputField()), in);
  EXPECT_EQ(FolderFieldText(W().OutputField()), Stored().options.SdToPath);
  const std::vector<RunRow> rows = W().inputPage().Rows();
  ASSERT_EQ(rows.size(), 4u);
  for (const RunRow& row : rows) EXPECT_EQ(row.checked, row.name == L"s010.jpg") << row.name;
}

// One shortcut sent from elsewhere: its target's folder opens with only the target checked.
TEST_F(MainWindowTest, CommandLineWithAShortcutChecksItsTarget) {
  const std::wstring in = InputFolderWith(4);
  const std::wstring link = scratch_.folder(L"links") + L"\\写真.lnk";
  ASSERT_TRUE(CreateShortcutFile(link, in + L"\\s010.jpg"));
  std::wstring arg0 = L"Quorvix.exe", arg1 = link;
  wchar_t* args[] = {arg0.data(), arg1.data()};
  EXPECT_EQ(ProcessCommandLine(W(), 2, args), CommandLineResult::kOpen);
  EXPECT_TRUE(SameFolder(FolderFieldText(W().InputField()), in));
  const std::vector<RunRow> rows = W().inputPage().Rows();
  ASSERT_EQ(rows.size(), 4u);
  for (const RunRow& row : rows) EXPECT_EQ(row.checked, row.name == L"s010.jpg") << row.name;
}

TEST_F(MainWindowTest, CommandLineWithTwoFilesAndSdToCvtConvertsAndCloses) {
  Stored().options.SdToCvt = 1;
  Stored().options.EndMes = 0;
  const std::wstring in = InputFolderWith(3);
  const std::wstring out = scratch_.folder(L"sendto");
  Params().MkDirAdd = 0;
  std::wstring arg0 = L"Quorvix.exe", arg1 = in + L"\\s002.jpg", arg2 = in + L"\\s010.jpg",
               arg3 = in + L"\\missing.jpg";
  wchar_t* args[] = {arg0.data(), arg1.data(), arg2.data(), arg3.data()};
  EXPECT_EQ(ProcessCommandLine(W(), 4, args), CommandLineResult::kClose);
  // No SdToPath: the outputs go beside the first file (under their own names, "+1").
  EXPECT_EQ(FileNames(in).size(), 5u);
  EXPECT_TRUE(guitest::FileExists(in + L"\\s002+1.jpg"));
  EXPECT_EQ(WindowText(window_), L"変換完了    2/3 （出力ファイル数/入力ファイル数）");
  EXPECT_TRUE(IsIconic(window_));
  (void)out;
}

// Settings stored in the settings file, which the window was made with and the command line reads.
class SameSettingsTest : public MainWindowTest {
 protected:
  void Configure() override {
    ConversionParams& p = Params();
    p.Quality = 60;
    p.NameSet = 2;
    p.DigitNum = 3;
    p.StartNum = 7;
    p.TopAdd = 1;
    p.TopStr = L"web_";
    p.MkDirAdd = 1;
    p.MkDirStr = L"small";
    p.Progressive = 1;
    Stored().options.EndMes = 0;
    ASSERT_TRUE(SaveSettings(Process().settingsPath, p, Stored()));
  }
  // The request the command line builds for `quorvix -o OUT IN` with the settings file.
  RunRequest CliRequest(const std::wstring& in, const std::wstring& out) {
    ConversionParams params;
    StoredAppState state;
    LoadConversionParams(Process().settingsPath, params);
    LoadAppOptions(Process().settingsPath, state);
    BoundToOfferedRanges(params);
    cli::CliOptions options;
    options.paths = {in};
    options.outputFolder = out;
    cli::CliRun run;
    EXPECT_TRUE(cli::BuildCliRequest(options, params, state.options, run));
    return run.request;
  }
  static void RemoveSubFolder(const std::wstring& out) {
    for (const std::wstring& name : FileNames(out + L"\\small")) DeleteFileW((out + L"\\small\\" + name).c_str());
    RemoveDirectoryW((out + L"\\small").c_str());
  }
  std::vector<std::wstring> Record(const RunRequest& request, const std::wstring& out) {
    RemoveSubFolder(out);
    test::RecordingObserver observer;
    observer.cancelAfter = 2;
    ExecuteRun(request, observer);
    return observer.calls;
  }
};

TEST_F(SameSettingsTest, WindowAndCommandLineBuildTheSameRequestAndGetTheSameReports) {
  const std::wstring in = InputFolderWith(4);
  const std::wstring out = scratch_.folder(L"out");
  W().SetInputFolder(in);
  W().SetOutputFolder(out);
  RunRequest window;
  ASSERT_TRUE(BuildFolderRunRequest(W(), window));
  EXPECT_EQ(window.source, RunSource::kFolder);
  RunRequest cli = CliRequest(in, out);
  EXPECT_EQ(cli.source, RunSource::kCommandLine);
  cli.source = RunSource::kFolder;  // the one difference: where the inputs came from
  EXPECT_EQ(window, cli);
  ASSERT_EQ(window.inputs.size(), 4u);
  EXPECT_EQ(window.params.TopStr, L"web_");

  const std::vector<std::wstring> windowCalls = Record(window, out);
  EXPECT_EQ(windowCalls, Record(cli, out));
  ASSERT_EQ(windowCalls.size(), 10u);
  EXPECT_EQ(windowCalls.front(), L"begin 4");
  EXPECT_EQ(windowCalls[2].substr(0, 36), L"done 0 s002.jpg converted -> web_007");
  EXPECT_EQ(windowCalls.back(), L"end 4 2 cancelled");
  // The window's own run of that request writes the names the recorded runs began with.
  RemoveSubFolder(out);
  Convert();
  EXPECT_EQ(FileNames(out + L"\\small"),
            (std::vector<std::wstring>{L"web_007.jpg", L"web_008.jpg", L"web_009.jpg", L"web_010.jpg"}));
}

// ---- the window base: no exception crosses into the system's code --------------------------------

// A window that throws what it is told to from one message.
class ThrowingWindow : public WindowBase {
 public:
  enum class Throw { kNothing, kBadAlloc, kRuntimeError };
  static constexpr UINT kThrowMessage = WM_APP + 1;
  Throw onCreate = Throw::kNothing;

  HWND Make() {
    RegisterClass(L"QvTestThrowingWindow", nullptr, nullptr, nullptr);
    return Create(0, L"QvTestThrowingWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr);
  }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE) Raise(onCreate);
    if (message == kThrowMessage) Raise(static_cast<Throw>(wParam));
    return Default(message, wParam, lParam);
  }

 private:
  static void Raise(Throw what) {
    if (what == Throw::kBadAlloc) throw std::bad_alloc();
    if (what == Throw::kRuntimeError) throw std::runtime_error("test");
  }
};

TEST(WindowBase, AnExceptionInAHandlerIsReportedAndCreationFailsCleanly) {
  guitest::MessageBoxRecorder boxes_;
  {
    ThrowingWindow window;
    HWND handle = window.Make();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(WindowBase::FromHandle<ThrowingWindow>(handle), &window);
    SendMessageW(handle, ThrowingWindow::kThrowMessage, static_cast<WPARAM>(ThrowingWindow::Throw::kBadAlloc), 0);
    SendMessageW(handle, ThrowingWindow::kThrowMessage, static_cast<WPARAM>(ThrowingWindow::Throw::kRuntimeError), 0);
    ASSERT_EQ(boxes_.boxes.size(), 2u);
    EXPECT_EQ(boxes_.boxes[0].text, L"メモリ確保に失敗しました。");
    EXPECT_EQ(boxes_.boxes[1].text, L"ファイル実行に失敗しました。");
    EXPECT_TRUE(IsWindow(handle));  // the window goes on
  }                                 // the object destroys its window
  ThrowingWindow failing;
  failing.onCreate = ThrowingWindow::Throw::kBadAlloc;
  EXPECT_EQ(failing.Make(), nullptr);
  EXPECT_EQ(failing.Handle(), nullptr);
  EXPECT_EQ(boxes_.boxes.size(), 3u);
}

TEST(Shortcut, ResolvedToItsTargetAndLeftAloneWhenNotALink) {
  ScratchFolder scratch;
  std::wstring notALink = scratch.file(L"plain.txt");
  guitest::WriteUtf16File(notALink, L"x");
  std::wstring path = notALink;
  EXPECT_FALSE(ResolveShortcut(path));
  EXPECT_EQ(path, notALink);
}

}  // namespace
}  // namespace qv
