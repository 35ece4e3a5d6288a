// Listing the input folder.
#include "batch/input_listing.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "platform/files.h"
#include "platform/system_folders.h"

namespace qv {

namespace {

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

size_t DigitRun(const std::wstring& s, size_t from) {
  size_t end = from;
  while (end < s.size() && IsWideDigit(s[end])) ++end;
  return end - from;
}

}  // namespace

int CompareNamesNaturally(const std::wstring& a, const std::wstring& b) {
  size_t i = 0;
  for (;;) {
    if (i >= a.size()) return i >= b.size() ? 0 : -1;
    if (i >= b.size()) return 1;
    if (IsWideDigit(a[i]) && IsWideDigit(b[i])) {
      const size_t runA = DigitRun(a, i), runB = DigitRun(b, i);
      if (runA != runB) return runA < runB ? -1 : 1;
    }
    const wchar_t ca = FoldAscii(a[i]), cb = FoldAscii(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
  }
}

std::wstring GroupThousands(uint64_t number) {
  const std::wstring digits = std::to_wstring(number);
  const size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
  std::wstring text = digits.substr(0, lead);
  for (size_t i = lead; i < digits.size(); i += 3) text += L"," + digits.substr(i, 3);
  return text;
}

std::wstring FormatSizeText(uint64_t bytes) {
  const uint64_t kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
  return GroupThousands(kb) + L" KB";
}

std::wstring FormatTimeText(const LocalTime& t) {
  wchar_t buf[64];
  std::swprintf(buf, sizeof(buf) / sizeof(buf[0]), L"%d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

bool HasExtensionOfPatternLength(const std::wstring& name, const std::wstring& pattern) {
  const size_t dot = name.rfind(L'.');
  return dot != std::wstring::npos && name.size() - dot == pattern.size();
}

std::vector<InputRow> ListInputFolder(const std::wstring& folder, int32_t hiddenMask) {
  std::vector<InputRow> rows;
  if (!IsExistingFolder(folder)) return rows;
  for (const wchar_t* pattern : {L".jpg", L".jpe", L".jpeg", L".heic", L".heif"}) {
    const std::wstring extension = pattern;
    for (const DirectoryEntry& entry : FindEntries(folder, extension)) {
      if ((entry.attributes & (kAttributeDirectory | kAttributeNotRegular)) != 0) continue;
      if ((entry.attributes & static_cast<uint32_t>(hiddenMask)) != 0) continue;
      if (!HasExtensionOfPatternLength(entry.name, extension)) continue;
      InputRow row;
      row.name = entry.name;
      row.size = entry.size;
      row.sizeText = FormatSizeText(entry.size);
      row.timeText = FormatTimeText(entry.lastWrite);
      row.insertionIndex = static_cast<int>(rows.size());
      rows.push_back(std::move(row));
    }
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const InputRow& x, const InputRow& y) { return CompareNamesNaturally(x.name, y.name) < 0; });
  return rows;
}

std::vector<InputRow> ListInputTree(const std::wstring& folder, int32_t hiddenMask) {
  std::vector<InputRow> rows;
  if (!IsExistingFolder(folder)) return rows;
  std::set<std::pair<uint64_t, uint64_t>> visited;
  const FileIdentity top = IdentifyFile(folder);
  if (top.known) visited.insert({top.volume, top.index});
  // Relative paths of the folders still to list, the next one last; a stack keeps the walk depth first
  // without recursion, however deep the tree.
  std::vector<std::wstring> pending{std::wstring()};
  const uint32_t leftOut = kAttributeHidden | kAttributeReparsePoint | static_cast<uint32_t>(hiddenMask);
  while (!pending.empty()) {
    const std::wstring relative = std::move(pending.back());
    pending.pop_back();
    const std::wstring path = relative.empty() ? folder : JoinPath(folder, relative);
    for (InputRow& row : ListInputFolder(path, hiddenMask)) {
      row.folder = relative;
      row.insertionIndex = static_cast<int>(rows.size());
      rows.push_back(std::move(row));
    }
    std::vector<std::wstring> subFolders;
    for (const DirectoryEntry& entry : FindEntries(path, L"")) {
      if ((entry.attributes & kAttributeDirectory) == 0 || (entry.attributes & leftOut) != 0) continue;
      if (entry.name != L"." && entry.name != L"..") subFolders.push_back(entry.name);
    }
    // Sorted before they are recognised, so that of two names for one folder the first in order is kept
    // whatever order the system lists them in.
    std::stable_sort(subFolders.begin(), subFolders.end(),
                     [](const std::wstring& x, const std::wstring& y) { return CompareNamesNaturally(x, y) < 0; });
    std::vector<std::wstring> kept;
    for (const std::wstring& name : subFolders) {
      const FileIdentity id = IdentifyFile(JoinPath(path, name));
      if (id.known && visited.insert({id.volume, id.index}).second) kept.push_back(name);
    }
    for (auto it = kept.rbegin(); it != kept.rend(); ++it)
      pending.push_back(relative.empty() ? *it : JoinPath(relative, *it));
  }
  return rows;
}

}  // namespace qv
