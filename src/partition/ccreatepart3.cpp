#include "partition/ccreatepart3.h"

#include <algorithm>

#include "app/disk_list.h"
#include "app/language.h"
#include "partition/create_request.h"
#include "partition/manager_state.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace partition {

using app::T;

void CCreatePart3::OnInit(ui::Window& w) {
  CreatePartitionRequestRecord& r = CreatePartitionRequest;
  w.SetText(0, T(L"IDS_ResizePartiCAP"));
  w.SetText(IDC_HEADING, T(L"IDS_ResizePartiH1"));
  w.SetText(IDC_CP_DRIVE, T(L"IDS_LogicalDrv"));
  const disk::DiskEntry* d = SelectedDiskEntry();
  w.SetText(IDC_CP_DRIVE_VALUE, std::wstring(1, letter_) + L":" + (d ? L"  " + app::DiskDescription(*d) : L""));
  w.SetText(IDC_CP_MIN_LABEL, T(L"IDS_MinSize"));
  w.SetText(IDC_CP_MAX_LABEL, T(L"IDS_MaxSize"));
  w.SetText(IDC_CP_SIZE_LABEL, T(L"IDS_NewSize"));
  w.SetText(IDC_CP_APPLY, T(L"IDS_Apply"));
  w.SetText(IDC_CP_RESIZE, T(L"IDS_Resize"));
  w.SetText(win::IDCANCEL, T(L"IDS_Cancel"));
  // The page opens at the partition's current size, so that Resize
  // pressed at once changes nothing; the operator moves it from there.
  r.newSizeSectors = std::clamp(current_, r.minSectors, std::max(r.minSectors, r.maxSectors));
  size_ = SizeControls(r.minSectors, r.maxSectors, &r.newSizeSectors);
  size_.Show(w);
}

void CCreatePart3::OnCommand(ui::Window& w, int id) {
  if (id == IDC_CP_APPLY) {
    size_.Apply(w);
  } else if (id == IDC_CP_RESIZE) {
    size_.ApplyPending(w);
    // The file system inside cannot be shrunk: a smaller partition would
    // cut off the end of the volume.
    if (CreatePartitionRequest.newSizeSectors < current_) {
      w.MessageBox(T(L"IDS_ShrinkNotPossible"), win::MB_OK | win::MB_ICONEXCLAMATION);
      return;
    }
    confirmed_ = true;
    w.Close(win::IDOK);
  }
}

void CCreatePart3::OnEditChange(ui::Window& w, int id) { size_.OnEditChange(w, id); }

void CCreatePart3::OnSlider(ui::Window& w, int id, int64_t pos, bool released) {
  size_.OnSlider(w, id, pos, released);
}

}  // namespace partition
