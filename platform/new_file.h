// A file created for writing that must not exist yet: a temporary file that
// will replace another is never allowed to overwrite a third.
#pragma once

#include <cstdio>
#include <filesystem>

namespace platform {

// Opened for writing bytes as they are; nullptr with errno set (EEXIST when
// the name is taken).
std::FILE* CreateNewFile(const std::filesystem::path& path);

}  // namespace platform
