// The page window shared by the three tab pages.
#include "pages/tab_page.h"

#include "ui/paint_colours.h"

namespace qv {

const wchar_t kTabPageClass[] = L"Quorvix_tabbase_class";

namespace {

bool IsMouseButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

}  // namespace

bool TabPage::RegisterPageClass() {
  return RegisterClass(kTabPageClass, nullptr, LoadCursorW(nullptr, IDC_ARROW), nullptr);
}

HWND TabPage::CreatePage(HWND tab, const RECT& area, int id, DWORD style, DWORD exStyle) {
  RegisterPageClass();
  // The dialog manager's Tab navigation descends into the page's controls.
  return Create(exStyle | WS_EX_CONTROLPARENT, kTabPageClass, L"", style | WS_CHILD, area.left, area.top, area.right - area.left,
                area.bottom - area.top, tab, id);
}

LRESULT TabPage::OnNotify(const NMHDR&) { return 0; }

void TabPage::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  FillRect(dc, &ps.rcPaint, PaintBrush(ColourRole::kPageBackground));
  RECT client;
  GetClientRect(Handle(), &client);
  FrameRect(dc, &client, PaintBrush(ColourRole::kPageFrame));
  EndPaint(Handle(), &ps);
}

// Labels, check boxes and buttons on the page's background, their text in the page's text colour.
LRESULT TabPage::OnControlColour(HDC dc) const {
  SetBkColor(dc, PaintColour(ColourRole::kPageBackground));
  SetTextColor(dc, PaintColour(ColourRole::kPageText));
  return reinterpret_cast<LRESULT>(PaintBrush(ColourRole::kPageBackground));
}

LRESULT TabPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsMouseButtonDown(message)) SetFocus(GetAncestor(Handle(), GA_ROOT));
  switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: return OnControlColour(reinterpret_cast<HDC>(wParam));
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    default: return Default(message, wParam, lParam);
  }
}

}  // namespace qv
