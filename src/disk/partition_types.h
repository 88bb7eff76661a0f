// Names of MBR partition types, as the lists and the disk map show them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/bytes.h"

namespace disk {

struct PartitionTypeRow {
  uint8_t type;
  const char* name;  // padded with blanks to 10 characters
};
extern const PartitionTypeRow PartitionTypeTable[83];

// Pseudo type of a record that stands for space held by table entries the
// program does not list one by one (an extended partition beside the one it
// walks, the rest of a chain cut at the record cap): in use, never free.
inline constexpr int32_t kTypeInUse = 0x100;

bool IsKnownPartitionType(uint8_t type);
// The type code of a GPT partition without a volume, from its type GUID:
// 239 (shown as "EFI") for the EFI system partition, the MBR type of the
// same use for Linux partitions, 0 (no name) for anything else.
int GptPartitionTypeCode(const bytes::Guid& type);
// The name of a GPT type ("Basic data", "EFI system", ...); "" for a type
// without one.
std::wstring GptPartitionTypeName(const bytes::Guid& type);
// A GUID as the partitioning tools print it: 8-4-4-4-12 upper-case digits.
std::wstring GuidText(const bytes::Guid& g);
// The table name with blanks removed at both ends; "N/A" for an empty name;
// "In-use" for kTypeInUse (one word: lists squeeze the blanks out of
// names); "" for a type the table does not hold.
std::wstring PartitionTypeName(int type);

}  // namespace disk
