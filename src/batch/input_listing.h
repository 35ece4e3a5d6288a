// The input list of a folder: its photos (".jpg", ".jpe", ".jpeg" and the HEIF ".heic", ".heif", any case), in natural name
// order, with size and time texts, all checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/directory.h"

namespace qv {

struct InputRow {
  std::wstring name;      // column "ファイル名"
  std::wstring sizeText;  // column "サイズ"
  std::wstring timeText;  // column "更新日時"
  int insertionIndex = 0;  // order in which the file was found
  bool checked = true;
  uint64_t size = 0;
  std::wstring folder;  // of a tree listing: the sub-folder path relative to the listed folder ("" at the top)
};

// Lists the JPEG files of `folder`, leaving out folders, entries that are no regular files (FIFOs,
// devices, dangling links) and entries whose attributes share a bit with `hiddenMask`. A path that is
// not an existing folder gives no rows.
std::vector<InputRow> ListInputFolder(const std::wstring& folder, int32_t hiddenMask);

// Lists the JPEG files of `folder` and of all its sub-folders, folder by folder: a folder's own files
// (as ListInputFolder lists them) first, then each of its sub-folders in natural order, depth first. Each
// row's `folder` is its sub-folder path relative to `folder`. Hidden sub-folders, those matching
// `hiddenMask` and, on Windows, junctions and other reparse points are left out, as is a folder reached a
// second time (a symbolic link back up the tree would otherwise make the walk endless).
std::vector<InputRow> ListInputTree(const std::wstring& folder, int32_t hiddenMask);

// True when the extension of `name` (from its last "." to the end) is exactly as long as `pattern`
// (".jpg", ".jpe", ".jpeg", ".heic", ".heif"). The wildcard search also matches alternate short names (a.jpgx is
// A~1.JPG), so only such a name belongs to the pattern that found it, and every file is listed once.
bool HasExtensionOfPatternLength(const std::wstring& name, const std::wstring& pattern);

// Numeric-aware, ASCII-case-insensitive order: img9 < img10, 7 < 007, Phot < Photo < Photo 2.
int CompareNamesNaturally(const std::wstring& a, const std::wstring& b);

// Kilobytes (1024 bytes) rounded up, with thousands separators: 1234567 -> "1,206 KB".
std::wstring FormatSizeText(uint64_t bytes);
// A number with a comma between groups of three digits counted from the right: 1269 -> "1,269".
std::wstring GroupThousands(uint64_t number);

// "2010/05/16 09:03:07".
std::wstring FormatTimeText(const LocalTime& time);

}  // namespace qv
