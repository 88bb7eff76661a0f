#include "partition/table_checks.h"

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

std::wstring Replace(std::wstring text, const std::wstring& field, const std::wstring& value) {
  size_t at = text.find(field);
  if (at != std::wstring::npos) text.replace(at, field.size(), value);
  return text;
}

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
    return Replace(Replace(T(L"IDS_GptBothDamaged"), L"%FAULT%", FaultText(st.primary)), L"%FAULT2%",
                   FaultText(st.backup));
  if (st.primary != Fault::None) return Replace(T(L"IDS_GptPrimaryDamaged"), L"%FAULT%", FaultText(st.primary));
  if (st.backup != Fault::None) return Replace(T(L"IDS_GptBackupDamaged"), L"%FAULT%", FaultText(st.backup));
  if (st.copiesDiffer) return T(L"IDS_GptCopiesDiffer");
  return Replace(T(L"IDS_GptBadEntry"), L"%START%", text::Dec(st.badEntryStart));
}

bool InLayout(uint64_t startSector) {
  int e = ExtendedSlot();
  return FindSlotAt(startSector) >= 0 || (e >= 0 && LayoutSlotTable[e].StartSector() == startSector);
}

}  // namespace

std::wstring GptRefusal(int driveNumber) {
  disk::GptState st = disk::InspectGpt(driveNumber);
  if (st.present && !st.FullyValid()) return Replace(T(L"IDS_GptNotIntact"), L"%REASON%", GptReason(st));
  return L"";
}

std::wstring TableChangeRefusal(int driveNumber, std::optional<uint64_t> deleting) {
  if (std::wstring gpt = GptRefusal(driveNumber); !gpt.empty()) return gpt;
  if (LoadedLayoutHeader.style != win::PARTITION_STYLE_MBR) return L"";
  std::vector<disk::PartitionRecord> records;
  if (disk::ReadPartitionList(&records, driveNumber) < 0) return T(L"IDS_LayoutUnreadable");
  if (disk::ExtendedStart != disk::kNoExtended && !InLayout(disk::ExtendedStart))
    return Replace(Replace(T(L"IDS_EntryNotKept"), L"%START%", text::Dec(disk::ExtendedStart)), L"%LENGTH%",
                   text::Dec(disk::ExtendedLength));
  for (const disk::PartitionRecord& r : records) {
    if (r.Type == disk::kTypeInUse) return T(r.Slot < 4 ? L"IDS_SeveralExtended" : L"IDS_ChainNotFollowed");
    if (r.Type == disk::kTypeEmptyExtended && r.Slot == 4) continue;
    if (InLayout(r.StartLba) || (deleting && *deleting == r.StartLba)) continue;
    return Replace(Replace(T(L"IDS_EntryNotKept"), L"%START%", text::Dec(r.StartLba)), L"%LENGTH%",
                   text::Dec(r.LengthSectors));
  }
  return L"";
}

bool OnlyOnDisk(int driveNumber, uint64_t startSector) {
  if (LoadedLayoutHeader.style != win::PARTITION_STYLE_MBR || InLayout(startSector)) return false;
  std::vector<disk::PartitionRecord> records;
  disk::ReadPartitionList(&records, driveNumber);
  for (const disk::PartitionRecord& r : records)
    if (r.StartLba == startSector && r.Type != disk::kTypeInUse && r.Type != disk::kTypeEmptyExtended) return true;
  return false;
}

}  // namespace partition
