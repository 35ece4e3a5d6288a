// The output settings page: builds its controls from its parameters, keeps them in step with every
// click, corrects out-of-range numbers when a field loses the focus, shows the size sample, and stores
// the values still held in fields when asked. Conversion itself is not done here.
#include "pages/output_settings_page.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "forms/output_settings_form.h"
#include "platform/system_folders.h"
#include "resources/resource.h"
#include "dialogs/comment_dialog.h"
#include "ui/controls.h"

namespace qv {
namespace {

constexpr size_t kMaxFieldText = kMaxPathChars;  // characters read from a text field
constexpr int kSizeSampleDigits = 5;
constexpr int32_t kSizeSampleLargest = 99999;  // the most that kSizeSampleDigits digits can hold
constexpr int32_t kScaleLargest = 16;

// Heights for the 12-pixel user-interface font.
constexpr int kLabelHeight = 14;
constexpr int kButtonHeight = 18;  // check boxes and radio buttons
constexpr int kEditHeight = 20;
constexpr int kLabelDrop = 3;  // a label beside a field sits this much lower than the field

// Layout of the page, in pixels of its client area: two group boxes on the left (output options above
// scale options), the output file group on the right with the input disposal below it. Controls inside a
// group start at its inner left edge; the rows of each group are listed where the group is built.
constexpr int kLeftGroupX = 8;
constexpr int kLeftGroupWidth = 256;
constexpr int kLeftInnerX = 20;
constexpr int kOptionsGroupTop = 4;
constexpr int kOptionsGroupHeight = 150;
constexpr int kScaleGroupTop = 162;
constexpr int kScaleGroupHeight = 150;
constexpr int kScaleRowsTop = 198;  // first row of scale buttons; one row every kScaleRowStep
constexpr int kScaleRowStep = 20;
constexpr int kSizeSampleTop = 282;
constexpr int kRightGroupX = 268;
constexpr int kRightGroupWidth = 248;
constexpr int kRightInnerX = 280;
constexpr int kFileGroupTop = 4;
constexpr int kFileGroupHeight = 178;
constexpr int kNamePartFieldX = 378;  // prefix, suffix and sub-folder fields
constexpr int kNamePartFieldWidth = 128;

// The page's controls, found by id: building them and reading their states.
class Controls {
 public:
  explicit Controls(HWND page) : page_(page) {}

  HWND Item(int id) { return GetDlgItem(page_, id); }

  // Every control but the second and later radio buttons of a group starts a group of its own, so that
  // the automatic radio buttons uncheck exactly their own group's siblings.
  HWND Add(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width, int height, int id,
           DWORD exStyle = 0) {
    return CreateControl(page_, className, text, style | WS_VISIBLE, x, y, width, height, id, exStyle);
  }

  void AddGroup(const wchar_t* text, int x, int y, int width, int height, int id) {
    Add(WC_BUTTONW, text, BS_GROUPBOX | WS_GROUP, x, y, width, height, id);
  }

  void AddLabel(const wchar_t* text, int x, int y, int width, int id, DWORD align = SS_LEFT) {
    Add(WC_STATICW, text, align | SS_NOPREFIX | WS_GROUP, x, y, width, kLabelHeight, id);
  }

  void AddCheck(const wchar_t* text, int x, int y, int width, int id, uint8_t flag) {
    HWND box = Add(WC_BUTTONW, text, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, x, y, width, kButtonHeight, id);
    SendMessageW(box, BM_SETCHECK, (flag & 1) ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  void AddRadio(const wchar_t* text, int x, int y, int width, int id, bool firstOfGroup) {
    Add(WC_BUTTONW, text, BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP | WS_TABSTOP : 0), x, y, width, kButtonHeight,
        id);
  }

  HWND AddEdit(int x, int y, int width, int id, int maxChars, DWORD style) {
    HWND edit = Add(WC_EDITW, L"", style | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, x, y, width, kEditHeight, id,
                    WS_EX_CLIENTEDGE);
    SendMessageW(edit, EM_LIMITTEXT, maxChars, 0);
    return edit;
  }

  // A spin control inside the right end of `buddy`, showing its position there as plain digits.
  void AddSpin(HWND buddy, int id, int low, int high, int32_t start) {
    HWND spin =
        Add(UPDOWN_CLASSW, L"", UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_SETBUDDYINT, 0, 0, 0, 0, id);
    AttachSpin(spin, buddy);
    SendMessageW(spin, UDM_SETRANGE32, low, high);
    SendMessageW(spin, UDM_SETPOS32, 0, std::clamp<int32_t>(start, low, high));
  }

  // A number field with its spin: the field is `width` wide including the spin.
  void AddSpinField(int x, int y, int width, int fieldId, int maxChars, DWORD align, int spinId, int low, int high,
                    int32_t start) {
    HWND field = AddEdit(x, y, width, fieldId, maxChars, ES_NUMBER | align);
    AddSpin(field, spinId, low, high, start);
  }

  void AddTextField(int x, int y, int width, int id, const std::wstring& text) {
    HWND field = AddEdit(x, y, width, id, 20, ES_LEFT);
    if (!text.empty()) SetWindowTextW(field, text.c_str());
  }

  bool IsChecked(int id) { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

  std::wstring FieldText(int id) { return ControlText(Item(id), kMaxFieldText); }

  // The position of a spin control; with its buddy-integer style the control takes it from the field.
  int32_t SpinPosition(int spinId) {
    BOOL error = FALSE;
    return static_cast<int32_t>(SendMessageW(Item(spinId), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)));
  }

  void EnableItems(int firstId, int lastId, bool enable) {
    for (int id = firstId; id <= lastId; ++id) EnableWindow(Item(id), enable ? TRUE : FALSE);
  }

  // On leaving a number field (low >= 1): a number outside [low, high] becomes `high` when above it, else
  // `low`; an empty field reads as 0. The spin writes the corrected number into the field.
  void CorrectNumberField(int fieldId, int spinId, int32_t low, int32_t high) {
    const int32_t value = ParseFieldNumber(FieldText(fieldId));
    if (value >= low && value <= high) return;
    SendMessageW(Item(spinId), UDM_SETPOS32, 0, value > high ? high : low);
  }

 protected:
  HWND page_;
};

struct FlagBox {
  int id;
  uint8_t ConversionParams::*flag;
  bool enablesOthers;
};
constexpr FlagBox kFlagBoxes[] = {
    {IDC_LIMIT, &ConversionParams::Limit, true},
    {IDC_PROGRESSIVE, &ConversionParams::Progressive, false},
    {IDC_COMMENT_INSERT, &ConversionParams::CmtOpt, false},
    {IDC_PREFIX_ADD, &ConversionParams::TopAdd, true},
    {IDC_SUFFIX_ADD, &ConversionParams::EndAdd, true},
    {IDC_SUBFOLDER_ADD, &ConversionParams::MkDirAdd, true},
    {IDC_DELETE_INPUT, &ConversionParams::IFileDel, true},
    {IDC_RECYCLE, &ConversionParams::Recycle, false},
};

// ---- building ---------------------------------------------------------------------------------------

// Building the page's controls from the settings.
class Builder : public Controls {
 public:
  using Controls::Controls;

  // The result label and "pixel" after it, on the size sample's row. The label is as wide as the largest
  // result the sample field can give (five digits at 16/8) in the font it draws with, so that no digit is
  // cut; the unit follows it and stays inside the group box.
  void PlaceSizeSampleResult() {
    constexpr int kX = 178;
    constexpr int kY = kSizeSampleTop + kLabelDrop;
    constexpr int kMinResultWidth = 42;
    constexpr int kRowRight = 258;  // the group box's inner edge
    constexpr int kGap = 4;
    AddLabel(L"", kX, kY, kMinResultWidth, IDC_SIZE_SAMPLE_RESULT, SS_RIGHT);
    AddLabel(L"pixel", kX + kMinResultWidth + kGap, kY, kRowRight - kX - kMinResultWidth - kGap, IDC_SIZE_SAMPLE_UNIT);
    const std::wstring largest = std::to_wstring(SizeSampleResult(kSizeSampleLargest, kScaleLargest));
    const int resultWidth = std::max(kMinResultWidth, TextWidth96(Item(IDC_SIZE_SAMPLE_RESULT), largest) + 2);
    const int unitX = kX + resultWidth + kGap;
    const int unitWidth = std::max(kRowRight - unitX, TextWidth96(Item(IDC_SIZE_SAMPLE_UNIT), L"pixel") + 2);
    MoveControl96(Item(IDC_SIZE_SAMPLE_RESULT), kX, kY, resultWidth, kLabelHeight);
    MoveControl96(Item(IDC_SIZE_SAMPLE_UNIT), unitX, kY, unitWidth, kLabelHeight);
  }

  void BuildOutputOptionsGroup(const ConversionParams& p) {
    AddGroup(L"出力オプション", kLeftGroupX, kOptionsGroupTop, kLeftGroupWidth, kOptionsGroupHeight,
             IDC_OUTPUT_OPTIONS_GROUP);
    AddLabel(L"JPEG画質", kLeftInnerX, 24 + kLabelDrop, 64, IDC_QUALITY_LABEL);
    AddSpinField(86, 24, 52, IDC_QUALITY, 3, ES_RIGHT, IDC_QUALITY_SPIN, 1, 100, p.Quality);
    AddLabel(L"サンプル比", kLeftInnerX, 50 + kLabelDrop, 64, IDC_SAMPLING_LABEL);
    AddRadio(L"4:1", 86, 51, 50, IDC_SAMPLING_41, true);
    AddRadio(L"1:1", 140, 51, 50, IDC_SAMPLING_11, false);
    CheckRadioButton(page_, IDC_SAMPLING_41, IDC_SAMPLING_11, p.Sampling == 2 ? IDC_SAMPLING_11 : IDC_SAMPLING_41);
    AddCheck(L"ファイルサイズ指定", kLeftInnerX, 77, 118, IDC_LIMIT, p.Limit);
    AddSpinField(140, 76, 62, IDC_LIMIT_VALUE, 4, ES_LEFT, IDC_LIMIT_SPIN, 1, 32767, p.LmtVal);
    AddLabel(L"KB 以下", 204, 76 + kLabelDrop, 54, IDC_LIMIT_LABEL, SS_CENTER);
    AddCheck(L"プログレッシブ", kLeftInnerX, 103, 120, IDC_PROGRESSIVE, p.Progressive);
    AddCheck(L"コメント挿入", kLeftInnerX, 128, 100, IDC_COMMENT_INSERT, p.CmtOpt);
    Add(WC_BUTTONW, L"作成", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 124, 126, 60, 22, IDC_COMMENT_EDIT);
  }

  void BuildScaleGroup(const ConversionParams& p, int32_t calcNum) {
    AddGroup(L"スケールオプション", kLeftGroupX, kScaleGroupTop, kLeftGroupWidth, kScaleGroupHeight, IDC_SCALE_GROUP);
    AddLabel(L"縮小", kLeftInnerX, 180, 112, IDC_SCALE_REDUCE_LABEL, SS_CENTER);
    AddLabel(L"拡大", 140, 180, 112, IDC_SCALE_ENLARGE_LABEL, SS_CENTER);
    constexpr int kColumnX[4] = {kLeftInnerX, 78, 140, 198};
    for (int n = 1; n <= 16; ++n) {
      if (n == 8) continue;
      const int column = (n - 1) / 4;  // 1-4, 5-7, 9-12, 13-16
      const int row = (n - 1) % 4;
      const std::wstring text = std::to_wstring(n) + L"/8";
      AddRadio(text.c_str(), kColumnX[column], kScaleRowsTop + row * kScaleRowStep, 54, IDC_SCALE_BASE + n, n == 1);
    }
    if (const int id = ScaleButtonId(p.ScaleNum); id != 0) SendMessageW(Item(id), BM_SETCHECK, BST_CHECKED, 0);

    AddLabel(L"サイズサンプル", kLeftInnerX, kSizeSampleTop + kLabelDrop, 84, IDC_SIZE_SAMPLE_LABEL);
    AddEdit(106, kSizeSampleTop, 52, IDC_SIZE_SAMPLE_INPUT, kSizeSampleDigits, ES_NUMBER | ES_RIGHT);
    AddLabel(L"→", 162, kSizeSampleTop + kLabelDrop, 14, IDC_SIZE_SAMPLE_ARROW, SS_CENTER);
    PlaceSizeSampleResult();
    // Setting the text counts as a change (CalcNum read back, result shown) whoever routes the page's
    // commands; the result is shown here as well in case none does yet.
    SetWindowTextW(Item(IDC_SIZE_SAMPLE_INPUT), std::to_wstring(calcNum).c_str());
  }

  void BuildOutputFileGroup(const ConversionParams& p) {
    AddGroup(L"出力ファイル", kRightGroupX, kFileGroupTop, kRightGroupWidth, kFileGroupHeight, IDC_NAMING_GROUP);
    AddRadio(L"入力名基準", kRightInnerX, 22, 120, IDC_NAME_INPUT, true);
    AddRadio(L"Exif 日付優先", kRightInnerX, 44, 120, IDC_NAME_EXIF, false);
    AddRadio(L"連番", kRightInnerX, 69, 50, IDC_NAME_SERIAL, false);
    CheckRadioButton(page_, IDC_NAME_INPUT, IDC_NAME_SERIAL, NamingButtonId(p.NameSet));
    AddLabel(L"桁", 332, 68 + kLabelDrop, 14, IDC_DIGITS_LABEL);
    AddSpinField(348, 68, 38, IDC_DIGITS, 1, ES_LEFT, IDC_DIGITS_SPIN, 1, 5, p.DigitNum);
    AddLabel(L"始番", 394, 68 + kLabelDrop, 28, IDC_START_LABEL);
    AddSpinField(424, 68, 60, IDC_START, 4, ES_LEFT, IDC_START_SPIN, 0, 9999, p.StartNum);

    AddCheck(L"先頭文字", kRightInnerX, 99, 94, IDC_PREFIX_ADD, p.TopAdd);
    AddTextField(kNamePartFieldX, 98, kNamePartFieldWidth, IDC_PREFIX, p.TopStr);
    AddCheck(L"末尾文字", kRightInnerX, 125, 94, IDC_SUFFIX_ADD, p.EndAdd);
    AddTextField(kNamePartFieldX, 124, kNamePartFieldWidth, IDC_SUFFIX, p.EndStr);
    AddCheck(L"サブフォルダ", kRightInnerX, 151, 94, IDC_SUBFOLDER_ADD, p.MkDirAdd);
    AddTextField(kNamePartFieldX, 150, kNamePartFieldWidth, IDC_SUBFOLDER, p.MkDirStr);
  }

  void BuildInputDisposal(const ConversionParams& p) {
    AddCheck(L"入力ファイル削除", kRightInnerX, 194, 140, IDC_DELETE_INPUT, p.IFileDel);
    AddCheck(L"ごみ箱へ移動", 296, 216, 140, IDC_RECYCLE, p.Recycle);
  }
};

}  // namespace

HWND OutputSettingsPage::Create(HWND tab, const RECT& area) {
  if (CreatePage(tab, area, IDC_PAGE_OUTPUT_SETTINGS, WS_VISIBLE | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT) == nullptr)
    return nullptr;
  Build();
  return Handle();
}

void OutputSettingsPage::Build() {
  Builder builder(Handle());
  builder.BuildOutputOptionsGroup(params_);
  builder.BuildScaleGroup(params_, options_.CalcNum);
  // Setting the sample's text counts as a change (CalcNum read back, result shown) once the page gets its
  // commands; the result is shown here as well in case it does not yet.
  ShowSizeSample();
  builder.BuildOutputFileGroup(params_);
  builder.BuildInputDisposal(params_);
  AddTooltips();
  ApplyEnabling();
}

void OutputSettingsPage::AddTooltips() {
  Controls controls(Handle());
  static const struct {
    int id;
    const wchar_t* text;
  } kTips[] = {
      {IDC_QUALITY, L"1（高圧縮/低画質）～100（無圧縮/高画質）"},
      {IDC_LIMIT, L"画質が自動調整されます"},
      {IDC_START, L"連番開始番号"},
      {IDC_PREFIX_ADD, L"出力ファイル名の先頭に文字列を付加します"},
      {IDC_SUFFIX_ADD, L"出力ファイル名の末尾に文字列を追加します"},
      {IDC_SUBFOLDER_ADD, L"出力先にフォルダを作成して保存します"},
      {IDC_RECYCLE, L"削除される入力ファイルをごみ箱へ移動します"},
  };
  for (const auto& tip : kTips) host().AddTooltip(controls.Item(tip.id), tip.text);
}

void OutputSettingsPage::ApplyEnabling() {
  if (Handle() == nullptr) return;
  Controls controls(Handle());
  const ConversionParams& p = params_;
  controls.EnableItems(IDC_LIMIT_VALUE, IDC_LIMIT_LABEL, (p.Limit & 1) != 0);
  controls.EnableItems(IDC_DIGITS_LABEL, IDC_START_SPIN, p.NameSet == 2);
  EnableWindow(Item(IDC_PREFIX), (p.TopAdd & 1) != 0);
  EnableWindow(Item(IDC_SUFFIX), (p.EndAdd & 1) != 0);
  EnableWindow(Item(IDC_SUBFOLDER), (p.MkDirAdd & 1) != 0);
  EnableWindow(Item(IDC_RECYCLE), (p.IFileDel & 1) != 0);
}

void OutputSettingsPage::ShowSizeSample() {
  const int64_t result = SizeSampleResult(options_.CalcNum, params_.ScaleNum);
  SetWindowTextW(Item(IDC_SIZE_SAMPLE_RESULT), std::to_wstring(result).c_str());
}

void OutputSettingsPage::OnScaleChosen(int id) {
  if (!IsChecked(id)) return;
  params_.ScaleNum = id - IDC_SCALE_BASE;
  ShowSizeSample();
}

void OutputSettingsPage::OnNamingChosen(int id) {
  const int32_t nameSet = id - IDC_NAME_INPUT;
  if (!IsChecked(id) || nameSet == params_.NameSet) return;
  params_.NameSet = nameSet;
  ApplyEnabling();
}

void OutputSettingsPage::OnSizeSampleChanged() {
  options_.CalcNum = ParseFieldNumber(Controls(Handle()).FieldText(IDC_SIZE_SAMPLE_INPUT));
  ShowSizeSample();
}

// True when `id` is one of the flag boxes (a click on it is then handled).
bool OutputSettingsPage::OnFlagBoxCommand(int id, int code) {
  for (const FlagBox& box : kFlagBoxes) {
    if (box.id != id) continue;
    if (code == BN_CLICKED) {
      params_.*box.flag = IsChecked(id) ? 1 : 0;
      if (box.enablesOthers) ApplyEnabling();
    }
    return true;
  }
  return false;
}

void OutputSettingsPage::OnCommand(int id, int code, HWND /*control*/) {
  if (OnFlagBoxCommand(id, code)) return;
  Controls controls(Handle());
  const bool clicked = code == BN_CLICKED;
  switch (id) {
    case IDC_QUALITY:
      if (code == EN_KILLFOCUS) controls.CorrectNumberField(IDC_QUALITY, IDC_QUALITY_SPIN, 1, 100);
      break;
    case IDC_SAMPLING_41:
      if (clicked && IsChecked(id)) params_.Sampling = 0;
      break;
    case IDC_SAMPLING_11:
      if (clicked && IsChecked(id)) params_.Sampling = 2;
      break;
    case IDC_COMMENT_EDIT:
      if (clicked) EditComment(host().MessageOwner(), params_.CmtStr1);
      break;
    case IDC_SIZE_SAMPLE_INPUT:
      if (code == EN_CHANGE) OnSizeSampleChanged();
      break;
    case IDC_NAME_INPUT:
    case IDC_NAME_EXIF:
    case IDC_NAME_SERIAL:
      if (clicked) OnNamingChosen(id);
      break;
    case IDC_DIGITS:
      if (code == EN_KILLFOCUS) controls.CorrectNumberField(IDC_DIGITS, IDC_DIGITS_SPIN, 1, 5);
      break;
    case IDC_START:
      if (code == EN_KILLFOCUS && GetWindowTextLengthW(Item(IDC_START)) == 0) SetWindowTextW(Item(IDC_START), L"0");
      break;
    default:
      if (clicked && ScaleButtonId(id - IDC_SCALE_BASE) == id) OnScaleChosen(id);
      break;
  }
}

void OutputSettingsPage::StoreNameFields() {
  if (Handle() == nullptr) return;
  Controls controls(Handle());
  params_.DigitNum = std::clamp<int32_t>(controls.SpinPosition(IDC_DIGITS_SPIN), 1, 5);
  params_.StartNum = controls.SpinPosition(IDC_START_SPIN);
  params_.TopStr = controls.FieldText(IDC_PREFIX);
  params_.EndStr = controls.FieldText(IDC_SUFFIX);
  params_.MkDirStr = controls.FieldText(IDC_SUBFOLDER);
}

void OutputSettingsPage::StoreFields() {
  if (Handle() == nullptr) return;
  Controls controls(Handle());
  params_.Quality = controls.SpinPosition(IDC_QUALITY_SPIN);
  params_.LmtVal = controls.SpinPosition(IDC_LIMIT_SPIN);
  StoreNameFields();
}

}  // namespace qv
