// The options page (tab 2, id 1033): start-up folders, the Send To group, the display switches, and what
// the outputs keep of their inputs (orientation, Exif, colour profile, file time) with the long-edge
// bound and the box every photo is fitted into. A form over the program's options and those conversion parameters: built from them, each change
// written into them at once (the long-edge field on every edit, so no run has to ask for it); while it is
// built it applies the start-up folders to the two folder fields of its host.
#pragma once

#include <windows.h>

#include <string>

#include "engine/params.h"
#include "pages/tab_page.h"
#include "settings/app_options.h"

namespace qv {

class OptionsPage : public TabPage {
 public:
  OptionsPage(PageHost& host, AppOptions& options, ConversionParams& params)
      : TabPage(host), options_(options), params_(params) {}

  // Builds the page, hidden, over `area` of the tab control. Null on failure.
  HWND Create(HWND tab, const RECT& area);

  // Shows or hides hidden items: Hidden flips between 2 and 0 and the check box 1344 follows. Folders
  // listed from then on use the new mask; the input list as it stands, with its check boxes, is kept.
  // Meant for the tree menu's command too.
  void ToggleHiddenItems();

  // A folder dropped on one of the three path fields (ISPath, OSPath, SdToPath): stored and shown. False
  // when `target` is none of them.
  bool TakeDroppedFolder(HWND target, const std::wstring& folder);

  struct StartupRow;  // the ids of one start-up folder row

 protected:
  void OnCommand(int id, int code, HWND control) override;

 private:
  void BuildStartupGroup(int width);
  void BuildStartupRow(const StartupRow& row, int choice, const std::wstring& specified, int y, int width);
  void BuildSendToGroup(int width);
  void BuildSwitches(int width);
  void BuildPhotoGroup(int width);
  void ShowPath(int id, const std::wstring& path);
  void ShowSendToFolder();
  void EnableRowPath(const StartupRow& row, bool enabled);
  void OnStartupChoice(const StartupRow& row, int id, int32_t& option);
  void OnChooseStartupFolder(const StartupRow& row, std::wstring& option);
  void OnChooseSendToFolder();
  void OnTooltips();
  void OnMaxEdgeField(int code);
  void EnableMaxEdgeField();
  void BuildFitRow();
  void OnFitField(int code, int fieldId, int spinId, int32_t& side);
  void EnableFitFields();
  void AddPhotoTooltips();

  AppOptions& options_;
  ConversionParams& params_;
};

}  // namespace qv
