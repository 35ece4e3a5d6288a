// Extended-length paths for the Win32 file calls, and unique files in folders of any length.
#include "platform/win32/long_path.h"

#include <cwchar>

#include "platform/system_folders.h"
#include "platform/win32/unique_handles.h"

namespace qv {

namespace {

constexpr wchar_t kExtendedPrefix[] = L"\\\\?\\";
constexpr wchar_t kExtendedUncPrefix[] = L"\\\\?\\UNC\\";
constexpr wchar_t kDevicePrefix[] = L"\\\\.\\";

bool StartsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return path;
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return path;
    if (n < full.size()) {
      full.resize(n);
      return full;
    }
    full.assign(n, L'\0');  // n counts the terminating zero when the buffer was too small
  }
}

std::wstring SystemPath(const std::wstring& path) {
  if (path.size() < kPlainPathLimit || StartsWith(path, kExtendedPrefix) || StartsWith(path, kDevicePrefix))
    return path;
  const std::wstring full = FullPath(path);
  if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') return kExtendedUncPrefix + full.substr(2);
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return kExtendedPrefix + full;
  return path;  // no drive and no server: nothing the extended form could name
}

std::wstring PlainPath(const std::wstring& path) {
  if (StartsWith(path, kExtendedUncPrefix)) return L"\\\\" + path.substr(wcslen(kExtendedUncPrefix));
  if (StartsWith(path, kExtendedPrefix)) return path.substr(wcslen(kExtendedPrefix));
  return path;
}

bool CreateUniqueFileIn(const std::wstring& folder, const wchar_t* prefix, std::wstring& out) {
  // GetTempFileNameW writes into MAX_PATH characters; below that it is the system's own way.
  if (folder.size() + 14 < MAX_PATH) {
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), prefix, 0, name) == 0) return false;
    out = name;
    return true;
  }
  // Its rule by hand: numbers from a start that differs between calls, the first free name taken.
  const unsigned start = (GetTickCount() ^ (GetCurrentProcessId() << 8)) & 0xFFFFu;
  for (unsigned i = 0; i < 0x10000u; ++i) {
    const unsigned number = ((start + i) & 0xFFFFu) == 0 ? 1 : (start + i) & 0xFFFFu;
    wchar_t name[32];
    swprintf(name, sizeof(name) / sizeof(name[0]), L"%ls%X.tmp", prefix, number);
    const std::wstring path = JoinPath(folder, name);
    UniqueKernelHandle file(
        CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      out = path;
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) return false;
  }
  return false;
}

}  // namespace qv
