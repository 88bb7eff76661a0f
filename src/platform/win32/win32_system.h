// The real machine: platform::System passed straight to the Win32 API.
#pragma once

#include <memory>

#include "platform/system.h"

namespace platform {

std::unique_ptr<System> CreateWin32System();

}  // namespace platform
