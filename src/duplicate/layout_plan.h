// Planning the destination of a whole-disk duplication: where every source
// partition starts on the destination and how long it becomes, under Auto
// (proportional), Same (unchanged sizes) or Manual (Auto, then single rows
// resized by the operator) expansion, and whether the destination becomes
// GPT. The plan lives in the plan fields of partition::LayoutSlotTable;
// the picture the destination page draws is PlannedRows.
//
// No function here shows a message: a refused plan comes back as a
// PlanStatus, and the page shows it with ShowPlanRefusal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/partition_table.h"
#include "duplicate/duplication_job.h"

namespace duplicate {

// Auto lays an MBR source out as GPT on a destination of this many MiB
// (2 TiB) and more, and Manual is not offered there.
inline constexpr uint64_t kGptFromMiB = 2097152;

enum class PlanStatus {
  Ok,
  TooSmall,    // the used data (or a partition that keeps its size) does not fit: "IDS_DestinationTooSmall"
  Unreadable,  // the source's layout cannot be read: "IDS_LayoutUnreadable"
  Impossible,  // the plan breaks a rule of the disk (a length of 0, an overlap, outside the usable area): "IDS_PlanImpossible"
  TooManyPartitions,  // the source's layout has more entries than the plan holds: "IDS_SourceTooManyPartitions"
  SourceOutsideDisk,  // a source entry reaches past the disk's last sector: "IDS_SourcePartitionOutsideDisk"
};

// The message key of a refusal ("" for Ok), and the message box itself.
const wchar_t* PlanStatusKey(PlanStatus status);
void ShowPlanRefusal(PlanStatus status);

// ---- planning state, rebuilt by every plan
extern double ExpansionRatio;   // destination / source length; 1.0 in Same mode
extern bool ConvertToGpt;       // an MBR source is laid out as GPT (Auto onto 2 TiB or more)
extern uint32_t AlignmentUnit;  // sectors: 2048 on Windows 6 and later, else the sectors per track
extern int32_t WindowsSlot;     // the first lettered slot with a newer Windows; 0 none (or slot 0)
extern int32_t PlanSlotCount;   // slots 0 .. PlanSlotCount - 1 of the LayoutSlotTable carry the plan
extern bool PlanWidened;        // a one-entry source layout is written as four entries
extern int32_t SourceUsedEntries;  // used entries of the source layout
// The source's drive layout as read (DRIVE_LAYOUT_INFORMATION_EX).
extern std::vector<uint8_t> SourceLayout;

// One row of the planned picture: a partition of the plan (slot >= 0) or a
// free region (slot -1). entry.StartLba / LengthSectors are destination sectors.
struct PlannedRow {
  disk::PartitionEntry entry;
  int32_t slot = -1;
};
extern std::vector<PlannedRow> PlannedRows;
extern int32_t SelectedPlannedRow;  // -1 none
extern uint64_t ManualMinimum;      // sectors, of the selected row
extern uint64_t ManualMaximum;

// Where partitions may lie on a destination of diskSectors: [first, end).
// GPT keeps sectors 0-33 and the backup area (the last 33 sectors) free.
struct UsableArea {
  uint64_t first = 0;
  uint64_t end = 0;
};
UsableArea UsableAreaOf(uint64_t diskSectors, bool gpt);

// A whole-disk plan (source and destination are DiskTable indexes): reads
// the source layout, fills the plan for mode (Manual plans as Auto), builds
// PlannedRows and checks that the plan is sound and the used data fits.
// Same mode on a smaller destination is TooSmall.
PlanStatus PlanDiskDuplication(int sourceDisk, int destinationDisk, Expansion mode);
// Fills the plan fields of slots 0 .. count - 1 from the layout (the
// LayoutSlotTable filling, the GPT conversion, the placement, the fit to a
// smaller destination); then CheckPlan.
PlanStatus PlanDestinationLayout(int sourceDisk, int destinationDisk, const std::vector<uint8_t>& layout, int count,
                                 Expansion mode);
// Sets WindowsSlot from the lettered slots; true when a newer Windows was found.
bool FindWindowsSlot(int count);
// Every rule a plan must keep on a destination of diskSectors: positive
// lengths, every partition inside the usable area, no overlaps, logical
// drives inside their container behind their extended boot record, MBR
// values within 32 bits, and slots copied sector by sector at their size.
PlanStatus CheckPlan(uint64_t diskSectors);
// The slots that are copied sector by sector in a basic duplication (no
// source volume, and an MBR type Windows does not mount: hidden, utility,
// Linux ...; or a GPT system partition other than the reserved one: EFI,
// recovery). They keep their
// size; the driver copies them with CopyHiddenPartition.
bool IsSectorCopiedSlot(int slot);
// MBR types whose volumes Windows mounts (FAT, FAT32, NTFS).
bool IsMountedMbrType(int type);
// Used sectors of the slot's source volume plus a quarter, 0 without a letter.
uint64_t UsedWithReserve(int slot);

// ---- Manual mode on the planned picture
// Selects a partition row and sets ManualMinimum / ManualMaximum; false
// for a free row (ignored). Rows that keep their size get minimum = maximum.
bool SelectPlannedRow(int row);
// Parses the size field (MiB, at most its first 8 characters), clamps it to
// the limits (within 1 MiB of the maximum takes the maximum), resizes the
// selected row and moves the rows behind it; returns the size in sectors
// (0 when no row is selected).
uint64_t ApplyManualSize(const std::wstring& sizeMiB);
// Next: the picture carried back into the plan, row by slot (never by
// letter), containers and links following their logical drives; CheckPlan.
PlanStatus CarryManualSizes();

// ---- a partition source onto a partition of another disk
// Sets DuplicationJob.DestinationPlannedLength for mode (Auto: the
// destination's length; Same: the source's length; Manual: as Auto, with
// ManualMinimum / ManualMaximum set for the size controls). TooSmall when
// the source's used data (Same: its length) cannot fit.
PlanStatus PlanPartitionDuplication(Expansion mode);
// Manual: clamps sizeMiB as ApplyManualSize does and stores it as
// DestinationPlannedLength; returns it in sectors.
uint64_t ApplyManualPartitionSize(const std::wstring& sizeMiB);

// ---- the destination page's checks on Next (64-bit, lengths of 0 refused)
// Basic mode: every planned slot with a source letter holds its used
// sectors + 32; a partition destination holds the source's used sectors.
PlanStatus CheckBasicFit();
// Sector mode: the destination is at least as long as the source.
PlanStatus CheckSectorFit();

void ResetPlanState();

}  // namespace duplicate
