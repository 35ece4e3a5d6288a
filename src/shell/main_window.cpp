// The main window, the tree panel placeholder, the main panel and the tab-page class. Window procedures
// only dispatch; each message has a small handler. Commands of the pages are handed to their files.
#include "shell/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "forms/window_placement.h"
#include "platform/system_folders.h"
#include "platform/win32/unique_handles.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/drop.h"
#include "shell/folder_fields.h"
#include "shell/pages.h"
#include "shell/startup.h"
#include "shell/window_run_host.h"

namespace qv {

const wchar_t kMainWindowClass[] = L"Quorvix_main_class";
const wchar_t kTreePanelClass[] = L"Quorvix_trbase_class";
const wchar_t kMainPanelClass[] = L"Quorvix_mnbase_class";
const wchar_t kTabPageClass[] = L"Quorvix_tabbase_class";
const wchar_t kOutputPreviewClass[] = L"Rideroz_oprv_class";

namespace {

constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_DLGMODALFRAME | WS_EX_ACCEPTFILES;
constexpr int kPanelWidth = kMainClientWidth - kTreeColumnWidth;  // 540
constexpr int kTabWidth = 176;
constexpr int kTabHeight = 17;
constexpr COLORREF kPageFrameColour = RGB(0xE0, 0xE0, 0xE0);
constexpr UINT kSystemMenuSizeIndex = 4;      // positions in the standard system menu
constexpr UINT kSystemMenuMaximizeIndex = 2;

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

// Menu resources taken from the system for drawing the folder tree's menus.
UniqueGdiObject<HBRUSH> gMenuBrush;
UniqueGdiObject<HFONT> gMenuFont;

WindowPlacementFunction gReadPlacement = GetWindowPlacement;

// Screen coordinates minus placement coordinates, measured whenever the window stands in its normal
// place, where both are known. Windows does not say how to convert them while the window is minimised.
POINT gPlacementOffset{};

HWND CreatePanelChild(HWND panel, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
                      int id) {
  return CreateControl(panel, cls, text, style | WS_VISIBLE, x, y, w, h, id);
}

void FillHistory(HWND combo, const std::vector<std::wstring>& history) {
  for (const std::wstring& entry : history) {
    if (entry.empty()) continue;
    const std::wstring text = entry.substr(0, kMaxPathChars);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

// The edit control inside a drop-down combo box.
HWND ComboEdit(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(combo, &info)) return info.hwndItem;
  return FindWindowExW(combo, nullptr, L"Edit", nullptr);
}

HWND CreateTooltipWindow(HWND owner) {
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, App().instance, nullptr);
  if (tip == nullptr) return nullptr;
  SendMessageW(tip, TTM_SETTIPBKCOLOR, RGB(255, 255, 255), 0);
  SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 400);
  if (App().stored.options.TipAct == 0) SendMessageW(tip, TTM_ACTIVATE, FALSE, 0);
  return tip;
}

void ChangeSystemMenu(HWND window) {
  HMENU menu = GetSystemMenu(window, FALSE);
  if (menu == nullptr) return;
  RemoveMenu(menu, kSystemMenuSizeIndex, MF_BYPOSITION);
  RemoveMenu(menu, kSystemMenuMaximizeIndex, MF_BYPOSITION);
  InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, IDM_TOPMOST, L"常に手前に表示");
  InsertMenuW(menu, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

void BuildMainPanelControls(HWND panel) {
  AppState& app = App();
  constexpr DWORD kLabel = SS_LEFT | SS_ENDELLIPSIS | SS_NOPREFIX;
  constexpr DWORD kCombo = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
  CreatePanelChild(panel, L"Static", L"入力フォルダ", kLabel, kFieldLeft, kInputLabelTop, kFieldLabelWidth,
                   kFieldLabelHeight, IDC_INPUT_LABEL);
  app.inputField = CreatePanelChild(panel, L"ComboBox", L"", kCombo, kFieldLeft, kInputFieldTop, kFieldWidth,
                                    kFieldDropHeight, IDC_INPUT_FOLDER);
  CreatePanelChild(panel, L"Static", L"出力フォルダ", kLabel, kFieldLeft, kOutputLabelTop, kFieldLabelWidth,
                   kFieldLabelHeight, IDC_OUTPUT_LABEL);
  app.outputField = CreatePanelChild(panel, L"ComboBox", L"", kCombo, kFieldLeft, kOutputFieldTop, kFieldWidth,
                                     kFieldDropHeight, IDC_OUTPUT_FOLDER);
  SendMessageW(app.inputField, CB_SETEXTENDEDUI, TRUE, 0);
  SendMessageW(app.outputField, CB_SETEXTENDEDUI, TRUE, 0);
  FillHistory(app.inputField, app.stored.inputHistory);
  FillHistory(app.outputField, app.stored.outputHistory);

  app.progress = CreatePanelChild(panel, PROGRESS_CLASSW, nullptr, 0, kContentLeft, kProgressTop, kContentWidth,
                                  kProgressHeight, IDC_PROGRESS);
  SendMessageW(app.progress, PBM_SETSTEP, 1, 0);
  SendMessageW(app.progress, PBM_SETPOS, 0, 0);

  struct ButtonSpec {
    int id;
    const wchar_t* text;
    int width;
  };
  static const ButtonSpec kButtons[] = {
      {IDC_OUTPUT_PREVIEW, L"出力プレビュー", 86}, {IDC_FILE_NAME_CHECK, L"ファイル名確認", 86},
      {IDC_CONVERT, L"変換", 112},                {IDC_STOP, L"中止", 60},
      {IDC_EXIT, L"終了", 60},                    {IDC_HELP_BUTTON, L"ヘルプ", 60},
      {IDC_VERSION, L"\tVer.", 52},
  };
  int x = kContentLeft;
  for (const ButtonSpec& b : kButtons) {
    HWND button = CreatePanelChild(panel, L"Button", b.text, BS_PUSHBUTTON | WS_TABSTOP, x, kButtonTop, b.width,
                                   kButtonHeight, b.id);
    if (b.id == IDC_STOP) app.stopButton = button;
    x += b.width + kButtonGap;
  }
}

// The tab control's display area must hold the largest page (the individual-input page needs 520 x 358),
// so the folder fields above and the buttons below are packed tightly.
void BuildTabControl(HWND panel) {
  AppState& app = App();
  app.tab = CreatePanelChild(panel, WC_TABCONTROLW, nullptr, TCS_FIXEDWIDTH | WS_CLIPSIBLINGS, kContentLeft, kTabTop,
                             kContentWidth, kTabAreaHeight, IDC_TAB);
  SendMessageW(app.tab, WM_SETFONT, reinterpret_cast<WPARAM>(app.uiFont), FALSE);
  SendMessageW(app.tab, TCM_SETITEMSIZE, 0, MAKELPARAM(kTabWidth, kTabHeight));
  static const wchar_t* const kTabs[] = {L"出力設定", L"個別入力", L"オプション"};
  for (int i = 0; i < 3; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kTabs[i]);
    SendMessageW(app.tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  RECT area{};
  GetClientRect(app.tab, &area);
  SendMessageW(app.tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  app.pages[0] = CreateOutputSettingsPage(app.tab, area);
  app.pages[1] = CreateInputListPage(app.tab, area);
  app.pages[2] = CreateOptionsPage(app.tab, area);
  ApplyOutputSettingsEnabling();
  SendMessageW(app.tab, TCM_SETCURSEL, 0, 0);
  for (int i = 0; i < 3; ++i)
    if (app.pages[i] != nullptr) ShowWindow(app.pages[i], i == 0 ? SW_SHOW : SW_HIDE);
}

void BuildMainWindow(HWND window) {
  AppState& app = App();
  app.mainWindow = window;
  ChangeSystemMenu(window);
  app.tooltip = CreateTooltipWindow(window);
  // The folder tree's content comes with the tree panel's own file; the column is kept empty.
  app.treePanel = CreateWindowExW(0, kTreePanelClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  kTreeColumnWidth, kMainClientHeight, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TREE_PANEL)), app.instance, nullptr);
  app.mainPanel = CreateWindowExW(0, kMainPanelClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                  kTreeColumnWidth, 0, kPanelWidth, kMainClientHeight, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_PANEL)), app.instance, nullptr);
  BuildMainPanelControls(app.mainPanel);
  BuildTabControl(app.mainPanel);
  static const wchar_t kFieldTip[] = L"フォルダツリー選択orドラッグ＆ドロップで設定";
  AddTooltip(ComboEdit(app.inputField), kFieldTip);
  AddTooltip(ComboEdit(app.outputField), kFieldTip);
}

void OnInputFieldCommand(int code) {
  if (code != CBN_SELCHANGE) return;
  HWND field = App().inputField;
  const LRESULT index = SendMessageW(field, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  const LRESULT length = SendMessageW(field, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(field, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  if (text.size() > kMaxPathChars) text.resize(kMaxPathChars);
  SetInputFolder(text);
}

void OnInitMenuPopup(HMENU menu, bool systemMenu) {
  if (!systemMenu) return;
  CheckMenuItem(menu, IDM_TOPMOST,
                MF_BYCOMMAND | (App().stored.options.TopMost != 0 ? MF_CHECKED : MF_UNCHECKED));
}

void OnSettingChange() {
  DeleteMenuResources();
  CreateMenuResources();
}

bool ReadPlacement(HWND window, WINDOWPLACEMENT& placement) {
  placement = WINDOWPLACEMENT{};
  placement.length = sizeof(placement);
  return gReadPlacement(window, &placement) != FALSE;
}

// On creation and after every move: learns the offset between the two coordinate spaces.
void OnMove(HWND window) {
  if (IsIconic(window)) return;
  RECT rect{};
  WINDOWPLACEMENT placement;
  if (!GetWindowRect(window, &rect) || !ReadPlacement(window, placement)) return;
  gPlacementOffset = POINT{rect.left - placement.rcNormalPosition.left, rect.top - placement.rcNormalPosition.top};
}

void OnClose(HWND window) {
  ShutDownMainWindow();
  DestroyWindow(window);
}

void OnDestroy(HWND window) {
  if (App().mainWindow == window) App().mainWindow = nullptr;
  PostQuitMessage(0);
}

// Where a drop lands decides what it does; the drop handle is released there in every case.
void OnDropFiles(HDROP drop) { HandleDrop(drop); }

void FocusMainWindow() {
  if (App().mainWindow != nullptr) SetFocus(App().mainWindow);
}

bool IsMouseButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

void OnPaintPage(HWND page) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(page, &ps);
  FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT client;
  GetClientRect(page, &client);
  const UniqueGdiObject<HBRUSH> frame(CreateSolidBrush(kPageFrameColour));
  FrameRect(dc, &client, frame.Get());
  EndPaint(page, &ps);
}

LRESULT OnPageStaticColour(HDC dc) {
  SetBkColor(dc, RGB(255, 255, 255));
  return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

}  // namespace

SIZE MainWindowOuterSize() {
  RECT r{0, 0, kMainClientWidth, kMainClientHeight};
  AdjustWindowRectEx(&r, kMainStyle, FALSE, kMainExStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT FitIntoWorkArea(const RECT& window, const RECT& workArea) {
  const ScreenRect fitted = FitIntoWorkArea(ScreenRect{window.left, window.top, window.right, window.bottom},
                                            ScreenRect{workArea.left, workArea.top, workArea.right, workArea.bottom});
  return RECT{fitted.left, fitted.top, fitted.right, fitted.bottom};
}

HWND CreateMainWindow() {
  AppState& app = App();
  const SIZE size = MainWindowOuterSize();
  RECT rect{};
  if (app.stored.hasWindowPosition) {
    rect = RECT{app.stored.winX, app.stored.winY, app.stored.winX + size.cx, app.stored.winY + size.cy};
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
  const DWORD exStyle = kMainExStyle | (app.stored.options.TopMost != 0 ? WS_EX_TOPMOST : 0);
  return CreateWindowExW(exStyle, kMainWindowClass, L"Quorvix", kMainStyle, rect.left, rect.top, size.cx, size.cy,
                         nullptr, nullptr, app.instance, nullptr);
}

bool NormalWindowPosition(HWND window, POINT& position) {
  if (!IsIconic(window)) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return false;
    position = POINT{rect.left, rect.top};
    return true;
  }
  WINDOWPLACEMENT placement;
  if (!ReadPlacement(window, placement)) return false;
  position = POINT{placement.rcNormalPosition.left + gPlacementOffset.x,
                   placement.rcNormalPosition.top + gPlacementOffset.y};
  return true;
}

WindowPlacementFunction SetWindowPlacementFunction(WindowPlacementFunction function) {
  WindowPlacementFunction previous = gReadPlacement;
  gReadPlacement = function != nullptr ? function : GetWindowPlacement;
  return previous;
}

void SwitchTabPage() {
  AppState& app = App();
  FocusMainWindow();
  const int selected = static_cast<int>(SendMessageW(app.tab, TCM_GETCURSEL, 0, 0));
  for (int i = 0; i < 3; ++i)
    if (app.pages[i] != nullptr) ShowWindow(app.pages[i], i == selected ? SW_SHOW : SW_HIDE);
}

void SelectTab(int index) {
  SendMessageW(App().tab, TCM_SETCURSEL, index, 0);
  SwitchTabPage();
}

void ToggleTopMost() {
  AppOptions& options = App().stored.options;
  options.TopMost = options.TopMost != 0 ? 0 : 1;
  SetWindowPos(App().mainWindow, options.TopMost != 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOSENDCHANGING);
}

void CreateMenuResources() {
  if (!gMenuBrush) gMenuBrush.Reset(CreateSolidBrush(GetSysColor(COLOR_MENU)));
  if (!gMenuFont) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
      gMenuFont.Reset(CreateFontIndirectW(&metrics.lfMenuFont));
  }
}

void DeleteMenuResources() {
  gMenuBrush.Reset();
  gMenuFont.Reset();
}

void DispatchCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_INPUT_FOLDER: OnInputFieldCommand(code); return;
    case IDC_OUTPUT_FOLDER: return;
    case IDC_OUTPUT_PREVIEW: return;   // the output preview comes with its own window
    case IDC_FILE_NAME_CHECK: ShowFileNameCheck(); return;
    case IDC_CONVERT: RunFolderConversion(); return;
    case IDC_STOP: return;             // only a run listens to it
    case IDC_HELP_BUTTON: return;             // the help file comes with the help part
    case IDC_EXIT: SendMessageW(App().mainWindow, WM_CLOSE, 0, 0); return;
    case IDC_VERSION: return;          // the version window comes with the about part
    default: break;
  }
  if (OnOutputSettingsCommand(id, code, control)) return;
  if (OnInputListCommand(id, code, control)) return;
  OnOptionsCommand(id, code, control);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: BuildMainWindow(window); return 0;
    case WM_MOVE: OnMove(window); break;
    case WM_CLOSE: OnClose(window); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_SETTINGCHANGE: OnSettingChange(); break;
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN: SetFocus(window); break;
    case WM_SYSCOMMAND:
      if (LOWORD(wParam) == IDM_TOPMOST) {
        ToggleTopMost();
        return 0;
      }
      break;
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDBLCLK: ToggleTopMost(); return 0;
    case WM_INITMENUPOPUP: OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0); break;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    default: break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK TreePanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsMouseButtonDown(message)) FocusMainWindow();
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK MainPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.idFrom == IDC_TAB && header.code == TCN_SELCHANGE) SwitchTabPage();
      return 0;
    }
    case WM_COMMAND:
      DispatchCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    default: break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK TabPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsMouseButtonDown(message)) FocusMainWindow();
  switch (message) {
    case WM_PAINT: OnPaintPage(window); return 0;
    case WM_CTLCOLORSTATIC: return OnPageStaticColour(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORBTN: return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_COMMAND:
      DispatchCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.idFrom == IDC_INPUT_LIST) return OnInputListNotify(header);
      break;
    }
    default: break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace qv
