// vektrel-cli: the console program. It runs the same engines and pages as
// the dialogs, driven through the scripted host, on the real machine
// (Windows) or on a simulated PC made of disk images.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/language.h"
#include "cli/context.h"
#include "disk/disk_access.h"
#include "platform/host_info.h"
#include "platform/sim/machine_loader.h"
#include "platform/text.h"
#ifdef _WIN32
#include "platform/win32/win32_system.h"
#endif

namespace cli {

const std::vector<Command>& Commands() {
  static const std::vector<Command> kCommands = {
      {"info", CmdInfo, "info", "the start-up values of the program"},
      {"lang", CmdLang, "lang KEY...", "the text of each language key"},
      {"read", CmdRead, "read --drive N --lba L [--count C]", "read sectors of a physical drive"},
      {"disks", CmdDisks, "disks", "the disks and partitions as the pages list them (--json: the disk model)"},
      {"duplicate", CmdDuplicate,
       "duplicate --source K[:R] --dest K[:R] [--mode basic|sector] [--expand auto|same|manual] [--size R=MB]... "
       "[--verify] [--prescan] [--plan] [--report FILE]",
       "duplicate a disk or partition (K the disk number, R its partition row; asks first; --yes answers)"},
      {"copy", CmdCopy, "copy --source PATH... --dest PATH",
       "copy files and folders (Windows paths, --source repeatable) into a folder, as the Files/Folders wizard does"},
      {"wipe", CmdWipe, "wipe (--disk N | --partition N:R) --method M [--report FILE]",
       "erase a disk or partition (asks first; --yes answers)"},
      {"scan", CmdScan, "scan (--disk N | --partition N:R)", "scan a disk or partition for bad sectors"},
      {"view", CmdView, "view (--disk N | --partition N:R) [--sector S] [--go start|end|next|previous]...",
       "show a sector of a disk or partition"},
      {"part", CmdPart, "part list|create|delete|resize|format|props --disk N ...",
       "the partition manager (see part --help)"},
      {"health", CmdHealth, "health [--disk K]",
       "the SMART or NVMe health of disk K (the Disk number) or of every disk, with the verdict"},
      {"drvload", CmdDrvload, "drvload --inf PATH", "load a storage driver through the driver-loading page"},
      {"start", CmdStart, "start [--press TILE]... [--args \"/B ONECLICK\"]",
       "start the program as the main window does and press tiles (records started programs); with --args "
       "the program's command line (\"/B ONECLICK\": the countdown, then the copy onto the marked disk)"},
      {"quick", CmdQuick, "quick", "One Click Copy: the system disk onto the largest empty disk (asks first; --yes answers)"},
  };
  return kCommands;
}

namespace {

void PrintHelp() {
  std::printf(
      "usage: vektrel-cli [options] COMMAND [command options]\n\n"
      "options:\n"
      "  --machine FILE              a simulated PC described by a machine file\n"
      "  --disk IMAGE[,key=value...] a simulated disk (repeatable; disks alone boot as Windows PE);\n"
      "                              keys: size, model, bus, serial, spt, tpc, bad=A-B, flaky=LBA:N,\n"
      "                              corrupt=A-B, wp=1, removable=1\n"
      "  --lang English|Japanese     the language of the texts\n"
      "  --json                      machine-readable output\n"
      "  --yes                       answer Yes to the questions the pages ask\n"
      "  --help                      this text\n\ncommands:\n");
  for (const Command& c : Commands()) std::printf("  %-40s %s\n", c.usage, c.summary);
  std::printf(
      "\nN is the Windows disk number as `disks` lists it (Disk0 is 0), R a partition row of it\n"
      "(1-based).\n"
      "\nexit codes: 0 success, 1 the operation failed, was cancelled or ended with errors,\n"
      "2 the command line was not understood.\n");
}

Options ParseGlobal(const std::vector<std::string>& argv) {
  Options o;
  bool machineGiven = false, langGiven = false;
  size_t i = 0;
  for (; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    auto value = [&](const char* name) {
      if (i + 1 >= argv.size()) throw UsageError(std::string(name) + " needs a value");
      return argv[++i];
    };
    // A value given twice is a slip, as with the commands' own options:
    // the last one does not quietly choose the machine that is written.
    auto once = [&](const char* name, bool* given) {
      if (*given) throw UsageError(std::string(name) + " is given more than once");
      *given = true;
      return value(name);
    };
    // After the command, --disk is the command's own (the Windows disk
    // number of wipe, scan, view and part), not a simulated disk.
    if (a == "--disk" && !o.command.empty()) o.args.push_back(a);
    else if (a == "--machine") o.machineFile = once("--machine", &machineGiven);
    else if (a == "--disk") o.disks.push_back(value("--disk"));
    else if (a == "--lang") o.lang = once("--lang", &langGiven);
    else if (a == "--json") o.json = true;
    else if (a == "--yes") o.yes = true;
    // part has a help of its own.
    else if ((a == "--help" || a == "-h") && o.command == "part") o.args.push_back("--help");
    else if (a == "--help" || a == "-h") o.help = true;
    else if (a.rfind("--", 0) == 0 && o.command.empty()) throw UsageError("unknown option " + a);
    else if (o.command.empty()) o.command = a;
    else {
      // Global flags may also follow the command.
      if (a == "--json") o.json = true;
      else o.args.push_back(a);
    }
  }
  return o;
}

int Run(const std::vector<std::string>& argv) {
  Context c;
  try {
    c.opt = ParseGlobal(argv);
    if (c.opt.help || c.opt.command.empty()) {
      PrintHelp();
      return c.opt.help ? 0 : 2;
    }
    const Command* cmd = nullptr;
    for (const Command& k : Commands())
      if (c.opt.command == k.name) cmd = &k;
    if (!cmd) throw UsageError("unknown command '" + c.opt.command + "' (see --help)");
    // A command's own help needs no machine.
    if (std::find(c.opt.args.begin(), c.opt.args.end(), "--help") != c.opt.args.end()) {
      Args args(c.opt.args);
      return cmd->run(c, args);
    }

    std::string error;
    if (!c.opt.machineFile.empty() || !c.opt.disks.empty()) {
      auto s = sim::LoadMachine(c.opt.machineFile, c.opt.disks, &error);
      if (!s) {
        std::fprintf(stderr, "vektrel-cli: %s\n", error.c_str());
        return 2;
      }
      c.sim = s.get();
      c.system = std::move(s);
    } else {
#ifdef _WIN32
      c.system = platform::CreateWin32System();
#else
      throw UsageError("no machine given: use --machine FILE or --disk IMAGE (the real machine is Windows only)");
#endif
    }
    platform::SetSystem(c.system.get());
    ui::SetHost(&c.host);
    c.host.answerYes = c.opt.yes;
    c.EchoMessages();
    std::string lang = c.opt.lang;
    if (lang.empty()) lang = c.sim ? c.sim->Config().language : "English";
    if (lang != "English" && lang != "Japanese") throw UsageError("--lang is English or Japanese");
    app::LanguageName = text::Widen(lang);
    app::ReadStartupValues();
    app::LoadLanguageTable();
    app::AppCaption = app::T(L"IDS_Product");

    Args args(c.opt.args);
    int rc = cmd->run(c, args);
    platform::SetSystem(nullptr);
    return rc;
  } catch (const UsageError& e) {
    std::fprintf(stderr, "vektrel-cli: %s\n", e.what());
    return 2;
  } catch (const platform::ProcessExit& e) {
    // The program ended itself (ExitProcess) as part of what it was asked.
    return int(e.code);
  }
}

}  // namespace
}  // namespace cli

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  platform::PrepareConsole();
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(text::ToUtf8(argv[i]));
  return cli::Run(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return cli::Run(args);
}
#endif
