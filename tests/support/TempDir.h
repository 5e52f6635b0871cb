// A fresh directory for the files a test writes, removed with everything in
// it when the object goes; and the whole of a file as text.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir() {
    // A name nobody holds yet: create_directory is false for one that exists.
    std::random_device random;
    do {
      path_ = std::filesystem::temp_directory_path() /
              ("telvora-test-" + std::to_string(random() % 100000000));
    } while (!std::filesystem::create_directory(path_));
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace testsupport
