// A file name as the program keeps it, UTF-8 text (from the command line, a
// dialog, the environment), as the system's file functions take it: on
// Windows UTF-16, as the narrow names of its C library (the ANSI code page)
// cannot hold a folder named 測試.
#pragma once

#include <filesystem>
#include <string_view>

namespace platform {

std::filesystem::path FilePath(std::string_view name);

}  // namespace platform
