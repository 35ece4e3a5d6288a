// The encoder switch of the options page in the real main window: it starts from the settings file (a file
// without the key means libjpeg), a click is saved at exit and shown by the next window, and it carries a
// tooltip.
#include <windows.h>
#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "resources/resource.h"
#include "settings/settings_file.h"
#include "shell/main_window.h"
#include "ui/message_box.h"
#include "ui/process.h"

namespace qv {
namespace {

int AnswerOk(HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; }

class JpegliOptionTest : public testing::Test {
 protected:
  void SetUp() override {
    previousBox_ = SetMessageBoxFunction(AnswerOk);
    Process().settingsPath = scratch_.file(L"Quorvix.ini");
  }
  void TearDown() override {
    Close();
    SetMessageBoxFunction(previousBox_);
  }
  // Opens the window with the parameters the settings file holds now.
  void Open() {
    WindowSettings settings;
    LoadConversionParams(Process().settingsPath, settings.params);
    main_ = MainWindow::Create(settings);
    ASSERT_NE(main_, nullptr);
    ShowWindow(main_->Handle(), SW_SHOWNOACTIVATE);
    main_->SelectTab(2);
  }
  void Close() {
    if (main_ != nullptr && IsWindow(main_->Handle())) SendMessageW(main_->Handle(), WM_CLOSE, 0, 0);
    guitest::PumpMessages(0);
    main_ = nullptr;
  }
  HWND Box() { return GetDlgItem(main_->optionsPage().Handle(), IDC_JPEGLI); }
  bool Checked() { return SendMessageW(Box(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  int32_t SavedEncoder() {
    ConversionParams p;
    LoadConversionParams(Process().settingsPath, p);
    return p.Encoder;
  }

  guitest::ScratchFolder scratch_;
  MainWindow* main_ = nullptr;
  MessageBoxFunction previousBox_ = nullptr;
};

TEST_F(JpegliOptionTest, ClicksAreSavedAtExitAndShownByTheNextWindow) {
  Open();  // no settings file: libjpeg
  ASSERT_NE(Box(), nullptr);
  EXPECT_EQ(guitest::WindowText(Box()), L"高効率エンコーダ (同じ画質でより小さく)");
  EXPECT_FALSE(Checked());
  SendMessageW(Box(), BM_CLICK, 0, 0);
  Close();
  EXPECT_EQ(SavedEncoder(), kEncoderJpegli);

  Open();
  EXPECT_TRUE(Checked());
  SendMessageW(Box(), BM_CLICK, 0, 0);
  Close();
  EXPECT_EQ(SavedEncoder(), kEncoderLibjpeg);
  Open();
  EXPECT_FALSE(Checked());
}

}  // namespace
}  // namespace qv
