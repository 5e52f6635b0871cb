#include "platform/file_name.h"

#include "platform/utf16_win32.h"

namespace platform {

std::filesystem::path FilePath(std::string_view name) { return Utf16(name); }

}  // namespace platform
