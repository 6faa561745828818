// A registry file of the test's own: $TESSALOOM_REGISTRY points into a fresh
// temporary folder for the scope's life and is unset afterwards.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tessaloom::testing {

class RegistryFileScope {
 public:
  RegistryFileScope() {
    char name[] = "/tmp/tessaloom-registration-XXXXXX";
    if (::mkdtemp(name) == nullptr) std::abort();
    dir_ = name;
    path_ = dir_ + "/etc/registry.reg";
    ::setenv("TESSALOOM_REGISTRY", path_.c_str(), 1);
  }
  RegistryFileScope(const RegistryFileScope&) = delete;
  RegistryFileScope& operator=(const RegistryFileScope&) = delete;
  ~RegistryFileScope() {
    ::unsetenv("TESSALOOM_REGISTRY");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  const std::string& path() const { return path_; }
  const std::string& dir() const { return dir_; }
  bool Exists() const { return std::filesystem::exists(path_); }

  void Write(const std::string& text) const {
    std::filesystem::create_directories(dir_ + "/etc");
    std::ofstream(path_, std::ios::binary) << text;
  }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::string dir_;
  std::string path_;
};

}  // namespace tessaloom::testing
