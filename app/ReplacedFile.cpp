#include "app/ReplacedFile.h"

#include <cerrno>
#include <cstring>
#include <random>

#include "platform/new_file.h"

namespace console {

namespace fs = std::filesystem;

namespace {

constexpr int kNameAttempts = 100;

std::string Reason(int error) { return std::strerror(error); }

// What errno says went wrong, and never "nothing" after a failure.
int KnownError() { return errno != 0 ? errno : EIO; }

}  // namespace

ReplacedFile::~ReplacedFile() { Discard(); }

void ReplacedFile::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  std::error_code ignored;
  if (!temporary_.empty()) fs::remove(temporary_, ignored);
  temporary_.clear();
}

bool ReplacedFile::Open(const std::string& path, std::string& why) {
  Discard();
  std::error_code error;
  target_ = path;
  const fs::file_status status = fs::status(target_, error);  // "not found" is fine
  error.clear();
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) why = Reason(errno);
    return file_ != nullptr;
  }
  // Through a symbolic link to the file it names, which is what gets replaced.
  if (fs::exists(status)) target_ = fs::canonical(target_, error);
  if (error) {
    why = error.message();
    return false;
  }
  const fs::path directory = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
  std::random_device random;
  for (int attempt = 0; attempt < kNameAttempts && !file_; ++attempt) {
    temporary_ = directory / ("." + target_.filename().string() + "." +
                              std::to_string(random() % 1000000) + ".tmp");
    file_ = platform::CreateNewFile(temporary_);
    if (!file_ && errno != EEXIST) break;
  }
  if (!file_) {
    why = Reason(errno);
    temporary_.clear();
    return false;
  }
  // A replaced file keeps who may read it.
  if (fs::exists(status)) fs::permissions(temporary_, status.permissions(), error);
  return true;
}

bool ReplacedFile::Commit(const std::string& text, std::string& why) {
  if (!file_) {
    why = "not open";
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file_) == text.size() &&
                       std::fflush(file_) == 0;
  int error = written ? 0 : KnownError();
  std::FILE* file = file_;
  file_ = nullptr;
  if (std::fclose(file) != 0 && error == 0) error = KnownError();
  if (error == 0 && !temporary_.empty()) {
    std::error_code renamed;
    fs::rename(temporary_, target_, renamed);
    if (renamed) {
      why = renamed.message();
      Discard();
      return false;
    }
    temporary_.clear();
  }
  if (error != 0) {
    why = Reason(error);
    Discard();
    return false;
  }
  return true;
}

}  // namespace console
