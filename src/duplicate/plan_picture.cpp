#include "duplicate/plan_picture.h"

#include <algorithm>

#include "duplicate/layout_plan.h"
#include "duplicate/plan_placement.h"
#include "partition/layout_slots.h"

namespace duplicate {

using partition::LayoutSlot;
using partition::LayoutSlotTable;

std::vector<PlannedRow> PlannedRows;
int32_t SelectedPlannedRow = -1;
uint64_t ManualMinimum = 0;
uint64_t ManualMaximum = 0;

namespace {

constexpr uint64_t kTrailingFreeShown = 32768;  // 16 MiB
constexpr uint64_t kSmallestFreeRow = 4096;     // 2 MiB
constexpr uint64_t kSmallestShrunk = 131072;    // 64 MiB, as the planner keeps

uint64_t g_diskSectors = 0;
bool g_gpt = false;
UsableArea g_area;

LayoutSlot& Slot(int i) { return LayoutSlotTable[i]; }

bool IsContainer(const LayoutSlot& s) {
  return s.style == 0 && s.logical == 0 && (s.type == partition::kTypeExtended || s.type == partition::kTypeLink);
}

int ContainerSlot() {
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i)
    if (!Slot(i).IsEmpty() && IsContainer(Slot(i))) return i;
  return -1;
}

bool InsideContainer(uint64_t lba) {
  int c = ContainerSlot();
  if (c < 0) return false;
  uint64_t start = Slot(c).destinationStartBytes / 512;
  return lba >= start && lba < start + Slot(c).destinationLengthBytes / 512;
}

// A row for each partition the operator can see: not a container or a
// link, and not the reserved partition, which is never listed.
bool IsShown(int i) {
  const LayoutSlot& s = Slot(i);
  if (s.IsEmpty() || s.logical == -1 || IsContainer(s)) return false;
  return !IsReservedSlot(i);
}

bool KeepsSize(int slot) { return IsSectorCopiedSlot(slot) || Slot(slot).type == -1; }

PlannedRow FreeRow(uint64_t start, uint64_t length) {
  PlannedRow r;
  r.entry.StartLba = start;
  r.entry.LengthSectors = length;
  r.entry.IsPrimary = InsideContainer(start) ? 0 : 1;
  return r;
}

// Free rows for [from, to) longer than minimum, split where the container ends.
void AddFree(std::vector<PlannedRow>* rows, uint64_t from, uint64_t to, uint64_t minimum) {
  int c = ContainerSlot();
  if (c >= 0) {
    uint64_t end = (Slot(c).destinationStartBytes + Slot(c).destinationLengthBytes) / 512;
    if (from < end && end < to) {
      AddFree(rows, from, end, minimum);
      AddFree(rows, end, to, minimum);
      return;
    }
  }
  if (to > from && to - from > minimum) rows->push_back(FreeRow(from, to - from));
}

uint64_t End(const PlannedRow& r) { return r.entry.StartLba + r.entry.LengthSectors; }

// The end of the picture after a resize: a gap of 2 MiB or more behind the
// last row is a free row, a smaller one goes to the last partition; a free
// row of less than 2 MiB at the end joins the partition before it.
void TidyEnd() {
  auto& rows = PlannedRows;
  if (rows.empty()) return;
  PlannedRow& last = rows.back();
  if (End(last) < g_area.end) {
    uint64_t gap = g_area.end - End(last);
    if (gap >= kSmallestFreeRow) rows.push_back(FreeRow(End(last), gap));
    else if (last.slot >= 0 && !KeepsSize(last.slot)) last.entry.LengthSectors += gap;
  }
  if (rows.size() >= 2 && rows.back().slot < 0 && rows.back().entry.LengthSectors < kSmallestFreeRow) {
    PlannedRow& before = rows[rows.size() - 2];
    if (before.slot >= 0 && !KeepsSize(before.slot) && End(before) == rows.back().entry.StartLba) {
      before.entry.LengthSectors += rows.back().entry.LengthSectors;
      rows.pop_back();
    }
  }
}

// The link entry of a logical drive's group, made when it has none.
int LinkOf(int logicalSlot) {
  int group = logicalSlot / 4 * 4;
  int empty = -1;
  for (int k = group; k < group + 4 && k < partition::kLayoutSlots; ++k) {
    if (Slot(k).logical == -1 && !Slot(k).IsEmpty()) return k;
    if (Slot(k).IsEmpty() && empty < 0) empty = k;
  }
  if (empty < 0) return -1;
  Slot(empty) = LayoutSlot{};
  Slot(empty).type = partition::kTypeLink;
  Slot(empty).logical = -1;
  return empty;
}

// The container and the links follow the logical drives the operator moved.
bool FollowLogicals() {
  int c = ContainerSlot();
  if (c < 0) return true;
  std::vector<const PlannedRow*> logicals;
  uint64_t end = 0;
  for (const PlannedRow& r : PlannedRows) {
    if (r.entry.IsPrimary != 0) continue;
    end = std::max(end, End(r));
    if (r.slot >= 0) logicals.push_back(&r);
  }
  if (logicals.empty()) return true;
  const uint64_t unit = AlignmentUnit;
  uint64_t start = logicals.front()->entry.StartLba - unit;
  Slot(c).destinationStartBytes = start * 512;
  Slot(c).destinationLengthBytes = (end - start) * 512;
  for (size_t k = 0; k < logicals.size(); ++k) {
    int link = LinkOf(logicals[k]->slot);
    if (k + 1 == logicals.size()) {
      if (link >= 0) Slot(link) = LayoutSlot{};
      continue;
    }
    if (link < 0) return false;
    uint64_t at = logicals[k + 1]->entry.StartLba - unit;
    Slot(link).destinationStartBytes = at * 512;
    Slot(link).destinationLengthBytes = (End(*logicals[k + 1]) - at) * 512;
  }
  return true;
}

uint64_t Clamp(int64_t mib, uint64_t minimum, uint64_t maximum) {
  uint64_t size = mib < 0 ? maximum : uint64_t(mib) * 2048;
  // Within a megabyte of the maximum is the maximum.
  if (mib < 0 || size + 2048 > maximum) size = maximum;
  return std::max(size, minimum);
}

}  // namespace

void SetPlanArea(uint64_t diskSectors, bool gpt) {
  g_diskSectors = diskSectors;
  g_gpt = gpt;
  g_area = UsableAreaOf(diskSectors, gpt);
}

void BuildPlannedPicture() {
  PlannedRows.clear();
  SelectedPlannedRow = -1;
  std::vector<PlannedRow> parts;
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i) {
    if (!IsShown(i)) continue;
    const LayoutSlot& s = Slot(i);
    PlannedRow r;
    r.slot = i;
    r.entry.RecordIndex = i;
    r.entry.StartLba = s.destinationStartBytes / 512;
    r.entry.LengthSectors = s.destinationLengthBytes / 512;
    r.entry.Type = s.type >= 0 ? s.type : 0;
    r.entry.IsPrimary = s.logical == 1 ? 0 : 1;
    r.entry.DriveLetter = s.sourceLetter > 0 ? s.sourceLetter : -1;
    parts.push_back(r);
  }
  std::stable_sort(parts.begin(), parts.end(),
                   [](const PlannedRow& a, const PlannedRow& b) { return a.entry.StartLba < b.entry.StartLba; });
  uint64_t pos = g_gpt ? g_area.first : 0;
  for (const PlannedRow& p : parts) {
    if (p.entry.StartLba > pos) AddFree(&PlannedRows, pos, p.entry.StartLba, disk::kShownGapSectors);
    PlannedRows.push_back(p);
    pos = std::max(pos, End(p));
  }
  if (pos < g_area.end) AddFree(&PlannedRows, pos, g_area.end, kTrailingFreeShown);
}

void ResetPlannedPicture() {
  PlannedRows.clear();
  SelectedPlannedRow = -1;
  ManualMinimum = ManualMaximum = 0;
  g_diskSectors = 0;
  g_gpt = false;
  g_area = UsableArea{};
}

int64_t ParseMiB(const std::wstring& text) {
  std::wstring t = text.substr(0, 8);
  size_t i = 0;
  while (i < t.size() && t[i] == L' ') ++i;
  if (i < t.size() && t[i] == L'-') return -1;
  int64_t v = 0;
  for (; i < t.size() && t[i] >= L'0' && t[i] <= L'9'; ++i) v = v * 10 + (t[i] - L'0');
  return v;
}

bool SelectPlannedRow(int row) {
  if (row < 0 || size_t(row) >= PlannedRows.size() || PlannedRows[size_t(row)].slot < 0) return false;
  SelectedPlannedRow = row;
  const PlannedRow& r = PlannedRows[size_t(row)];
  uint64_t length = r.entry.LengthSectors;
  if (KeepsSize(r.slot)) {
    ManualMinimum = ManualMaximum = length;
    return true;
  }
  ManualMaximum = length;
  for (size_t j = size_t(row) + 1; j < PlannedRows.size(); ++j)
    if (PlannedRows[j].slot < 0) ManualMaximum += PlannedRows[j].entry.LengthSectors;
  uint64_t floor = std::min(Slot(r.slot).LengthSectors(), kSmallestShrunk);
  ManualMinimum = RoundUp(std::max(UsedWithReserve(r.slot), floor), 2048);
  // Data that does not fit in the room there is: the row stays as it is.
  if (ManualMinimum > ManualMaximum) ManualMinimum = ManualMaximum = length;
  return true;
}

uint64_t ApplyManualSize(const std::wstring& sizeMiB) {
  if (SelectedPlannedRow < 0 || size_t(SelectedPlannedRow) >= PlannedRows.size()) return 0;
  uint64_t size = Clamp(ParseMiB(sizeMiB), ManualMinimum, ManualMaximum);
  auto& rows = PlannedRows;
  size_t sel = size_t(SelectedPlannedRow);
  int64_t delta = int64_t(size) - int64_t(rows[sel].entry.LengthSectors);
  rows[sel].entry.LengthSectors = size;
  // The rows behind it move by the change until a free row takes it up; a
  // free row too small for what is left is used up.
  for (size_t j = sel + 1; j < rows.size() && delta != 0; ++j) {
    disk::PartitionEntry& e = rows[j].entry;
    if (rows[j].slot >= 0) {
      e.StartLba = uint64_t(int64_t(e.StartLba) + delta);
      continue;
    }
    if (delta < 0 || uint64_t(delta) < e.LengthSectors) {
      e.StartLba = uint64_t(int64_t(e.StartLba) + delta);
      e.LengthSectors = uint64_t(int64_t(e.LengthSectors) - delta);
      delta = 0;
    } else {
      delta -= int64_t(e.LengthSectors);
      rows.erase(rows.begin() + std::ptrdiff_t(j));
      --j;
    }
  }
  TidyEnd();
  return size;
}

PlanStatus CarryManualSizes() {
  // By slot: a row is the slot it was made from, letter or none.
  for (const PlannedRow& r : PlannedRows) {
    if (r.slot < 0) continue;
    Slot(r.slot).destinationStartBytes = r.entry.StartLba * 512;
    Slot(r.slot).destinationLengthBytes = r.entry.LengthSectors * 512;
  }
  if (!g_gpt && !FollowLogicals()) return PlanStatus::Impossible;
  return CheckPlan(g_diskSectors);
}

}  // namespace duplicate
