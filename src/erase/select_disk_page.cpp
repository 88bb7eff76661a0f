#include "erase/select_disk_page.h"

#include "app/app_state.h"
#include "app/language.h"
#include "erase/erase_ids.h"
#include "erase/page_texts.h"
#include "erase/selected_region.h"
#include "erase/wipe_methods.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"
#include "viewer/sector_viewer_page.h"

namespace erase {

using app::T;

int CSelectDisk::TemplateId() const { return IDD_DELETE_DISK; }

void RunExplorer(ui::Window& w) { w.OpenFileDialog(L"All files (*.*)|*.*|", L"", L"c:\\*.*", false); }

void CSelectDisk::OnInit(ui::Window& w) {
  SetHeadings(w, L"IDS_DelSrcCap", L"IDS_DelSrcH1", L"IDS_DelSrcH2");
  SetTexts(w, {{IDC_GROUP, L"IDS_DiskPartition"}, {IDC_INSTRUCTION, L"IDS_DelSrcH2"}, {IDC_VIEW, L"IDS_View"},
               {IDC_BACK, L"IDS_Back"}, {IDC_NEXT, L"IDS_Next"}, {win::IDCANCEL, L"IDS_Cancel"},
               {IDC_RUN_EXPLORER, L"IDS_RunExplorer"}});
  WipeMethod = WipeZero;
  list_.Fill(w, IDC_LIST, true);
  if (RememberedDiskRow >= 0) list_.Check(w, RememberedDiskRow);
  ChecksChanged(w, list_.FirstChecked(w));
}

void CSelectDisk::ChecksChanged(ui::Window& w, int firstChecked) {
  RememberedDiskRow = firstChecked;
  w.Enable(IDC_VIEW, firstChecked >= 0);
  w.Enable(IDC_NEXT, firstChecked >= 0);
}

void CSelectDisk::OnCommand(ui::Window& w, int id) {
  switch (id) {
    case IDC_NEXT:
      if (TakeChecked(w)) w.Close(IDC_NEXT);
      break;
    case IDC_VIEW:
      if (TakeChecked(w)) {
        viewer::CViewDiskData view;
        ui::RunModal(view);
      }
      break;
    case IDC_BACK:
      w.Close(IDC_BACK);
      break;
    case IDC_RUN_EXPLORER:
      RunExplorer(w);
      break;
    default:
      break;
  }
}

}  // namespace erase
