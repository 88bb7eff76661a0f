// The disk and partition list most first pages show: one row per disk with
// a model, followed by a row per partition, in four columns (name, model or
// partition type, size, used space).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/disk_table.h"
#include "disk/partition_table.h"
#include "ui/window.h"

namespace app {

struct DiskListRow {
  bool isDisk = true;
  int diskIndex = 0;     // 1-based index in the disk table
  int driveNumber = -1;
  disk::PartitionRecord record;  // partition rows
  int partitionNumber = 0;       // position of the partition among its disk's rows (0-based)
  int letter = -1;               // drive letter of a partition, -1 none
  std::wstring cells[4];
};

// A disk's Windows number with its model and size, "1 (Demo Disk, 16 GB)",
// and the same after the word for a disk, "Disk 1 (Demo Disk, 16 GB)": how a
// page or message names the disk it is about to write.
std::wstring DiskNumberWithModel(const disk::DiskEntry& d);
std::wstring DiskDescription(const disk::DiskEntry& d);
// By Windows disk number, from the disk table as it is; only the number when
// the table does not have the disk.
std::wstring DiskDescriptionOf(int driveNumber);

// A partition's type as the list names it, without blanks: "Linux", "EFI",
// "Extended" for an extended partition without logical drives; "" for a
// type without a name.
std::wstring ListTypeName(int type);

// Refreshes the disk model (disk count, disk table, volume maps) and
// builds the rows.
std::vector<DiskListRow> BuildDiskListRows();
// The four column titles and widths.
std::vector<ui::ListColumn> DiskListColumns();
// Fills a list control with the rows (columns set up, check boxes as asked).
void FillDiskList(ui::Window& w, int listId, const std::vector<DiskListRow>& rows, bool checkBoxes);

}  // namespace app
