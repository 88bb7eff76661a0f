// The partition manager's operations, started from its context menu. Each
// leaves its outcome in PartitionManager.lastOutcome and shows its own
// messages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui/window.h"

namespace partition {

// The fixed warning before a partition is deleted.
inline constexpr const wchar_t* kDeleteWarning =
    L"Warning: This operation will delete all data on the selected partition completely. Are you sure you want to "
    L"proceed?";

// Create a primary or extended partition, or (logical) a logical drive.
void CreatePartitionCommand(ui::Window& w, bool logical);
void DeletePartitionCommand(ui::Window& w);
void ResizePartitionCommand(ui::Window& w);
void FormatPartitionCommand(ui::Window& w);
void PropertiesCommand(ui::Window& w);

// The system guard on the selected region (system_guard.h): true, after
// telling the operator why, when the running Windows needs it.
bool GuardRefusesSelection(ui::Window& w);
// The selected partition as the questions before a change name it: "NTFS
// (E:) 100 MB, Disk 1 (Demo Disk, 16 GB)".
std::wstring SelectedRegionText();

// Reads the selected disk's layout into the LayoutSlotTable and updates the
// window's has-extended flag and primary count; false (with a message)
// when the layout cannot be read, has more entries than the table holds, or
// the table must not be changed (see TableChangeRefusal; `deleting` is the
// start of the partition a deletion removes).
bool LoadSelectedLayout(std::optional<uint64_t> deleting = std::nullopt);

// The message for a layout the driver did not take: a write-protected disk
// says so, anything else is "IDS_FileSystemCreateError".
std::wstring LayoutWriteFailureText(uint32_t error);

// After a change: polls up to 20 times, 500 ms apart, until the system
// shows it (mode 0 created: the partition at startSector has a drive
// letter; 1 deleted: none there has; 2 resized: at once), rebuilding the
// regions each time and selecting the region at startSector. False (with a
// message) when the change did not show in time.
bool WaitForLayoutChange(ui::Window& w, int mode, uint64_t startSector);

// The window shows the state again: the disk list (rebuilt when asked),
// the map and the details of the selection. Defined with the window.
void ShowManager(ui::Window& w, bool rebuildList);

}  // namespace partition
