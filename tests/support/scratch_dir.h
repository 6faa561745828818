// A temporary folder, removed with everything in it when the object goes.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace tessaloom::test_support {

class ScratchDir {
 public:
  ScratchDir() {
    char name[] = "/tmp/tessaloom-test-XXXXXX";
    if (::mkdtemp(name) == nullptr) std::abort();
    path_ = name;
  }
  ScratchDir(const ScratchDir&) = delete;  // one owner removes the folder
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

  // Writes `text` (or `bytes`) to `name` below the folder, folders created on the way.
  std::string Write(std::string_view name, std::span<const std::uint8_t> bytes) const {
    return Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  std::string Write(std::string_view name, std::string_view text) const {
    const std::string file = *this / name;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return file;
  }

 private:
  std::string path_;
};

}  // namespace tessaloom::test_support
