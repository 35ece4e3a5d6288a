// The main window, its main panel, and the window classes. Window procedures only dispatch; each message
// has a small handler. Commands of the pages go to the page objects themselves.
#include "shell/main_window.h"

#include <commctrl.h>

#include <utility>

#include "about/about_box.h"
#include "about/help.h"
#include "dialogs/file_name_check_dialog.h"
#include "platform/system_folders.h"
#include "preview/output_preview.h"
#include "resources/resource.h"
#include "shell/drop.h"
#include "shell/main_window_keys.h"
#include "shell/window_run.h"
#include "ui/message_box.h"
#include "ui/paint_colours.h"
#include "ui/process.h"

namespace qv {

const wchar_t kMainWindowClass[] = L"Quorvix_main_class";
const wchar_t kMainPanelClass[] = L"Quorvix_mnbase_class";

namespace {

constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_DLGMODALFRAME | WS_EX_ACCEPTFILES;
constexpr int kPanelWidth = kMainClientWidth - kTreeColumnWidth;  // 540
constexpr int kTabWidth = 176;
constexpr int kTabHeight = 17;
constexpr UINT kSystemMenuSizeIndex = 4;  // positions in the standard system menu
constexpr UINT kSystemMenuMaximizeIndex = 2;
constexpr UINT_PTR kDeferredDropTimer = 0x0D70;
constexpr UINT kDeferredDropPollMs = 100;

// Layout of the main panel, in pixels of its client area: the two folder fields with their labels at the
// top, the tab control, the progress bar and the row of buttons at the bottom.
constexpr int kFieldLeft = 8;
constexpr int kFieldWidth = 524;
constexpr int kFieldDropHeight = 200;  // a folder field with its history list open
constexpr int kFieldLabelWidth = 200;
constexpr int kFieldLabelHeight = 14;
constexpr int kInputLabelTop = 4;
constexpr int kInputFieldTop = 18;
constexpr int kOutputLabelTop = 42;
constexpr int kOutputFieldTop = 56;
constexpr int kContentLeft = 4;  // the tab control, the progress bar and the first button
constexpr int kContentWidth = 532;
constexpr int kTabTop = 80;
constexpr int kTabAreaHeight = 386;
constexpr int kProgressTop = 468;
constexpr int kProgressHeight = 6;
constexpr int kButtonTop = 476;
constexpr int kButtonHeight = 22;
constexpr int kButtonGap = 2;

// A test seam, not window state: how the window's placement is read.
WindowPlacementFunction gReadPlacement = GetWindowPlacement;

HWND CreatePanelChild(HWND panel, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
                      int id) {
  return CreateControl(panel, cls, text, style | WS_VISIBLE, x, y, w, h, id);
}

void ChangeSystemMenu(HWND window) {
  HMENU menu = GetSystemMenu(window, FALSE);
  if (menu == nullptr) return;
  RemoveMenu(menu, kSystemMenuSizeIndex, MF_BYPOSITION);
  RemoveMenu(menu, kSystemMenuMaximizeIndex, MF_BYPOSITION);
  InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, IDM_TOPMOST, L"常に手前に表示");
  InsertMenuW(menu, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

bool ReadPlacement(HWND window, WINDOWPLACEMENT& placement) {
  placement = WINDOWPLACEMENT{};
  placement.length = sizeof(placement);
  return gReadPlacement(window, &placement) != FALSE;
}

// The stored place of the window (or the centre of the primary work area), inside the work area of the
// nearest monitor. WinX and WinY are physical screen pixels (what GetWindowRect and CreateWindow use in a
// per-monitor aware program): a place on the desktop that does not depend on the scale the window had,
// so that it still names the same spot when the scale changed between runs; the size is made for the
// DPI the window gets, and the rule of forms/window_placement.h brings the whole window on screen.
RECT InitialPlace(const StoredAppState& stored) {
  const SIZE size = MainWindowOuterSize(GetDpiForSystem());
  RECT rect{};
  if (stored.hasWindowPosition) {
    rect = RECT{stored.winX, stored.winY, stored.winX + size.cx, stored.winY + size.cy};
  } else {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const LONG x = work.left + (work.right - work.left - size.cx) / 2;
    const LONG y = work.top + (work.bottom - work.top - size.cy) / 2;
    rect = RECT{x, y, x + size.cx, y + size.cy};
  }
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor))
    rect = FitIntoWorkArea(rect, monitor.rcWork);
  return rect;
}

}  // namespace

SIZE MainWindowOuterSize(UINT dpi) {
  RECT r{0, 0, ScaleForDpi(kMainClientWidth, static_cast<int>(dpi)), ScaleForDpi(kMainClientHeight, static_cast<int>(dpi))};
  AdjustWindowRectExForDpi(&r, kMainStyle, FALSE, kMainExStyle, dpi);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT FitIntoWorkArea(const RECT& window, const RECT& workArea) {
  const ScreenRect fitted = FitIntoWorkArea(ScreenRect{window.left, window.top, window.right, window.bottom},
                                            ScreenRect{workArea.left, workArea.top, workArea.right, workArea.bottom});
  return RECT{fitted.left, fitted.top, fitted.right, fitted.bottom};
}

WindowPlacementFunction SetWindowPlacementFunction(WindowPlacementFunction function) {
  WindowPlacementFunction previous = gReadPlacement;
  gReadPlacement = function != nullptr ? function : GetWindowPlacement;
  return previous;
}

bool RegisterWindowClasses() {
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  HBRUSH face = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  HICON icon = static_cast<HICON>(
      LoadImageW(Process().instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  bool ok = WindowBase::RegisterClass(kMainWindowClass, icon, arrow, face);
  ok = WindowBase::RegisterClass(kTreePanelClass, nullptr, arrow, face) && ok;
  ok = WindowBase::RegisterClass(kMainPanelClass, nullptr, arrow, face) && ok;
  ok = TabPage::RegisterPageClass() && ok;
  ok = InputPreviewBox::RegisterBoxClass() && ok;
  ok = RegisterOutputPreviewClass() && ok;

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                   ICC_PROGRESS_CLASS;
  return InitCommonControlsEx(&controls) && ok;
}

// ---- the main panel -------------------------------------------------------------------------------

HWND MainPanel::Create(HWND parent) {
  const RECT rect96{kTreeColumnWidth, 0, kTreeColumnWidth + kPanelWidth, kMainClientHeight};
  const RECT rect = ScaleRect(rect96, DpiOf(parent));
  HWND panel = WindowBase::Create(0, kMainPanelClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect.left,
                                  rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, IDC_MAIN_PANEL);
  RememberLayout96(panel, rect96);
  return panel;
}

LRESULT MainPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.idFrom == IDC_TAB && header.code == TCN_SELCHANGE) owner_.SwitchTabPage();
      return 0;
    }
    case WM_COMMAND: owner_.OnPanelCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    default: return Default(message, wParam, lParam);
  }
}

// ---- building -------------------------------------------------------------------------------------

MainWindow::MainWindow(WindowSettings settings)
    : settings_(std::move(settings)),
      tree_(*this, settings_.stored.options, settings_.stored.registeredFolders),
      panel_(*this),
      outputPage_(*this, settings_.params, settings_.stored.options),
      inputPage_(*this, settings_.params, settings_.stored.options),
      optionsPage_(*this, settings_.stored.options, settings_.params) {}

MainWindow* MainWindow::Create(WindowSettings settings) {
  RegisterWindowClasses();
  auto* window = new MainWindow(std::move(settings));
  const RECT rect = InitialPlace(window->settings_.stored);
  const DWORD exStyle = kMainExStyle | (window->options().TopMost != 0 ? WS_EX_TOPMOST : 0);
  // From here on the window owns the object (deleted after its last message), also when creation fails.
  if (window->WindowBase::Create(exStyle, kMainWindowClass, L"Quorvix", kMainStyle, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, nullptr) == nullptr)
    return nullptr;
  return window;
}

void MainWindow::Build() {
  taskbarButton_.SetWindow(Handle());
  dpi_.Attach(Handle());
  // Made at the system's DPI; the window's own may differ (another monitor's).
  if (dpi_.Value() != GetDpiForSystem()) {
    const SIZE size = MainWindowOuterSize(dpi_.Value());
    SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  CreateMenuResources();
  ChangeSystemMenu(Handle());
  tooltip_.Create(Handle(), options().TipAct != 0);
  tree_.Create(Handle(), kTreeColumnWidth, kMainClientHeight);
  HWND panel = panel_.Create(Handle());
  BuildFolderFields(panel);
  BuildButtons(panel);
  BuildTabControl(panel);
  ArrangeTabOrder(*this);
  static const wchar_t kFieldTip[] = L"フォルダツリー選択orドラッグ＆ドロップで設定";
  tooltip_.Add(ComboEdit(inputField_), kFieldTip);
  tooltip_.Add(ComboEdit(outputField_), kFieldTip);
}

void MainWindow::BuildFolderFields(HWND panel) {
  constexpr DWORD kLabel = SS_LEFT | SS_ENDELLIPSIS | SS_NOPREFIX;
  constexpr DWORD kCombo = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
  CreatePanelChild(panel, L"Static", L"入力フォルダ", kLabel, kFieldLeft, kInputLabelTop, kFieldLabelWidth,
                   kFieldLabelHeight, IDC_INPUT_LABEL);
  inputField_ = CreatePanelChild(panel, L"ComboBox", L"", kCombo, kFieldLeft, kInputFieldTop, kFieldWidth,
                                 kFieldDropHeight, IDC_INPUT_FOLDER);
  CreatePanelChild(panel, L"Static", L"出力フォルダ", kLabel, kFieldLeft, kOutputLabelTop, kFieldLabelWidth,
                   kFieldLabelHeight, IDC_OUTPUT_LABEL);
  outputField_ = CreatePanelChild(panel, L"ComboBox", L"", kCombo, kFieldLeft, kOutputFieldTop, kFieldWidth,
                                  kFieldDropHeight, IDC_OUTPUT_FOLDER);
  SendMessageW(inputField_, CB_SETEXTENDEDUI, TRUE, 0);
  SendMessageW(outputField_, CB_SETEXTENDEDUI, TRUE, 0);
  FillFolderHistory(inputField_, settings_.stored.inputHistory);
  FillFolderHistory(outputField_, settings_.stored.outputHistory);
}

void MainWindow::BuildButtons(HWND panel) {
  progress_ = CreatePanelChild(panel, PROGRESS_CLASSW, nullptr, 0, kContentLeft, kProgressTop, kContentWidth,
                               kProgressHeight, IDC_PROGRESS);
  SendMessageW(progress_, PBM_SETSTEP, 1, 0);
  SendMessageW(progress_, PBM_SETPOS, 0, 0);
  struct ButtonSpec {
    int id;
    const wchar_t* text;
    int width;
  };
  static const ButtonSpec kButtons[] = {
      {IDC_OUTPUT_PREVIEW, L"出力プレビュー", 86},
      {IDC_FILE_NAME_CHECK, L"ファイル名確認", 86},
      {IDC_CONVERT, L"変換", 112},
      {IDC_STOP, L"中止", 60},
      {IDC_EXIT, L"終了", 60},
      {IDC_HELP_BUTTON, L"ヘルプ", 60},
      {IDC_VERSION, L"\tVer.", 52},
  };
  int x = kContentLeft;
  for (const ButtonSpec& b : kButtons) {
    HWND button = CreatePanelChild(panel, L"Button", b.text, BS_PUSHBUTTON | WS_TABSTOP, x, kButtonTop, b.width,
                                   kButtonHeight, b.id);
    if (b.id == IDC_STOP) stopButton_ = button;
    x += b.width + kButtonGap;
  }
}

// The tab control's display area must hold the largest page (the individual-input page needs 520 x 358),
// so the folder fields above and the buttons below are packed tightly.
void MainWindow::BuildTabControl(HWND panel) {
  tab_ = CreatePanelChild(panel, WC_TABCONTROLW, nullptr, TCS_FIXEDWIDTH | WS_CLIPSIBLINGS, kContentLeft, kTabTop,
                          kContentWidth, kTabAreaHeight, IDC_TAB);
  SendMessageW(tab_, TCM_SETITEMSIZE, 0, MAKELPARAM(dpi_.Scale(kTabWidth), dpi_.Scale(kTabHeight)));
  static const wchar_t* const kTabs[] = {L"出力設定", L"個別入力", L"オプション"};
  for (int i = 0; i < 3; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kTabs[i]);
    SendMessageW(tab_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  RECT area{};
  GetClientRect(tab_, &area);
  SendMessageW(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  outputPage_.Create(tab_, area);
  inputPage_.Create(tab_, area);
  optionsPage_.Create(tab_, area);
  outputPage_.ApplyEnabling();
  SendMessageW(tab_, TCM_SETCURSEL, 0, 0);
  SwitchTabPageWithoutFocus();
}

// ---- the folder fields and the pages --------------------------------------------------------------

void MainWindow::SetInputFolder(const std::wstring& folder) {
  if (inputField_ != nullptr) SetWindowTextW(inputField_, folder.c_str());
  inputPage_.LoadFolder(folder);
  watch_.Rearm(folder, inputPage_.ListsTree());
}

void MainWindow::SetOutputFolder(const std::wstring& folder) {
  if (outputField_ != nullptr) SetWindowTextW(outputField_, folder.c_str());
}

bool MainWindow::DropFolderAt(POINT screenPoint, const std::wstring& folder) {
  return ApplyDropToField(*this, screenPoint, folder);
}

TaskbarProgress* MainWindow::SetTaskbarProgress(TaskbarProgress* progress) {
  TaskbarProgress* previous = taskbar_;
  taskbar_ = progress != nullptr ? progress : &taskbarButton_;
  return previous;
}

int MainWindow::ShowMessage(MessageCode code) const { return ShowAppMessage(Handle(), code); }

void MainWindow::SwitchTabPageWithoutFocus() {
  const int selected = static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0));
  const HWND pages[3] = {outputPage_.Handle(), inputPage_.Handle(), optionsPage_.Handle()};
  for (int i = 0; i < 3; ++i)
    if (pages[i] != nullptr) ShowWindow(pages[i], i == selected ? SW_SHOW : SW_HIDE);
}

void MainWindow::SwitchTabPage() {
  SetFocus(Handle());
  SwitchTabPageWithoutFocus();
}

void MainWindow::SelectTab(int index) {
  SendMessageW(tab_, TCM_SETCURSEL, index, 0);
  SwitchTabPage();
}

void MainWindow::ToggleTopMost() {
  AppOptions& o = options();
  o.TopMost = o.TopMost != 0 ? 0 : 1;
  SetWindowPos(Handle(), o.TopMost != 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOSENDCHANGING);
}

void MainWindow::OnInputFieldCommand(int code) {
  if (code != CBN_SELCHANGE) return;
  const LRESULT index = SendMessageW(inputField_, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  const LRESULT length = SendMessageW(inputField_, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(inputField_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  SetInputFolder(text);
}

void MainWindow::OnPanelCommand(int id, int code) {
  switch (id) {
    case IDC_INPUT_FOLDER: OnInputFieldCommand(code); return;
    case IDC_OUTPUT_PREVIEW: ShowOutputPreview(*this); return;
    case IDC_FILE_NAME_CHECK: ShowFileNameCheck(*this); return;
    case IDC_CONVERT: RunFolderConversion(*this); return;
    case IDC_HELP_BUTTON: ShowHelp(static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0))); return;
    case IDC_EXIT: SendMessageW(Handle(), WM_CLOSE, 0, 0); return;
    case IDC_VERSION: OpenAboutBox(Handle()); return;
    // "中止" is heard only by a run.
    default: return;
  }
}

// ---- messages -------------------------------------------------------------------------------------

void MainWindow::CreateMenuResources() {
  if (!menuBrush_) menuBrush_.Reset(CreateSolidBrush(GetSysColor(COLOR_MENU)));
  if (!menuFont_) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi_.Value()))
      menuFont_.Reset(CreateFontIndirectW(&metrics.lfMenuFont));
  }
}

// The pages fill the tab control's display area.
void MainWindow::LayOutTabPages() {
  RECT area{};
  GetClientRect(tab_, &area);
  SendMessageW(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  for (HWND page : {outputPage_.Handle(), inputPage_.Handle(), optionsPage_.Handle()})
    if (page != nullptr)
      SetWindowPos(page, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

// Moved to a monitor of another scale (or the scale changed): fonts made again, every control laid out
// again from its 96-DPI place, the sizes inside the controls scaled, and the window takes the rectangle
// the system suggests.
void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_.Change(dpi);
  SendMessageW(tab_, TCM_SETITEMSIZE, 0, MAKELPARAM(dpi_.Scale(kTabWidth), dpi_.Scale(kTabHeight)));
  LayOutTabPages();
  inputPage_.ApplyDpi();
  tree_.ApplyDpi();
  tooltip_.ApplyDpi();
  menuFont_.Reset();
  CreateMenuResources();
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void MainWindow::DeleteMenuResources() {
  menuBrush_.Reset();
  menuFont_.Reset();
}

// On creation and after every move: learns the offset between the two coordinate spaces.
void MainWindow::OnMove() {
  if (IsIconic(Handle())) return;
  RECT rect{};
  WINDOWPLACEMENT placement;
  if (!GetWindowRect(Handle(), &rect) || !ReadPlacement(Handle(), placement)) return;
  placementOffset_ = POINT{rect.left - placement.rcNormalPosition.left, rect.top - placement.rcNormalPosition.top};
}

bool MainWindow::NormalPosition(POINT& position) const {
  if (!IsIconic(Handle())) {
    RECT rect{};
    if (!GetWindowRect(Handle(), &rect)) return false;
    position = POINT{rect.left, rect.top};
    return true;
  }
  WINDOWPLACEMENT placement;
  if (!ReadPlacement(Handle(), placement)) return false;
  position =
      POINT{placement.rcNormalPosition.left + placementOffset_.x, placement.rcNormalPosition.top + placementOffset_.y};
  return true;
}

void MainWindow::DeferDrop(HDROP drop) {
  deferredDrops_.push_back(drop);
  SetTimer(Handle(), kDeferredDropTimer, kDeferredDropPollMs, nullptr);
}

void MainWindow::OnTimer(UINT_PTR id) {
  if (id != kDeferredDropTimer || runActive_) return;
  KillTimer(Handle(), id);
  std::vector<HDROP> drops;
  drops.swap(deferredDrops_);
  for (HDROP drop : drops) HandleDrop(*this, drop);
}

void MainWindow::ShutDown() {
  tree_.ShutDown();
  inputPage_.RestoreListProcedure();
  watch_.Close();
  inputPage_.ReleasePreview();
  outputPage_.StoreFields();
  StoredAppState& stored = settings_.stored;
  stored.options.IEPath = FolderFieldText(inputField_);
  stored.options.OEPath = FolderFieldText(outputField_);
  DeleteMenuResources();
  stored.inputHistory = FolderHistory(inputField_);
  stored.outputHistory = FolderHistory(outputField_);
  // The normal place on screen, also while minimised (as after a direct conversion), in the screen
  // coordinates that Create takes.
  POINT position{};
  if (NormalPosition(position)) {
    stored.winX = position.x;
    stored.winY = position.y;
    stored.hasWindowPosition = true;
  }
  if (!Process().settingsPath.empty()) SaveSettings(Process().settingsPath, settings_.params, stored);
}

void MainWindow::OnFinalMessage() {
  dpi_.Detach();
  for (HDROP drop : deferredDrops_) DragFinish(drop);
  delete this;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: Build(); return 0;
    case WM_MOVE: OnMove(); break;
    case WM_CLOSE:
      ShutDown();
      DestroyWindow(Handle());
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      DeleteMenuResources();
      CreateMenuResources();
      ApplySystemColourChange(Handle(), message == WM_SYSCOLORCHANGE);
      break;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_DPICHANGED: OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN: SetFocus(Handle()); break;
    case WM_SYSCOMMAND:
      if (LOWORD(wParam) != IDM_TOPMOST) break;
      ToggleTopMost();
      return 0;
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDBLCLK: ToggleTopMost(); return 0;
    case WM_INITMENUPOPUP:
      if (HIWORD(lParam) != 0)
        CheckMenuItem(reinterpret_cast<HMENU>(wParam), IDM_TOPMOST,
                      MF_BYCOMMAND | (options().TopMost != 0 ? MF_CHECKED : MF_UNCHECKED));
      break;
    case WM_DROPFILES: HandleDrop(*this, reinterpret_cast<HDROP>(wParam)); return 0;
    default:
      if (message != 0 && message == TaskbarButtonCreatedMessage()) taskbarButton_.ButtonCreated();
      break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace qv
