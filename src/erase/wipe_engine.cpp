#include "erase/wipe_engine.h"

#include <algorithm>
#include <cstring>

#include "app/language.h"
#include "app/progress_meter.h"
#include "disk/disk_access.h"
#include "disk/volume_map.h"
#include "erase/erase_ids.h"
#include "erase/volume_lock.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"
#include "viewer/sector_view.h"
#include "ui/window.h"

namespace erase {

using platform::Sys;

bool DeleteCancelled = false;
bool DeleteStarted = false;
std::time_t DeleteStartTime = 0;
std::wstring DeleteDateText;
int64_t ProgressPosition = 0;
uint8_t SnapshotSector[512] = {};
uint32_t BlockSectors = 63;
uint64_t SectorsOverwritten = 0;
int PassesBegun = 0;
int PassCount = 0;
disk::DiskIdentity WipedDisk;

namespace {

constexpr uint32_t kSector = disk::kSectorBytes;
// Blocks travel to the disk a megabyte at a time: one track per transfer is
// several times slower. Every block keeps its own progress step, random
// data and error count; a transfer that fails is repeated block by block.
constexpr uint32_t kTransferBytes = 1u << 20;
// A progress bar is at most a few hundred pixels wide, and a control may
// repaint at once for each new position: it moves in steps of about a
// thousandth of its range (every block on small regions).
constexpr int64_t kProgressSteps = 1024;

// Aligned for uncached transfers, so that no bounce buffer is needed. A
// random block is made in place in the transfer buffer: the part of the
// 32768 bytes beyond the block's sectors lands where the next block goes
// (and is made again there), or in the spare room at the end.
alignas(4096) uint8_t BlockBuffer[kBlockBufferBytes];
alignas(4096) uint8_t TransferBuffer[kTransferBytes + kBlockBufferBytes];

// The generator's state when the last random pass began: the verification
// walk replays the stream from there.
uint32_t g_randomPassState = 0;
int64_t g_progressStep = 1;
int64_t g_progressShown = -1;
// The pace of the wipe: the blocks of all its passes, a few page updates a
// second, the time of the work alone.
app::ProgressMeter g_meter;
uint64_t g_totalBytes = 0;
bool g_paceShown = false;
uint32_t g_paceShownAt = 0;
constexpr uint32_t kShowEveryMs = 250;

void ShowProgress(ui::Window& page, bool always) {
  if (!always && ProgressPosition - g_progressShown < g_progressStep) return;
  g_progressShown = ProgressPosition;
  page.SetPos(IDC_PROGRESS, ProgressPosition);
}

// The elapsed time, the share done, the rate and the time left.
void ShowPace(ui::Window& page, bool always) {
  uint32_t now = Sys().GetTickCount();
  g_meter.Sample(now, uint64_t(ProgressPosition) * BlockSectors * kSector, g_totalBytes);
  if (!always && g_paceShown && uint32_t(now - g_paceShownAt) < kShowEveryMs) return;
  g_paceShown = true;
  g_paceShownAt = now;
  page.SetText(IDC_ELAPSED, text::FormatHms(int64_t(g_meter.WorkMilliseconds(now) / 1000)));
  page.SetText(IDC_PROGRESS_DETAIL, g_meter.DetailText(true));
}

// Drains the page's messages; a question answered meanwhile (Cancel? No)
// is no time of the wipe's.
void Pump(ui::Window& page) {
  uint32_t before = Sys().GetTickCount();
  page.PumpMessages();
  g_meter.Pause(uint32_t(Sys().GetTickCount() - before));
}

// Writes k blocks of n sectors from TransferBuffer at lba; when the one
// transfer fails, each block gets its own five attempts and its own errors.
// Returns the sectors that reached the disk.
uint64_t WriteBlocks(uint64_t lba, uint32_t k, uint32_t n) {
  if (k > 1 && disk::WriteSectors(disk::CurrentDisk, TransferBuffer, lba, k * n) == k * n * kSector)
    return uint64_t(k) * n;
  uint64_t written = 0;
  for (uint32_t j = 0; j < k; ++j)
    if (disk::WriteCurrentDisk(TransferBuffer + size_t(j) * n * kSector, lba + j * n, n) != 0) written += n;
  return written;
}

// Reads k blocks back and compares each with the random data the last
// random pass wrote there; a failed read or a difference is one error.
void VerifyBlocks(uint64_t lba, uint32_t k, uint32_t n) {
  bool whole = k > 1 && disk::ReadSectors(disk::CurrentDisk, TransferBuffer, lba, k * n) == k * n * kSector;
  for (uint32_t j = 0; j < k; ++j) {
    uint8_t* got = TransferBuffer + size_t(j) * n * kSector;
    FillRandomBlock(BlockBuffer);
    if (!whole && disk::ReadCurrentDisk(got, lba + j * n, n) != 0) continue;
    if (std::memcmp(got, BlockBuffer, size_t(n) * kSector) != 0) ++disk::IoErrorCount;
  }
}

// The block buffer as a pass fills it; the verification walk makes again
// what the random pass wrote.
void FillBlock(PassKind kind) {
  if (kind == PassKind::Random || kind == PassKind::Verify) FillRandomBlock(BlockBuffer);
  else std::memset(BlockBuffer, kind == PassKind::Ones ? 0xFF : 0x00, sizeof BlockBuffer);
}

}  // namespace

bool ClearDiskLayout(int driveNumber) {
  static const std::vector<uint8_t> zeros(65536, 0);
  bool result = false;
  for (int attempts = 1;; ++attempts) {
    if (disk::OpenDiskReadWrite(driveNumber) != platform::kNullHandle) {
      disk::WriteCurrentDisk(zeros.data(), 0, 1);
      uint32_t got = 0;
      // The system reads the now empty layout again and drops the volumes.
      Sys().DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
      disk::CloseCurrentDisk();
    }
    Sys().GetLogicalDrives();
    if (attempts > 5) break;
    disk::BuildLetterDiskMap();
    if (disk::CountVolumesOnDisk(driveNumber) == 0) {
      result = true;
      break;
    }
    disk::BuildVolumeTable();
    disk::BuildLetterDiskMap();
    ui::Wait(1000);
  }
  disk::IoErrorCount = 0;
  return result;
}

void RunWipePass(ui::Window& page, Region& region, PassKind kind) {
  const uint32_t n = BlockSectors;
  const uint64_t blocks = region.LengthSectors / n;
  const uint32_t perTransfer = std::max<uint32_t>(1, kTransferBytes / (n * kSector));
  region.CursorLba = region.StartLba;
  // The report certifies what reached the disk: a block whose writes all
  // failed is not counted, however far the pass went.
  uint64_t written = 0;
  if (kind == PassKind::Random) g_randomPassState = RandomState();
  if (kind == PassKind::Verify) SetRandomState(g_randomPassState);
  if (kind == PassKind::Zeros || kind == PassKind::Ones)
    std::memset(TransferBuffer, kind == PassKind::Ones ? 0xFF : 0x00, kTransferBytes);

  for (uint64_t b = 0; b < blocks;) {
    Sys().SetThreadExecutionState(win::ES_SYSTEM_REQUIRED);
    Pump(page);
    if (DeleteCancelled) {
      ShowProgress(page, true);
      return;
    }
    uint32_t k = uint32_t(std::min<uint64_t>(perTransfer, blocks - b));
    if (kind == PassKind::Random)
      for (uint32_t j = 0; j < k; ++j) FillRandomBlock(TransferBuffer + size_t(j) * n * kSector);
    if (kind == PassKind::Verify) VerifyBlocks(region.CursorLba, k, n);
    else written += WriteBlocks(region.CursorLba, k, n);
    for (uint32_t j = 0; j < k; ++j) {
      ++ProgressPosition;
      ShowProgress(page, false);
      region.CursorLba += n;
    }
    if (kind != PassKind::Verify) SectorsOverwritten = std::max(SectorsOverwritten, written);
    ShowPace(page, false);
    b += k;
  }

  ShowProgress(page, true);

  // The sectors behind the last whole block: written (or checked) from a
  // block buffer filled for this pass, only as many as the region has.
  uint32_t rest = uint32_t(region.LengthSectors - blocks * n);
  if (rest == 0) return;
  FillBlock(kind);
  if (kind != PassKind::Verify) {
    if (disk::WriteCurrentDisk(BlockBuffer, region.CursorLba, rest) != 0) written += rest;
    SectorsOverwritten = std::max(SectorsOverwritten, written);
  } else if (disk::ReadCurrentDisk(TransferBuffer, region.CursorLba, rest) == 0 &&
             std::memcmp(TransferBuffer, BlockBuffer, size_t(rest) * kSector) != 0) {
    ++disk::IoErrorCount;
  }
}

void RunWipe(ui::Window& page, Region& region, int method) {
  int64_t range = ProgressRangeOf(method, region.LengthSectors, BlockSectors);
  page.SetRange(IDC_PROGRESS, 0, range);
  g_progressStep = std::max<int64_t>(1, range / kProgressSteps);
  ProgressPosition = 0;
  ShowProgress(page, true);
  std::vector<WipePass> passes = PassesOf(method);
  g_totalBytes = uint64_t(passes.size()) * (region.LengthSectors / BlockSectors) * BlockSectors * kSector;
  PassCount = int(passes.size());
  for (const WipePass& pass : passes) {
    if (!DeleteCancelled) ++PassesBegun;
    page.SetText(IDC_STATUS, pass.status);
    page.Redraw(0);
    RunWipePass(page, region, pass.kind);
  }
}

void RunDeletion(ui::Window& page) {
  Region& r = SelectedRegion;
  DeleteCancelled = false;
  DeleteStarted = true;
  page.Enable(IDC_START_DELETION, false);
  page.Enable(IDC_BACK, false);
  page.Enable(win::IDCANCEL, false);
  SeedRandom(uint32_t(Sys().Now()));
  WipedDisk = disk::IdentifyForReport(int(r.DriveNumber));
  SectorsOverwritten = 0;
  PassesBegun = 0;
  PassCount = int(PassesOf(WipeMethod).size());
  disk::GetDiskSizeSectors(int(r.DriveNumber));
  BlockSectors = disk::LastSectorsPerTrack;

  bool layoutCleared = false;
  if (r.RegionKind == kWholeDisk) {
    layoutCleared = ClearDiskLayout(int(r.DriveNumber));
    ui::Wait(1000);
    Sys().GetLogicalDrives();  // lets the system refresh its drive list
  }
  bool opened = disk::OpenDiskReadWrite(int(r.DriveNumber)) != platform::kNullHandle;
  DeleteStartTime = Sys().Now();
  DeleteDateText = app::FormatDateTime(DeleteStartTime);
  g_meter.Start(Sys().GetTickCount());
  g_paceShown = false;
  g_totalBytes = 0;
  viewer::ViewerSector = 0;
  r.CursorLba = r.StartLba;
  platform::Cursor previous = Sys().SetCursor(platform::Cursor::Wait);

  // The volume on the region is locked so that the system neither uses
  // nor protects it while it is overwritten. A region where the system
  // shows no volume has nothing to lock.
  platform::Handle volume = platform::kInvalidHandle;
  bool taken = true;
  if (r.FileSystemName != L"RAW" && !(r.StartLba == 0 && layoutCleared)) {
    uint64_t offset = 0;
    std::wstring name;
    if (disk::SectorByteOffset(r.StartLba, r.LengthSectors, &offset)) name = disk::VolumeNameAt(int(r.DriveNumber), offset);
    if (!name.empty()) {
      if (name.back() == L'\\') name.pop_back();
      volume = Sys().CreateFile(name, win::GENERIC_READ | win::GENERIC_WRITE,
                                win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
      taken = LockVolumeRetrying(volume);
    }
  }
  page.Enable(win::IDCANCEL, true);
  Sys().SetCursor(previous);

  // A volume the system still uses is not overwritten: the deletion ends
  // as aborted and the operator is told why.
  if (taken) RunWipe(page, r, WipeMethod);
  else DeleteCancelled = true;
  if (!DeleteCancelled) g_meter.Finish(Sys().GetTickCount());
  ShowPace(page, true);

  uint32_t got = 0;
  if (taken && platform::IsValid(volume))
    Sys().DeviceIoControl(volume, win::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &got);
  disk::ReadCurrentDisk(SnapshotSector, r.StartLba, 1);
  if (r.RegionKind == kWholeDisk) UnlockDiskVolumes();
  if (platform::IsValid(volume)) Sys().CloseHandle(volume);
  if (opened) disk::CloseCurrentDisk();
  if (!taken) page.MessageBox(app::T(L"IDS_VolumeInUse"), win::MB_OK | win::MB_ICONEXCLAMATION);
  else if (DeleteCancelled) return;
  else if (disk::IoErrorCount > 0) page.MessageBox(app::T(L"IDS_DeleteOverErrors"), win::MB_OK | win::MB_ICONEXCLAMATION);
  else page.MessageBox(app::T(L"IDS_DeleteOver"), win::MB_OK);
}

void ResetDeletionState() {
  DeleteCancelled = false;
  DeleteStarted = false;
  DeleteStartTime = 0;
  DeleteDateText.clear();
  ProgressPosition = 0;
  std::memset(SnapshotSector, 0, sizeof SnapshotSector);
  BlockSectors = 63;
  SectorsOverwritten = 0;
  PassesBegun = PassCount = 0;
  WipedDisk = disk::DiskIdentity{};
  WipeMethod = 0;
  SeedRandom(0);
}

}  // namespace erase
