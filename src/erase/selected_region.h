// The disk or partition chosen for deletion, scanning or viewing, and the
// way the pages name it.
#pragma once

#include <cstdint>
#include <string>

namespace erase {

inline constexpr uint32_t kWholeDisk = 2;
inline constexpr uint32_t kPartition = 3;

struct Region {
  uint32_t DriveNumber = 0;
  uint32_t RegionKind = kWholeDisk;
  wchar_t DriveLetter = L' ';    // a space when the partition has none
  std::wstring DiskName;         // whole disk: the model (up to 32 units)
  std::wstring FileSystemName;   // partition: "RAW", "FAT", "FAT32", "exFAT", "NTFS", or its type name without a letter
  uint64_t StartLba = 0;         // 0 for a whole disk
  uint64_t LengthSectors = 0;
  uint64_t CursorLba = 0;        // where the next block of a running pass goes
};

extern Region SelectedRegion;
// The checked row of the disk list, kept while the deletion or scan wizard
// moves between its pages; -1 when none.
extern int RememberedDiskRow;

// "Disk 0 Model" or "Partition (C:) NTFS"; a partition without a letter is
// named by its start ("Partition (#2048) Linux"), and without a type name
// when it has none.
std::wstring RegionName(const Region& r);
// The name followed by the size, as the progress pages and the viewer show it.
std::wstring RegionTargetText(const Region& r);
// What a page that is about to write says it will write: the target text,
// and for a partition the disk it lies on with that disk's model and size.
std::wstring RegionWriteTargetText(const Region& r);

void ResetSelectedRegion();

}  // namespace erase
