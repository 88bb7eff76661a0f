// duplicate: the duplication wizard driven through the scripted host as an
// operator would: source page, destination page (with its manual sizes),
// option page, progress page, summary page.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "app/disk_list.h"
#include "app/language.h"
#include "cli/context.h"
#include "cli/duplicate_output.h"
#include "cli/json.h"
#include "cli/listed_row.h"
#include "cli/progress.h"
#include "disk/disk_table.h"
#include "disk/partition_types.h"
#include "duplicate/clone_summary_page.h"
#include "duplicate/destination_guard.h"
#include "duplicate/duplicate_ids.h"
#include "duplicate/duplication_job.h"
#include "duplicate/duplication_wizard.h"
#include "duplicate/layout_plan.h"
#include "duplicate/planned_rows.h"
#include "erase/region_list.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace cli {

namespace {

using duplicate::DuplicationJob;

// K[:R]: the Windows disk number K (Disk0 is physical drive 0, as the
// disks command lists them) and the partition row R of that disk (1 for its
// first partition), as wipe --partition takes them.
struct Place {
  int drive = -1;
  int diskIndex = 0;  // in the disk table
  int partition = 0;  // 0: the whole disk
  int row = -1;       // in the pages' disk list
  std::string text;
};

Place TakePlace(Args& a, const std::string& option, const std::vector<app::DiskListRow>& rows) {
  std::string v;
  if (!a.Take(option, &v)) throw UsageError(option + " K[:R] is required");
  Place p;
  p.text = v;
  size_t colon = v.find(':');
  p.drive = ParseNumber(v.substr(0, colon), option + " K", 0);
  if (colon != std::string::npos) p.partition = ParseNumber(v.substr(colon + 1), option + " R", 1);
  for (int k = 1; k <= disk::DiskCount && k <= disk::kMaxDisks; ++k)
    if (disk::DiskTable[k].DriveNumber == p.drive && !disk::DiskTable[k].Model.empty()) p.diskIndex = k;
  if (p.diskIndex == 0 || erase::RegionRowOf(rows, p.drive, 0) < 0)
    throw UsageError("there is no disk " + std::to_string(p.drive) + " (see the disks command)");
  p.row = erase::RegionRowOf(rows, p.drive, p.partition);
  if (p.row < 0)
    throw UsageError("disk " + std::to_string(p.drive) + " has no partition row " + std::to_string(p.partition));
  return p;
}

struct ManualSize {
  int row = 0;  // of the planned list, 1-based
  std::wstring mib;
};

// The destination page's question before it overwrites a disk that holds
// partitions, or one partition of it.
bool IsOverwriteQuestion(const std::wstring& text) {
  return text.find(app::T(L"IDS_CHECKBEFORESTART")) != std::wstring::npos ||
         text.find(app::T(L"IDS_CHECKBEFORESTARTPART")) != std::wstring::npos;
}

}  // namespace

std::wstring ResultName(duplicate::DuplicationResult r) {
  switch (r) {
    case duplicate::DuplicationResult::Completed: return L"Completed";
    case duplicate::DuplicationResult::CompletedError: return L"Completed_Error";
    default: return L"Aborted";
  }
}

// The type byte when the entry was read (else the list's own type code),
// -1 for free space.
static int TypeByteOf(const duplicate::PlannedLine& l) {
  if (l.free) return -1;
  return l.typeByte >= 0 ? l.typeByte : l.entry.Type;
}

// A GPT row by its type's name, or by the GUID when the type has none; an
// MBR row by the name of its type byte.
static std::wstring TypeName(const duplicate::PlannedLine& l, bool gpt) {
  if (l.free && !l.reservedLength) return L"free";
  if (gpt) {
    std::wstring name = disk::GptPartitionTypeName(l.gptType);
    return name.empty() ? disk::GuidText(l.gptType) : name;
  }
  return disk::PartitionTypeName(TypeByteOf(l));
}

// A row's sectors; the reserved partition's own where a free row of the
// map starts with it (the alignment behind it is not a row of its own:
// Manual sizes name rows by their number on the page).
static uint64_t RowLength(const duplicate::PlannedLine& l) {
  return l.reservedLength ? l.reservedLength : l.entry.LengthSectors;
}

// The type column: "07 NTFS" for an MBR row (the byte alone when it has no name).
static std::wstring TypeColumn(const duplicate::PlannedLine& l, bool gpt) {
  if (l.free || gpt || TypeByteOf(l) < 0 || TypeByteOf(l) > 0xFF) return TypeName(l, gpt);
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  int byte = TypeByteOf(l) & 0xFF;
  std::wstring hex{kDigits[byte >> 4], kDigits[byte & 15]}, name = TypeName(l, gpt);
  return name.empty() ? hex : hex + L" " + name;
}

std::vector<std::wstring> PlanText(const std::vector<duplicate::PlannedLine>& plan, bool gpt) {
  std::vector<std::wstring> out;
  out.push_back(L"Planned layout of " + DuplicationJob.DestinationDescription + (gpt ? L" (GPT)" : L" (MBR)") + L":");
  out.push_back(L"  row  start         length        type                 letter");
  int n = 0;
  bool kept = false;
  for (const duplicate::PlannedLine& l : plan) {
    std::wstring row = text::Dec(++n), start = text::Dec(l.entry.StartLba), length = text::Dec(RowLength(l));
    auto pad = [](std::wstring s, size_t width) { return s.size() < width ? s + std::wstring(width - s.size(), L' ') : s + L" "; };
    out.push_back((l.target ? L"* " : L"  ") + pad(row, 5) + pad(start, 14) + pad(length, 14) +
                  pad(TypeColumn(l, gpt), 21) + (l.letter ? std::wstring(1, l.letter) + L":" : L"-"));
    kept |= !l.target;
  }
  if (kept) out.push_back(L"  (* the copy writes these rows; the other rows keep what they hold)");
  return out;
}

void PlanJson(Json& j, const std::vector<duplicate::PlannedLine>& plan, bool gpt) {
  j.Field("PlannedGpt", gpt).Key("PlannedLayout").BeginArray();
  int n = 0;
  for (const duplicate::PlannedLine& l : plan) {
    j.BeginObject().Field("row", ++n).Field("start", l.entry.StartLba).Field("length", RowLength(l));
    // A GPT plan names every type by its GUID ("" for free space), an MBR
    // plan by its type byte (-1 for free space).
    if (gpt) j.Field("type", l.free && !l.reservedLength ? std::wstring() : disk::GuidText(l.gptType));
    else j.Field("type", int64_t(TypeByteOf(l)));
    j.Field("typeName", TypeName(l, gpt))
        .Field("letter", l.letter ? std::wstring(1, l.letter) : L"")
        .Field("target", l.target)
        .Field("shown", l.text)  // the row as the destination page lists it
        .EndObject();
  }
  j.EndArray();
}

void RunFieldsJson(Json& j) {
  const duplicate::DuplicationJobRecord& job = DuplicationJob;
  j.Field("CopiedBytes", job.CopiedBytes)
      .Field("VerifyErrorCount", int64_t(job.VerifyErrorCount))
      .Field("WriteErrorCount", int64_t(job.WriteErrorCount))
      .Field("FailedStepCount", int64_t(job.FailedStepCount))
      .Field("UnreadableSectorCount", job.UnreadableSectorCount);
  j.Key("UnreadableRanges").BeginArray();
  for (const duplicate::LbaRange& r : job.UnreadableRanges) j.BeginArray().UNum(r.first).UNum(r.last).EndArray();
  j.EndArray()
      .Field("FilesCopied", int64_t(job.FilesCopied))
      .Field("FilesNotCopied", int64_t(job.FilesNotCopied))
      .Key("FileErrors")
      .BeginArray();
  for (const duplicate::FileError& e : job.FileErrors)
    j.BeginObject().Field("path", e.path).Field("reason", e.reason).EndObject();
  j.EndArray().Field("ElapsedSeconds", int64_t(job.ElapsedSeconds));
}

// Why the destination page leaves a row unticked without a message of its
// own: the two rows it refuses silently, else the plain fact.
std::wstring UnchosenDestinationReason(const Place& dest, const Place& source, bool basic, const std::string& expand) {
  const disk::DiskEntry* d = disk::DiskAt(dest.diskIndex);
  std::wstring row = L"the row of --dest " + text::FromUtf8(dest.text);
  if (source.partition != 0 && dest.partition == 0)
    return row + L" is a whole disk: a partition is copied onto a partition (--dest K:R)";
  if (basic && expand == "manual" && dest.partition == 0 && !DuplicationJob.SourceIsGpt && d &&
      d->SizeSectors / 2048 >= duplicate::kGptFromMiB)
    return row + L" cannot take manual sizes: on a disk of 2 TiB or more an MBR source is laid out by --expand auto";
  return row + L" cannot be chosen";
}

int RefuseDuplication(Context& c, const std::wstring& reason) {
  return c.Refuse(reason, [](Json& j) {
    j.Field("source", DuplicationJob.SourceDescription).Field("destination", DuplicationJob.DestinationDescription);
  });
}

int CmdDuplicate(Context& c, Args& a) {
  std::vector<app::DiskListRow> rows = app::BuildDiskListRows();
  Place source = TakePlace(a, "--source", rows);
  Place dest = TakePlace(a, "--dest", rows);
  std::string mode = "basic", expand = "auto", reportFile;
  bool modeGiven = a.Take("--mode", &mode), expandGiven = a.Take("--expand", &expand);
  if (mode != "basic" && mode != "sector") throw UsageError("--mode is basic or sector, not '" + mode + "'");
  if (expand != "auto" && expand != "same" && expand != "manual")
    throw UsageError("--expand is auto, same or manual, not '" + expand + "'");
  bool basic = mode == "basic";
  if (!basic && expandGiven) throw UsageError("--expand applies to --mode basic (a sector copy keeps every size)");
  std::vector<ManualSize> sizes;
  for (const std::string& s : a.TakeAll("--size")) {
    size_t eq = s.find('=');
    if (eq == std::string::npos) throw UsageError("--size needs R=MB (row R of the planned layout, size in MB)");
    // As many digits as the page's size field takes (a row of a large disk
    // runs into millions of MB).
    std::string mb = s.substr(eq + 1);
    if (mb.empty() || mb.size() > 8 || mb.find_first_not_of("0123456789") != std::string::npos)
      throw UsageError("--size MB needs a number from 0, not '" + mb + "'");
    sizes.push_back({ParseNumber(s.substr(0, eq), "--size R", 1), text::FromUtf8(std::to_string(std::stoull(mb)))});
  }
  if (!basic && !sizes.empty()) throw UsageError("--size applies to --mode basic (a sector copy keeps every size)");
  if (!sizes.empty() && expand != "manual") throw UsageError("--size needs --expand manual");
  bool verify = a.Flag("--verify"), prescan = a.Flag("--prescan"), planOnly = a.Flag("--plan");
  bool wantReport = a.Take("--report", &reportFile);
  a.Done();
  (void)modeGiven;
  // A report that cannot be saved is found out before anything is written,
  // not after the destination has been overwritten.
  if (wantReport) c.CheckReportFile("--report", reportFile);

  // The pages refuse these too; said here plainly, before anything runs.
  if (source.diskIndex == dest.diskIndex && (source.partition == 0 || dest.partition == 0))
    return RefuseDuplication(c, app::T(L"IDS_DestinationIsSource"));

  std::wstring stuck;  // why the wizard stopped on a page
  bool declined = false, ran = false, planShown = false;
  uint32_t runMs = 0;  // from Start to the end of the run
  // Time spent while the page said it was copying, and verifying (the
  // passes can take turns, volume by volume).
  uint32_t copyMs = 0, verifyMs = 0;
  std::vector<duplicate::PlannedLine> plan;
  bool gpt = false;
  auto lastMessage = [&]() { return c.host.messages.empty() ? std::wstring() : c.host.messages.back().text; };
  // The questions on the way: the Windows 7 pair is not asked for (the
  // console copies the one partition named), the overwrite questions only
  // under --yes, and none at all when only the plan is wanted.
  auto echo = c.host.answer;
  c.host.answer = [&, echo](const std::wstring& text, unsigned flags) {
    bool question = (flags & 0xF) == win::MB_YESNO;
    if (question && text == app::T(L"IDS_Win7SystemMigrate")) {
      c.Err(L"message: " + text + L" [No]");
      return win::IDNO;
    }
    if (question && planOnly && IsOverwriteQuestion(text)) {
      c.Err(L"message: " + text + L" [Yes: only the plan is shown]");
      return win::IDYES;
    }
    return echo(text, flags);
  };

  c.host.OnPage("CMirrorSource", [&](ui::ScriptedWindow& w) {
    const int row = ListedRow(w, IDC_LIST, source.drive, source.partition);
    if (!w.CheckRow(IDC_LIST, row, true) || !w.ListGetCheck(IDC_LIST, row)) {
      stuck = L"the row of --source " + text::FromUtf8(source.text) + L" cannot be checked";
    } else if (!w.Tick(basic ? IDC_MS_BASIC : IDC_MS_SECTOR, true)) {
      stuck = L"a partition without a drive letter can only be copied with --mode sector";
    } else {
      size_t before = c.host.messages.size();
      w.Press(IDC_NEXT);
      if (!w.IsClosed()) stuck = c.host.messages.size() > before ? lastMessage() : L"the source cannot be taken";
      // The page names its radio button; here that is an option.
      if (stuck.find(L"\"" + app::T(L"IDS_MSelectRadioSBS") + L"\"") != std::wstring::npos) stuck += L" (--mode sector)";
    }
    if (!w.IsClosed()) w.Close(win::IDCANCEL);
  });
  c.host.OnPage("CFormatDisk", [&](ui::ScriptedWindow& w) { w.Cancel(); });
  c.host.OnPage("CMirrorDestination", [&](ui::ScriptedWindow& w) {
    size_t before = c.host.messages.size();
    if (basic) w.Tick(expand == "same" ? IDC_MD_SAME : expand == "manual" ? IDC_MD_MANUAL : IDC_MD_AUTO, true);
    const int row = ListedRow(w, IDC_LIST, dest.drive, dest.partition);
    if (!w.CheckRow(IDC_LIST, row, true) || !w.ListGetCheck(IDC_LIST, row)) {
      stuck = c.host.messages.size() > before ? lastMessage() : UnchosenDestinationReason(dest, source, basic, expand);
      w.Close(win::IDCANCEL);
      return;
    }
    for (const ManualSize& s : sizes) {
      // Only a row that receives the copy has a size to give: a free row
      // (or a row the copy leaves alone) would resize whatever row was
      // chosen before it. The rows as they are now, after the sizes given
      // before.
      bool gpt = false;
      const std::vector<duplicate::PlannedLine> lines = duplicate::PlannedLines(&gpt);
      bool receives = s.row <= int(lines.size()) && !lines[size_t(s.row - 1)].free && lines[size_t(s.row - 1)].target;
      if (!receives || s.row > w.LinesCount(IDC_MD_PLANNED) || !w.Choose(IDC_MD_PLANNED, s.row - 1) ||
          !w.Type(IDC_MD_SIZE, s.mib) || !w.Press(IDC_MD_APPLY)) {
        stuck = L"row " + text::Dec(s.row) + L" of the planned layout cannot be resized (see --plan)";
        w.Close(win::IDCANCEL);
        return;
      }
      // The page keeps a size within its limits; one it had to change was
      // not what was asked for.
      if (w.GetText(IDC_MD_SIZE) != s.mib) {
        stuck = L"row " + text::Dec(s.row) + L" of the planned layout cannot be " + s.mib + L" MB (" +
                w.GetText(IDC_MD_MINIMUM) + L", " + w.GetText(IDC_MD_MAXIMUM) + L")";
        w.Close(win::IDCANCEL);
        return;
      }
    }
    before = c.host.messages.size();
    w.Press(IDC_NEXT);
    if (w.IsClosed()) return;
    const std::wstring& m = lastMessage();
    declined = c.host.messages.size() > before && IsOverwriteQuestion(m);
    stuck = m;
    w.Close(win::IDCANCEL);
  });
  c.host.OnPage("COption", [&](ui::ScriptedWindow& w) {
    w.Tick(IDC_MO_SCAN, prescan);
    w.Tick(IDC_MO_VERIFY, verify);
    w.Press(IDC_NEXT);
  });
  c.host.OnPage("CClone", [&](ui::ScriptedWindow& w) {
    plan = duplicate::PlannedLines(&gpt);
    planShown = true;
    if (planOnly) {
      w.Close(win::IDCANCEL);
      return;
    }
    uint32_t from = platform::Sys().GetTickCount();
    // The verify pass begins when the page first says so.
    std::wstring verifying = app::T(L"IDS_Verifying"), copying = app::T(L"IDS_CopyBlock");
    uint32_t* phase = nullptr;  // the counter the time since the last look goes to
    uint32_t last = from;
    auto account = [&](uint32_t now) {
      if (phase) *phase += now - last;
      last = now;
    };
    c.host.onPump = [&, verifying, copying](ui::ScriptedWindow& p) {
      account(platform::Sys().GetTickCount());
      std::wstring status = p.GetText(IDC_STATUS);
      phase = status.rfind(verifying, 0) == 0 ? &verifyMs : status.rfind(copying, 0) == 0 ? &copyMs : nullptr;
    };
    w.Press(IDC_CL_START);
    c.host.onPump = nullptr;
    uint32_t to = platform::Sys().GetTickCount();
    account(to);
    runMs = to - from;
    ran = DuplicationJob.Result != duplicate::DuplicationResult::NotRun;
    if (!w.IsClosed()) {
      declined = true;
      w.Close(win::IDCANCEL);
    }
  });
  c.host.OnPage("CCloneSummary", [&](ui::ScriptedWindow& w) { w.Close(win::IDOK); });
  {
    TerminalProgress progress(c, "CClone", IDC_PROGRESS);
    duplicate::RunDuplicationWizard();
  }

  if (!planShown)
    return RefuseDuplication(c, declined ? std::wstring(L"the destination was not confirmed and nothing was written "
                                                        L"(add --yes to overwrite it)")
                                         : stuck.empty() ? std::wstring(L"the duplication could not be set up") : stuck);
  std::vector<std::wstring> out = PlanText(plan, gpt);
  const std::wstring notStarted = L"the duplication was not started and nothing was written (add --yes to start it)";
  if (!planOnly && !ran) {
    c.Err(L"vektrel-cli: " + notStarted);
    declined = true;
  }
  bool run = !planOnly && ran;
  if (run) {
    for (const auto& row : duplicate::SummaryRows()) out.push_back(row.first + L" " + row.second);
    for (const std::wstring& line : duplicate::DetailLines()) out.push_back(L"  " + line);
  }
  const duplicate::DuplicationJobRecord& job = DuplicationJob;
  if (c.opt.json) {
    Json j;
    j.BeginObject()
        .Field("result", run ? ResultName(job.Result) : planOnly ? std::wstring(L"Planned") : std::wstring(L"Aborted"))
        .Field("started", run)
        .Field("source", job.SourceDescription)
        .Field("destination", job.DestinationDescription)
        .Field("mode", basic ? "basic" : "sector")
        .Field("expand", std::wstring(duplicate::ExpansionKey(job.ExpansionMode)).substr(4));
    if (!planOnly && !ran) j.Field("reason", notStarted);
    RunFieldsJson(j);
    j.Field("milliseconds", uint64_t(runMs))
        .Field("copyMilliseconds", uint64_t(copyMs))
        .Field("verifyMilliseconds", uint64_t(verifyMs));
    PlanJson(j, plan, gpt);
    j.EndObject();
    c.Out(j.Text());
  } else {
    for (const std::wstring& line : out) c.Out(line);
  }
  if (wantReport) {
    std::ofstream f(reportFile, std::ios::binary);
    for (const std::wstring& line : out) f << text::ToUtf8(line) << "\r\n";
    if (!f) {
      c.Err(L"vektrel-cli: the report could not be written to " + text::FromUtf8(reportFile));
      return 1;
    }
  }
  if (planOnly) return 0;
  return run && job.Result == duplicate::DuplicationResult::Completed ? 0 : 1;
}

}  // namespace cli
