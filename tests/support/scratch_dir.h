// A temporary folder, removed with everything in it when the object goes,
// and a registry file ($TESSALOOM_REGISTRY) in one for a test's life.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
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
  const std::string& Path() const { return path_; }
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

// $TESSALOOM_REGISTRY points into a fresh folder for the scope's life.
class RegistryFileScope {
 public:
  RegistryFileScope() : path_(dir_ / "etc/registry.reg") {
    ::setenv("TESSALOOM_REGISTRY", path_.c_str(), 1);
  }
  ~RegistryFileScope() { ::unsetenv("TESSALOOM_REGISTRY"); }

  const std::string& Path() const { return path_; }
  const std::string& Dir() const { return dir_.Path(); }
  bool Exists() const { return std::filesystem::exists(path_); }
  void Write(const std::string& text) const { dir_.Write("etc/registry.reg", text); }
  std::string Read() const {
    std::stringstream text;
    text << std::ifstream(path_, std::ios::binary).rdbuf();
    return text.str();
  }

 private:
  ScratchDir dir_;
  std::string path_;
};

}  // namespace tessaloom::test_support
