// The output settings page in a host window of the test's own, driven as the user drives it: clicks
// through BM_CLICK (routed by the page's own procedure), typed text through WM_SETTEXT, leaving a field
// through its EN_KILLFOCUS command. Also the comment dialog, closed from a timer.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>

#include "dialogs/comment_dialog.h"
#include "gui_test_support.h"
#include "page_fixture.h"
#include "pages/output_settings_page.h"
#include "resources/resource.h"

namespace qv {
namespace {


// ---- the comment dialog, answered from a timer ----------------------------------------------------

struct DialogScript {
  std::function<void(HWND dialog)> act;  // runs once the dialog is up
  bool seen = false;
  int ticks = 0;
};
DialogScript* gDialogScript = nullptr;

void CALLBACK DriveCommentDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  DialogScript& script = *gDialogScript;
  if (++script.ticks > 200) {  // 10 s without the dialog: give up rather than hang
    KillTimer(nullptr, timer);
    return;
  }
  HWND dialog = FindWindowW(L"#32770", L"コメント作成");
  if (dialog == nullptr || !IsWindowVisible(dialog)) return;
  KillTimer(nullptr, timer);
  script.seen = true;
  script.act(dialog);
}

template <typename Action>
void WithCommentDialog(DialogScript& script, Action action) {
  gDialogScript = &script;
  guitest::WithThreadTimer(50, DriveCommentDialog, action);
  gDialogScript = nullptr;
}

// ---- fixture --------------------------------------------------------------------------------------

class OutputSettingsPageTest : public guitest::PageFixture<OutputSettingsPage> {
 protected:
  OutputSettingsPageTest() : PageFixture(L"出力設定") {}

  ConversionParams& Params() { return params_; }

  // The page over the display area that the main window's tab control gives it.
  HWND Build() { return MakePage(RECT{4, 4, 528, 330}, params_, options_); }

  int CheckedScaleButtons() {
    int count = 0;
    for (int id = IDC_SCALE_BASE + 1; id <= IDC_SCALE_BASE + 16; ++id) count += Checked(id) ? 1 : 0;
    return count;
  }

  ConversionParams params_;
  AppOptions options_;
};

// ---- texts, kinds, tooltips ---------------------------------------------------------------------

TEST_F(OutputSettingsPageTest, EveryControlHasItsTextAndKind) {
  ASSERT_NE(Build(), nullptr);
  EXPECT_EQ(GetDlgCtrlID(page_), IDC_PAGE_OUTPUT_SETTINGS);
  EXPECT_EQ(guitest::ClassName(page_), L"Quorvix_tabbase_class");
  struct Case {
    int id;
    LONG kind;  // button type, or -1 for a label
    const wchar_t* text;
  };
  const Case cases[] = {
      {IDC_OUTPUT_OPTIONS_GROUP, BS_GROUPBOX, L"出力オプション"},
      {IDC_QUALITY_LABEL, -1, L"JPEG画質"},
      {IDC_SAMPLING_LABEL, -1, L"サンプル比"},
      {IDC_SAMPLING_41, BS_AUTORADIOBUTTON, L"4:1"},
      {IDC_SAMPLING_11, BS_AUTORADIOBUTTON, L"1:1"},
      {IDC_LIMIT, BS_AUTOCHECKBOX, L"ファイルサイズ指定"},
      {IDC_LIMIT_LABEL, -1, L"KB 以下"},
      {IDC_PROGRESSIVE, BS_AUTOCHECKBOX, L"プログレッシブ"},
      {IDC_COMMENT_INSERT, BS_AUTOCHECKBOX, L"コメント挿入"},
      {IDC_COMMENT_EDIT, BS_PUSHBUTTON, L"作成"},
      {IDC_SCALE_GROUP, BS_GROUPBOX, L"スケールオプション"},
      {IDC_SCALE_REDUCE_LABEL, -1, L"縮小"},
      {IDC_SCALE_ENLARGE_LABEL, -1, L"拡大"},
      {IDC_SIZE_SAMPLE_LABEL, -1, L"サイズサンプル"},
      {IDC_SIZE_SAMPLE_ARROW, -1, L"→"},
      {IDC_SIZE_SAMPLE_UNIT, -1, L"pixel"},
      {IDC_NAMING_GROUP, BS_GROUPBOX, L"出力ファイル"},
      {IDC_NAME_INPUT, BS_AUTORADIOBUTTON, L"入力名基準"},
      {IDC_NAME_EXIF, BS_AUTORADIOBUTTON, L"Exif 日付優先"},
      {IDC_NAME_SERIAL, BS_AUTORADIOBUTTON, L"連番"},
      {IDC_DIGITS_LABEL, -1, L"桁"},
      {IDC_START_LABEL, -1, L"始番"},
      {IDC_PREFIX_ADD, BS_AUTOCHECKBOX, L"先頭文字"},
      {IDC_SUFFIX_ADD, BS_AUTOCHECKBOX, L"末尾文字"},
      {IDC_SUBFOLDER_ADD, BS_AUTOCHECKBOX, L"サブフォルダ"},
      {IDC_DELETE_INPUT, BS_AUTOCHECKBOX, L"入力ファイル削除"},
      {IDC_RECYCLE, BS_AUTOCHECKBOX, L"ごみ箱へ移動"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    ASSERT_NE(Item(c.id), nullptr);
    EXPECT_EQ(ItemText(c.id), c.text);
    if (c.kind < 0) {
      EXPECT_EQ(guitest::ClassName(Item(c.id)), L"Static");
    } else {
      EXPECT_EQ(GetWindowLongW(Item(c.id), GWL_STYLE) & BS_TYPEMASK, c.kind);
    }
  }
  for (int n = 1; n <= 16; ++n) {
    SCOPED_TRACE(n);
    if (n == 8) {
      EXPECT_EQ(Item(IDC_SCALE_BASE + 8), nullptr);
      continue;
    }
    EXPECT_EQ(ItemText(IDC_SCALE_BASE + n), std::to_wstring(n) + L"/8");
    EXPECT_EQ(GetWindowLongW(Item(IDC_SCALE_BASE + n), GWL_STYLE) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
  }
  // Number fields: digits only, their length limits, and the spins' ranges.
  struct Field {
    int field, spin, maxChars, low, high;
  };
  const Field fields[] = {{IDC_QUALITY, IDC_QUALITY_SPIN, 3, 1, 100},
                          {IDC_LIMIT_VALUE, IDC_LIMIT_SPIN, 4, 1, 32767},
                          {IDC_DIGITS, IDC_DIGITS_SPIN, 1, 1, 5},
                          {IDC_START, IDC_START_SPIN, 4, 0, 9999},
                          {IDC_SIZE_SAMPLE_INPUT, 0, 5, 0, 0}};
  for (const Field& f : fields) {
    SCOPED_TRACE(f.field);
    EXPECT_NE(GetWindowLongW(Item(f.field), GWL_STYLE) & ES_NUMBER, 0);
    EXPECT_EQ(SendMessageW(Item(f.field), EM_GETLIMITTEXT, 0, 0), f.maxChars);
    if (f.spin == 0) continue;
    int low = -1, high = -1;
    SendMessageW(Item(f.spin), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, f.low);
    EXPECT_EQ(high, f.high);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(Item(f.spin), UDM_GETBUDDY, 0, 0)), Item(f.field));
  }
  for (int id : {IDC_PREFIX, IDC_SUFFIX, IDC_SUBFOLDER}) EXPECT_EQ(SendMessageW(Item(id), EM_GETLIMITTEXT, 0, 0), 20);
}

TEST_F(OutputSettingsPageTest, TooltipsAreRegisteredWithTheirTexts) {
  ASSERT_NE(Build(), nullptr);
  const struct {
    int id;
    const wchar_t* text;
  } cases[] = {
      {IDC_QUALITY, L"1（高圧縮/低画質）～100（無圧縮/高画質）"},
      {IDC_LIMIT, L"画質が自動調整されます"},
      {IDC_START, L"連番開始番号"},
      {IDC_PREFIX_ADD, L"出力ファイル名の先頭に文字列を付加します"},
      {IDC_SUFFIX_ADD, L"出力ファイル名の末尾に文字列を追加します"},
      {IDC_SUBFOLDER_ADD, L"出力先にフォルダを作成して保存します"},
      {IDC_RECYCLE, L"削除される入力ファイルをごみ箱へ移動します"},
  };
  EXPECT_EQ(SendMessageW(TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0), static_cast<LRESULT>(std::size(cases)));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    wchar_t buffer[256] = {};
    TOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = page_;
    info.uId = reinterpret_cast<UINT_PTR>(Item(c.id));
    info.lpszText = buffer;
    SendMessageW(TooltipWindow(), TTM_GETTEXTW, std::size(buffer), reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(buffer, c.text);
  }
}

// ---- start values -------------------------------------------------------------------------------

TEST_F(OutputSettingsPageTest, ControlsStartFromTheParameters) {
  ConversionParams& p = Params();
  p.Quality = 90;
  p.Sampling = 2;
  p.Limit = 1;
  p.LmtVal = 500;
  p.ScaleNum = 12;
  p.NameSet = 2;
  p.DigitNum = 4;
  p.StartNum = 12;
  p.TopAdd = 1;
  p.TopStr = L"前";
  p.EndAdd = 0;
  p.EndStr = L"";
  p.MkDirAdd = 1;
  p.MkDirStr = L"縮小版";
  p.IFileDel = 1;
  p.Recycle = 0;
  p.Progressive = 1;
  p.CmtOpt = 1;
  options_.CalcNum = 1000;
  ASSERT_NE(Build(), nullptr);

  EXPECT_EQ(ItemText(IDC_QUALITY), L"90");
  EXPECT_FALSE(Checked(IDC_SAMPLING_41));
  EXPECT_TRUE(Checked(IDC_SAMPLING_11));
  EXPECT_TRUE(Checked(IDC_LIMIT));
  EXPECT_EQ(ItemText(IDC_LIMIT_VALUE), L"500");
  EXPECT_TRUE(Checked(IDC_PROGRESSIVE));
  EXPECT_TRUE(Checked(IDC_COMMENT_INSERT));
  EXPECT_TRUE(Checked(IDC_SCALE_BASE + 12));
  EXPECT_EQ(CheckedScaleButtons(), 1);
  EXPECT_EQ(ItemText(IDC_SIZE_SAMPLE_INPUT), L"1000");
  EXPECT_EQ(ItemText(IDC_SIZE_SAMPLE_RESULT), L"1500");
  EXPECT_TRUE(Checked(IDC_NAME_SERIAL));
  EXPECT_FALSE(Checked(IDC_NAME_INPUT));
  EXPECT_EQ(ItemText(IDC_DIGITS), L"4");
  EXPECT_EQ(ItemText(IDC_START), L"12");
  EXPECT_TRUE(Checked(IDC_PREFIX_ADD));
  EXPECT_EQ(ItemText(IDC_PREFIX), L"前");
  EXPECT_FALSE(Checked(IDC_SUFFIX_ADD));
  EXPECT_TRUE(Checked(IDC_SUBFOLDER_ADD));
  EXPECT_EQ(ItemText(IDC_SUBFOLDER), L"縮小版");
  EXPECT_TRUE(Checked(IDC_DELETE_INPUT));
  EXPECT_FALSE(Checked(IDC_RECYCLE));
  // Enabling follows the flags from the start.
  for (int id = IDC_LIMIT_VALUE; id <= IDC_LIMIT_LABEL; ++id) EXPECT_TRUE(Enabled(id)) << id;
  for (int id = IDC_DIGITS_LABEL; id <= IDC_START_SPIN; ++id) EXPECT_TRUE(Enabled(id)) << id;
  EXPECT_TRUE(Enabled(IDC_PREFIX));
  EXPECT_FALSE(Enabled(IDC_SUFFIX));
  EXPECT_TRUE(Enabled(IDC_SUBFOLDER));
  EXPECT_TRUE(Enabled(IDC_RECYCLE));
}

// Stored values that no button stands for are shown as such and kept until the user chooses.
TEST_F(OutputSettingsPageTest, StoredValuesWithoutAButtonAreKept) {
  Params().ScaleNum = 8;
  Params().Sampling = 1;
  Params().NameSet = 5;
  ASSERT_NE(Build(), nullptr);
  EXPECT_EQ(CheckedScaleButtons(), 0);
  EXPECT_EQ(ItemText(IDC_SIZE_SAMPLE_RESULT), L"1200");  // 8/8 of the default sample 1200
  EXPECT_TRUE(Checked(IDC_SAMPLING_41));
  EXPECT_TRUE(Checked(IDC_NAME_INPUT));  // acts as the input-name rule
  for (int id = IDC_DIGITS_LABEL; id <= IDC_START_SPIN; ++id) EXPECT_FALSE(Enabled(id)) << id;
  object_->StoreFields();
  EXPECT_EQ(Params().ScaleNum, 8);
  EXPECT_EQ(Params().Sampling, 1);
  EXPECT_EQ(Params().NameSet, 5);

  Click(IDC_SAMPLING_41);
  EXPECT_EQ(Params().Sampling, 0);
  Click(IDC_SCALE_BASE + 5);
  EXPECT_EQ(Params().ScaleNum, 5);
  Click(IDC_NAME_INPUT);
  EXPECT_EQ(Params().NameSet, 0);
}

// Scale and naming values far outside the buttons' ranges must not check a control of another group.
TEST_F(OutputSettingsPageTest, OutOfRangeStoredValuesCheckNoForeignControl) {
  Params().ScaleNum = 21;  // 1150 + 21 would be the input-name button
  Params().NameSet = -1;   // 1171 - 1 would be the output file group box
  Params().Sampling = 7;
  ASSERT_NE(Build(), nullptr);
  EXPECT_EQ(CheckedScaleButtons(), 0);
  EXPECT_TRUE(Checked(IDC_NAME_INPUT));
  EXPECT_FALSE(Checked(IDC_NAME_EXIF));
  EXPECT_TRUE(Checked(IDC_SAMPLING_41));
  EXPECT_EQ(Params().ScaleNum, 21);
}

// ---- commands -----------------------------------------------------------------------------------

TEST_F(OutputSettingsPageTest, NumberFieldsAreCorrectedWhenLeft) {
  ASSERT_NE(Build(), nullptr);
  const struct {
    int field;
    const wchar_t* typed;
    const wchar_t* shown;
  } cases[] = {
      {IDC_QUALITY, L"250", L"100"}, {IDC_QUALITY, L"0", L"1"},   {IDC_QUALITY, L"", L"1"},
      {IDC_QUALITY, L"55", L"55"},   {IDC_QUALITY, L"100", L"100"}, {IDC_DIGITS, L"9", L"5"},
      {IDC_DIGITS, L"0", L"1"},      {IDC_DIGITS, L"3", L"3"},     {IDC_START, L"", L"0"},
      {IDC_START, L"37", L"37"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_wstring(c.field) + L" " + c.typed);
    Type(c.field, c.typed);
    Leave(c.field);
    EXPECT_EQ(ItemText(c.field), c.shown);
  }
}

// What runs and the shut-down take from the fields: the spin positions (which follow typed digits) and
// the texts.
TEST_F(OutputSettingsPageTest, FieldValuesAreReadIntoTheParameters) {
  ASSERT_NE(Build(), nullptr);
  Type(IDC_QUALITY, L"250");
  Leave(IDC_QUALITY);
  Type(IDC_LIMIT_VALUE, L"2048");
  Type(IDC_DIGITS, L"4");
  Type(IDC_START, L"9999");
  Type(IDC_PREFIX, L"pre_");
  Type(IDC_SUFFIX, L"");
  const std::wstring longName(300, L'長');
  Type(IDC_SUBFOLDER, longName.c_str());
  object_->StoreFields();
  const ConversionParams& read = Params();
  EXPECT_EQ(read.Quality, 100);
  EXPECT_EQ(read.LmtVal, 2048);
  EXPECT_EQ(read.DigitNum, 4);
  EXPECT_EQ(read.StartNum, 9999);
  EXPECT_EQ(read.TopStr, L"pre_");
  EXPECT_EQ(read.EndStr, L"");
  EXPECT_EQ(read.MkDirStr, std::wstring(259, L'長'));

  // The file-name check takes only the text fields.
  Type(IDC_QUALITY, L"30");
  Type(IDC_START, L"5");
  object_->StoreNameFields();
  EXPECT_EQ(Params().Quality, 100);
  EXPECT_EQ(Params().StartNum, 5);
}

TEST_F(OutputSettingsPageTest, SizeSampleFollowsFieldAndScale) {
  Params().ScaleNum = 3;
  ASSERT_NE(Build(), nullptr);
  EXPECT_EQ(ItemText(IDC_SIZE_SAMPLE_RESULT), L"450");  // 1200 × 3/8
  Type(IDC_SIZE_SAMPLE_INPUT, L"1201");
  EXPECT_EQ(options_.CalcNum, 1201);
  EXPECT_EQ(ItemText(IDC_SIZE_SAMPLE_RESULT), L"451");  // raised to the next whole pixel
  Click(IDC_SCALE_BASE + 16);
  EXPECT_EQ(Params().ScaleNum, 16);
  EXPECT_EQ(ItemText(IDC_SIZE_SAMPLE_RESULT), L"2402");
  Type(IDC_SIZE_SAMPLE_INPUT, L"1200");
  EXPECT_EQ(ItemText(IDC_SIZE_SAMPLE_RESULT), L"2400");
  Type(IDC_SIZE_SAMPLE_INPUT, L"");
  EXPECT_EQ(options_.CalcNum, 0);
  EXPECT_EQ(ItemText(IDC_SIZE_SAMPLE_RESULT), L"0");
  Type(IDC_SIZE_SAMPLE_INPUT, L"1200");
  Click(IDC_SCALE_BASE + 1);
  EXPECT_EQ(ItemText(IDC_SIZE_SAMPLE_RESULT), L"150");
  EXPECT_EQ(CheckedScaleButtons(), 1);
}

// The largest result the five-digit field can give is shown whole, and "pixel" follows it inside the
// group box, whatever the width of the font's digits.
TEST_F(OutputSettingsPageTest, SizeSampleResultHasRoomForItsLargestNumber) {
  ASSERT_NE(Build(), nullptr);
  Type(IDC_SIZE_SAMPLE_INPUT, L"99999");
  Click(IDC_SCALE_BASE + 16);
  ASSERT_EQ(ItemText(IDC_SIZE_SAMPLE_RESULT), L"199998");
  auto bounds = [&](int id) {
    RECT r{};
    GetWindowRect(Item(id), &r);
    MapWindowPoints(nullptr, page_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  const RECT result = bounds(IDC_SIZE_SAMPLE_RESULT), unit = bounds(IDC_SIZE_SAMPLE_UNIT),
             arrow = bounds(IDC_SIZE_SAMPLE_ARROW), group = bounds(IDC_SCALE_GROUP);
  EXPECT_GE(result.right - result.left, TextWidthIn(Item(IDC_SIZE_SAMPLE_RESULT), L"199998"));
  EXPECT_GE(result.left, arrow.right);
  EXPECT_GE(unit.left, result.right);
  EXPECT_GE(unit.right - unit.left, TextWidthIn(Item(IDC_SIZE_SAMPLE_UNIT), L"pixel"));
  EXPECT_LT(unit.right, group.right);
}

TEST_F(OutputSettingsPageTest, EnablingFollowsTheControllingChoices) {
  ASSERT_NE(Build(), nullptr);
  for (int id = IDC_LIMIT_VALUE; id <= IDC_LIMIT_LABEL; ++id) EXPECT_FALSE(Enabled(id)) << id;
  Click(IDC_LIMIT);
  EXPECT_EQ(Params().Limit, 1);
  for (int id = IDC_LIMIT_VALUE; id <= IDC_LIMIT_LABEL; ++id) EXPECT_TRUE(Enabled(id)) << id;
  Click(IDC_LIMIT);
  EXPECT_EQ(Params().Limit, 0);
  EXPECT_FALSE(Enabled(IDC_LIMIT_VALUE));

  for (int id = IDC_DIGITS_LABEL; id <= IDC_START_SPIN; ++id) EXPECT_FALSE(Enabled(id)) << id;
  Click(IDC_NAME_SERIAL);
  EXPECT_EQ(Params().NameSet, 2);
  for (int id = IDC_DIGITS_LABEL; id <= IDC_START_SPIN; ++id) EXPECT_TRUE(Enabled(id)) << id;
  Click(IDC_NAME_EXIF);
  EXPECT_EQ(Params().NameSet, 1);
  EXPECT_FALSE(Checked(IDC_NAME_SERIAL));
  EXPECT_FALSE(Enabled(IDC_START));
  Click(IDC_NAME_SERIAL);
  Click(IDC_NAME_INPUT);
  EXPECT_EQ(Params().NameSet, 0);
  for (int id = IDC_DIGITS_LABEL; id <= IDC_START_SPIN; ++id) EXPECT_FALSE(Enabled(id)) << id;

  const struct {
    int box, field;
    uint8_t ConversionParams::*flag;
  } pairs[] = {{IDC_PREFIX_ADD, IDC_PREFIX, &ConversionParams::TopAdd},
               {IDC_SUFFIX_ADD, IDC_SUFFIX, &ConversionParams::EndAdd},
               {IDC_SUBFOLDER_ADD, IDC_SUBFOLDER, &ConversionParams::MkDirAdd}};
  for (const auto& pair : pairs) {
    SCOPED_TRACE(pair.box);
    EXPECT_FALSE(Enabled(pair.field));
    Click(pair.box);
    EXPECT_EQ(Params().*pair.flag, 1);
    EXPECT_TRUE(Enabled(pair.field));
    Click(pair.box);
    EXPECT_EQ(Params().*pair.flag, 0);
    EXPECT_FALSE(Enabled(pair.field));
  }

  // Clearing the deletion disables the recycle box but keeps its check.
  EXPECT_FALSE(Enabled(IDC_RECYCLE));
  Click(IDC_DELETE_INPUT);
  EXPECT_EQ(Params().IFileDel, 1);
  ASSERT_TRUE(Enabled(IDC_RECYCLE));
  Click(IDC_RECYCLE);
  EXPECT_EQ(Params().Recycle, 0);
  Click(IDC_RECYCLE);
  EXPECT_EQ(Params().Recycle, 1);
  Click(IDC_DELETE_INPUT);
  EXPECT_EQ(Params().IFileDel, 0);
  EXPECT_FALSE(Enabled(IDC_RECYCLE));
  EXPECT_TRUE(Checked(IDC_RECYCLE));
  EXPECT_EQ(Params().Recycle, 1);
}

TEST_F(OutputSettingsPageTest, ClicksStoreTheirValuesAtOnce) {
  ASSERT_NE(Build(), nullptr);
  Click(IDC_SAMPLING_11);
  EXPECT_EQ(Params().Sampling, 2);
  EXPECT_FALSE(Checked(IDC_SAMPLING_41));
  Click(IDC_SAMPLING_41);
  EXPECT_EQ(Params().Sampling, 0);
  Click(IDC_PROGRESSIVE);
  EXPECT_EQ(Params().Progressive, 1);
  Click(IDC_COMMENT_INSERT);
  EXPECT_EQ(Params().CmtOpt, 1);
  Click(IDC_COMMENT_INSERT);
  EXPECT_EQ(Params().CmtOpt, 0);
  for (int n : {2, 7, 9, 13}) {
    Click(IDC_SCALE_BASE + n);
    EXPECT_EQ(Params().ScaleNum, n);
    EXPECT_EQ(CheckedScaleButtons(), 1);
  }
  // Clicks on the scale group box and on a foreign id choose no scale.
  SendMessageW(page_, WM_COMMAND, MAKEWPARAM(IDC_INPUT_LIST, BN_CLICKED), 0);
  SendMessageW(page_, WM_COMMAND, MAKEWPARAM(IDC_SCALE_GROUP, BN_CLICKED),
               reinterpret_cast<LPARAM>(Item(IDC_SCALE_GROUP)));
  EXPECT_EQ(Params().ScaleNum, 13);
  EXPECT_EQ(CheckedScaleButtons(), 1);
}

// ---- comment dialog -----------------------------------------------------------------------------

TEST_F(OutputSettingsPageTest, CommentDialogKeepsTheCommentOnCancelAndStoresItOnOk) {
  ASSERT_NE(Build(), nullptr);
  Params().CmtStr1 = L"一行目\r\n二行目";

  std::wstring shown, caption, ok, cancel;
  LONG fieldStyle = 0, fieldExStyle = 0;
  DialogScript cancelScript;
  cancelScript.act = [&](HWND dialog) {
    HWND field = GetDlgItem(dialog, IDC_COMMENT_TEXT);
    shown = guitest::WindowText(field);
    caption = guitest::WindowText(dialog);
    ok = guitest::WindowText(GetDlgItem(dialog, IDOK));
    cancel = guitest::WindowText(GetDlgItem(dialog, IDCANCEL));
    fieldStyle = GetWindowLongW(field, GWL_STYLE);
    fieldExStyle = GetWindowLongW(field, GWL_EXSTYLE);
    SetWindowTextW(field, L"捨てる");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  };
  WithCommentDialog(cancelScript, [&] { Click(IDC_COMMENT_EDIT); });
  ASSERT_TRUE(cancelScript.seen);
  EXPECT_EQ(shown, L"一行目\r\n二行目");
  EXPECT_EQ(caption, L"コメント作成");
  EXPECT_EQ(ok, L"OK");
  EXPECT_EQ(cancel, L"キャンセル");
  for (LONG style : {ES_MULTILINE, ES_WANTRETURN, ES_AUTOVSCROLL, WS_VSCROLL})
    EXPECT_NE(fieldStyle & style, 0) << style;
  // The dialog manager turns an edit's WS_BORDER into the sunken client edge.
  EXPECT_TRUE((fieldStyle & WS_BORDER) != 0 || (fieldExStyle & WS_EX_CLIENTEDGE) != 0);
  EXPECT_EQ(Params().CmtStr1, L"一行目\r\n二行目");

  DialogScript closeScript;
  closeScript.act = [](HWND dialog) {
    SetDlgItemTextW(dialog, IDC_COMMENT_TEXT, L"捨てる");
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  };
  INT_PTR result = 0;
  WithCommentDialog(closeScript, [&] { result = EditComment(host_->Window(), Params().CmtStr1); });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(Params().CmtStr1, L"一行目\r\n二行目");

  DialogScript okScript;
  okScript.act = [](HWND dialog) {
    SetDlgItemTextW(dialog, IDC_COMMENT_TEXT, L"撮影 2024\r\n©");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
  WithCommentDialog(okScript, [&] { Click(IDC_COMMENT_EDIT); });
  ASSERT_TRUE(okScript.seen);
  EXPECT_EQ(Params().CmtStr1, L"撮影 2024\r\n©");

  DialogScript emptyScript;
  emptyScript.act = [](HWND dialog) {
    SetDlgItemTextW(dialog, IDC_COMMENT_TEXT, L"");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
  WithCommentDialog(emptyScript, [&] { result = EditComment(host_->Window(), Params().CmtStr1); });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(Params().CmtStr1, L"");
}

}  // namespace
}  // namespace qv
