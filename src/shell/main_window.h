// The main window of Quorvix.exe: the fixed 720 x 500 client area (96-DPI pixels, scaled for the
// window's DPI) with the folder-tree panel on the left
// and the main panel (folder fields, tab control with the three pages, progress bar, buttons) on the
// right; the system menu with the always-on-top toggle. The window object owns everything of it: the
// settings record it edits (handed over at creation, written back at shut-down), the panels, fields,
// histories and watch, the tooltip, the menu resources, the three pages and the folder-tree panel.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "engine/params.h"
#include "forms/window_placement.h"
#include "pages/input_list_page.h"
#include "pages/options_page.h"
#include "pages/output_settings_page.h"
#include "settings/settings_file.h"
#include "shell/folder_fields.h"
#include "tree/tree_panel.h"
#include "ui/controls.h"
#include "ui/taskbar_progress.h"
#include "ui/dpi.h"
#include "ui/window_base.h"

namespace qv {

constexpr int kMainClientWidth = 720;
constexpr int kMainClientHeight = 500;
constexpr int kTreeColumnWidth = 180;

extern const wchar_t kMainWindowClass[];     // "Quorvix_main_class"
extern const wchar_t kMainPanelClass[];      // "Quorvix_mnbase_class"

// The settings the window is made with and edits: the conversion parameters and the stored options,
// window position, folder histories and registered folders.
struct WindowSettings {
  ConversionParams params;
  StoredAppState stored;
};

class MainWindow;

// The main panel (id 1010): routes its commands and the tab control's notifications to the window.
class MainPanel : public WindowBase {
 public:
  explicit MainPanel(MainWindow& owner) : owner_(owner) {}
  HWND Create(HWND parent);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  MainWindow& owner_;
};

class MainWindow : public WindowBase, public PageHost, public TreeHost {
 public:
  // Creates the main window, hidden, at the stored position (or centred in the primary work area),
  // brought into the work area of the nearest monitor, topmost when TopMost is set. The whole interface
  // is built during creation. Null on failure. The object lives as long as its window.
  static MainWindow* Create(WindowSettings settings);

  WindowSettings& settings() { return settings_; }
  ConversionParams& params() { return settings_.params; }
  AppOptions& options() { return settings_.stored.options; }
  OutputSettingsPage& outputPage() { return outputPage_; }
  InputListPage& inputPage() { return inputPage_; }
  OptionsPage& optionsPage() { return optionsPage_; }
  TreePanel& tree() { return tree_; }
  InputFolderWatch& watch() { return watch_; }
  const Tooltip& tooltip() const { return tooltip_; }
  HWND InputField() const { return inputField_; }
  HWND OutputField() const { return outputField_; }
  HWND Panel() const { return panel_.Handle(); }
  HWND Tab() const { return tab_; }
  HWND Progress() const { return progress_; }
  HWND StopButton() const { return stopButton_; }
  // The progress of runs on the window's taskbar button.
  TaskbarProgress& taskbar() { return *taskbar_; }
  // Tests put a recorder in place of the taskbar button; null restores the button. Returns the previous.
  TaskbarProgress* SetTaskbarProgress(TaskbarProgress* progress);
  // The DPI the window is laid out for and the fonts made for it.
  const WindowDpi& dpi() const { return dpi_; }

  // Set for the length of a run; commands and drops wait while it is.
  bool RunActive() const { return runActive_; }
  void SetRunActive(bool active) { runActive_ = active; }

  // The page and tree host: message boxes owned by this window, its tooltip, the two folder fields, the
  // options page's hidden-items switch, the menu resources.
  HWND MessageOwner() const override { return Handle(); }
  void AddTooltip(HWND control, const wchar_t* text) override { tooltip_.Add(control, text); }
  void ActivateTooltips(bool active) override { tooltip_.Activate(active); }
  void SetInputFolder(const std::wstring& folder) override;
  void SetOutputFolder(const std::wstring& folder) override;
  bool DropFolderAt(POINT screenPoint, const std::wstring& folder) override;
  void ToggleHiddenItems() override { optionsPage_.ToggleHiddenItems(); }
  HFONT MenuFont() const override { return menuFont_.Get(); }
  HBRUSH MenuBrush() const override { return menuBrush_.Get(); }

  // A message of the fixed table owned by this window.
  int ShowMessage(MessageCode code) const;

  // Shows the page of the selected tab and hides the two others; the focus goes to the main window.
  void SwitchTabPage();
  // Selects tab `index` (0 output settings, 1 individual input, 2 options) as a click on it would.
  void SelectTab(int index);
  // Flips TopMost and moves the window into or out of the topmost band, keeping its place and size.
  void ToggleTopMost();
  // Every command of the main panel, keyed by control id.
  void OnPanelCommand(int id, int code);

  // A drop that arrived during a run: handled once the run is over.
  void DeferDrop(HDROP drop);

  // The top-left corner of the window's normal (restored) place in screen coordinates, also while it is
  // minimised. False when the system does not tell.
  bool NormalPosition(POINT& position) const;

  // On the close request, before the window is destroyed: hook removed, subclassed list restored, watch
  // closed, preview released, the output settings and folder fields read back, the menu resources
  // deleted, and the settings file rewritten.
  void ShutDown();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage() override;

 private:
  explicit MainWindow(WindowSettings settings);

  void Build();
  void BuildFolderFields(HWND panel);
  void BuildButtons(HWND panel);
  void BuildTabControl(HWND panel);
  void SwitchTabPageWithoutFocus();
  void OnInputFieldCommand(int code);
  void OnMove();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void LayOutTabPages();
  void OnTimer(UINT_PTR id);
  void CreateMenuResources();
  void DeleteMenuResources();

  WindowSettings settings_;
  WindowDpi dpi_;
  // Menu resources taken from the system for drawing the folder tree's menus.
  UniqueGdiObject<HBRUSH> menuBrush_;
  UniqueGdiObject<HFONT> menuFont_;
  TreePanel tree_;
  MainPanel panel_;
  OutputSettingsPage outputPage_;
  InputListPage inputPage_;
  OptionsPage optionsPage_;
  Tooltip tooltip_;
  InputFolderWatch watch_;
  HWND inputField_ = nullptr;   // combo box 1013
  HWND outputField_ = nullptr;  // combo box 1014
  HWND progress_ = nullptr;     // 1020
  HWND tab_ = nullptr;          // 1030
  HWND stopButton_ = nullptr;   // 1024
  // Screen coordinates minus placement coordinates, measured whenever the window stands in its normal
  // place, where both are known. Windows does not say how to convert them while the window is minimised.
  POINT placementOffset_{};
  bool runActive_ = false;
  TaskbarButton taskbarButton_;
  TaskbarProgress* taskbar_ = &taskbarButton_;
  std::vector<HDROP> deferredDrops_;
};

// The outer window size for the 720 x 500 client area under the main window's styles at `dpi`.
SIZE MainWindowOuterSize(UINT dpi);

// `window` moved into `workArea` by the rule of forms/window_placement.h.
RECT FitIntoWorkArea(const RECT& window, const RECT& workArea);

// Every read of the main window's placement goes through this function; the default is
// GetWindowPlacement. Windows reports the normal place of a placement in workspace coordinates, which
// differ from screen coordinates by a taskbar at the top or left; Wine reports screen coordinates, so
// tests stand in for the first. Returns the previous function.
using WindowPlacementFunction = BOOL(WINAPI*)(HWND window, WINDOWPLACEMENT* placement);
WindowPlacementFunction SetWindowPlacementFunction(WindowPlacementFunction function);

// Registers the window classes of the main window (main window, tree panel, main panel, tab pages, the
// preview boxes) and initialises the common controls. Idempotent.
bool RegisterWindowClasses();

}  // namespace qv
