#include "duplicate/layout_plan.h"

#include <algorithm>
#include <cstring>

#include "app/language.h"
#include "disk/disk_table.h"
#include "disk/partition_table.h"
#include "disk/volume_map.h"
#include "duplicate/plan_placement.h"
#include "duplicate/plan_picture.h"
#include "duplicate/windows_checks.h"
#include "partition/layout_slots.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace duplicate {

using partition::LayoutSlot;
using partition::LayoutSlotTable;

double ExpansionRatio = 1.0;
bool ConvertToGpt = false;
uint32_t AlignmentUnit = 2048;
int32_t WindowsSlot = 0;
int32_t PlanSlotCount = 0;
bool PlanWidened = false;
int32_t SourceUsedEntries = 0;
std::vector<uint8_t> SourceLayout;

namespace {

constexpr uint64_t kGptTableSectors = 33;  // the entry array and a header, at each end
constexpr uint64_t kMbrLimit = 1ull << 32;  // an MBR entry counts sectors in 32 bits
constexpr uint64_t kMsrStartBytes = 17408;  // sector 34
constexpr uint64_t kMsrBytes = 134217728;   // 128 MiB

const bytes::Guid kMsrType = {
    {0x16, 0xE3, 0xC9, 0xE3, 0x5C, 0x0B, 0xB8, 0x4D, 0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE}};
const bytes::Guid kBasicDataType = {
    {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44, 0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};
// DE94BBA4-06D1-4D40-A16A-BFD50179D6AC: a recovery partition, which Windows
// does not mount.
const bytes::Guid kRecoveryType = {
    {0xA4, 0xBB, 0x94, 0xDE, 0xD1, 0x06, 0x40, 0x4D, 0xA1, 0x6A, 0xBF, 0xD5, 0x01, 0x79, 0xD6, 0xAC}};

// A basic data partition's attributes: hidden (bit 62), no drive letter (bit 63).
constexpr uint64_t kHiddenWithoutLetter = 0xC000000000000000ull;

LayoutSlot& Slot(int i) { return LayoutSlotTable[i]; }


void SetName(LayoutSlot* s, const char* name) {
  std::memset(s->gptName, 0, sizeof s->gptName);
  for (int k = 0; k < 36 && name[k]; ++k) s->gptName[k] = char16_t(name[k]);
}

int FileSystemKindOf(int type) {
  switch (type) {
    case 0x17: case 0x27: return 0x07;
    case 0x1C: case 0x2C: return 0x0C;
    default: return type;
  }
}

// The MBR source laid out as GPT: a reserved partition first, then every
// partition of the source as a plain entry. Extended containers and their
// link entries have no place in a GPT; each logical drive is an entry of
// its own.
void ConvertSlotsToGpt(int count) {
  std::vector<LayoutSlot> kept;
  for (int i = 0; i < count; ++i) {
    const LayoutSlot& s = Slot(i);
    if (s.IsEmpty() || s.type == partition::kTypeExtended || s.type == partition::kTypeLink) continue;
    kept.push_back(s);
  }
  for (LayoutSlot& s : LayoutSlotTable) s = LayoutSlot{};
  LayoutSlot& msr = Slot(0);
  msr.style = 1;
  msr.gptType = kMsrType;
  SetName(&msr, "Microsoft reserved partition");
  msr.startBytes = kMsrStartBytes;
  msr.lengthBytes = kMsrBytes;
  msr.type = -1;
  msr.partitionNumber = 1;
  int n = 1;
  for (const LayoutSlot& k : kept) {
    if (n == partition::kLayoutSlots) break;
    LayoutSlot& s = Slot(n);
    s = k;
    s.style = 1;
    // A hidden recovery partition stays one nobody mounts; any other
    // partition Windows did not mount on the MBR (hidden, Linux ...) stays
    // hidden and without a drive letter.
    s.gptType = s.type == 0x27 ? kRecoveryType : kBasicDataType;
    s.gptAttributes = s.type == 0x27 || IsMountedMbrType(s.type) ? 0 : kHiddenWithoutLetter;
    SetName(&s, "Basic data partition");
    s.logical = 0;
    s.container = -1;
    s.bootIndicator = 0;
    s.partitionNumber = uint32_t(++n);
  }
  PlanSlotCount = n;
  SourceUsedEntries = n;
}

bool Overlap(uint64_t a, uint64_t al, uint64_t b, uint64_t bl) { return a < b + bl && b < a + al; }

}  // namespace

const wchar_t* PlanStatusKey(PlanStatus status) {
  switch (status) {
    case PlanStatus::Ok: return L"";
    case PlanStatus::TooSmall: return L"IDS_DestinationTooSmall";
    case PlanStatus::Unreadable: return L"IDS_LayoutUnreadable";
    case PlanStatus::Impossible: return L"IDS_PlanImpossible";
    case PlanStatus::TooManyPartitions: return L"IDS_SourceTooManyPartitions";
    case PlanStatus::SourceOutsideDisk: return L"IDS_SourcePartitionOutsideDisk";
  }
  return L"";
}

void ShowPlanRefusal(PlanStatus status) {
  if (status == PlanStatus::Ok) return;
  ui::MessageBox(app::T(PlanStatusKey(status)), win::MB_OK | win::MB_ICONEXCLAMATION);
}

UsableArea UsableAreaOf(uint64_t diskSectors, bool gpt) {
  UsableArea a;
  if (gpt) {
    a.first = 1 + kGptTableSectors;
    a.end = diskSectors > 2 * kGptTableSectors + 1 ? diskSectors - kGptTableSectors : a.first;
  } else {
    a.first = 1;
    a.end = std::min(diskSectors, kMbrLimit);
  }
  if (a.end < a.first) a.end = a.first;
  return a;
}

bool IsReservedSlot(int slot) {
  return slot >= 0 && slot < partition::kLayoutSlots && Slot(slot).style == 1 && Slot(slot).gptType == kMsrType;
}

bool IsMountedGptSlot(int slot) {
  return slot >= 0 && slot < partition::kLayoutSlots && Slot(slot).style == 1 && Slot(slot).gptType == kBasicDataType;
}

bool IsMountedMbrType(int type) {
  switch (type) {
    case 0x01: case 0x04: case 0x06: case 0x07: case 0x0B: case 0x0C: case 0x0E:
      return true;
    default:
      return false;
  }
}

bool IsSectorCopiedSlot(int slot) {
  if (slot < 0 || slot >= partition::kLayoutSlots) return false;
  const LayoutSlot& s = Slot(slot);
  if (s.IsEmpty() || s.sourceLetter > 0 || s.logical == -1) return false;
  // A GPT's system partitions (EFI, recovery) have no volume to copy files
  // from: their sectors are copied. The reserved partition holds nothing.
  if (s.style == 1 && s.type == -1) return !IsReservedSlot(slot);
  switch (s.type) {
    case 0x17: case 0x27: case 0x1C: case 0x2C:
    case 0xDE:  // a utility partition, first on the disk or behind others
      return true;
    case 0x05: case 0x0F:  // containers and links hold no data of their own
      return false;
    default:
      // Any other MBR type Windows does not mount (a Linux or hidden FAT
      // partition, a vendor's diagnostics, a Linux extended partition,
      // which Windows takes for no container; also once laid out as GPT)
      // has no volume, so no files to copy: its sectors are copied, or it
      // would arrive empty. A GPT's basic data partition is type 7.
      return !IsMountedMbrType(s.type);
  }
}

uint64_t UsedWithReserve(int slot) {
  if (slot < 0 || slot >= partition::kLayoutSlots || Slot(slot).sourceLetter <= 0) return 0;
  uint64_t used = disk::UsedSectorsOfLetter(wchar_t(Slot(slot).sourceLetter));
  return used + used / 4;
}

bool FindWindowsSlot(int count) {
  WindowsSlot = 0;
  for (int i = 0; i < count && i < partition::kLayoutSlots; ++i) {
    const LayoutSlot& s = Slot(i);
    if (s.IsEmpty() || s.sourceLetter <= 0) continue;
    std::wstring root = std::wstring(1, wchar_t(s.sourceLetter)) + L":";
    std::vector<platform::FindData> found;
    if (!platform::Sys().FindFiles(root + L"\\Windows\\System32\\Kernel32.dll", &found) || found.empty()) continue;
    if (HasOlderWindows(root)) return false;
    WindowsSlot = i;
    return true;
  }
  return false;
}

PlanStatus PlanDestinationLayout(int sourceDisk, int destinationDisk, const std::vector<uint8_t>& layout, int count,
                                 Expansion mode) {
  const disk::DiskEntry* s = disk::DiskAt(sourceDisk);
  const disk::DiskEntry* d = disk::DiskAt(destinationDisk);
  if (!s || !d || s->SizeSectors == 0 || d->SizeSectors == 0) return PlanStatus::Unreadable;
  PlanWidened = false;
  int n = partition::LoadLayoutSlots(s->DriveNumber, layout, count);
  PlanSlotCount = n;
  SourceUsedEntries = 0;
  for (int i = 0; i < n; ++i) SourceUsedEntries += Slot(i).IsEmpty() ? 0 : 1;
  const bool sourceGpt = partition::LoadedLayoutHeader.style == win::PARTITION_STYLE_GPT;
  DuplicationJob.SourceIsGpt = sourceGpt;
  if (DuplicationJob.Windows7Pair) {
    // Only the partitions chosen together on the source page.
    for (int i = std::max(0, DuplicationJob.PairCount); i < partition::kLayoutSlots; ++i) Slot(i) = LayoutSlot{};
    PlanSlotCount = n = std::min(n, 4);
  }
  if (n == 1 && !sourceGpt) {
    // One entry is written as the MBR's four.
    PlanWidened = true;
    PlanSlotCount = 4;
  }
  if (ConvertToGpt) ConvertSlotsToGpt(PlanSlotCount);
  if (SourceUsedEntries == 0) return PlanStatus::Impossible;

  FindWindowsSlot(PlanSlotCount);
  ExpansionRatio = mode == Expansion::Same ? 1.0 : double(d->SizeSectors) / double(s->SizeSectors);
  AlignmentUnit = platform::Sys().GetVersion().major >= 6 ? 2048 : std::max<uint32_t>(1, s->SectorsPerTrack);
  for (int i = 0; i < PlanSlotCount; ++i) {
    LayoutSlot& sl = Slot(i);
    sl.destinationStartBytes = sl.destinationLengthBytes = 0;
    sl.fileSystemKind = FileSystemKindOf(sl.type);
    // A GPT entry has no type byte: the source volume's file system says.
    if (sourceGpt && sl.sourceLetter > 0) {
      int fs = disk::FileSystemTypeOfLetter(wchar_t(sl.sourceLetter));
      sl.fileSystemKind = fs == disk::kFsFat32 ? 0x0C : fs == disk::kFsFat ? 0x06 : 0x07;
    }
  }

  PlacementInput in;
  in.gpt = sourceGpt || ConvertToGpt;
  in.area = UsableAreaOf(d->SizeSectors, in.gpt);
  in.mode = mode;
  std::vector<PlanItem> items = PlanItems(mode);
  if (items.empty()) return PlanStatus::Impossible;
  // The first partition keeps its start; an MBR partition inside the first
  // track moves behind it.
  in.firstStart = Slot(items.front().slot).StartSector();
  if (!in.gpt && s->SectorsPerTrack > in.firstStart) in.firstStart = s->SectorsPerTrack;
  in.firstStart = std::max(in.firstStart, in.area.first);
  PlanStatus st = PlaceItems(&items, in);
  if (st != PlanStatus::Ok) return st;
  return CheckPlan(d->SizeSectors);
}

PlanStatus PlanDiskDuplication(int sourceDisk, int destinationDisk, Expansion mode) {
  ResetPlanState();
  const disk::DiskEntry* s = disk::DiskAt(sourceDisk);
  const disk::DiskEntry* d = disk::DiskAt(destinationDisk);
  if (!s || !d || s->SizeSectors == 0 || d->SizeSectors == 0) return PlanStatus::Unreadable;
  if (mode == Expansion::Same && s->SizeSectors > d->SizeSectors) return PlanStatus::TooSmall;
  int count = partition::ReadDriveLayout(s->DriveNumber, &SourceLayout);
  if (count < 0) return PlanStatus::Unreadable;
  // A plan that holds only part of the layout would leave the rest out of
  // the copy without a word.
  if (count > partition::kLayoutSlots) return PlanStatus::TooManyPartitions;
  bool sourceGpt = partition::LayoutHeaderOf(SourceLayout).style == win::PARTITION_STYLE_GPT;
  ConvertToGpt = mode == Expansion::Auto && !sourceGpt && d->SizeSectors / 2048 >= kGptFromMiB;
  if (mode == Expansion::Manual) mode = Expansion::Auto;
  // A damaged entry that reaches past the disk's end is not in the layout
  // the system reports: left out of the plan, its partition would be
  // missing from the copy without a word.
  std::vector<disk::PartitionRecord> records;
  if (disk::ReadPartitionList(&records, s->DriveNumber) < 0) return PlanStatus::Unreadable;
  if (disk::GptEntriesOutsideDisk > 0) return PlanStatus::SourceOutsideDisk;
  for (const disk::PartitionRecord& r : records)
    if (r.StartLba >= s->SizeSectors || r.LengthSectors > s->SizeSectors - r.StartLba)
      return PlanStatus::SourceOutsideDisk;
  PlanStatus st = PlanDestinationLayout(sourceDisk, destinationDisk, SourceLayout, count, mode);
  if (st != PlanStatus::Ok) return st;
  SetPlanArea(d->SizeSectors, sourceGpt || ConvertToGpt);
  BuildPlannedPicture();
  // The used data of every lettered volume, with a quarter to spare.
  uint64_t needed = 0;
  for (int i = 0; i < PlanSlotCount; ++i) needed += UsedWithReserve(i);
  if (needed > d->SizeSectors) return PlanStatus::TooSmall;
  return PlanStatus::Ok;
}

PlanStatus CheckPlan(uint64_t diskSectors) {
  const bool gpt = Slot(0).style == 1 || ConvertToGpt;
  const UsableArea area = UsableAreaOf(diskSectors, gpt);
  struct Placed {
    int slot;
    uint64_t start, length;
  };
  std::vector<Placed> top, logicals, links;
  int container = -1;
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i) {
    const LayoutSlot& s = Slot(i);
    if (s.IsEmpty()) continue;
    if (s.destinationStartBytes % 512 || s.destinationLengthBytes % 512) return PlanStatus::Impossible;
    uint64_t start = s.destinationStartBytes / 512, length = s.destinationLengthBytes / 512;
    if (length == 0 || start < area.first || start >= area.end || length > area.end - start)
      return PlanStatus::Impossible;
    // A partition copied sector by sector needs its whole length.
    if (IsSectorCopiedSlot(i) && s.destinationLengthBytes < s.lengthBytes) return PlanStatus::Impossible;
    if (gpt) top.push_back({i, start, length});
    else if (s.logical == -1) links.push_back({i, start, length});
    else if (s.logical == 1) logicals.push_back({i, start, length});
    else top.push_back({i, start, length});
    if (!gpt && s.logical == 0 && (s.type == partition::kTypeExtended || s.type == partition::kTypeLink)) {
      if (container >= 0) return PlanStatus::Impossible;
      container = i;
    }
  }
  for (size_t a = 0; a < top.size(); ++a)
    for (size_t b = a + 1; b < top.size(); ++b)
      if (Overlap(top[a].start, top[a].length, top[b].start, top[b].length)) return PlanStatus::Impossible;
  if (logicals.empty() && links.empty()) return PlanStatus::Ok;
  if (container < 0) return PlanStatus::Impossible;
  const uint64_t cs = Slot(container).destinationStartBytes / 512;
  const uint64_t ce = cs + Slot(container).destinationLengthBytes / 512;
  // Every extended boot record (the container's first sector and where each
  // link points) lies in the container and outside every logical drive;
  // each logical drive lies behind the container's first sector and apart
  // from the others.
  std::vector<uint64_t> records{cs};
  for (const Placed& l : links) {
    if (l.start < cs || l.start + l.length > ce) return PlanStatus::Impossible;
    records.push_back(l.start);
  }
  for (size_t a = 0; a < logicals.size(); ++a) {
    const Placed& l = logicals[a];
    if (l.start <= cs || l.start + l.length > ce) return PlanStatus::Impossible;
    for (size_t b = a + 1; b < logicals.size(); ++b)
      if (Overlap(l.start, l.length, logicals[b].start, logicals[b].length)) return PlanStatus::Impossible;
    for (uint64_t r : records)
      if (r >= l.start && r < l.start + l.length) return PlanStatus::Impossible;
  }
  return PlanStatus::Ok;
}

PlanStatus CheckBasicFit() {
  const DuplicationJobRecord& job = DuplicationJob;
  if (job.DestinationIsPartition) {
    uint64_t planned = job.DestinationPlannedLength ? job.DestinationPlannedLength : job.DestinationLength;
    if (planned == 0 || job.SourceLength == 0) return PlanStatus::Impossible;
    if (job.SourceLetter && planned < disk::UsedSectorsOfLetter(job.SourceLetter) + 32) return PlanStatus::TooSmall;
    return PlanStatus::Ok;
  }
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i) {
    const LayoutSlot& s = Slot(i);
    if (s.IsEmpty() || s.sourceLetter <= 0 || s.logical == -1) continue;
    uint64_t planned = s.destinationLengthBytes / 512;
    if (planned == 0) return PlanStatus::Impossible;
    if (planned < disk::UsedSectorsOfLetter(wchar_t(s.sourceLetter)) + 32) return PlanStatus::TooSmall;
  }
  return PlanStatus::Ok;
}

PlanStatus CheckSectorFit() {
  const DuplicationJobRecord& job = DuplicationJob;
  if (job.SourceLength == 0 || job.DestinationLength == 0) return PlanStatus::Impossible;
  return job.SourceLength > job.DestinationLength ? PlanStatus::TooSmall : PlanStatus::Ok;
}

void ResetPlanState() {
  ExpansionRatio = 1.0;
  ConvertToGpt = false;
  AlignmentUnit = 2048;
  WindowsSlot = 0;
  PlanSlotCount = 0;
  PlanWidened = false;
  SourceUsedEntries = 0;
  SourceLayout.clear();
  ResetPlannedPicture();
}

}  // namespace duplicate
