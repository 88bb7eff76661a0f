#include "app/disk_list.h"

#include "app/format_size.h"
#include "app/language.h"
#include "disk/disk_table.h"
#include "disk/partition_types.h"
#include "disk/volume_map.h"
#include "platform/text.h"

namespace app {

namespace {

std::wstring WithoutBlanks(const std::wstring& s) {
  std::wstring out;
  for (wchar_t c : s)
    if (c != L' ') out.push_back(c);
  return out;
}

// The letter of a record: the first volume that starts there on this disk.
int LetterOf(const disk::PartitionRecord& rec, int driveNumber) {
  for (int k = 1; k <= disk::VolumeCount; ++k) {
    const disk::VolumeRecord& v = disk::VolumeTable[k];
    if (v.StartLba != rec.StartLba || v.Letter < L'C' || v.Letter > L'Z') continue;
    if (disk::LetterDiskMap[v.Letter - L'B'].DiskNumberPlusOne == driveNumber + 1) return int(v.Letter);
  }
  return -1;
}

}  // namespace

std::wstring DiskNumberWithModel(const disk::DiskEntry& d) {
  return text::Dec(int64_t(d.DriveNumber)) + L" (" + d.Model + L", " + FormatSize(d.SizeSectors) + L")";
}

std::wstring DiskDescription(const disk::DiskEntry& d) { return T(L"IDS_Disk") + L" " + DiskNumberWithModel(d); }

std::wstring DiskDescriptionOf(int driveNumber) {
  if (const disk::DiskEntry* d = disk::DiskByNumber(driveNumber)) return DiskDescription(*d);
  return T(L"IDS_Disk") + L" " + text::Dec(int64_t(driveNumber));
}

std::vector<ui::ListColumn> DiskListColumns() {
  return {{T(L"IDS_LogList1"), 130, false},
          {T(L"IDS_ModelPartition"), 180, false},
          {T(L"IDS_totalsize1"), 80, true},
          {T(L"IDS_UsedSpace"), 80, true}};
}

std::wstring ListTypeName(int type) {
  if (type == disk::kTypeEmptyExtended) return L"Extended";
  return WithoutBlanks(disk::PartitionTypeName(type));
}

std::vector<DiskListRow> BuildDiskListRows() {
  disk::RefreshDiskModel();
  std::vector<DiskListRow> rows;
  for (int k = 1; k <= disk::DiskCount && k <= disk::kMaxDisks; ++k) {
    const disk::DiskEntry& d = disk::DiskTable[k];
    if (d.DriveNumber == -1 || d.Model.empty()) continue;
    DiskListRow diskRow;
    diskRow.diskIndex = k;
    diskRow.driveNumber = d.DriveNumber;
    diskRow.cells[0] = T(L"IDS_Drive") + text::Dec(int64_t(d.DriveNumber));
    diskRow.cells[1] = d.Model;
    diskRow.cells[2] = FormatSize(d.SizeSectors);
    size_t diskAt = rows.size();
    rows.push_back(diskRow);
    if (d.SizeSectors == 0) continue;
    std::vector<disk::PartitionRecord> records;
    if (disk::ReadPartitionList(&records, d.DriveNumber) < 0) records.clear();
    uint64_t used = 0;
    int position = 0;
    for (const disk::PartitionRecord& rec : records) {
      DiskListRow row;
      row.isDisk = false;
      row.diskIndex = k;
      row.driveNumber = d.DriveNumber;
      row.record = rec;
      row.partitionNumber = position++;
      row.letter = LetterOf(rec, d.DriveNumber);
      row.cells[0] = L"  " + T(L"IDS_Partition");
      row.cells[2] = FormatSize(rec.LengthSectors);
      if (row.letter >= 0) {
        row.cells[1] = disk::PartitionTypeName(rec.Type) + L"  (" + wchar_t(row.letter) + L":)";
        uint64_t u = disk::UsedSectorsOfLetter(wchar_t(row.letter));
        used += u;
        row.cells[3] = FormatSize(u);
      } else {
        // Without a letter the duplication can copy it only sector by sector.
        std::wstring type = ListTypeName(rec.Type);
        row.cells[1] = T(L"IDS_SpecialPertition") + (type.empty() ? L"" : L" (" + type + L")");
      }
      rows.push_back(row);
    }
    rows[diskAt].cells[3] = FormatSize(used);
  }
  return rows;
}

void FillDiskList(ui::Window& w, int listId, const std::vector<DiskListRow>& rows, bool checkBoxes) {
  w.ListSetup(listId, DiskListColumns(), checkBoxes, false);
  w.ListClear(listId);
  for (const DiskListRow& r : rows) w.ListAdd(listId, {r.cells[0], r.cells[1], r.cells[2], r.cells[3]}, r.isDisk ? 0 : 1);
}

}  // namespace app
