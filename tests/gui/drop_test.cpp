// In-process tests of drops onto the main window: a real WM_DROPFILES with a DROPFILES block in global
// memory, its point on the target control, posted to the window and handled by its message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gui_test_support.h"
#include "main_window_fixture.h"
#include "platform/system_folders.h"
#include "resources/resource.h"
#include "ui/process.h"
#include "shell/drop.h"
#include "shell/folder_fields.h"
#include "shell/main_window.h"
#include "shell/window_run.h"
#include "ui/message_box.h"

namespace qv {
namespace {

using namespace guitest;

const wchar_t kSummary0of1[] = L"入力ファイル数  1\n出力ファイル数  0\n    ";
const wchar_t kSummary1of1[] = L"入力ファイル数  1\n出力ファイル数  1\n    ";
const wchar_t kSummary0of2[] = L"入力ファイル数  2\n出力ファイル数  0\n    ";
const wchar_t kSummary2of2[] = L"入力ファイル数  2\n出力ファイル数  2\n    ";

// A DROPFILES block as the shell makes it: wide paths, each ending in a zero, and one zero more.
HGLOBAL MakeDrop(const std::vector<std::wstring>& paths, POINT clientPoint) {
  size_t chars = 1;
  for (const std::wstring& path : paths) chars += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  if (memory == nullptr) return nullptr;
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->pt = clientPoint;
  files->fNC = FALSE;
  files->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(files) + sizeof(DROPFILES));
  for (const std::wstring& path : paths) {
    std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    text += path.size() + 1;
  }
  GlobalUnlock(memory);
  return memory;
}

// A shell link at `linkPath` pointing to `target`.
bool MakeShortcut(const std::wstring& target, const std::wstring& linkPath) {
  using Microsoft::WRL::ComPtr;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return false;
  if (FAILED(link->SetPath(target.c_str()))) return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file))) return false;
  return SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

class DropTest : public guitest::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    in_ = PhotoFolder(L"in", {L"s002.jpg", L"s010.jpg"});
    out_ = scratch_.folder(L"out");
    guitest::WriteUtf16File(in_ + L"\\note.txt", L"not a photo");
  }

  // Drops `paths` onto the centre of `target` (or `offset` from its top left corner) and lets the
  // window handle the message.
  void DropOn(HWND target, const std::vector<std::wstring>& paths, POINT offset = POINT{-1, -1}) {
    ASSERT_NE(target, nullptr);
    RECT r{};
    GetWindowRect(target, &r);
    POINT point = offset.x < 0 ? POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}
                               : POINT{r.left + offset.x, r.top + offset.y};
    ScreenToClient(window_, &point);
    HGLOBAL drop = MakeDrop(paths, point);
    ASSERT_NE(drop, nullptr);
    ASSERT_TRUE(PostMessageW(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0));
    PumpMessages(50);
  }

  // A point of the tab area that no control of the output settings page covers: the tab strip's
  // right end.
  void DropOnTabArea(const std::vector<std::wstring>& paths) {
    RECT r{};
    GetWindowRect(W().Tab(), &r);
    DropOn(W().Tab(), paths, POINT{r.right - r.left - 8, 8});
  }

  HWND OptionsItem(int id) const { return GetDlgItem(W().optionsPage().Handle(), id); }

  std::wstring in_;
  std::wstring out_;
};

TEST_F(DropTest, FolderFileAndShortcutOnTheInputFieldSetTheInputFolder) {
  HWND edit = ComboEdit(W().InputField());
  DropOn(edit, {in_});
  EXPECT_EQ(FolderFieldText(W().InputField()), in_);
  EXPECT_EQ(W().inputPage().Rows().size(), 2u);  // the two JPEG files, not the text file

  // A file names its folder; only the first of several paths counts.
  const std::wstring other = scratch_.folder(L"other");
  CopyDataFile(L"s012.jpg", other + L"\\s012.jpg");
  DropOn(edit, {other + L"\\s012.jpg", in_ + L"\\s002.jpg"});
  EXPECT_EQ(FolderFieldText(W().InputField()), other);
  ASSERT_EQ(W().inputPage().Rows().size(), 1u);
  EXPECT_EQ(W().inputPage().Rows()[0].name, L"s012.jpg");

  // A shortcut to a folder stands for its target.
  const std::wstring link = scratch_.file(L"to in.lnk");
  ASSERT_TRUE(MakeShortcut(in_, link));
  DropOn(edit, {link});
  EXPECT_EQ(FolderFieldText(W().InputField()), in_);
  EXPECT_EQ(W().inputPage().Rows().size(), 2u);
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_TRUE(FileNames(out_).empty());
}

TEST_F(DropTest, FolderOnTheOutputFieldSetsTheOutputFolderOnly) {
  DropOn(ComboEdit(W().OutputField()), {out_});
  EXPECT_EQ(FolderFieldText(W().OutputField()), out_);
  EXPECT_TRUE(FolderFieldText(W().InputField()).empty());
  EXPECT_TRUE(W().inputPage().Rows().empty());
  // A file dropped there gives its folder.
  DropOn(ComboEdit(W().OutputField()), {in_ + L"\\note.txt"});
  EXPECT_EQ(FolderFieldText(W().OutputField()), in_);
}

TEST_F(DropTest, FilesOnTheTabAreaAreConvertedIntoTheOutputFolder) {
  W().SetOutputFolder(out_);
  DropOnTabArea({in_ + L"\\s010.jpg", in_ + L"\\s002.jpg"});
  EXPECT_EQ(FileNames(out_), (std::vector<std::wstring>{L"s002.jpg", L"s010.jpg"}));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, kSummary2of2);
  EXPECT_EQ(FolderHistory(W().OutputField()).front(), out_);  // the output folder is remembered
  EXPECT_TRUE(W().inputPage().Rows().empty());                // the input folder is left alone
  EXPECT_EQ(guitest::WindowText(window_), L"Quorvix");

  // Over a page's own controls too: a drop anywhere on the tab area converts.
  const std::wstring out2 = scratch_.folder(L"out2");
  W().SetOutputFolder(out2);
  DropOn(W().outputPage().Handle(), {in_ + L"\\s002.jpg"});
  EXPECT_EQ(FileNames(out2), (std::vector<std::wstring>{L"s002.jpg"}));
}

// Dropped files and a dropped folder deeper than MAX_PATH arrive whole: the files are converted, the
// folder lands in the field.
TEST_F(DropTest, PathsBeyondMaxPathAreTakenWhole) {
  std::wstring deep = scratch_.folder(L"deep");
  const guitest::DeepTreeRemover remover{deep};
  for (const wchar_t c : {L'a', L'b', L'c', L'd', L'e'}) {
    deep += L"\\" + std::wstring(60, c);
    ASSERT_TRUE(CreateFolder(deep));
  }
  for (const wchar_t* name : {L"s002.jpg", L"s010.jpg"}) ASSERT_TRUE(guitest::CopyDataFile(name, deep + L"\\" + name));
  const std::wstring deepOut = deep + L"\\out";
  ASSERT_TRUE(CreateFolder(deepOut));
  W().SetOutputFolder(deepOut);
  DropOnTabArea({deep + L"\\s010.jpg", deep + L"\\s002.jpg"});
  EXPECT_EQ(FileNames(deepOut), (std::vector<std::wstring>{L"s002.jpg", L"s010.jpg"}));
  DropOnTabArea({deep});
  EXPECT_EQ(FolderFieldText(W().InputField()), deep);
  EXPECT_EQ(W().inputPage().Rows().size(), 2u);
}

TEST_F(DropTest, NonJpegDropsOnTheTabAreaCountAsInputsNotConverted) {
  W().SetOutputFolder(out_);
  DropOnTabArea({in_ + L"\\note.txt"});
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].caption, L"変換完了");
  EXPECT_EQ(boxes_.boxes[0].text, kSummary0of1);

  // Two folders are not an input folder: both go into a run and neither converts.
  DropOnTabArea({in_, scratch_.folder(L"more")});
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].text, kSummary0of2);
  EXPECT_TRUE(FolderFieldText(W().InputField()).empty());

  // A shortcut is taken as dropped here, not resolved: a file that is not a JPEG.
  const std::wstring link = scratch_.file(L"to in.lnk");
  ASSERT_TRUE(MakeShortcut(in_, link));
  DropOnTabArea({link});
  ASSERT_EQ(boxes_.boxes.size(), 3u);
  EXPECT_EQ(boxes_.boxes[2].text, kSummary0of1);
  EXPECT_TRUE(FileNames(out_).empty());
}

TEST_F(DropTest, OneFolderOnTheTabAreaBecomesTheInputFolder) {
  DropOnTabArea({in_});
  EXPECT_EQ(FolderFieldText(W().InputField()), in_);
  EXPECT_EQ(W().inputPage().Rows().size(), 2u);
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(DropTest, InvalidOutputFieldStopsADropRunWithItsMessage) {
  SetWindowTextW(W().OutputField(), scratch_.file(L"nowhere").c_str());
  DropOnTabArea({in_ + L"\\s002.jpg"});
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, L"出力フォルダが無効です。");
  EXPECT_EQ(boxes_.boxes[0].caption, L"Error");
  EXPECT_EQ(FileNames(in_).size(), 3u);
  EXPECT_TRUE(FolderHistory(W().OutputField()).empty());
}

TEST_F(DropTest, DropDuringARunIsHandledAfterIt) {
  W().SetOutputFolder(out_);
  W().SetRunActive(true);  // as while the run's cancel question or summary box is open
  DropOnTabArea({in_ + L"\\s002.jpg"});
  DropOn(ComboEdit(W().InputField()), {in_});
  PumpMessages(300);
  EXPECT_TRUE(FileNames(out_).empty());
  EXPECT_TRUE(FolderFieldText(W().InputField()).empty());
  W().SetRunActive(false);
  EXPECT_TRUE(guitest::PumpUntil([&] { return !FolderFieldText(W().InputField()).empty(); }, 2000));
  EXPECT_EQ(FileNames(out_), (std::vector<std::wstring>{L"s002.jpg"}));  // in drop order: the run first
  EXPECT_EQ(FolderFieldText(W().InputField()), in_);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, kSummary1of1);
}

TEST_F(DropTest, DropsOutsideFieldsTreeAndTabAreaDoNothing) {
  W().SetOutputFolder(out_);
  for (int id : {IDC_CONVERT, IDC_INPUT_LABEL, IDC_PROGRESS}) {
    DropOn(Panel(id), {in_});
    DropOn(Panel(id), {in_ + L"\\s002.jpg"});
  }
  // The tree panel outside its tree view.
  DropOn(GetDlgItem(W().tree().Handle(), IDC_REGISTERED_LABEL), {in_});
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_TRUE(Stored().registeredFolders.empty());
  EXPECT_TRUE(FolderFieldText(W().InputField()).empty());
  EXPECT_EQ(FolderFieldText(W().OutputField()), out_);
  EXPECT_TRUE(FileNames(out_).empty());
}

TEST_F(DropTest, ExistingFolderDroppedOnTheTreeViewIsRegistered) {
  DropOn(W().tree().View(), {in_});
  DropOn(W().tree().View(), {in_ + L"\\s002.jpg"});            // a file: its folder, registered already
  DropOn(W().tree().View(), {scratch_.file(L"gone\\x.jpg")});  // no such folder: nothing
  EXPECT_EQ(Stored().registeredFolders, std::vector<std::wstring>{in_});
  EXPECT_TRUE(FolderFieldText(W().InputField()).empty());
  EXPECT_TRUE(boxes_.boxes.empty());
}

// The start-up input path field is enabled only with IIFolder 2.
class DropOnOptionsTest : public DropTest {
  void Configure() override { Stored().options.IIFolder = 2; }
};

TEST_F(DropOnOptionsTest, PathFieldsOfTheOptionsPageTakeTheFolder) {
  W().SelectTab(2);
  DropOn(OptionsItem(IDC_STARTUP_INPUT_PATH), {in_ + L"\\s002.jpg"});
  EXPECT_EQ(Stored().options.ISPath, in_);
  EXPECT_EQ(guitest::WindowText(OptionsItem(IDC_STARTUP_INPUT_PATH)), in_);
  DropOn(OptionsItem(IDC_SENDTO_FOLDER), {out_});
  EXPECT_EQ(Stored().options.SdToPath, out_);
  EXPECT_TRUE(FolderFieldText(W().InputField()).empty());
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(DropTest, DisabledPathFieldIsPassedOverAndTheDropLandsOnTheTabArea) {
  W().SelectTab(2);
  HWND field = OptionsItem(IDC_STARTUP_OUTPUT_PATH);
  ASSERT_FALSE(IsWindowEnabled(field));
  DropOn(field, {in_});
  EXPECT_TRUE(Stored().options.OSPath.empty());
  EXPECT_EQ(FolderFieldText(W().InputField()), in_);
  EXPECT_EQ(W().inputPage().Rows().size(), 2u);
}

}  // namespace
}  // namespace qv
