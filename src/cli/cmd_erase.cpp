// wipe, scan and view: the deletion wizard, the scan wizard and the
// partition view, driven through the scripted host as an operator would.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/disk_list.h"
#include "app/language.h"
#include "app/version.h"
#include "app/wizards.h"
#include "cli/context.h"
#include "cli/json.h"
#include "cli/listed_row.h"
#include "cli/progress.h"
#include "disk/disk_access.h"
#include "erase/delete_report.h"
#include "erase/erase_ids.h"
#include "erase/region_list.h"
#include "erase/wipe_engine.h"
#include "erase/wipe_methods.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "scan/scan_engine.h"
#include "scan/scan_ids.h"
#include "ui/control_ids.h"
#include "viewer/sector_view.h"
#include "viewer/sector_viewer_page.h"
#include "viewer/viewer_ids.h"

namespace cli {

namespace {

struct Target {
  int disk = 0;       // Windows disk number, as the lists show it (Disk0 is 0)
  int partition = 0;  // partition row of that disk, 1-based; 0: the whole disk
  int row = -1;       // the row in the pages' disk list
  std::string text;
};

// --disk N or --partition N:R, checked against the list the pages show.
Target TakeTarget(Args& a) {
  std::string disk, partition;
  bool hasDisk = a.Take("--disk", &disk), hasPartition = a.Take("--partition", &partition);
  if (hasDisk == hasPartition) throw UsageError("give either --disk N or --partition N:R");
  Target t;
  if (hasDisk) {
    t.disk = ParseNumber(disk, "--disk", 0);
    t.text = "disk " + disk;
  } else {
    size_t colon = partition.find(':');
    if (colon == std::string::npos) throw UsageError("--partition needs N:R (disk N, partition row R)");
    t.disk = ParseNumber(partition.substr(0, colon), "--partition N", 0);
    t.partition = ParseNumber(partition.substr(colon + 1), "--partition R", 1);
    t.text = "partition " + partition;
  }
  std::vector<app::DiskListRow> rows = app::BuildDiskListRows();
  if (erase::RegionRowOf(rows, t.disk, 0) < 0)
    throw UsageError("there is no disk " + std::to_string(t.disk) + " in the list (see the disks command)");
  t.row = erase::RegionRowOf(rows, t.disk, t.partition);
  if (t.row < 0) throw UsageError("disk " + std::to_string(t.disk) + " has no partition row " + std::to_string(t.partition));
  return t;
}

// The first page: the target's row checked, then Next (or View).
void CheckTarget(ui::ScriptedWindow& w, const Target& t, int button, bool* refused) {
  const int row = ListedRow(w, IDC_LIST, t.disk, t.partition);
  if (!w.CheckRow(IDC_LIST, row, true) || !w.ListGetCheck(IDC_LIST, row)) {
    *refused = true;
    w.Close(win::IDCANCEL);
    return;
  }
  w.Press(button);
}

std::vector<std::wstring> SplitLines(const std::wstring& s) {
  std::vector<std::wstring> out;
  size_t at = 0;
  for (size_t end; (end = s.find(L"\r\n", at)) != std::wstring::npos; at = end + 2) out.push_back(s.substr(at, end - at));
  if (at < s.size()) out.push_back(s.substr(at));
  return out;
}

// The path the save dialog is answered with. On the simulated PC a host
// file's folder is lent to the machine as a drive of its own (the way Wine
// lends the host's root as Z:), so that the page saves through the
// machine's own file services.
std::wstring ReportPath(Context& c, const std::string& file) {
  std::wstring path = text::FromUtf8(file);
  bool windowsPath = (path.size() > 2 && path[1] == L':' && path[2] == L'\\') || path.rfind(L"\\\\", 0) == 0;
  if (!c.sim || windowsPath) return path;
  std::error_code ec;
  std::filesystem::path host = std::filesystem::absolute(file, ec);
  // A folder that does not exist is not lent (the machine would make it).
  if (ec || !std::filesystem::is_directory(host.parent_path(), ec)) return path;
  for (wchar_t letter = L'Z'; letter > L'C'; --letter) {
    if (c.sim->Mounts().LetterInUse(letter)) continue;
    sim::DriveConfig d;
    d.letter = letter;
    d.driveType = win::DRIVE_REMOTE;
    d.files = host.parent_path().string();
    c.sim->Mounts().Drives().push_back({d});
    return std::wstring(1, letter) + L":\\" + text::FromUtf8(host.filename().string());
  }
  return path;
}

}  // namespace

int CmdWipe(Context& c, Args& a) {
  Target t = TakeTarget(a);
  uint64_t method = a.TakeNumber("--method", 0, true);
  std::string reportFile;
  bool wantReport = a.Take("--report", &reportFile);
  a.Done();
  if (method > 3) throw UsageError("--method is 0 to 3 (0 zeros, 1 random, 2 random-random-zeros, 3 three passes and verification)");
  if (wantReport) c.CheckReportFile("--report", reportFile);

  bool refused = false, declined = false, reported = false, reportFailed = false, started = false;
  // The time of the passes: from the progress bar's range to the report.
  uint32_t passesFrom = 0, passesTo = 0;
  c.host.onProgress = [&](ui::ScriptedWindow& w, int id, int64_t, int64_t, int64_t) {
    if (started && !passesFrom && id == IDC_PROGRESS) passesFrom = platform::Sys().GetTickCount();
  };
  c.host.OnPage("CSelectDisk", [&](ui::ScriptedWindow& w) { CheckTarget(w, t, IDC_NEXT, &refused); });
  c.host.OnPage("CSelectDeleteMethod", [&](ui::ScriptedWindow& w) {
    w.CheckRow(IDC_LIST, int(method), true);
    w.Press(IDC_NEXT);
  });
  c.host.OnPage("CDeletionProgress", [&](ui::ScriptedWindow& w) {
    started = true;
    w.Press(IDC_START_DELETION);
    if (!w.IsClosed()) {
      declined = true;
      w.Close(win::IDCANCEL);
    }
  });
  std::wstring reportPath;
  c.host.fileDialog = [&](bool save, const std::wstring&) -> std::optional<std::wstring> {
    if (!save) return std::nullopt;
    return reportPath;
  };
  c.host.OnPage("CDeleteProgressSummary", [&](ui::ScriptedWindow& w) {
    passesTo = platform::Sys().GetTickCount();
    reported = true;
    if (wantReport) {
      reportPath = ReportPath(c, reportFile);
      size_t before = c.host.messages.size();
      w.Press(IDC_SAVE_REPORT);
      for (size_t i = before; i < c.host.messages.size(); ++i)
        reportFailed |= c.host.messages[i].text == app::T(L"IDS_ReportNotSaved");
    }
    w.Close(win::IDOK);
  });
  {
    TerminalProgress progress(c, "CDeletionProgress", IDC_PROGRESS);
    app::OpenDeletionWizard();
  }
  // The page refused the row and said why (the running Windows needs it).
  if (refused) return c.Refuse(text::Widen(t.text + " was refused; nothing was written"));
  if (declined || !reported)
    return c.Refuse(L"the deletion was not confirmed and nothing was written (add --yes to erase)");

  std::vector<std::wstring> snapshot;
  for (int i = 0; i < 32; ++i) snapshot.push_back(erase::SnapshotRow(i));
  if (c.opt.json) {
    Json j;
    j.BeginObject()
        .Field("IoErrorCount", int64_t(disk::IoErrorCount))
        .Field("result", erase::DeleteResultText())
        .Field("aborted", erase::DeleteCancelled)
        .Field("DeleteDateText", erase::DeleteDateText)
        .Field("method", erase::MethodName(erase::WipeMethod))
        .Field("WipeMethod", int64_t(erase::WipeMethod))
        .Field("target", erase::ReportTargetText())
        .Field("milliseconds", uint64_t(passesFrom ? passesTo - passesFrom : 0))
        .Field("model", erase::WipedDisk.model)
        .Field("serial", erase::WipedDisk.serial)
        .Field("SizeSectors", erase::WipedDisk.sizeSectors)
        .Field("bus", erase::WipedDisk.bus)
        .Field("version", app::VersionText())
        .Field("sectorsOverwritten", erase::SectorsOverwritten)
        .Field("sectorsTotal", erase::SelectedRegion.LengthSectors)
        .Field("passesBegun", int64_t(erase::PassesBegun))
        .Field("passes", int64_t(erase::PassCount));
    if (wantReport) j.Field("reportSaved", !reportFailed);
    j.StrArray("snapshot", snapshot).EndObject();
    c.Out(j.Text());
  } else {
    for (const std::wstring& line : SplitLines(erase::DeleteReport)) c.Out(line);
    for (const std::wstring& row : snapshot) c.Out(row);
  }
  bool ok = !erase::DeleteCancelled && disk::IoErrorCount == 0 && !reportFailed;
  return ok ? 0 : 1;
}

int CmdScan(Context& c, Args& a) {
  Target t = TakeTarget(a);
  a.Done();
  // Asking for the scan is the answer to the page's question; it only reads.
  auto echo = c.host.answer;
  c.host.answer = [&, echo](const std::wstring& text, unsigned flags) {
    if (text == app::T(L"IDS_writeverify")) {
      c.Err(L"message: " + text + L" [Yes]");
      return win::IDYES;
    }
    return echo(text, flags);
  };
  bool refused = false;
  std::vector<std::wstring> lines;
  std::wstring result;
  c.host.OnPage("CScanNewDiskPartition", [&](ui::ScriptedWindow& w) { CheckTarget(w, t, IDC_NEXT, &refused); });
  uint32_t scanTime = 0;
  c.host.OnPage("CBadSectorScan", [&](ui::ScriptedWindow& w) {
    uint32_t from = platform::Sys().GetTickCount();
    w.Press(IDC_START_SCAN);
    scanTime = platform::Sys().GetTickCount() - from;
    for (int i = 0; i < w.LinesCount(IDC_SCAN_ERRORS); ++i) lines.push_back(w.LinesGet(IDC_SCAN_ERRORS, i));
    if (!w.IsClosed()) w.Close(win::IDCANCEL);
  });
  c.host.OnPage("CScanSummary", [&](ui::ScriptedWindow& w) {
    result = w.GetText(IDC_VALUE2);
    w.Close(win::IDOK);
  });
  {
    TerminalProgress progress(c, "CBadSectorScan", IDC_PROGRESS);
    app::OpenScanWizard();
  }
  // The page refused the row and said why.
  if (refused) return c.Refuse(text::Widen(t.text + " was refused; nothing was read"));
  if (c.opt.json) {
    Json j;
    j.BeginObject()
        .Field("ScanFailedBlocks", int64_t(scan::ScanFailedBlocks))
        .Field("ScanRetryGoodBlocks", int64_t(scan::ScanRetryGoodBlocks))
        .Field("IoErrorCount", int64_t(disk::IoErrorCount))
        .Field("aborted", scan::ScanCancelled)
        .Field("result", result)
        .Field("milliseconds", uint64_t(scanTime))
        .StrArray("lines", lines);
    j.Key("BadSectors").BeginArray();
    for (const scan::SectorRange& r : scan::ScanBadSectors)
      j.BeginObject().Field("first", r.first).Field("last", r.last).EndObject();
    j.EndArray().EndObject();
    c.Out(j.Text());
  } else {
    for (const std::wstring& l : lines) c.Out(l);
    c.Out(app::T(L"IDS_SCANRESULT") + L" " + result);
    c.Out(app::T(L"IDS_BadSectors") + L" " + scan::BadSectorsText(SIZE_MAX));
  }
  return !scan::ScanDone || scan::ScanCancelled || scan::ScanFailedBlocks > 0 ? 1 : 0;
}

int CmdView(Context& c, Args& a) {
  Target t = TakeTarget(a);
  std::string sector;
  bool typed = a.Take("--sector", &sector);
  // Checked as every number option is, rather than left to what the page
  // makes of leading digits ("abc" would show sector 0, "1.5" sector 1).
  if (typed) Args({"--sector", sector}).TakeNumber("--sector", 0, true);
  std::vector<int> steps;
  for (const std::string& s : a.TakeAll("--go")) {
    if (s == "start") steps.push_back(IDC_VIEW_START);
    else if (s == "end") steps.push_back(IDC_VIEW_END);
    else if (s == "next") steps.push_back(IDC_VIEW_NEXT);
    else if (s == "previous") steps.push_back(IDC_VIEW_PREVIOUS);
    else throw UsageError("--go is start, end, next or previous, not '" + s + "'");
  }
  a.Done();
  bool refused = false, shown = false, readOk = false;
  std::vector<std::wstring> rows;
  c.host.OnPage("CViewDiskPartition", [&](ui::ScriptedWindow& w) {
    CheckTarget(w, t, IDC_VIEW, &refused);
    if (!w.IsClosed()) w.Close(win::IDCANCEL);
  });
  c.host.OnPage("CViewDiskData", [&](ui::ScriptedWindow& w) {
    if (typed) {
      w.Type(IDC_VIEW_SECTOR, text::FromUtf8(sector));
      w.Press(IDC_VIEW_GO);
    }
    for (int id : steps) w.Press(id);
    rows = SplitLines(w.GetText(IDC_VIEW_DUMP));
    readOk = static_cast<viewer::CViewDiskData&>(w.ThePage()).LastReadOk();
    shown = true;
    w.Cancel();
  });
  app::OpenPartitionView();
  if (refused) return c.Refuse(text::Widen(t.text + " was refused; nothing was read"));
  if (!shown) throw UsageError("the row of " + t.text + " cannot be viewed");
  if (c.opt.json) {
    Json j;
    j.BeginObject().Field("sector", viewer::ViewerSector).Field("readOk", readOk).StrArray("rows", rows).EndObject();
    c.Out(j.Text());
  } else {
    for (const std::wstring& r : rows) c.Out(r);
    c.Out(L"sector: " + text::Dec(viewer::ViewerSector) + (readOk ? L"" : L"  (the sector could not be read)"));
  }
  return readOk ? 0 : 1;
}

}  // namespace cli
