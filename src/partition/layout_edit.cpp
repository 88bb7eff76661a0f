#include "partition/layout_edit.h"

#include <algorithm>

#include "platform/winapi.h"

namespace partition {

namespace {

constexpr int kGroups = kLayoutSlots / 4;

const bytes::Guid kBasicData = {
    {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44, 0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};

LayoutSlot& Slot(int i) { return LayoutSlotTable[i]; }
bool IsGpt() { return LoadedLayoutHeader.style == win::PARTITION_STYLE_GPT; }
uint64_t AlignUp(uint64_t v, uint64_t unit) { return v % unit ? v + (unit - v % unit) : v; }

bool GroupEmpty(int g) {
  for (int k = 0; k < 4; ++k)
    if (!Slot(4 * g + k).IsEmpty()) return false;
  return true;
}

// The last extended boot record group that holds anything (0: none).
int LastGroup() {
  for (int g = kGroups - 1; g >= 1; --g)
    if (!GroupEmpty(g)) return g;
  return 0;
}

// Where the extended boot record of group g lies: the first at the extended
// partition's start, each further one where the link before it points.
uint64_t EbrOf(int g, uint64_t extStart) {
  if (g == 1) return extStart;
  const LayoutSlot& link = Slot(4 * (g - 1) + 1);
  return link.IsEmpty() ? 0 : link.StartSector();
}

struct Range {
  uint64_t start, end;
  int group;
};

// What the chain occupies: each record with its logical drive.
std::vector<Range> ChainRanges(uint64_t extStart) {
  std::vector<Range> out;
  for (int g = 1, last = LastGroup(); g <= last; ++g) {
    uint64_t ebr = EbrOf(g, extStart);
    if (g > 1 && ebr == 0) break;
    const LayoutSlot& l = Slot(4 * g);
    out.push_back({ebr, l.IsEmpty() ? ebr + 1 : std::max(ebr + 1, l.EndSector()), g});
  }
  return out;
}

// Moves p behind every range it lies in (ranges can touch, so repeat).
uint64_t SkipOccupied(uint64_t p, const std::vector<Range>& ranges, uint64_t align) {
  for (size_t round = 0; round <= ranges.size(); ++round) {
    bool moved = false;
    for (const Range& r : ranges)
      if (r.start <= p && p < r.end) {
        p = AlignUp(r.end, align);
        moved = true;
      }
    if (!moved) break;
  }
  return p;
}

Extent Room(uint64_t p, uint64_t limit, const std::vector<Range>& ranges) {
  if (p >= limit) return {};
  uint64_t end = limit;
  for (const Range& r : ranges)
    if (r.start > p) end = std::min(end, r.start);
  return {p, end - p};
}

std::vector<Range> SlotRanges(int first, int last) {
  std::vector<Range> out;
  for (int i = first; i < last; ++i)
    if (!Slot(i).IsEmpty() && (i < 4 || Slot(i).logical != -1))
      out.push_back({Slot(i).StartSector(), Slot(i).EndSector(), -1});
  return out;
}

LayoutSlot MbrSlot(uint64_t start, uint64_t length, int type, int logical, int container, uint32_t hidden,
                   uint32_t number) {
  LayoutSlot s;
  s.style = win::PARTITION_STYLE_MBR;
  s.startBytes = start * 512;
  s.lengthBytes = length * 512;
  s.type = type;
  s.logical = logical;
  s.container = container;
  s.hiddenSectors = hidden;
  s.partitionNumber = number;
  return s;
}

void MoveGroup(int from, int to) {
  for (int k = 0; k < 4; ++k) {
    Slot(4 * to + k) = Slot(4 * from + k);
    Slot(4 * from + k) = LayoutSlot{};
  }
}

}  // namespace

int ExtendedSlot() {
  if (IsGpt()) return -1;
  for (int i = 0; i < 4; ++i)
    if (!Slot(i).IsEmpty() && (Slot(i).type == kTypeExtended || Slot(i).type == kTypeLink)) return i;
  return -1;
}

int PrimaryCount() {
  int n = 0;
  for (int i = 0; i < 4; ++i)
    if (!Slot(i).IsEmpty() && Slot(i).logical == 0 && Slot(i).type > 0 && Slot(i).type != kTypeExtended &&
        Slot(i).type != kTypeLink)
      ++n;
  return n;
}

int UsedMbrSlots() {
  int n = 0;
  for (int i = 0; i < 4; ++i) n += Slot(i).IsEmpty() ? 0 : 1;
  return n;
}

int FindSlotAt(uint64_t startSector) {
  for (int i = 0; i < kLayoutSlots; ++i) {
    const LayoutSlot& s = Slot(i);
    if (!s.IsEmpty() && (i < 4 || s.logical != -1) && s.StartSector() == startSector) return i;
  }
  return -1;
}

Placement PlacementFor(uint32_t windowsMajorVersion) {
  if (windowsMajorVersion >= 6) return {kModernAlignment, kModernAlignment, kLogicalOffset};
  return {};
}

Extent PrimaryExtentAt(uint64_t regionStart, uint64_t diskSectors, Placement placement) {
  std::vector<Range> ranges = SlotRanges(0, 4);
  uint64_t unit = std::max<uint64_t>(placement.unit, 1);
  uint64_t p = SkipOccupied(AlignUp(std::max(regionStart, placement.firstSector), unit), ranges, unit);
  return Room(p, std::min(diskSectors, kMbrSectorLimit), ranges);
}

Extent LogicalExtentAt(uint64_t regionStart, Placement placement) {
  int e = ExtendedSlot();
  if (e < 0) return {};
  uint64_t extStart = Slot(e).StartSector(), extEnd = Slot(e).EndSector();
  std::vector<Range> ranges = ChainRanges(extStart);
  // The first record always lies at the extended partition's start,
  // wherever that is.
  if (ranges.empty()) return Room(extStart, extEnd, ranges);
  uint64_t p = std::max(regionStart, extStart);
  // A record without a logical drive (an empty extended partition) is
  // used again rather than skipped.
  for (const Range& r : ranges)
    if (r.start == p && Slot(4 * r.group).IsEmpty()) {
      std::vector<Range> others;
      for (const Range& o : ranges)
        if (o.group != r.group) others.push_back(o);
      return Room(p, extEnd, others);
    }
  uint64_t unit = std::max<uint64_t>(placement.unit, 1);
  return Room(SkipOccupied(AlignUp(p, unit), ranges, unit), extEnd, ranges);
}

Extent GptExtentAt(uint64_t regionStart, const LayoutHeaderInfo& header, uint64_t diskSectors) {
  uint64_t first = header.startingUsableOffset / 512, end = first + header.usableLength / 512;
  if (header.usableLength == 0) {
    first = 34;
    end = diskSectors > 34 ? diskSectors - 33 : 0;
  }
  std::vector<Range> ranges = SlotRanges(0, kLayoutSlots);
  uint64_t p = SkipOccupied(AlignUp(std::max(regionStart, first), kGptAlignment), ranges, kGptAlignment);
  Extent room = Room(p, std::min(end, diskSectors), ranges);
  room.length -= room.length % kGptAlignment;
  return room;
}

uint64_t GrowLimit(int slot, const LayoutHeaderInfo& header, uint64_t diskSectors) {
  const LayoutSlot& s = Slot(slot);
  uint64_t limit = diskSectors;
  std::vector<Range> ranges;
  if (IsGpt()) {
    if (header.usableLength) limit = std::min(limit, header.startingUsableOffset / 512 + header.usableLength / 512);
    ranges = SlotRanges(0, kLayoutSlots);
  } else if (slot < 4) {
    limit = std::min(limit, kMbrSectorLimit);
    ranges = SlotRanges(0, 4);
  } else {
    int e = ExtendedSlot();
    if (e < 0) return s.EndSector();
    limit = Slot(e).EndSector();
    ranges = ChainRanges(Slot(e).StartSector());
  }
  for (const Range& r : ranges)
    if (r.start > s.StartSector()) limit = std::min(limit, r.start);
  return std::max(limit, s.EndSector());
}

int InsertPrimarySlot(uint64_t startSector, uint64_t sizeSectors, int type, int used) {
  int pos = 3;
  for (int k = 0; k < 3; ++k) {
    if (Slot(k).IsEmpty()) {
      pos = k;
      break;
    }
    if (!Slot(k + 1).IsEmpty() && startSector < Slot(k + 1).StartSector()) {
      pos = k + 1;
      break;
    }
  }
  if (!Slot(pos).IsEmpty()) {
    // Move the slots behind it down, but only as far as the first free
    // one: a used fourth slot must never be pushed out.
    int freeAt = -1;
    for (int i = pos + 1; i < 4 && freeAt < 0; ++i)
      if (Slot(i).IsEmpty()) freeAt = i;
    if (freeAt < 0) return -1;
    for (int i = freeAt; i > pos; --i) Slot(i) = Slot(i - 1);
  }
  Slot(pos) = MbrSlot(startSector, sizeSectors, type, 0, -1, uint32_t(std::min<uint64_t>(startSector, 0xFFFFFFFFu)),
                      uint32_t(used + 1));
  return pos;
}

int InsertLogicalGroup(uint64_t ebrSector, uint64_t sizeSectors, int type, int used, uint64_t logicalOffset) {
  int e = ExtendedSlot();
  if (e < 0 || logicalOffset == 0 || logicalOffset > kLogicalOffset || sizeSectors <= logicalOffset) return -1;
  uint64_t extStart = Slot(e).StartSector();
  LayoutSlot logical = MbrSlot(ebrSector + logicalOffset, sizeSectors - logicalOffset, type, 1, e,
                               uint32_t(logicalOffset), uint32_t(used + 1));
  std::vector<Range> ranges = ChainRanges(extStart);
  for (const Range& r : ranges)
    if (r.start == ebrSector && Slot(4 * r.group).IsEmpty()) {
      Slot(4 * r.group) = logical;
      return 4 * r.group;
    }
  // The new record goes behind the last one that lies before it.
  int after = 0;
  for (const Range& r : ranges)
    if (r.start < ebrSector) after = r.group;
  int last = ranges.empty() ? 0 : ranges.back().group;
  if (after == 0 && last > 0) return -1;  // only the first record may lie at the extended start
  if (after == 0 && ebrSector != extStart) return -1;
  if (last + 1 >= kGroups) return -1;
  for (int g = last; g > after; --g) MoveGroup(g, g + 1);
  int n = after + 1;
  Slot(4 * n) = logical;
  if (after > 0) {
    // The new record takes over the link of the one before it, which now
    // leads to the new record.
    Slot(4 * n + 1) = Slot(4 * after + 1);
    Slot(4 * after + 1) = MbrSlot(ebrSector, sizeSectors, kTypeLink, -1, -1,
                                  uint32_t(std::min<uint64_t>(ebrSector - extStart, 0xFFFFFFFFu)), 0);
  }
  return 4 * n;
}

int InsertGptSlot(uint64_t startSector, uint64_t sizeSectors, const bytes::Guid& id) {
  for (int i = 0; i < kLayoutSlots; ++i) {
    if (!Slot(i).IsEmpty()) continue;
    LayoutSlot s;
    s.style = win::PARTITION_STYLE_GPT;
    s.gptType = kBasicData;
    s.gptId = id;
    const char16_t name[] = u"Basic data partition";
    std::copy(std::begin(name), std::end(name), s.gptName);
    s.startBytes = startSector * 512;
    s.lengthBytes = sizeSectors * 512;
    s.type = 7;
    Slot(i) = s;
    return i;
  }
  return -1;
}

bool RemoveLayoutSlot(int i) {
  if (i < 0 || i >= kLayoutSlots || Slot(i).IsEmpty() || (i >= 4 && Slot(i).logical == -1)) return false;
  if (IsGpt()) {
    for (int k = i; k + 1 < kLayoutSlots; ++k) Slot(k) = Slot(k + 1);
    Slot(kLayoutSlots - 1) = LayoutSlot{};
    return true;
  }
  if (i < 4) {
    if (i == ExtendedSlot())
      for (int k = 4; k < kLayoutSlots; ++k) Slot(k) = LayoutSlot{};
    for (int k = i; k < 3; ++k) Slot(k) = Slot(k + 1);
    Slot(3) = LayoutSlot{};
    return true;
  }
  if (i % 4 != 0) return false;
  int g = i / 4, last = LastGroup();
  // The record before leads on to the one behind the deleted drive (or
  // nowhere when it was the last); the first record stays at the extended
  // partition's start and takes the next drive.
  if (g >= 2) Slot(4 * (g - 1) + 1) = Slot(4 * g + 1);
  for (int k = 0; k < 4; ++k) Slot(4 * g + k) = LayoutSlot{};
  for (int h = g; h < last; ++h) MoveGroup(h + 1, h);
  return true;
}

int LayoutEntryCount() {
  if (IsGpt()) {
    int n = 0;
    for (const LayoutSlot& s : LayoutSlotTable) n += s.IsEmpty() ? 0 : 1;
    return n;
  }
  int count = 4 * (LastGroup() + 1);
  if (ExtendedSlot() >= 0 && count < 8) count = 8;
  return count;
}

}  // namespace partition
