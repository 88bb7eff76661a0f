// The one block loop behind the three sector copies (block_copy.h): a
// range of sectors moved from a source drive to a destination drive, or
// compared and repaired in the verify pass, with every transfer checked.
#pragma once

#include <cstdint>
#include <functional>

#include "duplicate/copy_progress.h"

namespace duplicate {

struct SectorCopyRange {
  int sourceDrive = -1;  // physical drive numbers
  int destinationDrive = -1;
  uint64_t sourceStart = 0;
  uint64_t destinationStart = 0;
  uint64_t length = 0;  // sectors, the range's exact length
  uint32_t blockSectors = 1008;
};

enum class LoopOutcome { Done, Cancelled, NoDisk, NoMemory };

// 16 tracks: the block of progress, verification and counting.
uint32_t BlockSectorsFor(uint32_t sectorsPerTrack);
// Sectors per transfer: about a megabyte of whole blocks, a whole number of
// 4 KiB pages, so that an aligned range goes to the disk in aligned pieces.
uint32_t TransferSectorsFor(uint32_t blockSectors);

// Copies (verify = false) or verifies and repairs (verify = true) the
// range. The source is opened for reading only. Reads run beside the loop,
// a few transfers ahead: the next transfers are read while this one is
// written or compared, and verifying, both disks are read at once. positionOf turns
// the position in the range (sectors) into the progress bar's position.
// DuplicationJob.CopiedSectors and LastPosition follow the loop.
LoopOutcome RunBlockLoop(CopyProgress& progress, const SectorCopyRange& range, bool verify,
                         const std::function<int64_t(uint64_t)>& positionOf);

// Shows why a loop could not run and counts it as a failed step.
void ReportLoopFailure(LoopOutcome outcome);

}  // namespace duplicate
