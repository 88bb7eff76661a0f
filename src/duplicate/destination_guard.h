// What may receive a copy. One place decides, so that the destination page,
// the console and the driver (just before it writes) refuse the same
// things: the disk that holds the running Windows, a disk whose medium
// refuses writes, the source disk itself when a whole disk is copied, and on
// the source's own disk any partition that overlaps the source partition.
#pragma once

#include <cstdint>
#include <string>

namespace duplicate {

enum class DestinationRefusal {
  None,
  SystemDisk,      // holds the running Windows
  WriteProtected,  // the medium refuses writes: said before the overwrite question, not after a failed write
  SourceDisk,      // the whole source disk cannot receive itself
  OverlapsSource,  // a partition of the source disk that shares sectors with the source
};

// Whether the disk (DiskTable index) holds the running Windows or what
// starts it (the guard every writing wizard asks), or, from a boot medium,
// the installed Windows the last DetectSystemAndBlankDisks found.
bool HoldsRunningWindows(int diskIndex);
// A destination on disk diskIndex: the whole disk, or the partition
// [start, start + length), judged against DuplicationJob's source with the
// system disk the last detection found.
DestinationRefusal RefuseDestination(int diskIndex, bool isPartition, uint64_t start, uint64_t length);
// The destination DuplicationJob holds, with the system disk detected anew
// (the driver asks this just before it writes).
DestinationRefusal RefuseChosenDestination();
// The message key of a refusal ("" for None).
const wchar_t* RefusalKey(DestinationRefusal refusal);
// The message itself, naming the disk (DiskTable index) where it needs to.
std::wstring RefusalText(DestinationRefusal refusal, int diskIndex);

// "Disk 1 (Demo Blank Disk, 16 GB)": the Windows disk number, the model and
// the size, the way every page names a disk it is about to write.
std::wstring DiskDescription(int diskIndex);
// "Partition E: (7.99 GB), Disk 1 (Demo Blank Disk, 16 GB)"; a partition
// without a letter is named by its first sector ("Partition #2048 ...").
std::wstring PartitionDescription(int diskIndex, wchar_t letter, uint64_t start, uint64_t length);

}  // namespace duplicate
