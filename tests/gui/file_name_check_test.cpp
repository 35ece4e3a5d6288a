// The file-name check on the real main window: the check opens the dialog, a timer reads what it
// shows and closes it with "変換", "閉じる" or the close box; message boxes are recorded.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gui_test_support.h"
#include "main_window_fixture.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "shell/window_run.h"
#include "ui/message_box.h"
#include "ui/process.h"

namespace qv {
namespace {

using namespace guitest;

using NameRows = std::vector<std::pair<std::wstring, std::wstring>>;

// What the timer saw of the dialog before it closed it.
struct Seen {
  bool shown = false;
  HWND dialog = nullptr;
  NameRows rows;
};

struct DialogScript {
  int closeId = IDCANCEL;  // 0: the close box (WM_CLOSE)
  std::function<void(HWND dialog)> inspect;
  Seen seen;
};
DialogScript* gScript = nullptr;

NameRows ListRows(HWND list) {
  NameRows rows;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t in[300] = {}, out[300] = {};
    LVITEMW item{};
    item.pszText = in;
    item.cchTextMax = 300;
    SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = out;
    SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
    rows.emplace_back(in, out);
  }
  return rows;
}

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindWindowW(L"#32770", L"ファイル名確認");
  if (gScript == nullptr || dialog == nullptr || !IsWindowVisible(dialog)) return;
  KillTimer(nullptr, timer);
  gScript->seen.shown = true;
  gScript->seen.dialog = dialog;
  gScript->seen.rows = ListRows(GetDlgItem(dialog, IDC_NAME_CHECK_LIST));
  if (gScript->inspect) gScript->inspect(dialog);
  if (gScript->closeId == 0) PostMessageW(dialog, WM_CLOSE, 0, 0);
  else PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(gScript->closeId, BN_CLICKED), 0);
}

class FileNameCheckTest : public guitest::MainWindowFixture {
 protected:
  FileNameCheckTest() { placement_ = Placement::kStored; }

  void SetUp() override {
    in_ = scratch_.folder(L"in");
    out_ = scratch_.folder(L"out");
  }

  // The window is made from `settings_` (a copy): the page's fields take the parameters at creation.
  void Start(const std::wstring& input, const std::wstring& output) {
    Open();
    ASSERT_NE(main_, nullptr);
    main_->SetInputFolder(input);
    main_->SetOutputFolder(output);
  }

  // Runs the file-name check and lets `script` handle the dialog; returns what it saw.
  Seen Check(DialogScript script) {
    gScript = &script;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, DriveDialog);
    ShowFileNameCheck(*main_);
    KillTimer(nullptr, timer);
    gScript = nullptr;
    return script.seen;
  }

  void Copy(const wchar_t* data, const std::wstring& folder, const wchar_t* name) {
    ASSERT_TRUE(CopyDataFile(data, folder + L"\\" + name));
  }

  std::wstring in_, out_;
};

std::wstring ColumnTitle(HWND list, int index, int* width) {
  wchar_t text[64] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = text;
  column.cchTextMax = 64;
  SendMessageW(list, LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
  *width = column.cx;
  return text;
}

TEST_F(FileNameCheckTest, DialogLayoutAndSerialNamesAfterAnExistingFile) {
  settings_.params.NameSet = 2;
  settings_.params.DigitNum = 2;
  settings_.params.StartNum = 1;
  Copy(L"s002.jpg", in_, L"s002.jpg");
  Copy(L"s009.jpg", in_, L"s009.jpg");
  Copy(L"s010.jpg", in_, L"s010.jpg");
  Copy(L"s012.jpg", out_, L"01.jpg");
  Start(in_, out_);

  DialogScript script;
  script.inspect = [this](HWND dialog) {
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), L"変換");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDCANCEL)), L"閉じる");
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_DEFPUSHBUTTON);
    HWND list = GetDlgItem(dialog, IDC_NAME_CHECK_LIST);
    const LONG style = GetWindowLongW(list, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_NOSORTHEADER);
    // The dialog manager may turn a template's WS_BORDER into the sunken client edge.
    EXPECT_TRUE((style & WS_BORDER) || (GetWindowLongW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    const LRESULT ex = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(ex & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    LOGFONTW font{}, ui{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), sizeof(font), &font);
    GetObjectW(Process().uiFont, sizeof(ui), &ui);
    EXPECT_EQ(font.lfHeight, ui.lfHeight);
    EXPECT_STREQ(font.lfFaceName, L"MS UI Gothic");
    // The output column shows a whole date name; the input column takes the rest beside the scroll bar.
    int inputWidth = 0, outputWidth = 0;
    EXPECT_EQ(ColumnTitle(list, 0, &inputWidth), L"入力ファイル名");
    EXPECT_EQ(ColumnTitle(list, 1, &outputWidth), L"出力ファイル名");
    EXPECT_GE(outputWidth, TextWidthIn(list, L"20261231_235959.jpg") + 8);
    RECT listClient{};
    GetClientRect(list, &listClient);
    EXPECT_EQ(inputWidth + outputWidth, listClient.right - GetSystemMetrics(SM_CXVSCROLL));
    RECT dialogRect{}, tabRect{};
    GetWindowRect(dialog, &dialogRect);
    GetWindowRect(main_->Tab(), &tabRect);
    EXPECT_EQ(dialogRect.left, tabRect.left);
    EXPECT_EQ(dialogRect.top, tabRect.top);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), window_);
  };
  const Seen seen = Check(script);
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.rows, (NameRows{{L"s002.jpg", L"01+1.jpg"}, {L"s009.jpg", L"02.jpg"}, {L"s010.jpg", L"03.jpg"}}));
  // "閉じる" converts nothing.
  EXPECT_EQ(FileNames(out_), std::vector<std::wstring>{L"01.jpg"});
  EXPECT_TRUE(boxes_.boxes.empty());
}

// Deleting inputs in their own folder: each input's name is still taken when its own output is named,
// and is free again for the inputs after it.
TEST_F(FileNameCheckTest, SameFolderWithDeletionFreesEachInputsName) {
  struct Case {
    const wchar_t* folder;
    int32_t nameSet;
    std::vector<const wchar_t*> inputs;
    NameRows expected;
  };
  const Case cases[] = {
      {L"byName", 0, {L"a.jpg", L"b.jpg"}, {{L"a.jpg", L"a+1.jpg"}, {L"b.jpg", L"b+1.jpg"}}},
      {L"bySerial", 2, {L"01.jpg", L"x.jpg"}, {{L"01.jpg", L"00.jpg"}, {L"x.jpg", L"01.jpg"}}},
  };
  settings_.params.IFileDel = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    settings_.params.NameSet = c.nameSet;
    const std::wstring folder = scratch_.folder(c.folder);
    for (const wchar_t* name : c.inputs) Copy(L"s002.jpg", folder, name);
    Start(folder, folder);
    DialogScript script;
    script.closeId = 0;  // the close box converts nothing either
    const Seen seen = Check(script);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.rows, c.expected);
    EXPECT_EQ(FileNames(folder).size(), c.inputs.size());
    Close();
  }
}

TEST_F(FileNameCheckTest, UncheckedRowsAreLeftOutAndConvertRunsTheSameRows) {
  settings_.params.MkDirAdd = 1;
  settings_.params.MkDirStr = L"sub";
  Copy(L"s002.jpg", in_, L"s002.jpg");
  Copy(L"s009.jpg", in_, L"s009.jpg");
  Copy(L"s010.jpg", in_, L"s010.jpg");
  Start(in_, out_);
  main_->inputPage().SetRowChecks({true, false, true});
  DialogScript script;
  script.closeId = IDOK;
  const Seen seen = Check(script);
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.rows, (NameRows{{L"s002.jpg", L"s002.jpg"}, {L"s010.jpg", L"s010.jpg"}}));
  // The dialog does not make the sub-folder; the run it starts does, and writes the same names there.
  EXPECT_EQ(FileNames(out_ + L"\\sub"), (std::vector<std::wstring>{L"s002.jpg", L"s010.jpg"}));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, L"入力ファイル数  2\n出力ファイル数  2\n    ");
}

TEST_F(FileNameCheckTest, NoDialogWithoutCheckedRowsOrValidFolders) {
  Copy(L"s002.jpg", in_, L"s002.jpg");
  Start(in_, out_);
  main_->inputPage().SetRowChecks({false});
  EXPECT_FALSE(Check(DialogScript{}).shown);
  SetWindowTextW(main_->OutputField(), scratch_.file(L"nowhere").c_str());
  EXPECT_FALSE(Check(DialogScript{}).shown);
  EXPECT_EQ(boxes_.Texts(), (std::vector<std::wstring>{L"対象ファイルがありません。", L"出力フォルダが無効です。"}));
}

// A folder typed into the field since the list was filled is listed first; no names of another folder's
// files are shown.
TEST_F(FileNameCheckTest, TypedInputFolderIsListedInsteadOfChecked) {
  Copy(L"s002.jpg", in_, L"s002.jpg");
  const std::wstring typed = scratch_.folder(L"typed");
  Copy(L"s009.jpg", typed, L"s002.jpg");
  Copy(L"s010.jpg", typed, L"s010.jpg");
  Start(in_, out_);
  SetWindowTextW(main_->InputField(), typed.c_str());
  EXPECT_FALSE(Check(DialogScript{}).shown);
  EXPECT_EQ(boxes_.Texts(), std::vector<std::wstring>{L"入力フォルダの内容が変更されました。\n入力設定を確認してください。"});
  EXPECT_EQ(main_->inputPage().Rows().size(), 2u);
  const Seen seen = Check(DialogScript{});
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.rows, (NameRows{{L"s002.jpg", L"s002.jpg"}, {L"s010.jpg", L"s010.jpg"}}));
}

// A file added to the input folder since it was listed: the list is reloaded without the warning a run
// would show, and the new file is named with the others.
TEST_F(FileNameCheckTest, ChangedInputFolderIsReloadedWithoutAMessage) {
  Copy(L"s002.jpg", in_, L"s002.jpg");
  Start(in_, out_);
  Copy(L"s009.jpg", in_, L"s009.jpg");
  Sleep(400);
  const Seen seen = Check(DialogScript{});
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.rows, (NameRows{{L"s002.jpg", L"s002.jpg"}, {L"s009.jpg", L"s009.jpg"}}));
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_TRUE(FileNames(out_).empty());
}

}  // namespace
}  // namespace qv
