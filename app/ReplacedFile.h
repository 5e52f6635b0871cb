// A file the console runner writes whole at the end of a run (--save-log,
// --clipboard). It goes to a temporary file beside the target, which is
// renamed over the target only once everything is written: a full disk or a
// killed run never costs the previous file of that name. A target that is
// not a plain file (/dev/stdout, a pipe) is written in place.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace console {

class ReplacedFile {
 public:
  ReplacedFile() = default;
  ~ReplacedFile();  // a file never committed leaves no temporary behind
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  // Prepares to write path. False, with the reason, when it cannot be.
  bool Open(const std::string& path, std::string& why);
  // Writes text as the whole content and puts the file in place. False, with
  // the reason, on any failure; the target is then as it was.
  bool Commit(const std::string& text, std::string& why);

 private:
  void Discard();

  std::FILE* file_ = nullptr;
  std::filesystem::path target_, temporary_;  // no temporary: written in place
};

}  // namespace console
