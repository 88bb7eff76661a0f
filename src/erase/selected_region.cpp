#include "erase/selected_region.h"

#include "app/disk_list.h"
#include "app/format_size.h"
#include "app/language.h"
#include "platform/text.h"

namespace erase {

Region SelectedRegion;
int RememberedDiskRow = -1;

std::wstring RegionName(const Region& r, bool numberWithoutLetter) {
  using app::T;
  if (r.RegionKind == kWholeDisk) return T(L"IDS_Disk") + L" " + text::Dec(uint64_t(r.DriveNumber)) + L" " + r.DiskName;
  std::wstring where = (numberWithoutLetter && r.DriveLetter == L' ') ? L"#" + text::Dec(r.StartLba)
                                                                      : std::wstring(1, r.DriveLetter) + L":";
  return T(L"IDS_Partition") + L" (" + where + L") " + r.FileSystemName;
}

std::wstring RegionTargetText(const Region& r, bool numberWithoutLetter) {
  return RegionName(r, numberWithoutLetter) + L" " + app::FormatSize(r.LengthSectors);
}

std::wstring RegionWriteTargetText(const Region& r) {
  std::wstring target = RegionTargetText(r, true);
  if (r.RegionKind == kWholeDisk) return target;
  return target + L", " + app::DiskDescriptionOf(int(r.DriveNumber));
}

void ResetSelectedRegion() {
  SelectedRegion = Region{};
  RememberedDiskRow = -1;
}

}  // namespace erase
