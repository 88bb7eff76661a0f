// What the create wizard collects for the partition manager, and the size
// the resize page chooses. Process-wide: the manager resets it before the
// first page opens and reads it when the last one closes.
#pragma once

#include <cstdint>
#include <string>

namespace partition {

// The smallest partition the create wizard offers (16 MiB) and the
// smallest size the resize page allows (10 MiB).
inline constexpr uint64_t kCreateMinSectors = 0x8000;
inline constexpr uint64_t kResizeMinSectors = 0x5000;

enum FormatOption : int32_t { kDoNotFormat = 0, kQuickFormat = 1, kFullFormat = 2 };

struct CreatePartitionRequestRecord {
  int64_t sizeMB = -1;  // -1: not chosen yet
  uint64_t sizeSectors = 0;
  uint64_t minSectors = 0;
  uint64_t maxSectors = 0;
  bool primary = true;   // false: an extended partition (ignored for a logical drive)
  bool logical = false;  // a logical drive is being created
  int32_t formatOption = kDoNotFormat;
  std::wstring fileSystem;  // "NTFS", "FAT32", "FAT" or empty
  bool finished = false;    // the summary page was confirmed
  uint64_t newSizeSectors = 0;  // the resize page's choice; 0: unset
};

extern CreatePartitionRequestRecord CreatePartitionRequest;

void ResetCreatePartitionRequest();

}  // namespace partition
