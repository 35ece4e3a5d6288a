// The input preview box and the fitted painting.
#include "preview/input_preview.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cstring>

#include "batch/messages.h"
#include "engine/conversion.h"
#include "preview/fit.h"
#include "ui/dpi.h"
#include "ui/message_box.h"

namespace qv {

const wchar_t kInputPreviewClass[] = L"Quorvix_isetprv_class";

namespace {

static_assert(sizeof(BITMAPINFOHEADER) == sizeof(BitmapInfoHeader), "decoder header is a BITMAPINFOHEADER");
static_assert(sizeof(RGBQUAD) == sizeof(RgbQuad), "decoder colour entries are RGBQUADs");

}  // namespace

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
  StretchDIBits(dc, fit.x, fit.y, fit.width, fit.height, 0, 0, width, height, pixels, info, DIB_RGB_COLORS, SRCCOPY);
  EndPaint(window, &paint);
}

std::wstring QuoteSpacesForShell(const std::wstring& path) {
  // The shell's rule works in a buffer of MAX_PATH characters; a longer path gets the same by hand.
  if (path.size() + 2 >= MAX_PATH) return path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
  wchar_t buffer[MAX_PATH] = {};
  lstrcpynW(buffer, path.c_str(), MAX_PATH);
  PathQuoteSpacesW(buffer);
  return buffer;
}

bool InputPreviewBox::RegisterBoxClass() {
  // The paint routine covers every pixel: no background brush.
  return RegisterClass(kInputPreviewClass, nullptr, LoadCursorW(nullptr, IDC_HAND), nullptr);
}

HWND InputPreviewBox::Create(HWND parent, int x, int y, int width, int height, int id) {
  RegisterBoxClass();
  const RECT rect96{x, y, x + width, y + height};
  const RECT rect = ScaleRect(rect96, DpiOf(parent));
  HWND box = WindowBase::Create(WS_EX_STATICEDGE, kInputPreviewClass, L"", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent, id);
  RememberLayout96(box, rect96);
  return box;
}

bool InputPreviewBox::Load(const std::wstring& path, const ConversionParams& params, int& width, int& height,
                           int& bits) {
  CodecStates states;
  ConversionContext context;
  context.params = &params;
  context.states = &states;
  bool shown = false;
  // The preview shows the photo unscaled, whatever the runs' scale.
  if (PrepareCodecStates(states) && LoadInputImage(context, path, 0)) {
    DecodedImage& image = states.decoder->image;
    std::memcpy(&info_.header, &image.header, sizeof(info_.header));
    std::memcpy(info_.colors, image.colorTable, sizeof(info_.colors));
    pixels_ = PixelBlock(image.pixels, image.pixelBytes);
    image.pixels = nullptr;
    image.pixelBytes = 0;
    path_ = path;
    Repaint();
    width = context.loaded.width;
    height = context.loaded.height;
    bits = context.loaded.bitsPerPixel;
    shown = true;
  }
  ReleaseCodecStates(states);
  return shown;
}

void InputPreviewBox::Clear() {
  pixels_.Reset();
  path_.clear();
  Repaint();
}

void InputPreviewBox::Repaint() {
  if (Handle() == nullptr) return;
  InvalidateRect(Handle(), nullptr, FALSE);
  UpdateWindow(Handle());
}

void InputPreviewBox::LaunchFile() const {
  if (path_.empty()) return;
  const std::wstring file = QuoteSpacesForShell(path_);
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof(execute);
  execute.fMask = SEE_MASK_FLAG_NO_UI;
  execute.lpFile = file.c_str();
  execute.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&execute)) ShowAppMessage(GetAncestor(Handle(), GA_ROOT), MessageCode::kExecuteFailed);
}

LRESULT InputPreviewBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: PaintFittedImage(Handle(), reinterpret_cast<const BITMAPINFO*>(&info_), pixels_.Data()); return 0;
    case WM_LBUTTONDOWN: LaunchFile(); return 0;
    default: return Default(message, wParam, lParam);
  }
}

}  // namespace qv
