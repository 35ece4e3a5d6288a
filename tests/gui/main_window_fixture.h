// The real main window, made for a test and closed after it: the base of the in-process suites that drive
// the whole window. Message boxes are recorded, the settings file lives in the test's scratch folder.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "gui_test_support.h"
#include "message_box_recorder.h"
#include "shell/main_window.h"

namespace qv::guitest {

class MainWindowFixture : public testing::Test {
 protected:
  // How Open() shows the window.
  enum class Placement {
    kCorner,      // moved to the screen's top left corner (drop points, menus), not activated
    kStored,      // where the settings put it, not activated
    kForeground,  // where the settings put it, shown normally and brought to the foreground (keys, focus)
  };

  MainWindowFixture();
  ~MainWindowFixture() override;

  // Configure(), then Open(); a suite that opens the window later overrides SetUp.
  void SetUp() override;
  void TearDown() override { Close(); }

  // Called before the window is made: settings a test wants at creation.
  virtual void Configure() {}

  // Makes the window with settings_.
  void Open();
  // Closes the window (it writes the settings file); its object goes with it.
  void Close();
  // A new window made with the current window's settings as `change` leaves them.
  void Reopen(const std::function<void(WindowSettings&)>& change);

  // The settings the window edits, or those it will be made with.
  WindowSettings& Settings() { return main_ != nullptr ? main_->settings() : settings_; }
  ConversionParams& Params() { return Settings().params; }
  StoredAppState& Stored() { return Settings().stored; }
  MainWindow& W() const { return *main_; }
  HWND Panel(int id) const { return GetDlgItem(W().Panel(), id); }
  // A button of the panel clicked ("変換", "Ver." …).
  void PressPanelButton(int id);
  void Convert();

  // A folder `name` of the scratch folder holding copies of the test photos `files`.
  std::wstring PhotoFolder(const std::wstring& name, std::initializer_list<const wchar_t*> files);

  Placement placement_ = Placement::kCorner;
  MessageBoxRecorder boxes_;
  ScratchFolder scratch_;
  WindowSettings settings_;
  MainWindow* main_ = nullptr;  // owned by its window
  HWND window_ = nullptr;

 private:
  std::wstring previousSettingsPath_;
};

}  // namespace qv::guitest
