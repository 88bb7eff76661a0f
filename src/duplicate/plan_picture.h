// The planned picture of the destination page (PlannedRows), built from
// the plan, and the Manual mode's resizing of its rows. Internal to the
// planner; the page uses the functions of layout_plan.h.
#pragma once

#include <cstdint>
#include <string>

namespace duplicate {

// The destination the picture and the Manual limits refer to.
void SetPlanArea(uint64_t diskSectors, bool gpt);
// PlannedRows from the plan fields: the partitions in disk order (not the
// containers, links or the reserved partition), free rows for gaps of more
// than 10 MiB and a free row up to the end when more than 16 MiB are left.
void BuildPlannedPicture();
void ResetPlannedPicture();
// "1234" as MiB in sectors; at most the first 8 characters count. A value
// that is not a number is 0; a negative one is -1.
int64_t ParseMiB(const std::wstring& text);

}  // namespace duplicate
