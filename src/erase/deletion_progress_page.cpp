#include "erase/deletion_progress_page.h"

#include "app/language.h"
#include "disk/disk_access.h"
#include "duplicate/system_guard.h"
#include "erase/erase_ids.h"
#include "erase/page_texts.h"
#include "erase/selected_region.h"
#include "erase/wipe_engine.h"
#include "erase/wipe_methods.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace erase {

using app::T;

namespace {
constexpr unsigned kQuestion = win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL;
}

int CDeletionProgress::TemplateId() const { return IDD_DELETE_PROGRESS; }

void CDeletionProgress::OnInit(ui::Window& w) {
  // A new deletion: Cancel closes the page again until it starts.
  DeleteStarted = false;
  SetHeadings(w, L"IDS_DelProgCap", L"IDS_DelProgCap", L"IDS_DelProgH2");
  SetTexts(w, {{IDC_GROUP, L"IDS_Confirm"}, {IDC_DELETE_WARNING, L"IDS_DelProg1"}, {IDC_TEXT2, L"IDS_DelProg2"},
               {IDC_DELETE_PROGRESS_GROUP, L"IDS_Progress"}, {IDC_TEXT3, L"IDS_CurrPros"},
               {IDC_TEXT4, L"IDS_ElapsedTime"}, {IDC_BACK, L"IDS_Back"}, {IDC_START_DELETION, L"IDS_StartDel"},
               {win::IDCANCEL, L"IDS_Cancel"}});
  w.SetText(IDC_TEXT1, T(L"IDS_DiskPartition") + L":");
  w.SetText(IDC_VALUE1, RegionWriteTargetText(SelectedRegion));
  w.SetText(IDC_VALUE2, MethodName(WipeMethod));
  w.SetText(IDC_STATUS, L"");
  w.SetText(IDC_ELAPSED, L"00:00:00");
  w.SetText(IDC_PROGRESS_DETAIL, L"");
  w.SetRange(IDC_PROGRESS, 0, 100);
  w.SetPos(IDC_PROGRESS, 0);
  w.SetFocus(IDC_START_DELETION);
}

void CDeletionProgress::OnCommand(ui::Window& w, int id) {
  if (id == IDC_START_DELETION) {
    // Asked again at the start: the disks may have changed since the
    // region was chosen.
    const Region& r = SelectedRegion;
    int drive = int(r.DriveNumber);
    std::wstring refusal = r.RegionKind == kWholeDisk ? duplicate::DiskWriteRefusal(drive)
                                                      : duplicate::WriteRefusal(drive, r.StartLba, r.LengthSectors);
    if (!refusal.empty()) {
      w.MessageBox(refusal, win::MB_OK | win::MB_ICONEXCLAMATION);
      return;
    }
    disk::IoErrorCount = 0;
    if (w.MessageBox(T(L"IDS_DeleteWarning") + L"\n\n" + RegionWriteTargetText(r), kQuestion) != win::IDYES) return;
    RunDeletion(w);
    w.Close(IDC_NEXT);
  } else if (id == IDC_BACK) {
    w.Close(IDC_BACK);
  }
}

void CDeletionProgress::OnCancel(ui::Window& w) {
  if (w.MessageBox(T(L"IDS_DeleteCancel"), kQuestion) != win::IDYES) return;
  DeleteCancelled = true;
  // A running wipe sees the flag before its next transfer and then goes
  // on to the report page.
  if (!DeleteStarted) w.Close(win::IDCANCEL);
}

}  // namespace erase
