// Win32 implementation of platform/files.h with the kernel's file, mapping and virtual-memory calls.
#include <windows.h>
#include <psapi.h>
#include <shlwapi.h>

#include "platform/files.h"

#include <mutex>
#include <vector>
#include "platform/win32/long_path.h"
#include "platform/win32/unique_handles.h"

namespace qv {

namespace {
HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }
intptr_t FromHandle(HANDLE h) { return reinterpret_cast<intptr_t>(h); }

// Closes a handle that a record keeps as a number (the records of files.h hold no Windows types).
void CloseStoredHandle(intptr_t h) { UniqueKernelHandle(AsHandle(h)).Reset(); }

// Opens a file on a disk for reading; a device or pipe name (CON, \\.\pipe\...) is refused.
UniqueKernelHandle OpenDiskFileForReading(const std::wstring& path) {
  UniqueKernelHandle file(CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file && GetFileType(file.Get()) != FILE_TYPE_DISK) file.Reset();
  return file;
}

FileIdentity IdentityOfHandle(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) return FileIdentity{};
  FileIdentity id;
  id.known = true;
  id.volume = info.dwVolumeSerialNumber;
  id.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  id.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  id.modified = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                     info.ftLastWriteTime.dwLowDateTime);
  return id;
}

// Handles of the owner locks this process holds; they stay open until it ends or gives them up.
std::vector<UniqueKernelHandle>& OwnerLocks() {
  static std::vector<UniqueKernelHandle>* locks = new std::vector<UniqueKernelHandle>;  // a hard stop may come at exit
  return *locks;
}
std::mutex gOwnerLocksMutex;
}  // namespace

FileIdentity IdentifyFile(const std::wstring& path) {
  // Attributes only: opens whatever sharing others use, folders too.
  const UniqueKernelHandle file(CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return FileIdentity{};
  return IdentityOfHandle(file.Get());
}

uint32_t MapInputFile(const std::wstring& path, MappedInputFile& m) {
  UnmapInputFile(m);
  UniqueKernelHandle opened = OpenDiskFileForReading(path);
  if (!opened) return 0;
  const HANDLE file = opened.Get();
  m.file = FromHandle(opened.Release());
  m.identity = IdentityOfHandle(file);
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
  m.identity = FileIdentity{};
}

bool PathExists(const std::wstring& path) {
  // The shell's test takes MAX_PATH characters; a longer path is asked of the file system directly.
  if (path.size() < kPlainPathLimit) return PathFileExistsW(path.c_str()) != FALSE;
  return GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsRegularFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
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
  // GetTempPathW reports the size it needs (terminating zero included) when the buffer is too small; the
  // folder may change between the calls, hence the loop.
  std::wstring folder(MAX_PATH + 1, L'\0');
  for (;;) {
    const DWORD n = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    if (n == 0) return L".\\";
    if (n < folder.size()) {
      folder.resize(n);
      return PlainPath(folder);
    }
    folder.assign(n + 1, L'\0');
  }
}

bool CreateUniqueTempFile(const std::wstring& folder, std::wstring& out) {
  return CreateUniqueFileIn(folder, L"tmp", out);
}

OutputFile CreateOutputFile(const std::wstring& path) {
  HANDLE file =
      CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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

bool DeleteFileAt(const std::wstring& path) { return DeleteFileW(SystemPath(path).c_str()) != FALSE; }

bool SetModificationTime(const std::wstring& target, const FileIdentity& source) {
  if (!source.known) return false;
  const UniqueKernelHandle file(CreateFileW(SystemPath(target).c_str(), FILE_WRITE_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return false;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(source.modified) & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(source.modified) >> 32);
  return SetFileTime(file.Get(), nullptr, nullptr, &time) != FALSE;
}

bool HoldOwnerLock(const std::wstring& path) {
  // Open without sharing for as long as the process lives: nobody else can open it meanwhile, and the
  // system closes it when the process ends, however it ends.
  UniqueKernelHandle file(
      CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const bool marked = WriteFile(file.Get(), "1", 1, &written, nullptr) && written == 1;
  std::lock_guard<std::mutex> lock(gOwnerLocksMutex);
  OwnerLocks().push_back(std::move(file));
  return marked;
}

void ReleaseOwnerLocks() {
  std::lock_guard<std::mutex> lock(gOwnerLocksMutex);
  OwnerLocks().clear();
}

bool IsOwnerLockAbandoned(const std::wstring& path) {
  const UniqueKernelHandle file(
      CreateFileW(SystemPath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;  // missing, or still held open by its owner
  LARGE_INTEGER size{};
  FILETIME written{}, now{};
  if (!GetFileSizeEx(file.Get(), &size) || !GetFileTime(file.Get(), nullptr, nullptr, &written)) return false;
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  // An empty file may be a lock being made this moment; after a minute it is not.
  return size.QuadPart > 0 || ticks(now) - ticks(written) > 60ull * 10000000ull;
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

// Pixel blocks go back with VirtualFree; what the heap keeps of the library's small pools is compacted.
void ReturnFreedMemory() { HeapCompact(GetProcessHeap(), 0); }

uint64_t PhysicalMemoryBytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) return 0;
  return status.ullTotalPhys;
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

bool IsProcessRunning(unsigned long processId) {
  const UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  return WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
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
