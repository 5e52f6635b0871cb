#include "platform/commapi/errors.h"
#include "platform/commapi/native_port.h"

namespace commapi {

std::shared_ptr<Port> OpenNativePort(const std::string&) {
  Fail(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

}  // namespace commapi
