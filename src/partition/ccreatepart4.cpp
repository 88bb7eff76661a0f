// Create wizard, page 1: the size of the new partition and its kind.
#include "app/disk_list.h"
#include "app/format_size.h"
#include "app/language.h"
#include "partition/create_request.h"
#include "partition/create_wizard.h"
#include "partition/manager_state.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace partition {

using app::T;

void CCreatePart4::OnInit(ui::Window& w) {
  CreatePartitionRequestRecord& r = CreatePartitionRequest;
  w.SetText(0, T(L"IDS_CreatePartWzCAP"));
  w.SetText(IDC_HEADING, T(L"IDS_CreatePartWzH1"));
  w.SetText(IDC_CP_LABEL1, T(L"IDS_CreatePartWzLbl1"));
  w.SetText(IDC_CP_LABEL2, T(L"IDS_CreatePartWzLbl2"));
  w.SetText(IDC_CP_DRIVE, T(L"IDS_Drive"));
  const disk::DiskEntry* d = SelectedDiskEntry();
  w.SetText(IDC_CP_DRIVE_VALUE, d ? app::DiskNumberWithModel(*d) : L"");
  w.SetText(IDC_CP_MIN_LABEL, T(L"IDS_MinSize"));
  w.SetText(IDC_CP_MAX_LABEL, T(L"IDS_MaxSize"));
  w.SetText(IDC_CP_SIZE_LABEL, T(L"IDS_NewSize"));
  w.SetText(IDC_CP_PRIMARY, T(L"IDS_PrimaryPartition"));
  w.SetText(IDC_CP_EXTENDED, T(L"IDS_ExtendedPartition"));
  w.SetText(IDC_CP_APPLY, T(L"IDS_Apply"));
  w.SetText(IDC_NEXT, T(L"IDS_Next"));
  w.SetText(win::IDCANCEL, T(L"IDS_Cancel"));
  if (r.sizeMB < 0) r.sizeMB = int64_t(r.maxSectors / 2048);
  r.sizeSectors = uint64_t(r.sizeMB) * 2048;
  size_ = SizeControls(r.minSectors, r.maxSectors, &r.sizeSectors);
  size_.Show(w);
  if (r.logical) {
    w.Show(IDC_CP_LABEL2, false);
    w.Show(IDC_CP_PRIMARY, false);
    w.Show(IDC_CP_EXTENDED, false);
    return;
  }
  const PartitionManagerState& m = PartitionManager;
  // One extended partition per disk, none on GPT; the fourth MBR slot of a
  // disk with three primaries is kept for the extended partition.
  bool extendedAllowed = !m.hasExtended && !m.gptDisk;
  bool primaryAllowed = m.gptDisk || m.primaryCount <= 2;
  if (!extendedAllowed) r.primary = true;
  else if (!primaryAllowed) r.primary = false;
  w.Enable(IDC_CP_EXTENDED, extendedAllowed);
  w.Enable(IDC_CP_PRIMARY, primaryAllowed);
  ShowKind(w);
}

void CCreatePart4::ShowKind(ui::Window& w) {
  w.SetCheck(IDC_CP_PRIMARY, CreatePartitionRequest.primary);
  w.SetCheck(IDC_CP_EXTENDED, !CreatePartitionRequest.primary);
}

void CCreatePart4::OnCommand(ui::Window& w, int id) {
  CreatePartitionRequestRecord& r = CreatePartitionRequest;
  switch (id) {
    case IDC_CP_APPLY:
      size_.Apply(w);
      break;
    case IDC_CP_PRIMARY:
    case IDC_CP_EXTENDED:
      r.primary = id == IDC_CP_PRIMARY;
      ShowKind(w);
      break;
    case IDC_NEXT:
      // A size typed but not applied is what the operator means.
      size_.ApplyPending(w);
      r.sizeMB = int64_t(r.sizeSectors / 2048);
      w.Close(IDC_NEXT);
      break;
    default:
      break;
  }
}

void CCreatePart4::OnEditChange(ui::Window& w, int id) { size_.OnEditChange(w, id); }

void CCreatePart4::OnSlider(ui::Window& w, int id, int64_t pos, bool released) {
  size_.OnSlider(w, id, pos, released);
}

}  // namespace partition
