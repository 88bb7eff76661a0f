// What the health pages show about a disk besides its SMART values: bus,
// model, size, the space its lettered partitions use, and the unique
// device id from the disk service's registry list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/disk_list.h"

namespace health {

struct DriveFacts {
  int driveNumber = -1;
  bool inTable = false;  // the disk table holds this drive
  std::wstring busName;
  std::wstring model;
  uint64_t sizeSectors = 0;
  uint64_t usedSectors = 0;  // over the partitions that have a drive letter
  std::wstring uniqueId;
};

// From the disk list rows the page built (with the disk table and volume
// maps behind them).
DriveFacts FactsOf(const std::vector<app::DiskListRow>& rows, int driveNumber);

// The id in a device instance path: its last component, without the
// leading "5&" of a bus-made id, up to the next "&"
// ("...\5&1a2b3c&0&0.0.0" gives "1a2b3c", "...\ABCDEF&0" gives "ABCDEF").
std::wstring UniqueIdFromInstancePath(const std::wstring& path);
// The instance path the registry names for the drive, as an id; "" when
// there is none.
std::wstring UniqueDeviceId(int driveNumber);

}  // namespace health
