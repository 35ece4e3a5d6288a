// Win32 implementation of platform/directory.h: wildcard search, a copy into a private file renamed into
// place without replacing (flushed first when asked), the shell's delete-with-undo for the recycle bin.
#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cwctype>
#include <vector>

#include "platform/directory.h"
#include "platform/win32/long_path.h"
#include "platform/win32/unique_handles.h"

namespace qv {

using Microsoft::WRL::ComPtr;

namespace {

// Copies the rest of `in` to `out`; false on any read or write error.
bool CopyContents(HANDLE in, HANDLE out) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return false;
    if (got == 0) return true;
    DWORD written = 0;
    if (!WriteFile(out, buffer.data(), got, &written, nullptr) || written != got) return false;
  }
}

}  // namespace

std::vector<DirectoryEntry> FindEntries(const std::wstring& folder, const std::wstring& extension) {
  std::vector<DirectoryEntry> entries;
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  pattern += extension;
  WIN32_FIND_DATAW data;
  const UniqueFindHandle find(FindFirstFileW(SystemPath(pattern).c_str(), &data));
  if (!find) return entries;
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
  } while (FindNextFileW(find.Get(), &data));
  return entries;
}

bool IsNameTaken(const std::wstring& path) {
  // The system compares names without regard to case, and a symbolic link reports its own attributes.
  return GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

CopyResult CopyFileNoReplace(const std::wstring& source, const std::wstring& target, CopyDurability durability) {
  UniqueKernelHandle in(CreateFileW(SystemPath(source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in) return CopyResult::kFailed;
  // Nothing is written when the name is taken already (the common case of a collision found late).
  if (GetFileAttributesW(SystemPath(target).c_str()) != INVALID_FILE_ATTRIBUTES) return CopyResult::kTargetExists;
  const std::wstring privatePath = NewPrivateCopyName(target);
  const int registration = BeginPartialOutput(privatePath);
  UniqueKernelHandle out(CreateFileW(SystemPath(privatePath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) {
    EndPartialOutput(registration);
    return CopyResult::kFailed;
  }
  bool ok = CopyContents(in.Get(), out.Get());
  if (ok && TakeInjectedCopyFailure()) ok = false;
  // On the disk before success is reported: the caller is about to delete the input.
  if (ok && durability == CopyDurability::kOnDisk && !FlushFileBuffers(out.Get())) ok = false;
  if (!out.Close()) ok = false;  // closed before it is renamed or deleted
  in.Reset();
  CopyResult result = CopyResult::kFailed;
  if (ok) {
    PauseCopyForTesting();
    // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing target: the name is given in one
    // step that never replaces a file.
    if (MoveFileExW(SystemPath(privatePath).c_str(), SystemPath(target).c_str(), MOVEFILE_WRITE_THROUGH)) {
      result = CopyResult::kCopied;
    } else {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) result = CopyResult::kTargetExists;
    }
  }
  if (result != CopyResult::kCopied) DeleteFileW(SystemPath(privatePath).c_str());
  EndPartialOutput(registration);
  return result;
}

namespace {

// Where the volume has no recycle bin the shell would delete for good without a word; the nuke warning
// asks the user in exactly that case (it overrides FOF_NOCONFIRMATION there), and "no" keeps the file.
constexpr DWORD kRecycleFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING | FOF_SILENT | FOF_NOERRORUI;

bool RecycleWithFileOperation(const std::wstring& path) {
  std::wstring list = path;
  list.push_back(L'\0');  // the list ends with two NULs (the string's own is the second)
  SHFILEOPSTRUCTW op{};
  op.hwnd = nullptr;
  op.wFunc = FO_DELETE;
  op.pFrom = list.c_str();
  op.fFlags = static_cast<FILEOP_FLAGS>(kRecycleFlags);
  return SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

// The shell's item-based file operation, which takes paths beyond MAX_PATH. False when it is not
// available on this thread or system, or did not finish.
bool RecycleWithShellItem(const std::wstring& path) {
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(init)) return false;  // a multithreaded apartment: the operation needs a single-threaded one
  bool done = false;
  {
    ComPtr<IFileOperation> operation;
    ComPtr<IShellItem> item;
    if (SUCCEEDED(CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_PPV_ARGS(operation.GetAddressOf()))) &&
        SUCCEEDED(operation->SetOperationFlags(kRecycleFlags)) &&
        SUCCEEDED(SHCreateItemFromParsingName(path.c_str(), nullptr, IID_PPV_ARGS(item.GetAddressOf()))) &&
        SUCCEEDED(operation->DeleteItem(item.Get(), nullptr)) && SUCCEEDED(operation->PerformOperations())) {
      BOOL aborted = FALSE;
      done = SUCCEEDED(operation->GetAnyOperationsAborted(&aborted)) && !aborted;
    }
  }
  CoUninitialize();
  return done;
}

}  // namespace

bool RecycleFile(const std::wstring& path) {
  // SHFileOperationW takes paths below MAX_PATH (a longer one in the extended form is refused); a longer
  // path goes through the item-based operation first, and where that is missing (older systems, Wine)
  // to SHFileOperationW as it is, which some implementations take.
  bool done = false;
  if (path.size() >= MAX_PATH) done = RecycleWithShellItem(path);
  if (!done) done = RecycleWithFileOperation(path);
  return done && GetFileAttributesW(SystemPath(path).c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool NamesEqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool IsWideDigit(wchar_t c) { return std::iswdigit(static_cast<wint_t>(c)) != 0; }

}  // namespace qv
