#include "platform/file_name.h"

namespace platform {

// The bytes are the name, whatever their encoding.
std::filesystem::path FilePath(std::string_view name) { return name; }

}  // namespace platform
