#include "cli/context.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cli/json.h"
#include "platform/text.h"

namespace cli {

bool Args::Take(const std::string& name, std::string* value) {
  bool found = false;
  for (size_t i = 0; i < args_.size();) {
    bool spaced = args_[i] == name, joined = !spaced && args_[i].rfind(name + "=", 0) == 0;
    if (!spaced && !joined) {
      ++i;
      continue;
    }
    // An option given twice is a slip, not a choice: "--dest 1 --dest 2"
    // must not quietly pick the disk that is overwritten.
    if (found) throw UsageError(name + " is given more than once");
    if (spaced) {
      if (i + 1 >= args_.size()) throw UsageError(name + " needs a value");
      *value = args_[i + 1];
      args_.erase(args_.begin() + long(i), args_.begin() + long(i) + 2);
    } else {
      *value = args_[i].substr(name.size() + 1);
      args_.erase(args_.begin() + long(i));
    }
    found = true;
  }
  return found;
}

std::vector<std::string> Args::TakeAll(const std::string& name) {
  std::vector<std::string> out;
  for (size_t i = 0; i < args_.size();) {
    if (args_[i] == name) {
      if (i + 1 >= args_.size()) throw UsageError(name + " needs a value");
      out.push_back(args_[i + 1]);
      args_.erase(args_.begin() + long(i), args_.begin() + long(i) + 2);
    } else {
      ++i;
    }
  }
  return out;
}

bool Args::Flag(const std::string& name) {
  for (size_t i = 0; i < args_.size(); ++i)
    if (args_[i] == name) {
      args_.erase(args_.begin() + long(i));
      return true;
    }
  return false;
}

uint64_t Args::TakeNumber(const std::string& name, uint64_t fallback, bool required) {
  std::string v;
  if (!Take(name, &v)) {
    if (required) throw UsageError(name + " is required");
    return fallback;
  }
  if (v.empty() || v.size() > 20) throw UsageError(name + " needs a number, not '" + v + "'");
  uint64_t n = 0;
  for (char ch : v) {
    if (ch < '0' || ch > '9') throw UsageError(name + " needs a number, not '" + v + "'");
    uint64_t next = n * 10 + uint64_t(ch - '0');
    if (next / 10 != n) throw UsageError(name + " is too large");
    n = next;
  }
  return n;
}

std::vector<std::string> Args::Positionals() {
  std::vector<std::string> out;
  for (auto& a : args_)
    if (a.rfind("--", 0) == 0) throw UsageError("unknown option " + a);
  out.swap(args_);
  return out;
}

void Args::Done() {
  if (!args_.empty()) throw UsageError("unexpected argument '" + args_[0] + "'");
}

void Context::Out(const std::wstring& line) { Out(text::ToUtf8(line)); }
void Context::Out(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
}
void Context::Err(const std::wstring& line) {
  std::fputs(text::ToUtf8(line).c_str(), stderr);
  std::fputc('\n', stderr);
}

int Context::Refuse(const std::wstring& reason, const std::function<void(Json&)>& more) {
  Err(L"vektrel-cli: " + reason);
  if (opt.json) {
    Json j;
    j.BeginObject().Field("result", std::wstring(L"Aborted")).Field("started", false).Field("reason", reason);
    if (more) more(j);
    Out(j.EndObject().Text());
  }
  return 1;
}

void Context::EchoMessages() {
  host.answer = nullptr;
  bool yes = opt.yes;
  Context* self = this;
  host.answer = [self, yes](const std::wstring& t, unsigned flags) {
    unsigned buttons = flags & 0xF;
    int r = buttons == 4 ? (yes ? 6 : 7) : buttons == 1 ? (yes ? 1 : 2) : 1;
    std::wstring answer = r == 6 ? L" [Yes]" : r == 7 ? L" [No]" : r == 2 ? L" [Cancel]" : L"";
    self->Err(L"message: " + t + answer);
    return r;
  };
}

int ParseNumber(const std::string& s, const std::string& what, int lowest) {
  if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos || std::stoi(s) < lowest)
    throw UsageError(what + " needs a number from " + std::to_string(lowest) + ", not '" + s + "'");
  return std::stoi(s);
}

void Context::CheckReportFile(const std::string& option, const std::string& file) const {
  std::error_code ec;
  for (int i = 0; sim && i < sim->DiskCountSim(); ++i) {
    const std::string& image = sim->Disk(i).Config().image;
    if (!image.empty() && std::filesystem::equivalent(file, image, ec))
      throw UsageError(option + ": " + file + " is a disk of the machine");
  }
  bool existed = std::filesystem::exists(file, ec);
  {
    std::ofstream f(file, std::ios::binary | std::ios::app);
    if (!f) throw UsageError(option + ": " + file + " cannot be written");
  }
  if (!existed) std::filesystem::remove(file, ec);
}

}  // namespace cli
