// The output preview window.
#include "preview/output_preview.h"

#include <cstdlib>
#include <cstring>

#include "engine/conversion.h"
#include "forms/preview_fit.h"
#include "platform/files.h"
#include "preview/input_preview.h"
#include "resources/resource.h"
#include "ui/dpi.h"
#include "ui/process.h"
#include "ui/window_base.h"

namespace qv {

const wchar_t kOutputPreviewClass[] = L"Rideroz_oprv_class";

namespace {

// The decoded image while the window is open.
struct PreviewImage {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  PixelBlock pixels;
  uint64_t fileBytes = 0;
};

// The frame metrics at the window's DPI and the work area of the monitor it is on, in physical pixels: the
// image is fitted pixel for pixel, never stretched by the display's scale.
PreviewMetrics SystemPreviewMetrics(HWND window) {
  const UINT dpi = DpiOf(window);
  PreviewMetrics m;
  m.caption = GetSystemMetricsForDpi(SM_CYCAPTION, dpi);
  m.frameX = GetSystemMetricsForDpi(SM_CXDLGFRAME, dpi);
  m.frameY = GetSystemMetricsForDpi(SM_CYDLGFRAME, dpi);
  m.minWindowWidth = GetSystemMetricsForDpi(SM_CXMIN, dpi);
  RECT work{};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
    work = monitor.rcWork;
  else
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  m.workLeft = work.left;
  m.workTop = work.top;
  m.workRight = work.right;
  m.workBottom = work.bottom;
  return m;
}

class OutputPreviewDialog : public DialogBase {
 public:
  explicit OutputPreviewDialog(const PreviewImage& image) : image_(image) {}
  void Run(HWND owner) { RunModal(IDD_OUTPUT_PREVIEW, owner); }

  // The image of the dialog that holds `area`; null for any other window.
  static const PreviewImage* ImageOf(HWND area) {
    const auto* dialog = FromHandle<OutputPreviewDialog>(GetParent(area));
    return dialog != nullptr ? &dialog->image_ : nullptr;
  }

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
    switch (message) {
      case WM_INITDIALOG: Fit(); return TRUE;
      case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(Handle(), 0);
        return TRUE;
      default: return FALSE;
    }
  }

 private:
  void Fit() {
    const PreviewPlacement p =
        FitOutputPreview(SystemPreviewMetrics(Handle()), image_.info.header.biWidth, std::abs(image_.info.header.biHeight));
    SetWindowPos(GetDlgItem(Handle(), IDC_OUTPUT_PREVIEW_AREA), nullptr, 0, 0, p.clientWidth, p.clientHeight,
                 SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(Handle(), nullptr, p.x, p.y, p.width, p.height, SWP_NOZORDER);
    SetWindowTextW(Handle(), OutputPreviewTitle(p.zoom, image_.fileBytes).c_str());
  }

  const PreviewImage& image_;
};

LRESULT CALLBACK OutputPreviewAreaProcedure(HWND area, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcW(area, message, wParam, lParam);
  const PreviewImage* image = OutputPreviewDialog::ImageOf(area);
  PaintFittedImage(area, image != nullptr ? reinterpret_cast<const BITMAPINFO*>(&image->info) : nullptr,
                   image != nullptr ? image->pixels.Data() : nullptr);
  return 0;
}

}  // namespace

bool RegisterOutputPreviewClass() {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(Process().instance, kOutputPreviewClass, &existing)) return true;
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  cls.lpfnWndProc = OutputPreviewAreaProcedure;
  cls.hInstance = Process().instance;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.lpszClassName = kOutputPreviewClass;
  return RegisterClassExW(&cls) != 0;
}

bool RunOutputPreviewDialog(HWND owner, const std::wstring& path, const ConversionParams& params) {
  CodecStates states;
  ConversionContext context;
  context.params = &params;
  context.states = &states;
  PreviewImage image;
  // The converted file is decoded at its own size, whatever the runs' scale.
  const bool loaded = PrepareCodecStates(states) && LoadInputImage(context, path, 0);
  if (loaded) {
    DecodedImage& decoded = states.decoder->image;
    std::memcpy(&image.info.header, &decoded.header, sizeof(image.info.header));
    std::memcpy(image.info.colors, decoded.colorTable, sizeof(image.info.colors));
    image.pixels = PixelBlock(decoded.pixels, decoded.pixelBytes);
    image.fileBytes = decoded.fileSize;
    decoded.pixels = nullptr;
    decoded.pixelBytes = 0;
  }
  ReleaseCodecStates(states);
  if (!loaded) return false;
  OutputPreviewDialog(image).Run(owner);
  return true;
}

}  // namespace qv
