// In-process tests of the registered folders and the folder tree's context menu on the real main window:
// adding with the panel's call, the "追加" button and the menu, removing, what "登録フォルダ" shows after
// folders vanished, the list written at exit, the limit of 100, and the menu's enabling, check mark and
// commands for every kind of node. The menu is opened with WM_CONTEXTMENU on the panel and driven from a
// timer inside its modal loop: the states are read from the open menu, an item is reached with the arrow
// keys and chosen with Enter, or the menu is closed with EndMenu.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "gui_test_support.h"
#include "main_window_fixture.h"
#include "resources/resource.h"
#include "shell/folder_fields.h"
#include "shell/main_window.h"
#include "tree/folder_node.h"
#include "ui/message_box.h"
#include "ui/process.h"

namespace qv {
namespace {

using namespace guitest;

constexpr UINT kMenuIds[] = {IDM_TREE_OPEN,       IDM_TREE_ADD,       IDM_TREE_REMOVE, IDM_TREE_SET_INPUT,
                             IDM_TREE_SET_OUTPUT, IDM_TREE_SET_BOTH, IDM_TREE_HIDDEN};

// One opening of the tree menu, driven by a timer: the item states and the tree's state seen while it
// is open, then either `choose` reached with the down arrow and taken with Enter, or `key` typed (an
// access key), or the menu closed with EndMenu.
struct MenuVisit {
  UINT choose = 0;
  wchar_t key = 0;
  HWND view = nullptr;
  const TreePanel* panel = nullptr;
  bool opened = false;
  bool done = false;  // chosen, typed or closed; closed after all when it stays open
  int ticks = 0;
  int ticksAfterDone = 0;
  std::map<UINT, UINT> states;
  HTREEITEM dropHighlight = nullptr;
  bool menuOpenFlag = false;
};
MenuVisit* gVisit = nullptr;

BOOL CALLBACK FindPopupMenu(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wcscmp(name, L"#32768") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK DriveMenu(HWND, UINT, UINT_PTR, DWORD) {
  MenuVisit& visit = *gVisit;
  if (visit.done) {
    if (++visit.ticksAfterDone == 10) EndMenu();  // a key the menu ignored
    return;
  }
  if (++visit.ticks > 100) {  // the menu never opened, or the item was never reached
    visit.done = true;
    EndMenu();
    return;
  }
  HWND popup = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindPopupMenu, reinterpret_cast<LPARAM>(&popup));
  if (popup == nullptr) return;
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
  if (!visit.opened) {
    visit.opened = true;
    for (UINT id : kMenuIds) visit.states[id] = GetMenuState(menu, id, MF_BYCOMMAND);
    visit.dropHighlight = TreeView_GetDropHilight(visit.view);
    visit.menuOpenFlag = visit.panel->MenuOpen();
  }
  if (visit.key != 0) {
    visit.done = true;
    PostMessageW(popup, WM_CHAR, visit.key, 0);
  } else if (visit.choose == 0) {
    visit.done = true;
    EndMenu();
  } else if ((GetMenuState(menu, visit.choose, MF_BYCOMMAND) & MF_HILITE) != 0) {
    visit.done = true;
    PostMessageW(popup, WM_CHAR, L'\r', 0);
  } else {
    PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
  }
}

bool Enabled(UINT state) { return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0; }

// The helpers are public: the tests' tables call them through the fixture.
class RegisteredFoldersTest : public guitest::MainWindowFixture {
 public:
  void TearDown() override {
    MainWindowFixture::TearDown();  // the window writes the settings file when it closes
    if (!desktopFolder_.empty()) guitest::DeepTreeRemover::RemoveTree(desktopFolder_);
  }

  using MainWindowFixture::Close;
  using MainWindowFixture::W;
  TreePanel& Tree() { return W().tree(); }
  HWND View() { return Tree().View(); }
  HTREEITEM Root() { return Tree().RegisteredRoot(); }
  std::vector<std::wstring>& Registered() { return W().settings().stored.registeredFolders; }
  HWND Button(int id) { return GetDlgItem(Tree().Handle(), id); }
  bool ButtonEnabled(int id) { return IsWindowEnabled(Button(id)) != FALSE; }

  void Click(int id) {
    SendMessageW(Tree().Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Button(id)));
  }

  // Selects `item` with no key held, as a plain click would.
  void Select(HTREEITEM item) {
    BYTE keys[256] = {};
    SetKeyboardState(keys);
    TreeView_SelectItem(View(), item);
  }

  // Collapses and expands `item` with the arrow keys, as the user does: its children are enumerated anew.
  void ExpandAgain(HTREEITEM item) {
    Select(item);
    SendMessageW(View(), WM_KEYDOWN, VK_LEFT, 0);
    SendMessageW(View(), WM_KEYDOWN, VK_RIGHT, 0);
  }

  std::vector<HTREEITEM> Children(HTREEITEM parent) { return guitest::TreeChildren(View(), parent); }
  std::wstring Text(HTREEITEM item) { return guitest::TreeItemText(View(), item); }
  std::vector<std::wstring> ChildTexts(HTREEITEM parent) { return guitest::TreeChildTexts(View(), parent); }

  // The paths of the registered folders' nodes, in tree order.
  std::vector<std::wstring> ShownFolders() {
    std::vector<std::wstring> paths;
    for (HTREEITEM item : Children(Root())) paths.push_back(NodeOfItem(View(), item)->path);
    return paths;
  }

  HTREEITEM ChildNamed(HTREEITEM parent, const std::wstring& text) {
    for (HTREEITEM item : Children(parent))
      if (Text(item) == text) return item;
    return nullptr;
  }

  // Has the item an expand button (children indicator), and is it expanded?
  bool Expandable(HTREEITEM item) {
    TVITEMW data{};
    data.mask = TVIF_HANDLE | TVIF_CHILDREN;
    data.hItem = item;
    TreeView_GetItem(View(), &data);
    return data.cChildren != 0;
  }
  bool Expanded(HTREEITEM item) { return (TreeView_GetItemState(View(), item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0; }

  // Asks the panel for the tree menu at `point` of the tree view as a right-click there would (the
  // keyboard's request without `point`), lets `visit` drive the menu and delivers the command it sent.
  void RequestMenu(MenuVisit& visit, const POINT* point) {
    LPARAM position = -1;
    if (point != nullptr) {
      POINT screen = *point;
      ClientToScreen(View(), &screen);
      position = MAKELPARAM(screen.x, screen.y);
    }
    visit.view = View();
    visit.panel = &Tree();
    gVisit = &visit;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, DriveMenu);
    SendMessageW(Tree().Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(View()), position);
    KillTimer(nullptr, timer);
    gVisit = nullptr;
    PumpMessages(50);
  }

  // The menu at the middle of `item`'s text.
  void OpenMenuOn(HTREEITEM item, MenuVisit& visit) {
    TreeView_EnsureVisible(View(), item);
    RECT r{};
    ASSERT_TRUE(TreeView_GetItemRect(View(), item, &r, TRUE));
    const POINT point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    RequestMenu(visit, &point);
    ASSERT_TRUE(visit.opened);
    EXPECT_LE(visit.ticks, 100) << "the menu did not reach its item";
  }

  std::map<UINT, UINT> MenuStatesOn(HTREEITEM item) {
    MenuVisit visit;
    OpenMenuOn(item, visit);
    return visit.states;
  }

  void Choose(HTREEITEM item, UINT id) {
    MenuVisit visit;
    visit.choose = id;
    OpenMenuOn(item, visit);
  }

  // A folder in the desktop folder, which the tree lists below the desktop node; removed at the end.
  std::wstring DesktopFolder(const std::wstring& name) {
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop);
    desktopFolder_ = std::wstring(desktop) + L"\\" + name;
    CreateDirectoryW(desktopFolder_.c_str(), nullptr);
    return desktopFolder_;
  }

  // The entries of [FolderList] in the settings file, "key=value" each.
  std::vector<std::wstring> SavedFolderList() {
    std::vector<wchar_t> buffer(64 * 1024);
    const DWORD length = GetPrivateProfileSectionW(L"FolderList", buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   Process().settingsPath.c_str());
    std::vector<std::wstring> entries;
    for (const wchar_t* entry = buffer.data(); entry < buffer.data() + length && *entry != L'\0';
         entry += std::wcslen(entry) + 1)
      entries.push_back(entry);
    return entries;
  }

  std::wstring desktopFolder_;
};

// ---- adding and removing --------------------------------------------------------------------------

TEST_F(RegisteredFoldersTest, FirstFolderMakesTheRootExpandableAndTheLastRemovedTakesItsButtonAway) {
  const std::wstring folder = DesktopFolder(L"qv-registered");
  ExpandAgain(Tree().DesktopNode());
  const HTREEITEM onDesktop = ChildNamed(Tree().DesktopNode(), L"qv-registered");
  ASSERT_NE(onDesktop, nullptr);
  ASSERT_EQ(FolderOfItem(View(), onDesktop), folder);

  const struct {
    const char* way;
    void (*add)(RegisteredFoldersTest& test, HTREEITEM node, const std::wstring& folder);
  } kWays[] = {
      {"panel call", [](RegisteredFoldersTest& t, HTREEITEM, const std::wstring& f) { t.Tree().AddRegisteredFolder(f); }},
      {"button 追加",
       [](RegisteredFoldersTest& t, HTREEITEM node, const std::wstring&) {
         t.Select(node);
         t.Click(IDC_REGISTER_ADD);
       }},
      {"menu 5010", [](RegisteredFoldersTest& t, HTREEITEM node, const std::wstring&) { t.Choose(node, IDM_TREE_ADD); }},
  };
  EXPECT_FALSE(Expandable(Root()));  // an empty list
  for (const auto& way : kWays) {
    SCOPED_TRACE(way.way);
    way.add(*this, onDesktop, folder);
    EXPECT_TRUE(Expandable(Root()));
    EXPECT_TRUE(Expanded(Root()));
    EXPECT_EQ(ShownFolders(), std::vector<std::wstring>{folder});
    EXPECT_EQ(ChildTexts(Root()), std::vector<std::wstring>{L"qv-registered"});
    EXPECT_EQ(Registered(), std::vector<std::wstring>{folder});

    Select(Children(Root()).at(0));
    EXPECT_FALSE(ButtonEnabled(IDC_REGISTER_ADD));
    EXPECT_TRUE(ButtonEnabled(IDC_REGISTER_REMOVE));
    Click(IDC_REGISTER_REMOVE);
    EXPECT_TRUE(Registered().empty());
    EXPECT_TRUE(Children(Root()).empty());
    EXPECT_FALSE(Expandable(Root()));
    EXPECT_FALSE(Expanded(Root()));
    EXPECT_EQ(TreeView_GetSelection(View()), nullptr);
    EXPECT_FALSE(ButtonEnabled(IDC_REGISTER_REMOVE));
  }
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(RegisteredFoldersTest, OnlyNewFoldersAreAddedAndLetterCaseCounts) {
  const std::wstring folder = scratch_.folder(L"pic");
  guitest::WriteUtf16File(scratch_.file(L"note.txt"), L"a file");
  Tree().AddRegisteredFolder(folder);
  ASSERT_EQ(Registered().size(), 1u);
  for (const std::wstring& nothingNew : {folder, scratch_.file(L"gone"), scratch_.file(L"note.txt"), std::wstring()}) {
    Tree().AddRegisteredFolder(nothingNew);
    EXPECT_EQ(Registered(), std::vector<std::wstring>{folder});
    EXPECT_EQ(Children(Root()).size(), 1u);
  }
  // Another spelling of the same folder is another entry.
  const std::wstring upper = scratch_.path() + L"\\PIC";
  Tree().AddRegisteredFolder(upper);
  EXPECT_EQ(Registered(), (std::vector<std::wstring>{folder, upper}));
  EXPECT_EQ(ShownFolders(), (std::vector<std::wstring>{folder, upper}));
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(RegisteredFoldersTest, SubfolderOfARegisteredFolderIsAddedWithTheButton) {
  const std::wstring photos = scratch_.folder(L"photos");
  const std::wstring sub = scratch_.folder(L"photos\\2024");
  Tree().AddRegisteredFolder(photos);
  const HTREEITEM registered = Children(Root()).at(0);
  EXPECT_TRUE(Expandable(registered));
  TreeView_Expand(View(), registered, TVE_EXPAND);
  ASSERT_EQ(ChildTexts(registered), std::vector<std::wstring>{L"2024"});
  Select(Children(registered).at(0));
  EXPECT_TRUE(ButtonEnabled(IDC_REGISTER_ADD));
  EXPECT_FALSE(ButtonEnabled(IDC_REGISTER_REMOVE));
  Click(IDC_REGISTER_ADD);
  EXPECT_EQ(Registered(), (std::vector<std::wstring>{photos, sub}));
  EXPECT_EQ(ShownFolders(), (std::vector<std::wstring>{photos, sub}));
  // "除外" on a sub-folder leaves it alone.
  Click(IDC_REGISTER_REMOVE);
  EXPECT_EQ(Registered().size(), 2u);
}

TEST_F(RegisteredFoldersTest, RegisteredFoldersAreListedInNaturalOrderOfTheirNames) {
  for (const wchar_t* name : {L"pic10", L"pic9", L"Pic1", L"album"}) Tree().AddRegisteredFolder(scratch_.folder(name));
  ExpandAgain(Root());
  EXPECT_EQ(ChildTexts(Root()), (std::vector<std::wstring>{L"album", L"Pic1", L"pic9", L"pic10"}));
  // The list itself keeps the order of adding.
  EXPECT_EQ(Registered().front(), scratch_.file(L"pic10"));
}

TEST_F(RegisteredFoldersTest, VanishedFoldersDropOutAtTheNextExpansionAndAtExit) {
  std::vector<std::wstring> folders;
  for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) folders.push_back(scratch_.folder(name));
  for (const std::wstring& folder : folders) Tree().AddRegisteredFolder(folder);
  ASSERT_EQ(Registered(), folders);

  ASSERT_TRUE(RemoveDirectoryW(folders[0].c_str()));
  ASSERT_TRUE(RemoveDirectoryW(folders[2].c_str()));
  EXPECT_EQ(Children(Root()).size(), 4u);  // the tree shows what it enumerated until it enumerates again
  ExpandAgain(Root());
  EXPECT_EQ(ChildTexts(Root()), (std::vector<std::wstring>{L"b", L"d"}));
  EXPECT_EQ(Registered(), (std::vector<std::wstring>{folders[1], folders[3]}));

  // Vanished after the last expansion: left out when the list is written, the rest numbered from 0.
  ASSERT_TRUE(RemoveDirectoryW(folders[1].c_str()));
  const std::wstring e = scratch_.folder(L"e");
  Tree().AddRegisteredFolder(e);
  Close();
  EXPECT_EQ(SavedFolderList(), (std::vector<std::wstring>{L"0=" + folders[3], L"1=" + e}));
}

class FullRegisteredListTest : public RegisteredFoldersTest {
 public:
  void Configure() override {
    for (int i = 0; i < 100; ++i)
      settings_.stored.registeredFolders.push_back(scratch_.folder(L"f" + std::to_wstring(i)));
  }
};

TEST_F(FullRegisteredListTest, HundredAndFirstFolderIsRefusedWithAMessage) {
  ASSERT_EQ(Children(Root()).size(), 100u);
  Tree().AddRegisteredFolder(scratch_.file(L"f7"));  // registered already: nothing, not even a message
  EXPECT_TRUE(boxes_.boxes.empty());

  Tree().AddRegisteredFolder(scratch_.folder(L"one more"));
  EXPECT_EQ(Registered().size(), 100u);
  EXPECT_EQ(Children(Root()).size(), 100u);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, kRegisteredFolderLimitText);
  EXPECT_EQ(boxes_.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(boxes_.boxes[0].caption, L"Quorvix") << "warnings carry the program's name as caption";
}

// ---- the menu -------------------------------------------------------------------------------------

TEST_F(RegisteredFoldersTest, ButtonsAndMenuItemsFollowTheKindOfNode) {
  const std::wstring onDesktop = DesktopFolder(L"qv-menu");
  const std::wstring photos = scratch_.folder(L"photos");
  scratch_.folder(L"photos\\2024");
  ExpandAgain(Tree().DesktopNode());
  Tree().AddRegisteredFolder(photos);
  const HTREEITEM registered = Children(Root()).at(0);
  TreeView_Expand(View(), registered, TVE_EXPAND);
  // A node of the desktop without a filesystem folder: the recycle bin when there is one.
  HTREEITEM virtualNode = ChildNamed(Tree().DesktopNode(), L"ごみ箱");
  for (HTREEITEM item : Children(Tree().DesktopNode()))
    if (virtualNode == nullptr && SortOfItem(View(), item) == TreeNodeSort::kNamespaceOther) virtualNode = item;
  ASSERT_NE(virtualNode, nullptr);
  ASSERT_EQ(SortOfItem(View(), virtualNode), TreeNodeSort::kNamespaceOther);

  const struct {
    const char* node;
    HTREEITEM item;
    bool open, add, remove, setFolders;
  } kNodes[] = {
      {"登録フォルダ", Root(), false, false, false, false},
      {"registered folder", registered, true, false, true, true},
      {"its sub-folder", Children(registered).at(0), true, true, false, true},
      {"desktop folder", ChildNamed(Tree().DesktopNode(), L"qv-menu"), true, true, false, true},
      {"desktop", Tree().DesktopNode(), true, true, false, true},
      {"virtual node", virtualNode, true, false, false, false},
  };
  for (const auto& node : kNodes) {
    SCOPED_TRACE(node.node);
    ASSERT_NE(node.item, nullptr);
    // Another item selected: Wine's tree view ignores a drop highlight asked for the selected item, and
    // so also its removal while nothing is selected.
    Select(node.item == Root() ? Tree().DesktopNode() : Root());
    MenuVisit visit;
    OpenMenuOn(node.item, visit);
    EXPECT_EQ(Enabled(visit.states[IDM_TREE_OPEN]), node.open);
    EXPECT_EQ(Enabled(visit.states[IDM_TREE_ADD]), node.add);
    EXPECT_EQ(Enabled(visit.states[IDM_TREE_REMOVE]), node.remove);
    for (UINT id : {IDM_TREE_SET_INPUT, IDM_TREE_SET_OUTPUT, IDM_TREE_SET_BOTH})
      EXPECT_EQ(Enabled(visit.states[id]), node.setFolders) << id;
    EXPECT_TRUE(Enabled(visit.states[IDM_TREE_HIDDEN]));
    for (UINT id : kMenuIds) EXPECT_NE(visit.states[id] & MF_OWNERDRAW, 0u) << id;
    // While open the item is drop-highlighted and the menu flag is set; both go when it closes.
    EXPECT_EQ(visit.dropHighlight, node.item);
    EXPECT_TRUE(visit.menuOpenFlag);
    EXPECT_EQ(TreeView_GetDropHilight(View()), nullptr);
    EXPECT_FALSE(Tree().MenuOpen());

    Select(node.item);
    EXPECT_EQ(ButtonEnabled(IDC_REGISTER_ADD), node.add);
    EXPECT_EQ(ButtonEnabled(IDC_REGISTER_REMOVE), node.remove);
  }
  EXPECT_EQ(Registered(), std::vector<std::wstring>{photos});  // looking changed nothing
}

TEST_F(RegisteredFoldersTest, HiddenSwitchOfTheMenuAndTheOptionsBoxFollowEachOther) {
  Tree().AddRegisteredFolder(scratch_.folder(L"photos"));
  const HTREEITEM registered = Children(Root()).at(0);
  HWND box = GetDlgItem(W().optionsPage().Handle(), IDC_SHOW_HIDDEN);
  auto menuChecked = [&] { return (MenuStatesOn(registered)[IDM_TREE_HIDDEN] & MF_CHECKED) != 0; };
  auto boxChecked = [&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  W().SelectTab(2);
  ASSERT_EQ(W().options().Hidden, 2);
  EXPECT_FALSE(menuChecked());

  for (bool shown : {true, false}) {  // the options box switches, the menu follows
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_EQ(W().options().Hidden, shown ? 0 : 2);
    EXPECT_EQ(menuChecked(), shown);
  }
  for (bool shown : {true, false}) {  // the menu switches, the options box follows
    Choose(registered, IDM_TREE_HIDDEN);
    EXPECT_EQ(W().options().Hidden, shown ? 0 : 2);
    EXPECT_EQ(boxChecked(), shown);
    EXPECT_EQ(menuChecked(), shown);
  }
}

TEST_F(RegisteredFoldersTest, HiddenSwitchOfTheMenuAppliesToTheNextEnumeration) {
  const std::wstring photos = scratch_.folder(L"photos");
  const std::wstring secret = scratch_.folder(L"photos\\secret");
  SetFileAttributesW(secret.c_str(), FILE_ATTRIBUTE_HIDDEN);
  Tree().AddRegisteredFolder(photos);
  const HTREEITEM registered = Children(Root()).at(0);
  EXPECT_FALSE(Expandable(registered));  // its only sub-folder is hidden
  Choose(registered, IDM_TREE_HIDDEN);
  ExpandAgain(Root());
  const HTREEITEM again = Children(Root()).at(0);
  EXPECT_TRUE(Expandable(again));
  TreeView_Expand(View(), again, TVE_EXPAND);
  EXPECT_EQ(ChildTexts(again), std::vector<std::wstring>{L"secret"});
}

TEST_F(RegisteredFoldersTest, MenuCommandsSetTheFieldsOfTheirTargetAndRemoveIt) {
  const std::wstring photos = scratch_.folder(L"photos");
  const std::wstring other = scratch_.folder(L"other");
  Tree().AddRegisteredFolder(photos);
  Tree().AddRegisteredFolder(other);
  const HTREEITEM registered = Children(Root()).at(0);
  Select(Root());  // the menu acts on the node under the pointer, not on the selection

  const struct {
    UINT id;
    bool input, output;
  } kCommands[] = {{IDM_TREE_SET_INPUT, true, false}, {IDM_TREE_SET_OUTPUT, false, true}, {IDM_TREE_SET_BOTH, true, true}};
  for (const auto& command : kCommands) {
    SCOPED_TRACE(command.id);
    W().SetInputFolder(other);
    W().SetOutputFolder(other);
    Choose(registered, command.id);
    EXPECT_EQ(FolderFieldText(W().InputField()), command.input ? photos : other);
    EXPECT_EQ(FolderFieldText(W().OutputField()), command.output ? photos : other);
  }
  EXPECT_EQ(TreeView_GetSelection(View()), Root());

  Choose(registered, IDM_TREE_REMOVE);
  EXPECT_EQ(Registered(), std::vector<std::wstring>{other});
  EXPECT_EQ(ShownFolders(), std::vector<std::wstring>{other});
  EXPECT_TRUE(boxes_.boxes.empty());
}

// The menu is for the item whose row is under the pointer, wherever on the row; below the last row, and
// for the keyboard's request without a position, no menu opens.
TEST_F(RegisteredFoldersTest, MenuOpensForTheItemOfTheRowUnderThePointer) {
  Tree().AddRegisteredFolder(scratch_.folder(L"photos"));
  const HTREEITEM registered = Children(Root()).at(0);
  Select(Root());
  RECT label{}, view{};
  TreeView_GetItemRect(View(), registered, &label, TRUE);
  GetClientRect(View(), &view);
  const POINT rightOfLabel{label.right + 12, (label.top + label.bottom) / 2};
  TVHITTESTINFO hit{};
  hit.pt = rightOfLabel;
  ASSERT_EQ(TreeView_HitTest(View(), &hit), registered);  // the row's item by the tree's own hit test
  ASSERT_EQ(hit.flags & TVHT_ONITEMRIGHT, static_cast<UINT>(TVHT_ONITEMRIGHT));

  MenuVisit onRow;
  RequestMenu(onRow, &rightOfLabel);
  EXPECT_TRUE(onRow.opened);
  EXPECT_EQ(onRow.dropHighlight, registered);
  EXPECT_TRUE(Enabled(onRow.states[IDM_TREE_REMOVE]));

  const POINT belowTheRows{label.left, view.bottom - 4};
  hit = TVHITTESTINFO{};
  hit.pt = belowTheRows;
  ASSERT_EQ(TreeView_HitTest(View(), &hit), nullptr);
  MenuVisit below, keyboard;
  RequestMenu(below, &belowTheRows);
  EXPECT_FALSE(below.opened);
  // A request from the keyboard carries no position: the menu is for the selected item.
  TreeView_SelectItem(View(), registered);
  RequestMenu(keyboard, nullptr);
  EXPECT_TRUE(keyboard.opened);
  EXPECT_TRUE(Enabled(keyboard.states[IDM_TREE_REMOVE]));  // a registered folder's menu
}

// The items show their access keys underlined; typing one chooses the item.
TEST_F(RegisteredFoldersTest, AccessKeyChoosesItsMenuItem) {
  const std::wstring photos = scratch_.folder(L"photos");
  Tree().AddRegisteredFolder(photos);
  MenuVisit visit;
  visit.key = L's';  // 入出力フォルダ同時設定(&S)
  OpenMenuOn(Children(Root()).at(0), visit);
  EXPECT_FALSE(Tree().MenuOpen());
  EXPECT_EQ(FolderFieldText(W().InputField()), photos);
  EXPECT_EQ(FolderFieldText(W().OutputField()), photos);
}

}  // namespace
}  // namespace qv
