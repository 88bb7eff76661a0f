#include "duplicate/plan_placement.h"

#include <algorithm>

#include "partition/layout_slots.h"

namespace duplicate {

using partition::LayoutSlot;
using partition::LayoutSlotTable;

namespace {

// A partition shrunk towards its used data still keeps this much (64 MiB),
// or its own length when that is less: a file system needs some room.
constexpr uint64_t kSmallestShrunk = 131072;

LayoutSlot& Slot(int i) { return LayoutSlotTable[i]; }

bool IsContainer(const LayoutSlot& s) {
  return s.style == 0 && (s.type == partition::kTypeExtended || s.type == partition::kTypeLink);
}

// The plan length of a slot by the rule of the mode: the source length when
// the slot keeps its size, else the scaled length rounded down to the unit.
void SetLength(PlanItem* item, bool fixed, uint64_t unit) {
  const LayoutSlot& s = Slot(item->slot);
  item->fixed = fixed;
  if (fixed) {
    item->length = item->minimum = s.LengthSectors();
    return;
  }
  // Scaled as a double and truncated towards zero, in bytes.
  uint64_t scaled = uint64_t(double(s.lengthBytes) * ExpansionRatio) / 512;
  item->length = std::max(RoundDown(scaled, unit), unit);
  uint64_t floor = std::min(s.LengthSectors(), kSmallestShrunk);
  item->minimum = RoundUp(std::max(UsedWithReserve(item->slot), floor), unit);
}

bool KeepsSize(int slot, bool gpt, Expansion mode) {
  const LayoutSlot& s = Slot(slot);
  return mode == Expansion::Same || (gpt && slot == 0) || slot < WindowsSlot || s.type == -1 ||
         IsSectorCopiedSlot(slot);
}

// What a row of items needs from its first start with the given lengths:
// GPT starts are rounded up to the unit; a logical drive needs the room of
// its extended boot record in front of it.
uint64_t Need(const std::vector<PlanItem>& items, uint64_t first, bool gpt, bool logical, uint64_t unit) {
  uint64_t pos = first;
  for (size_t i = 0; i < items.size(); ++i) {
    if (logical) pos += unit;
    pos += items[i].length;
    if (gpt && i + 1 < items.size()) pos = RoundUp(pos, unit);
  }
  return pos - first;
}

// Gives every flexible item at least its minimum and, when the proportional
// lengths do not fit, shares what is left among them by how far each was
// above its minimum. False when even the minimums do not fit.
bool Fit(std::vector<PlanItem>* items, uint64_t first, uint64_t available, bool gpt, bool logical, uint64_t unit) {
  std::vector<uint64_t> wanted;
  for (PlanItem& it : *items) {
    wanted.push_back(std::max(it.length, it.minimum));
    if (!it.fixed) it.length = it.minimum;
  }
  // With the flexible ones at their minimums (whole units, so that they add
  // no rounding of their own) this is the least the row needs.
  uint64_t least = Need(*items, first, gpt, logical, unit);
  if (least > available) return false;
  uint64_t budget = available - least;
  uint64_t above = 0;
  for (size_t i = 0; i < items->size(); ++i)
    if (!(*items)[i].fixed) above += wanted[i] - (*items)[i].minimum;
  for (size_t i = 0; i < items->size(); ++i) {
    PlanItem& it = (*items)[i];
    if (it.fixed) continue;
    uint64_t share = wanted[i] - it.minimum;
    if (above > budget) share = uint64_t(double(budget) * double(share) / double(above));
    it.length = it.minimum + RoundDown(share, unit);
  }
  return Need(*items, first, gpt, logical, unit) <= available;
}

int LastFlexible(const std::vector<PlanItem>& items) {
  for (int i = int(items.size()) - 1; i >= 0; --i)
    if (!items[size_t(i)].fixed) return i;
  return -1;
}

void PutSlot(int slot, uint64_t start, uint64_t length) {
  Slot(slot).destinationStartBytes = start * 512;
  Slot(slot).destinationLengthBytes = length * 512;
}

// A link entry for the group of a logical drive that has none.
int MakeLink(int logicalSlot) {
  int group = logicalSlot / 4 * 4;
  for (int k = group; k < group + 4 && k < partition::kLayoutSlots; ++k) {
    if (!Slot(k).IsEmpty()) continue;
    Slot(k) = LayoutSlot{};
    Slot(k).type = partition::kTypeLink;
    Slot(k).logical = -1;
    return k;
  }
  return -1;
}

// The logical drives inside a placed container: each behind its extended
// boot record, the records chained by the link entries.
PlanStatus PlaceLogicals(PlanItem* container, uint64_t start, Expansion mode) {
  const uint64_t unit = AlignmentUnit;
  auto& logicals = container->logicals;
  if (logicals.empty()) return PlanStatus::Ok;
  if (!Fit(&logicals, start, container->length, false, true, unit)) return PlanStatus::TooSmall;
  uint64_t end = start + container->length;
  int stretch = mode == Expansion::Same ? -1 : LastFlexible(logicals);
  if (stretch >= 0) {
    uint64_t used = Need(logicals, start, false, true, unit);
    uint64_t rest = container->length - used;
    logicals[size_t(stretch)].length += RoundDown(rest, unit);
  }
  uint64_t ebr = start;
  for (size_t k = 0; k < logicals.size(); ++k) {
    PlanItem& it = logicals[k];
    uint64_t s = ebr + unit;
    if (s + it.length > end) return PlanStatus::TooSmall;
    PutSlot(it.slot, s, it.length);
    ebr = s + it.length;
  }
  // The link of each record but the last leads to the next record and spans
  // its logical drive.
  for (size_t k = 0; k < logicals.size(); ++k) {
    int link = logicals[k].link;
    if (k + 1 == logicals.size()) {
      if (link >= 0) Slot(link) = LayoutSlot{};
      continue;
    }
    if (link < 0) link = logicals[k].link = MakeLink(logicals[k].slot);
    if (link < 0) return PlanStatus::Impossible;
    const LayoutSlot& next = Slot(logicals[k + 1].slot);
    uint64_t at = next.destinationStartBytes / 512 - unit;
    PutSlot(link, at, next.destinationStartBytes / 512 + next.destinationLengthBytes / 512 - at);
  }
  return PlanStatus::Ok;
}

}  // namespace

uint64_t RoundDown(uint64_t v, uint64_t unit) { return unit ? v / unit * unit : v; }
uint64_t RoundUp(uint64_t v, uint64_t unit) { return unit ? (v + unit - 1) / unit * unit : v; }

std::vector<PlanItem> PlanItems(Expansion mode) {
  const uint64_t unit = AlignmentUnit;
  const bool gpt = Slot(0).style == 1 || ConvertToGpt;
  std::vector<PlanItem> items;
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i) {
    const LayoutSlot& s = Slot(i);
    if (s.IsEmpty() || s.logical != 0) continue;
    PlanItem item;
    item.slot = i;
    SetLength(&item, KeepsSize(i, gpt, mode), unit);
    if (IsContainer(s)) {
      // The chain's groups in order: the logical drive of each, and the
      // link that leads on from it.
      for (int g = 4; g + 3 < PlanSlotCount && g + 3 < partition::kLayoutSlots; g += 4) {
        PlanItem logical;
        int link = -1;
        for (int k = g; k < g + 4; ++k) {
          const LayoutSlot& q = Slot(k);
          if (q.IsEmpty()) continue;
          if (q.logical == -1) link = k;
          else if (q.logical == 1 && q.container == i && logical.slot < 0) logical.slot = k;
        }
        if (logical.slot < 0) continue;
        SetLength(&logical, item.fixed || KeepsSize(logical.slot, gpt, mode), unit);
        logical.link = link;
        item.logicals.push_back(logical);
      }
      uint64_t least = unit;
      for (const PlanItem& l : item.logicals) least += unit + l.minimum;
      item.minimum = std::max(item.fixed ? item.length : uint64_t(0), RoundUp(least, unit));
      if (item.fixed) item.length = std::max(item.length, item.minimum);
    }
    items.push_back(item);
  }
  std::stable_sort(items.begin(), items.end(),
                   [](const PlanItem& a, const PlanItem& b) { return Slot(a.slot).startBytes < Slot(b.slot).startBytes; });
  return items;
}

PlanStatus PlaceItems(std::vector<PlanItem>* itemsIn, const PlacementInput& in) {
  auto& items = *itemsIn;
  const uint64_t unit = AlignmentUnit;
  if (items.empty()) return PlanStatus::Impossible;
  if (in.firstStart >= in.area.end || in.firstStart < in.area.first) return PlanStatus::Impossible;
  const uint64_t available = in.area.end - in.firstStart;
  if (!Fit(&items, in.firstStart, available, in.gpt, false, unit)) return PlanStatus::TooSmall;

  // The last flexible partition takes what is left behind the last one;
  // when it is the last, it runs to the end (rounded down to the unit on
  // MBR unless it holds the Windows behind a boot partition, exact on GPT).
  int stretch = in.mode == Expansion::Same ? -1 : LastFlexible(items);
  if (stretch >= 0) {
    uint64_t rest = available - Need(items, in.firstStart, in.gpt, false, unit);
    bool last = size_t(stretch) + 1 == items.size();
    bool exact = last && (in.gpt || WindowsSlot != 0);
    items[size_t(stretch)].length += exact ? rest : RoundDown(rest, unit);
  }
  uint64_t next = in.firstStart;
  for (size_t i = 0; i < items.size(); ++i) {
    PlanItem& it = items[i];
    uint64_t start = next;
    if (it.length == 0 || start + it.length > in.area.end) return PlanStatus::TooSmall;
    PutSlot(it.slot, start, it.length);
    if (!it.logicals.empty()) {
      PlanStatus st = PlaceLogicals(&it, start, in.mode);
      if (st != PlanStatus::Ok) return st;
    }
    next = start + it.length;
    if (in.gpt) next = RoundUp(next, unit);
  }
  return PlanStatus::Ok;
}

}  // namespace duplicate
