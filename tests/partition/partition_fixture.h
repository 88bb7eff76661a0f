// A simulated PC for the partition manager's tests: its process-wide state
// reset, the manager window driven as an operator drives it (a disk chosen
// in the list, a right click in the map, a command from the context menu,
// the pages filled), and the tables read back with sfdisk and sgdisk.
#pragma once

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/wizards.h"
#include "disk/partition_table.h"
#include "disk/volume_map.h"
#include "partition/ccformat.h"
#include "partition/cformatdisk.h"
#include "partition/create_request.h"
#include "partition/format_request.h"
#include "partition/layout_slots.h"
#include "partition/manager_state.h"
#include "partition/partition_ids.h"
#include "platform/winapi.h"
#include "support/sim_fixture.h"
#include "ui/control_ids.h"

namespace testing_support {

struct SfdiskLine {
  uint64_t start, size;
  unsigned type;
  bool operator==(const SfdiskLine& o) const { return start == o.start && size == o.size && type == o.type; }
};
inline std::ostream& operator<<(std::ostream& os, const SfdiskLine& l) {
  return os << "{" << l.start << ", " << l.size << ", 0x" << std::hex << l.type << std::dec << "}";
}

struct SfdiskTable {
  std::string labelId;
  std::vector<SfdiskLine> parts;  // in sfdisk's order: the MBR slots, then the chain
};

// `sfdisk --dump IMAGE`: the label id and the partitions.
inline SfdiskTable Sfdisk(const std::string& image) {
  std::string out;
  EXPECT_EQ(Shell("sfdisk --dump " + image, &out), 0) << out;
  SfdiskTable t;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("label-id: ", 0) == 0) t.labelId = line.substr(10);
    unsigned long long start, size;
    unsigned type;
    size_t at = line.find(" : start=");
    if (at != std::string::npos &&
        std::sscanf(line.c_str() + at, " : start= %llu, size= %llu, type=%x", &start, &size, &type) == 3)
      t.parts.push_back({start, size, type});
  }
  return t;
}

enum class Kind { Primary, Extended, Logical };

class PartitionTest : public SimTest {
 protected:
  PartitionTest() {
    // Windows and the program live on a drive of their own, so that no
    // test volume is the running system's.
    config_.programPath = L"W:\\Vektrel\\vektrel.exe";
    config_.windowsDir = L"W:\\Windows";
    partition::ResetLayoutState();
    partition::ResetPartitionManagerState();
    partition::ResetCreatePartitionRequest();
    partition::ResetFormatState();
    partition::ResetFormatNowAnswer();
    disk::ResetPartitionState();
    disk::ResetVolumeMaps();
  }

  // Opens the manager on the disk with Windows disk number `drive`,
  // right-clicks map box `box` (-1: nothing under the pointer) and picks
  // `command`; `inside` then looks at the open window. Returns whether the
  // command was offered.
  bool Manage(int drive, int box, int command, const std::function<void(ui::ScriptedWindow&)>& inside = nullptr) {
    bool offered = false;
    host_.OnPage("CCreatePart1", [&](ui::ScriptedWindow& w) {
      const auto& rows = partition::PartitionManager.listRows;
      for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].isDisk && rows[i].driveNumber == drive) w.SelectRow(IDC_LIST, int(i));
      const disk::DiskEntry* chosen = partition::SelectedDiskEntry();
      EXPECT_TRUE(chosen && chosen->DriveNumber == drive);
      if (command) {
        host_.popupMenu = [&](ui::ScriptedWindow&, const std::vector<ui::MenuItem>& items) {
          for (const ui::MenuItem& m : items)
            if (m.command == command) offered = m.enabled;
          return command;
        };
        w.MapMouse(IDC_MAP, box, ui::MouseAction::RightClick);
        host_.popupMenu = nullptr;
      }
      if (inside) inside(w);
      w.Cancel();
    });
    app::OpenPartitionManager();
    return offered;
  }

  // Fills the create wizard: size, kind, file system and format option.
  void FillWizard(uint64_t sizeMB, Kind kind, const std::wstring& fs = L"", int option = partition::kDoNotFormat) {
    host_.OnPage("CCreatePart4", [=](ui::ScriptedWindow& w) {
      w.Type(IDC_CP_SIZE, std::to_wstring(sizeMB));
      w.Press(IDC_CP_APPLY);
      if (kind != Kind::Logical) {
        EXPECT_TRUE(w.Tick(kind == Kind::Primary ? IDC_CP_PRIMARY : IDC_CP_EXTENDED, true));
      }
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CCreatePart41", [=](ui::ScriptedWindow& w) {
      if (!fs.empty()) {
        w.Tick(IDC_CP41_QUICK, true);
        int index = -1;
        for (int i = 0; i < w.LinesCount(IDC_CP41_FS); ++i)
          if (w.LinesGet(IDC_CP41_FS, i) == fs) index = i;
        EXPECT_TRUE(w.Choose(IDC_CP41_FS, index)) << "not offered";
      }
      const int buttons[] = {IDC_CP41_NOFORMAT, IDC_CP41_QUICK, IDC_CP41_FULL};
      if (kind != Kind::Extended) w.Tick(buttons[option], true);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CcreatePart42", [](ui::ScriptedWindow& w) { w.Press(IDC_NEXT); });
  }

  // Creates through the manager; region -1 is "nothing under the pointer".
  partition::Outcome Create(int box, uint64_t sizeMB, Kind kind, const std::wstring& fs = L"",
                            int option = partition::kDoNotFormat, int drive = 0) {
    FillWizard(sizeMB, kind, fs, option);
    int command = kind == Kind::Logical ? ID_CREATEPARTITION_LOGICAL : ID_CREATEPARTITION_NEWPART;
    EXPECT_TRUE(Manage(drive, box, command)) << "create not offered";
    return partition::PartitionManager.lastOutcome;
  }

  partition::Outcome Delete(int box, int drive = 0) {
    host_.answerYes = true;
    EXPECT_TRUE(Manage(drive, box, ID_CREATEPARTITION_DELETEPART)) << "delete not offered";
    host_.answerYes = false;
    return partition::PartitionManager.lastOutcome;
  }

  // The manager's rows of a disk, as the window shows them.
  std::vector<disk::PartitionEntry> Regions(int drive = 0) {
    std::vector<disk::PartitionEntry> rows;
    Manage(drive, -1, 0, [&](ui::ScriptedWindow&) { rows = partition::PartitionManager.regions; });
    return rows;
  }

  std::vector<std::wstring> Messages() {
    std::vector<std::wstring> out;
    for (auto& m : host_.messages) out.push_back(m.text);
    return out;
  }

  // Writes an MBR layout with sfdisk's script syntax; "@N" names partition
  // N of the image (5 and up: logical drives).
  void SfdiskScript(int drive, std::string script) {
    for (size_t at; (at = script.find('@')) != std::string::npos;) script.replace(at, 1, ImagePath(drive));
    ASSERT_EQ(Shell("printf '" + script + "' | sfdisk -q " + ImagePath(drive)), 0);
  }
};

#define NEED_TOOLS(...)                                                  \
  for (const char* tool : {__VA_ARGS__})                                 \
    if (!testing_support::HaveTool(tool)) GTEST_SKIP() << tool << " missing"

}  // namespace testing_support
