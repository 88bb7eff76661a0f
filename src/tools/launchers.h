// The companion tools the main window starts: the bootable-USB maker
// (waited for) and its short tool (started and left alone).
#pragma once

#include <cstdint>

namespace tools {

inline constexpr uint32_t kUsbMakerWaitMs = 60 * 60 * 1000;
inline constexpr uint32_t kUsbToolPauseMs = 5000;

// The folder's "Resources\Pelmora.exe"; the window waits for it (at most
// kUsbMakerWaitMs). A second press while it runs does nothing.
void LaunchBootableUsbMaker();
// The folder's "Tools\PelmoraT.exe", opened by the shell; then a pause of
// kUsbToolPauseMs during which the window stays alive.
void LaunchBootableUsbTool();

}  // namespace tools
