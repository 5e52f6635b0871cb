// A file the program writes for the user: a saved log, the clipboard text, a
// session trace. The same rules for each:
// - The name leads, through symbolic links, to the file that is written (or
//   created): a link stays and the file it names gets the new content.
// - A regular file is written beside itself, into NAME.partial (or
//   NAME.partial-2, ... when taken), as it goes, and only Commit puts it in
//   place: renamed over NAME, with NAME's permission bits and, where the
//   program may set it, its owner; or, when NAME has other names (hard
//   links), copied into it, which keeps them. Until then NAME is as it was. A
//   run that dies leaves its NAME.partial, which the next one to commit NAME
//   removes.
// - Anything else (a terminal, a pipe, /dev/null, /dev/stdout) is written
//   directly, as it goes, and never replaced.
// - A file the user may not write is refused, as a shell redirection would.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // without a Commit: the partial file goes, the target stays as it was
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Prepares to write path. False, with the reason, when it cannot be.
  bool Open(const std::string& path, std::string& why);
  // Writes bytes now, so that they outlive the program (nothing before an
  // Open). The first failure is kept for Commit.
  void Append(std::string_view bytes);
  // After an Open that succeeded: puts what was appended in place. False,
  // with the reason, on any failure (also of an Append); a replaced file is
  // then as it was.
  bool Commit(std::string& why);

 private:
  void Discard();

  std::FILE* file_ = nullptr;
  int error_ = 0;                           // of the first failed Append
  std::filesystem::path target_, partial_;  // no partial file: written directly
  bool inPlace_ = false;                    // the partial file is copied into the target
};

// The file a name leads to through symbolic links, whether or not it exists
// yet: two names of one output are the same file when these are equal.
std::filesystem::path FileNamedBy(const std::string& path);
