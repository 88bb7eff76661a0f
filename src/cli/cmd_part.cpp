// part: the partition manager. Each subcommand opens the manager's window
// through the scripted host, chooses the disk and right-clicks the region
// in its map, picks the command from the context menu and fills the pages
// as an operator would, so the same checks and messages apply.
#include <algorithm>
#include <functional>
#include <optional>

#include "app/format_size.h"
#include "app/language.h"
#include "app/wizards.h"
#include "cli/context.h"
#include "cli/json.h"
#include "cli/model_json.h"
#include "cli/progress.h"
#include "disk/partition_types.h"
#include "partition/create_request.h"
#include "partition/layout_slots.h"
#include "partition/manager_state.h"
#include "partition/partition_ids.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace cli {

namespace {

using partition::PartitionManager;

const char kPartHelp[] =
    "usage: vektrel-cli [options] part SUBCOMMAND --disk N [...]\n"
    "\n"
    "N is the Windows disk number (Disk0 is 0, as `disks` lists them), R a region of the disk\n"
    "map (1-based, as `part list` numbers them; free space is a region too). Sizes are\n"
    "megabytes (2048 sectors).\n"
    "\n"
    "  part list --disk N                 the regions: start, length, kind, type and letter\n"
    "                                     (--json: the display rows and the layout slots); kinds:\n"
    "                                     primary, logical, extended, free, free-logical, in-use\n"
    "                                     (held by entries not listed one by one), past-end (an\n"
    "                                     entry that reaches past the disk's end)\n"
    "  part create --disk N [--region R] --size MB --kind primary|extended|logical\n"
    "              [--fs NTFS|FAT32|FAT] [--format none|quick|full]\n"
    "                                     without --region: the largest free space (a logical\n"
    "                                     drive: the first free space in the extended partition);\n"
    "                                     --fs alone formats quickly; a logical drive without --fs\n"
    "                                     gets the NTFS type; a size outside the page's limits\n"
    "                                     (at least 16 MB, at most the free space) becomes the\n"
    "                                     limit, and the size made is said\n"
    "  part delete --disk N --region R    asks first; --yes answers Yes, without it nothing is deleted\n"
    "  part resize --disk N --region R [--size MB]\n"
    "                                     grows the partition (and an NTFS file system) into the\n"
    "                                     free space behind it, without --size as far as it goes;\n"
    "                                     a size below the current one is refused, one beyond\n"
    "                                     the free space is cut to it (and said)\n"
    "  part format --disk N --region R --fs NTFS|FAT32|FAT [--quick]\n"
    "                                     asks first (--yes answers Yes); FAT above 4095 MB\n"
    "                                     becomes FAT32, anything above 32767 MB NTFS; without\n"
    "                                     --quick a full format\n"
    "  part props --disk N [--region R]   the properties page\n"
    "\n"
    "The volume the running Windows is on and the partition it starts from are never deleted,\n"
    "formatted or resized. The messages the pages show go to standard error. Exit codes: 0 done,\n"
    "1 refused, failed or not confirmed, 2 the command line was not understood.\n";

struct PartOptions {
  std::string sub;
  int disk = 0;
  int region = 0;  // 0: none given
  uint64_t sizeMB = 0;
  std::string kind, fs, format;
  bool quick = false;
};

std::wstring KindOf(const disk::PartitionEntry& e) {
  if (e.RecordIndex < 0) return e.IsPrimary ? L"free" : L"free-logical";
  if (e.Type == disk::kTypeEmptyExtended) return L"extended";
  // Space held by entries not listed one by one, and an entry that claims
  // sectors the disk does not have: neither is free, neither can be used.
  if (e.Type == disk::kTypeInUse) return L"in-use";
  const disk::DiskEntry* d = partition::SelectedDiskEntry();
  if (d && (e.StartLba >= d->SizeSectors || e.LengthSectors > d->SizeSectors - e.StartLba)) return L"past-end";
  return e.IsPrimary ? L"primary" : L"logical";
}

std::wstring LetterOf(const disk::PartitionEntry& e) {
  return e.DriveLetter > 0 ? std::wstring(1, wchar_t(e.DriveLetter)) + L":" : L"-";
}

void PrintRegionTable(Context& c) {
  const auto& rows = PartitionManager.regions;
  std::vector<std::vector<std::wstring>> table = {{L"R", L"start", L"length", L"size", L"kind", L"type", L"letter"}};
  for (size_t i = 0; i < rows.size(); ++i) {
    const disk::PartitionEntry& e = rows[i];
    table.push_back({text::Dec(uint64_t(i + 1)), text::Dec(e.StartLba), text::Dec(e.LengthSectors),
                     app::FormatSize(e.LengthSectors), KindOf(e),
                     e.RecordIndex >= 0 ? disk::PartitionTypeName(e.Type) : L"", LetterOf(e)});
  }
  std::vector<size_t> width(table[0].size(), 0);
  for (auto& row : table)
    for (size_t k = 0; k < row.size(); ++k) width[k] = std::max(width[k], row[k].size());
  for (auto& row : table) {
    std::wstring line;
    for (size_t k = 0; k < row.size(); ++k) {
      std::wstring pad(width[k] - row[k].size(), L' ');
      line += (k < 4 ? pad + row[k] : row[k] + pad) + L"  ";
    }
    while (!line.empty() && line.back() == L' ') line.pop_back();
    c.Out(line);
  }
}

void PrintRegionJson(Context& c, int count) {
  const partition::PartitionManagerState& m = PartitionManager;
  const disk::DiskEntry* d = partition::SelectedDiskEntry();
  const partition::LayoutHeaderInfo& h = partition::LoadedLayoutHeader;
  Json j;
  j.BeginObject()
      .Field("disk", int64_t(d ? d->DriveNumber : -1))
      .Field("SizeSectors", d ? d->SizeSectors : 0)
      .Field("IsGptDisk", m.gptDisk);
  // Which copy of a GPT the rows come from: "backup" when the primary is
  // damaged, "none" when neither copy could be read.
  if (m.gptDisk)
    j.Field("GptTable", std::wstring(m.gptRead == disk::GptRead::Primary  ? L"primary"
                                     : m.gptRead == disk::GptRead::Backup ? L"backup"
                                                                          : L"none"));
  j.Key("regions").BeginArray();
  for (size_t i = 0; i < m.regions.size(); ++i) {
    const disk::PartitionEntry& e = m.regions[i];
    EntryFields(j.BeginObject().Field("region", int64_t(i + 1)), e)
        .Field("MapWidth", int64_t(e.MapWidth))
        .Field("kind", KindOf(e))
        .Field("typeName", e.RecordIndex >= 0 ? disk::PartitionTypeName(e.Type) : L"")
        .EndObject();
  }
  j.EndArray().Key("layout").BeginObject();
  j.Field("PartitionCount", int64_t(count))
      .Field("PartitionStyle", uint64_t(h.style))
      .Field("UsedEntryCount", int64_t(partition::UsedEntryCount));
  if (h.style == win::PARTITION_STYLE_GPT) j.Field("DiskId", disk::GuidText(h.diskId));
  else j.Field("Signature", uint64_t(h.signature));
  j.EndObject().Key("slots").BeginArray();
  for (int i = 0; i < std::min(count, partition::kLayoutSlots); ++i) {
    const partition::LayoutSlot& s = partition::LayoutSlotTable[i];
    std::u16string name;
    for (char16_t ch : s.gptName) {
      if (!ch) break;
      name.push_back(ch);
    }
    j.BeginObject()
        .Field("slot", i)
        .Field("style", uint64_t(s.style))
        .Field("gptType", disk::GuidText(s.gptType))
        .Field("gptId", disk::GuidText(s.gptId))
        .Field("gptAttributes", s.gptAttributes)
        .Field("gptName", text::FromUtf16(name))
        .Field("startBytes", s.startBytes)
        .Field("lengthBytes", s.lengthBytes)
        .Field("destinationStartBytes", s.destinationStartBytes)
        .Field("destinationLengthBytes", s.destinationLengthBytes)
        .Field("sourceLetter", int64_t(s.sourceLetter))
        .Field("destinationLetter", int64_t(s.destinationLetter))
        .Field("fileSystemKind", int64_t(s.fileSystemKind))
        .Field("type", int64_t(s.type))
        .Field("partitionNumber", uint64_t(s.partitionNumber))
        .Field("logical", int64_t(s.logical))
        .Field("container", int64_t(s.container))
        .Field("hiddenSectors", uint64_t(s.hiddenSectors))
        .Field("bootIndicator", uint64_t(s.bootIndicator))
        .EndObject();
  }
  j.EndArray().EndObject();
  c.Out(j.Text());
}

// The regions of the chosen disk, as a table or with --json.
void PrintRegions(Context& c) {
  if (!c.opt.json) {
    PrintRegionTable(c);
    return;
  }
  const disk::DiskEntry* d = partition::SelectedDiskEntry();
  int count = d ? partition::ReadDriveLayout(d->DriveNumber, &partition::LayoutBuffer) : -1;
  partition::LoadLayoutSlots(d ? d->DriveNumber : -1, partition::LayoutBuffer, count);
  PrintRegionJson(c, count);
}

// "part: made 16 MB (32768 sectors), not the 1 MB asked: why".
void NoteSize(Context& c, const char* what, uint64_t sectors, uint64_t askedMB, const std::string& why) {
  c.Err(text::Widen(std::string("part: ") + what + " ") + app::FormatSize(sectors) + L" (" + text::Dec(sectors) +
        L" sectors), " + text::Widen("not the " + std::to_string(askedMB) + " MB asked" + (why.empty() ? "" : ": " + why)));
}

// The first region where a logical drive can go.
int FirstLogicalRegion() {
  const auto& rows = PartitionManager.regions;
  for (size_t i = 0; i < rows.size(); ++i)
    if ((rows[i].RecordIndex < 0 && !rows[i].IsPrimary) ||
        (rows[i].RecordIndex >= 0 && rows[i].Type == disk::kTypeEmptyExtended))
      return int(i + 1);
  return 0;
}

struct ManagerRun {
  std::string usageProblem;  // a disk or region that does not exist
  std::string note;          // why the CLI gave up on a page
  bool offered = true;       // the command was not greyed in the context menu
};

// Opens the partition manager, chooses disk N, right-clicks region R (or
// nothing) in the map and picks `command` from the context menu; `inside`
// runs while the window is open, after the command. Then closes it.
ManagerRun RunManager(Context& c, const PartOptions& o, int command, const std::function<void()>& inside,
                      const std::function<int()>& pickRegion = nullptr) {
  ManagerRun run;
  c.host.OnPage("CCreatePart1", [&](ui::ScriptedWindow& w) {
    int row = -1;
    const auto& list = PartitionManager.listRows;
    for (size_t i = 0; i < list.size(); ++i)
      if (list[i].isDisk && list[i].driveNumber == o.disk) row = int(i);
    if (row < 0) {
      run.usageProblem = "there is no disk " + std::to_string(o.disk) + " (see `disks`)";
    } else {
      w.SelectRow(IDC_LIST, row);
      int region = o.region ? o.region : pickRegion ? pickRegion() : 0;
      int count = int(PartitionManager.regions.size());
      if (region > count) {
        run.usageProblem = "disk " + std::to_string(o.disk) + " has no region " + std::to_string(region) + " (it has " +
                           std::to_string(count) + ")";
      } else if (command) {
        c.host.popupMenu = [&](ui::ScriptedWindow&, const std::vector<ui::MenuItem>& items) {
          for (const ui::MenuItem& item : items)
            if (item.command == command) run.offered = item.enabled;
          return command;
        };
        w.MapMouse(IDC_MAP, region - 1, ui::MouseAction::RightClick);
        c.host.popupMenu = nullptr;
      }
      if (run.usageProblem.empty() && inside) inside();
    }
    w.Cancel();
  });
  app::OpenPartitionManager();
  return run;
}

int Finish(Context& c, const PartOptions& o, const ManagerRun& run, const char* what) {
  if (!run.usageProblem.empty()) throw UsageError(run.usageProblem);
  if (!run.offered)
    return c.Refuse(text::Widen(std::string("part: ") + what + " is not offered for " +
                                (o.region ? "region " + std::to_string(o.region) : std::string("this selection")) +
                                " of disk " + std::to_string(o.disk) + " (see part list)"));
  bool done = PartitionManager.lastOutcome == partition::Outcome::Done;
  if (!run.note.empty() && (done || !c.opt.json)) c.Err(text::Widen("part: " + run.note));
  if (done) return 0;
  // Why it was not done: the note, or the last thing the page said.
  std::wstring why = !run.note.empty()        ? text::Widen(run.note)
                     : c.host.messages.empty() ? std::wstring()
                                               : c.host.messages.back().text;
  while (!why.empty() && (why.back() == L'\n' || why.back() == L' ')) why.pop_back();
  if (!c.opt.json) return 1;  // the page's message is on standard error already
  return c.Refuse(text::Widen(std::string("part: ") + what + " was not done") + (why.empty() ? L"" : L": " + why));
}

int ToInt(uint64_t v, const char* name) {
  if (v > 1000000) throw UsageError(std::string(name) + " is out of range");
  return int(v);
}

int PartList(Context& c, const PartOptions& o) {
  ManagerRun run = RunManager(c, o, 0, [&] { PrintRegions(c); });
  if (!run.usageProblem.empty()) throw UsageError(run.usageProblem);
  return 0;
}

int PartCreate(Context& c, const PartOptions& o) {
  bool logical = o.kind == "logical", extended = o.kind == "extended";
  std::string fs = o.fs.empty() && logical ? "NTFS" : o.fs;
  std::string format = !o.format.empty() ? o.format : o.fs.empty() ? "none" : "quick";
  if (extended && (!o.fs.empty() || format != "none"))
    throw UsageError("an extended partition holds no file system: leave out --fs and --format");
  if (format != "none" && fs.empty()) throw UsageError("--format " + format + " needs --fs");
  std::string note;
  c.host.OnPage("CCreatePart4", [&](ui::ScriptedWindow& w) {
    w.Type(IDC_CP_SIZE, text::Dec(o.sizeMB));
    w.Press(IDC_CP_APPLY);
    if (!logical && !w.Tick(extended ? IDC_CP_EXTENDED : IDC_CP_PRIMARY, true)) {
      note = (extended ? "an " : "a ") + o.kind + " partition cannot be created on this disk";
      w.Cancel();
      return;
    }
    w.Press(IDC_NEXT);
  });
  c.host.OnPage("CCreatePart41", [&](ui::ScriptedWindow& w) {
    if (!extended && !fs.empty()) {
      // The file system is chosen with a format option; "do not format"
      // afterwards keeps it as the partition's type.
      w.Tick(IDC_CP41_QUICK, true);
      int index = -1;
      for (int i = 0; i < w.LinesCount(IDC_CP41_FS); ++i)
        if (w.LinesGet(IDC_CP41_FS, i) == text::Widen(fs)) index = i;
      if (index < 0) {
        note = fs + " is not offered for a partition of " + std::to_string(o.sizeMB) + " MB";
        w.Cancel();
        return;
      }
      w.Choose(IDC_CP41_FS, index);
      w.Tick(format == "full" ? IDC_CP41_FULL : format == "quick" ? IDC_CP41_QUICK : IDC_CP41_NOFORMAT, true);
    }
    w.Press(IDC_NEXT);
  });
  c.host.OnPage("CcreatePart42", [&](ui::ScriptedWindow& w) { w.Press(IDC_NEXT); });
  TerminalProgress progress(c, "CCFormat", IDC_PROGRESS);
  int command = logical ? ID_CREATEPARTITION_LOGICAL : ID_CREATEPARTITION_NEWPART;
  ManagerRun run = RunManager(c, o, command, [&] { progress.Finish(); }, [&] { return logical ? FirstLogicalRegion() : 0; });
  run.note = note;
  int rc = Finish(c, o, run, logical ? "create logical drive" : "create partition");
  if (rc == 0) {
    // The page keeps a size within its limits; say so when that is not
    // what was asked.
    // Each step from the size asked to the size made is named: the page's
    // limits, then the logical drive's boot record in front of it.
    uint64_t asked = o.sizeMB * 2048, made = PartitionManager.lastMadeSectors;
    const partition::CreatePartitionRequestRecord& r = partition::CreatePartitionRequest;
    uint64_t taken = std::min(std::max(asked, partition::kCreateMinSectors), r.maxSectors);
    std::string why = asked < partition::kCreateMinSectors ? "a partition takes at least 16 MB"
                      : asked > r.maxSectors               ? "that is all the free space there"
                                                           : "";
    if (logical && taken > made) {
      uint64_t record = taken - made;
      std::string part = "the logical drive's boot record takes the first " +
                         (record % 2048 == 0 ? std::to_string(record / 2048) + " MB"
                                             : std::to_string(record) + " sectors") +
                         (why.empty() ? "" : " of that");
      why = why.empty() ? part : why + ", and " + part;
    }
    if (made != asked) NoteSize(c, "made", made, o.sizeMB, why);
    PrintRegions(c);
  }
  return rc;
}

int PartDelete(Context& c, const PartOptions& o) {
  ManagerRun run = RunManager(c, o, ID_CREATEPARTITION_DELETEPART, nullptr);
  if (run.usageProblem.empty() && run.offered && PartitionManager.lastOutcome == partition::Outcome::Cancelled)
    run.note = "nothing was deleted: the question was answered No (--yes answers Yes)";
  int rc = Finish(c, o, run, "delete");
  if (rc == 0) PrintRegions(c);
  return rc;
}

int PartResize(Context& c, const PartOptions& o) {
  std::string note;
  c.host.OnPage("CCreatePart3", [&](ui::ScriptedWindow& w) {
    // The page raises a size below the used space to that minimum, which
    // may be the current size: a smaller size asked for is refused here,
    // before it could pass for a resize that changed nothing.
    const disk::PartitionEntry* r = partition::SelectedRegionEntry();
    if (o.sizeMB && r && o.sizeMB * 2048 < r->LengthSectors) {
      w.MessageBox(app::T(L"IDS_ShrinkNotPossible"), win::MB_OK | win::MB_ICONEXCLAMATION);
      note = "the partition was not resized";
      w.Cancel();
      return;
    }
    // The page opens at the current size; without --size the slider goes
    // to its end, as far as the free space behind reaches.
    if (o.sizeMB) {
      w.Type(IDC_CP_SIZE, text::Dec(o.sizeMB));
      w.Press(IDC_CP_APPLY);
    } else {
      w.Slide(IDC_CP_SLIDER, w.c(IDC_CP_SLIDER).high);
    }
    w.Press(IDC_CP_RESIZE);
    if (!w.IsClosed()) {
      note = "the partition was not resized";
      w.Cancel();
    }
  });
  ManagerRun run = RunManager(c, o, ID_CREATEPARTITION_RESIZEPART, nullptr);
  run.note = note;
  int rc = Finish(c, o, run, "resize");
  if (rc == 0) {
    uint64_t made = PartitionManager.lastMadeSectors;
    if (o.sizeMB && made != o.sizeMB * 2048)
      NoteSize(c, "resized to", made, o.sizeMB,
               made > o.sizeMB * 2048 ? "the smallest size is the space its files use, at least 10 MB"
                                      : "that is all the free space behind it");
    PrintRegions(c);
  }
  return rc;
}

int PartFormat(Context& c, const PartOptions& o) {
  std::string note;
  // The page starts from the operator's earlier choice. A FAT or FAT32
  // choice the partition is too large for is not in the box but stays the
  // choice, and the format makes FAT32 or NTFS of it by size.
  partition::CreatePartitionRequest.fileSystem = text::Widen(o.fs);
  c.host.OnPage("CCreatePart5", [&](ui::ScriptedWindow& w) {
    for (int i = 0; i < w.LinesCount(IDC_CP5_FS); ++i)
      if (w.LinesGet(IDC_CP5_FS, i) == text::Widen(o.fs)) w.Choose(IDC_CP5_FS, i);
    w.Tick(IDC_CP5_QUICK, o.quick);
    w.Press(IDC_CP5_START);
    if (!w.IsClosed()) {
      note = "nothing was formatted: the question was answered No (--yes answers Yes)";
      w.Cancel();
    }
  });
  TerminalProgress progress(c, "CCFormat", IDC_PROGRESS);
  ManagerRun run = RunManager(c, o, ID_CREATEPARTITION_FORMAT, [&] { progress.Finish(); });
  run.note = note;
  int rc = Finish(c, o, run, "format");
  if (rc == 0) PrintRegions(c);
  return rc;
}

int PartProps(Context& c, const PartOptions& o) {
  struct Line {
    int label, value;
  };
  const Line lines[] = {{IDC_CP6_DISKNO_LABEL, IDC_CP6_DISKNO}, {IDC_CP6_DISKSIZE_LABEL, IDC_CP6_DISKSIZE},
                        {IDC_CP6_MODEL_LABEL, IDC_CP6_MODEL},   {IDC_CP6_DRIVE_LABEL, IDC_CP6_DRIVE},
                        {IDC_CP6_FS_LABEL, IDC_CP6_FS},         {IDC_CP6_PARTSIZE_LABEL, IDC_CP6_PARTSIZE},
                        {IDC_CP6_FREE_LABEL, IDC_CP6_FREE},     {IDC_CP6_USED_LABEL, IDC_CP6_USED}};
  std::vector<std::pair<std::wstring, std::wstring>> shown;
  double pie = -1;
  c.host.OnPage("CCreatePart6", [&](ui::ScriptedWindow& w) {
    for (const Line& l : lines)
      if (w.IsVisible(l.value) && !w.GetText(l.value).empty()) shown.push_back({w.GetText(l.label), w.GetText(l.value)});
    if (w.IsVisible(IDC_CP6_PIE)) pie = w.c(IDC_CP6_PIE).pie;
    w.Press(win::IDOK);
  });
  ManagerRun run = RunManager(c, o, ID_CREATEPARTITION_PROPERTIES, nullptr);
  int rc = Finish(c, o, run, "properties");
  if (rc != 0) return rc;
  if (c.opt.json) {
    Json j;
    j.BeginObject();
    for (auto& [label, value] : shown) j.Field(text::ToUtf8(label), value);
    if (pie >= 0) j.Key("freeShare").Str(std::to_string(pie));
    j.EndObject();
    c.Out(j.Text());
  } else {
    for (auto& [label, value] : shown) c.Out(label + L": " + value);
  }
  return 0;
}

void Check(bool ok, const std::string& problem) {
  if (!ok) throw UsageError(problem);
}

}  // namespace

int CmdPart(Context& c, Args& a) {
  if (a.Flag("--help")) {
    std::fputs(kPartHelp, stdout);
    return 0;
  }
  PartOptions o;
  // The numbers go through the usual checks of TakeNumber.
  auto number = [&](const char* name, bool* given) {
    std::string value;
    *given = a.Take(name, &value);
    if (!*given) return uint64_t(0);
    Args one({name, value});
    return one.TakeNumber(name, 0, true);
  };
  bool hasDisk, hasRegion, hasSize;
  o.disk = ToInt(number("--disk", &hasDisk), "--disk");
  o.region = ToInt(number("--region", &hasRegion), "--region");
  Check(!hasRegion || o.region >= 1, "--region counts from 1");
  o.sizeMB = number("--size", &hasSize);
  Check(o.sizeMB <= (uint64_t(1) << 40), "--size is too large");
  a.Take("--kind", &o.kind);
  a.Take("--fs", &o.fs);
  a.Take("--format", &o.format);
  o.quick = a.Flag("--quick");
  std::vector<std::string> rest = a.Positionals();
  Check(!rest.empty(), "part needs a subcommand: list, create, delete, resize, format or props (see part --help)");
  Check(rest.size() == 1, "unexpected argument '" + (rest.size() > 1 ? rest[1] : "") + "'");
  o.sub = rest[0];
  Check(hasDisk, "part " + o.sub + " needs --disk N (the Windows disk number, as `disks` shows it)");
  auto only = [&](bool allowed, const char* option, bool given) {
    Check(allowed || !given, std::string(option) + " does not apply to part " + o.sub);
  };
  bool creating = o.sub == "create", formatting = o.sub == "format";
  only(creating || o.sub == "resize", "--size", hasSize);
  only(creating, "--kind", !o.kind.empty());
  only(creating || formatting, "--fs", !o.fs.empty());
  only(creating, "--format", !o.format.empty());
  only(formatting, "--quick", o.quick);
  only(o.sub != "list", "--region", hasRegion);
  if (!o.fs.empty()) Check(o.fs == "NTFS" || o.fs == "FAT32" || o.fs == "FAT", "--fs is NTFS, FAT32 or FAT");

  if (o.sub == "list") return PartList(c, o);
  if (o.sub == "props") return PartProps(c, o);
  if (creating) {
    Check(hasSize, "part create needs --size MB");
    Check(o.kind == "primary" || o.kind == "extended" || o.kind == "logical",
          "part create needs --kind primary, extended or logical");
    Check(o.format.empty() || o.format == "none" || o.format == "quick" || o.format == "full",
          "--format is none, quick or full");
    return PartCreate(c, o);
  }
  Check(o.sub == "delete" || o.sub == "resize" || formatting,
        "unknown subcommand '" + o.sub + "' (list, create, delete, resize, format, props)");
  Check(hasRegion, "part " + o.sub + " needs --region R");
  if (o.sub == "delete") return PartDelete(c, o);
  if (o.sub == "resize") {
    Check(!hasSize || o.sizeMB > 0, "--size is at least 1 MB");
    return PartResize(c, o);
  }
  Check(!o.fs.empty(), "part format needs --fs NTFS, FAT32 or FAT");
  return PartFormat(c, o);
}

}  // namespace cli
