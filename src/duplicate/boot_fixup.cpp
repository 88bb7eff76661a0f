#include "duplicate/boot_fixup.h"

#include <cstring>

#include "app/app_state.h"
#include "app/language.h"
#include "disk/disk_table.h"
#include "disk/volume_map.h"
#include "duplicate/duplication_job.h"
#include "duplicate/mbr_sector.h"
#include "duplicate/windows_checks.h"
#include "platform/bytes.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace duplicate {

using platform::Sys;

namespace {

constexpr uint8_t kBootMarker[3] = {0x5A, 0x79, 0x58};  // "ZyX", then the letter

int DriveOf(int diskIndex) {
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  return d ? d->DriveNumber : -1;
}

std::wstring ReadRegistryText(const std::wstring& key, const std::wstring& name) {
  platform::Handle h = platform::kNullHandle;
  if (Sys().RegCreateKey(win::HKEY_LOCAL_MACHINE, key, win::KEY_QUERY_VALUE, &h) != 0) return L"";
  uint32_t type = 0;
  std::vector<uint8_t> data;
  long r = Sys().RegQueryValue(h, name, &type, &data, 2048);
  Sys().RegCloseKey(h);
  if (r != 0 || type != win::REG_SZ) return L"";
  std::wstring s = text::DecodeUtf16LE(data.data(), data.size() & ~size_t(1));
  size_t nul = s.find(L'\0');
  return nul == std::wstring::npos ? s : s.substr(0, nul);
}

}  // namespace

bool CopyDiskSignature(int sourceDisk, int destinationDisk) {
  int from = DriveOf(sourceDisk), to = DriveOf(destinationDisk);
  if (from < 0 || to < 0) return false;
  uint8_t source[512], destination[512];
  if (!ReadDriveSector(from, 0, source) || !IsMbr(source)) return false;
  if (!ReadDriveSector(to, 0, destination) || !IsMbr(destination)) return false;
  if (std::memcmp(destination + kSignatureOffset, source + kSignatureOffset, 4) == 0) return true;
  std::memcpy(destination + kSignatureOffset, source + kSignatureOffset, 4);
  return WriteDriveSector(to, 0, destination);
}

bool WriteBootMarker(int destinationDisk) {
  int drive = DriveOf(destinationDisk);
  if (drive < 0) return false;
  disk::BuildLetterDiskMap();
  wchar_t found = 0;
  for (wchar_t l = L'C'; l <= L'Y' && !found; ++l) {
    if (disk::LetterDiskMap[l - L'B'].DiskNumberPlusOne != drive + 1) continue;
    if (HasBootConfiguration(std::wstring(1, l) + L":")) found = l;
  }
  if (!found) return false;
  DuplicationJob.BootPairDestination = std::wstring(1, found) + L":";
  // Sector 1 of a GPT disk is its header: the marker has no place there.
  uint8_t s0[512], s1[512];
  if (!ReadDriveSector(drive, 0, s0) || !IsMbr(s0)) return false;
  if (!ReadDriveSector(drive, 1, s1)) return false;
  std::memcpy(s1 + kSignatureOffset, kBootMarker, 3);
  s1[kSignatureOffset + 3] = uint8_t(found);
  return WriteDriveSector(drive, 1, s1);
}

uint32_t MakeActivePartition(int destinationDisk, uint64_t startLba) {
  int drive = DriveOf(destinationDisk);
  uint8_t s[512];
  if (drive < 0 || !ReadDriveSector(drive, 0, s) || !IsMbr(s)) return 0;
  int found = -1;
  bool otherActive = false;
  for (int i = 0; i < 4; ++i) {
    const uint8_t* e = s + kEntriesOffset + 16 * i;
    if (e[4] != 0 && bytes::Get32(e + 8) == startLba && found < 0) found = i;
    else if (e[0] == 0x80) otherActive = true;
  }
  if (found < 0) return 0;
  uint8_t* entry = s + kEntriesOffset + 16 * found;
  if (entry[0] == 0x80 && !otherActive) return 0;  // it already is the active one
  if (otherActive && ui::MessageBox(app::T(L"IDS_MakeActive"),
                                    win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL) != win::IDYES)
    return 0;
  for (int i = 0; i < 4; ++i) s[kEntriesOffset + 16 * i] = 0;
  entry[0] = 0x80;
  return WriteDriveSector(drive, 0, s) ? uint32_t(found + 1) : 0;
}

std::wstring BootRecordFixCommand(const std::wstring& installationFolder, int disk, uint32_t partitionNumber) {
  std::wstring folder = installationFolder;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  // Quoted: the folder is usually under "Program Files".
  return L"\"" + folder + L"\\QARN.exe\" /b " + text::Dec(disk) + L" " + text::Dec(partitionNumber);
}

bool RegisterBootRecordFix(int disk, uint32_t partitionNumber) {
  std::wstring folder = ReadRegistryText(L"Software\\OrnwellSoft\\QARN", L"InstallationDirectory");
  // Without the imaging tool the value would start nothing.
  if (folder.empty()) return false;
  std::vector<uint8_t> data = text::EncodeUtf16LE(BootRecordFixCommand(folder, disk, partitionNumber));
  data.push_back(0);
  data.push_back(0);
  platform::Handle h = platform::kNullHandle;
  if (Sys().RegCreateKey(win::HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                         win::KEY_ALL_ACCESS, &h) != 0)
    return false;
  bool ok = Sys().RegSetValue(h, L"QARNBootIni", win::REG_SZ, data) == 0;
  Sys().RegCloseKey(h);
  return ok;
}

}  // namespace duplicate
