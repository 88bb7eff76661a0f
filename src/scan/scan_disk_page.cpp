#include "scan/scan_disk_page.h"

#include "app/language.h"
#include "erase/page_texts.h"
#include "erase/select_disk_page.h"
#include "erase/selected_region.h"
#include "platform/winapi.h"
#include "scan/scan_engine.h"
#include "scan/scan_ids.h"
#include "ui/control_ids.h"

namespace scan {

using app::T;

int CScanNewDiskPartition::TemplateId() const { return IDD_SCAN_DISK; }

void CScanNewDiskPartition::OnInit(ui::Window& w) {
  erase::SetHeadings(w, L"IDS_ScanDiskCap", L"IDS_ScanDiskH1", L"IDS_ScanDiskH2");
  erase::SetTexts(w, {{IDC_GROUP, L"IDS_DiskPartition"}, {IDC_INSTRUCTION, L"IDS_ScanDiskH2"}, {IDC_BACK, L"IDS_Back"},
                      {IDC_NEXT, L"IDS_Next"}, {win::IDCANCEL, L"IDS_Cancel"}, {IDC_RUN_EXPLORER, L"IDS_RunExplorer"}});
  // Any disk may be scanned, the system disk too.
  list_.Fill(w, IDC_LIST);
  if (erase::RememberedDiskRow >= 0) list_.Check(w, erase::RememberedDiskRow);
  ChecksChanged(w, list_.FirstChecked(w));
}

void CScanNewDiskPartition::ChecksChanged(ui::Window& w, int firstChecked) {
  erase::RememberedDiskRow = firstChecked;
  w.Enable(IDC_NEXT, firstChecked >= 0);
}

void CScanNewDiskPartition::OnCommand(ui::Window& w, int id) {
  switch (id) {
    case IDC_NEXT: {
      if (!TakeChecked(w)) return;
      ScanRegion = erase::SelectedRegion;
      if (w.MessageBox(T(L"IDS_writeverify"), win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL) != win::IDYES)
        return;
      ScanFromDuplication = false;
      w.Close(IDC_NEXT);
      break;
    }
    case IDC_BACK:
      w.Close(IDC_BACK);
      break;
    case IDC_RUN_EXPLORER:
      erase::RunExplorer(w);
      break;
    default:
      break;
  }
}

}  // namespace scan
