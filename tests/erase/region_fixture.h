// A simulated PC for the deletion, scan and viewer tests: disks with MBR
// partitions and file systems written by the simulated driver, the
// process-wide state of those features reset, and the wizards driven as an
// operator would drive them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/disk_list.h"
#include "app/wizards.h"
#include "disk/partition_table.h"
#include "duplicate/system_disk.h"
#include "erase/erase_ids.h"
#include "erase/region_list.h"
#include "erase/selected_region.h"
#include "erase/volume_lock.h"
#include "erase/wipe_engine.h"
#include "platform/sim/boot_sectors.h"
#include "platform/sim/sim_layout.h"
#include "platform/winapi.h"
#include "scan/scan_engine.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"
#include "ui/control_ids.h"
#include "viewer/sector_view.h"

namespace testing_support {

struct PartSpec {
  uint64_t start = 0;
  uint64_t length = 0;
  std::string fileSystem;  // "" leaves the partition unformatted
  uint8_t type = 0x07;
};

class RegionTest : public SimTest {
 protected:
  RegionTest() {
    // The program and Windows live on a drive the tests never touch, so
    // that no test volume is the system's own.
    config_.programPath = L"W:\\Vektrel\\vektrel.exe";
    config_.windowsDir = L"W:\\Windows";
    erase::ResetSelectedRegion();
    erase::ResetDeletionState();
    erase::ResetLockedVolumes();
    scan::ResetScanState();
    viewer::ResetViewerState();
    duplicate::ResetSystemDiskState();
    disk::ResetPartitionState();
  }

  // Writes the partitions (and their boot sectors) and mounts them.
  void Layout(int drive, const std::vector<PartSpec>& parts) {
    std::vector<MbrPart> mbr;
    for (const PartSpec& p : parts) mbr.push_back({p.start, p.length, p.type, p.fileSystem});
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(drive), 0x5EC70000u + uint32_t(drive), {mbr}), 0u);
    Sim().Mounts().Mount();
  }

  // The list row of the disk with Windows disk number n, or of its r-th partition.
  int RowOf(int driveNumber, int partition = 0) {
    return erase::RegionRowOf(app::BuildDiskListRows(), driveNumber, partition);
  }

  // The deletion wizard on a row with a method, every question answered
  // Yes; report(w) sees the report page before it is closed.
  void Delete(int row, int method, std::function<void(ui::ScriptedWindow&)> report = nullptr) {
    host_.answerYes = true;
    host_.OnPage("CSelectDisk", [row](ui::ScriptedWindow& w) {
      EXPECT_TRUE(w.CheckRow(IDC_LIST, row, true));
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CSelectDeleteMethod", [method](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, method, true);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CDeletionProgress", [](ui::ScriptedWindow& w) { w.Press(IDC_START_DELETION); });
    host_.OnPage("CDeleteProgressSummary", [report](ui::ScriptedWindow& w) {
      if (report) report(w);
      w.Close(win::IDOK);
    });
    app::OpenDeletionWizard();
  }

  // The texts of the message boxes shown so far.
  std::vector<std::wstring> Messages() const {
    std::vector<std::wstring> out;
    for (auto& m : host_.messages) out.push_back(m.text);
    return out;
  }
  bool Shown(const std::wstring& key) const {
    for (auto& m : host_.messages)
      if (m.text == key) return true;
    return false;
  }
};

}  // namespace testing_support
