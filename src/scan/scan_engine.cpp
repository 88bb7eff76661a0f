#include "scan/scan_engine.h"

#include <algorithm>
#include <memory>
#include <new>

#include "app/language.h"
#include "app/progress_meter.h"
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
uint64_t ScanWorkMilliseconds = 0;
std::wstring ScanTargetText;
uint32_t ScanBlockSectors = 63;
uint64_t ScanDiskSectors = 0;

std::vector<SectorRange> ScanBadSectors;

namespace {

constexpr uint32_t kMaxBlockSectors = 63;
constexpr size_t kAlign = 4096;
constexpr uint32_t kSector = disk::kSectorBytes;

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

// Whole blocks, so that no block straddles two spans; a megabyte or more,
// and a whole number of 4 KiB pages, so that a span that starts aligned
// goes to the disk as one aligned transfer.
uint32_t SpanSectors(uint32_t n) {
  constexpr uint32_t kPageSectors = 4096 / kSector;
  uint32_t blocks = (kSpanBytes / kSector + n - 1) / n;
  return (blocks + kPageSectors - 1) / kPageSectors * kPageSectors * n;
}

void AddBadSector(uint64_t lba) {
  if (!ScanBadSectors.empty() && ScanBadSectors.back().last + 1 == lba) ScanBadSectors.back().last = lba;
  else ScanBadSectors.push_back({lba, lba});
}

bool ReadAll(uint8_t* buffer, uint64_t lba, uint32_t count) {
  return disk::ReadSectors(disk::CurrentDisk, buffer, lba, count) == count * kSector;
}

// One run of the scan over [StartLba, end). The disk is read a span of
// whole blocks at a time, which is what lets it run at the disk's speed;
// only a span that fails is gone through block by block.
class ScanRun {
 public:
  ScanRun(ui::Window& page, uint8_t* buffer, uint32_t n, uint32_t span, uint64_t end)
      : page_(page), r_(ScanRegion), buffer_(buffer), n_(n), span_(span), end_(end) {
    meter_.Start(Sys().GetTickCount());
  }

  void Run() {
    for (uint64_t lba = r_.StartLba; lba < end_;) {
      // The last read stops at the end of the region: the sectors behind
      // a partition belong to someone else, and a fault there is not its own.
      uint32_t count = uint32_t(std::min<uint64_t>(span_, end_ - lba));
      r_.CursorLba = lba;
      if (ReadAll(buffer_, lba, count)) {
        uint64_t lastBlock = lba + uint64_t((count - 1) / n_) * n_;
        if (!Tick(lastBlock, lba + count)) return;
      } else if (!GoThroughFailedSpan(lba, count)) {
        return;
      }
      lba += count;
    }
    ShowEnd();
  }

  uint64_t WorkMilliseconds() const { return meter_.WorkMilliseconds(Sys().GetTickCount()); }

 private:
  // The span's read was the first read of each of its blocks. Each block is
  // read again alone: one that fails now failed its first read and its
  // first retry, and gets the retries that are left. When every block reads,
  // the span failed once somewhere and read on retry: as one block can
  // fail once and then read, the span counts as one such block. Which of
  // its blocks failed cannot be told (the failure did not come back), so
  // the line names the span's sectors rather than a sector that may be
  // sound.
  bool GoThroughFailedSpan(uint64_t lba, uint32_t count) {
    bool blamed = false;
    for (uint64_t block = lba; block < lba + count; block += n_) {
      uint32_t c = uint32_t(std::min<uint64_t>(n_, lba + count - block));
      r_.CursorLba = block;
      if (!ReadAll(buffer_, block, c)) {
        blamed = true;
        if (!FailedBlock(block, c)) return false;
      }
      if (!Tick(block, block + c)) return false;
    }
    if (!blamed) {
      ++ScanFailedBlocks;
      ++ScanRetryGoodBlocks;
      ++disk::IoErrorCount;
      page_.LinesAdd(IDC_SCAN_ERRORS, T(L"IDS_ErrorinSectors") + L" " + text::Dec(lba) + L"-" +
                                          text::Dec(lba + count - 1) + T(L"IDS_badsector2"));
    }
    return true;
  }

  // A block whose first read and first retry failed: the two failed reads
  // are counted, then the remaining retries; a block that stays unreadable
  // is read sector by sector to find which of its sectors are bad. The
  // sectors are read only after the retries, so that a sector that fails a
  // few times still counts for the retries as it would without this search.
  // When every sector reads in the search, the block did read in the end:
  // it is readable on retry, so that the counts, the line and the list of
  // bad sectors tell the same story.
  bool FailedBlock(uint64_t lba, uint32_t count) {
    ++ScanFailedBlocks;
    disk::IoErrorCount += 2;
    bool readOnRetry = false;
    for (int retry = 1; retry < kReadRetries && !readOnRetry; ++retry)
      readOnRetry = disk::ReadCurrentDisk(buffer_, lba, count) == 0;
    bool going = true;
    if (!readOnRetry) {
      bool found = false;
      for (uint64_t s = lba; s < lba + count; ++s) {
        if (!ReadAll(buffer_, s, 1)) {
          AddBadSector(s);
          found = true;
        }
        // A disk that takes seconds for each bad sector still hears Cancel.
        if (!Tick(lba, s + 1)) {
          going = false;
          found = true;  // the search did not end: nothing is known of the rest
          break;
        }
      }
      readOnRetry = !found;
    }
    std::wstring line = T(L"IDS_ErrorinSector") + L" " + text::Dec(lba);
    if (readOnRetry) {
      line += T(L"IDS_badsector2");
      ++ScanRetryGoodBlocks;
    }
    page_.LinesAdd(IDC_SCAN_ERRORS, line);
    return going;
  }

  // The page after the sectors up to doneEnd were read (the block at lba
  // the last of them): a few times a second the progress, the times, the
  // pace and the sector are shown and the messages drained. False when the
  // operator cancelled meanwhile.
  bool Tick(uint64_t lba, uint64_t doneEnd) {
    uint32_t now = Sys().GetTickCount();
    meter_.Sample(now, (doneEnd - r_.StartLba) * kSector, (end_ - r_.StartLba) * kSector);
    if (shown_ && uint32_t(now - lastShown_) < kShowEveryMs) return true;
    shown_ = true;
    lastShown_ = now;
    page_.SetPos(IDC_PROGRESS, int64_t((lba - r_.StartLba) / n_));
    page_.SetText(IDC_ELAPSED, text::FormatHms(int64_t(meter_.WorkMilliseconds(now) / 1000)));
    Sys().SetThreadExecutionState(win::ES_SYSTEM_REQUIRED);
    // A question answered meanwhile (Cancel? No) is no time of the scan's.
    page_.PumpMessages();
    meter_.Pause(uint32_t(Sys().GetTickCount() - now));
    if (ScanCancelled) return false;
    page_.SetText(IDC_SCAN_REMAINING, meter_.RemainingText());
    page_.SetText(IDC_SCAN_SECTOR, text::Dec(lba));
    page_.SetText(IDC_PROGRESS_DETAIL, meter_.DetailText(false));
    return true;
  }

  // The whole region read: a full bar, the region's last sector, and the
  // time the work took.
  void ShowEnd() {
    uint32_t now = Sys().GetTickCount();
    meter_.Finish(now);
    page_.SetPos(IDC_PROGRESS, int64_t(r_.LengthSectors / std::max<uint32_t>(ScanBlockSectors, 1)));
    page_.SetText(IDC_ELAPSED, text::FormatHms(int64_t(meter_.WorkMilliseconds(now) / 1000)));
    page_.SetText(IDC_SCAN_REMAINING, meter_.RemainingText());
    if (end_ > r_.StartLba) page_.SetText(IDC_SCAN_SECTOR, text::Dec(end_ - 1));
    page_.SetText(IDC_PROGRESS_DETAIL, meter_.DetailText(false));
  }

  static constexpr uint32_t kShowEveryMs = 250;
  ui::Window& page_;
  erase::Region& r_;
  uint8_t* buffer_;
  const uint32_t n_;
  const uint32_t span_;
  const uint64_t end_;
  app::ProgressMeter meter_;
  bool shown_ = false;
  uint32_t lastShown_ = 0;
};

}  // namespace

void RunBadSectorScan(ui::Window& page) {
  erase::Region& r = ScanRegion;
  ScanCancelled = false;
  ScanDone = false;
  ScanStartTime = Sys().Now();
  ScanWorkMilliseconds = 0;
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
  const uint32_t n = std::clamp<uint32_t>(ScanBlockSectors, 1, kMaxBlockSectors);
  const uint32_t span = SpanSectors(n);
  std::unique_ptr<uint8_t[]> memory(new (std::nothrow) uint8_t[size_t(span) * kSector + kAlign]());
  if (!memory) {
    Release(volume, diskOpen);
    page.MessageBox(L"Memory full", win::MB_OK);
    return;
  }
  // Aligned for uncached reads, so that no bounce buffer is needed.
  uint8_t* buffer = memory.get() + (kAlign - reinterpret_cast<uintptr_t>(memory.get()) % kAlign) % kAlign;

  page.Enable(IDC_BACK, false);
  page.Enable(IDC_START_SCAN, false);
  ScanRunning = true;
  ScanBadSectors.clear();
  // The region, never beyond the disk's end (a length from a damaged table
  // may claim more).
  uint64_t end = r.StartLba < ScanDiskSectors ? r.StartLba + std::min(r.LengthSectors, ScanDiskSectors - r.StartLba)
                                              : r.StartLba;
  ScanRun run(page, buffer, n, span, end);
  run.Run();
  // Taken before the message at the end, which is no part of the work.
  ScanWorkMilliseconds = run.WorkMilliseconds();
  ScanDone = true;
  Release(volume, diskOpen);
  Finish(page);
}

std::wstring ScanResultText() {
  if (ScanCancelled) return T(L"IDS_Aborted");
  if (ScanFailedBlocks == 0) return T(L"IDS_Completed");
  // IDS_badsector2 brings its own leading space.
  return text::Dec(ScanFailedBlocks) + L" " + T(L"IDS_badsector1") + L" " + text::Dec(ScanRetryGoodBlocks) +
         T(L"IDS_badsector2");
}

std::wstring BadSectorsText(size_t maxRanges) {
  if (ScanBadSectors.empty()) return T(L"IDS_NoBadSectors");
  std::wstring out;
  for (size_t i = 0; i < ScanBadSectors.size(); ++i) {
    if (i == maxRanges) return out + L", ...";
    const SectorRange& s = ScanBadSectors[i];
    if (i) out += L", ";
    out += text::Dec(s.first);
    if (s.last != s.first) out += L"-" + text::Dec(s.last);
  }
  return out;
}

uint64_t BadSectorCount() {
  uint64_t n = 0;
  for (const SectorRange& s : ScanBadSectors) n += s.last - s.first + 1;
  return n;
}

void ResetScanState() {
  ScanRegion = erase::Region{};
  ScanFailedBlocks = ScanRetryGoodBlocks = 0;
  ScanRunning = ScanDone = ScanCancelled = ScanFromDuplication = false;
  ScanStartTime = 0;
  ScanWorkMilliseconds = 0;
  ScanTargetText.clear();
  ScanBlockSectors = 63;
  ScanDiskSectors = 0;
  ScanBadSectors.clear();
}

}  // namespace scan
