#include "test_support.h"

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/system_folders.h"

namespace qv::test {

namespace fs = std::filesystem;

fs::path DataDir() {
  const char* env = std::getenv("QV_TEST_DATA");
  return fs::path(env != nullptr && *env != '\0' ? env : QV_TEST_DATA_DEFAULT);
}

fs::path RefsDir() {
  const char* env = std::getenv("QV_TEST_REFS");
  return fs::path(env != nullptr && *env != '\0' ? env : QV_TEST_REFS_DEFAULT);
}

std::wstring DataFile(const std::string& name) { return (DataDir() / name).wstring(); }

std::vector<unsigned char> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::vector<std::string>> ManifestRows() {
  std::vector<std::vector<std::string>> rows;
  std::ifstream manifest(DataDir() / "manifest.tsv");
  std::string line;
  std::getline(manifest, line);
  while (std::getline(manifest, line)) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    rows.push_back(std::move(fields));
  }
  return rows;
}

std::vector<fs::path> FilesStartingWith(const fs::path& dir, const std::string& prefix) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path());
  }
  return found;
}

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = fs::temp_directory_path() /
          ("qvtest-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::wstring ScratchDir::folder() const {
  std::wstring f = path_.wstring();
  if (!f.empty() && f.back() != L'/' && f.back() != L'\\') f += static_cast<wchar_t>(fs::path::preferred_separator);
  return f;
}

std::wstring MakeLongFolder(const ScratchDir& dir) {
  std::wstring folder = dir.path().wstring();
  for (const wchar_t c : {L'a', L'b', L'c', L'd', L'e'}) {
    folder = JoinPath(folder, std::wstring(60, c));
    if (!CreateFolder(folder)) return std::wstring();
  }
  return folder;
}

}  // namespace qv::test
