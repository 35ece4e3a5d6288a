// Helpers shared by the unit tests: where the test files are, scratch folders, whole-file I/O.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qv::test {

// Folder of the JPEG test files (tests/data); env QV_TEST_DATA overrides the built-in default.
std::filesystem::path DataDir();
// Folder of the reference outputs made by libjpeg's own tools (scripts/make-refs); env QV_TEST_REFS.
std::filesystem::path RefsDir();
std::wstring DataFile(const std::string& name);

std::vector<unsigned char> ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);

// The rows of tests/data/manifest.tsv below its header, each split at the tabs.
std::vector<std::vector<std::string>> ManifestRows();

// Names of the entries of `dir` whose file name starts with `prefix`.
std::vector<std::filesystem::path> FilesStartingWith(const std::filesystem::path& dir, const std::string& prefix);

// A fresh empty folder, removed with its contents at the end of the scope.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::wstring file(const std::string& name) const { return (path_ / name).wstring(); }
  // The folder as a wide path with a trailing separator.
  std::wstring folder() const;

 private:
  std::filesystem::path path_;
};

// A folder below `dir` whose path is longer than 300 characters (beyond Windows' MAX_PATH), made one
// component at a time with the platform's own call; empty when it could not be made.
std::wstring MakeLongFolder(const ScratchDir& dir);

}  // namespace qv::test
