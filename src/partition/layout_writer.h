// Writing a disk's layout through the disk driver's layout requests: the
// driver writes the MBR and extended boot records, or the GPT. The program
// never writes partition-table sectors itself here.
#pragma once

#include <cstdint>

namespace partition {

// Writes the LayoutSlotTable as the layout of the disk. The entry count is
// raised so that it covers every group holding an entry, after a creation
// and after a deletion alike. The disk signature (MBR) and the
// disk id and usable area (GPT) stay as the driver reports them. False when
// the layout cannot be read again, changed its style meanwhile, or the
// driver refuses it; the disk is then unchanged and *error (when given)
// holds the driver's error code.
bool WriteDriveLayout(int driveNumber, int count, uint32_t* error = nullptr);

// An empty disk: initialised as MBR with signature 0xA4B57300, and its first
// partition at startSector (63, or 2048 on current systems). On failure
// *error (when given) holds the error code.
bool CreateFirstPartition(int driveNumber, uint64_t startSector, uint64_t sizeSectors, int type,
                          uint32_t* error = nullptr);

}  // namespace partition
