// Runs a fuzz target's entry point over saved inputs without libFuzzer, so that the committed corpora
// replay in every native build under that build's sanitizers. Arguments are files or folders (whose
// regular files are run in name order). Prints "ok <name>" per input; a fault aborts the process.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

// Reads the file into a block of exactly its size, so that the sanitizers see any read past its end.
bool RunOne(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  if (!in || ec) return false;
  std::unique_ptr<uint8_t[]> data(new uint8_t[size]);
  if (!in.read(reinterpret_cast<char*>(data.get()), static_cast<std::streamsize>(size))) return false;
  LLVMFuzzerTestOneInput(data.get(), static_cast<size_t>(size));
  std::printf("ok %s\n", path.filename().string().c_str());
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    std::vector<fs::path> inputs;
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      for (const auto& entry : fs::directory_iterator(arg, ec))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      std::sort(inputs.begin(), inputs.end());
    } else {
      inputs.push_back(arg);
    }
    for (const fs::path& input : inputs) {
      if (!RunOne(input)) {
        std::fprintf(stderr, "cannot read %s\n", input.string().c_str());
        return 1;
      }
    }
  }
  return 0;
}
