// The table of physical disks the operator can choose from: drive number,
// size, sectors per track, model and bus of each, addressed by disk index
// 1..DiskCount. Rebuilt whenever a page that shows disks opens, so that
// disks plugged in meanwhile appear.
//
// The disk index is the table's own: it closes the gaps in the drive
// numbers and shifts when a disk goes. The operator never sees it. Every
// page, message and console option names a disk by its Windows disk number
// (Disk0, Disk1 ...: the physical drive number, DriveNumber), and pages
// that keep a disk across a rebuild look it up again by that number.
#pragma once

#include <cstdint>
#include <string>

namespace disk {

inline constexpr int kMaxDisks = 16;
inline constexpr int kMaxDriveNumber = 16;

struct DiskEntry {
  int32_t DriveNumber = -1;  // -1: empty slot
  uint64_t SizeSectors = 0;
  uint32_t SectorsPerTrack = 63;
  std::wstring Model;
  std::wstring BusName = L"Unknown";  // the bus the drive reports (BusNameOf)
};

// Slot 0 is unused: disks are numbered from 1.
extern DiskEntry DiskTable[kMaxDisks + 1];
extern int32_t DiskCount;

struct IdentifyRecord {
  uint8_t BusCode = 0;   // 0 unknown, 1 IDE, 2 SCSI, 3 USB and every other bus (the old coarse code)
  uint32_t BusType = 0;  // the STORAGE_BUS_TYPE the drive reports; 0 unknown
  char ModelText[32] = {};
  char SerialText[32] = {};
};
extern IdentifyRecord IdentifyRecords[kMaxDriveNumber + 1];
extern std::string LastIdentifiedModel;
extern std::string LastIdentifiedSerial;

// The disk count the system keeps in the registry (0..127). When the key
// cannot be opened the program cannot work: it says so and ends.
int32_t ReadDiskCount();
void RebuildDiskTable();
void IdentifyDisk(int driveNumber);

// "abcd" groups of hex digits give the bytes "cd" then "ab"; zero bytes are
// dropped; other characters count as 0.
std::string DecodeHexSerial(const std::string& hex);

// The name of a STORAGE_BUS_TYPE as the lists show it ("SATA", "NVMe",
// "USB" ...); "Unknown" for a type this program does not know.
const wchar_t* BusNameOf(uint32_t storageBusType);
// The entry of a disk index (1-based), or nullptr outside 1..DiskCount.
const DiskEntry* DiskAt(int diskIndex);
// The disk index of a Windows disk number in the table as it is now, or -1.
int DiskIndexOfNumber(int driveNumber);
// The entry of a Windows disk number, or nullptr when the table has none.
const DiskEntry* DiskByNumber(int driveNumber);

// What a certificate of erasure names a disk by, asked of the drive itself
// (its size, and its identification for the serial number).
struct DiskIdentity {
  std::wstring model;
  std::wstring serial;  // empty when the drive gives none
  std::wstring bus;
  uint64_t sizeSectors = 0;
};
DiskIdentity IdentifyForReport(int driveNumber);

// The usual refresh of a page that lists disks: the count, the table and
// both volume maps.
void RefreshDiskModel();

void ResetDiskTable();

}  // namespace disk
