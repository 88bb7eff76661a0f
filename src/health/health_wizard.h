// The disk-health window: the main window's Disk Health tile opens it.
#pragma once

namespace health {

void RunDiskHealth();

}  // namespace health
