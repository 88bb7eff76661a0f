// The command interpreter of the simulated PC: scripts (".cmd", ".bat",
// "cmd /c") are read line by line and carried out with the exit codes cmd
// gives. It knows the few commands the program writes into its scripts:
// format and mklink, echo, rem and exit; a program that exists runs with
// its exit code; anything else is not recognised (9009), as in cmd.
#include <filesystem>

#include "platform/reparse_data.h"
#include "platform/sim/host_file.h"
#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

constexpr uint32_t kNotRecognised = 9009;
constexpr size_t kMaxScriptBytes = 1 << 20;

// Scripts are written in the 8-bit code page; bytes map to the first 256
// characters, which keeps every ASCII path as it was.
bool ReadTextFile(const std::string& host, std::vector<std::wstring>* lines) {
  HostFile f;
  if (!f.Open(host, HostFile::Mode::Read)) return false;
  std::vector<uint8_t> bytes(kMaxScriptBytes);
  size_t got = 0;
  if (!f.ReadAt(0, bytes.data(), bytes.size(), &got)) return false;
  std::wstring cur;
  lines->clear();
  for (size_t i = 0; i < got; ++i) {
    uint8_t b = bytes[i];
    if (b == '\n') {
      if (!cur.empty() && cur.back() == L'\r') cur.pop_back();
      lines->push_back(cur);
      cur.clear();
    } else {
      cur.push_back(wchar_t(b));
    }
  }
  if (!cur.empty()) {
    if (cur.back() == L'\r') cur.pop_back();
    lines->push_back(cur);
  }
  return true;
}

struct ParsedLine {
  std::vector<std::wstring> args;  // without quotes
  std::wstring inputFile;          // "< file"
  bool hasInput = false;
};

// Splits a command line into arguments and takes out the redirections.
ParsedLine ParseLine(const std::wstring& line) {
  ParsedLine out;
  std::wstring cur;
  bool quoted = false, any = false;
  enum class Next { Arg, Input, Output } next = Next::Arg;
  auto flush = [&]() {
    if (!any) return;
    if (next == Next::Input) {
      out.inputFile = cur;
      out.hasInput = true;
    } else if (next == Next::Arg) {
      out.args.push_back(cur);
    }
    next = Next::Arg;
    cur.clear();
    any = false;
  };
  for (size_t i = 0; i < line.size(); ++i) {
    wchar_t c = line[i];
    if (c == L'"') {
      quoted = !quoted;
      any = true;
      continue;
    }
    if (!quoted && (c == L' ' || c == L'\t')) {
      flush();
      continue;
    }
    if (!quoted && c == L'<') {
      flush();
      next = Next::Input;
      continue;
    }
    if (!quoted && c == L'>') {
      // "2>" and ">>" as well: the output goes nowhere that matters here.
      if (any && cur.size() == 1 && (cur[0] == L'1' || cur[0] == L'2')) {
        cur.clear();
        any = false;
      }
      flush();
      if (i + 1 < line.size() && line[i + 1] == L'>') ++i;
      next = Next::Output;
      continue;
    }
    cur.push_back(c);
    any = true;
  }
  flush();
  return out;
}

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

}  // namespace

uint32_t SimSystem::RunScript(const std::wstring& script, const std::wstring& arguments, const std::wstring& directory,
                              std::wstring* output) {
  std::vector<std::wstring> lines;
  if (!ReadTextFile(HostPathOf(script, false), &lines)) {
    *output += L"The system cannot find the file specified.\r\n";
    return 1;
  }
  CommandInput input;
  ParsedLine args = ParseLine(arguments);
  if (args.hasInput) {
    std::string host = HostPathOf(args.inputFile, false);
    if (host.empty() || !ReadTextFile(host, &input.lines)) {
      *output += L"The system cannot find the file specified.\r\n";
      return 1;
    }
  }
  std::wstring folder = directory.empty() ? FolderOf(script) : directory;
  uint32_t errorLevel = 0;
  for (std::wstring line : lines) {
    line = text::Trim(line);
    while (!line.empty() && line[0] == L'@') line = text::Trim(line.substr(1));
    if (line.empty() || line.rfind(L"::", 0) == 0) continue;
    errorLevel = RunCommandLine(line, input, folder, output);
    if (input.exitRequested) break;
  }
  return errorLevel;
}

uint32_t SimSystem::RunCommandLine(const std::wstring& line, CommandInput& input, const std::wstring& directory,
                                   std::wstring* output) {
  ParsedLine parsed = ParseLine(line);
  if (parsed.args.empty()) return 0;
  CommandInput redirected;
  CommandInput* in = &input;
  if (parsed.hasInput) {
    std::string host = HostPathOf(parsed.inputFile, false);
    if (host.empty() || !ReadTextFile(host, &redirected.lines)) {
      *output += L"The system cannot find the file specified.\r\n";
      return 1;
    }
    in = &redirected;
  }
  std::wstring command = text::UpperAscii(parsed.args[0]);
  std::vector<std::wstring> args(parsed.args.begin() + 1, parsed.args.end());
  if (command == L"REM") return 0;
  if (command == L"ECHO" || command.rfind(L"ECHO.", 0) == 0) {
    std::wstring said;
    for (const std::wstring& a : args) said += (said.empty() ? L"" : L" ") + a;
    if (!text::EqualsIgnoreCase(said, L"off") && !text::EqualsIgnoreCase(said, L"on")) *output += said + L"\r\n";
    return 0;
  }
  if (command == L"EXIT") {
    uint32_t code = 0;
    for (const std::wstring& a : args) {
      if (text::EqualsIgnoreCase(a, L"/b")) continue;
      code = uint32_t(std::wcstoul(a.c_str(), nullptr, 10));
      break;
    }
    input.exitRequested = true;
    return code;
  }
  if (command == L"FORMAT" || command == L"FORMAT.COM") return FormatCommand(args, *in, output);
  if (command == L"MKLINK") return MklinkCommand(args, directory, output);
  if ((command == L"CMD" || command == L"CMD.EXE") && !args.empty() && text::EqualsIgnoreCase(args[0], L"/c")) {
    std::wstring rest;
    for (size_t i = 1; i < args.size(); ++i) rest += (rest.empty() ? L"\"" : L" \"") + args[i] + L"\"";
    return RunCommandLine(rest, *in, directory, output);
  }
  // A program or another script.
  std::wstring path = FindProgramFile(parsed.args[0], directory);
  std::wstring rest;
  for (const std::wstring& a : args) rest += (rest.empty() ? L"\"" : L" \"") + a + L"\"";
  std::string host = HostPathOf(path, false);
  std::error_code ec;
  bool exists = FindProgram(path) || FindProgram(parsed.args[0]) || (!host.empty() && fs::is_regular_file(host, ec));
  if (!exists) {
    *output += L"'" + parsed.args[0] + L"' is not recognized as an internal or external command,\r\n"
               L"operable program or batch file.\r\n";
    return kNotRecognised;
  }
  StartedProgram p{L"cmd", path, rest, directory, L"", 0, true};
  size_t index = Launch(p);
  *output += started_[index].output;
  return started_[index].running ? 0 : started_[index].exitCode;
}

uint32_t SimSystem::FormatCommand(const std::vector<std::wstring>& args, CommandInput& input, std::wstring* output) {
  // Exit codes of format: 0 done, 1 wrong parameters, 4 any other failure,
  // 5 the operator answered No.
  std::wstring drive, fsName, label;
  bool quick = false, haveLabel = false;
  for (const std::wstring& a : args) {
    std::wstring u = text::UpperAscii(a);
    if (u.rfind(L"/FS:", 0) == 0) {
      fsName = u.substr(4);
    } else if (u.rfind(L"/V:", 0) == 0) {
      label = a.substr(3);
      haveLabel = true;
    } else if (u == L"/Q") {
      quick = true;
    } else if (u == L"/X" || u == L"/Y" || u == L"/C") {
      // forced dismount, no questions, compression: nothing to add here
    } else if (u.rfind(L"/A:", 0) == 0) {
      // cluster size
    } else if (!u.empty() && u[0] == L'/') {
      *output += L"Invalid parameter - " + a + L"\r\n";
      return 1;
    } else if (drive.empty()) {
      drive = u;
    } else {
      *output += L"Invalid parameter - " + a + L"\r\n";
      return 1;
    }
  }
  if (drive.empty()) {
    *output += L"Required parameter missing -\r\n";
    return 1;
  }
  std::string fs;
  if (!fsName.empty()) {
    for (const char* known : {"NTFS", "FAT32", "FAT", "EXFAT"})
      if (fsName == text::Widen(known)) fs = known;
    if (fs == "EXFAT") fs = "exFAT";
    if (fs.empty()) {
      *output += L"The file system " + fsName + L" is not supported.\r\n";
      return 1;
    }
  }
  if (drive.size() != 2 || drive[1] != L':' || drive[0] < L'A' || drive[0] > L'Z') {
    *output += L"The drive letter is not valid.\r\n";
    return 4;
  }
  auto v = mounts_->ByLetter(drive[0]);
  if (!v) {
    *output += mounts_->DriveByLetter(drive[0]) ? L"Cannot format this type of drive.\r\n"
                                                : L"The specified drive does not exist.\r\n";
    return 4;
  }
  SimDisk& disk = *disks_[size_t(v->disk)];
  std::string current = v->FileSystem(disk);
  if (fs.empty()) fs = current.empty() ? "NTFS" : current;
  *output += L"The type of the file system is " + (current.empty() ? std::wstring(L"RAW") : text::Widen(current)) +
             L".\r\nThe new file system is " + text::Widen(fs) + L".\r\n";
  std::wstring answer, currentLabel;
  if (!current.empty() && GetVolumeLabel(drive + L"\\", &currentLabel) && !currentLabel.empty()) {
    // A volume with a label is formatted only by someone who knows it.
    *output += L"Enter current volume label for drive " + drive + L" ";
    if (!input.ReadLine(&answer) || !text::EqualsIgnoreCase(text::Trim(answer), currentLabel)) {
      *output += L"\r\nAn incorrect volume label was entered for this drive.\r\n";
      return 4;
    }
  }
  if (disk.Config().removable) {
    *output += L"Insert new disk for drive " + drive + L"\r\nand press ENTER when ready...";
    input.ReadLine(&answer);
  } else {
    *output += L"WARNING, ALL DATA ON NON-REMOVABLE DISK\r\nDRIVE " + drive +
               L" WILL BE LOST!\r\nProceed with Format (Y/N)? ";
    if (!input.ReadLine(&answer) || text::UpperAscii(text::Trim(answer)).rfind(L"Y", 0) != 0) {
      *output += L"\r\n";
      return 5;
    }
  }
  uint32_t err = FormatVolume(v, fs, haveLabel ? label : L"", quick, 0, nullptr);
  if (err == win::ERROR_WRITE_PROTECT) {
    *output += L"Cannot format.  This media is write protected.\r\n";
    return 4;
  }
  if (err == win::ERROR_ACCESS_DENIED) {
    *output += L"Format cannot run because the volume is in use by another process.\r\n";
    return 4;
  }
  if (err) {
    *output += L"The volume is too big or too small for " + text::Widen(fs) + L".\r\nFormat failed.\r\n";
    return 4;
  }
  if (!haveLabel) {
    // Asked after the format; the next answer line becomes the label.
    *output += L"Volume label (32 characters, ENTER for none)? ";
    std::wstring typed;
    if (input.ReadLine(&typed) && !text::Trim(typed).empty()) SetVolumeLabel(drive + L"\\", text::Trim(typed));
    *output += L"\r\n";
  }
  *output += L"Format complete.\r\n";
  return 0;
}

uint32_t SimSystem::MklinkCommand(const std::vector<std::wstring>& args, const std::wstring& directory,
                                  std::wstring* output) {
  bool dirLink = false, junction = false, hard = false;
  std::vector<std::wstring> names;
  for (const std::wstring& a : args) {
    if (text::EqualsIgnoreCase(a, L"/D")) dirLink = true;
    else if (text::EqualsIgnoreCase(a, L"/J")) junction = true;
    else if (text::EqualsIgnoreCase(a, L"/H")) hard = true;
    else names.push_back(a);
  }
  if (names.size() != 2 || int(dirLink) + int(junction) + int(hard) > 1) {
    *output += L"The syntax of the command is incorrect.\r\n";
    return 1;
  }
  auto absolute = [&](const std::wstring& p) {
    bool isAbsolute = (p.size() >= 2 && p[1] == L':') || p.rfind(L"\\\\", 0) == 0;
    return isAbsolute || directory.empty() ? p : directory + L"\\" + p;
  };
  std::wstring link = absolute(names[0]), target = names[1];
  Resolved r;
  uint32_t err = Resolve(link, true, false, &r);
  if (!err && r.exists) err = win::ERROR_ALREADY_EXISTS;
  if (!err) err = WritableError(r);
  if (!err && hard) err = win::ERROR_NOT_SUPPORTED;
  if (!err && (!r.volume || FileSystemOf(*r.volume) != "NTFS"))
    err = win::ERROR_NOT_SUPPORTED;
  reparse::LinkData data = junction ? reparse::MountPointTo(absolute(target)) : reparse::SymbolicLinkTo(target, dirLink);
  std::vector<uint8_t> bytes = reparse::BuildLinkData(data);
  if (!err && bytes.empty()) err = win::ERROR_INVALID_REPARSE_DATA;
  std::error_code ec;
  if (!err) {
    bool made = (junction || dirLink) ? fs::create_directory(r.host, ec) : HostFile().Open(r.host, HostFile::Mode::CreateReadWrite);
    if (!made) err = win::ERROR_PATH_NOT_FOUND;
  }
  if (err) {
    *output += err == win::ERROR_ALREADY_EXISTS     ? L"Cannot create a file when that file already exists.\r\n"
               : err == win::ERROR_WRITE_PROTECT    ? L"The media is write protected.\r\n"
               : err == win::ERROR_NOT_SUPPORTED    ? L"Local NTFS volumes are required to complete the operation.\r\n"
               : err == win::ERROR_ACCESS_DENIED    ? L"Access is denied.\r\n"
                                                    : L"The system cannot find the path specified.\r\n";
    return 1;
  }
  NewEntry(r, junction || dirLink, 0);
  Store(r.root).At(r.key).reparse = bytes;
  *output += std::wstring(junction ? L"Junction" : L"symbolic link") + L" created for " + names[0] + L" <<===>> " +
             target + L"\r\n";
  return 0;
}

}  // namespace sim
