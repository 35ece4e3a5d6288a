// Win32 implementation of platform/system_folders.h with the shell's known folders.
#include <windows.h>
#include <shlobj.h>

#include "platform/system_folders.h"
#include "platform/win32/long_path.h"
#include "platform/win32/unique_handles.h"

namespace qv {

std::wstring ProgramFilePath() {
  // A buffer that is too small is filled to the brim (the name cut); only a shorter answer is whole.
  for (DWORD size = MAX_PATH + 1; size <= 32768 * 2; size *= 2) {
    std::wstring path(size, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), size);
    if (n == 0) return std::wstring();
    if (n < size - 1) {
      path.resize(n);
      return PlainPath(path);
    }
  }
  return std::wstring();
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
  DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolder(const std::wstring& path) { return CreateDirectoryW(SystemPath(path).c_str(), nullptr) != FALSE; }

bool RemoveEmptyFolder(const std::wstring& path) { return RemoveDirectoryW(SystemPath(path).c_str()) != FALSE; }

std::wstring AbsolutePath(const std::wstring& path) { return FullPath(path); }

}  // namespace qv
