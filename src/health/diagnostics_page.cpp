#include "health/diagnostics_page.h"

#include <vector>

#include "app/disk_list.h"
#include "app/language.h"
#include "disk/disk_table.h"
#include "erase/page_texts.h"
#include "health/drive_facts.h"
#include "health/health_ids.h"
#include "health/health_texts.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace health {

using app::T;

int CSmartDiagnostics::TemplateId() const { return IDD_SMART_DIAGNOSTICS; }

void CSmartDiagnostics::OnInit(ui::Window& w) {
  erase::SetTexts(w, {{0, L"IDS_HealthDetailsCap"},
                      {IDC_HEALTH_DETAIL_GROUP, L"IDS_HealthDetailInfo"},
                      {IDC_HEALTH_ATTRIBUTES_GROUP, L"IDS_HealthAttributes"},
                      {IDC_HEALTH_REFRESH, L"IDS_HealthRefresh"},
                      {win::IDCANCEL, L"IDS_HealthExit"}});
  w.ListSetup(IDC_HEALTH_SUMMARY, PropertyColumns(), false, true);
  w.ListSetup(IDC_LIST,
              {{T(L"IDS_HealthAttrId"), 95, false},
               {T(L"IDS_HealthAttribute"), 250, false},
               {T(L"IDS_HealthValue"), 50, true},
               {T(L"IDS_HealthWorst"), 50, true},
               {T(L"IDS_HealthRaw"), 90, true},
               {T(L"IDS_HealthThreshold"), 75, true},
               {T(L"IDS_HealthStatusCol"), 60, false}},
              false, false);
  ReadAndFill(w);
}

void CSmartDiagnostics::ReadAndFill(ui::Window& w) {
  w.SetText(IDC_STATUS, T(L"IDS_HealthReading"));
  w.Redraw(IDC_STATUS);
  // Every drive is read again from a fresh disk table.
  std::vector<app::DiskListRow> rows = app::BuildDiskListRows();
  reader_.ReadSmartAllDrives();
  w.SetText(IDC_STATUS, L"");

  DriveFacts facts = FactsOf(rows, drive_);
  w.ListClear(IDC_HEALTH_SUMMARY);
  for (const PropertyRow& r : SummaryRows(reader_, drive_, facts))
    w.ListAdd(IDC_HEALTH_SUMMARY, {r.property, r.value, r.range, r.remarks}, 0);

  std::vector<int> drives;
  for (int k = 1; k <= disk::DiskCount && k <= disk::kMaxDisks; ++k)
    if (disk::DiskTable[k].DriveNumber >= 0) drives.push_back(disk::DiskTable[k].DriveNumber);
  w.ListClear(IDC_LIST);
  for (const auto& cells : AttributeListRows(reader_, drives)) w.ListAdd(IDC_LIST, cells, 0);
}

void CSmartDiagnostics::OnCommand(ui::Window& w, int id) {
  if (id == IDC_HEALTH_REFRESH) ReadAndFill(w);
}

}  // namespace health
