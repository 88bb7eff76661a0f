// The destination partition's table entry after a sector copy of a
// partition: its length becomes the copied length and its type the
// source's own type byte.
#pragma once

#include <cstdint>

namespace duplicate {

// Changes entry slot (0..3) of the MBR or extended boot record at tableLba
// of the drive, which must start at startLba. Nothing is written unless the
// table sector was read and is an MBR or EBR (not a GPT's protective MBR)
// and the entry is the partition's. type 0 keeps the entry's type.
bool FixDestinationEntry(int driveNumber, uint64_t tableLba, int slot, uint64_t startLba, uint64_t length,
                         uint8_t type);

}  // namespace duplicate
