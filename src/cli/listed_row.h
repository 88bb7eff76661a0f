// A disk or partition row found in the disk list a page shows.
#pragma once

#include "ui/scripted/scripted_host.h"

namespace cli {

// The row of disk `drive` (partition 0) or of its partition row `partition`
// (1 for the first) in the list the page shows now, -1 when it is not
// there. A page reads the disks again: a disk whose table could not be read
// a moment before (a sector that reads at a later attempt) may have more
// rows now, which would move every row behind it onto another disk.
int ListedRow(ui::ScriptedWindow& w, int listId, int drive, int partition);

}  // namespace cli
