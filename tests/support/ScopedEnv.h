// An environment variable set for the lifetime of an object.
#pragma once

#include "platform/environment.h"

namespace testsupport {

using ScopedEnv = platform::ScopedVariable;

}  // namespace testsupport
