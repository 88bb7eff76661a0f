// A simulated PC whose disks answer SMART or NVMe health requests, and the
// disk-health page driven as an operator would drive it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/language.h"
#include "health/disk_health_page.h"
#include "health/health_ids.h"
#include "health/health_wizard.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"
#include "ui/control_ids.h"

namespace testing_support {

// The drive the issue names: attributes 1, 5, 9, 194, 2 and 7 out of
// order; 5 at its threshold with a raw count above 16 bits; the power-on
// hours in the low 32 bits of a raw value with more above them; 40 °C in
// the low byte of 194's raw value (the other bytes are the extremes).
inline const char* const kCheckedSata =
    "size=64MiB,model=Checked Sata,serial=CHK-0042,bus=Sata,smart=ata,smart.firmware=FW1.2,smart.buffer=8192,"
    "smart.attribute=id=194 value=60 worst=45 raw=0x001E00140028,"
    "smart.attribute=id=1 value=100 worst=99 raw=0 threshold=16,"
    "smart.attribute=id=9 value=90 worst=90 raw=0x0001000030D4,"
    "smart.attribute=id=5 value=36 worst=36 raw=0x800000000012 threshold=36,"
    "smart.attribute=id=2 value=110 worst=100 raw=0 threshold=50,"
    "smart.attribute=id=7 value=88 worst=60 raw=12345678 threshold=30";

class HealthTest : public SimTest {
 protected:
  HealthTest() {
    config_.programPath = L"C:\\Vektrel\\vektrel.exe";
    config_.windowsDir = L"C:\\Windows";
  }

  // A language table of the given "key: text" lines (the first line of a
  // language file carries no entry).
  static void Texts(const std::wstring& lines) { app::ParseLanguageFile(text::EncodeUtf16LE(L"\r\n" + lines)); }

  // What the disk page shows after the operator selected a tree item.
  struct PageView {
    int shown = -1;
    std::wstring name, type, model, udid, capacity, used, powerOn, status, statusText;
    std::wstring figures[3][2];
    std::vector<std::vector<std::wstring>> table;
    std::vector<std::wstring> treeTexts;
    std::vector<uint64_t> treeData;
  };

  static PageView Capture(ui::ScriptedWindow& w) {
    PageView v;
    v.shown = static_cast<health::CDiskDiagnose&>(w.ThePage()).ShownDrive();
    v.name = w.GetText(IDC_HEALTH_NAME);
    v.type = w.GetText(IDC_HEALTH_TYPE);
    v.model = w.GetText(IDC_HEALTH_MODEL);
    v.udid = w.GetText(IDC_HEALTH_UDID);
    v.capacity = w.GetText(IDC_HEALTH_CAPACITY);
    v.used = w.GetText(IDC_HEALTH_USED);
    v.powerOn = w.GetText(IDC_HEALTH_POWERON);
    v.status = w.GetText(IDC_HEALTH_STATUS);
    v.statusText = w.GetText(IDC_HEALTH_STATUS_TEXT);
    const int ids[3][2] = {{IDC_HEALTH_FIGURE1_TITLE, IDC_HEALTH_FIGURE1},
                           {IDC_HEALTH_FIGURE2_TITLE, IDC_HEALTH_FIGURE2},
                           {IDC_HEALTH_FIGURE3_TITLE, IDC_HEALTH_FIGURE3}};
    for (int i = 0; i < 3; ++i)
      for (int k = 0; k < 2; ++k) v.figures[i][k] = w.GetText(ids[i][k]);
    for (int r = 0; r < w.ListCount(IDC_LIST); ++r) {
      std::vector<std::wstring> row;
      for (int c = 0; c < 4; ++c) row.push_back(w.ListCell(IDC_LIST, r, c));
      v.table.push_back(row);
    }
    std::vector<ui::TreeItem> items = w.TreeChildren(IDC_HEALTH_TREE, ui::kTreeRoot);
    for (size_t i = 0; i < items.size(); ++i) {
      std::vector<ui::TreeItem> below = w.TreeChildren(IDC_HEALTH_TREE, items[i]);
      items.insert(items.begin() + long(i) + 1, below.begin(), below.end());
    }
    for (ui::TreeItem item : items) {
      v.treeTexts.push_back(w.TreeGetText(IDC_HEALTH_TREE, item));
      v.treeData.push_back(w.TreeGetData(IDC_HEALTH_TREE, item));
    }
    return v;
  }

  // Opens the page; act (if given) does what the operator does, then the
  // page is captured and cancelled.
  PageView Open(std::function<void(ui::ScriptedWindow&)> act = nullptr) {
    PageView v;
    host_.OnPage("CDiskDiagnose", [&](ui::ScriptedWindow& w) {
      if (act) act(w);
      v = Capture(w);
      w.Cancel();
    });
    health::RunDiskHealth();
    return v;
  }

  // Opens the page and selects the disk item of a drive number.
  PageView ShowDrive(int drive) {
    return Open([drive](ui::ScriptedWindow& w) {
      ui::TreeItem item = w.FindTreeItem(IDC_HEALTH_TREE, uint64_t(drive));
      ASSERT_NE(item, ui::kTreeRoot) << "no tree item for drive " << drive;
      w.SelectTreeItem(IDC_HEALTH_TREE, item);
    });
  }

  // The value column of a property row, by its (untranslated) key.
  static std::wstring Row(const PageView& v, const std::wstring& key, int column = 1) {
    for (const auto& r : v.table)
      if (r[0] == key) return r[size_t(column)];
    return L"<no row " + key + L">";
  }
};

}  // namespace testing_support
