#include "app/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <utility>

#include "platform/new_file.h"

namespace fs = std::filesystem;

namespace {

// Symbolic links followed at most, as the system itself does.
constexpr int kMaxLinks = 40;
// NAME.partial, NAME.partial-2, ... this many names in all.
constexpr int kPartialNames = 100;

std::string Reason(int error) { return std::strerror(error); }

// What errno says went wrong, and never "nothing" after a failure.
int KnownError() { return errno != 0 ? errno : EIO; }

fs::path PartialName(const fs::path& target, int n) {
  std::string name = target.filename().string() + ".partial";
  if (n > 1) name += "-" + std::to_string(n);
  return target.parent_path() / name;
}

// The partial files that killed runs left for target.
void RemoveAbandonedPartials(const fs::path& target) {
  for (int n = 1; n <= kPartialNames; ++n) platform::RemoveIfAbandoned(PartialName(target, n));
}

// The whole of from, copied over the content of to.
int CopyInto(std::FILE* from, const fs::path& to) {
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  std::rewind(from);
  char buffer[8192];
  for (std::size_t got; out && (got = std::fread(buffer, 1, sizeof buffer, from)) > 0;)
    out.write(buffer, static_cast<std::streamsize>(got));
  out.close();
  return out && !std::ferror(from) ? 0 : KnownError();
}

}  // namespace

fs::path FileNamedBy(const std::string& name) {
  std::error_code error;
  fs::path path = fs::absolute(name, error);
  if (error) return name;
  for (int link = 0; link < kMaxLinks; ++link) {
    const fs::path directory = fs::weakly_canonical(path.parent_path(), error);
    if (!error) path = directory / path.filename();
    if (platform::NamesOpenFile(path) || !fs::is_symlink(fs::symlink_status(path, error))) break;
    const fs::path to = fs::read_symlink(path, error);
    if (error) break;
    path = path.parent_path() / to;  // an absolute link replaces the whole path
  }
  return path;
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  std::error_code ignored;
  if (!partial_.empty()) fs::remove(partial_, ignored);
  partial_.clear();
}

bool OutputFile::Open(const std::string& path, std::string& why) {
  Discard();
  error_ = 0;
  inPlace_ = false;
  target_ = FileNamedBy(path);
  std::error_code error;
  const fs::file_status status = fs::status(target_, error);  // "not found" is fine
  const bool exists = fs::exists(status);
  errno = 0;
  if (platform::NamesOpenFile(target_) || (exists && !fs::is_regular_file(status))) {
    file_ = platform::OpenExistingFile(target_);
    if (!file_) why = Reason(KnownError());
    return file_ != nullptr;
  }
  if (exists) {
    if (const int denied = platform::WriteAccess(target_)) {
      why = Reason(denied);
      return false;
    }
    inPlace_ = fs::hard_link_count(target_, error) > 1;
  }
  for (int n = 1; n <= kPartialNames && !file_; ++n) {
    partial_ = PartialName(target_, n);
    file_ = platform::CreateNewFile(partial_, exists ? &target_ : nullptr);
    if (!file_ && errno != EEXIST) break;
  }
  if (!file_) {
    why = Reason(KnownError());
    partial_.clear();
    return false;
  }
  return true;
}

void OutputFile::Append(std::string_view bytes) {
  if (!file_ || error_ != 0) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() || std::fflush(file_) != 0)
    error_ = KnownError();
}

bool OutputFile::Commit(std::string& why) {
  const bool direct = partial_.empty();
  int error = error_;
  if (error == 0 && inPlace_) error = CopyInto(file_, target_);
  errno = 0;
  if (std::fclose(std::exchange(file_, nullptr)) != 0 && error == 0) error = KnownError();
  std::error_code renamed;
  if (error == 0 && !direct && !inPlace_) {
    fs::rename(partial_, target_, renamed);
    if (!renamed) partial_.clear();
  }
  Discard();  // a partial file that failed, or that was copied into the target
  if (error != 0 || renamed) {
    why = error != 0 ? Reason(error) : renamed.message();
    return false;
  }
  if (!direct) RemoveAbandonedPartials(target_);
  return true;
}
