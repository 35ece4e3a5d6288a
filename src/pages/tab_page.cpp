// The page window shared by the three tab pages.
#include "pages/tab_page.h"

#include "platform/win32/unique_handles.h"

namespace qv {

const wchar_t kTabPageClass[] = L"Quorvix_tabbase_class";

namespace {

constexpr COLORREF kPageFrameColour = RGB(0xE0, 0xE0, 0xE0);

bool IsMouseButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

}  // namespace

bool TabPage::RegisterPageClass() {
  return RegisterClass(kTabPageClass, nullptr, LoadCursorW(nullptr, IDC_ARROW), nullptr);
}

HWND TabPage::CreatePage(HWND tab, const RECT& area, int id, DWORD style, DWORD exStyle) {
  RegisterPageClass();
  return Create(exStyle, kTabPageClass, L"", style | WS_CHILD, area.left, area.top, area.right - area.left,
                area.bottom - area.top, tab, id);
}

LRESULT TabPage::OnNotify(const NMHDR&) { return 0; }

void TabPage::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT client;
  GetClientRect(Handle(), &client);
  const UniqueGdiObject<HBRUSH> frame(CreateSolidBrush(kPageFrameColour));
  FrameRect(dc, &client, frame.Get());
  EndPaint(Handle(), &ps);
}

LRESULT TabPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsMouseButtonDown(message)) SetFocus(GetAncestor(Handle(), GA_ROOT));
  switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_CTLCOLORBTN: return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    default: return Default(message, wParam, lParam);
  }
}

}  // namespace qv
