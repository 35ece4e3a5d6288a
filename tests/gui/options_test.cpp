// The options page in a test host window: its texts, the start-up folders it hands to its host while it
// is built, the enabling rules, the Send To group (with a real shortcut in the prefix's Send To folder),
// the display switches, the photo options with the long-edge field, and the folder browser opened and
// closed from a timer.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gui_test_support.h"
#include "page_fixture.h"
#include "pages/input_list_page.h"
#include "pages/options_page.h"
#include "platform/system_folders.h"
#include "resources/resource.h"
#include "ui/choose_folder.h"
#include "ui/process.h"
#include "ui/send_to.h"
#include "ui/shell_link.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using guitest::ScratchFolder;
using guitest::WindowText;

constexpr wchar_t kPlaceholder[] = L"<入力ファイルと同じフォルダ>";

void MakeFile(const std::wstring& path) { std::ofstream(fs::path(path), std::ios::binary) << "x"; }

// ---- closing the folder browser from a timer -------------------------------------------------------

struct BrowserScript {
  BrowserScript() = default;
  BrowserScript(std::wstring selectPath, bool confirmIt) : select(std::move(selectPath)), confirm(confirmIt) {}
  std::wstring select;   // path to select before confirming; empty keeps the browser's selection
  bool confirm = true;   // IDOK, else IDCANCEL
  HWND seen = nullptr;   // the browser window, once found
  HWND owner = nullptr;
  bool titleSeen = false;
  int ticks = 0;
  int phase = 0;  // 0 looking for the browser, 1 settling on the initial folder, 2 settling on `select`
};
BrowserScript* gScript = nullptr;

BOOL CALLBACK FindTitle(HWND child, LPARAM data) {
  if (WindowText(child) == L"フォルダ設定") *reinterpret_cast<bool*>(data) = true;
  return TRUE;
}

BOOL CALLBACK FindBrowser(HWND window, LPARAM data) {
  if (IsWindowVisible(window) && guitest::ClassName(window) == L"#32770") {
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
  }
  return TRUE;
}

// Drives the browser in steps with pauses between them: a browser that has just appeared may still be
// applying its initial selection, and a slow machine must not make the test confirm it half-initialised.
void CALLBACK DriveBrowser(HWND, UINT, UINT_PTR timer, DWORD) {
  BrowserScript& script = *gScript;
  if (++script.ticks > 150) {  // 15 s without a browser: give up rather than hang
    KillTimer(nullptr, timer);
    return;
  }
  if (script.phase == 0) {
    HWND browser = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBrowser, reinterpret_cast<LPARAM>(&browser));
    if (browser == nullptr) return;
    script.seen = browser;
    script.owner = GetWindow(browser, GW_OWNER);
    EnumChildWindows(browser, FindTitle, reinterpret_cast<LPARAM>(&script.titleSeen));
    script.phase = 1;
    script.ticks = 0;
    return;
  }
  if (script.phase == 1) {
    if (script.ticks < 10) return;  // let the browser settle on its initial folder
    if (!script.select.empty())
      SendMessageW(script.seen, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(script.select.c_str()));
    script.phase = 2;
    script.ticks = 0;
    return;
  }
  if (script.ticks < 5) return;  // and on the folder just selected
  KillTimer(nullptr, timer);
  PostMessageW(script.seen, WM_COMMAND, script.confirm ? IDOK : IDCANCEL, 0);
}

// Runs `action` (which opens the browser) while a timer drives the browser by `script`.
template <typename Action>
void WithBrowser(BrowserScript& script, Action action) {
  gScript = &script;
  guitest::WithThreadTimer(100, DriveBrowser, action);
  gScript = nullptr;
}

// ---- fixture --------------------------------------------------------------------------------------

class OptionsPageTest : public guitest::PageFixture<OptionsPage> {
 protected:
  OptionsPageTest() : PageFixture(L"options") {}

  void SetUp() override {
    options_ = AppOptions{};
    params_ = ConversionParams{};
    PageFixture::SetUp();
    scratch_ = std::make_unique<ScratchFolder>();
  }

  void TearDown() override {
    PageFixture::TearDown();
    scratch_.reset();
  }

  AppOptions& Options() { return options_; }

  HWND Build() {
    if (MakePage(RECT{4, 4, 536, 334}, options_, params_) != nullptr) ShowWindow(page_, SW_SHOW);
    return page_;
  }

  std::wstring Folder(const wchar_t* name) { return scratch_->folder(name); }

  // The long-edge field as the user types into it and then leaves it.
  void TypeMaxEdge(const wchar_t* text) {
    Type(IDC_MAX_EDGE, text);
    Leave(IDC_MAX_EDGE);
  }

  AppOptions options_;
  ConversionParams params_;
  std::unique_ptr<ScratchFolder> scratch_;
};

// ---- texts -------------------------------------------------------------------------------------

TEST_F(OptionsPageTest, EveryControlHasItsTextAndKind) {
  ASSERT_NE(Build(), nullptr);
  EXPECT_EQ(GetDlgCtrlID(page_), IDC_PAGE_OPTIONS);
  EXPECT_EQ(guitest::ClassName(page_), L"Quorvix_tabbase_class");
  struct Case {
    int id;
    const wchar_t* className;
    LONG kind;  // button type, or -1 for other classes
    const wchar_t* text;
  };
  const Case cases[] = {
      {IDC_STARTUP_GROUP, L"Button", BS_GROUPBOX, L"起動時のフォルダ"},
      {IDC_STARTUP_INPUT_LABEL, L"Static", -1, L"入力"},
      {IDC_STARTUP_INPUT_NONE, L"Button", BS_AUTORADIOBUTTON, L"なし"},
      {IDC_STARTUP_INPUT_LAST, L"Button", BS_AUTORADIOBUTTON, L"前回終了時"},
      {IDC_STARTUP_INPUT_FIXED, L"Button", BS_AUTORADIOBUTTON, L"指定"},
      {IDC_STARTUP_INPUT_PATH, L"Edit", -1, L""},
      {IDC_STARTUP_INPUT_CHOOSE, L"Button", BS_PUSHBUTTON, L"設定"},
      {IDC_STARTUP_OUTPUT_LABEL, L"Static", -1, L"出力"},
      {IDC_STARTUP_OUTPUT_NONE, L"Button", BS_AUTORADIOBUTTON, L"なし"},
      {IDC_STARTUP_OUTPUT_LAST, L"Button", BS_AUTORADIOBUTTON, L"前回終了時"},
      {IDC_STARTUP_OUTPUT_FIXED, L"Button", BS_AUTORADIOBUTTON, L"指定"},
      {IDC_STARTUP_OUTPUT_PATH, L"Edit", -1, L""},
      {IDC_STARTUP_OUTPUT_CHOOSE, L"Button", BS_PUSHBUTTON, L"設定"},
      {IDC_SENDTO_GROUP, L"Button", BS_GROUPBOX, L"「送る」メニューから実行時の設定"},
      {IDC_SENDTO_REGISTER, L"Button", BS_AUTOCHECKBOX, L"「送る」メニューに登録"},
      {IDC_SENDTO_OPEN_WINDOW, L"Button", BS_AUTORADIOBUTTON, L"メインウィンドウを開く"},
      {IDC_SENDTO_CONVERT_EXIT, L"Button", BS_AUTORADIOBUTTON, L"変換処理後に終了"},
      {IDC_SENDTO_FOLDER_LABEL, L"Static", -1, L"出力フォルダ"},
      {IDC_SENDTO_FOLDER, L"Edit", -1, kPlaceholder},
      {IDC_SENDTO_CHOOSE, L"Button", BS_PUSHBUTTON, L"設定"},
      {IDC_SENDTO_CLEAR, L"Button", BS_PUSHBUTTON, L"解除"},
      {IDC_DESKTOP_EXPAND, L"Button", BS_AUTOCHECKBOX, L"起動時にデスクトップツリー展開"},
      {IDC_SHOW_HIDDEN, L"Button", BS_AUTOCHECKBOX, L"隠し属性のファイルとフォルダを表示"},
      {IDC_END_MESSAGE, L"Button", BS_AUTOCHECKBOX, L"変換完了メッセージ表示"},
      {IDC_FOLDER_CHANGED_MESSAGE, L"Button", BS_AUTOCHECKBOX, L"入力フォルダ内更新メッセージ表示"},
      {IDC_TOOLTIPS, L"Button", BS_AUTOCHECKBOX, L"ツールチップ表示"},
      {IDC_PHOTO_GROUP, L"Button", BS_GROUPBOX, L"写真の向きと付帯情報"},
      {IDC_AUTO_ROTATE, L"Button", BS_AUTOCHECKBOX, L"回転情報に従って回転"},
      {IDC_KEEP_EXIF, L"Button", BS_AUTOCHECKBOX, L"Exif 情報を保持"},
      {IDC_KEEP_ICC, L"Button", BS_AUTOCHECKBOX, L"カラープロファイルを保持"},
      {IDC_KEEP_TIME, L"Button", BS_AUTOCHECKBOX, L"更新日時を保持"},
      {IDC_MAX_EDGE_ON, L"Button", BS_AUTOCHECKBOX, L"長辺の上限 (pixel)"},
      {IDC_MAX_EDGE, L"Edit", -1, L"1600"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    HWND control = Item(c.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(guitest::ClassName(control), c.className);
    EXPECT_EQ(WindowText(control), c.text);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (c.kind >= 0) {
      EXPECT_EQ(style & BS_TYPEMASK, c.kind);
    }
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), Process().uiFont);
  }
  // The path fields are read-only, scroll and hold any path the system takes.
  for (int id : {IDC_STARTUP_INPUT_PATH, IDC_STARTUP_OUTPUT_PATH, IDC_SENDTO_FOLDER}) {
    const LONG style = GetWindowLongW(Item(id), GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY) << id;
    EXPECT_TRUE(style & ES_AUTOHSCROLL) << id;
    EXPECT_EQ(SendMessageW(Item(id), EM_GETLIMITTEXT, 0, 0), 32767) << id;
  }
  // The number fields take digits only, their spins are attached to them and offer their ranges.
  const struct {
    int field, spin, low, high;
  } numbers[] = {{IDC_MAX_EDGE, IDC_MAX_EDGE_SPIN, kMinMaxEdge, kMaxMaxEdge},
                 {IDC_FIT_WIDTH, IDC_FIT_WIDTH_SPIN, kMinFitSide, kMaxFitSide},
                 {IDC_FIT_HEIGHT, IDC_FIT_HEIGHT_SPIN, kMinFitSide, kMaxFitSide}};
  for (const auto& n : numbers) {
    EXPECT_TRUE(GetWindowLongW(Item(n.field), GWL_STYLE) & ES_NUMBER) << n.field;
    EXPECT_EQ(guitest::ClassName(Item(n.spin)), L"msctls_updown32");
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(Item(n.spin), UDM_GETBUDDY, 0, 0)), Item(n.field));
    int low = 0, high = 0;
    SendMessageW(Item(n.spin), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, n.low);
    EXPECT_EQ(high, n.high);
  }
}

TEST_F(OptionsPageTest, FieldsAndPhotoOptionsCarryTheirTooltips) {
  const LRESULT toolsBefore = SendMessageW(TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0);
  ASSERT_NE(Build(), nullptr);
  const struct {
    int id;
    const wchar_t* text;
  } tips[] = {
      {IDC_STARTUP_INPUT_PATH, L"ドラッグ＆ドロップ設定可"},
      {IDC_STARTUP_OUTPUT_PATH, L"ドラッグ＆ドロップ設定可"},
      {IDC_SENDTO_FOLDER, L"ドラッグ＆ドロップ設定可"},
      {IDC_AUTO_ROTATE, L"Exif の回転情報に従って画像を正しい向きにします"},
      {IDC_KEEP_EXIF, L"入力ファイルの Exif 情報を出力ファイルにコピーします"},
      {IDC_KEEP_ICC, L"入力ファイルのカラープロファイルを出力ファイルにコピーします"},
      {IDC_KEEP_TIME, L"出力ファイルの更新日時を入力ファイルと同じにします"},
      {IDC_MAX_EDGE_ON, L"長辺がこの値を超えないように縮小率を自動で下げます"},
      {IDC_MAX_EDGE, L"長辺の上限（1～25000 pixel）"},
      {IDC_MAX_EDGE_SPIN, L"長辺の上限（1～25000 pixel）"},
      {IDC_FIT_ON, L"縦横比を保ったまま、幅と高さに収まる最大の大きさにします（拡大はしません）"},
      {IDC_FIT_WIDTH, L"幅（1～65535 pixel）"},
      {IDC_FIT_WIDTH_SPIN, L"幅（1～65535 pixel）"},
      {IDC_FIT_HEIGHT, L"高さ（1～65535 pixel）"},
      {IDC_FIT_HEIGHT_SPIN, L"高さ（1～65535 pixel）"},
      {IDC_JPEGLI, L"jpegli で書き出します。同じ見た目でファイルが 15～20 % ほど小さくなります（書き出しの時間はほぼ同じです）"},
  };
  EXPECT_EQ(SendMessageW(TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0) - toolsBefore, static_cast<LRESULT>(std::size(tips)));
  for (const auto& tip : tips) {
    wchar_t buffer[80] = {};
    TOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = page_;
    info.uId = reinterpret_cast<UINT_PTR>(Item(tip.id));
    info.lpszText = buffer;
    SendMessageW(TooltipWindow(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(buffer, tip.text) << tip.id;
  }
}

// ---- start-up folders ---------------------------------------------------------------------------

TEST_F(OptionsPageTest, StartupFoldersAreAppliedWhileThePageIsBuilt) {
  enum Expect { kEmpty, kLast, kFixed };
  struct Case {
    int32_t choice;
    bool lastSet, fixedSet;
    Expect expected;
    int checkedOffset;
    bool pathEnabled;
  };
  const Case cases[] = {
      {0, true, true, kEmpty, 0, false}, {1, true, true, kLast, 1, false},  {1, false, true, kEmpty, 1, false},
      {2, true, true, kFixed, 2, true},  {2, true, false, kEmpty, 2, true}, {7, true, true, kEmpty, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "choice " << c.choice << " last " << c.lastSet << " fixed " << c.fixedSet);
    TearDown();
    SetUp();
    const std::wstring lastPath = c.lastSet ? Folder(L"前回") : L"";
    const std::wstring fixedPath = c.fixedSet ? Folder(L"指定") : L"";
    // The host is asked to set a folder field only when the choice gives a folder.
    std::vector<std::wstring> expected;
    if (c.expected == kLast) expected.push_back(lastPath);
    if (c.expected == kFixed) expected.push_back(fixedPath);
    AppOptions& o = Options();
    o.IIFolder = o.OIFolder = c.choice;
    o.IEPath = o.OEPath = lastPath;
    o.ISPath = o.OSPath = fixedPath;
    ASSERT_NE(Build(), nullptr);

    EXPECT_EQ(host_->inputFolders, expected);
    EXPECT_EQ(host_->outputFolders, expected);
    EXPECT_TRUE(Checked(IDC_STARTUP_INPUT_NONE + c.checkedOffset));
    EXPECT_TRUE(Checked(IDC_STARTUP_OUTPUT_NONE + c.checkedOffset));
    for (int id : {IDC_STARTUP_INPUT_PATH, IDC_STARTUP_INPUT_CHOOSE, IDC_STARTUP_OUTPUT_PATH,
                   IDC_STARTUP_OUTPUT_CHOOSE})
      EXPECT_EQ(Enabled(id), c.pathEnabled) << id;
    // The specified folder is shown whatever the choice, caret after its end.
    EXPECT_EQ(WindowText(Item(IDC_STARTUP_INPUT_PATH)), fixedPath);
    DWORD start = 0, end = 0;
    SendMessageW(Item(IDC_STARTUP_INPUT_PATH), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, fixedPath.size());
    EXPECT_EQ(end, fixedPath.size());
  }
}

TEST_F(OptionsPageTest, AMissingStartupFolderIsStillPutIntoTheField) {
  const std::wstring gone = scratch_->file(L"消えたフォルダ");
  Options().IIFolder = 1;
  Options().IEPath = gone;
  ASSERT_NE(Build(), nullptr);
  EXPECT_EQ(host_->inputFolders, std::vector<std::wstring>{gone});
  EXPECT_TRUE(host_->outputFolders.empty());
}

TEST_F(OptionsPageTest, StartupChoicesStoreTheOptionAndEnableOnlySpecified) {
  ASSERT_NE(Build(), nullptr);
  struct Row {
    int none;
    int32_t AppOptions::*option;
    int path, choose;
  };
  const Row rows[] = {{IDC_STARTUP_INPUT_NONE, &AppOptions::IIFolder, IDC_STARTUP_INPUT_PATH, IDC_STARTUP_INPUT_CHOOSE},
                      {IDC_STARTUP_OUTPUT_NONE, &AppOptions::OIFolder, IDC_STARTUP_OUTPUT_PATH,
                       IDC_STARTUP_OUTPUT_CHOOSE}};
  for (const Row& row : rows) {
    for (int choice : {2, 1, 2, 0}) {
      SCOPED_TRACE(testing::Message() << row.none << " choice " << choice);
      Click(row.none + choice);
      EXPECT_EQ(Options().*row.option, choice);
      for (int other = 0; other < 3; ++other) EXPECT_EQ(Checked(row.none + other), other == choice);
      EXPECT_EQ(Enabled(row.path), choice == 2);
      EXPECT_EQ(Enabled(row.choose), choice == 2);
    }
  }
  // The rows are separate groups: choosing in one leaves the other alone.
  Click(IDC_STARTUP_INPUT_FIXED);
  EXPECT_TRUE(Checked(IDC_STARTUP_OUTPUT_NONE));
  EXPECT_EQ(Options().OIFolder, 0);
}

// ---- Send To ------------------------------------------------------------------------------------

TEST_F(OptionsPageTest, ShortcutOfAJapaneseTargetReadsBackExactly) {
  // Characters outside code page 932 would be lost if the target went through the ANSI code page.
  const std::wstring target = Folder(L"写真ツール") + L"\\縮小é.exe";
  MakeFile(target);
  const std::wstring link = scratch_->file(L"縮小.lnk");
  ASSERT_TRUE(CreateShortcutFile(link, target));
  EXPECT_EQ(ReadShortcutTarget(link), target);
  EXPECT_EQ(ReadShortcutTarget(scratch_->file(L"none.lnk")), L"");
}

TEST_F(OptionsPageTest, RegisterBoxCreatesAndRemovesTheSendToShortcut) {
  const std::wstring link = SendToShortcutPath();
  ASSERT_FALSE(link.empty());
  ASSERT_EQ(fs::path(link).filename().wstring(), L"quorvix_gui_tests.lnk");
  DeleteFileW(link.c_str());

  ASSERT_NE(Build(), nullptr);
  EXPECT_FALSE(Checked(IDC_SENDTO_REGISTER));
  Click(IDC_SENDTO_REGISTER);
  EXPECT_TRUE(Checked(IDC_SENDTO_REGISTER));
  ASSERT_TRUE(guitest::FileExists(link));
  EXPECT_EQ(ReadShortcutTarget(link), ProgramFilePath());

  // The box is checked at the next start exactly when the file exists.
  TearDown();
  SetUp();
  ASSERT_NE(Build(), nullptr);
  EXPECT_TRUE(Checked(IDC_SENDTO_REGISTER));
  Click(IDC_SENDTO_REGISTER);
  EXPECT_FALSE(Checked(IDC_SENDTO_REGISTER));
  EXPECT_FALSE(guitest::FileExists(link));

  TearDown();
  SetUp();
  ASSERT_NE(Build(), nullptr);
  EXPECT_FALSE(Checked(IDC_SENDTO_REGISTER));
}

TEST_F(OptionsPageTest, SendToModeAndFolder) {
  Options().SdToCvt = 1;
  Options().SdToPath = L"C:\\出力先";
  ASSERT_NE(Build(), nullptr);
  EXPECT_TRUE(Checked(IDC_SENDTO_CONVERT_EXIT));
  EXPECT_FALSE(Checked(IDC_SENDTO_OPEN_WINDOW));
  EXPECT_EQ(WindowText(Item(IDC_SENDTO_FOLDER)), L"C:\\出力先");

  Click(IDC_SENDTO_OPEN_WINDOW);
  EXPECT_EQ(Options().SdToCvt, 0);
  EXPECT_TRUE(Checked(IDC_STARTUP_INPUT_NONE));  // a group of its own
  Click(IDC_SENDTO_CONVERT_EXIT);
  EXPECT_EQ(Options().SdToCvt, 1);

  Click(IDC_SENDTO_CLEAR);
  EXPECT_TRUE(Options().SdToPath.empty());
  EXPECT_EQ(WindowText(Item(IDC_SENDTO_FOLDER)), kPlaceholder);
}

// ---- display switches ---------------------------------------------------------------------------

// Every check box of the page, display switch or photo option, shows its own field when the page is
// built; a click flips that field and a second click restores it. Building and clicking write no other
// conversion parameter, and the long-edge field and its spin follow the long-edge box.
TEST_F(OptionsPageTest, CheckBoxesStartFromTheirFieldAndStoreClicks) {
  struct Row {
    int id;
    uint8_t AppOptions::*option;       // the field of a display switch, or
    uint8_t ConversionParams::*flag;  // the field of a photo option
  };
  const Row rows[] = {{IDC_DESKTOP_EXPAND, &AppOptions::DTExpand, nullptr},
                      {IDC_END_MESSAGE, &AppOptions::EndMes, nullptr},
                      {IDC_FOLDER_CHANGED_MESSAGE, &AppOptions::FileMes, nullptr},
                      {IDC_TOOLTIPS, &AppOptions::TipAct, nullptr},
                      {IDC_AUTO_ROTATE, nullptr, &ConversionParams::AutoRotate},
                      {IDC_KEEP_EXIF, nullptr, &ConversionParams::KeepExif},
                      {IDC_KEEP_ICC, nullptr, &ConversionParams::KeepIcc},
                      {IDC_KEEP_TIME, nullptr, &ConversionParams::KeepTime},
                      {IDC_MAX_EDGE_ON, nullptr, &ConversionParams::MaxEdgeOn}};
  auto field = [this](const Row& row) -> uint8_t& {
    return row.option != nullptr ? options_.*row.option : params_.*row.flag;
  };
  for (uint8_t start : {0, 1}) {
    TearDown();
    SetUp();
    for (const Row& row : rows) field(row) = start;
    const ConversionParams before = params_;
    ASSERT_NE(Build(), nullptr);
    EXPECT_EQ(params_, before);  // building changes nothing
    EXPECT_EQ(Enabled(IDC_MAX_EDGE), start == 1);
    EXPECT_EQ(Enabled(IDC_MAX_EDGE_SPIN), start == 1);
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message() << row.id << " from " << int(start));
      EXPECT_EQ(Checked(row.id), start == 1);
      Click(row.id);
      EXPECT_EQ(field(row), start == 1 ? 0 : 1);
      if (row.id == IDC_MAX_EDGE_ON) {
        EXPECT_EQ(Enabled(IDC_MAX_EDGE), start == 0);
      }
      Click(row.id);
      EXPECT_EQ(field(row), start);
      EXPECT_EQ(Enabled(IDC_MAX_EDGE_SPIN), start == 1);
    }
    EXPECT_EQ(params_, before);  // each box writes its own field only
  }
}

TEST_F(OptionsPageTest, TooltipSwitchActivatesTheProgramTooltip) {
  ASSERT_NE(Build(), nullptr);
  Click(IDC_TOOLTIPS);
  EXPECT_EQ(host_->lastActivate, 0);
  Click(IDC_TOOLTIPS);
  EXPECT_EQ(host_->lastActivate, 1);
}

// ---- photo options ------------------------------------------------------------------------------

// Every edit is stored in range at once; leaving the field shows the stored number.
TEST_F(OptionsPageTest, MaxEdgeFieldStoresTypedNumbersInRange) {
  params_.MaxEdgeOn = 1;
  ASSERT_NE(Build(), nullptr);
  const struct {
    const wchar_t* typed;
    int32_t stored;
    const wchar_t* shown;
  } cases[] = {
      {L"800", 800, L"800"},     {L"25000", 25000, L"25000"}, {L"25001", 25000, L"25000"},
      {L"0", 1, L"1"},           {L"", 1, L"1"},              {L"99999", 25000, L"25000"},
      {L"1", 1, L"1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "typed " << testing::PrintToString(std::wstring(c.typed)));
    SetWindowTextW(Item(IDC_MAX_EDGE), c.typed);
    EXPECT_EQ(params_.MaxEdge, c.stored);  // before the field is left, as a run started by a key would see it
    TypeMaxEdge(c.typed);
    EXPECT_EQ(params_.MaxEdge, c.stored);
    EXPECT_EQ(WindowText(Item(IDC_MAX_EDGE)), c.shown);
  }
}

TEST_F(OptionsPageTest, MaxEdgeSpinStepsWithinTheRange) {
  for (int32_t start : {kMaxMaxEdge, kMinMaxEdge}) {
    TearDown();
    SetUp();
    params_.MaxEdgeOn = 1, params_.MaxEdge = start;
    ASSERT_NE(Build(), nullptr);
    const WPARAM towardsInside = start == kMaxMaxEdge ? VK_DOWN : VK_UP;
    const WPARAM towardsOutside = start == kMaxMaxEdge ? VK_UP : VK_DOWN;
    SendMessageW(Item(IDC_MAX_EDGE), WM_KEYDOWN, towardsOutside, 0);
    EXPECT_EQ(params_.MaxEdge, start);
    SendMessageW(Item(IDC_MAX_EDGE), WM_KEYDOWN, towardsInside, 0);
    EXPECT_EQ(params_.MaxEdge, start == kMaxMaxEdge ? start - 1 : start + 1);
    EXPECT_EQ(WindowText(Item(IDC_MAX_EDGE)), std::to_wstring(params_.MaxEdge));
  }
}

// A stored bound out of range (a hand-edited file) is shown and kept as the nearest one offered.
TEST_F(OptionsPageTest, StoredMaxEdgeOutOfRangeIsBroughtIntoIt) {
  for (const auto& [stored, shown] : {std::pair{0, 1}, std::pair{-5, 1}, std::pair{30000, 25000}}) {
    TearDown();
    SetUp();
    params_.MaxEdge = stored;
    ASSERT_NE(Build(), nullptr);
    EXPECT_EQ(WindowText(Item(IDC_MAX_EDGE)), std::to_wstring(shown)) << stored;
    EXPECT_EQ(params_.MaxEdge, shown) << stored;
  }
}

// The switch changes the mask for folders listed from then on; an input list over the same options keeps
// its rows and check boxes as they stand.
TEST_F(OptionsPageTest, HiddenSwitchTogglesHiddenAndKeepsTheList) {
  const std::wstring folder = Folder(L"入力");
  for (const wchar_t* name : {L"\\1.jpg", L"\\2.jpg", L"\\3.jpg"}) MakeFile(folder + name);
  ASSERT_TRUE(SetFileAttributesW((folder + L"\\2.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN));
  {
    const ConversionParams params;
    InputListPage list(*host_, params, Options());
    ASSERT_NE(list.Create(host_->Window(), RECT{0, 0, 10, 10}), nullptr);
    list.LoadFolder(folder);
    ASSERT_NE(Build(), nullptr);
    EXPECT_FALSE(Checked(IDC_SHOW_HIDDEN));
    const std::vector<RunRow> before{{L"1.jpg", false}, {L"3.jpg", true}};
    list.SetRowChecks({false, true});
    auto rowsAre = [&list](const std::vector<RunRow>& expected) {
      const std::vector<RunRow> rows = list.Rows();
      ASSERT_EQ(rows.size(), expected.size());
      for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].name, expected[i].name);
        EXPECT_EQ(rows[i].checked, expected[i].checked) << rows[i].name;
      }
    };

    Click(IDC_SHOW_HIDDEN);
    EXPECT_EQ(Options().Hidden, 0);
    EXPECT_TRUE(Checked(IDC_SHOW_HIDDEN));
    rowsAre(before);
    EXPECT_EQ(list.Folder(), folder);
    list.LoadFolder(folder);
    EXPECT_EQ(list.Rows().size(), 3u);

    // The tree menu's command takes the same way and the box follows it.
    list.SetRowChecks({true, false, true});
    object_->ToggleHiddenItems();
    EXPECT_EQ(Options().Hidden, 2);
    EXPECT_FALSE(Checked(IDC_SHOW_HIDDEN));
    rowsAre({{L"1.jpg", true}, {L"2.jpg", false}, {L"3.jpg", true}});
  }

  // Any non-zero mask counts as "hidden items left out"; showing them sets 0.
  TearDown();
  SetUp();
  Options().Hidden = 6;
  ASSERT_NE(Build(), nullptr);
  EXPECT_FALSE(Checked(IDC_SHOW_HIDDEN));
  Click(IDC_SHOW_HIDDEN);
  EXPECT_EQ(Options().Hidden, 0);
}

// ---- folder browser -----------------------------------------------------------------------------

TEST_F(OptionsPageTest, ChooseFolderReturnsTheConfirmedFolderAndKeepsTheCurrentDirectory) {
  const std::wstring start = Folder(L"開始");
  const std::wstring other = Folder(L"別の フォルダ");
  const std::wstring here = Folder(L"cwd");
  ASSERT_TRUE(SetCurrentDirectoryW(here.c_str()));

  // The first folder browser of a fresh Wine prefix builds the shell's folder tree slowly and may apply
  // its selections late; open and cancel one before the checks.
  BrowserScript warmUp{std::wstring(), false};
  WithBrowser(warmUp, [&] { ChooseFolder(start, host_->Window()); });

  BrowserScript keep;  // confirm the preselected initial folder
  std::optional<std::wstring> chosen;
  WithBrowser(keep, [&] { chosen = ChooseFolder(start, host_->Window()); });
  ASSERT_NE(keep.seen, nullptr);
  EXPECT_TRUE(keep.titleSeen);
  EXPECT_EQ(chosen.value_or(L"<none>"), start);

  BrowserScript pick{other, true};
  WithBrowser(pick, [&] { chosen = ChooseFolder(start, host_->Window()); });
  EXPECT_EQ(chosen.value_or(L"<none>"), other);

  BrowserScript cancel{other, false};
  WithBrowser(cancel, [&] { chosen = ChooseFolder(start, host_->Window()); });
  ASSERT_NE(cancel.seen, nullptr);
  EXPECT_FALSE(chosen.has_value());

  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_EQ(fs::path(current), fs::path(here));
}

TEST_F(OptionsPageTest, ChooseButtonsStoreTheFolderAndCancelChangesNothing) {
  const std::wstring first = Folder(L"最初");
  const std::wstring chosen = Folder(L"選択");
  Options().IIFolder = 2;
  Options().OIFolder = 2;
  Options().ISPath = first;
  Options().OSPath = first;
  ASSERT_NE(Build(), nullptr);

  struct Button {
    int id, field;
    std::wstring AppOptions::*option;
  };
  const Button buttons[] = {{IDC_STARTUP_INPUT_CHOOSE, IDC_STARTUP_INPUT_PATH, &AppOptions::ISPath},
                            {IDC_STARTUP_OUTPUT_CHOOSE, IDC_STARTUP_OUTPUT_PATH, &AppOptions::OSPath},
                            {IDC_SENDTO_CHOOSE, IDC_SENDTO_FOLDER, &AppOptions::SdToPath}};
  for (const Button& b : buttons) {
    SCOPED_TRACE(b.id);
    const std::wstring before = Options().*b.option;
    const std::wstring shownBefore = WindowText(Item(b.field));
    BrowserScript cancel{chosen, false};
    WithBrowser(cancel, [&] { Click(b.id); });
    ASSERT_NE(cancel.seen, nullptr);
    EXPECT_EQ(cancel.owner, host_->Window());  // the page's top-level window
    EXPECT_EQ(Options().*b.option, before);
    EXPECT_EQ(WindowText(Item(b.field)), shownBefore);

    BrowserScript pick{chosen, true};
    WithBrowser(pick, [&] { Click(b.id); });
    EXPECT_EQ(Options().*b.option, chosen);
    EXPECT_EQ(WindowText(Item(b.field)), chosen);
  }
}

}  // namespace
}  // namespace qv
