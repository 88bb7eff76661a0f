#include "erase/selected_region.h"

#include "app/disk_list.h"
#include "app/format_size.h"
#include "app/language.h"
#include "platform/text.h"

namespace erase {

Region SelectedRegion;
int RememberedDiskRow = -1;

std::wstring RegionName(const Region& r) {
  using app::T;
  if (r.RegionKind == kWholeDisk) return T(L"IDS_Disk") + L" " + text::Dec(uint64_t(r.DriveNumber)) + L" " + r.DiskName;
  std::wstring where = r.DriveLetter == L' ' ? L"#" + text::Dec(r.StartLba) : std::wstring(1, r.DriveLetter) + L":";
  std::wstring name = T(L"IDS_Partition") + L" (" + where + L")";
  return r.FileSystemName.empty() ? name : name + L" " + r.FileSystemName;
}

std::wstring RegionTargetText(const Region& r) { return RegionName(r) + L" " + app::FormatSize(r.LengthSectors); }

std::wstring RegionWriteTargetText(const Region& r) {
  std::wstring target = RegionTargetText(r);
  if (r.RegionKind == kWholeDisk) return target;
  return target + L", " + app::DiskDescriptionOf(int(r.DriveNumber));
}

void ResetSelectedRegion() {
  SelectedRegion = Region{};
  RememberedDiskRow = -1;
}

}  // namespace erase
