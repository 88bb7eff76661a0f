#include "duplicate/format_now.h"

#include <algorithm>
#include <vector>

#include "app/language.h"
#include "disk/disk_table.h"
#include "disk/partition_table.h"
#include "disk/volume_map.h"
#include "partition/ccformat.h"
#include "partition/cformatdisk.h"
#include "partition/create_request.h"
#include "partition/layout_edit.h"
#include "partition/layout_writer.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace duplicate {

namespace {
constexpr int kMountPolls = 20;
constexpr uint32_t kMountPollMs = 500;
}  // namespace

bool OfferFormatNow(int diskIndex) {
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  if (!d || d->DriveNumber < 0) return false;
  std::vector<disk::PartitionRecord> records;
  if (disk::ReadPartitionList(&records, d->DriveNumber) != 0) return false;
  if (!partition::AskFormatNow()) return false;

  int drive = d->DriveNumber;
  // Placed where the running system places a first partition (1 MiB on
  // current systems).
  uint64_t first = partition::PlacementFor(platform::Sys().GetVersion().major).firstSector;
  if (d->SizeSectors <= first + partition::kCreateMinSectors) return false;
  // One MBR partition over the disk, as far as an MBR entry reaches.
  uint64_t length = std::min(d->SizeSectors - first, partition::kMbrSectorLimit - 1 - first);
  auto wait = ui::CurrentHost().StartWait(app::T(L"IDS_FormatProgress"), false);
  int letter = -1;
  if (partition::CreateFirstPartition(drive, first, length, 0x07)) {
    for (int i = 0; i < kMountPolls && letter < 0; ++i) {
      disk::RefreshDiskModel();
      letter = disk::DriveLetterOf(first, drive);
      if (letter < 0) platform::Sys().Sleep(kMountPollMs);
    }
  }
  wait->Close();
  if (letter < 0) {
    ui::MessageBox(app::T(L"IDS_cannotformat"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return false;
  }
  partition::ResetCreatePartitionRequest();
  partition::CreatePartitionRequest.fileSystem = L"NTFS";
  partition::CreatePartitionRequest.formatOption = partition::kQuickFormat;
  // FormatByDriveLetter tells the operator itself when it fails.
  return partition::FormatByDriveLetter(wchar_t(letter), length) == partition::FormatOutcome::Formatted;
}

}  // namespace duplicate
