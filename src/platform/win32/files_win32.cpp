// Win32 implementation of platform/files.h with the kernel's file, mapping and virtual-memory calls.
#include <windows.h>
#include <psapi.h>
#include <shlwapi.h>

#include "platform/files.h"
#include "platform/win32/unique_handles.h"

namespace qv {

namespace {
HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }
intptr_t FromHandle(HANDLE h) { return reinterpret_cast<intptr_t>(h); }

// Closes a handle that a record keeps as a number (the records of files.h hold no Windows types).
void CloseStoredHandle(intptr_t h) { UniqueKernelHandle(AsHandle(h)).Reset(); }

// Opens a file on a disk for reading; a device or pipe name (CON, \\.\pipe\...) is refused.
UniqueKernelHandle OpenDiskFileForReading(const std::wstring& path) {
  UniqueKernelHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file && GetFileType(file.Get()) != FILE_TYPE_DISK) file.Reset();
  return file;
}
}  // namespace

uint32_t MapInputFile(const std::wstring& path, MappedInputFile& m) {
  UnmapInputFile(m);
  UniqueKernelHandle opened = OpenDiskFileForReading(path);
  if (!opened) return 0;
  const HANDLE file = opened.Get();
  m.file = FromHandle(opened.Release());
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  // A file of 4 GiB or more cannot be described by the 32-bit size: refuse it rather than map a part.
  if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 || low == 0) return 0;
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr) return 0;
  m.mapping = FromHandle(mapping);
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (view == nullptr) return 0;
  m.view = static_cast<const unsigned char*>(view);
  m.size = low;
  return m.size;
}

void UnmapInputFile(MappedInputFile& m) {
  if (m.view != nullptr) UnmapViewOfFile(m.view);
  if (m.mapping != 0) CloseStoredHandle(m.mapping);
  if (m.file != kInvalidFile) CloseStoredHandle(m.file);
  m.file = kInvalidFile;
  m.mapping = 0;
  m.view = nullptr;
  m.size = 0;
}

bool PathExists(const std::wstring& path) { return PathFileExistsW(path.c_str()) != FALSE; }

bool IsRegularFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool ReadFileHead(const std::wstring& path, unsigned char* out, size_t count) {
  const UniqueKernelHandle file = OpenDiskFileForReading(path);
  if (!file) return false;
  DWORD got = 0;
  const BOOL ok = ReadFile(file.Get(), out, static_cast<DWORD>(count), &got, nullptr);
  return ok && got == count;
}

std::wstring TemporaryFolder() {
  wchar_t buf[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH) return L".\\";
  return std::wstring(buf, n);
}

bool CreateUniqueTempFile(const std::wstring& folder, std::wstring& out) {
  wchar_t buf[MAX_PATH];
  if (GetTempFileNameW(folder.c_str(), L"tmp", 0, buf) == 0) return false;
  out = buf;
  return true;
}

OutputFile CreateOutputFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  OutputFile out;
  if (file != INVALID_HANDLE_VALUE) out.handle_ = FromHandle(file);
  return out;
}

bool OutputFile::Write(const void* data, size_t count) {
  if (!IsOpen()) return false;
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    DWORD written = 0;
    if (!WriteFile(AsHandle(handle_), p, chunk, &written, nullptr) || written != chunk) return false;
    p += written;
    count -= written;
  }
  return true;
}

void OutputFile::Close() {
  if (handle_ != kInvalidFile) CloseStoredHandle(handle_);
  handle_ = kInvalidFile;
}

bool DeleteFileAt(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

bool CopyModificationTime(const std::wstring& source, const std::wstring& target) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &data)) return false;
  const HANDLE file = CreateFileW(target.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool ok = SetFileTime(file, nullptr, nullptr, &data.ftLastWriteTime) != FALSE;
  CloseHandle(file);
  return ok;
}

void* AllocatePixelBlock(size_t bytes) {
  if (bytes == 0) return nullptr;
  return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void ReleasePixelBlock(void* block, size_t bytes) {
  if (block == nullptr) return;
  VirtualFree(block, bytes, MEM_DECOMMIT);
  VirtualFree(block, 0, MEM_RELEASE);
}

// The Windows heap and VirtualAlloc already serve repeated large blocks without a tuning knob.
void KeepLargeAllocationsForReuse() {}

uint64_t PhysicalMemoryBytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) return 0;
  return status.ullTotalPhys;
}

int ProcessorCount() {
  DWORD_PTR process = 0, system = 0;
  int count = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system))
    for (; process != 0; process &= process - 1) ++count;
  if (count == 0) {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    count = static_cast<int>(info.dwNumberOfProcessors);
  }
  return count > 0 ? count : 1;
}

uint64_t PeakResidentMemoryBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return counters.PeakWorkingSetSize;
}

}  // namespace qv
