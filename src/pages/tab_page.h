// What every tab page has: a child window of the tab control (class "Quorvix_tabbase_class") painted
// white inside a light grey frame, its labels and buttons on white (in the system's window colours under
// high contrast, see ui/paint_colours.h), a click on its empty area giving the
// focus back to the top-level window; and the host that owns it. Each page is a form over the part of
// the settings it edits: it is built from them and writes each change into them as the user makes it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/window_base.h"

namespace qv {

extern const wchar_t kTabPageClass[];  // "Quorvix_tabbase_class"

// What a page needs from the window that holds it.
class PageHost {
 public:
  // The owner of the page's message boxes and dialogs.
  virtual HWND MessageOwner() const = 0;
  // Registers `control` with the window's tooltip.
  virtual void AddTooltip(HWND control, const wchar_t* text) = 0;
  virtual void ActivateTooltips(bool active) = 0;
  // The only ways to set the two folder fields: text set, list reloaded and watch re-armed (input).
  virtual void SetInputFolder(const std::wstring& folder) = 0;
  virtual void SetOutputFolder(const std::wstring& folder) = 0;

 protected:
  ~PageHost() = default;
};

class TabPage : public WindowBase {
 public:
  // Registers the page class (idempotent).
  static bool RegisterPageClass();

 protected:
  explicit TabPage(PageHost& host) : host_(host) {}
  // The page window over `area` of `tab`, with child id `id`.
  HWND CreatePage(HWND tab, const RECT& area, int id, DWORD style, DWORD exStyle = 0);
  HWND Item(int id) const { return GetDlgItem(Handle(), id); }
  bool IsChecked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(int id, bool checked) const {
    SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  PageHost& host() const { return host_; }

  // The page's own commands and notifications.
  virtual void OnCommand(int id, int code, HWND control) = 0;
  virtual LRESULT OnNotify(const NMHDR& header);

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnPaint();
  LRESULT OnControlColour(HDC dc) const;

  PageHost& host_;
};

}  // namespace qv
