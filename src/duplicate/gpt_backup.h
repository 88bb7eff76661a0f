// A GPT copied sector by sector onto a larger disk: its backup moved to the
// destination's last sectors, where Windows and every partitioning tool
// look for it.
#pragma once

#include <cstdint>

namespace duplicate {

// After a whole-disk sector copy of sourceSectors onto the drive (by
// physical drive number): when the drive is larger and the copy carries a
// GPT in use (sector 0 holds a protective or hybrid entry; a valid primary,
// or the backup left in the source's last sector), the backup header and
// its entry array are written at the drive's end and read back, then the
// primary (when valid) points to them and takes the new space into its
// usable area, and a protective entry that covered the source covers the
// drive. True when there was nothing to do or everything was written.
bool MoveGptBackupToEnd(int destinationDrive, uint64_t sourceSectors, uint64_t destinationSectors);

}  // namespace duplicate
