// Deleting the selected partition or logical drive.
#include "app/language.h"
#include "partition/layout_edit.h"
#include "partition/layout_slots.h"
#include "partition/layout_writer.h"
#include "partition/manager_operations.h"
#include "partition/manager_state.h"
#include "partition/table_checks.h"
#include "platform/winapi.h"

namespace partition {

using app::T;

void DeletePartitionCommand(ui::Window& w) {
  PartitionManagerState& m = PartitionManager;
  m.lastOutcome = Outcome::Refused;
  const disk::DiskEntry* d = SelectedDiskEntry();
  if (!d) {
    w.MessageBox(T(L"IDS_SelectDisk"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return;
  }
  const disk::PartitionEntry* r = SelectedRegionEntry();
  if (!r || r->RecordIndex < 0) {
    w.MessageBox(T(L"IDS_CannotFindPartition"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return;
  }
  if (GuardRefusesSelection(w)) return;
  uint64_t start = r->StartLba;
  std::wstring question = std::wstring(kDeleteWarning) + L"\n\n" + SelectedRegionText();
  if (w.MessageBox(question, win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL) != win::IDYES) {
    m.lastOutcome = Outcome::Cancelled;
    return;
  }
  if (!LoadSelectedLayout(start)) return;
  int slot = FindSlotAt(start);
  // An entry the driver's layout leaves out (past the disk's end) goes by
  // writing the layout as it is.
  bool removed = slot >= 0 ? RemoveLayoutSlot(slot) : OnlyOnDisk(d->DriveNumber, start);
  if (!removed) {
    w.MessageBox(T(L"IDS_CannotFindPartition"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return;
  }
  uint32_t error = 0;
  if (!WriteDriveLayout(d->DriveNumber, 0, &error)) {
    w.MessageBox(LayoutWriteFailureText(error), win::MB_OK | win::MB_ICONEXCLAMATION);
    m.lastOutcome = Outcome::Failed;
    ShowManager(w, false);
    return;
  }
  m.lastOutcome = WaitForLayoutChange(w, 1, start) ? Outcome::Done : Outcome::Failed;
}

}  // namespace partition
