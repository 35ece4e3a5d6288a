// The output settings page (tab 0, id 1031): quality, sampling, size bound, progressive, comment, scale
// with its size sample, the naming rule with its number and name parts, and the disposal of the inputs.
// A form over the conversion parameters and CalcNum: built from them, each click written into them at
// once; the numbers and texts still held in its fields are stored when a run or the shut-down asks.
#pragma once

#include <windows.h>

#include "engine/params.h"
#include "pages/tab_page.h"
#include "settings/app_options.h"

namespace qv {

class OutputSettingsPage : public TabPage {
 public:
  OutputSettingsPage(PageHost& host, ConversionParams& params, AppOptions& options)
      : TabPage(host), params_(params), options_(options) {}

  // Builds the page, visible, over `area` of the tab control. Null on failure.
  HWND Create(HWND tab, const RECT& area);
  // Enables the fields that their check boxes and the naming rule switch on.
  void ApplyEnabling();
  // Quality and LmtVal from their spin fields, then the text and number fields of the names.
  void StoreFields();
  // Only the text and number fields of the names (digits, start number, prefix, suffix, sub-folder).
  void StoreNameFields();

 protected:
  void OnCommand(int id, int code, HWND control) override;

 private:
  void Build();
  bool OnFlagBoxCommand(int id, int code);
  void OnScaleChosen(int id);
  void OnNamingChosen(int id);
  void OnSizeSampleChanged();
  void ShowSizeSample();
  void AddTooltips();

  ConversionParams& params_;
  AppOptions& options_;
};

}  // namespace qv
