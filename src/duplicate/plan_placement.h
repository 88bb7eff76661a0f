// Where the planned partitions go: lengths by the expansion rule, a fit to
// a destination too small for the proportional plan, then places packed
// one behind the other. Used by layout_plan.cpp; works on the
// LayoutSlotTable's plan fields.
#pragma once

#include <cstdint>
#include <vector>

#include "duplicate/layout_plan.h"

namespace duplicate {

// A partition of the plan in disk order; a container (extended partition)
// holds its logical drives, each with the link entry that points at its
// extended boot record (-1 for the first, whose record is the container's
// first sector).
struct PlanItem {
  int slot = -1;
  uint64_t length = 0;   // planned, sectors
  uint64_t minimum = 0;  // what it must keep at least
  bool fixed = false;    // keeps its source length
  int link = -1;
  std::vector<PlanItem> logicals;
};

struct PlacementInput {
  UsableArea area;
  bool gpt = false;
  Expansion mode = Expansion::Auto;
  uint64_t firstStart = 0;  // sectors
};

// The items of the plan slots 0 .. PlanSlotCount - 1, in disk order, with
// their lengths by the rule of mode and the ratio.
std::vector<PlanItem> PlanItems(Expansion mode);
// Fits the items into the input's area (shrinking the flexible ones towards
// their minimums when needed), gives the last flexible one the rest and
// writes starts and lengths into the slots. TooSmall when even the minimums
// do not fit.
PlanStatus PlaceItems(std::vector<PlanItem>* items, const PlacementInput& in);

// The Microsoft reserved partition of a GPT plan.
bool IsReservedSlot(int slot);
// A basic-data entry of a GPT plan: Windows mounts it.
bool IsMountedGptSlot(int slot);

uint64_t RoundDown(uint64_t v, uint64_t unit);
uint64_t RoundUp(uint64_t v, uint64_t unit);

}  // namespace duplicate
