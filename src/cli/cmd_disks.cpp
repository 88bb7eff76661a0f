// disks: the disk and partition list as the pages show it, and with --json
// the disk model behind it.
#include <algorithm>

#include "app/disk_list.h"
#include "app/disk_map.h"
#include "cli/context.h"
#include "cli/json.h"
#include "cli/model_json.h"
#include "disk/disk_table.h"
#include "disk/partition_table.h"
#include "disk/volume_map.h"
#include "platform/text.h"

namespace cli {

namespace {

void PrintTable(Context& c, const std::vector<app::DiskListRow>& rows) {
  std::vector<ui::ListColumn> cols = app::DiskListColumns();
  size_t width[4];
  for (int i = 0; i < 4; ++i) width[i] = cols[size_t(i)].title.size();
  for (auto& r : rows)
    for (int i = 0; i < 4; ++i) width[i] = std::max(width[i], r.cells[i].size());
  auto line = [&](const std::wstring* cells) {
    std::wstring out;
    for (int i = 0; i < 4; ++i) {
      std::wstring cell = cells[i];
      std::wstring pad(width[i] - cell.size(), L' ');
      out += cols[size_t(i)].rightAligned ? pad + cell : cell + pad;
      if (i < 3) out += L"  ";
    }
    while (!out.empty() && out.back() == L' ') out.pop_back();
    c.Out(out);
  };
  std::wstring titles[4] = {cols[0].title, cols[1].title, cols[2].title, cols[3].title};
  line(titles);
  for (auto& r : rows) line(r.cells);
}

}  // namespace

int CmdDisks(Context& c, Args& a) {
  a.Done();
  std::vector<app::DiskListRow> rows = app::BuildDiskListRows();
  if (!c.opt.json) {
    PrintTable(c, rows);
    return 0;
  }
  Json j;
  j.BeginObject().Key("disks").BeginArray();
  for (int k = 1; k <= disk::DiskCount && k <= disk::kMaxDisks; ++k) {
    const disk::DiskEntry& d = disk::DiskTable[k];
    if (d.DriveNumber == -1) continue;
    std::vector<disk::PartitionEntry> entries;
    disk::BuildPartitionEntries(k - 1, &entries, true);
    // index: the number the pages and the options use (the Windows disk
    // number); the table's own index is not shown.
    j.BeginObject()
        .Field("index", int64_t(d.DriveNumber))
        .Field("DriveNumber", int64_t(d.DriveNumber))
        .Field("SizeSectors", d.SizeSectors)
        .Field("SectorsPerTrack", uint64_t(d.SectorsPerTrack))
        .Field("Model", d.Model)
        .Field("BusName", d.BusName)
        .Field("BusCode", uint64_t(disk::IdentifyRecords[d.DriveNumber].BusCode))
        .Field("IsGptDisk", disk::IsGptDisk)
        .Field("ExtendedStart",
               disk::ExtendedStart == disk::kNoExtended ? int64_t(-1) : int64_t(disk::ExtendedStart))
        .Field("ExtendedLength", disk::ExtendedLength)
        .Field("ReservedPartitionSlot", int64_t(disk::ReservedPartitionSlot));
    j.Key("records").BeginArray();
    for (const disk::PartitionRecord& r : disk::CachedRecords(k - 1))
      j.BeginObject()
          .Field("StartLba", r.StartLba)
          .Field("Type", int64_t(r.Type))
          .Field("LengthSectors", r.LengthSectors)
          .Field("TableLba", r.TableLba)
          .Field("Slot", int64_t(r.Slot))
          .EndObject();
    j.EndArray().Key("entries").BeginArray();
    std::vector<std::wstring> labels;
    for (size_t i = 0; i < entries.size(); ++i) {
      const disk::PartitionEntry& e = entries[i];
      EntryFields(j.BeginObject(), e).EndObject();
      labels.push_back(app::DiskMapLabel(entries, i, disk::IsGptDisk, disk::ReservedPartitionSlot));
    }
    j.EndArray().StrArray("labels", labels).Key("rows").BeginArray();
    for (const app::DiskListRow& r : rows) {
      if (r.driveNumber != d.DriveNumber) continue;
      j.BeginArray();
      for (const std::wstring& cell : r.cells) j.Str(cell);
      j.EndArray();
    }
    j.EndArray().EndObject();
  }
  j.EndArray().Key("volumes").BeginArray();
  for (int v = 1; v <= disk::VolumeCount; ++v) {
    const disk::VolumeRecord& r = disk::VolumeTable[v];
    wchar_t letter = wchar_t(r.Letter);
    std::wstring fs;
    int code = disk::FileSystemTypeOfLetter(letter);
    fs = code == disk::kFsNtfs ? L"NTFS" : code == disk::kFsFat32 ? L"FAT32" : code == disk::kFsFat ? L"FAT"
         : code == disk::kFsExFat ? L"exFAT" : L"";
    j.BeginObject()
        .Field("Letter", std::wstring(1, letter))
        .Field("PartitionNumber", uint64_t(r.PartitionNumber))
        .Field("StartLba", r.StartLba)
        .Field("LengthSectors", r.LengthSectors)
        .Field("FileSystem", fs)
        .Field("UsedSectors", disk::UsedSectorsOfLetter(letter))
        .EndObject();
  }
  j.EndArray().EndObject();
  c.Out(j.Text());
  return 0;
}

}  // namespace cli
