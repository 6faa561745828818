// Replays saved inputs (files, or folders read in name order) through a fuzz target without
// libFuzzer; an unreadable argument or no input exits with 1.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    const std::size_t first = inputs.size();
    for (const auto& entry : fs::directory_iterator(argv[i], ec)) inputs.push_back(entry.path());
    if (ec) inputs.emplace_back(argv[i]);  // not a folder: one file
    std::sort(inputs.begin() + static_cast<std::ptrdiff_t>(first), inputs.end());
  }
  for (const fs::path& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    // Exactly the input's size, so the sanitizers see reads past it.
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file), {}};
    if (!file) return std::fprintf(stderr, "cannot read %s\n", path.c_str()), 1;
    std::fprintf(stderr, "%s (%zu bytes)\n", path.c_str(), data.size());
    LLVMFuzzerTestOneInput(data.data(), data.size());
  }
  std::fprintf(stderr, "%zu inputs replayed\n", inputs.size());
  return inputs.empty() ? 1 : 0;
}
