// Preparing the destination of a basic duplication: clearing its old
// partitioning, writing the planned layout (MBR or GPT) through the disk
// driver, waiting (bounded) until the system has mounted the new volumes,
// giving letters to volumes without one, and formatting them: through the
// format library on an installed Windows, through the "format" command on
// the boot medium. For a partition destination: growing it to its planned
// length, then formatting it.
#pragma once

#include <cstdint>
#include <vector>

#include "duplicate/copy_progress.h"
#include "partition/format_request.h"

namespace duplicate {

// Whether the last WriteDestinationLayout was accepted by the driver.
extern bool LayoutWritten;

// Clears the destination (its volumes taken first, so that the system lets
// go of them), writes the plan (WriteDestinationLayout) and waits for the
// new volumes. False (with a message, counted as a failed step) when the
// destination's volumes cannot be taken or the layout is refused.
bool CreateDestinationPartitions(CopyProgress& progress, int sourceDisk, int destinationDisk);
// Writes the plan of the LayoutSlotTable as the layout of the drive: a new
// disk (new signature, or a new GPT disk id), then the entries (containers
// and links only in an MBR layout). True when the driver took it.
bool WriteDestinationLayout(int driveNumber);
// Formats every planned slot that has a volume (a free letter is given to
// one without), each as its file-system kind says. Slots that are not
// formatted (no volume, a kind that is not formatted) are skipped and not
// judged. False ("IDS_cannotformat" shown) when a format failed or a slot
// that must be formatted has no volume; the run then stops.
bool FormatDestinationPartitions(CopyProgress& progress, int sourceDisk, int destinationDisk);
// Formats the volume of request.driveIndex: the library on an installed
// Windows (worker thread, polled, with a time limit), the "format" command
// through a script on the boot medium (exit code examined, time limit).
// True when the format reported success.
bool FormatOneVolume(CopyProgress& progress, const partition::FormatRequestRecord& request);
// The format a slot of kind fileSystemKind and lengthSectors gets: fills
// request (file-system code, FAT32 flag, quick) and returns false for a
// kind that is not formatted. FAT types that do not fit become FAT32, then NTFS.
bool FormatRequestFor(int fileSystemKind, uint64_t lengthSectors, wchar_t letter,
                      partition::FormatRequestRecord* request);
// A partition destination: grown (or shrunk) to DestinationPlannedLength,
// then formatted in basic mode as the source's type says. False ("IDS_cannotformat")
// when it cannot be prepared.
bool PreparePartitionDestination(CopyProgress& progress);

// The three variants of the boot-track copy.
enum class BootTrackVariant { WholeDisk, SinglePartition, Windows7Pair };
// Copies the source's boot code (the first 440 bytes of sector 0 and the
// rest of track 0 behind it) to the destination: never a partition table,
// never onto a GPT disk's first track (its tables live there), and only
// after both sector 0s were read. The whole-disk variant gives hidden
// types back to the entries that had them. False when nothing was written.
bool CopyBootTrack(int sourceDisk, int destinationDisk, BootTrackVariant variant);
// Gives the hidden types (0x17, 0x27, 0x1C, 0x2C) of the plan back to the
// destination's entries, primary and logical, that were written visible for
// the copy; the source's boot code plays no part. False when a table could
// not be read or written.
bool RestoreHiddenTypes(int destinationDisk);

}  // namespace duplicate
