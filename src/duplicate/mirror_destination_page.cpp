#include "duplicate/mirror_destination_page.h"

#include <algorithm>
#include <vector>

#include "app/format_size.h"
#include "app/language.h"
#include "disk/disk_table.h"
#include "disk/partition_table.h"
#include "disk/volume_map.h"
#include "duplicate/destination_guard.h"
#include "duplicate/duplicate_ids.h"
#include "duplicate/format_now.h"
#include "duplicate/layout_plan.h"
#include "duplicate/page_maps.h"
#include "duplicate/planned_rows.h"
#include "duplicate/system_disk.h"
#include "erase/page_texts.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace duplicate {

using app::T;

namespace {

constexpr int64_t kSliderUnit = 16;        // sectors per slider step

const wchar_t* ExplanationKey(Expansion mode) {
  switch (mode) {
    case Expansion::Same: return L"IDS_SameSize";
    case Expansion::Manual: return L"IDS_ManualExp";
    default: return L"IDS_AutoExp";
  }
}

}  // namespace

int CMirrorDestination::TemplateId() const { return IDD_MIRROR_DESTINATION; }

void CMirrorDestination::OnInit(ui::Window& w) {
  erase::SetHeadings(w, L"IDS_MDestCap", L"IDS_MDestHI", L"IDS_MDestH2");
  erase::SetTexts(w, {{IDC_INSTRUCTION, L"IDS_MDest1"}, {IDC_TEXT1, L"IDS_MDest2"},
                      {IDC_MD_SIZES_GROUP, L"IDS_MOptionH11"}, {IDC_MD_AUTO, L"IDS_RadioAuto"},
                      {IDC_MD_SAME, L"IDS_RadioSame"}, {IDC_MD_MANUAL, L"IDS_RadioManual"},
                      {IDC_MD_BEFORE_LABEL, L"IDS_BEFORE"}, {IDC_MD_AFTER_LABEL, L"IDS_AFTER"},
                      {IDC_MD_SELECTED_LABEL, L"IDS_SelectedDesti"}, {IDC_MD_APPLY, L"IDS_Apply"},
                      {IDC_MD_SIZE_LABEL, L"IDS_NewSize"}, {IDC_BACK, L"IDS_Back"}, {IDC_NEXT, L"IDS_Next"},
                      {win::IDCANCEL, L"IDS_Cancel"}});
  w.SetFont(IDC_TEXT1, ui::Font::Bold);
  ShowMapLegend(w);
  // Entered again: nothing is chosen, the sizes start from Auto.
  DuplicationJobRecord& j = DuplicationJob;
  j.DestinationDisk = -1;
  j.DestinationIsPartition = false;
  j.DestinationDescription.clear();
  ResetPlanState();
  chosenRow_ = -1;
  sizeTyped_ = manualRowChosen_ = false;
  // Sector by sector every partition keeps its place and size.
  bool basic = Basic();
  SetModeOnPage(w, basic ? Expansion::Auto : Expansion::Same);
  for (int id : {IDC_MD_AUTO, IDC_MD_SAME, IDC_MD_MANUAL}) w.Enable(id, basic);
  FillList(w);
  ShowPlan(w);
  w.SetFocus(IDC_LIST);
}

void CMirrorDestination::FillList(ui::Window& w) {
  DetectSystemAndBlankDisks();
  rows_ = app::BuildDiskListRows();
  w.ListSetup(IDC_LIST, app::DiskListColumns(), true, false);
  w.ListClear(IDC_LIST);
  // Rows that cannot receive the copy carry an icon of their own.
  for (const app::DiskListRow& r : rows_) {
    bool refused = RefuseDestination(r.diskIndex, !r.isDisk, r.record.StartLba, r.record.LengthSectors) !=
                   DestinationRefusal::None;
    w.ListAdd(IDC_LIST, {r.cells[0], r.cells[1], r.cells[2], r.cells[3]}, refused ? 2 : (r.isDisk ? 0 : 1));
  }
}

Expansion CMirrorDestination::ModeOnPage(ui::Window& w) const {
  if (w.GetCheck(IDC_MD_SAME)) return Expansion::Same;
  if (w.GetCheck(IDC_MD_MANUAL)) return Expansion::Manual;
  return Expansion::Auto;
}

void CMirrorDestination::SetModeOnPage(ui::Window& w, Expansion mode) {
  w.SetCheck(IDC_MD_AUTO, mode == Expansion::Auto);
  w.SetCheck(IDC_MD_SAME, mode == Expansion::Same);
  w.SetCheck(IDC_MD_MANUAL, mode == Expansion::Manual);
  w.SetText(IDC_MD_EXPLANATION, Basic() ? T(ExplanationKey(mode)) : L"");
  bool manual = mode == Expansion::Manual;
  for (int id : {IDC_MD_SIZE, IDC_MD_SLIDER, IDC_MD_APPLY, IDC_MD_SIZE_LABEL, IDC_MD_MINIMUM, IDC_MD_MAXIMUM})
    w.Enable(id, manual);
}

void CMirrorDestination::DropChoice(ui::Window& w) {
  DuplicationJobRecord& j = DuplicationJob;
  if (chosenRow_ >= 0) w.ListSetCheck(IDC_LIST, chosenRow_, false);
  chosenRow_ = -1;
  j.DestinationDisk = -1;
  j.DestinationIsPartition = false;
  j.DestinationDescription.clear();
  ResetPlanState();
  manualRowChosen_ = sizeTyped_ = false;
  ShowPlan(w);
}

bool CMirrorDestination::Plan(ui::Window& w, Expansion mode) {
  DuplicationJobRecord& j = DuplicationJob;
  manualRowChosen_ = sizeTyped_ = false;
  if (!Basic()) return true;  // nothing changes place or size
  PlanStatus status = j.DestinationIsPartition ? PlanPartitionDuplication(mode)
                                               : PlanDiskDuplication(j.SourceDisk, j.DestinationDisk, mode);
  if (status == PlanStatus::Ok) return true;
  ShowPlanRefusal(status);
  return false;
}

void CMirrorDestination::ShowPlan(ui::Window& w) {
  const DuplicationJobRecord& j = DuplicationJob;
  int dest = j.DestinationDisk;
  w.SetText(IDC_MD_SELECTED, dest < 1 ? L""
                             : j.DestinationIsPartition
                                 ? PartitionDescription(dest, j.DestinationLetter, j.DestinationStart, j.DestinationLength)
                                 : DiskDescription(dest));
  ShowDiskMap(w, IDC_MD_BEFORE_MAP, dest, kHalfMapWidth);
  bool gpt = false;
  std::vector<PlannedLine> lines = PlannedLines(&gpt);
  std::vector<disk::PartitionEntry> after;
  for (const PlannedLine& l : lines) after.push_back(l.entry);
  ShowRowsMap(w, IDC_MD_AFTER_MAP, after, gpt, kHalfMapWidth);
  w.LinesClear(IDC_MD_PLANNED);
  for (const PlannedLine& l : lines) w.LinesAdd(IDC_MD_PLANNED, l.text);
  w.SetText(IDC_MD_MINIMUM, L"");
  w.SetText(IDC_MD_MAXIMUM, L"");
}

void CMirrorDestination::ShowManualLimits(ui::Window& w, uint64_t current) {
  w.SetText(IDC_MD_MINIMUM, T(L"IDS_MINIMUM") + L" " + app::FormatSize(ManualMinimum));
  w.SetText(IDC_MD_MAXIMUM, T(L"IDS_MAXIMUM") + L" " + app::FormatSize(ManualMaximum));
  w.SetText(IDC_MD_SIZE, text::Dec(current / 2048));
  w.SetRange(IDC_MD_SLIDER, int64_t(ManualMinimum) / kSliderUnit, int64_t(ManualMaximum) / kSliderUnit);
  w.SetPos(IDC_MD_SLIDER, int64_t(current) / kSliderUnit);
  sizeTyped_ = false;
}

void CMirrorDestination::ModeChanged(ui::Window& w, Expansion mode) {
  DuplicationJobRecord& j = DuplicationJob;
  SetModeOnPage(w, mode);
  if (j.DestinationDisk < 1) return;
  if (!j.DestinationIsPartition && mode == Expansion::Manual && !j.SourceIsGpt) {
    const disk::DiskEntry* d = disk::DiskAt(j.DestinationDisk);
    // Only Auto lays an MBR source out as GPT, which a disk this large needs.
    if (d && d->SizeSectors / 2048 >= kGptFromMiB) {
      SetModeOnPage(w, Expansion::Auto);
      Plan(w, Expansion::Auto);
      ShowPlan(w);
      return;
    }
  }
  if (!Plan(w, mode)) {
    // Same on a smaller destination goes back to Auto; any other refusal
    // drops the destination.
    if (mode == Expansion::Same && Plan(w, Expansion::Auto)) SetModeOnPage(w, Expansion::Auto);
    else DropChoice(w);
  }
  ShowPlan(w);
  if (ModeOnPage(w) == Expansion::Manual && j.DestinationIsPartition) {
    manualRowChosen_ = true;
    ShowManualLimits(w, j.DestinationPlannedLength);
  }
}

void CMirrorDestination::Choose(ui::Window& w, int row) {
  DuplicationJobRecord& j = DuplicationJob;
  const app::DiskListRow& r = rows_[size_t(row)];
  const disk::DiskEntry* d = disk::DiskAt(r.diskIndex);
  auto say = [&](const std::wstring& text) {
    w.ListSetCheck(IDC_LIST, row, false);
    if (!text.empty()) w.MessageBox(text, win::MB_OK | win::MB_ICONEXCLAMATION);
  };
  auto refuse = [&](const wchar_t* key) { say(key && *key ? T(key) : L""); };
  if (!d) return refuse(nullptr);
  DestinationRefusal refusal = RefuseDestination(r.diskIndex, !r.isDisk, r.record.StartLba, r.record.LengthSectors);
  if (refusal != DestinationRefusal::None) return say(RefusalText(refusal, r.diskIndex));
  Expansion mode = ModeOnPage(w);

  if (r.isDisk) {
    // A partition goes into a partition: an empty disk may get one now.
    if (j.SourceIsPartition) {
      refuse(nullptr);
      // The prompt writes to this disk: the page names it meanwhile.
      w.SetText(IDC_MD_SELECTED, DiskDescription(r.diskIndex));
      if (OfferFormatNow(r.diskIndex)) FillList(w);
      ShowPlan(w);
      return;
    }
    if (Basic() && mode == Expansion::Manual && !j.SourceIsGpt && d->SizeSectors / 2048 >= kGptFromMiB)
      return refuse(nullptr);
  } else if (!j.SourceIsPartition) {
    // A whole disk laid into one partition would overwrite the disk's
    // other partitions with its layout.
    return refuse(L"IDS_DiskNeedsDisk");
  }

  chosenRow_ = row;
  j.DestinationDisk = r.diskIndex;
  j.DestinationIsPartition = !r.isDisk;
  j.DestinationStart = r.isDisk ? 0 : r.record.StartLba;
  j.DestinationLength = r.isDisk ? d->SizeSectors : r.record.LengthSectors;
  j.DestinationPlannedLength = j.DestinationLength;
  j.DestinationLetter = !r.isDisk && r.letter >= 0 ? wchar_t(r.letter) : 0;
  j.DestinationTableLba = r.isDisk ? 0 : r.record.TableLba;
  std::vector<disk::PartitionRecord> records;
  disk::ReadPartitionList(&records, d->DriveNumber);
  j.DestinationSlot = r.isDisk || disk::IsGptDisk ? -1 : r.record.Slot;
  j.DestinationDescription = r.isDisk ? DiskDescription(r.diskIndex)
                                      : PartitionDescription(r.diskIndex, j.DestinationLetter, j.DestinationStart,
                                                             j.DestinationLength);
  bool fits = true;
  if (j.DestinationIsPartition) {
    uint64_t used = j.SourceLetter ? disk::UsedSectorsOfLetter(j.SourceLetter) : 0;
    if (used > j.DestinationLength || (mode == Expansion::Same && j.SourceLength > j.DestinationLength)) fits = false;
    if (!fits) w.MessageBox(T(L"IDS_DestinationTooSmall"), win::MB_OK);
  }
  if (!fits || !Plan(w, mode)) {
    DropChoice(w);
    return;
  }
  ShowPlan(w);
  if (mode == Expansion::Manual && j.DestinationIsPartition) {
    manualRowChosen_ = true;
    ShowManualLimits(w, j.DestinationPlannedLength);
  }
}

void CMirrorDestination::OnListCheck(ui::Window& w, int listId, int row, bool checked) {
  if (listId != IDC_LIST || changing_ || row < 0 || row >= int(rows_.size())) return;
  changing_ = true;
  if (!checked) {
    if (row == chosenRow_) DropChoice(w);
  } else {
    for (int i = 0; i < int(rows_.size()); ++i)
      if (i != row) w.ListSetCheck(IDC_LIST, i, false);
    if (chosenRow_ >= 0 && chosenRow_ != row) DropChoice(w);
    w.ListSetCheck(IDC_LIST, row, true);
    Choose(w, row);
  }
  changing_ = false;
}

void CMirrorDestination::OnLinesSelect(ui::Window& w, int id, int index) {
  if (id != IDC_MD_PLANNED || ModeOnPage(w) != Expansion::Manual || !Basic()) return;
  const DuplicationJobRecord& j = DuplicationJob;
  if (j.DestinationDisk < 1) return;
  if (j.DestinationIsPartition) {
    manualRowChosen_ = true;
    ShowManualLimits(w, j.DestinationPlannedLength);
    return;
  }
  // A click on a free row is ignored: the highlight goes back to the row the
  // size field and Apply still belong to, so Apply never changes a row that
  // does not look chosen.
  if (!SelectPlannedRow(index)) {
    w.LinesSelect(IDC_MD_PLANNED, manualRowChosen_ ? SelectedPlannedRow : -1);
    return;
  }
  manualRowChosen_ = true;
  ShowManualLimits(w, PlannedRows[size_t(index)].entry.LengthSectors);
}

void CMirrorDestination::OnEditChange(ui::Window& w, int id) {
  if (id == IDC_MD_SIZE) sizeTyped_ = true;
}

void CMirrorDestination::OnSlider(ui::Window& w, int id, int64_t pos, bool released) {
  if (id != IDC_MD_SLIDER || !manualRowChosen_) return;
  w.SetText(IDC_MD_SIZE, text::Dec(uint64_t(pos) * kSliderUnit / 2048));
  sizeTyped_ = true;
  if (released) Apply(w);
}

void CMirrorDestination::Apply(ui::Window& w) {
  if (!manualRowChosen_) return;
  const DuplicationJobRecord& j = DuplicationJob;
  std::wstring typed = w.GetText(IDC_MD_SIZE);
  uint64_t size = j.DestinationIsPartition ? ApplyManualPartitionSize(typed) : ApplyManualSize(typed);
  int selected = j.DestinationIsPartition ? 0 : SelectedPlannedRow;
  ShowPlan(w);
  if (selected >= 0) w.LinesSelect(IDC_MD_PLANNED, selected);
  ShowManualLimits(w, size);
}

bool CMirrorDestination::TakeDestination(ui::Window& w) {
  DuplicationJobRecord& j = DuplicationJob;
  Expansion mode = ModeOnPage(w);
  if (j.DestinationDisk >= 1 && Basic() && mode == Expansion::Manual) {
    if (sizeTyped_) Apply(w);
    if (!j.DestinationIsPartition) {
      PlanStatus carried = CarryManualSizes();
      if (carried != PlanStatus::Ok) {
        ShowPlanRefusal(carried);
        return false;
      }
    }
  }
  j.ExpansionMode = mode;
  if (j.DestinationDisk < 1) {
    w.MessageBox(T(L"IDS_SelectDestination"), win::MB_OK);
    return false;
  }
  // The disks may have changed since the row was checked.
  DestinationRefusal refusal = RefuseChosenDestination();
  if (refusal != DestinationRefusal::None) {
    w.MessageBox(RefusalText(refusal, j.DestinationDisk), win::MB_OK | win::MB_ICONEXCLAMATION);
    return false;
  }
  PlanStatus fit = Basic() ? CheckBasicFit() : CheckSectorFit();
  if (fit != PlanStatus::Ok) {
    ShowPlanRefusal(fit);
    return false;
  }
  const disk::DiskEntry* d = disk::DiskAt(j.DestinationDisk);
  std::vector<disk::PartitionRecord> records;
  if (d && disk::ReadPartitionList(&records, d->DriveNumber) > 0) {
    // A partition destination: only that partition is written, and it is the one named.
    std::wstring question = j.DestinationIsPartition
                                ? j.DestinationDescription + L"\n\n" + T(L"IDS_CHECKBEFORESTARTPART")
                                : DiskDescription(j.DestinationDisk) + L"\n\n" + T(L"IDS_CHECKBEFORESTART");
    if (w.MessageBox(question, win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL) != win::IDYES) return false;
  }
  j.BadSectorScan = j.Verify = j.ChangeSid = false;
  return true;
}

void CMirrorDestination::OnCommand(ui::Window& w, int id) {
  switch (id) {
    case IDC_MD_AUTO:
      ModeChanged(w, Expansion::Auto);
      break;
    case IDC_MD_SAME:
      ModeChanged(w, Expansion::Same);
      break;
    case IDC_MD_MANUAL:
      ModeChanged(w, Expansion::Manual);
      break;
    case IDC_MD_APPLY:
      Apply(w);
      break;
    case IDC_NEXT:
      if (TakeDestination(w)) w.Close(IDC_NEXT);
      break;
    case IDC_BACK:
      w.Close(IDC_BACK);
      break;
    default:
      break;
  }
}

}  // namespace duplicate
