// Files and memory for the layers above: read-only whole-file mappings, output files, temporary files,
// zero-filled pixel blocks. One implementation per operating system (win32/, posix/); nothing here may
// depend on the engine or the user interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace qv {

// Handle value meaning "no file". On Windows it equals INVALID_HANDLE_VALUE, on POSIX it is fd -1.
constexpr intptr_t kInvalidFile = -1;

// Which file a path led to, and which version of it: the file system's own identity of the file (POSIX
// device and inode; Windows volume serial number and file index), its size and its last write time (in
// the system's own units). Two spellings of one file (a/./b.jpg, a symbolic link, another letter case
// where the system ignores it) have one identity; a file saved anew under the same name has another
// identity or another time.
struct FileIdentity {
  bool known = false;  // false: the file could not be reached, and it equals nothing
  uint64_t volume = 0;
  uint64_t index = 0;
  uint64_t size = 0;
  int64_t modified = 0;
};

// The same file (whatever its content now).
inline bool IsSameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.volume == b.volume && a.index == b.index;
}

// The same file, of the same size and last written at the same time: nothing was saved over it.
inline bool IsUnchangedFile(const FileIdentity& a, const FileIdentity& b) {
  return IsSameFile(a, b) && a.size == b.size && a.modified == b.modified;
}

// The identity of the file `path` leads to (symbolic links followed); `known` false when there is none.
FileIdentity IdentifyFile(const std::wstring& path);

// One input file opened for reading and mapped whole. `view` covers exactly `size` bytes and is never
// written through. The record owns what it holds: it is released when the record is destroyed or
// assigned over, and moves but never copies.
struct MappedInputFile {
  intptr_t file = kInvalidFile;  // open file handle / descriptor
  intptr_t mapping = 0;          // mapping object (Windows); unused on POSIX
  const unsigned char* view = nullptr;
  uint32_t size = 0;
  FileIdentity identity;  // of the file opened, read from the open handle: what the view shows

  MappedInputFile() = default;
  MappedInputFile(MappedInputFile&& other) noexcept;
  MappedInputFile& operator=(MappedInputFile&& other) noexcept;
  MappedInputFile(const MappedInputFile&) = delete;
  MappedInputFile& operator=(const MappedInputFile&) = delete;
  ~MappedInputFile();
};

// Opens `path` read-only (others may read too) and maps all of it. Returns the size in bytes, or 0 when
// the file cannot be opened, mapped or viewed; an empty file and a file of 4 GiB or more (whose size a
// 32-bit count cannot describe) also give 0, and so does anything but a regular file (a FIFO, socket or
// device is refused without waiting for a writer). Whatever `m` held before is released first; whatever
// was opened stays in `m` until UnmapInputFile or the record's end.
uint32_t MapInputFile(const std::wstring& path, MappedInputFile& m);

// Releases the view, the mapping and the file of `m`, whichever exist, and resets `m`. Safe on a record
// that was never or only partly mapped.
void UnmapInputFile(MappedInputFile& m);

inline MappedInputFile::MappedInputFile(MappedInputFile&& other) noexcept
    : file(other.file), mapping(other.mapping), view(other.view), size(other.size), identity(other.identity) {
  other.file = kInvalidFile;
  other.mapping = 0;
  other.view = nullptr;
  other.size = 0;
}

inline MappedInputFile& MappedInputFile::operator=(MappedInputFile&& other) noexcept {
  if (this != &other) {
    UnmapInputFile(*this);
    std::swap(file, other.file);
    std::swap(mapping, other.mapping);
    std::swap(view, other.view);
    std::swap(size, other.size);
    std::swap(identity, other.identity);
  }
  return *this;
}

inline MappedInputFile::~MappedInputFile() { UnmapInputFile(*this); }

// True when something (file or folder) exists at `path`.
bool PathExists(const std::wstring& path);

// True when `path` is a regular file (following symbolic links): not a folder, FIFO, socket or device.
// Only regular files are inputs.
bool IsRegularFile(const std::wstring& path);

// Reads the first `count` bytes of `path` (opened read-only, read sharing allowed) into `out`. False when
// the file cannot be opened, is no regular file (never waits on a FIFO or device) or holds fewer than
// `count` bytes.
bool ReadFileHead(const std::wstring& path, unsigned char* out, size_t count);

// The folder for temporary files, with a trailing separator.
std::wstring TemporaryFolder();

// Creates a new, empty file with a unique name starting with "tmp" in `folder` and returns its path in
// `out`. False when no such file could be made.
bool CreateUniqueTempFile(const std::wstring& folder, std::wstring& out);

// A file open for writing, from CreateOutputFile. Closed when the object is destroyed or assigned over;
// moves but never copies.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(OutputFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalidFile; }
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() { Close(); }

  bool IsOpen() const { return handle_ != kInvalidFile; }

  // Writes all `count` bytes; false when fewer were written or the file is not open.
  bool Write(const void* data, size_t count);

  // Closes the file; nothing when it is not open.
  void Close();

 private:
  friend OutputFile CreateOutputFile(const std::wstring& path);
  intptr_t handle_ = kInvalidFile;
};

// Creates `path` for writing, without sharing, replacing an existing file. Not open on failure.
OutputFile CreateOutputFile(const std::wstring& path);

inline OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = kInvalidFile;
  }
  return *this;
}

// Deletes the file at `path`; false when it could not be deleted.
bool DeleteFileAt(const std::wstring& path);

// Gives `target` the last write time recorded in `source` (a file read earlier, which may be gone since).
// False when `source` is not known or the time cannot be set.
bool SetModificationTime(const std::wstring& target, const FileIdentity& source);

// A lock on the file `path` (created when missing) that this process holds until it ends, so that
// another process can tell whether its owner still lives (IsOwnerLockAbandoned). POSIX: an advisory
// lock on an open descriptor; Windows: the file kept open without sharing. False when it cannot be made.
bool HoldOwnerLock(const std::wstring& path);

// Gives up every owner lock this process holds (before it removes the locked files itself).
void ReleaseOwnerLocks();

// True when the file `path` exists and no living process holds its owner lock: a process that made it
// with HoldOwnerLock has ended, however it ended (the system drops the lock of a killed process).
bool IsOwnerLockAbandoned(const std::wstring& path);

// Zero-filled read-write memory of `bytes` bytes for pixel blocks and encoder buffers, or nullptr.
void* AllocatePixelBlock(size_t bytes);

// Releases a block from AllocatePixelBlock; ignores nullptr. `bytes` is the size it was allocated with.
void ReleasePixelBlock(void* block, size_t bytes);

// A block from AllocatePixelBlock together with its size, released when the object is destroyed or
// assigned over; moves but never copies. Empty (Data() null, Size() 0) when nothing is held.
class PixelBlock {
 public:
  PixelBlock() = default;
  // Takes over `block` of `bytes` bytes from AllocatePixelBlock (nullptr: empty).
  PixelBlock(void* block, size_t bytes) noexcept
      : data_(static_cast<unsigned char*>(block)), size_(block != nullptr ? bytes : 0) {}
  PixelBlock(PixelBlock&& other) noexcept : data_(other.data_), size_(other.size_) { other.Forget(); }
  PixelBlock& operator=(PixelBlock&& other) noexcept {
    if (this != &other) {
      Reset();
      data_ = other.data_;
      size_ = other.size_;
      other.Forget();
    }
    return *this;
  }
  PixelBlock(const PixelBlock&) = delete;
  PixelBlock& operator=(const PixelBlock&) = delete;
  ~PixelBlock() { Reset(); }

  // A new zero-filled block of `bytes` bytes; empty when `bytes` is 0 or the memory is not available.
  static PixelBlock Allocate(size_t bytes) { return PixelBlock(AllocatePixelBlock(bytes), bytes); }

  unsigned char* Data() const { return data_; }
  size_t Size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

  // Releases the block now; the object is empty afterwards.
  void Reset() {
    ReleasePixelBlock(data_, size_);
    Forget();
  }

  // Hands the block to the caller, who must release it with ReleasePixelBlock(block, Size() before).
  unsigned char* Release() {
    unsigned char* block = data_;
    Forget();
    return block;
  }

 private:
  void Forget() {
    data_ = nullptr;
    size_ = 0;
  }
  unsigned char* data_ = nullptr;
  size_t size_ = 0;
};

// Asks the C library to keep large freed blocks for reuse instead of returning them to the system after
// every file: a batch decodes image after image of similar size, and fetching fresh zeroed pages for each
// costs up to a third of a conversion. Threads share one heap, so that workers do not each hold address
// space of their own that one file at a time would not. Idempotent, and called before any worker starts.
void KeepLargeAllocationsForReuse();

// Hands memory that was freed but kept for reuse (KeepLargeAllocationsForReuse) back to the system, so
// that what one thread kept after its last file cannot be missing for another's next one.
void ReturnFreedMemory();

// Physical memory of the machine in bytes (0 when unknown).
uint64_t PhysicalMemoryBytes();

// This process's id.
unsigned long CurrentProcessId();

// True when a process with this id is running (or may be: when that cannot be told, true).
bool IsProcessRunning(unsigned long processId);

// The processors this process may run on (its affinity), at least 1.
int ProcessorCount();

// The largest amount of memory this process has held resident so far (its peak working set), in bytes;
// 0 when unknown.
uint64_t PeakResidentMemoryBytes();

}  // namespace qv
