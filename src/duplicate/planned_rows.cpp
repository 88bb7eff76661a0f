#include "duplicate/planned_rows.h"

#include "app/format_size.h"
#include "app/language.h"
#include "disk/disk_table.h"
#include "duplicate/duplication_job.h"
#include "duplicate/layout_plan.h"
#include "duplicate/plan_placement.h"
#include "partition/layout_slots.h"
#include "platform/text.h"

namespace duplicate {

namespace {

// pointTarget: the copy goes to one row of a disk, which is pointed out.
void Describe(std::vector<PlannedLine>* lines, bool pointTarget) {
  int n = 0;
  for (PlannedLine& l : *lines) {
    l.free = l.entry.RecordIndex < 0;
    l.letter = l.entry.DriveLetter > 0 ? wchar_t(l.entry.DriveLetter) : 0;
    l.text = app::T(L"IDS_Partition") + text::Dec(++n) + L" " + app::FormatSize(l.entry.LengthSectors);
    if (l.free) l.text += L" " + app::T(L"IDS_FreeSpace");
    else if (l.letter) l.text += std::wstring(L" (") + l.letter + L":)";
    if (pointTarget && l.target) l.text += L" " + app::T(L"IDS_ReceivesCopy");
  }
}

// The entry types of a disk's rows, from the layout its driver reports.
void TypesFromLayout(int diskIndex, bool gpt, std::vector<PlannedLine>* lines) {
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  if (!d) return;
  partition::LayoutHeaderInfo header;
  std::vector<partition::LayoutSlot> slots = partition::ReadLayoutSlots(d->DriveNumber, &header);
  for (PlannedLine& l : *lines) {
    if (l.entry.RecordIndex < 0) continue;
    for (const partition::LayoutSlot& s : slots) {
      // A link entry starts where its extended boot record is, never where a logical drive does.
      if (s.IsEmpty() || s.logical == -1 || s.StartSector() != l.entry.StartLba) continue;
      if (gpt) l.gptType = s.gptType;
      else l.typeByte = s.type;
      break;
    }
  }
}

// The map shows the reserved partition as free space, as nothing is
// copied into it; the layout writes it all the same at the start of that
// free row.
void ReservedRow(PlannedLine* l) {
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i) {
    const partition::LayoutSlot& s = partition::LayoutSlotTable[i];
    uint64_t length = s.destinationLengthBytes / 512;
    if (!IsReservedSlot(i) || length == 0 || s.destinationStartBytes / 512 != l->entry.StartLba ||
        length > l->entry.LengthSectors)
      continue;
    l->reservedLength = length;
    l->gptType = s.gptType;
    return;
  }
}

// A disk's rows as they are now.
std::vector<PlannedLine> RowsOf(int diskIndex, bool* gpt) {
  std::vector<disk::PartitionEntry> entries;
  std::vector<PlannedLine> lines;
  if (disk::BuildPartitionEntries(diskIndex - 1, &entries, true) < 0) return lines;
  *gpt = disk::IsGptDisk;
  for (const disk::PartitionEntry& e : entries) {
    PlannedLine l;
    l.entry = e;
    lines.push_back(l);
  }
  return lines;
}

// The entry at start given a new length, and the free space behind it
// following.
void ResizeRow(std::vector<PlannedLine>* rows, uint64_t resizeStart, uint64_t newLength) {
  std::vector<PlannedLine>& lines = *rows;
  for (size_t i = 0; i < lines.size(); ++i) {
    disk::PartitionEntry& e = lines[i].entry;
    if (e.RecordIndex < 0 || e.StartLba != resizeStart) continue;
    uint64_t end = e.StartLba + e.LengthSectors, newEnd = e.StartLba + newLength;
    e.LengthSectors = newLength;
    // Growing takes from the free row behind; shrinking leaves one.
    if (i + 1 < lines.size() && lines[i + 1].entry.RecordIndex < 0) {
      disk::PartitionEntry& f = lines[i + 1].entry;
      uint64_t freeEnd = f.StartLba + f.LengthSectors;
      if (newEnd >= freeEnd) lines.erase(lines.begin() + long(i) + 1);
      else f.StartLba = newEnd, f.LengthSectors = freeEnd - newEnd;
    } else if (newEnd < end) {
      PlannedLine f;
      f.entry.StartLba = newEnd;
      f.entry.LengthSectors = end - newEnd;
      f.entry.IsPrimary = e.IsPrimary;
      lines.insert(lines.begin() + long(i) + 1, f);
    }
    break;
  }
}

}  // namespace

std::vector<PlannedLine> PlannedLines(bool* gpt) {
  const DuplicationJobRecord& j = DuplicationJob;
  std::vector<PlannedLine> lines;
  *gpt = false;
  const disk::DiskEntry* dest = disk::DiskAt(j.DestinationDisk);
  if (!dest) return lines;
  bool basic = j.CopyMode == CopyKind::Basic;
  if (j.DestinationIsPartition) {
    uint64_t length = basic ? j.DestinationPlannedLength : j.SourceLength;
    lines = RowsOf(j.DestinationDisk, gpt);
    // A sector copy gives only an MBR entry the copied length; a GPT entry
    // keeps its own.
    if (length != j.DestinationLength && (basic || !*gpt)) ResizeRow(&lines, j.DestinationStart, length);
    TypesFromLayout(j.DestinationDisk, *gpt, &lines);
    for (PlannedLine& l : lines) {
      if (l.entry.RecordIndex < 0 || l.entry.StartLba != j.DestinationStart) continue;
      l.target = true;
      // A sector copy gives an MBR entry the source's own type byte.
      if (!basic && !*gpt && j.SourceTypeByte) l.typeByte = j.SourceTypeByte;
    }
  } else if (basic) {
    *gpt = ConvertToGpt || j.SourceIsGpt;
    for (const PlannedRow& r : PlannedRows) {
      PlannedLine l;
      l.entry = r.entry;
      l.slot = r.slot;
      l.target = true;
      if (r.slot >= 0 && r.slot < partition::kLayoutSlots) {
        const partition::LayoutSlot& s = partition::LayoutSlotTable[r.slot];
        if (*gpt) l.gptType = s.gptType;
        else l.typeByte = s.type;
      } else if (*gpt) {
        ReservedRow(&l);
      }
      lines.push_back(l);
    }
  } else {
    // Every sector keeps its place: the source's rows, cut at the end of
    // the copied range, then what the destination has behind it.
    lines = RowsOf(j.SourceDisk, gpt);
    TypesFromLayout(j.SourceDisk, *gpt, &lines);
    for (PlannedLine& l : lines) l.target = true;
    uint64_t end = j.SourceLength;
    std::vector<PlannedLine> kept;
    for (PlannedLine& l : lines) {
      if (l.entry.StartLba >= end) continue;
      if (l.entry.StartLba + l.entry.LengthSectors > end) l.entry.LengthSectors = end - l.entry.StartLba;
      kept.push_back(l);
    }
    if (dest->SizeSectors > end) {
      PlannedLine f;
      f.entry.StartLba = end;
      f.entry.LengthSectors = dest->SizeSectors - end;
      kept.push_back(f);
    }
    lines.swap(kept);
  }
  Describe(&lines, j.DestinationIsPartition);
  return lines;
}

}  // namespace duplicate
