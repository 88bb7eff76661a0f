// Sizes as the pages show them: "512 Byte", "1.50 MB", "465.76 GB", "1 TB".
#pragma once

#include <cstdint>
#include <string>

namespace app {

std::wstring FormatSize(uint64_t sectors);

}  // namespace app
