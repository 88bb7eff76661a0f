#include "partition/table_checks.h"

#include <utility>
#include <vector>

#include "app/language.h"
#include "disk/gpt_table.h"
#include "disk/partition_table.h"
#include "disk/partition_types.h"
#include "partition/layout_edit.h"
#include "partition/layout_slots.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace partition {

using app::T;

namespace {

using app::FillField;

std::wstring FaultText(gpt::Fault f) {
  switch (f) {
    case gpt::Fault::None: return L"";
    case gpt::Fault::Unreadable: return T(L"IDS_GptFaultUnreadable");
    case gpt::Fault::Signature: return T(L"IDS_GptFaultSignature");
    case gpt::Fault::HeaderSize: return T(L"IDS_GptFaultHeaderSize");
    case gpt::Fault::HeaderCrc: return T(L"IDS_GptFaultHeaderCrc");
    case gpt::Fault::MyLba: return T(L"IDS_GptFaultMyLba");
    case gpt::Fault::EntrySize: return T(L"IDS_GptFaultEntrySize");
    case gpt::Fault::UsableArea: return T(L"IDS_GptFaultUsableArea");
    case gpt::Fault::ArraySize: return T(L"IDS_GptFaultArraySize");
    case gpt::Fault::ArrayPlacement: return T(L"IDS_GptFaultArrayPlacement");
    case gpt::Fault::ArrayCrc: return T(L"IDS_GptFaultArrayCrc");
  }
  return L"";
}

std::wstring GptReason(const disk::GptState& st) {
  using gpt::Fault;
  if (!st.protective) return T(L"IDS_GptNotProtected");
  if (st.primary != Fault::None && st.backup != Fault::None)
    return FillField(FillField(T(L"IDS_GptBothDamaged"), L"%FAULT%", FaultText(st.primary)), L"%FAULT2%",
                   FaultText(st.backup));
  if (st.primary != Fault::None) return FillField(T(L"IDS_GptPrimaryDamaged"), L"%FAULT%", FaultText(st.primary));
  if (st.backup != Fault::None) return FillField(T(L"IDS_GptBackupDamaged"), L"%FAULT%", FaultText(st.backup));
  if (st.copiesDiffer) return T(L"IDS_GptCopiesDiffer");
  return FillField(T(L"IDS_GptBadEntry"), L"%START%", text::Dec(st.badEntryStart));
}

// The partitions of the loaded layout (not its extended partition, not
// the links), as (start, length).
std::vector<std::pair<uint64_t, uint64_t>> LayoutPartitions() {
  std::vector<std::pair<uint64_t, uint64_t>> out;
  int ext = ExtendedSlot();
  for (int i = 0; i < kLayoutSlots; ++i) {
    const LayoutSlot& s = LayoutSlotTable[i];
    if (!s.IsEmpty() && i != ext && (i < 4 || s.logical != -1)) out.push_back({s.StartSector(), s.LengthSectors()});
  }
  return out;
}

// The records the layout leaves out. Each partition of the layout stands
// for one record of its start and length; a volume on the whole disk is
// as long as the disk to the driver, whatever its boot sector says.
std::vector<disk::PartitionRecord> Missing(const std::vector<disk::PartitionRecord>& records, uint64_t diskSectors) {
  std::vector<std::pair<uint64_t, uint64_t>> parts = LayoutPartitions();
  std::vector<bool> taken(parts.size(), false);
  std::vector<const disk::PartitionRecord*> unmatched;
  for (const disk::PartitionRecord& r : records) {
    if (r.Type == disk::kTypeInUse || (r.Type == disk::kTypeEmptyExtended && r.Slot == 4)) continue;
    size_t k = 0;
    while (k < parts.size() && (taken[k] || parts[k] != std::make_pair(r.StartLba, r.LengthSectors))) ++k;
    if (k < parts.size()) taken[k] = true;
    else unmatched.push_back(&r);
  }
  std::vector<disk::PartitionRecord> out;
  for (const disk::PartitionRecord* r : unmatched) {
    size_t k = 0;
    while (k < parts.size() && (taken[k] || r->StartLba != 0 || parts[k] != std::make_pair(uint64_t(0), diskSectors)))
      ++k;
    if (k < parts.size()) taken[k] = true;
    else out.push_back(*r);
  }
  return out;
}

std::wstring NotKept(const disk::PartitionRecord& r) {
  return FillField(FillField(T(L"IDS_EntryNotKept"), L"%START%", text::Dec(r.StartLba)), L"%LENGTH%",
                 text::Dec(r.LengthSectors));
}

std::wstring GptRefusal(const disk::GptState& st) {
  if (st.present && !st.FullyValid()) return FillField(T(L"IDS_GptNotIntact"), L"%REASON%", GptReason(st));
  return L"";
}

}  // namespace

std::wstring GptRefusal(int driveNumber) { return GptRefusal(disk::InspectGpt(driveNumber)); }

std::wstring TableChangeRefusal(int driveNumber, std::optional<uint64_t> deleting) {
  disk::GptState st = disk::InspectGpt(driveNumber);
  if (std::wstring gpt = GptRefusal(st); !gpt.empty()) return gpt;
  if (LoadedLayoutHeader.style != win::PARTITION_STYLE_MBR) return L"";
  std::vector<disk::PartitionRecord> records;
  if (disk::ReadPartitionList(&records, driveNumber) < 0) return T(L"IDS_LayoutUnreadable");
  for (const disk::PartitionRecord& r : records)
    if (r.Type == disk::kTypeInUse) return T(r.Slot < 4 ? L"IDS_SeveralExtended" : L"IDS_ChainNotFollowed");
  int e = ExtendedSlot();
  if (disk::ExtendedStart != disk::kNoExtended && (e < 0 || LayoutSlotTable[e].StartSector() != disk::ExtendedStart))
    return NotKept({disk::ExtendedStart, 0x0F, disk::ExtendedLength, 0, 0});
  // A deletion of the entry the layout leaves out drops it, and only it.
  std::vector<disk::PartitionRecord> missing = Missing(records, st.diskSectors);
  if (missing.size() == 1 && deleting && missing[0].StartLba == *deleting && FindSlotAt(*deleting) < 0) return L"";
  return missing.empty() ? L"" : NotKept(missing[0]);
}

bool OnlyOnDisk(int driveNumber, uint64_t startSector) {
  if (LoadedLayoutHeader.style != win::PARTITION_STYLE_MBR) return false;
  std::vector<disk::PartitionRecord> records;
  if (disk::ReadPartitionList(&records, driveNumber) < 0) return false;
  for (const disk::PartitionRecord& r : Missing(records, disk::InspectGpt(driveNumber).diskSectors))
    if (r.StartLba == startSector) return true;
  return false;
}

}  // namespace partition
