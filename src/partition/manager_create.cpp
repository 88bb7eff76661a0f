// Creating a primary or extended partition or a logical drive: where it
// can go, the wizard, the new layout, and the format asked for.
#include <algorithm>

#include "app/language.h"
#include "partition/ccformat.h"
#include "partition/create_request.h"
#include "partition/create_wizard.h"
#include "partition/format_request.h"
#include "partition/layout_edit.h"
#include "partition/layout_slots.h"
#include "partition/layout_writer.h"
#include "partition/manager_operations.h"
#include "partition/manager_state.h"
#include "partition/region_preview.h"
#include "platform/system.h"
#include "platform/winapi.h"

namespace partition {

using app::T;

namespace {

struct CreationPlan {
  bool firstPartition = false;  // an empty disk: initialised as MBR
  bool gpt = false;
  Extent room;
};

// Where new partitions go on the running system: on 1 MiB boundaries from
// Windows Vista on, as Windows itself places them.
Placement SystemPlacement() { return PlacementFor(platform::Sys().GetVersion().major); }

void Say(const wchar_t* key) { ui::MessageBox(T(key), win::MB_OK | win::MB_ICONEXCLAMATION); }

// With no region chosen, a new partition goes into the largest free space
// outside the extended partition.
int LargestFreeRegion() {
  const auto& rows = PartitionManager.regions;
  int best = -1;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].RecordIndex < 0 && rows[i].IsPrimary &&
        (best < 0 || rows[i].LengthSectors > rows[size_t(best)].LengthSectors))
      best = int(i);
  return best;
}

// The part of a room that lies in the region the operator chose: skipping
// a partition the rows do not show must not carry it elsewhere.
Extent WithinRegion(Extent room, const disk::PartitionEntry& r) {
  uint64_t end = r.StartLba + r.LengthSectors;
  if (room.start < r.StartLba || room.start >= end) return {};
  room.length = std::min(room.length, end - room.start);
  return room;
}

// Where the new partition can go, from the layout as the driver reports it
// (the regions only show gaps above 10 MiB and hide GPT reserved space).
bool PlanCreation(bool logical, CreationPlan* plan) {
  PartitionManagerState& m = PartitionManager;
  const disk::DiskEntry* d = SelectedDiskEntry();
  if (!LoadSelectedLayout()) return false;
  plan->gpt = LoadedLayoutHeader.style == win::PARTITION_STYLE_GPT;
  const disk::PartitionEntry* r = SelectedRegionEntry();
  if (logical) {
    if (!m.hasExtended) {
      Say(L"IDS_NoExtendedPartition");
      return false;
    }
    bool inside = r && ((r->RecordIndex < 0 && !r->IsPrimary) ||
                        (r->RecordIndex >= 0 && r->Type == disk::kTypeEmptyExtended));
    if (inside) plan->room = WithinRegion(LogicalExtentAt(r->StartLba, SystemPlacement()), *r);
  } else if (!plan->gpt && UsedEntryCount == 0) {
    plan->firstPartition = true;
    uint64_t first = SystemPlacement().firstSector;
    uint64_t size = d->SizeSectors > 2048 ? d->SizeSectors - 2048 : 0;
    plan->room = {first, std::min(size, kMbrSectorLimit - first)};
  } else {
    if (!plan->gpt && ((m.hasExtended && m.primaryCount >= 3) || UsedMbrSlots() >= 4)) {
      Say(L"IDS_NoMorePartition");
      return false;
    }
    if (!r) {
      m.selectedRegion = LargestFreeRegion();
      r = SelectedRegionEntry();
    }
    auto room = [&](uint64_t from) {
      return plan->gpt ? GptExtentAt(from, LoadedLayoutHeader, d->SizeSectors)
                       : PrimaryExtentAt(from, d->SizeSectors, SystemPlacement());
    };
    // No free region shown at all (a GPT without partitions has no rows):
    // the first room on the disk.
    if (!r) plan->room = room(0);
    else if (r->RecordIndex < 0 && r->IsPrimary) plan->room = WithinRegion(room(r->StartLba), *r);
  }
  if (plan->room.length < kCreateMinSectors) {
    Say(L"IDS_NoFreeSpace");
    return false;
  }
  return true;
}

// The partition type the request asks for; -1 when a logical drive has no
// file system.
int CreationType(bool logical) {
  const CreatePartitionRequestRecord& r = CreatePartitionRequest;
  if (!logical && !r.primary) return kTypeExtended;
  int type = PartitionTypeForFileSystem(r.fileSystem);
  if (type == -1 && !logical) type = 0x07;
  return type;
}

// Writes the new layout; the new partition's first sector, or 0 on failure.
uint64_t WriteCreation(const CreationPlan& plan, bool logical, uint64_t size, int type) {
  int drive = SelectedDiskEntry()->DriveNumber;
  uint32_t error = 0;
  if (plan.firstPartition) {
    if (CreateFirstPartition(drive, plan.room.start, size, type, &error)) {
      PartitionManager.lastMadeSectors = size;
      return plan.room.start;
    }
    ui::MessageBox(LayoutWriteFailureText(error), win::MB_OK | win::MB_ICONEXCLAMATION);
    return 0;
  }
  int slot;
  if (plan.gpt) {
    bytes::Guid id;
    platform::Sys().CreateGuid(id.b);
    slot = InsertGptSlot(plan.room.start, size - size % kGptAlignment, id);
  } else if (logical) {
    slot = InsertLogicalGroup(plan.room.start, size, type, UsedEntryCount, SystemPlacement().logicalOffset);
  } else {
    slot = InsertPrimarySlot(plan.room.start, size, type, UsedEntryCount);
  }
  if (slot < 0) {
    Say(L"IDS_TooManyPartitions");
    return 0;
  }
  if (!WriteDriveLayout(drive, UsedEntryCount + 1, &error)) {
    ui::MessageBox(LayoutWriteFailureText(error), win::MB_OK | win::MB_ICONEXCLAMATION);
    return 0;
  }
  PartitionManager.lastMadeSectors = LayoutSlotTable[slot].LengthSectors();
  return LayoutSlotTable[slot].StartSector();
}

}  // namespace

void CreatePartitionCommand(ui::Window& w, bool logical) {
  PartitionManagerState& m = PartitionManager;
  m.lastOutcome = Outcome::Refused;
  if (!SelectedDiskEntry()) {
    Say(L"IDS_SelectDisk");
    return;
  }
  CreationPlan plan;
  if (!PlanCreation(logical, &plan)) return;
  ResetCreatePartitionRequest();
  CreatePartitionRequestRecord& r = CreatePartitionRequest;
  r.logical = logical;
  r.minSectors = kCreateMinSectors;
  r.maxSectors = plan.room.length;
  bool finished = RunCreateWizard();
  EndRegionPreview();
  if (!finished) {
    m.lastOutcome = Outcome::Cancelled;
    return;
  }
  int type = CreationType(logical);
  if (type == -1) {
    Say(L"IDS_SelectPartitionType");
    return;
  }
  // The disk may have changed while the wizard was open.
  if (!PlanCreation(logical, &plan)) return;
  uint64_t size = std::min(uint64_t(r.sizeMB) * 2048, plan.room.length);
  // A format that cannot succeed is refused before the table is written,
  // not after: the partition would be left behind unformatted.
  uint64_t partitionSectors = plan.gpt ? size - size % kGptAlignment
                              : logical && size > SystemPlacement().logicalOffset ? size - SystemPlacement().logicalOffset
                                                                 : size;
  if (type != kTypeExtended && r.formatOption != kDoNotFormat &&
      !FileSystemFits(r.fileSystem, partitionSectors)) {
    Say(L"IDS_Fat32TooSmall");
    return;
  }
  uint64_t start = WriteCreation(plan, logical, size, type);
  if (start == 0) {
    m.lastOutcome = Outcome::Failed;
    ShowManager(w, false);
    return;
  }
  m.lastCreatedType = type;
  if (!WaitForLayoutChange(w, 0, start)) {
    m.lastOutcome = Outcome::Failed;
    return;
  }
  m.lastOutcome = Outcome::Done;
  const disk::PartitionEntry* created = SelectedRegionEntry();
  if (type == kTypeExtended || r.formatOption == kDoNotFormat || !created || created->DriveLetter <= 0) return;
  ShowManager(w, false);
  FormatOutcome formatted = FormatByDriveLetter(wchar_t(created->DriveLetter), created->LengthSectors);
  if (formatted != FormatOutcome::Formatted) m.lastOutcome = Outcome::Failed;
  ShowManager(w, true);
}

}  // namespace partition
