// Win32 implementation of platform/directory.h: wildcard search, CopyFileW without replacing, the
// shell's delete-with-undo for the recycle bin.
#include <windows.h>
#include <shellapi.h>

#include <cwctype>

#include "platform/directory.h"

namespace qv {

std::vector<DirectoryEntry> FindEntries(const std::wstring& folder, const std::wstring& extension) {
  std::vector<DirectoryEntry> entries;
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  pattern += extension;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    DirectoryEntry e;
    e.name = data.cFileName;
    e.attributes = data.dwFileAttributes;
    e.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    FILETIME local;
    SYSTEMTIME st;
    if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &st)) {
      e.lastWrite = LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    }
    entries.push_back(std::move(e));
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return entries;
}

CopyResult CopyFileNoReplace(const std::wstring& source, const std::wstring& target) {
  if (CopyFileW(source.c_str(), target.c_str(), TRUE)) return CopyResult::kCopied;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return CopyResult::kTargetExists;
  // Anything at the target now is our own partial copy.
  DeleteFileW(target.c_str());
  return CopyResult::kFailed;
}

bool RecycleFile(const std::wstring& path) {
  std::wstring list = path;
  list.push_back(L'\0');  // the list ends with two NULs (the string's own is the second)
  SHFILEOPSTRUCTW op{};
  op.hwnd = nullptr;
  op.wFunc = FO_DELETE;
  op.pFrom = list.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  return SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

bool NamesEqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool IsWideDigit(wchar_t c) { return std::iswdigit(static_cast<wint_t>(c)) != 0; }

}  // namespace qv
