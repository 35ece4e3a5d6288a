#include "main_window_fixture.h"

#include "resources/resource.h"
#include "ui/process.h"

namespace qv::guitest {

MainWindowFixture::MainWindowFixture() : previousSettingsPath_(Process().settingsPath) {
  Process().settingsPath = scratch_.file(L"Quorvix.ini");
}

MainWindowFixture::~MainWindowFixture() { Process().settingsPath = previousSettingsPath_; }

void MainWindowFixture::SetUp() {
  Configure();
  Open();
}

void MainWindowFixture::Open() {
  main_ = MainWindow::Create(settings_);
  ASSERT_NE(main_, nullptr);
  window_ = main_->Handle();
  switch (placement_) {
    case Placement::kCorner:
      SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      ShowWindow(window_, SW_SHOWNOACTIVATE);
      break;
    case Placement::kStored:
      ShowWindow(window_, SW_SHOWNOACTIVATE);
      break;
    case Placement::kForeground:
      ShowWindow(window_, SW_SHOWNORMAL);
      SetForegroundWindow(window_);
      break;
  }
  UpdateWindow(window_);
  if (placement_ == Placement::kForeground) PumpMessages(0);
}

void MainWindowFixture::Close() {
  if (window_ != nullptr && IsWindow(window_)) SendMessageW(window_, WM_CLOSE, 0, 0);
  PumpMessages(0);
  window_ = nullptr;
  main_ = nullptr;  // the window deleted its object
}

void MainWindowFixture::Reopen(const std::function<void(WindowSettings&)>& change) {
  settings_ = W().settings();
  Close();
  change(settings_);
  Open();
}

void MainWindowFixture::PressPanelButton(int id) {
  SendMessageW(W().Panel(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Panel(id)));
}

void MainWindowFixture::Convert() { PressPanelButton(IDC_CONVERT); }

std::wstring MainWindowFixture::PhotoFolder(const std::wstring& name, std::initializer_list<const wchar_t*> files) {
  const std::wstring folder = scratch_.folder(name);
  for (const wchar_t* file : files) EXPECT_TRUE(CopyDataFile(file, folder + L"\\" + file)) << file;
  return folder;
}

}  // namespace qv::guitest
