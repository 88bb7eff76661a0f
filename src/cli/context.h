// What every console command works with: the options, the machine (real or
// simulated), the scripted host that drives the pages, and output helpers.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sim/sim_system.h"
#include "platform/system.h"
#include "ui/scripted/scripted_host.h"

namespace cli {

class Json;

// A command line the program cannot act on; exit code 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  std::string machineFile;
  std::vector<std::string> disks;
  std::string lang;
  bool json = false;
  bool yes = false;
  bool help = false;
  std::string command;
  std::vector<std::string> args;
};

// The options of one command: "--name value", "--flag" and positionals.
class Args {
 public:
  explicit Args(std::vector<std::string> args) : args_(std::move(args)) {}
  // The value of --name, or nothing; a usage error when it is given twice.
  bool Take(const std::string& name, std::string* value);
  std::vector<std::string> TakeAll(const std::string& name);
  bool Flag(const std::string& name);
  uint64_t TakeNumber(const std::string& name, uint64_t fallback, bool required);
  std::vector<std::string> Positionals();  // after every option was taken
  void Done();  // UsageError when anything is left

 private:
  std::vector<std::string> args_;
};

struct Context {
  Options opt;
  std::unique_ptr<platform::System> system;
  sim::SimSystem* sim = nullptr;  // the simulated PC, when one runs
  ui::ScriptedHost host;

  void Out(const std::wstring& line);
  void Out(const std::string& line);
  void Err(const std::wstring& line);
  // Message boxes the pages showed, printed to standard error as they come.
  void EchoMessages();
  // A command that did not start: why, on standard error, and under --json
  // as {"result":"Aborted","started":false,"reason":...}, with what more
  // adds after the reason. Returns 1.
  int Refuse(const std::wstring& reason, const std::function<void(Json&)>& more = nullptr);
  // A report file is found unusable before anything is written, not after
  // the disk was overwritten: UsageError when it is the image (or block
  // device) of one of the machine's disks, or cannot be written. No empty
  // file is left behind.
  void CheckReportFile(const std::string& option, const std::string& file) const;
};

using CommandFn = int (*)(Context&, Args&);
struct Command {
  const char* name;
  CommandFn run;
  const char* usage;
  const char* summary;
};
const std::vector<Command>& Commands();

// Commands
// A decimal option value of at most six digits, not below `lowest`;
// UsageError naming `what` otherwise.
int ParseNumber(const std::string& s, const std::string& what, int lowest);

int CmdInfo(Context& c, Args& a);
int CmdLang(Context& c, Args& a);
int CmdRead(Context& c, Args& a);
int CmdStart(Context& c, Args& a);
int CmdDisks(Context& c, Args& a);
int CmdWipe(Context& c, Args& a);
int CmdScan(Context& c, Args& a);
int CmdView(Context& c, Args& a);
int CmdPart(Context& c, Args& a);
int CmdDuplicate(Context& c, Args& a);
int CmdCopy(Context& c, Args& a);
int CmdHealth(Context& c, Args& a);
int CmdDrvload(Context& c, Args& a);
int CmdQuick(Context& c, Args& a);

}  // namespace cli
