// Edits of the LayoutSlotTable that creating and deleting partitions make,
// and where a new partition may go. Every edit keeps each partition it does
// not delete exactly where it was, with its type, and keeps the extended
// boot records a chain in disk order that reaches every logical drive.
#pragma once

#include <cstdint>

#include "partition/layout_slots.h"

namespace partition {

inline constexpr uint64_t kFirstPartitionSector = 63;
// Windows Vista and later place partitions on 1 MiB boundaries (the unit
// the duplication plans in for the same systems); older ones from sector
// 63 on.
inline constexpr uint64_t kModernAlignment = 2048;

// A logical drive starts this far behind its extended boot record: one
// track on older systems, 1 MiB from Windows Vista on.
inline constexpr uint64_t kOldLogicalOffset = 63;
inline constexpr uint64_t kLogicalOffset = 2048;

// Where new partitions go on a system of that major version: the first
// sector of an empty disk, the unit every start is rounded up to, and how
// far a logical drive lies behind its record.
struct Placement {
  uint64_t firstSector = kFirstPartitionSector;
  uint64_t unit = 1;
  uint64_t logicalOffset = kOldLogicalOffset;
};
Placement PlacementFor(uint32_t windowsMajorVersion);
// An MBR entry cannot reach beyond 2^32 sectors.
inline constexpr uint64_t kMbrSectorLimit = 1ull << 32;
inline constexpr uint64_t kGptAlignment = 2048;

struct Extent {
  uint64_t start = 0;
  uint64_t length = 0;
};

// MBR slot of the extended partition, or -1.
int ExtendedSlot();
// MBR slots in use other than the extended partition.
int PrimaryCount();
int UsedMbrSlots();
// The slot of the partition (not a link) that starts at the sector; -1 none.
int FindSlotAt(uint64_t startSector);

// Free room for a new primary partition at or behind regionStart: never
// before the placement's first sector, its start on the placement's unit,
// never inside or across another MBR slot.
Extent PrimaryExtentAt(uint64_t regionStart, uint64_t diskSectors, Placement placement = {});
// Free room in the extended partition for a new extended boot record at or
// behind regionStart, on the placement's unit (the logical drive follows
// its record by kLogicalOffset); the length counts from that record.
Extent LogicalExtentAt(uint64_t regionStart, Placement placement = {});
// Free room for a GPT partition, 1 MiB aligned, inside the usable area.
Extent GptExtentAt(uint64_t regionStart, const LayoutHeaderInfo& header, uint64_t diskSectors);
// Where the partition of a slot may end at the latest when it grows.
uint64_t GrowLimit(int slot, const LayoutHeaderInfo& header, uint64_t diskSectors);

// Each returns the slot it filled, or -1 when the table has no room.
int InsertPrimarySlot(uint64_t startSector, uint64_t sizeSectors, int type, int used);
// A new extended boot record at ebrSector and its logical drive
// logicalOffset sectors behind it, sizeSectors long in all; linked into the
// chain in disk order.
int InsertLogicalGroup(uint64_t ebrSector, uint64_t sizeSectors, int type, int used,
                       uint64_t logicalOffset = kLogicalOffset);
int InsertGptSlot(uint64_t startSector, uint64_t sizeSectors, const bytes::Guid& id);
// Removes a partition: an MBR slot (the slots behind it move up; an
// extended partition takes its logical groups with it), a logical drive
// (the later groups move up and the link before it leads on), or a GPT
// entry. False when the slot holds nothing that can be removed.
bool RemoveLayoutSlot(int slot);

// The entries a written layout must have so that it covers every group
// holding an entry: at least 8 on an MBR disk with an extended partition,
// so that its first extended boot record is written too.
int LayoutEntryCount();

}  // namespace partition
