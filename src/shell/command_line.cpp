// Command-line paths and shell links.
#include "shell/command_line.h"

#include "shell/heap_path_array.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstring>
#include <vector>

#include "platform/system_folders.h"
#include "shell/app_state.h"
#include "shell/pages.h"
#include "shell/window_run_host.h"

namespace qv {

namespace {

constexpr size_t kPathChars = 260;


bool NamesEqual(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

CommandLineResult ConvertDirectly(int argc, wchar_t** args) {
  const size_t count = static_cast<size_t>(argc - 1);
  HeapPathArray array(count);
  if (!array.ok()) return CommandLineResult::kClose;
  std::vector<std::wstring> paths;
  for (size_t i = 0; i < count; ++i) {
    const std::wstring longPath = LongPathOf(args[i + 1]);
    wcsncpy(array.at(i), longPath.c_str(), kPathChars - 1);
    paths.emplace_back(array.at(i));
  }
  ShowWindow(App().mainWindow, SW_SHOWMINIMIZED);
  RunFileListConversion(paths, RunSource::kCommandLine);
  for (std::wstring& path : paths) SecureZeroMemory(path.data(), path.size() * sizeof(wchar_t));
  return CommandLineResult::kClose;
}

// The file an argument stands for: a shell link's target, else the argument itself.
std::wstring LinkTargetOrSelf(const std::wstring& path) {
  std::wstring target = path;
  if (IsShellLink(target)) ResolveShortcut(target);
  return target;
}

// Unchecks every row whose name equals none of the passed files' names (a shortcut's by its target).
// `first` is the first argument, already resolved.
void CheckOnlyPassedFiles(const std::wstring& first, int argc, wchar_t** args) {
  std::vector<std::wstring> names{LastPathComponent(first)};
  for (int i = 2; i < argc; ++i) names.push_back(LastPathComponent(LinkTargetOrSelf(args[i])));
  const std::vector<RunRow> rows = InputListRows();
  std::vector<bool> checks;
  checks.reserve(rows.size());
  for (const RunRow& row : rows) {
    bool passed = false;
    for (const std::wstring& name : names) passed = passed || NamesEqual(row.name, name);
    checks.push_back(passed);
  }
  SetInputRowChecks(checks);
}

}  // namespace

std::wstring LongPathOf(const std::wstring& path) {
  wchar_t buffer[kPathChars] = {};
  const DWORD length = GetLongPathNameW(path.c_str(), buffer, static_cast<DWORD>(kPathChars));
  if (length > 0 && length < kPathChars) return buffer;
  std::wstring absolute = AbsolutePath(path);
  if (absolute.size() > kPathChars - 1) absolute.resize(kPathChars - 1);
  return absolute;
}

bool IsShellLink(const std::wstring& path) {
  SHFILEINFOW info{};
  info.dwAttributes = SFGAO_LINK;
  if (SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED) == 0)
    return false;
  return (info.dwAttributes & SFGAO_LINK) != 0;
}

bool ResolveShortcut(std::wstring& path) {
  using Microsoft::WRL::ComPtr;
  ComPtr<IShellLinkW> link;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
  if (FAILED(hr)) return false;
  ComPtr<IPersistFile> file;
  hr = link.As(&file);
  if (FAILED(hr)) return false;
  hr = file->Load(path.c_str(), STGM_READ);
  if (FAILED(hr)) return false;
  // GetPath goes through the ANSI code page on some systems; the item list keeps the wide path.
  PIDLIST_ABSOLUTE idList = nullptr;
  wchar_t target[MAX_PATH] = {};
  if (SUCCEEDED(link->GetIDList(&idList)) && idList != nullptr) {
    const BOOL ok = SHGetPathFromIDListW(idList, target);
    CoTaskMemFree(idList);
    if (!ok) target[0] = L'\0';
  }
  if (target[0] == L'\0') {
    hr = link->GetPath(target, MAX_PATH - 1, nullptr, SLGP_UNCPRIORITY);
    if (FAILED(hr) || hr == S_FALSE || target[0] == L'\0') return false;
  }
  path.assign(target, wcsnlen(target, MAX_PATH - 1));
  return true;
}

CommandLineResult ProcessCommandLine(int argc, wchar_t** args) {
  if (argc < 2) return CommandLineResult::kOpen;
  const AppOptions& options = App().stored.options;
  if (options.SdToCvt != 0 && (argc > 2 || !IsExistingFolder(args[1]))) return ConvertDirectly(argc, args);

  const std::wstring first = LinkTargetOrSelf(LongPathOf(args[1]));
  std::wstring folder;
  if (IsExistingFolder(first)) {
    folder = first;
    SetInputFolder(folder);
  } else {
    folder = ParentPath(first);
    SetInputFolder(folder);
    CheckOnlyPassedFiles(first, argc, args);
  }
  SetOutputFolder(options.SdToPath.empty() ? folder : options.SdToPath);
  return CommandLineResult::kOpen;
}

}  // namespace qv
