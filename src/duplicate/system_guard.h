// The guard every wizard that writes disks asks first (the deletion, the
// partition manager's delete, format and resize, and the duplication's
// destination): on an installed Windows, the volume that holds the running
// Windows and the partition it was started from are never overwritten,
// deleted, formatted or resized, and a whole disk that holds either is
// never erased. Windows' own disk tool refuses the same. A Windows PE boot
// runs from its RAM disk, so there no disk is protected.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace duplicate {

struct GuardedPartition {
  int driveNumber = -1;
  uint64_t startLba = 0;
  uint64_t lengthSectors = 0;
  bool windowsVolume = false;  // else the system partition (the active one, or the EFI system partition)
};

// What the running system needs, read from the system as it is now; empty
// on Windows PE.
std::vector<GuardedPartition> GuardedPartitions();

// Why sectors [startLba, startLba + lengthSectors) of the drive must not be
// written: a message naming what is there and why; empty when they may be.
std::wstring WriteRefusal(int driveNumber, uint64_t startLba, uint64_t lengthSectors);
// The same for a whole disk.
std::wstring DiskWriteRefusal(int driveNumber);

}  // namespace duplicate
