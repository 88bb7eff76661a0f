#include "duplicate/quick_duplicate.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "app/language.h"
#include "app/wizards.h"
#include "disk/disk_table.h"
#include "disk/partition_table.h"
#include "disk/volume_map.h"
#include "duplicate/clone_page.h"
#include "duplicate/clone_summary_page.h"
#include "duplicate/destination_guard.h"
#include "duplicate/duplication_job.h"
#include "duplicate/layout_plan.h"
#include "duplicate/plan_picture.h"
#include "duplicate/plan_placement.h"
#include "duplicate/system_disk.h"
#include "erase/page_chain.h"
#include "partition/layout_slots.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace duplicate {

using partition::LayoutSlot;
using partition::LayoutSlotTable;

QuickOutcome LastQuickOutcome = QuickOutcome::NotRun;

namespace {

// A lender keeps its used data with a quarter to spare and never less than
// the planner keeps of a shrunk partition (64 MiB, or its own length).
constexpr uint64_t kSmallestShrunk = 131072;

LayoutSlot& Slot(int i) { return LayoutSlotTable[i]; }

bool IsContainer(const LayoutSlot& s) {
  return s.style == 0 && (s.type == partition::kTypeExtended || s.type == partition::kTypeLink);
}

void Show(const wchar_t* key, unsigned flags = win::MB_OK) { ui::MessageBox(app::T(key), flags); }

QuickOutcome Stop(QuickOutcome outcome, const wchar_t* key) {
  Show(key, win::MB_OK | win::MB_ICONEXCLAMATION);
  return outcome;
}

bool OldWindows() {
  // Windows before Vista has no 1 MiB alignment and no basic copy here.
  return platform::Sys().GetVersion().major + 1 < 7;
}

QuickOutcome Prepare() {
  DetectSystemAndBlankDisks();
  if (SystemDisk == -1 || BlankDisk == -1) {
    MarkerMode = false;
    // OK: the operator chooses both disks in the wizard (basic by default).
    if (ui::MessageBox(app::T(L"IDS_MessageblankDisk"), win::MB_OKCANCEL | win::MB_ICONINFORMATION) == win::IDOK)
      app::OpenDuplicationWizard();
    return QuickOutcome::NoDisks;
  }
  const int source = SystemDisk, destination = BlankDisk;
  const disk::DiskEntry* d = disk::DiskAt(destination);
  if (!d || d->SizeSectors < NeededSectors(source)) return Stop(QuickOutcome::TooSmall, L"IDS_DestinationTooSmall");

  ResetDuplicationJob();
  ResetPlanState();
  DuplicationJobRecord& j = DuplicationJob;
  const bool sector = OldWindows();
  j.CopyMode = sector ? CopyKind::SectorBySector : CopyKind::Basic;
  j.ExpansionMode = sector ? Expansion::Same : Expansion::Auto;
  j.BadSectorScan = j.Verify = false;

  disk::RefreshDiskModel();
  const disk::DiskEntry* s = disk::DiskAt(source);
  d = disk::DiskAt(destination);
  if (!s || !d || s->SizeSectors == 0 || d->SizeSectors == 0) return Stop(QuickOutcome::Refused, L"IDS_LayoutUnreadable");
  if (sector ? d->SizeSectors < s->SizeSectors : d->SizeSectors < NeededSectors(source))
    return Stop(QuickOutcome::TooSmall, L"IDS_DestinationTooSmall");

  j.SourceDisk = source;
  j.SourceIsPartition = false;
  j.SourceStart = 0;
  j.SourceLength = s->SizeSectors;
  j.SourceDescription = DiskDescription(source);
  j.DestinationDisk = destination;
  j.DestinationIsPartition = false;
  j.DestinationStart = 0;
  j.DestinationLength = j.DestinationPlannedLength = d->SizeSectors;
  j.DestinationDescription = DiskDescription(destination);
  // The same guard as the wizard's destination page: never the running
  // Windows' disk, never the source.
  DestinationRefusal refusal = RefuseDestination(destination, false, 0, d->SizeSectors);
  if (refusal != DestinationRefusal::None) {
    ui::MessageBox(RefusalText(refusal, destination), win::MB_OK | win::MB_ICONEXCLAMATION);
    return QuickOutcome::Refused;
  }
  if (sector) return QuickOutcome::Opened;

  PlanStatus plan = PlanDiskDuplication(source, destination, Expansion::Auto);
  if (plan != PlanStatus::Ok) {
    ShowPlanRefusal(plan);
    return plan == PlanStatus::TooSmall ? QuickOutcome::TooSmall : QuickOutcome::Refused;
  }
  bool borrowed = false;
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i) {
    const LayoutSlot& sl = Slot(i);
    if (sl.IsEmpty() || sl.sourceLetter <= 0) continue;
    uint64_t planned = sl.destinationLengthBytes / 512, needed = UsedWithReserve(i);
    if (planned >= needed) continue;
    if (!BorrowSpace(i, needed - planned)) return Stop(QuickOutcome::TooSmall, L"IDS_DestinationTooSmall");
    borrowed = true;
  }
  if (borrowed) {
    plan = CheckPlan(d->SizeSectors);
    if (plan != PlanStatus::Ok) {
      ShowPlanRefusal(plan);
      return QuickOutcome::Refused;
    }
    BuildPlannedPicture();
  }
  return QuickOutcome::Opened;
}

}  // namespace

uint64_t NeededSectors(int diskIndex) {
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  if (!d || d->DriveNumber < 0) return 0;
  std::vector<disk::PartitionRecord> records;
  int n = disk::ReadPartitionList(&records, d->DriveNumber);
  uint64_t total = 0;
  for (int i = 0; i < n; ++i) {
    int letter = disk::DriveLetterOf(records[size_t(i)].StartLba, d->DriveNumber);
    if (letter <= 0) continue;
    uint64_t used = disk::UsedSectorsOfLetter(wchar_t(letter));
    total += used + used / 4;
  }
  return total;
}

bool BorrowSpace(int slot, uint64_t shortSectors) {
  if (slot < 0 || slot >= PlanSlotCount || slot >= partition::kLayoutSlots) return false;
  const LayoutSlot& grown = Slot(slot);
  if (grown.IsEmpty() || grown.logical != 0 || IsContainer(grown)) return false;
  const uint64_t unit = std::max<uint64_t>(1, AlignmentUnit);
  const uint64_t wanted = RoundUp(shortSectors, unit);
  if (wanted == 0) return true;

  // The partitions behind the grown one, in disk order.
  std::vector<int> behind;
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i) {
    const LayoutSlot& s = Slot(i);
    if (i == slot || s.IsEmpty() || s.logical == -1) continue;
    if (s.destinationStartBytes > grown.destinationStartBytes) behind.push_back(i);
  }
  std::stable_sort(behind.begin(), behind.end(),
                   [](int a, int b) { return Slot(a).destinationStartBytes < Slot(b).destinationStartBytes; });

  // First what each lender gives, so that a borrowing that cannot be
  // completed leaves the plan as it was.
  std::vector<uint64_t> lent(behind.size(), 0);
  uint64_t needed = wanted;
  size_t last = 0;
  for (size_t k = 0; k < behind.size() && needed > 0; ++k) {
    const LayoutSlot& s = Slot(behind[k]);
    // Moving an extended partition would move its logical drives and chain.
    if (s.logical != 0 || IsContainer(s)) return false;
    last = k;
    if (s.sourceLetter <= 0 || IsSectorCopiedSlot(behind[k])) continue;
    uint64_t planned = s.destinationLengthBytes / 512;
    uint64_t keep = RoundUp(std::max(UsedWithReserve(behind[k]), std::min(s.LengthSectors(), kSmallestShrunk)), unit);
    uint64_t spare = planned > keep ? RoundDown(planned - keep, unit) : 0;
    lent[k] = std::min(spare, needed);
    needed -= lent[k];
  }
  if (needed > 0) return false;

  Slot(slot).destinationLengthBytes += wanted * 512;
  uint64_t shift = wanted;
  for (size_t k = 0; k <= last; ++k) {
    LayoutSlot& s = Slot(behind[k]);
    s.destinationStartBytes += shift * 512;
    s.destinationLengthBytes -= lent[k] * 512;
    shift -= lent[k];
  }
  return true;
}

void RunQuickDuplicate(bool fromCommandLine) {
  // The unattended start copies onto the disk its operator marked.
  if (fromCommandLine) MarkerMode = true;
  LastQuickOutcome = Prepare();
  if (LastQuickOutcome == QuickOutcome::Opened) {
    erase::RunPageChain({[] {
                           auto page = std::make_unique<CClone>();
                           page->backDisabled = true;
                           return std::unique_ptr<ui::Page>(std::move(page));
                         },
                         erase::MakePage<CCloneSummary>()});
  }
  if (fromCommandLine) MarkerMode = false;
}

}  // namespace duplicate

namespace app {

void RunQuickDuplicate(bool fromCommandLine) { duplicate::RunQuickDuplicate(fromCommandLine); }
void QuickDuplicateDiskCheck() { duplicate::DetectSystemAndBlankDisks(); }

}  // namespace app
