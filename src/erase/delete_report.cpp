#include "erase/delete_report.h"

#include <ctime>

#include "app/format_size.h"
#include "app/language.h"
#include "app/version.h"
#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "erase/dump_row.h"
#include "erase/selected_region.h"
#include "erase/wipe_engine.h"
#include "platform/system.h"
#include "platform/text.h"

namespace erase {

using app::T;

std::wstring DeleteReport;

std::wstring DeleteResultText() {
  if (DeleteCancelled) return T(L"IDS_Aborted");
  // Failed writes leave sectors as they were: not a completed deletion.
  return T(disk::IoErrorCount > 0 ? L"IDS_Completed_Error" : L"IDS_Completed");
}

std::wstring ReportTargetText() { return RegionName(SelectedRegion) + L" "; }

std::wstring SnapshotRow(int i) { return FormatDumpRow(SnapshotSector, uint32_t(i) * 16, 0); }

void BuildDeleteReport() {
  const std::wstring crlf = L"\r\n";
  std::wstring& r = DeleteReport;
  r.clear();
  r += T(L"IDS_DelProgSum2") + crlf;
  r += T(L"IDS_DelProgSum3") + L" " + DeleteDateText + crlf;
  r += T(L"IDS_DelProgSum4") + L" " + T(L"IDS_Product") + crlf;
  r += crlf;
  r += T(L"IDS_Configuration") + crlf;
  r += T(L"IDS_DiskPartition") + L":" + L" " + ReportTargetText() + crlf;
  r += T(L"IDS_TotalSize") + L": " + app::FormatSize(SelectedRegion.LengthSectors) + crlf;
  r += T(L"IDS_DelProg2") + L" " + MethodName(WipeMethod) + crlf;
  r += crlf;
  r += T(L"IDS_Result") + crlf;
  r += T(L"IDS_DelResult") + L" " + DeleteResultText() + crlf;
  r += T(L"IDS_DelErr") + L" " + text::Dec(int64_t(disk::IoErrorCount)) + crlf;
  r += T(L"IDS_AfterDelSnap") + crlf;
  // The address and the sixteen hexadecimal pairs, without the characters.
  for (int i = 0; i < 3; ++i) r += SnapshotRow(i).substr(0, 60) + crlf;
  r += crlf;
  // What a certificate of erasure needs besides: added behind the lines
  // above, which readers of the report know by their place.
  const disk::DiskIdentity& d = WipedDisk;
  r += T(L"IDS_ReportModel") + L" " + d.model + crlf;
  r += T(L"IDS_ReportSerial") + L" " + (d.serial.empty() ? T(L"IDS_None") : d.serial) + crlf;
  r += T(L"IDS_ReportSectors") + L" " + text::Dec(d.sizeSectors) + crlf;
  r += T(L"IDS_ReportBus") + L" " + d.bus + crlf;
  r += T(L"IDS_ReportVersion") + L" " + app::ProductVersionText() + crlf;
  r += OverwrittenText() + crlf;
}

std::wstring OverwrittenText() {
  std::wstring t = app::FillField(T(L"IDS_ReportOverwritten"), L"%DONE%", text::Dec(SectorsOverwritten));
  t = app::FillField(t, L"%TOTAL%", text::Dec(SelectedRegion.LengthSectors));
  t = app::FillField(t, L"%PASS%", text::Dec(int64_t(PassesBegun)));
  return app::FillField(t, L"%PASSES%", text::Dec(int64_t(PassCount)));
}

std::wstring DefaultReportFileName() {
  std::tm t = platform::Sys().LocalTime(DeleteStartTime);
  char when[32];
  std::strftime(when, sizeof when, "%Y-%m-%d %H%M", &t);
  std::wstring name = T(L"IDS_DelReport") + L" " + T(L"IDS_Drive") + text::Dec(uint64_t(SelectedRegion.DriveNumber));
  if (SelectedRegion.RegionKind == kPartition && SelectedRegion.DriveLetter != L' ')
    name += L" " + std::wstring(1, SelectedRegion.DriveLetter);
  name += L" " + text::Widen(when) + L".txt";
  // Nothing a file name cannot hold, whatever the language's texts say.
  for (wchar_t& c : name)
    if (c < 0x20 || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos) c = L'_';
  return name;
}

std::vector<uint8_t> DeleteReportFileBytes() {
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  std::vector<uint8_t> body = text::EncodeUtf16LE(DeleteReport);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

bool SaveDeleteReport(const std::wstring& path) {
  platform::Handle h = disk::CreateFileWriteThrough(path);
  if (!platform::IsValid(h)) return false;
  std::vector<uint8_t> bytes = DeleteReportFileBytes();
  uint32_t done = 0;
  bool ok = platform::Sys().WriteFile(h, bytes.data(), uint32_t(bytes.size()), &done) && done == bytes.size();
  ok = platform::Sys().CloseHandle(h) && ok;
  return ok;
}

}  // namespace erase
