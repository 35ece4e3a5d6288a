// Files and memory for the layers above: read-only whole-file mappings, output files, temporary files,
// zero-filled pixel blocks. One implementation per operating system (win32/, posix/); nothing here may
// depend on the engine or the user interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qv {

// Handle value meaning "no file". On Windows it equals INVALID_HANDLE_VALUE, on POSIX it is fd -1.
constexpr intptr_t kInvalidFile = -1;

// One input file opened for reading and mapped whole. `view` covers exactly `size` bytes and is never
// written through.
struct MappedInputFile {
  intptr_t file = kInvalidFile;  // open file handle / descriptor
  intptr_t mapping = 0;          // mapping object (Windows); unused on POSIX
  const unsigned char* view = nullptr;
  uint32_t size = 0;
};

// Opens `path` read-only (others may read too) and maps all of it. Returns the size in bytes, or 0 when
// the file cannot be opened, mapped or viewed; an empty file and a file of 4 GiB or more (whose size a
// 32-bit count cannot describe) also give 0, and so does anything but a regular file (a FIFO, socket or
// device is refused without waiting for a writer). Whatever was opened stays in `m` for UnmapInputFile.
uint32_t MapInputFile(const std::wstring& path, MappedInputFile& m);

// Releases the view, the mapping and the file of `m`, whichever exist, and resets `m`. Safe on a record
// that was never or only partly mapped.
void UnmapInputFile(MappedInputFile& m);

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

// Creates `path` for writing, without sharing, replacing an existing file. kInvalidFile on failure.
intptr_t CreateOutputFile(const std::wstring& path);

// Writes all `count` bytes; false when fewer were written.
bool WriteOutputFile(intptr_t file, const void* data, size_t count);

// Closes a file handle from CreateOutputFile; ignores kInvalidFile.
void CloseOutputFile(intptr_t file);

// Deletes the file at `path`; false when it could not be deleted.
bool DeleteFileAt(const std::wstring& path);

// Zero-filled read-write memory of `bytes` bytes for pixel blocks and encoder buffers, or nullptr.
void* AllocatePixelBlock(size_t bytes);

// Releases a block from AllocatePixelBlock; ignores nullptr. `bytes` is the size it was allocated with.
void ReleasePixelBlock(void* block, size_t bytes);

// Asks the C library to keep large freed blocks for reuse instead of returning them to the system after
// every file: a batch decodes image after image of similar size, and fetching fresh zeroed pages for each
// costs up to a third of a conversion. Idempotent; the memory is given back when the process ends.
void KeepLargeAllocationsForReuse();

// Physical memory of the machine in bytes (0 when unknown).
uint64_t PhysicalMemoryBytes();

// The largest amount of memory this process has held resident so far (its peak working set), in bytes;
// 0 when unknown.
uint64_t PeakResidentMemoryBytes();

}  // namespace qv
