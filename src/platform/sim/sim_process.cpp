// Processes of the simulated PC: what CreateProcess, ShellExecute and
// ShellExecuteEx start, their exit codes and waits. Programs run to their end
// when they are started (the machine stays deterministic), except those the
// machine file gives a run time on its clock or "never", and servers such as
// the shadow-copy helper, which run until they are told to quit.
#include <algorithm>
#include <filesystem>

#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace sim {

using platform::Handle;
using Kind = SimSystem::Object::Kind;

namespace {

std::wstring LastComponent(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ExtensionOf(const std::wstring& path) {
  std::wstring name = LastComponent(path);
  size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? L"" : text::UpperAscii(name.substr(dot));
}

// Splits "program rest" at the first blank outside quotes; the program
// loses its quotes.
void SplitProgram(const std::wstring& line, std::wstring* program, std::wstring* rest) {
  size_t i = 0;
  while (i < line.size() && line[i] == L' ') ++i;
  std::wstring p;
  bool quoted = false;
  for (; i < line.size(); ++i) {
    wchar_t c = line[i];
    if (c == L'"') {
      quoted = !quoted;
      continue;
    }
    if (c == L' ' && !quoted) break;
    p.push_back(c);
  }
  while (i < line.size() && line[i] == L' ') ++i;
  *program = p;
  *rest = line.substr(i);
}

}  // namespace

const ProgramConfig* SimSystem::FindProgram(const std::wstring& path) {
  for (const ProgramConfig& p : config_.programs)
    if (text::EqualsIgnoreCase(p.path, path)) return &p;
  return nullptr;
}

std::wstring SimSystem::FindProgramFile(const std::wstring& file, const std::wstring& directory) {
  auto exists = [&](const std::wstring& path) {
    if (FindProgram(path)) return true;
    std::string host = HostPathOf(path, false);
    std::error_code ec;
    return !host.empty() && fs::is_regular_file(host, ec);
  };
  if (file.find_first_of(L"\\/:") != std::wstring::npos) {
    bool relative = !(file.size() >= 2 && file[1] == L':') && !(file.size() >= 1 && file[0] == L'\\');
    return relative && !directory.empty() ? directory + L"\\" + file : file;
  }
  // A bare name: the given folder, then the system's folders, as the
  // search path would find it; without an extension the executable ones.
  std::vector<std::wstring> names = {file};
  if (ExtensionOf(file).empty())
    for (const wchar_t* ext : {L".exe", L".com", L".cmd", L".bat"}) names.push_back(file + ext);
  std::vector<std::wstring> folders;
  if (!directory.empty()) folders.push_back(directory);
  folders.push_back(GetSystemDirectory());
  folders.push_back(config_.windowsDir);
  for (const std::wstring& folder : folders)
    for (const std::wstring& name : names)
      if (exists(folder + L"\\" + name)) return folder + L"\\" + name;
  return file;
}

size_t SimSystem::Launch(StartedProgram p) {
  std::wstring path = FindProgramFile(p.file, p.directory);
  std::wstring name = text::UpperAscii(LastComponent(path));
  std::wstring ext = ExtensionOf(path);
  std::string host = HostPathOf(path, false);
  std::error_code ec;
  bool isFile = !host.empty() && fs::is_regular_file(host, ec);
  p.started = true;
  if (IsShadowHelper(path)) {
    StartShadowHelper(&p, started_.size());
  } else if (const ProgramConfig* pc = FindProgram(path) ? FindProgram(path) : FindProgram(p.file)) {
    // A program runs for the time the machine file gives it (none: it has
    // ended by the first look), on the machine's clock; "never" keeps it running.
    p.exitCode = pc->exitCode;
    p.running = pc->neverEnds;
    // The driver loader reads the .inf it is given: a file that is not
    // there fails it, whatever the machine file says it returns.
    if (name == L"DRVLOAD.EXE" && p.exitCode == 0) {
      std::wstring rest = p.parameters, inf;
      if (p.how == L"CreateProcess") SplitProgram(rest, &inf, &rest);
      SplitProgram(rest, &inf, &rest);
      std::string infHost = inf.empty() ? std::string() : HostPathOf(inf, false);
      if (infHost.empty() || !fs::is_regular_file(infHost, ec)) p.exitCode = win::ERROR_FILE_NOT_FOUND;
    }
    uint64_t now = clock_.Micros(), run = pc->runMilliseconds * 1000;
    p.endsAtMicros = run > UINT64_MAX - now ? UINT64_MAX : now + run;
  } else if ((ext == L".CMD" || ext == L".BAT") && isFile) {
    p.exitCode = RunScript(path, p.parameters, p.directory, &p.output);
  } else if (name == L"CMD.EXE") {
    std::wstring rest = p.parameters;
    if (p.how == L"CreateProcess") {
      std::wstring self;
      SplitProgram(rest, &self, &rest);  // the command line repeats the program first
    }
    // "cmd /c LINE" carries out the line; "/k" would stay open, which a
    // hidden start never ends.
    std::wstring sw, line;
    SplitProgram(rest, &sw, &line);
    if (text::EqualsIgnoreCase(sw, L"/c")) {
      CommandInput input;
      p.exitCode = RunCommandLine(line, input, p.directory, &p.output);
    } else {
      p.running = true;
    }
  } else if ((name == L"FORMAT.COM" || name == L"FORMAT.EXE" || name == L"FORMAT")) {
    std::wstring rest = p.parameters;
    if (p.how == L"CreateProcess") {
      std::wstring self;
      SplitProgram(rest, &self, &rest);
    }
    CommandInput input;
    p.exitCode = RunCommandLine(L"format " + rest, input, p.directory, &p.output);
  } else if (isFile) {
    p.exitCode = 0;
  } else {
    p.started = false;
  }
  started_.push_back(std::move(p));
  return started_.size() - 1;
}

Handle SimSystem::CreateProcess(const std::wstring& application, const std::wstring& commandLine,
                                const std::wstring& currentDirectory) {
  std::wstring file = application;
  if (file.empty()) {
    std::wstring rest;
    SplitProgram(commandLine, &file, &rest);
  }
  StartedProgram p{L"CreateProcess", file, commandLine, currentDirectory, L"", 0, true};
  size_t index = Launch(p);
  if (!started_[index].started) {
    // The record keeps the application as it was given.
    started_[index].file = application;
    lastError_ = win::ERROR_FILE_NOT_FOUND;
    return platform::kNullHandle;
  }
  started_[index].file = application;
  auto o = std::make_shared<Object>(Kind::Process);
  o->process = index;
  return Add(o);
}

bool SimSystem::GetExitCodeProcess(Handle process, uint32_t* code) {
  auto o = Get(process);
  if (!o || o->kind != Kind::Process) return Fail(win::ERROR_INVALID_HANDLE);
  const StartedProgram& p = started_[o->process];
  *code = p.running || clock_.Micros() < p.endsAtMicros ? win::STILL_ACTIVE : p.exitCode;
  lastError_ = 0;
  return true;
}

uint32_t SimSystem::WaitForSingleObject(Handle h, uint32_t milliseconds) {
  auto o = Get(h);
  if (!o) {
    lastError_ = win::ERROR_INVALID_HANDLE;
    return win::WAIT_FAILED;
  }
  if (o->kind != Kind::Process) return win::WAIT_OBJECT_0;
  const StartedProgram& p = started_[o->process];
  if (p.running) {
    if (milliseconds == win::INFINITE) throw Hang{"waiting without end for a process that does not end"};
    clock_.Sleep(milliseconds);
    return win::WAIT_TIMEOUT;
  }
  // The wait passes on the machine's clock: until the program ends or the
  // time is up, whichever comes first.
  uint64_t now = clock_.Micros();
  if (now >= p.endsAtMicros) return win::WAIT_OBJECT_0;
  uint64_t left = p.endsAtMicros - now;
  if (milliseconds != win::INFINITE && uint64_t(milliseconds) * 1000 < left) {
    clock_.Sleep(milliseconds);
    return win::WAIT_TIMEOUT;
  }
  clock_.Sleep(uint32_t(std::min<uint64_t>((left + 999) / 1000, 0xFFFFFFFEu)));
  return win::WAIT_OBJECT_0;
}

intptr_t SimSystem::ShellExecute(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                                 const std::wstring& directory, int show) {
  StartedProgram p{L"ShellExecute", file, parameters, directory, verb, show, true};
  // Documents and bare program names open through the shell's
  // associations and the search path, which the simulated PC does not
  // keep: they are taken as started. A program named by its full path
  // must be there.
  bool fullPath = file.find_first_of(L"\\/:") != std::wstring::npos;
  bool program = ExtensionOf(file) == L".EXE" || ExtensionOf(file) == L".CMD" || ExtensionOf(file) == L".BAT" ||
                 ExtensionOf(file) == L".COM";
  size_t index = Launch(p);
  if (!started_[index].started) {
    if (fullPath && program) return win::SE_ERR_FNF;
    started_[index].started = true;
  }
  return 42;
}

Handle SimSystem::ShellExecuteEx(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                                 const std::wstring& directory, int show) {
  StartedProgram p{L"ShellExecuteEx", file, parameters, directory, verb, show, true};
  size_t index = Launch(p);
  if (!started_[index].started) {
    lastError_ = win::ERROR_FILE_NOT_FOUND;
    return platform::kNullHandle;
  }
  auto o = std::make_shared<Object>(Kind::Process);
  o->process = index;
  return Add(o);
}

bool SimSystem::StartThread(std::function<void()> fn) {
  // Work handed to a thread runs to its end at once: the simulated machine
  // stays deterministic and the caller's polling sees it done. A thread
  // that would block for ever is left blocked.
  try {
    fn();
  } catch (const Hang&) {
    ++hungThreads_;
  }
  return true;
}

}  // namespace sim
