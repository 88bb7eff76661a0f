// Whether the partition manager may change a disk's partition table. It
// writes the whole table from the layout the driver reports, so a table
// that layout does not describe in full stays as it is: a GPT that is not
// intact in both copies (a new table written now would be built from
// whatever copy could be read, or from nothing), and MBR entries the layout
// leaves out (an entry past the disk's end, a second extended partition,
// logical drives beyond what can be read).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace partition {

// Why the drive's GPT must not be changed (it carries one that is not
// intact), or empty.
std::wstring GptRefusal(int driveNumber);
// Checks the drive against the layout loaded into the LayoutSlotTable: the
// message that says why the table must not be changed, or empty when it
// may. `deleting`: the start of the partition a deletion removes, which
// may be the very entry the layout leaves out.
std::wstring TableChangeRefusal(int driveNumber, std::optional<uint64_t> deleting = std::nullopt);

// True when the partition at startSector is on the disk but not in the
// loaded layout: deleting it means writing the layout as it is.
bool OnlyOnDisk(int driveNumber, uint64_t startSector);

}  // namespace partition
