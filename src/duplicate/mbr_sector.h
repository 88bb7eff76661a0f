// Sector 0 of a disk as the boot steps read and change it: named offsets
// of the classic MBR, and reads and writes through a private handle that
// report whether the whole sector moved.
#pragma once

#include <cstdint>

namespace duplicate {

inline constexpr uint32_t kBootCodeBytes = 440;   // boot code before the disk signature
inline constexpr uint32_t kSignatureOffset = 440; // 4-byte disk signature
inline constexpr uint32_t kEntriesOffset = 446;   // four 16-byte entries
inline constexpr uint8_t kProtectiveType = 0xEE;

// Reads or writes one sector of the drive (by physical drive number); the
// source of a copy is opened for reading only.
bool ReadDriveSector(int driveNumber, uint64_t lba, uint8_t* sector);
bool WriteDriveSector(int driveNumber, uint64_t lba, const uint8_t* sector);
// 0x55 0xAA at its end.
bool HasTableSignature(const uint8_t* sector);
// An MBR (signature, no protective entry): the sector a GPT disk keeps
// only to protect its tables is not one.
bool IsMbr(const uint8_t* sector);

}  // namespace duplicate
