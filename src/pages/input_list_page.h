// The individual-input page (tab 1, id 1032): the check-box list of the input folder's JPEG files (the
// input set of a folder run; the list control is the only record of which files are included) and the
// full-size preview of the one selected file with its name and size, the ON/OFF buttons and the count,
// and the switch that lists the photos of the folder's whole tree (with a column of their sub-folders).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "batch/input_listing.h"
#include "batch/run.h"
#include "engine/params.h"
#include "pages/tab_page.h"
#include "preview/input_preview.h"
#include "settings/app_options.h"

namespace qv {

class InputListPage : public TabPage {
 public:
  // `params` decide how the preview decodes; `options` give the hidden-file mask of the listing and
  // whether it takes in the sub-folders (SubFolders, which the page's check box edits).
  InputListPage(PageHost& host, const ConversionParams& params, AppOptions& options)
      : TabPage(host), params_(params), options_(options) {}

  // Builds the page, hidden, over `area` of the tab control. Null on failure.
  HWND Create(HWND tab, const RECT& area);

  // Fills the list with the JPEG files of `folder` (all checked), or with those of its whole tree and the
  // folder column while SubFolders is on; an invalid folder empties it.
  void LoadFolder(const std::wstring& folder);
  // True when the rows are (or the next listing will be) those of the folder's whole tree.
  bool ListsTree() const { return options_.SubFolders != 0; }
  // The folder the rows were listed from: the rows name its files. Empty while the list shows no folder.
  const std::wstring& Folder() const { return folder_; }
  // Names, sub-folders and check states in display order.
  std::vector<RunRow> Rows() const;
  // The index of the first selected row from the top, -1 when none is.
  int FirstSelectedRow() const;
  // One entry per row.
  void SetRowChecks(const std::vector<bool>& checked);
  // Takes the rows of these files (their paths below the listed folder: inputs a run removed) out of the
  // list and updates the count.
  void RemoveRows(const std::vector<std::wstring>& names);
  // Sets the check box of every row, or of every selected row. An empty list is left alone.
  void CheckAllItems(bool checked);
  void SetSelectedCheckState(bool checked);

  // Decodes `path` at full size and shows it with its name and "W x H    Nbit". On any failure the
  // previous preview stays as it was. True when the new image is shown.
  bool LoadPreview(const std::wstring& path);
  // Drops the preview image, empties both lines and the path, and repaints the box.
  void ClearPreview();
  // The preview released (a run is about to start) and the selection of all rows cleared.
  void ReleasePreview();
  const std::wstring& PreviewPath() const { return preview_.Path(); }
  const InputPreviewBox& Preview() const { return preview_; }

  HWND List() const { return list_; }
  // Puts the list's own window procedure back (shut-down).
  void RestoreListProcedure();
  // Sizes the list's columns for the window's current DPI (the time column for the widest time).
  void ApplyDpi();

 protected:
  void OnCommand(int id, int code, HWND control) override;
  LRESULT OnNotify(const NMHDR& header) override;

 private:
  void CreateFileList();
  void CreateInfoControls();
  int RowCount() const;
  std::wstring RowText(int row, int column) const;
  std::wstring RowName(int row) const { return RowText(row, 0); }
  std::wstring RowPath(int row) const;  // below the listed folder
  void ShowFolderColumn(bool shown);
  void OnSubFolders();
  void SetRowCheck(int row, bool checked);
  void ShowRowCount();
  void AppendRow(const InputRow& row);
  void OnListItemChanged(const NMLISTVIEW& change);
  template <typename Include>
  void SetChecksOfRows(bool checked, Include include);

  const ConversionParams& params_;
  AppOptions& options_;
  InputPreviewBox preview_;
  HWND list_ = nullptr;
  HWND nameLine_ = nullptr;
  HWND infoLine_ = nullptr;
  HWND count_ = nullptr;
  bool folderColumn_ = false;  // the list has the column "フォルダ" (subitem 3, shown second)
  std::wstring folder_;
  // Set while this page changes check boxes itself, so the notifications it causes are not acted on.
  bool settingChecks_ = false;
};

}  // namespace qv
