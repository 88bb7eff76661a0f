// The deletion: preparing the region (clearing a whole disk's layout,
// locking a partition's volume), the passes of the chosen method over it,
// and the finishing steps (unlock, snapshot of the first sector). Runs on
// the page's thread and drains its messages between transfers, so that
// Cancel works. The page is the deletion progress page (erase_ids.h).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "disk/disk_table.h"
#include "erase/selected_region.h"
#include "erase/wipe_methods.h"
#include "ui/window.h"

namespace erase {

extern bool DeleteCancelled;  // set by Cancel (or when the volume cannot be taken); the report says aborted
extern bool DeleteStarted;    // the wipe has started: Cancel no longer closes the page
extern std::time_t DeleteStartTime;
extern std::wstring DeleteDateText;
extern int64_t ProgressPosition;  // blocks done over all passes
extern uint8_t SnapshotSector[512];
// N: the sectors per track of the region's disk, the block size of the wipe.
extern uint32_t BlockSectors;
// How far the last wipe got: the most sectors one pass wrote successfully,
// and the passes of its method begun of all of them.
extern uint64_t SectorsOverwritten;
extern int PassesBegun;
extern int PassCount;
// The wiped disk as the drive named itself when the wipe began.
extern disk::DiskIdentity WipedDisk;

// The whole deletion of SelectedRegion with WipeMethod; results are left
// in IoErrorCount, DeleteCancelled, SnapshotSector and DeleteDateText.
void RunDeletion(ui::Window& page);
// Zeros sector 0 until the system shows no volume of the disk (up to six
// times); false when volumes remain. The errors of this step do not count.
bool ClearDiskLayout(int driveNumber);
// Sets the progress range and runs the method's passes over the region.
void RunWipe(ui::Window& page, Region& region, int method);
// One pass over the region; returns early when DeleteCancelled is set.
void RunWipePass(ui::Window& page, Region& region, PassKind kind);

void ResetDeletionState();

}  // namespace erase
