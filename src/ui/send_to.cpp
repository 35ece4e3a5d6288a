// The Send To shortcut: the shell's Send To known folder and a shell link to the running program.
#include "ui/send_to.h"

#include <windows.h>
#include <shlobj.h>

#include "forms/send_to_path.h"
#include "platform/system_folders.h"
#include "platform/win32/unique_handles.h"
#include "ui/shell_link.h"

namespace qv {

namespace {

std::wstring SendToFolder() {
  UniqueCoTaskMemory<PWSTR> path;
  if (FAILED(SHGetKnownFolderPath(FOLDERID_SendTo, 0, nullptr, path.Put())) || !path) return std::wstring();
  return path.Get();
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::wstring SendToShortcutPath() { return ShortcutPathIn(SendToFolder(), ProgramFilePath()); }

bool SendToShortcutExists() {
  const std::wstring path = SendToShortcutPath();
  return !path.empty() && FileExists(path);
}

bool UpdateSendToShortcut(bool registered) {
  const std::wstring linkPath = SendToShortcutPath();
  if (linkPath.empty()) return false;
  const bool exists = FileExists(linkPath);
  if (registered == exists) return true;
  if (registered) return CreateShortcutFile(linkPath, ProgramFilePath());
  return DeleteFileW(linkPath.c_str()) != FALSE;
}

}  // namespace qv
