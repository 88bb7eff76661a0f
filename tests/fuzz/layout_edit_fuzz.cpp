// The partition manager's layout edits over a disk whose sectors come from
// the fuzzer: the layout the simulated driver reads off it is loaded into
// the slot table, one partition is deleted or a logical drive or primary
// partition created, and the result written back through the driver. When
// the driver takes the new layout, every partition that was not deleted
// must read back exactly where it was, with its type, and a new one where
// it was placed, inside the room that was found for it. And when the
// partition manager would allow the change, no entry the program reads off
// the disk goes missing that the edit did not remove.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <tuple>

#include "disk/disk_access.h"
#include "disk/partition_table.h"
#include "disk/partition_types.h"
#include "disk_input.h"
#include "partition/layout_edit.h"
#include "partition/layout_slots.h"
#include "partition/layout_writer.h"
#include "partition/table_checks.h"
#include "platform/sim/sim_system.h"
#include "platform/winapi.h"

namespace {

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

using Part = std::tuple<uint64_t, uint64_t, int>;  // start, length, type

// The partitions of the slot table (links and the extended partition left
// out); a hostile table may list one twice.
std::multiset<Part> Partitions() {
  std::multiset<Part> out;
  for (int i = 0; i < partition::kLayoutSlots; ++i) {
    const partition::LayoutSlot& s = partition::LayoutSlotTable[i];
    if (s.IsEmpty() || s.type == partition::kTypeLink || s.type == partition::kTypeExtended) continue;
    out.insert({s.StartSector(), s.LengthSectors(), s.type});
  }
  return out;
}

// Where the partitions the program reads off the disk start (pseudo
// records for space in use left out).
std::multiset<uint64_t> DiskStarts() {
  std::vector<disk::PartitionRecord> records;
  disk::ReadPartitionList(&records, 0);
  std::multiset<uint64_t> out;
  for (const disk::PartitionRecord& r : records)
    if (r.Type != disk::kTypeInUse && !(r.Type == disk::kTypeEmptyExtended && r.Slot == 4)) out.insert(r.StartLba);
  return out;
}

bool Load() {
  int count = partition::ReadDriveLayout(0, &partition::LayoutBuffer);
  if (count < 0 || count > partition::kLayoutSlots) return false;
  partition::LoadLayoutSlots(0, partition::LayoutBuffer, count);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto machine = fuzzing::MachineFromInput(data, size);
  if (!machine) return 0;
  platform::SetSystem(machine.get());
  disk::ResetDiskAccessState();
  partition::ResetLayoutState();
  uint8_t choice = size ? data[size - 1] : 0;
  // Where new partitions go: from sector 63 on, or on 1 MiB boundaries as
  // current Windows places them.
  const partition::Placement placement = partition::PlacementFor(size >= 2 && (data[size - 2] & 1) ? 10 : 5);
  const uint64_t diskSectors = machine->Disk(0).Sectors();

  if (Load()) {
    std::multiset<Part> before = Partitions();
    bool gpt = partition::LoadedLayoutHeader.style == win::PARTITION_STYLE_GPT;
    int ext = partition::ExtendedSlot();
    std::multiset<Part> expected = before;
    Part created{};
    bool wrote = false;
    // Whether the partition manager would let this edit change the table,
    // asked before the slots are edited (every path below asks).
    bool allowed = false;
    std::optional<uint64_t> removedStart;
    std::multiset<uint64_t> disk = DiskStarts();
    if (choice % 3 == 0 && !before.empty()) {
      auto victim = std::next(before.begin(), long(choice / 3 % before.size()));
      int slot = partition::FindSlotAt(std::get<0>(*victim));
      Require(slot >= 0, "every partition has its slot");
      // A hostile table may start two partitions at one sector: the slot
      // found is the one removed.
      const partition::LayoutSlot& s = partition::LayoutSlotTable[slot];
      Part removed{s.StartSector(), s.LengthSectors(), s.type};
      // ... which may even be an extended partition starting there: that
      // takes its logical drives with it, which the check below does not follow.
      auto it = expected.find(removed);
      removedStart = s.StartSector();
      allowed = partition::TableChangeRefusal(0, removedStart).empty();
      if (it != expected.end() && partition::RemoveLayoutSlot(slot)) {
        expected.erase(it);
        Require(Partitions() == expected, "a removal takes exactly its partition");
        wrote = partition::WriteDriveLayout(0, 0);
      }
    } else if (choice % 3 == 1 && ext >= 0) {
      const partition::LayoutSlot& e = partition::LayoutSlotTable[ext];
      uint64_t at = e.StartSector() + (choice / 3) * (e.LengthSectors() / 86);
      partition::Extent room = partition::LogicalExtentAt(at, placement);
      if (room.length > partition::kLogicalOffset) {
        Require(room.start >= e.StartSector() && room.start + room.length <= e.EndSector(),
                "a logical drive's room lies in the extended partition");
        // Only a record the extended partition's start fixes is off the grid.
        Require(room.start % placement.unit == 0 || room.start == e.StartSector() || room.start == at,
                "a new extended boot record lies on the placement's unit");
        allowed = partition::TableChangeRefusal(0).empty();
        if (partition::InsertLogicalGroup(room.start, room.length, 0x07, partition::UsedEntryCount) >= 0) {
          created = {room.start + partition::kLogicalOffset, room.length - partition::kLogicalOffset, 0x07};
          expected.insert(created);
          wrote = partition::WriteDriveLayout(0, 0);
        }
      }
    } else if (!gpt && partition::LoadedLayoutHeader.style == win::PARTITION_STYLE_MBR &&
               partition::UsedMbrSlots() < 4) {
      partition::Extent room = partition::PrimaryExtentAt((choice / 3) * (diskSectors / 86), diskSectors, placement);
      if (room.length) {
        Require(room.start >= placement.firstSector && room.start % placement.unit == 0 &&
                    room.start + room.length <= diskSectors,
                "a primary's room lies on the disk, on the placement's unit");
        allowed = partition::TableChangeRefusal(0).empty();
        if (partition::InsertPrimarySlot(room.start, room.length, 0x0C, partition::UsedEntryCount) >= 0) {
          created = {room.start, room.length, 0x0C};
          expected.insert(created);
          wrote = partition::WriteDriveLayout(0, 0);
        }
      }
    }
    Require(partition::LayoutEntryCount() <= partition::kLayoutSlots, "the written count fits the table");
    // What was written must read back as it was meant, whenever the
    // partition manager would have written it. (A table it refuses may
    // read otherwise: a hybrid MBR left with its GPT entry alone is a
    // protective MBR, and its GPT is gone.)
    if (wrote && allowed) {
      Require(Load(), "the written layout reads back");
      Require(Partitions() == expected, "the partitions not deleted stay where they were");
      if (removedStart && disk.count(*removedStart)) disk.erase(disk.find(*removedStart));
      if (std::get<1>(created)) disk.insert(std::get<0>(created));
      Require(DiskStarts() == disk, "the entries on the disk are those before, less the one removed, plus the one made");
    }
  }
  Require(disk::OpenDiskCount == 0, "every open of the disk closed");
  Require(machine->Disk(0).outOfRange == 0, "no transfer outside the disk");
  platform::SetSystem(nullptr);
  return 0;
}
