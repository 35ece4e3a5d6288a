// INI-style profile files as the settings need them: case-insensitive sections and keys, the first match
// wins, a removed section disappears whole. Win32 uses the private-profile functions; POSIX reads and
// writes the same UTF-16LE file format itself.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace qv {

class ProfileReader {
 public:
  virtual ~ProfileReader() = default;
  // The value of `key` in `section`, at most `maxChars` characters; nullopt when the key is missing.
  // Blanks around the value and one pair of enclosing quotes (" or ') are not part of it; a key that
  // is present with nothing after '=' gives an empty value.
  virtual std::optional<std::wstring> Get(const std::wstring& section, const std::wstring& key,
                                          size_t maxChars) const = 0;
  // True when the file exists.
  virtual bool Exists() const = 0;
};

// Opens `path` for reading (a missing file reads as empty).
std::unique_ptr<ProfileReader> OpenProfileForReading(const std::wstring& path);

class ProfileWriter {
 public:
  virtual ~ProfileWriter() = default;
  // Removes every section named `section` with all its lines.
  virtual void RemoveSection(const std::wstring& section) = 0;
  // Appends (or replaces) `key` in `section`; a new section goes after the existing ones. The value is
  // stored up to its first line break.
  virtual void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) = 0;
  // Replaces the file at the writer's path with the new content in one rename. False on failure, in
  // which case the old file is untouched.
  virtual bool Commit() = 0;
};

// Starts a rewrite of `path` from its current content (or from an empty file).
std::unique_ptr<ProfileWriter> OpenProfileForWriting(const std::wstring& path);

}  // namespace qv
