// The output preview through the main window's button: the file of the chosen row converted as a run
// would convert it, shown in a window titled with the zoom and the size, and nothing left behind.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../unit/recording_observer.h"
#include "batch/run.h"
#include "gui_test_support.h"
#include "main_window_fixture.h"
#include "platform/files.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "ui/message_box.h"
#include "ui/process.h"

namespace qv {
namespace {

using namespace guitest;

// What the preview window showed before the timer closed it.
struct Seen {
  bool opened = false;
  std::wstring title;
  SIZE area{};
};
Seen gSeen;

BOOL CALLBACK FindPreview(HWND window, LPARAM found) {
  if (GetDlgItem(window, IDC_OUTPUT_PREVIEW_AREA) == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK ClosePreview(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND preview = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindPreview, reinterpret_cast<LPARAM>(&preview));
  if (preview == nullptr) return;
  KillTimer(nullptr, timer);
  gSeen.opened = true;
  gSeen.title = WindowText(preview);
  RECT area{};
  GetClientRect(GetDlgItem(preview, IDC_OUTPUT_PREVIEW_AREA), &area);
  gSeen.area = SIZE{area.right, area.bottom};
  PostMessageW(preview, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageW(preview, WM_COMMAND, IDCANCEL, 0);
}

// The tmp files of the temporary folder.
std::vector<std::wstring> TempFiles() {
  std::vector<std::wstring> names;
  for (const std::wstring& name : FileNames(TemporaryFolder()))
    if (name.rfind(L"tmp", 0) == 0) names.push_back(name);
  return names;
}

class OutputPreviewTest : public guitest::MainWindowFixture {
 protected:
  OutputPreviewTest() { placement_ = Placement::kStored; }

  void SetUp() override {
    gSeen = Seen{};
    in_ = PhotoFolder(L"in", {L"s002.jpg", L"s011.jpg"});
    out_ = scratch_.folder(L"out");
    settings_.params.ScaleNum = 4;
    settings_.params.Limit = 1;
    settings_.params.LmtVal = 60;
    Open();
    ASSERT_NE(main_, nullptr);
    main_->SetInputFolder(in_);
    main_->SetOutputFolder(out_);
  }

  // Presses "出力プレビュー" with a timer ready to record and close the window.
  void Preview() {
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ClosePreview);
    SendMessageW(main_->Panel(), WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_PREVIEW, BN_CLICKED), 0);
    KillTimer(nullptr, timer);
  }

  void SelectRow(int row) {
    ListView_SetItemState(main_->inputPage().List(), -1, 0, LVIS_SELECTED);
    if (row >= 0) ListView_SetItemState(main_->inputPage().List(), row, LVIS_SELECTED, LVIS_SELECTED);
  }

  // The size of the file a run with the window's parameters writes for `name`.
  uint64_t RunOutputBytes(const std::wstring& name) {
    RunRequest request;
    request.inputs = RunInputsOf({in_ + L"\\" + name});
    request.outputFolder = scratch_.folder(L"run");
    request.params = main_->params();
    request.source = RunSource::kCommandLine;
    test::RecordingObserver observer;
    ExecuteRun(request, observer);
    const WIN32_FILE_ATTRIBUTE_DATA data = Attributes(request.outputFolder + L"\\" + name);
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  static WIN32_FILE_ATTRIBUTE_DATA Attributes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data;
  }

  std::wstring in_, out_;
};

TEST_F(OutputPreviewTest, ShowsTheConvertedFileAsARunWritesItAndLeavesNothing) {
  const std::vector<std::wstring> tempBefore = TempFiles();
  SelectRow(1);  // s011.jpg, 1680 x 1050 at 4/8 within 60 KB
  Preview();
  ASSERT_TRUE(gSeen.opened);
  const uint64_t bytes = RunOutputBytes(L"s011.jpg");
  EXPECT_EQ(gSeen.title, L"100% / " + std::to_wstring(bytes >> 10) + L"KB");
  EXPECT_EQ(gSeen.area.cx, 840);
  EXPECT_EQ(gSeen.area.cy, 525);
  EXPECT_LE(bytes, 60u * 1024);
  EXPECT_TRUE(FileNames(out_).empty());
  EXPECT_EQ(TempFiles(), tempBefore);
  EXPECT_EQ(main_->params().ScaleNum, 4);
  EXPECT_TRUE(boxes_.boxes.empty());
}

// With the photo options on, the preview shows the photo upright and its size counts the kept Exif data.
TEST_F(OutputPreviewTest, FollowsThePhotoOptions) {
  CopyDataFile(L"s044.jpg", in_ + L"\\s044.jpg");  // 150 x 91 stored on its side, 28 KB of Exif data
  main_->SetInputFolder(in_);
  main_->params().AutoRotate = 1;
  main_->params().KeepExif = 1;
  SelectRow(2);
  Preview();
  ASSERT_TRUE(gSeen.opened);
  EXPECT_EQ(gSeen.area.cy, 75);  // upright at 4/8: 46 x 75 (the window is never narrower than 110)
  const uint64_t bytes = RunOutputBytes(L"s044.jpg");
  EXPECT_GT(bytes, 20u * 1024);
  EXPECT_EQ(gSeen.title, L"100% / " + std::to_wstring(bytes >> 10) + L"KB");
  EXPECT_TRUE(FileNames(out_).empty());
}

TEST_F(OutputPreviewTest, TheRowChoiceAndItsMessages) {
  // A selected row counts even unchecked; without a selection the first checked row does.
  main_->inputPage().SetRowChecks({true, false});
  SelectRow(1);
  Preview();
  EXPECT_EQ(gSeen.area.cx, 840) << "the selected, unchecked s011.jpg";
  gSeen = Seen{};
  SelectRow(-1);
  main_->inputPage().SetRowChecks({false, true});
  Preview();
  EXPECT_EQ(gSeen.area.cx, 840) << "the first checked row";
  gSeen = Seen{};
  main_->inputPage().SetRowChecks({false, false});
  Preview();
  EXPECT_FALSE(gSeen.opened);
  EXPECT_EQ(boxes_.Texts(), std::vector<std::wstring>{L"対象ファイルがありません。"});

  boxes_.boxes.clear();
  SetWindowTextW(main_->InputField(), scratch_.file(L"nowhere").c_str());
  Preview();
  EXPECT_FALSE(gSeen.opened);
  EXPECT_EQ(boxes_.Texts(), std::vector<std::wstring>{L"入力フォルダが無効です。"});
}

TEST_F(OutputPreviewTest, AFileThatDoesNotConvertOpensNothingAndLeavesNothing) {
  guitest::WriteUtf16File(in_ + L"\\broken.jpg", L"not a photo");
  main_->SetInputFolder(in_);
  const std::vector<std::wstring> tempBefore = TempFiles();
  SelectRow(0);  // broken.jpg sorts first
  Preview();
  EXPECT_FALSE(gSeen.opened);
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_EQ(TempFiles(), tempBefore);
  EXPECT_TRUE(FileNames(out_).empty());
}

}  // namespace
}  // namespace qv
