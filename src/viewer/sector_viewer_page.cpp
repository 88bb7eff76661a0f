#include "viewer/sector_viewer_page.h"

#include <cstring>

#include "app/language.h"
#include "disk/disk_access.h"
#include "erase/page_texts.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"
#include "viewer/sector_view.h"
#include "viewer/viewer_ids.h"

namespace viewer {

using app::T;

namespace {
// The sector shown; zeros after a failed read, so that no earlier sector
// is ever shown under this sector's number.
uint8_t g_sector[512];

// The partition's volume, with its last sectors in reach: a mounted file
// system checks reads against its own size, and NTFS keeps the backup of
// its boot sector in the partition's last sector, beyond that size.
platform::Handle OpenWholeVolume(wchar_t letter) {
  platform::Handle h = disk::OpenVolumeHandle(letter);
  uint32_t got = 0;
  if (platform::IsValid(h))
    platform::Sys().DeviceIoControl(h, win::FSCTL_ALLOW_EXTENDED_DASD_IO, nullptr, 0, nullptr, 0, &got);
  return h;
}

}  // namespace

int CViewDiskData::TemplateId() const { return IDD_VIEW_DISK_DATA; }

void CViewDiskData::OnInit(ui::Window& w) {
  region_ = erase::SelectedRegion;
  erase::SetHeadings(w, L"IDS_ViewDiskDataCap", L"IDS_ViewDiskDataCap", L"IDS_ViewDiskDataH2");
  erase::SetTexts(w, {{IDC_GROUP, L"IDS_ViewDiskDataH2"}, {IDC_VIEW_SECTOR_LABEL, L"IDS_Sector"},
                      {IDC_VIEW_GO, L"IDS_ViewSectorNo"}, {IDC_VIEW_START, L"IDS_StartSec"}, {IDC_VIEW_END, L"IDS_EndSec"},
                      {IDC_VIEW_PREVIOUS, L"IDS_previous"}, {IDC_VIEW_NEXT, L"IDS_forward"}, {win::IDCANCEL, L"IDS_Close"},
                      {IDC_VIEW_CYLINDER, L"IDS_Cylinder"}, {IDC_VIEW_HEAD, L"IDS_Head"}});
  w.SetText(IDC_TEXT1, T(L"IDS_DiskPartition") + L":");
  w.SetText(IDC_VIEW_REGION_TEXT, erase::RegionTargetText(region_));
  w.Show(IDC_VIEW_CYLINDER, false);
  w.Show(IDC_VIEW_HEAD, false);
  w.SetFont(IDC_VIEW_DUMP, ui::Font::Fixed);
  // A partition without a drive letter (a system or EFI partition, a type
  // the system does not mount) has no volume to open: it is read through
  // its disk from its first sector, within its length.
  if (region_.RegionKind == erase::kWholeDisk || region_.DriveLetter == L' ')
    diskOpen_ = disk::OpenDiskReadWrite(int(region_.DriveNumber)) != platform::kNullHandle;
  else
    volume_ = OpenWholeVolume(region_.DriveLetter);
  ViewerSector = 0;
  ShowSector(w);
  w.SetFocus(IDC_VIEW_SECTOR);
}

void CViewDiskData::ShowSector(ui::Window& w) {
  busy_ = true;
  ViewerSector = ClampSector(ViewerSector, region_.LengthSectors);
  w.SetText(IDC_VIEW_SECTOR, text::Dec(ViewerSector));
  if (diskOpen_)
    lastReadOk_ = disk::ReadCurrentDisk(g_sector, region_.StartLba + ViewerSector, 1) == 0;
  else
    lastReadOk_ = platform::IsValid(volume_) && disk::ReadSectors(volume_, g_sector, ViewerSector, 1) == sizeof g_sector;
  if (!lastReadOk_) std::memset(g_sector, 0, sizeof g_sector);
  w.SetText(IDC_VIEW_DUMP, SectorDumpText(g_sector, ViewerSector));
  w.SetText(IDC_VIEW_SECTOR, text::Dec(ViewerSector));
  busy_ = false;
}

void CViewDiskData::OnCommand(ui::Window& w, int id) {
  if (busy_) return;
  Step step;
  switch (id) {
    case IDC_VIEW_START: step = Step::Start; break;
    case IDC_VIEW_END: step = Step::End; break;
    case IDC_VIEW_NEXT: step = Step::Next; break;
    case IDC_VIEW_PREVIOUS: step = Step::Previous; break;
    case IDC_VIEW_GO:
      ViewerSector = ParseTypedSector(w.GetText(IDC_VIEW_SECTOR));
      ShowSector(w);
      return;
    default:
      return;
  }
  uint64_t next = StepSector(ViewerSector, step, region_.LengthSectors);
  // Next on the last sector does nothing, not even a new read.
  if (step == Step::Next && next == ViewerSector) return;
  ViewerSector = next;
  ShowSector(w);
}

void CViewDiskData::OnCancel(ui::Window& w) {
  if (diskOpen_) {
    disk::CloseCurrentDisk();
    diskOpen_ = false;
  } else if (platform::IsValid(volume_)) {
    platform::Sys().CloseHandle(volume_);
    volume_ = platform::kInvalidHandle;
  }
  w.Close(win::IDCANCEL);
}

}  // namespace viewer
