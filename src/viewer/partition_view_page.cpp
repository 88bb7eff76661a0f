#include "viewer/partition_view_page.h"

#include "app/language.h"
#include "app/wizards.h"
#include "erase/page_texts.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"
#include "viewer/sector_viewer_page.h"
#include "viewer/viewer_ids.h"

namespace viewer {

using app::T;

int CViewDiskPartition::TemplateId() const { return IDD_VIEW_PARTITION; }

void CViewDiskPartition::OnInit(ui::Window& w) {
  erase::SetHeadings(w, L"IDS_ViewDiskDataCap", L"IDS_ViewDiskParCap", L"IDS_ViewDiskParH2");
  erase::SetTexts(w, {{IDC_GROUP, L"IDS_DiskPartition"}, {IDC_BACK, L"IDS_Back"}, {IDC_VIEW, L"IDS_View"},
                      {win::IDCANCEL, L"IDS_Cancel"}});
  list_.Fill(w, IDC_LIST);
  w.Enable(IDC_VIEW, false);
}

void CViewDiskPartition::OnCommand(ui::Window& w, int id) {
  if (id == IDC_BACK) {
    w.Close(IDC_BACK);
  } else if (id == IDC_VIEW && TakeChecked(w)) {
    CViewDiskData view;
    ui::RunModal(view);
  }
}

}  // namespace viewer

namespace app {

void OpenPartitionView() {
  viewer::CViewDiskPartition page;
  ui::RunModal(page);
}

}  // namespace app
