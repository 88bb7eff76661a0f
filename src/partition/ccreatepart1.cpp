#include "partition/ccreatepart1.h"

#include "app/disk_list.h"
#include "app/format_size.h"
#include "app/language.h"
#include "app/wizards.h"
#include "disk/partition_types.h"
#include "partition/layout_edit.h"
#include "partition/layout_slots.h"
#include "partition/manager_operations.h"
#include "partition/manager_state.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace partition {

using app::T;

namespace {

void ShowDetails(ui::Window& w) {
  const disk::PartitionEntry* r = SelectedRegionEntry();
  const disk::DiskEntry* d = SelectedDiskEntry();
  std::wstring kind, size, type;
  if (!r) {
    if (d) {
      kind = T(L"IDS_Drive") + text::Dec(int64_t(d->DriveNumber));
      size = app::FormatSize(d->SizeSectors);
    }
  } else if (r->RecordIndex < 0) {
    kind = T(L"IDS_Unallocated");
    size = app::FormatSize(r->LengthSectors);
  } else {
    kind = r->Type == disk::kTypeEmptyExtended ? T(L"IDS_ExtendedPartition")
           : r->IsPrimary                      ? T(L"IDS_Primary")
                                               : T(L"IDS_LogicalDrive");
    size = app::FormatSize(r->LengthSectors);
    type = disk::PartitionTypeName(r->Type);
    if (r->DriveLetter > 0) type += std::wstring(L" (") + wchar_t(r->DriveLetter) + L":)";
  }
  w.SetText(IDC_PM_INFO_KIND, kind);
  w.SetText(IDC_PM_INFO_SIZE, size);
  w.SetText(IDC_PM_INFO_TYPE, type);
}

// The list row of a disk index, or -1.
int ListRowOfDisk(int diskIndex) {
  const auto& rows = PartitionManager.listRows;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].isDisk && rows[i].diskIndex == diskIndex) return int(i);
  return -1;
}

bool NextRegionIsFree() {
  const PartitionManagerState& m = PartitionManager;
  size_t next = size_t(m.selectedRegion) + 1;
  return m.selectedRegion >= 0 && next < m.regions.size() && m.regions[next].RecordIndex < 0;
}

}  // namespace

void ShowManager(ui::Window& w, bool rebuildList) {
  PartitionManagerState& m = PartitionManager;
  if (rebuildList) {
    // The disk list reads every disk's table; the regions are read last so
    // that the reader's state is the selected disk's. The disk indexes close
    // up when a disk goes: the chosen disk is found again by its number.
    const disk::DiskEntry* chosen = SelectedDiskEntry();
    int chosenNumber = chosen ? chosen->DriveNumber : -1;
    m.listRows = app::BuildDiskListRows();
    app::FillDiskList(w, IDC_LIST, m.listRows, false);
    int again = disk::DiskIndexOfNumber(chosenNumber);
    if (again != m.selectedDisk) m.selectedRegion = -1;
    m.selectedDisk = again;
    if (ListRowOfDisk(m.selectedDisk) < 0) {
      m.selectedDisk = -1;
      for (const app::DiskListRow& r : m.listRows)
        if (r.isDisk) {
          m.selectedDisk = r.diskIndex;
          break;
        }
      m.selectedRegion = -1;
    }
    w.ListSelect(IDC_LIST, ListRowOfDisk(m.selectedDisk));
    RebuildRegions();
  }
  DrawManagerMap();
  ShowDetails(w);
}

void CCreatePart1::OnInit(ui::Window& w) {
  ResetPartitionManagerState();
  PartitionManager.window = &w;
  w.SetText(0, T(L"IDS_CreatePartCAP"));
  w.SetText(IDC_HEADING, T(L"IDS_CreatePartH1"));
  w.SetText(IDC_SUBHEADING, T(L"IDS_CreatePartH2"));
  w.SetText(IDC_PM_LABEL_LIST, T(L"IDS_CreatePartLbl1"));
  w.SetText(IDC_PM_LABEL_MAP, T(L"IDS_CreatePartLbl2"));
  w.SetText(IDC_PM_LABEL_DETAILS, T(L"IDS_CreatePartLbl3"));
  w.SetText(IDC_LEGEND_UNALLOCATED, T(L"IDS_Unallocated"));
  w.SetText(IDC_LEGEND_PRIMARY, T(L"IDS_Primary"));
  w.SetText(IDC_LEGEND_LOGICAL, T(L"IDS_LogicalDrive"));
  w.SetText(IDC_LEGEND_FREELOGICAL, T(L"IDS_FreeLogical"));
  w.SetMap(IDC_LEGEND_BOX_UNALLOCATED, {{L"", 16, ui::MapKind::Unallocated}});
  w.SetMap(IDC_LEGEND_BOX_PRIMARY, {{L"", 16, ui::MapKind::Primary}});
  w.SetMap(IDC_LEGEND_BOX_LOGICAL, {{L"", 16, ui::MapKind::Logical}});
  w.SetMap(IDC_LEGEND_BOX_FREELOGICAL, {{L"", 16, ui::MapKind::FreeLogical}});
  w.SetText(IDC_RUN_EXPLORER, T(L"IDS_RunExplorer"));
  w.SetText(IDC_BACK, T(L"IDS_Back"));
  w.SetText(IDC_NEXT, T(L"IDS_Next"));
  w.SetText(win::IDCANCEL, T(L"IDS_Close"));
  // Nothing follows the manager: its pages open from the context menu.
  w.Enable(IDC_NEXT, false);
  ShowManager(w, true);
}

void CCreatePart1::OnCommand(ui::Window& w, int id) {
  switch (id) {
    case ID_CREATEPARTITION_NEWPART:
      CreatePartitionCommand(w, false);
      break;
    case ID_CREATEPARTITION_LOGICAL:
      CreatePartitionCommand(w, true);
      break;
    case ID_CREATEPARTITION_DELETEPART:
      DeletePartitionCommand(w);
      break;
    case ID_CREATEPARTITION_RESIZEPART:
      ResizePartitionCommand(w);
      break;
    case ID_CREATEPARTITION_FORMAT:
      FormatPartitionCommand(w);
      break;
    case ID_CREATEPARTITION_PROPERTIES:
      PropertiesCommand(w);
      break;
    case IDC_RUN_EXPLORER:
      // A file browser only: the choice is not used.
      w.OpenFileDialog(L"All files (*.*)|*.*|", L"", L"c:\\*.*", false);
      break;
    case IDC_BACK:
      w.Close(win::IDCANCEL);
      break;
    default:
      break;
  }
}

void CCreatePart1::ChooseListRow(ui::Window& w, int row) {
  PartitionManagerState& m = PartitionManager;
  if (row < 0 || row >= int(m.listRows.size())) return;
  const app::DiskListRow& chosen = m.listRows[size_t(row)];
  m.selectedDisk = chosen.diskIndex;
  m.selectedRegion = -1;
  m.hotRegion = -1;
  RebuildRegions();
  if (!chosen.isDisk && chosen.letter > 0)
    for (size_t i = 0; i < m.regions.size(); ++i)
      if (m.regions[i].DriveLetter == chosen.letter) m.selectedRegion = int(i);
  ShowManager(w, false);
}

void CCreatePart1::OnListSelect(ui::Window& w, int listId, int row) {
  if (listId == IDC_LIST) ChooseListRow(w, row);
}

void CCreatePart1::OnListRightClick(ui::Window& w, int listId, int row) {
  if (listId != IDC_LIST) return;
  ChooseListRow(w, row);
  ContextMenu(w, false, row >= 0);
}

void CCreatePart1::OnMapMouse(ui::Window& w, int id, int box, ui::MouseAction action) {
  PartitionManagerState& m = PartitionManager;
  if (id != IDC_MAP) return;
  if (box >= int(m.regions.size())) box = -1;
  switch (action) {
    case ui::MouseAction::Hover:
    case ui::MouseAction::Leave:
      m.hotRegion = action == ui::MouseAction::Hover ? box : -1;
      DrawManagerMap();
      break;
    case ui::MouseAction::LeftClick:
    case ui::MouseAction::RightClick:
      m.selectedRegion = box;
      ShowManager(w, false);
      if (action == ui::MouseAction::RightClick) ContextMenu(w, true, box >= 0);
      break;
  }
}

void CCreatePart1::OnMessage(ui::Window& w, unsigned message, uintptr_t) {
  if (message == ui::kMsgDeviceArrival || message == ui::kMsgDeviceRemoved) ShowManager(w, true);
}

std::vector<ui::MenuItem> ContextMenuItems(bool fromMap, bool itemUnderPointer) {
  const disk::PartitionEntry* r = SelectedRegionEntry();
  bool logical = true, create = true, format = true, remove = true, resize = true;
  if (!r || (!fromMap && !itemUnderPointer)) {
    logical = format = remove = resize = false;
    if (!fromMap) create = false;
  } else if (r->RecordIndex < 0) {
    format = remove = resize = false;
    if (!fromMap || r->IsPrimary) logical = false;
    if (!fromMap || !r->IsPrimary) create = false;
  } else {
    create = false;
    // An empty extended partition is where the first logical drive goes.
    logical = fromMap && r->Type == disk::kTypeEmptyExtended;
    resize = NextRegionIsFree();
    // Formatting and resizing work on the drive letter.
    if (r->DriveLetter <= 0) format = resize = false;
  }
  return {{ID_CREATEPARTITION_LOGICAL, T(L"ID_CREATEPARTITION_LOGICAL"), logical},
          {ID_CREATEPARTITION_NEWPART, T(L"ID_CREATEPARTITION_NEWPART"), create},
          {ID_CREATEPARTITION_FORMAT, T(L"ID_CREATEPARTITION_FORMAT"), format},
          {ID_CREATEPARTITION_DELETEPART, T(L"ID_CREATEPARTITION_DELETEPART"), remove},
          {ID_CREATEPARTITION_RESIZEPART, T(L"ID_CREATEPARTITION_RESIZEPART"), resize},
          {ID_CREATEPARTITION_PROPERTIES, T(L"ID_CREATEPARTITION_PROPERTIES"), true}};
}

void CCreatePart1::ContextMenu(ui::Window& w, bool fromMap, bool itemUnderPointer) {
  if (fromMap && SelectedDiskEntry()) {
    const disk::DiskEntry* d = SelectedDiskEntry();
    LoadLayoutSlots(d->DriveNumber, LayoutBuffer, ReadDriveLayout(d->DriveNumber, &LayoutBuffer));
    PartitionManager.hasExtended = ExtendedSlot() >= 0;
    PartitionManager.primaryCount = PrimaryCount();
  }
  int command = w.PopupMenu(ContextMenuItems(fromMap, itemUnderPointer));
  if (command) OnCommand(w, command);
}

}  // namespace partition

namespace app {

void OpenPartitionManager() {
  partition::CCreatePart1 window;
  ui::RunModal(window);
  partition::PartitionManager.window = nullptr;
}

}  // namespace app
