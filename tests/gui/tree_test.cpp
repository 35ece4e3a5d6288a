// In-process tests of the folder tree of the real main window: what a selection sets under the tree mode
// and the Shift and Control keys, the mode buttons, hidden folders, the lazy enumeration on expansion,
// the start-up expansion, dragging a folder out of the tree onto the fields, and the expand button that
// a run's new sub-folder gives to the item of its folder.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui_test_support.h"
#include "main_window_fixture.h"
#include "resources/resource.h"
#include "shell/folder_fields.h"
#include "shell/main_window.h"
#include "tree/folder_node.h"
#include "ui/controls.h"
#include "ui/message_box.h"
#include "ui/process.h"

namespace qv {
namespace {

using namespace guitest;

// Shift and Control as GetKeyState reads them on this thread, for the length of the scope.
class HeldKeys {
 public:
  HeldKeys(bool shift, bool control) { Set(shift, control); }
  ~HeldKeys() { Set(false, false); }

 private:
  static void Set(bool shift, bool control) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = keys[VK_LSHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = keys[VK_LCONTROL] = control ? 0x80 : 0;
    SetKeyboardState(keys);
  }
};

bool StartsWithFolder(const std::wstring& path, const std::wstring& folder) {
  std::wstring prefix = folder;
  if (prefix.empty()) return false;
  if (prefix.back() != L'\\') prefix.push_back(L'\\');
  return path.size() > prefix.size() &&
         CompareStringOrdinal(path.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

class TreeTest : public guitest::MainWindowFixture {
 protected:
  void Configure() override {
    a_ = PhotoFolder(L"a", {L"s002.jpg", L"s010.jpg"});
    b_ = PhotoFolder(L"b", {L"s012.jpg"});
    blank_ = scratch_.folder(L"blank");
    settings_.stored.options.DTExpand = 0;
    settings_.stored.registeredFolders = {a_, b_};
  }

  HWND View() const { return W().tree().View(); }
  HTREEITEM Root() const { return W().tree().RegisteredRoot(); }
  HTREEITEM Desktop() const { return W().tree().DesktopNode(); }

  std::vector<HTREEITEM> Children(HTREEITEM parent) const { return guitest::TreeChildren(View(), parent); }
  std::vector<std::wstring> ChildTexts(HTREEITEM parent) const { return guitest::TreeChildTexts(View(), parent); }

  // The child of `parent` whose folder is `folder`.
  HTREEITEM ChildOf(HTREEITEM parent, const std::wstring& folder) const {
    for (HTREEITEM c : Children(parent)) {
      const std::optional<std::wstring> path = FolderOfItem(View(), c);
      if (path && SameFolder(*path, folder)) return c;
    }
    return nullptr;
  }

  int ChildrenIndicator(HTREEITEM item) const {
    TVITEMW data{};
    data.mask = TVIF_HANDLE | TVIF_CHILDREN;
    data.hItem = item;
    TreeView_GetItem(View(), &data);
    return data.cChildren;
  }

  bool Expanded(HTREEITEM item) const { return (TreeView_GetItemState(View(), item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0; }

  void Expand(HTREEITEM item) { TreeView_Expand(View(), item, TVE_EXPAND); }

  // Collapses `item` as a click on its expand button does (a collapse that the tree reports to the panel,
  // unlike one by TVM_EXPAND).
  void CollapseByClick(HTREEITEM item) {
    TreeView_EnsureVisible(View(), item);
    RECT text{};
    ASSERT_TRUE(TreeView_GetItemRect(View(), item, &text, TRUE));
    TVHITTESTINFO hit{};
    hit.pt.y = (text.top + text.bottom) / 2;
    for (hit.pt.x = text.left - 1; hit.pt.x >= 0; --hit.pt.x) {
      if (TreeView_HitTest(View(), &hit) == item && (hit.flags & TVHT_ONITEMBUTTON) != 0) break;
    }
    ASSERT_GE(hit.pt.x, 0) << "no button area";
    const LPARAM point = MAKELPARAM(hit.pt.x, hit.pt.y);
    SendMessageW(View(), WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(View(), WM_LBUTTONUP, 0, point);
    PumpMessages(0);
  }

  // The namespace node of `folder`, reached from the desktop by expanding the nodes on its way: the
  // desktop, the virtual folders below it (My Computer) and the folders that contain `folder`.
  HTREEITEM NamespaceNodeOf(const std::wstring& folder) { return Descend(Desktop(), folder, 0); }

  HTREEITEM Descend(HTREEITEM item, const std::wstring& folder, int depth) {
    const std::optional<std::wstring> path = FolderOfItem(View(), item);
    if (depth > 0 && path && SameFolder(*path, folder)) return item;
    const bool onTheWay = depth == 0 || (path ? StartsWithFolder(folder, *path) : depth == 1);
    if (!onTheWay || depth > 16) return nullptr;
    Expand(item);
    for (HTREEITEM child : Children(item)) {
      if (HTREEITEM found = Descend(child, folder, depth + 1)) return found;
    }
    return nullptr;
  }

  // Selects `item` with the keys held, as a click does.
  void Select(HTREEITEM item, bool shift = false, bool control = false) {
    HeldKeys keys(shift, control);
    TreeView_SelectItem(View(), item);
  }

  HWND TreeControl(int id) const { return GetDlgItem(W().tree().Handle(), id); }
  void ClickMode(int id) { SendMessageW(TreeControl(id), BM_CLICK, 0, 0); }
  void ClickShowHidden() {
    SendMessageW(GetDlgItem(W().optionsPage().Handle(), IDC_SHOW_HIDDEN), BM_CLICK, 0, 0);
  }

  // The centre of `target` in the tree panel's client coordinates, checked to be over `target`.
  POINT LetGoPoint(HWND target) const {
    RECT r{};
    GetWindowRect(target, &r);
    POINT point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    HWND under = WindowFromPoint(point);
    EXPECT_TRUE(under == target || IsChild(target, under)) << "the point is not over the target";
    ScreenToClient(W().tree().Handle(), &point);
    return point;
  }

  std::wstring InputText() const { return FolderFieldText(W().InputField()); }
  std::wstring OutputText() const { return FolderFieldText(W().OutputField()); }
  size_t RowCount() const { return W().inputPage().Rows().size(); }

  std::wstring a_, b_, blank_;
};

// ---- selection ------------------------------------------------------------------------------------

TEST_F(TreeTest, SelectionSetsTheFieldsOfTheModeAndTheKeys) {
  struct Case {
    int modeButton;
    bool shift, control;
    bool input, output;
  };
  static const Case kCases[] = {
      {IDC_TREE_MODE_INPUT, false, false, true, false},  {IDC_TREE_MODE_INPUT, true, false, true, false},
      {IDC_TREE_MODE_INPUT, false, true, false, true},   {IDC_TREE_MODE_INPUT, true, true, false, true},
      {IDC_TREE_MODE_OUTPUT, false, false, false, true}, {IDC_TREE_MODE_OUTPUT, true, false, true, false},
      {IDC_TREE_MODE_OUTPUT, false, true, false, true},  {IDC_TREE_MODE_OUTPUT, true, true, true, false},
      {IDC_TREE_MODE_BOTH, false, false, true, true},    {IDC_TREE_MODE_BOTH, true, false, true, false},
      {IDC_TREE_MODE_BOTH, false, true, false, true},    {IDC_TREE_MODE_BOTH, true, true, true, false},
  };
  // A registered folder and the same folder reached through the shell namespace.
  const HTREEITEM registered = ChildOf(Root(), a_);
  const HTREEITEM inNamespace = NamespaceNodeOf(a_);
  ASSERT_NE(registered, nullptr);
  ASSERT_NE(inNamespace, nullptr);
  for (const HTREEITEM node : {registered, inNamespace}) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(testing::Message() << (node == registered ? "registered" : "namespace") << " mode "
                                      << c.modeButton << " shift " << c.shift << " control " << c.control);
      W().SetInputFolder(blank_);
      W().SetOutputFolder(blank_);
      ClickMode(c.modeButton);
      Select(node, c.shift, c.control);
      EXPECT_EQ(InputText(), c.input ? a_ : blank_);
      EXPECT_EQ(RowCount(), c.input ? 2u : 0u);
      EXPECT_EQ(OutputText(), c.output ? a_ : blank_);
    }
  }
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(TreeTest, NodesWithoutAFilesystemFolderSetNothing) {
  ClickMode(IDC_TREE_MODE_BOTH);
  Select(ChildOf(Root(), a_));
  ASSERT_EQ(InputText(), a_);
  // The virtual folders below the desktop (My Computer among them), then "登録フォルダ".
  Expand(Desktop());
  int virtualNodes = 0;
  for (HTREEITEM child : Children(Desktop())) {
    if (FolderOfItem(View(), child)) continue;
    ++virtualNodes;
    Select(child);
    EXPECT_EQ(TreeView_GetSelection(View()), child);
  }
  EXPECT_GT(virtualNodes, 0);
  Select(Root());
  EXPECT_EQ(InputText(), a_);
  EXPECT_EQ(OutputText(), a_);
  EXPECT_EQ(RowCount(), 2u);
}

TEST_F(TreeTest, SelectingTheSelectedFolderAgainActsOnlyAfterAModeButton) {
  const HTREEITEM a = ChildOf(Root(), a_);
  ASSERT_NE(a, nullptr);
  ClickMode(IDC_TREE_MODE_INPUT);
  EXPECT_EQ(W().options().TvIOSet, 0);
  Select(a);
  EXPECT_EQ(InputText(), a_);

  W().SetInputFolder(blank_);
  Select(a);  // no change of selection: nothing happens
  EXPECT_EQ(InputText(), blank_);
  EXPECT_EQ(RowCount(), 0u);

  ClickMode(IDC_TREE_MODE_OUTPUT);
  EXPECT_EQ(W().options().TvIOSet, 1);
  EXPECT_EQ(TreeView_GetSelection(View()), Root());
  EXPECT_EQ(SendMessageW(TreeControl(IDC_TREE_MODE_OUTPUT), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(TreeControl(IDC_TREE_MODE_INPUT), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Select(a);
  EXPECT_EQ(OutputText(), a_);
  EXPECT_EQ(InputText(), blank_);

  // The button of the mode in force acts the same way.
  W().SetOutputFolder(blank_);
  ClickMode(IDC_TREE_MODE_OUTPUT);
  EXPECT_EQ(TreeView_GetSelection(View()), Root());
  Select(a);
  EXPECT_EQ(OutputText(), a_);
}

// ---- enumeration ----------------------------------------------------------------------------------

// The same folder as a registered folder (a path node) and through the shell namespace.
enum class Reach { kRegistered, kNamespace };

class TreeEnumerationTest : public TreeTest, public testing::WithParamInterface<Reach> {
 protected:
  // The node of a_, made after the test gave a_ its sub-folders.
  HTREEITEM NodeOfA() {
    if (GetParam() == Reach::kNamespace) return NamespaceNodeOf(a_);
    CollapseByClick(Root());
    Expand(Root());
    return ChildOf(Root(), a_);
  }
};

TEST_P(TreeEnumerationTest, HiddenSubfolderIsListedOnceHiddenItemsAreShownAndTheParentReopened) {
  scratch_.folder(L"a\\shown");
  const std::wstring secret = scratch_.folder(L"a\\secret");
  ASSERT_TRUE(SetFileAttributesW(secret.c_str(), FILE_ATTRIBUTE_HIDDEN));
  const HTREEITEM a = NodeOfA();
  ASSERT_NE(a, nullptr);
  Expand(a);
  EXPECT_EQ(ChildTexts(a), (std::vector<std::wstring>{L"shown"}));

  W().SelectTab(2);
  ClickShowHidden();
  EXPECT_EQ(W().options().Hidden, 0);
  EXPECT_EQ(ChildTexts(a), (std::vector<std::wstring>{L"shown"}));  // nodes already shown stay
  CollapseByClick(a);
  Expand(a);
  EXPECT_EQ(ChildTexts(a), (std::vector<std::wstring>{L"secret", L"shown"}));

  ClickShowHidden();
  EXPECT_EQ(W().options().Hidden, 2);
  CollapseByClick(a);
  Expand(a);
  EXPECT_EQ(ChildTexts(a), (std::vector<std::wstring>{L"shown"}));
}

TEST_P(TreeEnumerationTest, CollapsingDropsTheChildrenAndExpandingListsTheDiskAfresh) {
  scratch_.folder(L"a\\one");
  const HTREEITEM a = NodeOfA();
  ASSERT_NE(a, nullptr);
  Expand(a);
  EXPECT_EQ(ChildTexts(a), (std::vector<std::wstring>{L"one"}));

  CollapseByClick(a);
  EXPECT_FALSE(Expanded(a));
  EXPECT_EQ(TreeView_GetChild(View(), a), nullptr);
  EXPECT_EQ(ChildrenIndicator(a), 1);  // the expand button stays

  scratch_.folder(L"a\\two");
  Expand(a);
  EXPECT_TRUE(Expanded(a));
  EXPECT_EQ(ChildTexts(a), (std::vector<std::wstring>{L"one", L"two"}));
}

INSTANTIATE_TEST_SUITE_P(Tree, TreeEnumerationTest, testing::Values(Reach::kRegistered, Reach::kNamespace),
                         [](const testing::TestParamInfo<Reach>& info) {
                           return info.param == Reach::kRegistered ? "Registered" : "Namespace";
                         });

TEST_F(TreeTest, DesktopIsExpandedAtStartOnlyWithDTExpand) {
  // Made with DTExpand clear.
  EXPECT_FALSE(Expanded(Desktop()));
  EXPECT_EQ(TreeView_GetChild(View(), Desktop()), nullptr);
  EXPECT_TRUE(Expanded(Root()));
  EXPECT_EQ(TreeView_GetSelection(View()), Root());
  EXPECT_EQ(ChildTexts(Root()), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_TRUE(InputText().empty());
  EXPECT_TRUE(OutputText().empty());

  Reopen([](WindowSettings& s) { s.stored.options.DTExpand = 1; });
  EXPECT_TRUE(Expanded(Desktop()));
  EXPECT_NE(TreeView_GetChild(View(), Desktop()), nullptr);
  EXPECT_TRUE(Expanded(Root()));
  EXPECT_EQ(TreeView_GetSelection(View()), Root());
  EXPECT_EQ(ChildTexts(Root()), (std::vector<std::wstring>{L"a", L"b"}));
}

// ---- dragging -------------------------------------------------------------------------------------

TEST_F(TreeTest, FolderDraggedFromTheTreeSetsTheFieldItIsLetGoOver) {
  const HTREEITEM a = ChildOf(Root(), a_);
  ASSERT_NE(a, nullptr);
  HWND panel = W().tree().Handle();
  struct Case {
    const char* over;
    std::function<HWND()> target;  // the point is the centre of this window
    bool input, output;
  };
  const Case kCases[] = {
      {"output field", [&] { return ComboEdit(W().OutputField()); }, false, true},
      {"input field", [&] { return ComboEdit(W().InputField()); }, true, false},
      {"output settings page", [&] { return W().outputPage().Handle(); }, false, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.over);
    W().SetInputFolder(blank_);
    W().SetOutputFolder(blank_);
    NMTREEVIEWW start{};
    start.hdr.hwndFrom = View();
    start.hdr.idFrom = IDC_TREE_VIEW;
    start.hdr.code = TVN_BEGINDRAGW;
    start.itemNew.hItem = a;
    start.action = TVC_BYMOUSE;
    SendMessageW(panel, WM_NOTIFY, IDC_TREE_VIEW, reinterpret_cast<LPARAM>(&start));
    EXPECT_EQ(TreeView_GetDropHilight(View()), a);
    EXPECT_EQ(GetCapture(), panel);

    const POINT point = LetGoPoint(c.target());
    SendMessageW(panel, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    EXPECT_EQ(InputText(), c.input ? a_ : blank_);
    EXPECT_EQ(RowCount(), c.input ? 2u : 0u);
    EXPECT_EQ(OutputText(), c.output ? a_ : blank_);
    EXPECT_EQ(TreeView_GetDropHilight(View()), nullptr);
    EXPECT_NE(GetCapture(), panel);
  }
  // The button let go over the output field with no drag begun: nothing.
  W().SetOutputFolder(blank_);
  const POINT point = LetGoPoint(ComboEdit(W().OutputField()));
  SendMessageW(panel, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
  EXPECT_EQ(OutputText(), blank_);
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_TRUE(FileNames(blank_).empty());
}

// ---- a run's new sub-folder -----------------------------------------------------------------------

TEST_F(TreeTest, RunThatCreatesItsSubfolderGivesTheOutputFolderItemAnExpandButton) {
  const std::wstring out = scratch_.folder(L"out");
  Reopen([&](WindowSettings& s) {
    s.params.MkDirAdd = 1;
    s.params.MkDirStr = L"sub";
    s.stored.registeredFolders = {a_, out};
  });
  const HTREEITEM item = ChildOf(Root(), out);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(ChildrenIndicator(item), 0);

  W().SetInputFolder(a_);
  W().SetOutputFolder(out);
  Convert();
  EXPECT_EQ(FileNames(out + L"\\sub"), (std::vector<std::wstring>{L"s002.jpg", L"s010.jpg"}));
  EXPECT_EQ(ChildrenIndicator(item), 1);
  EXPECT_FALSE(Expanded(item));
  Expand(item);
  EXPECT_EQ(ChildTexts(item), (std::vector<std::wstring>{L"sub"}));
}

// The item of the output folder is in the tree but scrolled out of the view's top: the walk over the
// tree's items starts at the desktop node, not at the first item in view.
TEST_F(TreeTest, RunThatCreatesItsSubfolderReachesAnItemScrolledOutOfView) {
  const std::wstring out = scratch_.folder(L"out");
  std::vector<std::wstring> registered{out};
  for (int i = 10; i < 50; ++i) registered.push_back(scratch_.folder(L"z" + std::to_wstring(i)));
  Reopen([&](WindowSettings& s) {
    s.params.MkDirAdd = 1;
    s.params.MkDirStr = L"sub";
    s.stored.registeredFolders = registered;
  });
  const HTREEITEM item = ChildOf(Root(), out);
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(Children(Root()).size(), 41u);
  TreeView_EnsureVisible(View(), Children(Root()).back());
  RECT r{};
  TreeView_GetItemRect(View(), item, &r, FALSE);
  ASSERT_LT(r.bottom, 0) << "the output folder's item should be scrolled out of view";

  W().SetInputFolder(a_);
  W().SetOutputFolder(out);
  Convert();
  EXPECT_EQ(FileNames(out + L"\\sub").size(), 2u);
  EXPECT_EQ(ChildrenIndicator(item), 1);
}

}  // namespace
}  // namespace qv
