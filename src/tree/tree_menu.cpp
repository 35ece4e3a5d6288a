// The folder tree's context menu.
#include "tree/tree_menu.h"

#include <cwchar>
#include <cwctype>
#include <iterator>

#include "forms/dpi_layout.h"
#include "resources/resource.h"
#include "ui/paint_colours.h"
#include "ui/dpi.h"

namespace qv {

namespace {

struct MenuEntry {
  UINT id;  // 0: separator
  const wchar_t* text;
};

constexpr MenuEntry kEntries[] = {
    {IDM_TREE_OPEN, L"エクスプローラで開く(&X)"},
    {0, nullptr},
    {IDM_TREE_ADD, L"登録フォルダに追加(&A)"},
    {IDM_TREE_REMOVE, L"登録フォルダから除外(&D)"},
    {0, nullptr},
    {IDM_TREE_SET_INPUT, L"入力フォルダ設定(&I)"},
    {IDM_TREE_SET_OUTPUT, L"出力フォルダ設定(&O)"},
    {IDM_TREE_SET_BOTH, L"入出力フォルダ同時設定(&S)"},
    {0, nullptr},
    {IDM_TREE_HIDDEN, L"隠し属性表示(&H)"},
};

constexpr int kExtraWidth = 20;  // measured text plus this much
constexpr int kExtraHeight = 6;
constexpr int kTextLeft = 20;  // the text's area inside the item
constexpr int kTextRight = 12;

bool IsOwnItem(UINT type, ULONG_PTR data) {
  if (type != ODT_MENU || data == 0) return false;
  for (const MenuEntry& entry : kEntries)
    if (entry.text != nullptr && reinterpret_cast<ULONG_PTR>(entry.text) == data) return true;
  return false;
}

void Enable(HMENU menu, UINT id, bool enabled) {
  EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

// The check box: a white square from 4 to 14 pixels (at 96 DPI) right of and below the item's corner,
// framed and crossed in violet (the menu's colours under high contrast).
void DrawCheckBox(HDC dc, POINT corner, int dpi) {
  const auto at = [dpi](LONG origin, int px96) { return origin + ScaleForDpi(px96, dpi); };
  const UniqueGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, PaintColour(ColourRole::kMenuCheckMark)));
  const SelectedObject selectedPen(dc, pen.Get());
  const SelectedObject selectedBrush(dc, PaintBrush(ColourRole::kMenuCheckBox));
  Rectangle(dc, at(corner.x, 4), at(corner.y, 4), at(corner.x, 14), at(corner.y, 14));
  MoveToEx(dc, at(corner.x, 5), at(corner.y, 5), nullptr);
  LineTo(dc, at(corner.x, 13), at(corner.y, 13));
  MoveToEx(dc, at(corner.x, 5), at(corner.y, 12), nullptr);
  LineTo(dc, at(corner.x, 13), at(corner.y, 4));
}

}  // namespace

TreeMenu::~TreeMenu() {
  if (menu_ != nullptr) DestroyMenu(menu_);
}

bool TreeMenu::Create() {
  if (menu_ != nullptr) return true;
  menu_ = CreatePopupMenu();
  if (menu_ == nullptr) return false;
  for (const MenuEntry& entry : kEntries) {
    if (entry.text == nullptr)
      AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuW(menu_, MF_OWNERDRAW, entry.id, reinterpret_cast<LPCWSTR>(entry.text));
  }
  return true;
}

void TreeMenu::Prepare(TreeNodeSort target, bool hiddenShown) const {
  const TreeCommands commands = CommandsFor(target);
  Enable(menu_, IDM_TREE_OPEN, commands.open);
  Enable(menu_, IDM_TREE_ADD, commands.add);
  Enable(menu_, IDM_TREE_REMOVE, commands.remove);
  for (UINT id : {IDM_TREE_SET_INPUT, IDM_TREE_SET_OUTPUT, IDM_TREE_SET_BOTH}) Enable(menu_, id, commands.setFolders);
  Enable(menu_, IDM_TREE_HIDDEN, true);
  CheckMenuItem(menu_, IDM_TREE_HIDDEN, MF_BYCOMMAND | (hiddenShown ? MF_CHECKED : MF_UNCHECKED));
}

LRESULT TreeMenu::ItemOfAccessKey(wchar_t key) const {
  const wint_t wanted = std::towupper(key);
  for (UINT position = 0; position < std::size(kEntries); ++position) {
    const wchar_t* text = kEntries[position].text;
    if (text == nullptr || (GetMenuState(menu_, position, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0) continue;
    const wchar_t* amp = wcschr(text, L'&');
    if (amp == nullptr || amp[1] == L'\0') continue;
    if (std::towupper(amp[1]) == wanted) return MAKELRESULT(position, MNC_EXECUTE);
  }
  return MAKELRESULT(0, MNC_IGNORE);
}

void TreeMenu::Show(HWND owner, POINT screenPoint) const {
  // The system keeps the items' measured sizes: at another DPI they are set again (keeping their states),
  // which has them measured anew.
  if (const UINT dpi = DpiOf(owner); dpi != dpi_) {
    dpi_ = dpi;
    for (const MenuEntry& entry : kEntries) {
      if (entry.text == nullptr) continue;
      const UINT state = GetMenuState(menu_, entry.id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
      ModifyMenuW(menu_, entry.id, MF_BYCOMMAND | MF_OWNERDRAW | state, entry.id, reinterpret_cast<LPCWSTR>(entry.text));
    }
  }
  TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_NOANIMATION, screenPoint.x, screenPoint.y, 0, owner, nullptr);
}

bool TreeMenu::Measure(HWND window, HFONT font, MEASUREITEMSTRUCT& measure) const {
  if (!IsOwnItem(measure.CtlType, measure.itemData)) return false;
  const WindowDc dc(window);
  if (!dc) return false;
  const SelectedObject selected(dc.Get(), font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  RECT text{};
  DrawTextW(dc.Get(), reinterpret_cast<const wchar_t*>(measure.itemData), -1, &text, DT_SINGLELINE | DT_CALCRECT);
  dpi_ = DpiOf(window);
  const int dpi = static_cast<int>(dpi_);
  measure.itemWidth = static_cast<UINT>(text.right - text.left + ScaleForDpi(kExtraWidth, dpi));
  measure.itemHeight = static_cast<UINT>(text.bottom - text.top + ScaleForDpi(kExtraHeight, dpi));
  return true;
}

bool TreeMenu::Draw(HFONT font, HBRUSH menuBrush, const DRAWITEMSTRUCT& draw) const {
  if (!IsOwnItem(draw.CtlType, draw.itemData)) return false;
  HDC dc = draw.hDC;
  const SelectedObject selected(dc, font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  SetBkMode(dc, TRANSPARENT);
  RECT area = draw.rcItem;
  if ((draw.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0) {
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  } else {
    if ((draw.itemState & ODS_SELECTED) != 0) {
      SetTextColor(dc, PaintColour(ColourRole::kMenuSelectionText));
      const UniqueGdiObject<HPEN> frame(CreatePen(PS_SOLID, 1, PaintColour(ColourRole::kMenuSelectionFrame)));
      const SelectedObject pen(dc, frame.Get());
      const SelectedObject brush(dc, PaintBrush(ColourRole::kMenuSelection));
      Rectangle(dc, area.left, area.top, area.right, area.bottom);
    } else {
      SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
      FillRect(dc, &area, menuBrush != nullptr ? menuBrush : GetSysColorBrush(COLOR_MENU));
    }
    if ((draw.itemState & ODS_CHECKED) != 0)
      DrawCheckBox(dc, POINT{area.left, area.top}, static_cast<int>(dpi_));
  }
  const int dpi = static_cast<int>(dpi_);
  RECT text{area.left + ScaleForDpi(kTextLeft, dpi), area.top, area.right - ScaleForDpi(kTextRight, dpi), area.bottom};
  DrawTextW(dc, reinterpret_cast<const wchar_t*>(draw.itemData), -1, &text, DT_SINGLELINE | DT_VCENTER);
  return true;
}

}  // namespace qv
