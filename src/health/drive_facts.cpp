#include "health/drive_facts.h"

#include "disk/disk_table.h"
#include "disk/volume_map.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace health {

DriveFacts FactsOf(const std::vector<app::DiskListRow>& rows, int driveNumber) {
  DriveFacts f;
  f.driveNumber = driveNumber;
  for (const app::DiskListRow& row : rows) {
    if (row.driveNumber != driveNumber) continue;
    if (row.isDisk) {
      const disk::DiskEntry* e = disk::DiskAt(row.diskIndex);
      if (!e) continue;
      f.inTable = true;
      f.busName = e->BusName;
      f.model = e->Model;
      f.sizeSectors = e->SizeSectors;
    } else if (row.letter >= 0) {
      f.usedSectors += disk::UsedSectorsOfLetter(wchar_t(row.letter));
    }
  }
  f.uniqueId = UniqueDeviceId(driveNumber);
  return f;
}

std::wstring UniqueIdFromInstancePath(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  std::wstring last = slash == std::wstring::npos ? path : path.substr(slash + 1);
  size_t amp = last.find(L'&', 1);
  if (amp == std::wstring::npos) return last;
  if (amp < 5) {
    // "5&1a2b3c&0&0.0.0": a short bus prefix before the id itself.
    std::wstring rest = last.substr(amp + 1);
    return rest.substr(0, rest.find(L'&'));
  }
  return last.substr(0, amp);
}

std::wstring UniqueDeviceId(int driveNumber) {
  auto& sys = platform::Sys();
  platform::Handle key = platform::kNullHandle;
  if (sys.RegCreateKey(win::HKEY_LOCAL_MACHINE, L"SYSTEM\\ControlSet001\\Services\\disk\\Enum", win::KEY_QUERY_VALUE,
                       &key) != 0)
    return L"";
  uint32_t type = 0;
  std::vector<uint8_t> data;
  long r = sys.RegQueryValue(key, text::Dec(int64_t(driveNumber)), &type, &data, 1024);
  sys.RegCloseKey(key);
  if (r != 0 || type != win::REG_SZ) return L"";
  std::wstring path = text::DecodeUtf16LE(data.data(), data.size());
  size_t nul = path.find(L'\0');
  if (nul != std::wstring::npos) path.resize(nul);
  return UniqueIdFromInstancePath(path);
}

}  // namespace health
