#include "scan/scan_engine.h"

#include <algorithm>
#include <memory>
#include <new>

#include "app/language.h"
#include "disk/disk_access.h"
#include "erase/volume_lock.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "scan/scan_ids.h"
#include "ui/control_ids.h"

namespace scan {

using app::T;
using platform::Sys;

erase::Region ScanRegion;
int32_t ScanFailedBlocks = 0;
int32_t ScanRetryGoodBlocks = 0;
bool ScanRunning = false, ScanDone = false, ScanCancelled = false, ScanFromDuplication = false;
std::time_t ScanStartTime = 0;
std::wstring ScanTargetText;
uint32_t ScanBlockSectors = 63;
uint64_t ScanDiskSectors = 0;

namespace {

constexpr uint32_t kBufferSectors = 63;
constexpr size_t kAlign = 4096;

// Releases what the scan took from the system: the partition's volume or
// the whole disk's volumes, and the disk.
void Release(platform::Handle volume, bool diskOpen) {
  if (ScanRegion.StartLba != 0) {
    if (platform::IsValid(volume)) {
      uint32_t got = 0;
      Sys().DeviceIoControl(volume, win::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &got);
      Sys().CloseHandle(volume);
    }
  } else {
    erase::UnlockDiskVolumes();
  }
  if (diskOpen) disk::CloseCurrentDisk();
}

void Finish(ui::Window& page) {
  if (ScanFromDuplication) return;
  if (!ScanCancelled) page.MessageBox(T(L"IDS_ScanComplete"), win::MB_OK);
  page.Close(IDC_NEXT);
}

}  // namespace

void RunBadSectorScan(ui::Window& page) {
  erase::Region& r = ScanRegion;
  ScanCancelled = false;
  ScanDone = false;
  ScanStartTime = Sys().Now();
  if (r.StartLba == 0) {
    // Reading the partition list to find the volumes is not part of the scan's count.
    int32_t errors = disk::IoErrorCount;
    erase::LockDiskVolumes(int(r.DriveNumber));
    disk::IoErrorCount = errors;
  }
  bool diskOpen = disk::OpenDiskReadWrite(int(r.DriveNumber)) != platform::kNullHandle;
  r.CursorLba = r.StartLba;
  platform::Handle volume = platform::kInvalidHandle;
  if (r.StartLba != 0) {
    volume = disk::OpenVolumeHandle(r.DriveLetter);
    erase::LockVolumeRetrying(volume);
  }

  // A disk that cannot be opened is not a disk full of bad blocks: the
  // operator is told, and the scan ends as aborted.
  if (!diskOpen || ScanDiskSectors == 0) {
    Release(volume, diskOpen);
    page.MessageBox(T(L"IDS_DiskUnreadable"), win::MB_OK | win::MB_ICONEXCLAMATION);
    ScanCancelled = true;
    ScanDone = true;
    Finish(page);
    return;
  }
  std::unique_ptr<uint8_t[]> memory(new (std::nothrow) uint8_t[kBufferSectors * 512 + kAlign]());
  if (!memory) {
    Release(volume, diskOpen);
    page.MessageBox(L"Memory full", win::MB_OK);
    return;
  }
  // Aligned for uncached reads.
  uint8_t* buffer = memory.get() + (kAlign - reinterpret_cast<uintptr_t>(memory.get()) % kAlign) % kAlign;

  page.Enable(IDC_BACK, false);
  page.Enable(IDC_START_SCAN, false);
  ScanRunning = true;
  const uint32_t n = std::clamp<uint32_t>(ScanBlockSectors, 1, kBufferSectors);
  int64_t shown = 0;
  int64_t remaining = 0;
  for (uint64_t pos = 0; pos < r.LengthSectors; pos += n) {
    uint64_t lba = r.StartLba + pos;
    if (lba >= ScanDiskSectors) break;
    // Blocks are read whole, even past the end of a partition, but never
    // past the end of the disk.
    uint32_t count = uint32_t(std::min<uint64_t>(n, ScanDiskSectors - lba));
    r.CursorLba = lba;
    if (disk::ReadCurrentDisk(buffer, lba, count) != 0) {
      ++ScanFailedBlocks;
      bool readOnRetry = false;
      for (int retry = 0; retry < kReadRetries && !readOnRetry; ++retry)
        readOnRetry = disk::ReadCurrentDisk(buffer, lba, count) == 0;
      std::wstring line = T(L"IDS_ErrorinSector") + L" " + text::Dec(lba);
      if (readOnRetry) {
        line += T(L"IDS_badsector2");
        ++ScanRetryGoodBlocks;
      }
      page.LinesAdd(IDC_SCAN_ERRORS, line);
    }
    int64_t elapsed = int64_t(Sys().Now() - ScanStartTime);
    if (pos == 0) continue;
    float total = float(elapsed) * float(r.LengthSectors) / float(pos);
    if (total >= float(elapsed)) remaining = int64_t(total - float(elapsed));
    // The page is brought up to date (and Cancel heard) once a second.
    if (elapsed == shown) continue;
    shown = elapsed;
    page.SetPos(IDC_PROGRESS, int64_t(pos / n));
    page.SetText(IDC_ELAPSED, text::FormatHms(elapsed));
    Sys().SetThreadExecutionState(win::ES_SYSTEM_REQUIRED);
    page.PumpMessages();
    if (ScanCancelled) break;
    page.SetText(IDC_SCAN_REMAINING, text::FormatHms(remaining));
    page.SetText(IDC_SCAN_SECTOR, text::Dec(lba));
  }
  ScanDone = true;
  Release(volume, diskOpen);
  Finish(page);
}

std::wstring ScanResultText() {
  if (ScanCancelled) return T(L"IDS_Aborted");
  if (ScanFailedBlocks == 0) return T(L"IDS_Completed");
  return text::Dec(ScanFailedBlocks) + L" " + T(L"IDS_badsector1") + L" " + text::Dec(ScanRetryGoodBlocks) + L" " +
         T(L"IDS_badsector2");
}

void ResetScanState() {
  ScanRegion = erase::Region{};
  ScanFailedBlocks = ScanRetryGoodBlocks = 0;
  ScanRunning = ScanDone = ScanCancelled = ScanFromDuplication = false;
  ScanStartTime = 0;
  ScanTargetText.clear();
  ScanBlockSectors = 63;
  ScanDiskSectors = 0;
}

}  // namespace scan
