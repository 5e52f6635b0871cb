// What the files the program writes for the user need of the system: a new
// file that must not exist yet (a partial file that will replace another is
// never allowed to overwrite a third), marked as in use while it is open so
// that one left by a killed run can be told from one being written; and the
// few questions a shell redirection would ask of a target.
#pragma once

#include <cstdio>
#include <filesystem>

namespace platform {

// Created for writing bytes as they are; nullptr with errno set (EEXIST when
// the name is taken). With like, an existing file, it takes that file's
// permission bits, and its owner and group where the program may set them.
std::FILE* CreateNewFile(const std::filesystem::path& path,
                         const std::filesystem::path* like = nullptr);

// An existing file opened for writing at its end, never created or truncated:
// a device, a pipe, or the file behind /dev/stdout. nullptr with errno set.
std::FILE* OpenExistingFile(const std::filesystem::path& path);

// Removes path when it is a file CreateNewFile made that no program has open
// any more (its writer was killed); a file in use, or anything else, stays.
void RemoveIfAbandoned(const std::filesystem::path& path);

// 0 when the user may write to the existing file path, else the error a
// shell redirection would meet (EACCES, EROFS, ...).
int WriteAccess(const std::filesystem::path& path);

// True for a name that stands for a file the program already has open, such
// as /proc/self/fd/1 behind /dev/stdout: it is written through, never
// followed to the file behind it or replaced. The directory part of path is
// canonical.
bool NamesOpenFile(const std::filesystem::path& path);

}  // namespace platform
