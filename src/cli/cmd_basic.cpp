// info, lang, read and start.
#include <algorithm>
#include <vector>

#include "app/app_state.h"
#include "app/language.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/version.h"
#include "cli/context.h"
#include "cli/quick_run.h"
#include "cli/json.h"
#include "disk/disk_access.h"
#include "erase/dump_row.h"
#include "platform/text.h"
#include "ui/control_ids.h"

namespace cli {

namespace {

// How each simulated drive's uncached transfers reach its image: "direct"
// (direct I/O on the host file), "sync" (a data sync before a write
// returns), "memory", or "missing" for a drive that does not answer.
std::string DiskIoOf(sim::SimSystem& s, int drive) {
  return s.Disk(drive).Config().missing ? "missing" : s.Disk(drive).IoName();
}

}  // namespace

int CmdInfo(Context& c, Args& a) {
  a.Done();
  if (c.opt.json) {
    Json j;
    j.BeginObject()
        .Field("version", app::VersionText())
        .Field("CommandLine", app::CommandLine)
        .Field("AppDirectory", app::AppDirectory)
        .Field("IsWinPE", app::IsWinPE)
        .Field("language", app::LanguageName)
        .Field("AppCaption", app::AppCaption);
    if (c.sim) {
      j.Field("machine", c.sim->SimulationName()).Key("disks").BeginArray();
      for (int n = 0; n < c.sim->DiskCountSim(); ++n)
        j.BeginObject()
            .Field("DriveNumber", int64_t(n))
            .Field("image", text::FromUtf8(c.sim->Disk(n).Config().image))
            .Field("DiskIo", text::FromUtf8(DiskIoOf(*c.sim, n)))
            .EndObject();
      j.EndArray();
    }
    j.EndObject();
    c.Out(j.Text());
    return 0;
  }
  c.Out(L"Version:      " + app::ProductVersionText());
  c.Out(L"CommandLine:  " + app::CommandLine);
  c.Out(L"AppDirectory: " + app::AppDirectory);
  c.Out(std::wstring(L"IsWinPE:      ") + (app::IsWinPE ? L"true" : L"false"));
  c.Out(L"Language:     " + app::LanguageName);
  c.Out(L"AppCaption:   " + app::AppCaption);
  if (c.sim) {
    c.Out(L"Machine:      " + c.sim->SimulationName());
    for (int n = 0; n < c.sim->DiskCountSim(); ++n)
      c.Out("Disk " + std::to_string(n) + " I/O:   " + DiskIoOf(*c.sim, n) + "  " + c.sim->Disk(n).Config().image);
  }
  return 0;
}

int CmdLang(Context& c, Args& a) {
  std::vector<std::string> keys = a.Positionals();
  if (keys.empty()) throw UsageError("lang needs at least one KEY");
  if (c.opt.json) {
    Json j;
    j.BeginObject();
    for (auto& k : keys) j.Field(k, app::GetLangString(text::FromUtf8(k)));
    j.EndObject();
    c.Out(j.Text());
  } else {
    for (auto& k : keys) c.Out(app::GetLangString(text::FromUtf8(k)));
  }
  return 0;
}

int CmdRead(Context& c, Args& a) {
  uint64_t drive = a.TakeNumber("--drive", 0, true);
  uint64_t lba = a.TakeNumber("--lba", 0, true);
  uint64_t count = a.TakeNumber("--count", 1, false);
  a.Done();
  if (drive > 0x7FFFFFFF) throw UsageError("--drive is too large");
  if (count == 0 || count > 65536) throw UsageError("--count is 1 to 65536 sectors");
  disk::IoErrorCount = 0;
  std::vector<uint8_t> buf(size_t(count) * 512, 0);
  // A drive that cannot be opened fails its read like any other.
  bool opened = disk::OpenDiskReadOnly(int(drive)) != platform::kNullHandle;
  int result = disk::ReadCurrentDisk(buf.data(), lba, uint32_t(count));
  if (opened) disk::CloseCurrentDisk();
  std::vector<std::wstring> rows;
  if (result == 0)
    for (uint64_t s = 0; s < count; ++s)
      for (uint32_t off = 0; off < 512; off += 16)
        rows.push_back(erase::FormatDumpRow(buf.data() + s * 512, off, lba + s));
  if (c.opt.json) {
    Json j;
    j.BeginObject().Field("drive", drive).Field("lba", lba).Field("count", count).Field("opened", opened);
    j.Field("result", int64_t(result)).Field("IoErrorCount", int64_t(disk::IoErrorCount));
    j.StrArray("rows", rows).EndObject();
    c.Out(j.Text());
  } else {
    for (auto& r : rows) c.Out(r);
    if (!opened) c.Out(L"cannot open physical drive " + text::Dec(drive));
    c.Out(L"result: " + text::Dec(int64_t(result)));
    c.Out(L"IoErrorCount: " + text::Dec(int64_t(disk::IoErrorCount)));
  }
  return result == 0 ? 0 : 1;
}

namespace {

int TileByName(const std::string& name) {
  static const struct {
    const char* name;
    int id;
  } kTiles[] = {{"oneclick", IDC_TILE_ONECLICK},  {"duplicate", IDC_TILE_DUPLICATE}, {"files", IDC_TILE_FILES},
                {"delete", IDC_TILE_DELETE},      {"scan", IDC_TILE_SCAN},           {"partitions", IDC_TILE_PARTMANAGER},
                {"view", IDC_TILE_PARTVIEW},      {"health", IDC_TILE_HEALTH},       {"bootusb", IDC_TILE_BOOTUSB},
                {"exit", ID_ACTIONS_EXIT},        {"help", ID_HELP_VEKTRELHELP},     {"about", ID_HELP_ABOUTVEKTREL}};
  for (auto& t : kTiles)
    if (name == t.name) return t.id;
  throw UsageError("unknown tile '" + name +
                   "' (oneclick, duplicate, files, delete, scan, partitions, view, health, bootusb, exit, help, about)");
}

void PrintStarted(Context& c) {
  if (!c.sim) return;
  for (const sim::StartedProgram& p : c.sim->Started()) {
    std::wstring line = p.how + L": " + p.file;
    if (!p.parameters.empty()) line += L" " + p.parameters;
    if (!p.directory.empty()) line += L"  (in " + p.directory + L")";
    if (!p.started) line += L"  [not started]";
    c.Out(line);
  }
}

}  // namespace

int CmdStart(Context& c, Args& a) {
  std::vector<int> presses;
  for (auto& t : a.TakeAll("--press")) presses.push_back(TileByName(t));
  std::string commandLine;
  bool withArgs = a.Take("--args", &commandLine);
  a.Done();
  // Only this command line starts the main window's one-click timer.
  const bool oneClick = withArgs && text::UpperAscii(text::FromUtf8(commandLine)) == L"/B ONECLICK";
  app::CreateSingleInstanceGuard();
  // The One Click tile and the "/B ONECLICK" start run the quick duplicate.
  QuickRun quick;
  ScriptQuickPages(c, &quick);
  // The main window: its start-up work, then the tiles pressed in order;
  // the window then closes as a window whose operator is done. Started with
  // "/B ONECLICK" it stays open until its one-click timer has run out (the
  // countdown and the copy run inside its fifth tick).
  c.host.OnPage("CQobDlg", [&](ui::ScriptedWindow& w) {
    for (int id : presses) {
      if (w.IsClosed()) break;
      w.Press(id);
    }
    if (!w.IsClosed() && !oneClick) w.Close(0);
  });
  int oneClickTicks = 0;
  c.host.onTimer = [&](ui::ScriptedWindow& w, unsigned id) {
    if (std::string(w.Name()) == "CQobDlg" && id == app::CQobDlg::kOneClickTimer && ++oneClickTicks >= 5 &&
        !w.IsClosed())
      w.Close(0);
  };
  int rc = 0;
  try {
    app::CQobApp application;
    if (!application.Prepare()) {
      rc = c.Refuse(L"another copy of the program is running");
    } else {
      if (withArgs) app::CommandLine = text::FromUtf8(commandLine);
      app::CQobDlg main;
      ui::RunModal(main);
    }
  } catch (const platform::ProcessExit& e) {
    c.Out(L"the program ended itself (exit code " + text::Dec(uint64_t(e.code)) + L")");
  }
  PrintStarted(c);
  if (quick.opened) return ReportQuick(c, quick);
  // An unattended start that found nothing to copy onto has not done its job.
  if (oneClick && rc == 0) return c.Refuse(L"the one-click start copied nothing: no disk carries the one-click mark");
  return rc;
}

}  // namespace cli
