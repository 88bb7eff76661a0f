// The format and properties commands: pages that work on the selected
// region as it is.
#include "app/language.h"
#include "partition/ccformat.h"
#include "partition/ccreatepart5.h"
#include "partition/ccreatepart6.h"
#include "partition/manager_operations.h"
#include "partition/manager_state.h"
#include "platform/winapi.h"

namespace partition {

void FormatPartitionCommand(ui::Window& w) {
  PartitionManagerState& m = PartitionManager;
  m.lastOutcome = Outcome::Refused;
  if (!SelectedDiskEntry()) {
    w.MessageBox(app::T(L"IDS_SelectDisk"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return;
  }
  const disk::PartitionEntry* r = SelectedRegionEntry();
  if (!r || r->RecordIndex < 0 || r->DriveLetter <= 0) return;
  if (GuardRefusesSelection(w)) return;
  wchar_t letter = wchar_t(r->DriveLetter);
  uint64_t length = r->LengthSectors;
  CCreatePart5 page(letter, length);
  ui::RunModal(page);
  if (!page.Confirmed()) {
    m.lastOutcome = Outcome::Cancelled;
    return;
  }
  DrawManagerMap();
  FormatOutcome outcome = FormatByDriveLetter(letter, length);
  m.lastOutcome = outcome == FormatOutcome::Formatted   ? Outcome::Done
                  : outcome == FormatOutcome::Cancelled ? Outcome::Cancelled
                                                        : Outcome::Failed;
  ShowManager(w, true);
}

void PropertiesCommand(ui::Window&) {
  CCreatePart6 page;
  ui::RunModal(page);
  PartitionManager.lastOutcome = Outcome::Done;
}

}  // namespace partition
