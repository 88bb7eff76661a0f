// What the sector viewer shows: the current sector of the region, the
// rules that move it, and the dump text of one sector.
#pragma once

#include <cstdint>
#include <string>

namespace viewer {

// The sector shown, counted from the start of the region (the deletion
// resets it to 0).
extern uint64_t ViewerSector;

enum class Step { Start, End, Next, Previous };

// Into 0 .. length - 1; a value that is negative as a signed number is 0.
uint64_t ClampSector(uint64_t sector, uint64_t length);
// The sector a button leads to (ShowSector clamps it afterwards). End goes
// to the region's last sector and Next stops there, as a typed number does.
uint64_t StepSector(uint64_t sector, Step step, uint64_t length);
// A typed number: its leading decimal digits after optional blanks, any
// 64-bit value (larger ones saturate); 0 when there are none or the number
// is negative.
uint64_t ParseTypedSector(const std::wstring& typed);
// The 32 dump rows of a sector, each ended by CR LF.
std::wstring SectorDumpText(const uint8_t* sector, uint64_t sectorNumber);

void ResetViewerState();

}  // namespace viewer
