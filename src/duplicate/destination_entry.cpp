#include "duplicate/destination_entry.h"

#include "duplicate/mbr_sector.h"
#include "platform/bytes.h"

namespace duplicate {

bool FixDestinationEntry(int driveNumber, uint64_t tableLba, int slot, uint64_t startLba, uint64_t length,
                         uint8_t type) {
  // Only the four entries of the sector; the empty-extended pseudo-record's
  // slot 4 names none of them.
  if (slot < 0 || slot > 3 || length == 0 || length > 0xFFFFFFFFull) return false;
  uint8_t s[512];
  if (!ReadDriveSector(driveNumber, tableLba, s) || !IsMbr(s)) return false;
  uint8_t* e = s + kEntriesOffset + 16 * slot;
  if (e[4] == 0 || e[4] == 0x05 || e[4] == 0x0F) return false;
  // An EBR's entry counts from the EBR itself.
  if (tableLba + bytes::Get32(e + 8) != startLba) return false;
  bytes::Put32(e + 12, uint32_t(length));
  if (type) e[4] = type;
  return WriteDriveSector(driveNumber, tableLba, s);
}

}  // namespace duplicate
