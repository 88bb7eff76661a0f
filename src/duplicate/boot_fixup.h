// Making a duplicated disk start on its own: the disk signature, the active
// flag, the boot marker in sector 1, and the boot-record fix registered for
// the next start. Every step writes a sector only after it was read well;
// a failed read leaves the destination as it was.
#pragma once

#include <cstdint>
#include <string>

namespace duplicate {

// Copies the 4-byte disk signature (offset 440 of sector 0) of the source
// disk to the destination disk (DiskTable indexes). Not on a GPT
// destination, whose protective MBR is no place for it. True when written.
bool CopyDiskSignature(int sourceDisk, int destinationDisk);
// On the boot medium after a whole-disk sector copy: the first volume from
// C: to Y: holding "\BOOT\BCD" becomes the boot pair's destination and its
// letter is put in the marker (0x5A 0x79 0x58 and the letter at offset 440
// of the destination's sector 1). True when written.
bool WriteBootMarker(int destinationDisk);
// Makes the MBR entry that starts at startLba the only active one. When
// another entry was active, "IDS_MakeActive" asks first; No leaves the MBR
// alone. Returns the entry's partition number (index + 1) when it was made
// active, 0 otherwise.
uint32_t MakeActivePartition(int destinationDisk, uint64_t startLba);
// The RunOnce value "QARNBootIni": the imaging tool's command with its
// path in double quotes, the disk index and the partition number.
bool RegisterBootRecordFix(int disk, uint32_t partitionNumber);
// The RunOnce command line RegisterBootRecordFix writes.
std::wstring BootRecordFixCommand(const std::wstring& installationFolder, int disk, uint32_t partitionNumber);

}  // namespace duplicate
