#include "erase/region_list.h"

#include "app/language.h"
#include "disk/disk_table.h"
#include "disk/partition_types.h"
#include "disk/volume_map.h"
#include "duplicate/system_guard.h"
#include "erase/selected_region.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace erase {

namespace {

// The file system a partition row stands for. A lettered volume names its
// own; a partition without a letter is named by its type (FAT and NTFS
// types as the file system, others as the lists name them, "Linux",
// "EFI", "Extended", ...), and by nothing when its type has no name.
std::wstring FileSystemNameOf(const app::DiskListRow& row) {
  if (row.letter >= 0) {
    switch (disk::FileSystemTypeOfLetter(wchar_t(row.letter))) {
      case disk::kFsFat32: return L"FAT32";
      case disk::kFsFat: return L"FAT";
      case disk::kFsNtfs: return L"NTFS";
      case disk::kFsExFat: return L"exFAT";
      default: return L"RAW";  // the system recognises no file system there
    }
  }
  std::wstring type = app::ListTypeName(row.record.Type);
  if (type.rfind(L"FAT32", 0) == 0) return L"FAT32";
  if (type.rfind(L"FAT", 0) == 0) return L"FAT";
  return type;
}

}  // namespace

void RegionList::Fill(ui::Window& w, int listId, bool guarded) {
  listId_ = listId;
  rows_ = app::BuildDiskListRows();
  refusals_.assign(rows_.size(), L"");
  for (size_t i = 0; i < rows_.size(); ++i) {
    const app::DiskListRow& r = rows_[i];
    // A table entry that reaches past the disk's end names sectors the disk
    // does not have: nothing there can be scanned, overwritten or viewed.
    const disk::DiskEntry* d = r.isDisk ? nullptr : disk::DiskAt(r.diskIndex);
    if (d && (r.record.StartLba >= d->SizeSectors || r.record.LengthSectors > d->SizeSectors - r.record.StartLba))
      refusals_[i] = app::T(L"IDS_PartitionOutsideDisk");
    else if (guarded)
      refusals_[i] = r.isDisk ? duplicate::DiskWriteRefusal(r.driveNumber)
                              : duplicate::WriteRefusal(r.driveNumber, r.record.StartLba, r.record.LengthSectors);
  }
  app::FillDiskList(w, listId, rows_, true);
}

void RegionList::SetChecks(ui::Window& w, int row, bool checked) {
  w.ListSetCheck(listId_, row, checked);
  if (!rows_[size_t(row)].isDisk) return;
  for (size_t i = size_t(row) + 1; i < rows_.size() && !rows_[i].isDisk; ++i) w.ListSetCheck(listId_, int(i), checked);
}

void RegionList::OnCheck(ui::Window& w, int row, bool checked) {
  if (row < 0 || row >= int(rows_.size())) return;
  if (!refusals_[size_t(row)].empty()) {
    w.ListSetCheck(listId_, row, false);
    if (checked) w.MessageBox(refusals_[size_t(row)], win::MB_OK | win::MB_ICONEXCLAMATION);
    return;
  }
  if (checked)
    for (int i = 0; i < int(rows_.size()); ++i) w.ListSetCheck(listId_, i, false);
  SetChecks(w, row, checked);
}

bool RegionList::Check(ui::Window& w, int row) {
  if (row < 0 || row >= int(rows_.size()) || !refusals_[size_t(row)].empty()) return false;
  OnCheck(w, row, true);
  return true;
}

int RegionList::FirstChecked(ui::Window& w) const {
  for (int i = 0; i < int(rows_.size()); ++i)
    if (w.ListGetCheck(listId_, i)) return i;
  return -1;
}

void RegionList::Take(int row) const {
  const app::DiskListRow& r = rows_[size_t(row)];
  Region& s = SelectedRegion;
  s = Region{};
  s.DriveNumber = uint32_t(r.driveNumber);
  if (r.isDisk) {
    const disk::DiskEntry* d = disk::DiskAt(r.diskIndex);
    s.RegionKind = kWholeDisk;
    s.DiskName = d ? d->Model.substr(0, 31) : r.cells[1];
    s.StartLba = 0;
    s.LengthSectors = d ? d->SizeSectors : 0;
  } else {
    s.RegionKind = kPartition;
    s.DriveLetter = r.letter >= 0 ? wchar_t(r.letter) : L' ';
    s.FileSystemName = FileSystemNameOf(r);
    s.StartLba = r.record.StartLba;
    s.LengthSectors = r.record.LengthSectors;
  }
  s.CursorLba = s.StartLba;
}

void RegionListPage::OnListCheck(ui::Window& w, int listId, int row, bool checked) {
  if (listId != IDC_LIST) return;
  list_.OnCheck(w, row, checked);
  ChecksChanged(w, list_.FirstChecked(w));
}

bool RegionListPage::TakeChecked(ui::Window& w) {
  int row = list_.FirstChecked(w);
  if (row < 0) {
    w.MessageBox(app::T(L"IDS_Nodisk"), win::MB_OK);
    return false;
  }
  list_.Take(row);
  return true;
}

int RegionRowOf(const std::vector<app::DiskListRow>& rows, int driveNumber, int partition) {
  for (int i = 0; i < int(rows.size()); ++i) {
    const app::DiskListRow& r = rows[size_t(i)];
    if (r.driveNumber != driveNumber) continue;
    if (partition == 0 && r.isDisk) return i;
    if (partition > 0 && !r.isDisk && r.partitionNumber == partition - 1) return i;
  }
  return -1;
}

}  // namespace erase
