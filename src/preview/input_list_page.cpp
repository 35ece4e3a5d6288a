// The individual-input tab page: list of the input folder's JPEG files with check boxes, the input
// preview box with its two lines, the ON/OFF buttons and the file count. The list control is the only
// record of which files are included; conversion work goes through engine/ and batch/.
#include "preview/input_list_page.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "batch/input_listing.h"
#include "batch/messages.h"
#include "engine/conversion.h"
#include "platform/directory.h"
#include "platform/files.h"
#include "platform/system_folders.h"
#include "preview/fit.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/pages.h"
#include "shell/window_run_host.h"

namespace qv {

const wchar_t kInputPreviewClass[] = L"Quorvix_isetprv_class";

namespace {

constexpr wchar_t kTabPageClass[] = L"Quorvix_tabbase_class";
constexpr wchar_t kOriginalProcProperty[] = L"Quorvix.ListProc";
constexpr int kPathChars = 260;

// What the preview box shows. The pixel block comes from the decoder (AllocatePixelBlock) and is owned
// here until it is replaced or cleared. Pixels are present exactly when the path is not empty.
struct InputPreview {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  unsigned char* pixels = nullptr;
  size_t pixelBytes = 0;
  std::wstring path;
};

struct InputListPage {
  HWND page = nullptr;
  HWND list = nullptr;
  HWND previewBox = nullptr;
  HWND nameLine = nullptr;
  HWND infoLine = nullptr;
  HWND count = nullptr;
  // The folder the rows were listed from; empty while the list shows no folder.
  std::wstring folder;
  // Set while this page changes check boxes itself, so the notifications it causes are not acted on.
  bool settingChecks = false;
};

InputPreview g_preview;
InputListPage g_page;

static_assert(sizeof(BITMAPINFOHEADER) == sizeof(BitmapInfoHeader), "decoder header is a BITMAPINFOHEADER");
static_assert(sizeof(RGBQUAD) == sizeof(RgbQuad), "decoder colour entries are RGBQUADs");

void ReleasePreviewPixels() {
  ReleasePixelBlock(g_preview.pixels, g_preview.pixelBytes);
  g_preview.pixels = nullptr;
  g_preview.pixelBytes = 0;
}

void RepaintPreviewBox() {
  if (g_page.previewBox == nullptr) return;
  InvalidateRect(g_page.previewBox, nullptr, FALSE);
  UpdateWindow(g_page.previewBox);
}

LRESULT CALLBACK InputPreviewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintFittedImage(window, reinterpret_cast<const BITMAPINFO*>(&g_preview.info), g_preview.pixels);
      return 0;
    case WM_LBUTTONDOWN:
      LaunchPreviewFile();
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int RowCount() { return g_page.list != nullptr ? ListView_GetItemCount(g_page.list) : 0; }

void SetRowCheck(int row, bool checked) {
  ListView_SetItemState(g_page.list, row, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

std::wstring RowName(int row) {
  wchar_t name[kPathChars + 1] = {};
  ListView_GetItemText(g_page.list, row, 0, name, kPathChars + 1);
  return name;
}

void ShowRowCount() { SetWindowTextW(g_page.count, std::to_wstring(RowCount()).c_str()); }

// Sets the check box of each row for which `include` is true; notifications caused by it are ignored.
template <typename Include>
void SetChecksOfRows(bool checked, Include include) {
  const int rows = RowCount();
  if (rows == 0) return;
  g_page.settingChecks = true;
  for (int row = 0; row < rows; ++row)
    if (include(row)) SetRowCheck(row, checked);
  g_page.settingChecks = false;
}

void AddColumn(int index, const wchar_t* title, int width, int format) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(title);
  column.iSubItem = index;
  ListView_InsertColumn(g_page.list, index, &column);
}

void AppendRow(const InputRow& row) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = RowCount();
  item.pszText = const_cast<wchar_t*>(row.name.c_str());
  item.lParam = row.insertionIndex;
  const int index = ListView_InsertItem(g_page.list, &item);
  if (index < 0) return;
  ListView_SetItemText(g_page.list, index, 1, const_cast<wchar_t*>(row.sizeText.c_str()));
  ListView_SetItemText(g_page.list, index, 2, const_cast<wchar_t*>(row.timeText.c_str()));
}

HWND CreateStatic(const wchar_t* text, DWORD style, int x, int y, int width, int height, int id) {
  return CreateControl(g_page.page, L"STATIC", text, WS_VISIBLE | style, x, y, width, height, id);
}

// Width of `text` in the user-interface font, in pixels.
int TextWidth(HWND window, const wchar_t* text) {
  HDC dc = GetDC(window);
  if (dc == nullptr) return 0;
  HGDIOBJ old = SelectObject(dc, App().uiFont != nullptr ? App().uiFont : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size.cx;
}

// A label of at least `width` pixels that grows to show its whole text where the font in use is wider
// than planned; returns the width it got, so the controls after it on the row can move along.
int CreateFittedLabel(const wchar_t* text, int x, int y, int width, int height, int id) {
  const int fitted = std::max(width, TextWidth(g_page.page, text) + 2);
  CreateStatic(text, 0, x, y, fitted, height, id);
  return fitted;
}

HWND CreateButton(const wchar_t* text, int x, int y, int id) {
  return CreateControl(g_page.page, L"BUTTON", text, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x, y, 40, 20, id);
}

void CreateFileList() {
  g_page.list = CreateControl(g_page.page, WC_LISTVIEWW, L"",
                              WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, 6, 12,
                              296, 331, IDC_INPUT_LIST, WS_EX_CLIENTEDGE);
  if (g_page.list == nullptr) return;
  const DWORD extended = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
  ListView_SetExtendedListViewStyleEx(g_page.list, extended, extended);
  AddColumn(0, L"ファイル名", 134, LVCFMT_LEFT);
  AddColumn(1, L"サイズ", 63, LVCFMT_RIGHT);
  AddColumn(2, L"更新日時", 78, LVCFMT_LEFT);
}

}  // namespace

// ---- preview box ----------------------------------------------------------------------------------

bool RegisterInputPreviewClass(HINSTANCE instance) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, kInputPreviewClass, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = InputPreviewProcedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_HAND);
  wc.hbrBackground = nullptr;  // the paint routine covers every pixel
  wc.lpszClassName = kInputPreviewClass;
  return RegisterClassExW(&wc) != 0;
}

void PaintFittedImage(HWND window, const BITMAPINFO* info, const void* pixels) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(window, &client);
  const HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  const int32_t width = info != nullptr ? info->bmiHeader.biWidth : 0;
  // A top-down bitmap (negative height) has the same size; the stretch below handles its row order.
  const int32_t height = info != nullptr ? std::abs(info->bmiHeader.biHeight) : 0;
  if (pixels == nullptr || width <= 0 || height <= 0) {
    FillRect(dc, &client, face);
    EndPaint(window, &paint);
    return;
  }
  const int32_t boxWidth = client.right - client.left, boxHeight = client.bottom - client.top;
  const FittedImage fit = FitImageInBox(boxWidth, boxHeight, width, height);
  for (const PixelRect& band : MarginsAround(fit, boxWidth, boxHeight)) {
    if (band.IsEmpty()) continue;
    const RECT r = {band.left, band.top, band.right, band.bottom};
    FillRect(dc, &r, face);
  }
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, fit.x, fit.y, fit.width, fit.height, 0, 0, width, height, pixels, info, DIB_RGB_COLORS,
                SRCCOPY);
  EndPaint(window, &paint);
}

bool LoadInputPreview(const std::wstring& path) {
  CodecStates states;
  ConversionContext context;
  context.params = &App().params;
  context.states = &states;
  bool shown = false;
  // The preview shows the photo unscaled, whatever the runs' scale.
  if (PrepareCodecStates(states) && LoadInputImage(context, path, 0)) {
    if (!g_preview.path.empty()) {
      ReleasePreviewPixels();
      g_preview.path.clear();
    }
    DecodedImage& image = states.decoder->image;
    std::memcpy(&g_preview.info.header, &image.header, sizeof(g_preview.info.header));
    std::memcpy(g_preview.info.colors, image.colorTable, sizeof(g_preview.info.colors));
    g_preview.pixels = image.pixels;
    g_preview.pixelBytes = image.pixelBytes;
    image.pixels = nullptr;
    image.pixelBytes = 0;
    RepaintPreviewBox();
    g_preview.path = path;
    SetWindowTextW(g_page.nameLine, LastPathComponent(path).c_str());
    wchar_t info[64];
    std::swprintf(info, sizeof(info) / sizeof(info[0]), L"%d x %d    %dbit", context.loaded.width,
                  context.loaded.height, context.loaded.bitsPerPixel);
    SetWindowTextW(g_page.infoLine, info);
    shown = true;
  }
  ReleaseCodecStates(states);
  return shown;
}

void ClearInputPreview() {
  ReleasePreviewPixels();
  RepaintPreviewBox();
  if (g_page.nameLine != nullptr) SetWindowTextW(g_page.nameLine, L"");
  if (g_page.infoLine != nullptr) SetWindowTextW(g_page.infoLine, L"");
  g_preview.path.clear();
}

const std::wstring& InputPreviewPath() { return g_preview.path; }

std::wstring QuoteSpacesForShell(const std::wstring& path) {
  wchar_t buffer[kPathChars] = {};
  lstrcpynW(buffer, path.c_str(), kPathChars);
  PathQuoteSpacesW(buffer);
  return buffer;
}

void LaunchPreviewFile() {
  if (g_preview.path.empty()) return;
  const std::wstring file = QuoteSpacesForShell(g_preview.path);
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof(execute);
  execute.fMask = SEE_MASK_FLAG_NO_UI;
  execute.lpFile = file.c_str();
  execute.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&execute)) ShowAppMessage(MessageCode::kExecuteFailed);
}

// ---- list ---------------------------------------------------------------------------------------

void InstallListScrollHook(HWND list) {
  if (list == nullptr || GetPropW(list, kOriginalProcProperty) != nullptr) return;
  const LONG_PTR original = GetWindowLongPtrW(list, GWLP_WNDPROC);
  SetPropW(list, kOriginalProcProperty, reinterpret_cast<HANDLE>(original));
  SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListScrollHook));
}

void RemoveListScrollHook(HWND list) {
  if (list == nullptr) return;
  HANDLE original = GetPropW(list, kOriginalProcProperty);
  if (original == nullptr) return;
  // Someone who subclassed the list after us keeps the hook in the chain; taking it out would cut
  // them off too.
  if (GetWindowLongPtrW(list, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(ListScrollHook)) return;
  SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  RemovePropW(list, kOriginalProcProperty);
}

LRESULT CALLBACK ListScrollHook(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(list, kOriginalProcProperty));
  if (original == nullptr) return DefWindowProcW(list, message, wParam, lParam);
  if (message == WM_VSCROLL && LOWORD(wParam) == SB_ENDSCROLL) {
    CallWindowProcW(original, list, message, wParam, lParam);
    InvalidateRect(list, nullptr, FALSE);
    UpdateWindow(list);
    return 0;
  }
  if (message == WM_NCDESTROY) RemovePropW(list, kOriginalProcProperty);  // last message of the window
  return CallWindowProcW(original, list, message, wParam, lParam);
}

void OnListItemChanged(const NMLISTVIEW& change) {
  if (g_page.settingChecks || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0) return;
  const int selected = static_cast<int>(ListView_GetSelectedCount(g_page.list));
  if (selected == 1) {
    const bool becameSelected = (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
    // A row names a file of the folder it was listed from, whatever the input field says by now. A file
    // that cannot be shown clears the preview, so that no other photo stands beside the selected row.
    if (becameSelected && !LoadInputPreview(JoinPath(g_page.folder, RowName(change.iItem)))) ClearInputPreview();
  } else if (selected > 1) {
    if ((ListView_GetItemState(g_page.list, change.iItem, LVIS_SELECTED) & LVIS_SELECTED) == 0) return;
    const UINT oldImage = (change.uOldState & LVIS_STATEIMAGEMASK) >> 12;
    const UINT newImage = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
    if (oldImage != newImage && (newImage == 1 || newImage == 2)) SetSelectedCheckState(newImage == 2);
  }
}

void CheckAllItems(bool checked) {
  SetChecksOfRows(checked, [](int) { return true; });
}

void SetSelectedCheckState(bool checked) {
  SetChecksOfRows(checked, [](int row) {
    return (ListView_GetItemState(g_page.list, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  });
}

// ---- the page as the main window sees it (shell/pages.h) ------------------------------------------

HWND CreateInputListPage(HWND tab, const RECT& area) {
  RegisterInputPreviewClass(App().instance);
  g_page = InputListPage{};
  g_page.page = CreateWindowExW(0, kTabPageClass, L"", WS_CHILD, area.left, area.top, area.right - area.left,
                                area.bottom - area.top, tab,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PAGE_INPUT_LIST)), App().instance,
                                nullptr);
  if (g_page.page == nullptr) return nullptr;
  CreateFileList();
  g_page.previewBox = CreateWindowExW(WS_EX_STATICEDGE, kInputPreviewClass, L"", WS_CHILD | WS_VISIBLE, 312, 12, 202,
                                      202, g_page.page,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_INPUT_PREVIEW)),
                                      App().instance, nullptr);
  g_page.nameLine = CreateStatic(L"", SS_CENTER | SS_ENDELLIPSIS, 312, 215, 202, 14, IDC_PREVIEW_NAME);
  g_page.infoLine = CreateStatic(L"", SS_CENTER | SS_ENDELLIPSIS, 312, 230, 202, 14, IDC_PREVIEW_INFO);
  const int checksLabel = CreateFittedLabel(L"全チェックボックス", 312, 302, 85, 15, IDC_ALL_CHECKS_LABEL);
  CreateButton(L"ON", 313 + checksLabel, 298, IDC_ALL_ON);
  CreateButton(L"OFF", 353 + checksLabel, 298, IDC_ALL_OFF);
  const int totalLabel = CreateFittedLabel(L"総ファイル数:", 312, 328, 65, 15, IDC_TOTAL_LABEL);
  g_page.count = CreateStatic(L"", 0, 313 + totalLabel, 328, 32, 12, IDC_TOTAL_COUNT);
  AddTooltip(g_page.list, L"選択でプレビュー画像表示");
  AddTooltip(g_page.previewBox, L"プレビュー画像クリックで関連付けプログラム起動");
  // After the tooltip's own subclassing, so that the hook is on top and can be taken off at shut-down.
  InstallListScrollHook(g_page.list);
  return g_page.page;
}

bool OnInputListCommand(int id, int code, HWND /*control*/) {
  if (id < IDC_INPUT_LIST || id > IDC_PREVIEW_INFO) return false;
  if (code == BN_CLICKED && id == IDC_ALL_ON) CheckAllItems(true);
  if (code == BN_CLICKED && id == IDC_ALL_OFF) CheckAllItems(false);
  return true;
}

LRESULT OnInputListNotify(const NMHDR& header) {
  if (header.hwndFrom == g_page.list && header.hwndFrom != nullptr && header.code == LVN_ITEMCHANGED)
    OnListItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
  return 0;
}

void LoadInputFolder(const std::wstring& folder) {
  if (g_page.list == nullptr) return;
  SendMessageW(g_page.list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(g_page.list);
  if (!g_preview.path.empty()) ClearInputPreview();
  g_page.folder = IsExistingFolder(folder) ? folder : std::wstring();
  const std::vector<InputRow> rows = ListInputFolder(folder, App().stored.options.Hidden);
  for (const InputRow& row : rows) AppendRow(row);
  ShowRowCount();
  CheckAllItems(true);
  SendMessageW(g_page.list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(g_page.list, nullptr, TRUE);
}

std::vector<RunRow> InputListRows() {
  std::vector<RunRow> rows;
  const int count = RowCount();
  rows.reserve(static_cast<size_t>(count));
  for (int row = 0; row < count; ++row) rows.push_back(RunRow{RowName(row), ListView_GetCheckState(g_page.list, row) != 0});
  return rows;
}

const std::wstring& InputListFolder() { return g_page.folder; }

void RemoveInputRows(const std::vector<std::wstring>& names) {
  if (names.empty() || RowCount() == 0) return;
  for (int row = RowCount() - 1; row >= 0; --row) {
    const std::wstring name = RowName(row);
    for (const std::wstring& removed : names) {
      if (!NamesEqualIgnoringCase(name, removed)) continue;
      if (!g_preview.path.empty() && NamesEqualIgnoringCase(g_preview.path, JoinPath(g_page.folder, name)))
        ClearInputPreview();
      ListView_DeleteItem(g_page.list, row);
      break;
    }
  }
  ShowRowCount();
}

void SetInputRowChecks(const std::vector<bool>& checked) {
  const int count = RowCount();
  g_page.settingChecks = true;
  for (int row = 0; row < count && static_cast<size_t>(row) < checked.size(); ++row)
    SetRowCheck(row, checked[static_cast<size_t>(row)]);
  g_page.settingChecks = false;
}

void ReleaseInputPreview() {
  if (g_preview.path.empty()) return;
  ClearInputPreview();
  if (g_page.list != nullptr) ListView_SetItemState(g_page.list, -1, 0, LVIS_SELECTED);
}

void RestoreInputListProcedure() { RemoveListScrollHook(g_page.list); }

}  // namespace qv
