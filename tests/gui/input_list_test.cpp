// The individual-input page in this process: its controls, the list filled from a scratch folder, the
// check boxes (ON/OFF, a multiple selection), the preview of the selected file and the launch failure.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gui_test_support.h"
#include "message_box_recorder.h"
#include "pages/input_list_page.h"
#include "resources/resource.h"
#include "ui/list_view.h"
#include "ui/message_box.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

fs::path DataDir() {
  const char* env = std::getenv("QV_TEST_DATA");
  return fs::path(env != nullptr && *env != '\0' ? env : QV_TEST_DATA_DEFAULT);
}

std::wstring CellText(HWND list, int row, int column) {
  wchar_t text[300] = {};
  ListView_GetItemText(list, row, column, text, 300);
  return text;
}

int StateImage(HWND list, int row) {
  return static_cast<int>((ListView_GetItemState(list, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12);
}

std::vector<int> StateImages(HWND list) {
  std::vector<int> images;
  for (int row = 0; row < ListView_GetItemCount(list); ++row) images.push_back(StateImage(list, row));
  return images;
}

void Select(HWND list, int row, bool selected) {
  ListView_SetItemState(list, row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

// The page alone in a test host window; the page object goes first and destroys its window.
class InputListPageTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("qv-input-list-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder_);
    ASSERT_NE(host_.Window(), nullptr);
    page_ = inputPage_.Create(host_.Window(), RECT{0, 0, 520, 358});
    ASSERT_NE(page_, nullptr);
    ShowWindow(page_, SW_SHOW);
    list_ = inputPage_.List();
    ASSERT_NE(list_, nullptr);
  }

  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  void CopyData(const std::string& source, const std::wstring& name) {
    fs::copy_file(DataDir() / source, folder_ / name, fs::copy_options::overwrite_existing);
  }
  void WriteFile(const std::wstring& name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  void Load() { inputPage_.LoadFolder(folder_.wstring()); }
  HWND Item(int id) const { return GetDlgItem(page_, id); }
  void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }

  fs::path folder_;
  guitest::TestPageHost host_{L"input list test"};
  ConversionParams params_;
  AppOptions options_;
  InputListPage inputPage_{host_, params_, options_};
  HWND page_ = nullptr;
  HWND list_ = nullptr;
  guitest::MessageBoxRecorder boxes_;
};

TEST_F(InputListPageTest, ControlsHaveTheirPlacesTextsAndStyles) {
  struct Expected {
    int id;
    RECT rect;  // left, top, right, bottom on the page
    const wchar_t* text;
  };
  const Expected expected[] = {
      {IDC_INPUT_LIST, {6, 12, 302, 343}, nullptr},
      {IDC_INPUT_PREVIEW, {312, 12, 514, 214}, nullptr},
      {IDC_PREVIEW_NAME, {312, 215, 514, 229}, L""},
      {IDC_PREVIEW_INFO, {312, 230, 514, 244}, L""},
      {IDC_ALL_CHECKS_LABEL, {312, 302, 397, 317}, L"全チェックボックス"},
      {IDC_ALL_ON, {398, 298, 438, 318}, L"ON"},
      {IDC_ALL_OFF, {438, 298, 478, 318}, L"OFF"},
      {IDC_TOTAL_LABEL, {312, 328, 377, 343}, L"総ファイル数:"},
      {IDC_TOTAL_COUNT, {378, 328, 410, 340}, L""},
      {IDC_SUB_FOLDERS, {312, 266, 514, 286}, L"サブフォルダも含める"},
  };
  // The two labels keep their planned width where the text fits and grow where the font in use is wider
  // (so nothing is cut); the controls after them on their row move along by the same amount.
  auto pageRect = [this](int id) {
    RECT r;
    GetWindowRect(Item(id), &r);
    MapWindowPoints(nullptr, page_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  const LONG checksGrowth = pageRect(IDC_ALL_CHECKS_LABEL).right - 397;
  const LONG totalGrowth = pageRect(IDC_TOTAL_LABEL).right - 377;
  EXPECT_GE(checksGrowth, 0);
  EXPECT_GE(totalGrowth, 0);
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.id);
    HWND control = Item(e.id);
    ASSERT_NE(control, nullptr);
    const RECT r = pageRect(e.id);
    const LONG shift = (e.id == IDC_ALL_ON || e.id == IDC_ALL_OFF) ? checksGrowth
                       : e.id == IDC_TOTAL_COUNT                   ? totalGrowth
                                                                   : 0;
    const LONG grow = e.id == IDC_ALL_CHECKS_LABEL ? checksGrowth : e.id == IDC_TOTAL_LABEL ? totalGrowth : 0;
    EXPECT_EQ(r.left, e.rect.left + shift);
    EXPECT_EQ(r.top, e.rect.top);
    EXPECT_EQ(r.right, e.rect.right + shift + grow);
    EXPECT_EQ(r.bottom, e.rect.bottom);
    if (e.text != nullptr) {
      EXPECT_EQ(guitest::WindowText(control), e.text);
    }
  }
  EXPECT_EQ(GetDlgCtrlID(page_), IDC_PAGE_INPUT_LIST);
  EXPECT_LE(pageRect(IDC_ALL_OFF).right, 514);  // still inside the page

  const LONG_PTR style = GetWindowLongPtrW(list_, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_NE(style & LVS_SHOWSELALWAYS, 0);
  EXPECT_NE(style & LVS_NOSORTHEADER, 0);
  EXPECT_EQ(style & LVS_SINGLESEL, 0);
  EXPECT_NE(GetWindowLongPtrW(list_, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  const DWORD extended = ListView_GetExtendedListViewStyle(list_);
  EXPECT_EQ(extended & (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT),
            static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));
  const struct {
    const wchar_t* title;
    int width, format;
  } columns[] = {{L"ファイル名", 134, LVCFMT_LEFT}, {L"サイズ", 63, LVCFMT_RIGHT}, {L"更新日時", 78, LVCFMT_LEFT}};
  for (int i = 0; i < 3; ++i) {
    wchar_t title[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = title;
    column.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(list_, i, &column));
    EXPECT_STREQ(title, columns[i].title);
    if (i == 1) {
      EXPECT_EQ(column.cx, columns[i].width);
    }
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, columns[i].format);
  }
  // The time column shows a whole time; the name column takes what is left beside the scroll bar, but
  // keeps 100 pixels for a camera's file name.
  RECT listClient{};
  GetClientRect(list_, &listClient);
  const int size = ListView_GetColumnWidth(list_, 1), time = ListView_GetColumnWidth(list_, 2);
  EXPECT_GE(time, TextWidthIn(list_, L"2026/12/31 23:59:59") + 8);
  EXPECT_EQ(ListView_GetColumnWidth(list_, 0),
            std::max<int>(100, listClient.right - GetSystemMetrics(SM_CXVSCROLL) - size - time));
  EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list_)), 3);

  HWND preview = Item(IDC_INPUT_PREVIEW);
  wchar_t className[64] = {};
  GetClassNameW(preview, className, 64);
  EXPECT_STREQ(className, L"Quorvix_isetprv_class");
  RECT client;
  GetClientRect(preview, &client);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 200);
  for (int id : {IDC_PREVIEW_NAME, IDC_PREVIEW_INFO}) {
    EXPECT_EQ(GetWindowLongPtrW(Item(id), GWL_STYLE) & (SS_TYPEMASK | SS_ELLIPSISMASK), SS_CENTER | SS_ENDELLIPSIS);
  }

  // Tooltips, by tool window.
  const struct {
    HWND tool;
    const wchar_t* text;
  } tips[] = {{list_, L"選択でプレビュー画像表示"}, {preview, L"プレビュー画像クリックで関連付けプログラム起動"}};
  for (const auto& tip : tips) {
    wchar_t text[256] = {};
    TOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = page_;
    info.uId = reinterpret_cast<UINT_PTR>(tip.tool);
    info.lpszText = text;
    SendMessageW(host_.tooltip().Handle(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(text, tip.text);
  }
}

// The switch is stored in SubFolders and has the folder listed again; a tree listing adds the column
// "フォルダ" (shown second) with each row's sub-folder, and hands the sub-folders over with the rows. A
// row of a sub-folder is previewed from there and removed by its path below the folder, not by its name
// alone. Switched off, the list is the folder's own files in the three columns again.
TEST_F(InputListPageTest, SubFolderSwitchListsTheTreeWithAFolderColumn) {
  fs::create_directories(folder_ / L"写真" / L"旅行");
  fs::create_directories(folder_ / L"空");
  for (const wchar_t* name : {L"a.jpg", L"写真\\a.jpg", L"写真\\旅行\\b.jpg"}) CopyData("s002.jpg", name);
  Load();
  auto rows = [this] {
    std::vector<std::wstring> shown;
    for (const RunRow& row : inputPage_.Rows()) shown.push_back(row.folder + L"|" + row.name);
    return shown;
  };
  EXPECT_EQ(rows(), std::vector<std::wstring>({L"|a.jpg"}));
  EXPECT_FALSE(inputPage_.ListsTree());

  Click(IDC_SUB_FOLDERS);
  EXPECT_EQ(options_.SubFolders, 1);
  EXPECT_EQ(host_.inputFolders, std::vector<std::wstring>({folder_.wstring()}));
  Load();  // what the host does
  EXPECT_EQ(rows(), std::vector<std::wstring>({L"|a.jpg", L"写真|a.jpg", L"写真\\旅行|b.jpg"}));
  HWND header = ListView_GetHeader(list_);
  ASSERT_EQ(Header_GetItemCount(header), 4);
  int order[4] = {};
  ListView_GetColumnOrderArray(list_, 4, order);
  EXPECT_EQ(std::vector<int>(order, order + 4), std::vector<int>({0, 3, 1, 2}));
  EXPECT_EQ(CellText(list_, 2, 3), L"写真\\旅行");
  EXPECT_EQ(guitest::WindowText(Item(IDC_TOTAL_COUNT)), L"3");

  Select(list_, 1, true);
  EXPECT_EQ(inputPage_.PreviewPath(), (folder_ / L"写真" / L"a.jpg").wstring());
  inputPage_.RemoveRows({L"写真\\a.jpg"});
  EXPECT_EQ(rows(), std::vector<std::wstring>({L"|a.jpg", L"写真\\旅行|b.jpg"}));
  EXPECT_TRUE(inputPage_.PreviewPath().empty());

  Click(IDC_SUB_FOLDERS);
  EXPECT_EQ(options_.SubFolders, 0);
  Load();
  EXPECT_EQ(rows(), std::vector<std::wstring>({L"|a.jpg"}));
  EXPECT_EQ(Header_GetItemCount(header), 3);
}

TEST_F(InputListPageTest, FolderFillsRowsInNaturalOrderAllChecked) {
  for (const wchar_t* name : {L"p10.jpg", L"p9.jpg", L"P1.jpg", L"b.JPE", L"c.jpeg", L"d.jpgx", L"notes.txt"})
    CopyData("s002.jpg", name);
  fs::create_directory(folder_ / L"x.jpg");
  CopyData("s002.jpg", L"h.jpg");
  SetFileAttributesW((folder_ / L"h.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN);

  options_.Hidden = 2;
  Load();
  const std::vector<std::wstring> names = {L"b.JPE", L"c.jpeg", L"P1.jpg", L"p9.jpg", L"p10.jpg"};
  ASSERT_EQ(ListView_GetItemCount(list_), 5);
  for (int row = 0; row < 5; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(CellText(list_, row, 0), names[static_cast<size_t>(row)]);
    EXPECT_EQ(CellText(list_, row, 1), L"4 KB");  // 3407 bytes
    EXPECT_EQ(CellText(list_, row, 2).size(), 19u);  // "yyyy/mm/dd hh:mm:ss"
    EXPECT_EQ(StateImage(list_, row), 2);
  }
  EXPECT_EQ(guitest::WindowText(Item(IDC_TOTAL_COUNT)), L"5");
  // Item data is the order of finding: the three ".jpg" files, then ".jpe", then ".jpeg".
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = 0;
  ListView_GetItem(list_, &item);
  EXPECT_EQ(item.lParam, 3);
  item.iItem = 1;
  ListView_GetItem(list_, &item);
  EXPECT_EQ(item.lParam, 4);

  const std::vector<RunRow> rows = inputPage_.Rows();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[2].name, L"P1.jpg");
  EXPECT_TRUE(rows[2].checked);

  // The page applies the stored hidden mask.
  options_.Hidden = 0;
  Load();
  EXPECT_EQ(ListView_GetItemCount(list_), 6);
  EXPECT_EQ(guitest::WindowText(Item(IDC_TOTAL_COUNT)), L"6");

  // A path that is no folder empties the list.
  inputPage_.LoadFolder((folder_ / L"missing").wstring());
  EXPECT_EQ(ListView_GetItemCount(list_), 0);
  EXPECT_EQ(guitest::WindowText(Item(IDC_TOTAL_COUNT)), L"0");
  EXPECT_TRUE(inputPage_.Folder().empty());
}

TEST_F(InputListPageTest, OnOffAndRowChecksFromTheShell) {
  // Empty list: the buttons change nothing.
  Click(IDC_ALL_OFF);
  Click(IDC_ALL_ON);
  EXPECT_EQ(ListView_GetItemCount(list_), 0);

  for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg"}) CopyData("s002.jpg", name);
  Load();
  Click(IDC_ALL_OFF);
  EXPECT_EQ(StateImages(list_), (std::vector<int>{1, 1, 1}));
  Click(IDC_ALL_ON);
  EXPECT_EQ(StateImages(list_), (std::vector<int>{2, 2, 2}));

  // ON/OFF leave selection and focus alone.
  Select(list_, 1, true);
  Click(IDC_ALL_OFF);
  EXPECT_EQ(ListView_GetItemState(list_, 1, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));

  inputPage_.SetRowChecks({true, false, true});
  EXPECT_EQ(StateImages(list_), (std::vector<int>{2, 1, 2}));
  const std::vector<RunRow> rows = inputPage_.Rows();
  EXPECT_TRUE(rows[0].checked);
  EXPECT_FALSE(rows[1].checked);
  EXPECT_TRUE(rows[2].checked);
}

TEST_F(InputListPageTest, CheckSwitchInsideMultipleSelectionAppliesToAllSelected) {
  for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg", L"d.jpg"}) CopyData("s002.jpg", name);
  Load();
  Select(list_, 0, true);
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"a.jpg");
  Select(list_, 2, true);
  // A second selected row loads nothing: the preview keeps the first.
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"a.jpg");

  ListView_SetCheckState(list_, 2, FALSE);
  EXPECT_EQ(StateImages(list_), (std::vector<int>{1, 2, 1, 2}));
  // A row outside the selection changes alone.
  ListView_SetCheckState(list_, 3, FALSE);
  EXPECT_EQ(StateImages(list_), (std::vector<int>{1, 2, 1, 1}));
  ListView_SetCheckState(list_, 0, TRUE);
  EXPECT_EQ(StateImages(list_), (std::vector<int>{2, 2, 2, 1}));

  // With one row selected a check switch changes only that row, and loads nothing.
  Select(list_, 2, false);
  ListView_SetCheckState(list_, 0, FALSE);
  EXPECT_EQ(StateImages(list_), (std::vector<int>{1, 2, 2, 1}));
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"a.jpg");
}

TEST_F(InputListPageTest, SelectedRowIsPreviewedAtFullSize) {
  CopyData("s002.jpg", L"colour photo.jpg");  // 150 x 103, three components
  CopyData("s020.jpg", L"grey.jpg");          // 400 x 210, one component
  WriteFile(L"not a jpeg.jpg", "hello");
  Load();
  ASSERT_EQ(ListView_GetItemCount(list_), 3);
  params_.ScaleNum = 3;

  Select(list_, 0, true);
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"colour photo.jpg");
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_INFO)), L"150 x 103    24bit");
  EXPECT_EQ(inputPage_.PreviewPath(), (folder_ / L"colour photo.jpg").wstring());
  EXPECT_EQ(params_.ScaleNum, 3);

  // A row is a file of the folder it was listed from; focus or check changes of the one selected row load
  // nothing.
  ListView_SetItemState(list_, 0, LVIS_FOCUSED, LVIS_FOCUSED);
  ListView_SetCheckState(list_, 0, FALSE);
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_INFO)), L"150 x 103    24bit");
  Select(list_, 0, false);
  Select(list_, 0, true);
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_INFO)), L"150 x 103    24bit");
  EXPECT_EQ(inputPage_.PreviewPath(), (folder_ / L"colour photo.jpg").wstring());
  EXPECT_EQ(inputPage_.Folder(), folder_.wstring());

  Select(list_, 0, false);
  Select(list_, 1, true);
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"grey.jpg");
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_INFO)), L"400 x 210    8bit");

  // A file that does not decode empties the preview: no other photo stands beside the selected row,
  // and a click on the box opens nothing.
  Select(list_, 1, false);
  Select(list_, 2, true);
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"");
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_INFO)), L"");
  EXPECT_TRUE(inputPage_.PreviewPath().empty());
  SendMessageW(Item(IDC_INPUT_PREVIEW), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_EQ(params_.ScaleNum, 3);

  // A run's start releases the preview and the selection.
  Select(list_, 2, false);
  Select(list_, 1, true);
  ASSERT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"grey.jpg");
  inputPage_.ReleasePreview();
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"");
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_INFO)), L"");
  EXPECT_TRUE(inputPage_.PreviewPath().empty());
  EXPECT_EQ(ListView_GetSelectedCount(list_), 0u);

  // Reloading the folder clears a preview too.
  Select(list_, 0, true);
  ASSERT_FALSE(inputPage_.PreviewPath().empty());
  Load();
  EXPECT_TRUE(inputPage_.PreviewPath().empty());
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"");
}

TEST_F(InputListPageTest, HeifPhotoIsListedAndPreviewedUpright) {
  // 150 x 91 as stored, turned a quarter by the file: previewed as the camera meant it.
  fs::copy_file(fs::path(QV_TEST_HEIF_DEFAULT) / "rotated.heic", folder_ / L"IMG_0001.HEIC");
  CopyData("s002.jpg", L"IMG_0002.jpg");
  Load();
  ASSERT_EQ(ListView_GetItemCount(list_), 2);
  EXPECT_EQ(CellText(list_, 0, 0), L"IMG_0001.HEIC");
  Select(list_, 0, true);
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"IMG_0001.HEIC");
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_INFO)), L"91 x 150    24bit");
}

TEST_F(InputListPageTest, LaunchFailureShowsMessageAndKeepsPreview) {
  inputPage_.Preview().LaunchFile();  // nothing shown: nothing happens
  EXPECT_TRUE(boxes_.boxes.empty());

  CopyData("s002.jpg", L"gone.jpg");
  Load();
  Select(list_, 0, true);
  ASSERT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"gone.jpg");
  fs::remove(folder_ / L"gone.jpg");
  SendMessageW(Item(IDC_INPUT_PREVIEW), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].owner, host_.Window());
  EXPECT_EQ(boxes_.boxes[0].text, L"ファイル実行に失敗しました。");
  EXPECT_EQ(boxes_.boxes[0].caption, L"Error");
  EXPECT_EQ(boxes_.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  EXPECT_NE(boxes_.boxes[0].type & MB_SETFOREGROUND, 0u);
  EXPECT_EQ(guitest::WindowText(Item(IDC_PREVIEW_NAME)), L"gone.jpg");

  EXPECT_EQ(QuoteSpacesForShell(L"C:\\My Photos\\a b.jpg"), L"\"C:\\My Photos\\a b.jpg\"");
  EXPECT_EQ(QuoteSpacesForShell(L"C:\\photos\\a.jpg"), L"C:\\photos\\a.jpg");
}

TEST_F(InputListPageTest, EndOfScrollHookCanBeRemoved) {
  EXPECT_EQ(GetWindowLongPtrW(list_, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(ListScrollHook));
  EXPECT_EQ(SendMessageW(list_, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), 0), 0);
  inputPage_.RestoreListProcedure();
  EXPECT_NE(GetWindowLongPtrW(list_, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(ListScrollHook));
  EXPECT_EQ(ListView_GetItemCount(list_), 0);  // the list still answers through its own procedure
}

// Shows the page with the photos of QV_SHOT_FOLDER and the first one previewed for QV_SHOT_SECONDS, for a
// screenshot: run with --gtest_also_run_disabled_tests on a display.
TEST_F(InputListPageTest, DISABLED_ShowForScreenshot) {
  const char* folder = std::getenv("QV_SHOT_FOLDER");
  const char* seconds = std::getenv("QV_SHOT_SECONDS");
  ASSERT_NE(folder, nullptr);
  inputPage_.LoadFolder(fs::path(folder).wstring());
  Select(list_, 1, true);
  const DWORD end = GetTickCount() + 1000u * static_cast<DWORD>(seconds != nullptr ? std::atoi(seconds) : 5);
  while (GetTickCount() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(20);
  }
}

}  // namespace
}  // namespace qv
