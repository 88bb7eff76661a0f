#include "disk/disk_table.h"

#include <cstring>

#include "app/language.h"
#include "disk/disk_access.h"
#include "disk/identify.h"
#include "disk/volume_map.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace disk {

DiskEntry DiskTable[kMaxDisks + 1];
int32_t DiskCount = 0;
IdentifyRecord IdentifyRecords[kMaxDriveNumber + 1];
std::string LastIdentifiedModel;
std::string LastIdentifiedSerial;

int32_t ReadDiskCount() {
  auto& sys = platform::Sys();
  platform::Handle key = platform::kNullHandle;
  if (sys.RegCreateKey(win::HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum",
                       win::KEY_QUERY_VALUE, &key) != 0) {
    ui::MessageBox(app::T(L"IDS_regerror"), win::MB_OK);
    sys.ExitProcess(0);
  }
  std::vector<uint8_t> data;
  uint32_t type = 0;
  int32_t count = 0;
  if (sys.RegQueryValue(key, L"Count", &type, &data, 512) == 0 && !data.empty()) count = data[0] & 127;
  sys.RegCloseKey(key);
  return count;
}

void RebuildDiskTable() {
  for (int k = 0; k <= kMaxDisks; ++k) DiskTable[k].DriveNumber = -1;
  int k = 1;
  for (int n = 0; n <= kMaxDriveNumber && k <= DiskCount && k <= kMaxDisks; ++n) {
    uint64_t size = GetDiskSizeSectors(n);
    DiskTable[k].SizeSectors = size;
    if (size == 0) continue;
    DiskTable[k].DriveNumber = n;
    DiskTable[k].SectorsPerTrack = LastSectorsPerTrack;
    IdentifyDisk(n);
    const IdentifyRecord& r = IdentifyRecords[n];
    DiskTable[k].Model = text::Widen(std::string(r.ModelText, strnlen(r.ModelText, sizeof r.ModelText)));
    DiskTable[k].BusName = BusNameOf(r.BusType);
    ++k;
  }
}

const wchar_t* BusNameOf(uint32_t storageBusType) {
  static const wchar_t* const kNames[] = {L"Unknown", L"SCSI",  L"ATAPI", L"ATA",   L"1394", L"SSA",     L"Fibre",
                                          L"USB",     L"RAID",  L"iSCSI", L"SAS",   L"SATA", L"SD",      L"MMC",
                                          L"Virtual", L"Virtual", L"Spaces", L"NVMe", L"SCM", L"UFS"};
  return storageBusType < sizeof kNames / sizeof kNames[0] ? kNames[storageBusType] : kNames[0];
}

const DiskEntry* DiskAt(int diskIndex) {
  if (diskIndex < 1 || diskIndex > DiskCount || diskIndex > kMaxDisks) return nullptr;
  return &DiskTable[diskIndex];
}

int DiskIndexOfNumber(int driveNumber) {
  if (driveNumber < 0) return -1;
  for (int k = 1; k <= DiskCount && k <= kMaxDisks; ++k)
    if (DiskTable[k].DriveNumber == driveNumber) return k;
  return -1;
}

const DiskEntry* DiskByNumber(int driveNumber) { return DiskAt(DiskIndexOfNumber(driveNumber)); }

std::string DecodeHexSerial(const std::string& hex) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
  };
  std::string out;
  for (size_t i = 0; i + 4 <= hex.size(); i += 4) {
    uint8_t first = uint8_t(digit(hex[i + 2]) * 16 + digit(hex[i + 3]));
    uint8_t second = uint8_t(digit(hex[i]) * 16 + digit(hex[i + 1]));
    if (first) out.push_back(char(first));
    if (second) out.push_back(char(second));
  }
  return out;
}

DiskIdentity IdentifyForReport(int driveNumber) {
  DiskIdentity id;
  if (driveNumber < 0 || driveNumber > kMaxDriveNumber) return id;
  uint32_t spt = LastSectorsPerTrack;
  id.sizeSectors = GetDiskSizeSectors(driveNumber);
  LastSectorsPerTrack = spt;  // a wipe's block size is not this query's business
  IdentifyDisk(driveNumber);
  const IdentifyRecord& r = IdentifyRecords[driveNumber];
  id.model = text::Widen(std::string(r.ModelText, strnlen(r.ModelText, sizeof r.ModelText)));
  id.serial = text::Widen(LastIdentifiedSerial);
  id.bus = BusNameOf(r.BusType);
  return id;
}

void RefreshDiskModel() {
  DiskCount = ReadDiskCount();
  RebuildDiskTable();
  BuildLetterDiskMap();
  BuildVolumeTable();
}

void ResetDiskTable() {
  for (auto& e : DiskTable) e = DiskEntry{};
  for (auto& r : IdentifyRecords) r = IdentifyRecord{};
  DiskCount = 0;
  LastIdentifiedModel.clear();
  LastIdentifiedSerial.clear();
}

}  // namespace disk
