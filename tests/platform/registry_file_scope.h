// $TESSALOOM_REGISTRY points into a fresh folder for the scope's life.
#pragma once

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/scratch_dir.h"

namespace tessaloom::testing {

class RegistryFileScope {
 public:
  RegistryFileScope() : path_(dir_ / "etc/registry.reg") {
    ::setenv("TESSALOOM_REGISTRY", path_.c_str(), 1);
  }
  ~RegistryFileScope() { ::unsetenv("TESSALOOM_REGISTRY"); }

  const std::string& path() const { return path_; }
  const std::string& dir() const { return dir_.path(); }
  bool Exists() const { return std::filesystem::exists(path_); }
  void Write(const std::string& text) const { dir_.Write("etc/registry.reg", text); }
  std::string Read() const {
    std::stringstream text;
    text << std::ifstream(path_, std::ios::binary).rdbuf();
    return text.str();
  }

 private:
  test_support::ScratchDir dir_;
  std::string path_;
};

}  // namespace tessaloom::testing
