// The options page: start-up folders, the Send To group, the display switches and the group of what the
// outputs keep of their inputs. It edits its options and parameters the moment a control changes and
// applies the start-up folders while it is built.
#include "pages/options_page.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "forms/output_settings_form.h"
#include "platform/system_folders.h"
#include "resources/resource.h"
#include "ui/choose_folder.h"
#include "ui/controls.h"
#include "ui/dpi.h"
#include "ui/send_to.h"

namespace qv {

namespace {

constexpr wchar_t kSameFolderAsInput[] = L"<入力ファイルと同じフォルダ>";
constexpr wchar_t kDropTip[] = L"ドラッグ＆ドロップ設定可";

}  // namespace

// The ids of one start-up folder row; the radio ids are consecutive (none, last, specified).
struct OptionsPage::StartupRow {
  int label;
  int none;
  int path;
  int choose;
  const wchar_t* caption;
};

namespace {

constexpr OptionsPage::StartupRow kInputRow{IDC_STARTUP_INPUT_LABEL, IDC_STARTUP_INPUT_NONE, IDC_STARTUP_INPUT_PATH,
                                            IDC_STARTUP_INPUT_CHOOSE, L"入力"};
constexpr OptionsPage::StartupRow kOutputRow{IDC_STARTUP_OUTPUT_LABEL, IDC_STARTUP_OUTPUT_NONE, IDC_STARTUP_OUTPUT_PATH,
                                             IDC_STARTUP_OUTPUT_CHOOSE, L"出力"};

// ---- building ---------------------------------------------------------------------------------

// Layout of the page, in pixels of its client area: three rows of controls in group boxes as wide as the
// page less a margin on each side, then the display switches in two columns. Buttons sit at the right
// edge of their row.
constexpr int kGroupMargin = 8;
constexpr int kInnerX = 20;  // the first control of a row, and the gap at the right edge
constexpr int kRowHeight = 20;
constexpr int kButtonHeight = 22;
constexpr int kButtonWidth = 52;
constexpr int kButtonGap = 4;  // between two buttons
constexpr int kFieldGap = 6;   // between a path field and its button
constexpr int kStartupGroupTop = 4;
constexpr int kStartupGroupHeight = 76;
constexpr int kInputRowTop = 22;
constexpr int kOutputRowTop = 48;
constexpr int kStartupPathX = 250;
constexpr int kSendToGroupTop = 86;
constexpr int kSendToGroupHeight = 94;
constexpr int kSendToFolderTop = 152;
constexpr int kSendToPathX = 98;
constexpr int kSwitchesTop = 188;  // one row of switches every kSwitchStep
constexpr int kSwitchStep = 21;
constexpr int kPhotoGroupTop = 254;  // below the last row of switches, down to the page's bottom
constexpr int kPhotoGroupHeight = 106;
constexpr int kPhotoFirstRow = 272;
constexpr int kPhotoSecondRow = 293;
constexpr int kPhotoThirdRow = 314;   // the fit box: check box, then width x height under the long-edge field
constexpr int kPhotoFourthRow = 335;  // the encoder
constexpr int kTimesWidth = 14;       // the "×" between the two sides
constexpr int kPhotoColumn2 = 174;  // second and third column of the group's check boxes
constexpr int kPhotoColumn3 = 318;
constexpr int kMaxEdgeFieldWidth = 72;  // five digits and the spin
constexpr int kMaxEdgeDigits = 5;
constexpr int kPageWidth = 524;  // the tab control's display area at 96 DPI

HWND GroupBox(HWND page, const wchar_t* text, int id, int y, int pageWidth, int height) {
  return CreateControl(page, L"BUTTON", text, WS_VISIBLE | WS_GROUP | BS_GROUPBOX, kGroupMargin, y,
                       pageWidth - 2 * kGroupMargin, height, id);
}

HWND Label(HWND page, const wchar_t* text, int id, int x, int y, int width, DWORD extraStyle = 0) {
  return CreateControl(page, L"STATIC", text, WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | extraStyle, x, y, width,
                       kRowHeight, id);
}

HWND Radio(HWND page, const wchar_t* text, int id, int x, int y, int width, bool firstOfGroup) {
  return CreateControl(page, L"BUTTON", text, WS_VISIBLE | BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP | WS_TABSTOP : 0), x, y,
                       width, kRowHeight, id);
}

HWND CheckBox(HWND page, const wchar_t* text, int id, int x, int y, int width) {
  return CreateControl(page, L"BUTTON", text, WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX, x, y, width, kRowHeight, id);
}

HWND PushButton(HWND page, const wchar_t* text, int id, int x, int y, int width) {
  return CreateControl(page, L"BUTTON", text, WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, x, y, width, kButtonHeight, id);
}

// A number field with a spin control inside its right end that writes its position there as plain digits.
HWND SpinField(HWND page, int id, int spinId, int x, int y, int width, int maxChars, int32_t low, int32_t high,
               int32_t start) {
  HWND field = CreateControl(page, L"EDIT", L"", WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, x, y,
                             width, kRowHeight, id, WS_EX_CLIENTEDGE);
  SendMessageW(field, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
  HWND spin = CreateControl(page, UPDOWN_CLASSW, L"",
                            WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_SETBUDDYINT, 0, 0, 0, 0,
                            spinId);
  AttachSpin(spin, field);
  SendMessageW(spin, UDM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
  SendMessageW(spin, UDM_SETPOS32, 0, static_cast<LPARAM>(std::clamp(start, low, high)));
  return field;
}

HWND PathField(HWND page, int id, int x, int y, int width) {
  HWND field = CreateControl(page, L"EDIT", L"", WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, x, y, width,
                             kRowHeight, id, WS_EX_CLIENTEDGE);
  SendMessageW(field, EM_LIMITTEXT, kMaxLongPathChars, 0);
  return field;
}

}  // namespace

// One start-up row: label, the three choices, the specified folder and its "設定" button. A choice out of
// range starts like "なし" and checks it.
void OptionsPage::BuildStartupRow(const StartupRow& row, int choice, const std::wstring& specified, int y, int width) {
  Label(Handle(), row.caption, row.label, kInnerX, y, 32, WS_GROUP);
  Radio(Handle(), L"なし", row.none, 56, y, 52, true);
  Radio(Handle(), L"前回終了時", row.none + 1, 110, y, 86, false);
  Radio(Handle(), L"指定", row.none + 2, 198, y, 50, false);
  const int buttonX = width - kInnerX - kButtonWidth;
  PathField(Handle(), row.path, kStartupPathX, y, buttonX - kFieldGap - kStartupPathX);
  PushButton(Handle(), L"設定", row.choose, buttonX, y - 1, kButtonWidth);
  SetChecked(row.none + (choice >= 0 && choice <= 2 ? choice : 0), true);
  ShowPath(row.path, specified);
  EnableRowPath(row, choice == 2);
}

// The folder a start-up choice puts into a field: 1 the one at last exit, 2 the specified one.
static std::wstring StartupFolder(int choice, const std::wstring& atLastExit, const std::wstring& specified) {
  if (choice == 1) return atLastExit;
  if (choice == 2) return specified;
  return std::wstring();
}

void OptionsPage::BuildStartupGroup(int width) {
  GroupBox(Handle(), L"起動時のフォルダ", IDC_STARTUP_GROUP, kStartupGroupTop, width, kStartupGroupHeight);
  const AppOptions& o = options_;
  BuildStartupRow(kInputRow, o.IIFolder, o.ISPath, kInputRowTop, width);
  const std::wstring input = StartupFolder(o.IIFolder, o.IEPath, o.ISPath);
  if (!input.empty()) host().SetInputFolder(input);

  BuildStartupRow(kOutputRow, o.OIFolder, o.OSPath, kOutputRowTop, width);
  const std::wstring output = StartupFolder(o.OIFolder, o.OEPath, o.OSPath);
  if (!output.empty()) host().SetOutputFolder(output);
}

void OptionsPage::BuildSendToGroup(int width) {
  GroupBox(Handle(), L"「送る」メニューから実行時の設定", IDC_SENDTO_GROUP, kSendToGroupTop, width, kSendToGroupHeight);
  CheckBox(Handle(), L"「送る」メニューに登録", IDC_SENDTO_REGISTER, kInnerX, 104, 200);
  Radio(Handle(), L"メインウィンドウを開く", IDC_SENDTO_OPEN_WINDOW, kInnerX, 128, 170, true);
  Radio(Handle(), L"変換処理後に終了", IDC_SENDTO_CONVERT_EXIT, 200, 128, 150, false);
  Label(Handle(), L"出力フォルダ", IDC_SENDTO_FOLDER_LABEL, kInnerX, kSendToFolderTop, 76, WS_GROUP);
  const int clearX = width - kInnerX - kButtonWidth;
  const int chooseX = clearX - kButtonGap - kButtonWidth;
  PathField(Handle(), IDC_SENDTO_FOLDER, kSendToPathX, kSendToFolderTop, chooseX - kFieldGap - kSendToPathX);
  PushButton(Handle(), L"設定", IDC_SENDTO_CHOOSE, chooseX, kSendToFolderTop - 1, kButtonWidth);
  PushButton(Handle(), L"解除", IDC_SENDTO_CLEAR, clearX, kSendToFolderTop - 1, kButtonWidth);

  SetChecked(IDC_SENDTO_REGISTER, SendToShortcutExists());
  SetChecked(options_.SdToCvt ? IDC_SENDTO_CONVERT_EXIT : IDC_SENDTO_OPEN_WINDOW, true);
  ShowSendToFolder();
}

void OptionsPage::BuildSwitches(int width) {
  const int right = width / 2 + 4;
  const int columnWidth = width / 2 - 24;
  constexpr int kFirst = kSwitchesTop, kSecond = kFirst + kSwitchStep, kThird = kSecond + kSwitchStep;
  CheckBox(Handle(), L"起動時にデスクトップツリー展開", IDC_DESKTOP_EXPAND, kInnerX, kFirst, columnWidth);
  CheckBox(Handle(), L"隠し属性のファイルとフォルダを表示", IDC_SHOW_HIDDEN, right, kFirst, columnWidth);
  CheckBox(Handle(), L"変換完了メッセージ表示", IDC_END_MESSAGE, kInnerX, kSecond, columnWidth);
  CheckBox(Handle(), L"入力フォルダ内更新メッセージ表示", IDC_FOLDER_CHANGED_MESSAGE, right, kSecond, columnWidth);
  CheckBox(Handle(), L"ツールチップ表示", IDC_TOOLTIPS, kInnerX, kThird, columnWidth);

  const AppOptions& o = options_;
  SetChecked(IDC_DESKTOP_EXPAND, (o.DTExpand & 1) != 0);
  SetChecked(IDC_SHOW_HIDDEN, o.Hidden == 0);
  SetChecked(IDC_END_MESSAGE, (o.EndMes & 1) != 0);
  SetChecked(IDC_FOLDER_CHANGED_MESSAGE, (o.FileMes & 1) != 0);
  SetChecked(IDC_TOOLTIPS, (o.TipAct & 1) != 0);
}

// Two rows of check boxes in three columns; the long-edge bound's field sits in the third column after its
// check box. The fit box has the third row, the encoder switch the fourth.
void OptionsPage::BuildPhotoGroup(int width) {
  GroupBox(Handle(), L"写真の向きと付帯情報", IDC_PHOTO_GROUP, kPhotoGroupTop, width, kPhotoGroupHeight);
  const int thirdWidth = width - kInnerX - kPhotoColumn3;
  CheckBox(Handle(), L"回転情報に従って回転", IDC_AUTO_ROTATE, kInnerX, kPhotoFirstRow, kPhotoColumn2 - kInnerX - 4);
  CheckBox(Handle(), L"Exif 情報を保持", IDC_KEEP_EXIF, kPhotoColumn2, kPhotoFirstRow, kPhotoColumn3 - kPhotoColumn2 - 4);
  CheckBox(Handle(), L"カラープロファイルを保持", IDC_KEEP_ICC, kPhotoColumn3, kPhotoFirstRow, thirdWidth);
  CheckBox(Handle(), L"更新日時を保持", IDC_KEEP_TIME, kInnerX, kPhotoSecondRow, kPhotoColumn2 - kInnerX - 4);
  CheckBox(Handle(), L"長辺の上限 (pixel)", IDC_MAX_EDGE_ON, kPhotoColumn2, kPhotoSecondRow,
           kPhotoColumn3 - kPhotoColumn2 - 4);
  SpinField(Handle(), IDC_MAX_EDGE, IDC_MAX_EDGE_SPIN, kPhotoColumn3, kPhotoSecondRow, kMaxEdgeFieldWidth,
            kMaxEdgeDigits, kMinMaxEdge, kMaxMaxEdge, params_.MaxEdge);

  const ConversionParams& p = params_;
  SetChecked(IDC_AUTO_ROTATE, (p.AutoRotate & 1) != 0);
  SetChecked(IDC_KEEP_EXIF, (p.KeepExif & 1) != 0);
  SetChecked(IDC_KEEP_ICC, (p.KeepIcc & 1) != 0);
  SetChecked(IDC_KEEP_TIME, (p.KeepTime & 1) != 0);
  SetChecked(IDC_MAX_EDGE_ON, (p.MaxEdgeOn & 1) != 0);
  EnableMaxEdgeField();
  BuildFitRow();
  CheckBox(Handle(), L"高効率エンコーダ (同じ画質でより小さく)", IDC_JPEGLI, kInnerX, kPhotoFourthRow, width - 2 * kInnerX);
  SetChecked(IDC_JPEGLI, UsesJpegli(p));
}

// The box a photo is fitted into: its check box across the first two columns, the two sides in the third,
// the width under the long-edge field.
void OptionsPage::BuildFitRow() {
  CheckBox(Handle(), L"サイズに収める", IDC_FIT_ON, kInnerX, kPhotoThirdRow, kPhotoColumn3 - kInnerX - 4);
  SpinField(Handle(), IDC_FIT_WIDTH, IDC_FIT_WIDTH_SPIN, kPhotoColumn3, kPhotoThirdRow, kMaxEdgeFieldWidth,
            kMaxEdgeDigits, kMinFitSide, kMaxFitSide, params_.FitWidth);
  const int timesX = kPhotoColumn3 + kMaxEdgeFieldWidth;
  Label(Handle(), L"×", IDC_FIT_TIMES, timesX, kPhotoThirdRow, kTimesWidth, SS_CENTER);
  SpinField(Handle(), IDC_FIT_HEIGHT, IDC_FIT_HEIGHT_SPIN, timesX + kTimesWidth, kPhotoThirdRow, kMaxEdgeFieldWidth,
            kMaxEdgeDigits, kMinFitSide, kMaxFitSide, params_.FitHeight);
  SetChecked(IDC_FIT_ON, (params_.FitOn & 1) != 0);
  EnableFitFields();
}

void OptionsPage::AddPhotoTooltips() {
  static const struct {
    int id;
    const wchar_t* text;
  } kTips[] = {
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
  for (const auto& tip : kTips) host().AddTooltip(Item(tip.id), tip.text);
}

// ---- commands ---------------------------------------------------------------------------------

void OptionsPage::OnStartupChoice(const StartupRow& row, int id, int32_t& option) {
  if (!IsChecked(id)) return;
  option = id - row.none;
  EnableRowPath(row, option == 2);
}

void OptionsPage::OnChooseStartupFolder(const StartupRow& row, std::wstring& option) {
  if (auto folder = ChooseFolder(option, Handle())) {
    option = *folder;
    ShowPath(row.path, option);
  }
}

void OptionsPage::OnChooseSendToFolder() {
  if (auto folder = ChooseFolder(options_.SdToPath, Handle())) {
    options_.SdToPath = *folder;
    ShowSendToFolder();
  }
}

void OptionsPage::OnTooltips() {
  options_.TipAct = IsChecked(IDC_TOOLTIPS) ? 1 : 0;
  host().ActivateTooltips(options_.TipAct != 0);
}

HWND OptionsPage::Create(HWND tab, const RECT& area) {
  // In 96-DPI pixels: the tab control's display area at another DPI is not exactly the scaled one.
  const int width = std::min(kPageWidth, MulDiv(area.right - area.left, kBaseDpi, static_cast<int>(DpiOf(tab))));
  if (CreatePage(tab, area, IDC_PAGE_OPTIONS, WS_CLIPSIBLINGS) == nullptr) return nullptr;
  BuildStartupGroup(width);
  BuildSendToGroup(width);
  BuildSwitches(width);
  BuildPhotoGroup(width);
  AddPhotoTooltips();
  host().AddTooltip(Item(IDC_STARTUP_INPUT_PATH), kDropTip);
  host().AddTooltip(Item(IDC_STARTUP_OUTPUT_PATH), kDropTip);
  host().AddTooltip(Item(IDC_SENDTO_FOLDER), kDropTip);
  return Handle();
}

void OptionsPage::OnCommand(int id, int code, HWND) {
  if (id == IDC_MAX_EDGE) OnMaxEdgeField(code);
  if (id == IDC_FIT_WIDTH) OnFitField(code, IDC_FIT_WIDTH, IDC_FIT_WIDTH_SPIN, params_.FitWidth);
  if (id == IDC_FIT_HEIGHT) OnFitField(code, IDC_FIT_HEIGHT, IDC_FIT_HEIGHT_SPIN, params_.FitHeight);
  if (code != BN_CLICKED) return;  // e.g. notifications of the read-only fields
  AppOptions& o = options_;
  ConversionParams& p = params_;
  switch (id) {
    case IDC_STARTUP_INPUT_NONE:
    case IDC_STARTUP_INPUT_LAST:
    case IDC_STARTUP_INPUT_FIXED: OnStartupChoice(kInputRow, id, o.IIFolder); break;
    case IDC_STARTUP_INPUT_CHOOSE: OnChooseStartupFolder(kInputRow, o.ISPath); break;
    case IDC_STARTUP_OUTPUT_NONE:
    case IDC_STARTUP_OUTPUT_LAST:
    case IDC_STARTUP_OUTPUT_FIXED: OnStartupChoice(kOutputRow, id, o.OIFolder); break;
    case IDC_STARTUP_OUTPUT_CHOOSE: OnChooseStartupFolder(kOutputRow, o.OSPath); break;
    case IDC_SENDTO_REGISTER: UpdateSendToShortcut(IsChecked(IDC_SENDTO_REGISTER)); break;
    case IDC_SENDTO_OPEN_WINDOW:
      if (IsChecked(id)) o.SdToCvt = 0;
      break;
    case IDC_SENDTO_CONVERT_EXIT:
      if (IsChecked(id)) o.SdToCvt = 1;
      break;
    case IDC_SENDTO_CHOOSE: OnChooseSendToFolder(); break;
    case IDC_SENDTO_CLEAR:
      o.SdToPath.clear();
      ShowSendToFolder();
      break;
    case IDC_END_MESSAGE: o.EndMes = IsChecked(id) ? 1 : 0; break;
    case IDC_FOLDER_CHANGED_MESSAGE: o.FileMes = IsChecked(id) ? 1 : 0; break;
    case IDC_DESKTOP_EXPAND: o.DTExpand = IsChecked(id) ? 1 : 0; break;
    case IDC_SHOW_HIDDEN: ToggleHiddenItems(); break;
    case IDC_TOOLTIPS: OnTooltips(); break;
    case IDC_AUTO_ROTATE: p.AutoRotate = IsChecked(id) ? 1 : 0; break;
    case IDC_KEEP_EXIF: p.KeepExif = IsChecked(id) ? 1 : 0; break;
    case IDC_KEEP_ICC: p.KeepIcc = IsChecked(id) ? 1 : 0; break;
    case IDC_KEEP_TIME: p.KeepTime = IsChecked(id) ? 1 : 0; break;
    case IDC_JPEGLI: p.Encoder = IsChecked(id) ? kEncoderJpegli : kEncoderLibjpeg; break;
    case IDC_MAX_EDGE_ON:
      p.MaxEdgeOn = IsChecked(id) ? 1 : 0;
      EnableMaxEdgeField();
      break;
    case IDC_FIT_ON:
      p.FitOn = IsChecked(id) ? 1 : 0;
      EnableFitFields();
      break;
    default: break;
  }
}

void OptionsPage::ToggleHiddenItems() {
  options_.Hidden = options_.Hidden == 0 ? 2 : 0;
  if (Handle() != nullptr) SetChecked(IDC_SHOW_HIDDEN, options_.Hidden == 0);
}

bool OptionsPage::TakeDroppedFolder(HWND target, const std::wstring& folder) {
  if (Handle() == nullptr || target == nullptr || GetParent(target) != Handle()) return false;
  switch (GetDlgCtrlID(target)) {
    case IDC_STARTUP_INPUT_PATH: options_.ISPath = folder; break;
    case IDC_STARTUP_OUTPUT_PATH: options_.OSPath = folder; break;
    case IDC_SENDTO_FOLDER: options_.SdToPath = folder; break;
    default: return false;
  }
  SetWindowTextW(target, folder.c_str());
  return true;
}

void OptionsPage::ShowPath(int id, const std::wstring& path) {
  HWND field = Item(id);
  SetWindowTextW(field, path.c_str());
  const LPARAM end = static_cast<LPARAM>(path.size());
  SendMessageW(field, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void OptionsPage::ShowSendToFolder() {
  const std::wstring& path = options_.SdToPath;
  SetWindowTextW(Item(IDC_SENDTO_FOLDER), path.empty() ? kSameFolderAsInput : path.c_str());
}

// Every edit of the long-edge field (typed, pasted or by the spin) is stored at once, brought into range;
// on leaving the field a number out of range is replaced by the bound it passed (an empty field by the
// lower one), so that the field shows what is stored.
void OptionsPage::OnMaxEdgeField(int code) {
  if (code != EN_CHANGE && code != EN_KILLFOCUS) return;
  const int32_t typed = ParseFieldNumber(ControlText(Item(IDC_MAX_EDGE), kMaxEdgeDigits + 8));
  params_.MaxEdge = std::clamp(typed, kMinMaxEdge, kMaxMaxEdge);
  if (code == EN_KILLFOCUS && typed != params_.MaxEdge)
    SendMessageW(Item(IDC_MAX_EDGE_SPIN), UDM_SETPOS32, 0, static_cast<LPARAM>(params_.MaxEdge));
}

void OptionsPage::EnableMaxEdgeField() {
  const bool on = (params_.MaxEdgeOn & 1) != 0;
  EnableWindow(Item(IDC_MAX_EDGE), on);
  EnableWindow(Item(IDC_MAX_EDGE_SPIN), on);
}

// Each side of the fit box as the long-edge field: stored on every edit, brought into range, shown in range
// once the field is left.
void OptionsPage::OnFitField(int code, int fieldId, int spinId, int32_t& side) {
  if (code != EN_CHANGE && code != EN_KILLFOCUS) return;
  const int32_t typed = ParseFieldNumber(ControlText(Item(fieldId), kMaxEdgeDigits + 8));
  side = std::clamp(typed, kMinFitSide, kMaxFitSide);
  if (code == EN_KILLFOCUS && typed != side) SendMessageW(Item(spinId), UDM_SETPOS32, 0, static_cast<LPARAM>(side));
}

void OptionsPage::EnableFitFields() {
  const bool on = (params_.FitOn & 1) != 0;
  for (int id : {IDC_FIT_WIDTH, IDC_FIT_WIDTH_SPIN, IDC_FIT_TIMES, IDC_FIT_HEIGHT, IDC_FIT_HEIGHT_SPIN})
    EnableWindow(Item(id), on);
}

void OptionsPage::EnableRowPath(const StartupRow& row, bool enabled) {
  EnableWindow(Item(row.path), enabled);
  EnableWindow(Item(row.choose), enabled);
}

}  // namespace qv
