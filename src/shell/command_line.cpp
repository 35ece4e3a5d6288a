// Command-line paths: a direct run or the folder fields preset with only the passed files checked.
#include "shell/command_line.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/system_folders.h"
#include "platform/win32/long_path.h"
#include "shell/main_window.h"
#include "shell/window_run.h"
#include "ui/heap_path_array.h"

namespace qv {

namespace {

bool NamesEqual(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

CommandLineResult ConvertDirectly(MainWindow& window, int argc, wchar_t** args) {
  const size_t count = static_cast<size_t>(argc - 1);
  std::vector<std::wstring> longPaths;
  size_t longest = 0;
  for (size_t i = 0; i < count; ++i) {
    longPaths.push_back(LongPathOf(args[i + 1]));
    longest = std::max(longest, longPaths.back().size());
  }
  HeapPathArray array(count, longest);
  if (!array.ok()) return CommandLineResult::kClose;
  std::vector<std::wstring> paths;
  for (size_t i = 0; i < count; ++i) {
    array.Set(i, longPaths[i]);
    SecureZeroMemory(longPaths[i].data(), longPaths[i].size() * sizeof(wchar_t));
    paths.emplace_back(array.at(i));
  }
  ShowWindow(window.Handle(), SW_SHOWMINIMIZED);
  RunFileListConversion(window, paths, RunSource::kCommandLine);
  for (std::wstring& path : paths) SecureZeroMemory(path.data(), path.size() * sizeof(wchar_t));
  return CommandLineResult::kClose;
}

// The file an argument stands for: a shell link's target, else the argument itself.
std::wstring LinkTargetOrSelf(const std::wstring& path) {
  std::wstring target = path;
  if (IsShellLink(target)) ResolveShortcut(target);
  return target;
}

// Unchecks every row whose name equals none of the passed files' names (a shortcut's by its target), and
// every row of a sub-folder: the passed files are those of the folder itself.
// `first` is the first argument, already resolved.
void CheckOnlyPassedFiles(InputListPage& page, const std::wstring& first, int argc, wchar_t** args) {
  std::vector<std::wstring> names{LastPathComponent(first)};
  for (int i = 2; i < argc; ++i) names.push_back(LastPathComponent(LinkTargetOrSelf(args[i])));
  const std::vector<RunRow> rows = page.Rows();
  std::vector<bool> checks;
  checks.reserve(rows.size());
  for (const RunRow& row : rows) {
    bool passed = false;
    if (row.folder.empty())
      for (const std::wstring& name : names) passed = passed || NamesEqual(row.name, name);
    checks.push_back(passed);
  }
  page.SetRowChecks(checks);
}

}  // namespace

std::wstring LongPathOf(const std::wstring& path) {
  // Asked in the extended form, so that a path beyond MAX_PATH works whatever the system's setting; the
  // answer is shown and stored without it. The function reports the size it needs when the buffer is
  // too small.
  const std::wstring asked = SystemPath(AbsolutePath(path));
  std::wstring buffer(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length = GetLongPathNameW(asked.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) break;
    if (length < buffer.size()) {
      buffer.resize(length);
      return PlainPath(buffer);
    }
    buffer.assign(length, L'\0');
  }
  return AbsolutePath(path);
}

CommandLineResult ProcessCommandLine(MainWindow& window, int argc, wchar_t** args) {
  if (argc < 2) return CommandLineResult::kOpen;
  const AppOptions& options = window.options();
  if (options.SdToCvt != 0 && (argc > 2 || !IsExistingFolder(args[1]))) return ConvertDirectly(window, argc, args);

  const std::wstring first = LinkTargetOrSelf(LongPathOf(args[1]));
  std::wstring folder;
  if (IsExistingFolder(first)) {
    folder = first;
    window.SetInputFolder(folder);
  } else {
    folder = ParentPath(first);
    window.SetInputFolder(folder);
    CheckOnlyPassedFiles(window.inputPage(), first, argc, args);
  }
  window.SetOutputFolder(options.SdToPath.empty() ? folder : options.SdToPath);
  return CommandLineResult::kOpen;
}

}  // namespace qv
