// The sector copy loops of the duplication: the whole-disk (or fixed range)
// copy of a sector-by-sector duplication, the copy of a partition without a
// volume in a basic duplication, and the sector copy of one partition
// between two volumes. They share one block rule (BlockSectors = 16 x the
// sectors per track: progress, verification and counting go by it), one
// transfer scheme (several megabytes of whole blocks per transfer, aligned
// buffers, no allocation per block) and one error rule:
//  - every transfer is checked; a source block that cannot be read is read
//    again sector by sector, and the sectors that stay unreadable are
//    written as zeros, counted and listed (DuplicationJob.UnreadableRanges);
//  - a failed write is counted (WriteErrorCount);
//  - the verify pass compares the destination with the source and rewrites
//    a differing block up to three times; what stays different counts
//    (VerifyErrorCount);
//  - the source is only ever read;
//  - the exact length is copied, down to the range's last sector;
//  - every destination volume the range touches is locked and dismounted
//    first, or the copy stops with "IDS_CloseTheDrive".
// A loop that cannot run (a disk that cannot be opened, no memory, a
// volume that cannot be taken) shows why, counts a failed step and
// returns false; Cancel is read from DuplicationJob.CancelRequested.
#pragma once

#include <cstdint>

#include "duplicate/copy_progress.h"

namespace duplicate {

// The whole-disk copy: DuplicationJob's source range onto its destination
// start. verify = false is the copy pass; true the verify pass (reads both
// sides, writes only to repair). False when the loop could not run.
bool CopySectorRange(CopyProgress& progress, int sourceDisk, int destinationDisk, bool verify);
// A slot of the plan (a partition without a volume) copied to its planned
// destination start, at its own length. False when the loop could not run.
bool CopyHiddenPartition(CopyProgress& progress, int sourceDisk, int destinationDisk, int slot, bool verify);
// The partition of DuplicationJob's source onto its destination partition
// (sector-by-sector partition duplication): lock, copy, then the entry
// fix-up (only an MBR/EBR entry read correctly; the source's own type byte;
// never a GPT's protective MBR) and the active flag. The letters are
// those of the two volumes. True also after a cancel; false when the copy
// could not run.
bool CopyVolumeSectors(CopyProgress& progress, wchar_t destinationVolume, wchar_t sourceVolume, bool verify);

}  // namespace duplicate
