#include "erase/delete_report_page.h"

#include "app/format_size.h"
#include "app/language.h"
#include "app/restart_dialog.h"
#include "app/version.h"
#include "disk/disk_access.h"
#include "erase/delete_report.h"
#include "erase/erase_ids.h"
#include "erase/page_texts.h"
#include "erase/selected_region.h"
#include "erase/wipe_engine.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"
#include "viewer/sector_viewer_page.h"

namespace erase {

using app::T;

int CDeleteProgressSummary::TemplateId() const { return IDD_DELETE_REPORT; }

void CDeleteProgressSummary::OnInit(ui::Window& w) {
  BuildDeleteReport();
  RememberedDiskRow = -1;  // a new deletion starts with nothing checked
  SetHeadings(w, L"IDS_DelProgSumCap", L"IDS_DelProgSumCap", L"IDS_DelProgSumH2");
  // The report says which program made it, up in its title too.
  w.SetText(0, T(L"IDS_DelProgSumCap") + L" - " + app::ProductVersionText());
  SetTexts(w, {{IDC_GROUP, L"IDS_DelProgSum2"}, {IDC_TEXT1, L"IDS_DelProgSum3"}, {IDC_TEXT2, L"IDS_DelProgSum4"},
               {IDC_REPORT_CONFIGURATION, L"IDS_Configuration"},
               {IDC_TEXT4, L"IDS_TotalSize"}, {IDC_TEXT5, L"IDS_DelProg2"}, {IDC_REPORT_RESULT, L"IDS_Result"},
               {IDC_TEXT6, L"IDS_DelResult"}, {IDC_TEXT7, L"IDS_DelErr"}, {IDC_TEXT8, L"IDS_AfterDelSnap"},
               {IDC_SAVE_REPORT, L"IDS_Save"}, {IDC_VIEW_REGION, L"IDS_ViewDiskPartition"}, {IDC_FINISH, L"IDS_Finish"}});
  w.SetFont(IDC_REPORT_CONFIGURATION, ui::Font::Bold);
  w.SetFont(IDC_REPORT_RESULT, ui::Font::Bold);
  w.SetText(IDC_VALUE1, DeleteDateText);
  w.SetText(IDC_VALUE2, app::ProductVersionText());
  w.SetText(IDC_TEXT3, T(L"IDS_DiskPartition") + L":");
  w.SetText(IDC_VALUE3, ReportTargetText());
  w.SetText(IDC_VALUE4, app::FormatSize(SelectedRegion.LengthSectors));
  w.SetText(IDC_VALUE5, MethodName(WipeMethod));
  w.SetText(IDC_VALUE6, DeleteResultText());
  w.SetText(IDC_VALUE7, text::Dec(int64_t(disk::IoErrorCount)));
  std::wstring dump;
  for (int i = 0; i < 32; ++i) dump += SnapshotRow(i) + L"\r\n";
  w.SetFont(IDC_SNAPSHOT, ui::Font::Fixed);
  w.SetText(IDC_SNAPSHOT, dump);
  w.SetFocus(IDC_FINISH);
}

void CDeleteProgressSummary::SaveReport(ui::Window& w) {
  // The system reads the wiped disk's (now empty) layout again.
  if (disk::OpenDiskReadWrite(int(SelectedRegion.DriveNumber)) != platform::kNullHandle) {
    uint32_t got = 0;
    platform::Sys().DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0,
                                    &got);
    disk::CloseCurrentDisk();
  }
  // The dialog takes at most 64 characters of filter.
  const std::wstring pattern = L" (*.txt)|*.txt|";
  std::wstring name = T(L"IDS_DelReport").substr(0, 63 - pattern.size());
  std::optional<std::wstring> path = w.SaveFileDialog(name + pattern, L".txt", DefaultReportFileName());
  if (!path) return;
  if (!SaveDeleteReport(*path)) w.MessageBox(T(L"IDS_ReportNotSaved"), win::MB_OK | win::MB_ICONEXCLAMATION);
}

void CDeleteProgressSummary::Finish(ui::Window& w) {
  if (!DeleteCancelled && app::AskRestart()) platform::Sys().ExitProcess(0);
  w.Close(win::IDOK);
}

void CDeleteProgressSummary::OnCommand(ui::Window& w, int id) {
  switch (id) {
    case IDC_SAVE_REPORT:
      SaveReport(w);
      break;
    case IDC_VIEW_REGION: {
      viewer::CViewDiskData view;
      ui::RunModal(view);
      break;
    }
    case IDC_FINISH:
      Finish(w);
      break;
    default:
      break;
  }
}

}  // namespace erase
