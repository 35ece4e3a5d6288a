// The preview box of the individual-input page (class "Quorvix_isetprv_class", 202 x 202): the one selected
// photo at full size, shrunk to fit and centred; a click opens the file with its associated program. Also
// the fitted painting that the output preview shares.
#pragma once

#include <windows.h>

#include <string>

#include "engine/params.h"
#include "platform/files.h"
#include "ui/window_base.h"

namespace qv {

extern const wchar_t kInputPreviewClass[];  // "Quorvix_isetprv_class"

// One whole paint pass of `window` (between BeginPaint and EndPaint): the image shrunk to fit the client
// area and centred, the rest in the button-face colour. `info` is a bitmap header followed by its
// 256-entry colour table; with no pixels the whole area is button face.
void PaintFittedImage(HWND window, const BITMAPINFO* info, const void* pixels);

// `path` as handed to the shell: in double quotes when it contains a space.
std::wstring QuoteSpacesForShell(const std::wstring& path);

class InputPreviewBox : public WindowBase {
 public:
  // Registers the box's window class unless it already is. True when the class exists afterwards.
  static bool RegisterBoxClass();

  // The place is in 96-DPI pixels of the parent, scaled for its window's DPI; the box paints in physical pixels.
  HWND Create(HWND parent, int x, int y, int width, int height, int id);

  // Decodes `path` at full size under `params` (their memory limit) and shows it. On any failure the
  // previous image stays. True when the new image is shown; `width`, `height` and `bits` describe it.
  bool Load(const std::wstring& path, const ConversionParams& params, int& width, int& height, int& bits);
  // Drops the image and repaints the box.
  void Clear();
  // The full path of the shown file; empty when nothing is shown.
  const std::wstring& Path() const { return path_; }
  // Opens the shown file with its associated program; a failure shows "ファイル実行に失敗しました。".
  void LaunchFile() const;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Repaint();

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info_{};
  PixelBlock pixels_;  // present exactly when the path is not empty
  std::wstring path_;
};

}  // namespace qv
