// Runs a fuzz target's entry point over files and folders named on the command line, so that the
// ordinary sanitizer build replays every seed and every regression fixture without libFuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// A replayed input never needs more than this; anything larger in a corpus folder is a mistake.
constexpr std::uintmax_t kMaxReplayInput = 16u << 20;

bool ReplayFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) > kMaxReplayInput || ec) {
    std::fprintf(stderr, "skipping %s: unreadable or larger than the replay limit\n", path.c_str());
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so that reads past the end are caught by the sanitizer.
  std::vector<uint8_t> exact(bytes);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int replayed = 0, failed = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) (ReplayFile(f) ? replayed : failed)++;
    } else if (std::filesystem::is_regular_file(arg)) {
      (ReplayFile(arg) ? replayed : failed)++;
    } else {
      std::fprintf(stderr, "no such corpus: %s\n", argv[i]);
      ++failed;
    }
  }
  // The empty input is always worth one run.
  LLVMFuzzerTestOneInput(nullptr, 0);
  std::printf("replayed %d inputs\n", replayed);
  return failed == 0 ? 0 : 1;
}
