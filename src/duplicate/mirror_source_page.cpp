#include "duplicate/mirror_source_page.h"

#include <cstring>
#include <vector>

#include "app/language.h"
#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "disk/volume_map.h"
#include "duplicate/destination_guard.h"
#include "duplicate/duplicate_ids.h"
#include "duplicate/duplication_job.h"
#include "duplicate/page_maps.h"
#include "duplicate/windows_checks.h"
#include "erase/page_texts.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace duplicate {

using app::T;

namespace {

// The raw MBR/EBR entry of a partition: its own type byte and boot flag,
// read from the table sector that holds it. Nothing for a GPT partition or
// a table that does not read back as one.
struct RawEntry {
  bool found = false;
  uint8_t type = 0;
  bool active = false;
};

RawEntry ReadRawEntry(int driveNumber, const disk::PartitionRecord& rec, bool gpt) {
  RawEntry e;
  if (gpt || rec.Slot < 0 || rec.Slot > 3) return e;
  uint8_t sector[512] = {};
  if (disk::OpenDiskReadOnly(driveNumber) == platform::kNullHandle) return e;
  bool read = disk::ReadCurrentDisk(sector, rec.TableLba, 1) == 0;
  disk::CloseCurrentDisk();
  if (!read || sector[510] != 0x55 || sector[511] != 0xAA) return e;
  const uint8_t* entry = sector + 446 + 16 * rec.Slot;
  if (entry[4] == 0) return e;
  e.found = true;
  e.type = entry[4];
  // Only the MBR's own entries start the computer.
  e.active = rec.TableLba == 0 && entry[0] == 0x80;
  return e;
}

bool ReadableVolume(const app::DiskListRow& r) {
  return r.letter > 0 && disk::FileSystemTypeOfLetter(wchar_t(r.letter)) != 0;
}

bool FolderExists(const std::wstring& path) {
  std::vector<platform::FindData> found;
  return platform::Sys().FindFiles(path, &found) && !found.empty();
}

}  // namespace

int CMirrorSource::TemplateId() const { return IDD_MIRROR_SOURCE; }

void CMirrorSource::OnInit(ui::Window& w) {
  erase::SetHeadings(w, L"IDS_MSrcCap", L"IDS_MSrcH1", L"IDS_MSrcH2");
  erase::SetTexts(w, {{IDC_INSTRUCTION, L"IDS_MSrc1"}, {IDC_MS_SPECIAL, L"IDS_MSrc2"},
                      {IDC_MS_MODE_GROUP, L"IDS_MSelect1"}, {IDC_MS_BASIC, L"IDS_MSelectRadioDSBS"},
                      {IDC_MS_BASIC_TEXT, L"IDS_MSelectLblDSBS"}, {IDC_MS_SECTOR, L"IDS_MSelectRadioSBS"},
                      {IDC_MS_SECTOR_TEXT, L"IDS_MSelectLblSBS"}, {IDC_RUN_EXPLORER, L"IDS_RunExplorer"},
                      {IDC_BACK, L"IDS_Back"}, {IDC_NEXT, L"IDS_Next"}, {win::IDCANCEL, L"IDS_Cancel"}});
  ShowMapLegend(w);
  rows_ = app::BuildDiskListRows();
  app::FillDiskList(w, IDC_LIST, rows_, true);
  pair_ = false;
  pairCount_ = 0;
  w.Enable(IDC_BACK, false);  // the first page
  SetMode(w, DuplicationJob.CopyMode == CopyKind::Basic);
  // Back from the destination page: the source chosen before is checked again.
  const DuplicationJobRecord& j = DuplicationJob;
  for (int i = 0; i < int(rows_.size()); ++i) {
    const app::DiskListRow& r = rows_[size_t(i)];
    if (r.diskIndex != j.SourceDisk) continue;
    bool wanted = (j.SourceIsPartition || j.Windows7Pair) ? !r.isDisk && r.record.StartLba == j.SourceStart &&
                                                               r.record.LengthSectors == j.SourceLength
                                                         : r.isDisk;
    if (!wanted) continue;
    OnListCheck(w, IDC_LIST, i, true);
    w.ListSelect(IDC_LIST, i);
    break;
  }
  ShowDiskMap(w, IDC_MAP, j.SourceDisk >= 1 ? j.SourceDisk : (rows_.empty() ? -1 : rows_[0].diskIndex));
  SetMode(w, j.CopyMode == CopyKind::Basic && w.IsEnabled(IDC_MS_BASIC));
  w.SetFocus(IDC_LIST);
}

void CMirrorSource::SetMode(ui::Window& w, bool basic) {
  w.SetCheck(IDC_MS_BASIC, basic);
  w.SetCheck(IDC_MS_SECTOR, !basic);
}

bool CMirrorSource::NeedsBootPartition(int row) const {
  const app::DiskListRow& r = rows_[size_t(row)];
  if (r.isDisk || r.letter < 0 || r.partitionNumber == 0) return false;  // nothing lies in front of it
  std::wstring root = std::wstring(1, wchar_t(r.letter)) + L":";
  return HasWindowsSystemFolder(root) && !FolderExists(root + L"\\BOOT") && !HasOlderWindows(root);
}

bool CMirrorSource::HasFileVolume(int row) const {
  // The checked rows: the disk's partitions, or the pair's.
  int from = rows_[size_t(row)].isDisk ? row + 1 : row;
  int to = pair_ ? from + pairCount_ : int(rows_.size());
  for (int i = from; i < to && i < int(rows_.size()) && !rows_[size_t(i)].isDisk; ++i)
    if (ReadableVolume(rows_[size_t(i)])) return true;
  return false;
}

void CMirrorSource::CheckPartition(ui::Window& w, int row) {
  const app::DiskListRow& r = rows_[size_t(row)];
  w.ListSetCheck(IDC_LIST, row, true);
  bool lettered = r.letter >= 0;
  // A partition without a volume has no files: only its sectors can be copied.
  w.Enable(IDC_MS_BASIC, lettered);
  SetMode(w, lettered);
  if (!lettered || pair_ || !NeedsBootPartition(row)) return;
  if (w.MessageBox(T(L"IDS_Win7SystemMigrate"), win::MB_YESNO | win::MB_ICONEXCLAMATION) != win::IDYES) return;
  pair_ = true;
  for (int i = row - 1; i >= 0 && !rows_[size_t(i)].isDisk; --i) w.ListSetCheck(IDC_LIST, i, true);
  pairCount_ = r.partitionNumber + 1;
}

void CMirrorSource::OnListCheck(ui::Window& w, int listId, int row, bool checked) {
  if (listId != IDC_LIST || changing_ || row < 0 || row >= int(rows_.size())) return;
  changing_ = true;
  for (int i = 0; i < int(rows_.size()); ++i) w.ListSetCheck(IDC_LIST, i, false);
  pair_ = false;
  pairCount_ = 0;
  w.Enable(IDC_MS_BASIC, true);
  if (checked) {
    const app::DiskListRow& r = rows_[size_t(row)];
    if (r.isDisk) {
      w.ListSetCheck(IDC_LIST, row, true);
      for (int i = row + 1; i < int(rows_.size()) && !rows_[size_t(i)].isDisk; ++i) w.ListSetCheck(IDC_LIST, i, true);
    } else {
      CheckPartition(w, row);
    }
    ShowDiskMap(w, IDC_MAP, r.diskIndex);
  }
  changing_ = false;
}

void CMirrorSource::OnListSelect(ui::Window& w, int listId, int row) {
  if (listId == IDC_LIST && row >= 0 && row < int(rows_.size())) ShowDiskMap(w, IDC_MAP, rows_[size_t(row)].diskIndex);
}

bool CMirrorSource::TakeSource(ui::Window& w) {
  bool basic = w.GetCheck(IDC_MS_BASIC) && w.IsEnabled(IDC_MS_BASIC);
  int row = -1;
  for (int i = 0; i < int(rows_.size()) && row < 0; ++i)
    if (w.ListGetCheck(IDC_LIST, i)) row = i;
  if (row < 0) {
    w.MessageBox(T(L"IDS_SelectSource"), win::MB_OK);
    return false;
  }
  const app::DiskListRow& first = rows_[size_t(row)];
  const disk::DiskEntry* d = disk::DiskAt(first.diskIndex);
  if (!d) return false;
  // A basic copy creates the source's partitions anew and copies the files
  // of their volumes: a disk (or Windows 7 pair) without one volume whose
  // files can be read has nothing to copy that way, whatever its size.
  if (basic && (first.isDisk || pair_) && !HasFileVolume(row)) {
    w.MessageBox(app::FillField(T(L"IDS_NoFileVolume"), L"%DISK%", DiskDescription(first.diskIndex)),
                 win::MB_OK | win::MB_ICONEXCLAMATION);
    return false;
  }

  std::vector<disk::PartitionRecord> records;
  disk::ReadPartitionList(&records, d->DriveNumber);
  bool gpt = disk::IsGptDisk;

  DuplicationJobRecord& j = DuplicationJob;
  j.CopyMode = basic ? CopyKind::Basic : CopyKind::SectorBySector;
  j.ExpansionMode = Expansion::NotChosen;
  j.DestinationDisk = -1;
  j.DestinationIsPartition = false;
  j.DestinationStart = j.DestinationLength = j.DestinationPlannedLength = 0;
  j.DestinationTableLba = 0;
  j.DestinationSlot = -1;
  j.DestinationLetter = 0;
  j.DestinationDescription.clear();
  j.SourceDisk = first.diskIndex;
  j.SourceIsGpt = gpt;
  j.SourceActive = false;
  j.SourceTypeByte = 0;
  j.SourceLetter = 0;
  j.SourceRow = -1;
  j.Windows7Pair = false;
  j.PairCount = 0;

  if (first.isDisk || pair_) {
    j.SourceIsPartition = false;
    j.SourceStart = 0;
    j.SourceLength = d->SizeSectors;
    j.SourceDescription = DiskDescription(first.diskIndex);
    if (pair_) {
      // The partitions from the first up to the Windows partition, copied
      // as a disk of that many entries; sector by sector, the range up to
      // the end of the Windows partition.
      int last = row + pairCount_ - 1;
      const app::DiskListRow& windows = rows_[size_t(last)];
      j.Windows7Pair = true;
      j.PairCount = pairCount_;
      if (!basic) j.SourceLength = windows.record.StartLba + windows.record.LengthSectors;
      j.SourceDescription += L" (" + T(L"IDS_Partition") + L" 1-" + text::Dec(pairCount_) + L")";
    }
    return true;
  }

  const disk::PartitionRecord& rec = first.record;
  j.SourceIsPartition = true;
  j.SourceStart = rec.StartLba;
  j.SourceLength = rec.LengthSectors;
  j.SourceLetter = first.letter >= 0 ? wchar_t(first.letter) : 0;
  RawEntry raw = ReadRawEntry(d->DriveNumber, rec, gpt);
  j.SourceTypeByte = raw.type;
  j.SourceActive = raw.active;
  std::vector<disk::PartitionEntry> entries;
  disk::BuildPartitionEntries(first.diskIndex - 1, &entries, true);
  for (int i = 0; i < int(entries.size()); ++i)
    if (entries[size_t(i)].RecordIndex >= 0 && entries[size_t(i)].StartLba == rec.StartLba) j.SourceRow = i;
  j.SourceDescription = PartitionDescription(first.diskIndex, j.SourceLetter, rec.StartLba, rec.LengthSectors);
  return true;
}

void CMirrorSource::OnCommand(ui::Window& w, int id) {
  switch (id) {
    case IDC_MS_BASIC:
    case IDC_MS_SECTOR:
      SetMode(w, id == IDC_MS_BASIC);
      break;
    case IDC_NEXT:
      if (TakeSource(w)) w.Close(IDC_NEXT);
      break;
    case IDC_RUN_EXPLORER:
      w.OpenFileDialog(L"All files (*.*)|*.*|", L"", L"c:\\*.*", false);
      break;
    default:
      break;
  }
}

}  // namespace duplicate
