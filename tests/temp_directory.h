#pragma once

#include <filesystem>
#include <fstream>
#include <string>

/// A fresh directory under the system's temporary directory, made current for the
/// life of the object and removed afterwards; the previous current directory comes
/// back.
class ScopedTempDirectory {
 public:
  explicit ScopedTempDirectory(const std::string& tag) {
    namespace fs = std::filesystem;
    previous_ = fs::current_path();
    for (int i = 0;; ++i) {
      path_ = fs::temp_directory_path() / ("corvane-" + tag + "-" + std::to_string(i));
      if (fs::create_directory(path_)) break;
    }
    fs::current_path(path_);
  }
  ~ScopedTempDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

  /// Writes `text` to `name` below the directory.
  void Write(const std::filesystem::path& name, const std::string& text) const {
    std::filesystem::create_directories((path_ / name).parent_path());
    std::ofstream(path_ / name, std::ios::binary) << text;
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};
