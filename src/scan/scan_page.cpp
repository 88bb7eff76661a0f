#include "scan/scan_page.h"

#include <algorithm>

#include "app/language.h"
#include "disk/disk_access.h"
#include "erase/page_texts.h"
#include "platform/winapi.h"
#include "scan/scan_engine.h"
#include "scan/scan_ids.h"
#include "ui/control_ids.h"

namespace scan {

using app::T;

int CBadSectorScan::TemplateId() const { return IDD_SCAN; }

void CBadSectorScan::OnInit(ui::Window& w) {
  ScanDiskSectors = disk::GetDiskSizeSectors(int(ScanRegion.DriveNumber));
  ScanBlockSectors = disk::LastSectorsPerTrack;
  ScanFailedBlocks = ScanRetryGoodBlocks = 0;
  ScanBadSectors.clear();
  disk::IoErrorCount = 0;
  ScanRunning = ScanCancelled = ScanDone = false;
  ScanTargetText = erase::RegionTargetText(ScanRegion);

  // Before a duplication the scan starts by itself: no Start Scan to click.
  erase::SetHeadings(w, L"IDS_BadSectorScanProgCap", L"IDS_BadSectorScanProgCap",
                     ScanFromDuplication ? L"IDS_BadSectorScanPrescanH1" : L"IDS_BadSectorScanProgH1");
  erase::SetTexts(w, {{IDC_TEXT2, L"IDS_Sector"}, {IDC_TEXT3, L"IDS_RemainingTime1"}, {IDC_TEXT4, L"IDS_ElapsedTime"},
                      {IDC_SCAN_SHOW_ERRORS, L"IDS_Errordisplay"}, {IDC_BACK, L"IDS_Back"},
                      {IDC_START_SCAN, L"IDS_StartScan"}, {win::IDCANCEL, L"IDS_Cancel"}});
  w.SetText(IDC_TEXT1, T(L"IDS_Scanning") + L":");
  w.SetText(IDC_SCAN_TARGET, ScanTargetText);
  w.SetText(IDC_SCAN_SECTOR, L"");
  w.SetText(IDC_SCAN_REMAINING, L"00:00:00");
  w.SetText(IDC_ELAPSED, L"00:00:00");
  w.SetText(IDC_PROGRESS_DETAIL, L"");
  w.SetCheck(IDC_SCAN_SHOW_ERRORS, true);
  w.Show(IDC_SCAN_ERRORS, true);
  w.LinesClear(IDC_SCAN_ERRORS);
  w.SetRange(IDC_PROGRESS, 0, int64_t(ScanRegion.LengthSectors / std::max<uint32_t>(ScanBlockSectors, 1)));
  w.SetPos(IDC_PROGRESS, 0);
  w.SetFocus(ScanFromDuplication ? win::IDCANCEL : IDC_START_SCAN);
  if (ScanFromDuplication) {
    w.Enable(IDC_START_SCAN, false);
    w.Enable(IDC_BACK, false);
    ticks_ = 0;
    w.SetTimer(kStartTimer, 1);
  }
}

void CBadSectorScan::OnTimer(ui::Window& w, unsigned id) {
  // The second tick: the page is on the screen by then.
  if (id != kStartTimer || ++ticks_ < 2) return;
  w.KillTimer(kStartTimer);
  RunBadSectorScan(w);
  w.Close(IDC_NEXT);
}

void CBadSectorScan::OnCommand(ui::Window& w, int id) {
  switch (id) {
    case IDC_START_SCAN:
      RunBadSectorScan(w);
      break;
    case IDC_BACK:
      if (!ScanFromDuplication) w.Close(IDC_BACK);
      break;
    case IDC_SCAN_SHOW_ERRORS:
      // The list keeps its lines while it is hidden.
      w.Show(IDC_SCAN_ERRORS, w.GetCheck(IDC_SCAN_SHOW_ERRORS));
      break;
    default:
      break;
  }
}

void CBadSectorScan::OnCancel(ui::Window& w) {
  if (ScanDone) {
    w.Close(IDC_NEXT);
    return;
  }
  unsigned icon = ScanRunning ? win::MB_ICONINFORMATION : win::MB_ICONQUESTION;
  if (w.MessageBox(T(L"IDS_Scancancel"), win::MB_YESNO | icon | win::MB_TASKMODAL) != win::IDYES) return;
  ScanCancelled = true;
  // A running scan stops at its next look at the queue.
  if (!ScanRunning) w.Close(win::IDCANCEL);
}

}  // namespace scan
