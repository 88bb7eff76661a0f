// Names of MBR partition types, as the lists and the disk map show them.
#pragma once

#include <cstdint>
#include <string>

namespace disk {

struct PartitionTypeRow {
  uint8_t type;
  const char* name;  // padded with blanks to 10 characters
};
extern const PartitionTypeRow PartitionTypeTable[83];

bool IsKnownPartitionType(uint8_t type);
// The table name with blanks removed at both ends; "N/A" for an empty name;
// "" for a type the table does not hold.
std::wstring PartitionTypeName(int type);

}  // namespace disk
