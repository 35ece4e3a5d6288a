// Win32 implementation of platform/system_folders.h with the shell's known folders.
#include <windows.h>
#include <shlobj.h>

#include "platform/system_folders.h"
#include "platform/win32/unique_handles.h"

namespace qv {

std::wstring ProgramFilePath() {
  wchar_t buf[MAX_PATH + 1];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return std::wstring();
  return std::wstring(buf, n);
}

namespace {
std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  UniqueCoTaskMemory<PWSTR> path;
  if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, path.Put())) || !path) return std::wstring();
  return path.Get();
}
}  // namespace

std::wstring UserSettingsRoot() { return KnownFolder(FOLDERID_RoamingAppData); }

std::wstring PicturesFolder() { return KnownFolder(FOLDERID_Pictures); }

bool IsExistingFolder(const std::wstring& path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != FALSE; }

bool RemoveEmptyFolder(const std::wstring& path) { return RemoveDirectoryW(path.c_str()) != FALSE; }

std::wstring AbsolutePath(const std::wstring& path) {
  wchar_t buf[32768];
  DWORD n = GetFullPathNameW(path.c_str(), 32768, buf, nullptr);
  if (n == 0 || n >= 32768) return path;
  return std::wstring(buf, n);
}

}  // namespace qv
