#include "health/page_readout.h"

#include "health/disk_health_page.h"
#include "health/health_ids.h"
#include "ui/control_ids.h"

namespace health {

PageReadout ReadDiskPage(ui::ScriptedWindow& w, CDiskDiagnose& page) {
  PageReadout r;
  r.drive = page.ShownDrive();
  r.name = w.GetText(IDC_HEALTH_NAME);
  r.type = w.GetText(IDC_HEALTH_TYPE);
  r.model = w.GetText(IDC_HEALTH_MODEL);
  r.udid = w.GetText(IDC_HEALTH_UDID);
  r.capacity = w.GetText(IDC_HEALTH_CAPACITY);
  r.used = w.GetText(IDC_HEALTH_USED);
  r.powerOn = w.GetText(IDC_HEALTH_POWERON);
  r.status = w.GetText(IDC_HEALTH_STATUS);
  r.statusText = w.GetText(IDC_HEALTH_STATUS_TEXT);
  const int figures[3][2] = {{IDC_HEALTH_FIGURE1_TITLE, IDC_HEALTH_FIGURE1},
                             {IDC_HEALTH_FIGURE2_TITLE, IDC_HEALTH_FIGURE2},
                             {IDC_HEALTH_FIGURE3_TITLE, IDC_HEALTH_FIGURE3}};
  for (const auto& f : figures) r.figures.push_back({w.GetText(f[0]), w.GetText(f[1])});
  for (int i = 0; i < w.ListCount(IDC_LIST); ++i)
    r.properties.push_back(
        {w.ListCell(IDC_LIST, i, 0), w.ListCell(IDC_LIST, i, 1), w.ListCell(IDC_LIST, i, 2), w.ListCell(IDC_LIST, i, 3)});
  return r;
}

}  // namespace health
