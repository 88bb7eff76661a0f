#include "health/disk_health_page.h"

#include "app/format_size.h"
#include "app/language.h"
#include "erase/page_texts.h"
#include "health/diagnostics_page.h"
#include "health/drive_facts.h"
#include "health/health_ids.h"
#include "health/health_texts.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace health {

using app::T;

namespace {

const int kFigureIds[3][2] = {{IDC_HEALTH_FIGURE1_TITLE, IDC_HEALTH_FIGURE1},
                              {IDC_HEALTH_FIGURE2_TITLE, IDC_HEALTH_FIGURE2},
                              {IDC_HEALTH_FIGURE3_TITLE, IDC_HEALTH_FIGURE3}};

}  // namespace

int CDiskDiagnose::TemplateId() const { return IDD_DISK_HEALTH; }

void CDiskDiagnose::OnInit(ui::Window& w) {
  erase::SetHeadings(w, L"IDS_DiskHealthH1", L"IDS_DiskHealthH1", L"IDS_DiskHealthH2");
  erase::SetTexts(w, {{IDC_GROUP, L"IDS_HealthDiskList"},
                      {IDC_HEALTH_DETAIL_GROUP, L"IDS_HealthDetailInfo"},
                      {IDC_HEALTH_DETAILS, L"IDS_HealthDetails"},
                      {win::IDCANCEL, L"IDS_Cancel"}});
  w.SetFont(IDC_HEALTH_NAME, ui::Font::Bold);
  w.SetFont(IDC_HEALTH_STATUS, ui::Font::Bold);
  w.ListSetup(IDC_LIST, PropertyColumns(), false, true);
  w.TreeSetup(IDC_HEALTH_TREE, false);
  reader_ = std::make_unique<SmartReader>();
  FillTree(w);
  // The first disk is shown at once, so the page never opens empty.
  std::vector<ui::TreeItem> disks = w.TreeChildren(IDC_HEALTH_TREE, ui::kTreeRoot);
  if (!disks.empty()) {
    w.TreeSelect(IDC_HEALTH_TREE, disks.front());
    ShowDrive(w, int(w.TreeGetData(IDC_HEALTH_TREE, disks.front())), disks.front());
  } else {
    w.Enable(IDC_HEALTH_DETAILS, false);
  }
}

void CDiskDiagnose::FillTree(ui::Window& w) {
  // A refresh starts from nothing: no item of an earlier fill survives.
  w.TreeClear(IDC_HEALTH_TREE);
  rows_ = app::BuildDiskListRows();
  ui::TreeItem disk = ui::kTreeRoot;
  for (const app::DiskListRow& row : rows_) {
    if (row.isDisk) {
      const disk::DiskEntry* e = disk::DiskAt(row.diskIndex);
      std::wstring label = T(L"IDS_Drive") + text::Dec(int64_t(row.driveNumber));
      if (e) label += L"  " + e->BusName + L", " + app::FormatSize(e->SizeSectors);
      disk = w.TreeAdd(IDC_HEALTH_TREE, ui::kTreeRoot, label, uint64_t(uint32_t(row.driveNumber)), 0, false);
      continue;
    }
    std::wstring label = L"  " + T(L"IDS_Partition");
    if (row.letter >= 0) label += L" (" + std::wstring(1, wchar_t(row.letter)) + L":)";
    label += L"  " + row.cells[2];
    w.TreeAdd(IDC_HEALTH_TREE, disk, label, kPartitionItem | uint32_t(row.driveNumber), 0, false);
  }
  for (ui::TreeItem item : w.TreeChildren(IDC_HEALTH_TREE, ui::kTreeRoot)) w.TreeExpand(IDC_HEALTH_TREE, item, true);
}

void CDiskDiagnose::OnTreeSelect(ui::Window& w, int treeId, ui::TreeItem item) {
  if (treeId != IDC_HEALTH_TREE || item == ui::kTreeRoot) return;
  uint64_t data = w.TreeGetData(treeId, item);
  // A partition has no health of its own: the page stays as it is.
  if (data & kPartitionItem) return;
  ShowDrive(w, int(uint32_t(data)), item);
}

void CDiskDiagnose::ShowDrive(ui::Window& w, int drive, ui::TreeItem item) {
  shown_ = drive;
  reader_->ReadDrive(drive);
  DriveFacts facts = FactsOf(rows_, drive);
  w.SetText(IDC_HEALTH_NAME, w.TreeGetText(IDC_HEALTH_TREE, item));
  w.SetText(IDC_HEALTH_TYPE, T(L"IDS_HealthType") + facts.busName);
  w.SetText(IDC_HEALTH_MODEL, T(L"IDS_HealthModel") + facts.model);
  w.SetText(IDC_HEALTH_UDID, T(L"IDS_HealthUdid") + facts.uniqueId);
  w.SetText(IDC_HEALTH_CAPACITY, T(L"IDS_HealthCapacity") + app::FormatSize(facts.sizeSectors));
  w.SetText(IDC_HEALTH_USED, T(L"IDS_HealthUsedSpace") + app::FormatSize(facts.usedSectors));
  w.SetText(IDC_HEALTH_POWERON, PowerOnText(*reader_, drive));
  std::vector<Figure> figures = Figures(*reader_, drive);
  for (size_t i = 0; i < 3 && i < figures.size(); ++i) {
    w.SetText(kFigureIds[i][0], figures[i].title);
    w.SetText(kFigureIds[i][1], figures[i].value);
  }
  StatusBox status = StatusOf(*reader_, drive);
  w.SetText(IDC_HEALTH_STATUS, status.headline);
  w.SetText(IDC_HEALTH_STATUS_TEXT, status.text);
  w.ListClear(IDC_LIST);
  for (const PropertyRow& r : DetailRows(*reader_, drive, facts)) w.ListAdd(IDC_LIST, {r.property, r.value, r.range, r.remarks}, 0);
  w.Enable(IDC_HEALTH_DETAILS, true);
}

void CDiskDiagnose::OnCommand(ui::Window& w, int id) {
  if (id != IDC_HEALTH_DETAILS || shown_ < 0) return;
  CSmartDiagnostics dialog(*reader_, shown_);
  ui::RunModal(dialog);
  // The dialog read every drive again: show the fresh values here too.
  ui::TreeItem item = w.TreeSelected(IDC_HEALTH_TREE);
  if (item != ui::kTreeRoot && !(w.TreeGetData(IDC_HEALTH_TREE, item) & kPartitionItem)) ShowDrive(w, shown_, item);
}

}  // namespace health
