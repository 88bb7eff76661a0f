// The quick duplicate: the system disk copied onto an empty disk (or, when
// started unattended, onto the disk that carries the one-click mark) with
// the plan made here instead of on the source, destination and option
// pages; the progress page opens directly.
#pragma once

#include <cstdint>

namespace duplicate {

// The used sectors of every lettered partition of the disk (DiskTable
// index), each with a quarter to spare: what a basic copy needs.
uint64_t NeededSectors(int diskIndex);

// Grows the planned slot by at least shortSectors, taken from the spare room
// of the lettered slots behind it in disk order (their used data with a
// quarter kept); the slots in between move. Every amount moved is a whole
// number of the plan's alignment unit, so every start stays aligned. False,
// with the plan unchanged, when an extended partition is in the way or the
// room is not there.
bool BorrowSpace(int slot, uint64_t shortSectors);

// What the last quick duplicate did.
enum class QuickOutcome {
  NotRun,
  NoDisks,          // no system disk or no empty disk ("IDS_MessageblankDisk")
  TooSmall,         // "IDS_DestinationTooSmall"
  Refused,          // the plan or the guard refused it (message shown)
  Opened,           // the progress page was shown
};
extern QuickOutcome LastQuickOutcome;

// The command: detection, checks, the job and the plan, then the progress
// and summary pages. fromCommandLine: the unattended start, whose
// destination is the marked disk.
void RunQuickDuplicate(bool fromCommandLine);

}  // namespace duplicate
