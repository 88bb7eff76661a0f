#include "platform/sim/machine_config.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace sim {

namespace {

bool ParseUnsigned(const std::string& s, uint64_t* v) {
  if (s.empty()) return false;
  uint64_t r = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    if (r > (UINT64_MAX - 9) / 10) return false;
    r = r * 10 + uint64_t(c - '0');
  }
  *v = r;
  return true;
}

bool ParseRange(const std::string& s, SectorRange* r) {
  size_t dash = s.find('-');
  uint64_t a, b;
  if (dash == std::string::npos) {
    if (!ParseUnsigned(TrimAscii(s), &a)) return false;
    b = a;
  } else if (!ParseUnsigned(TrimAscii(s.substr(0, dash)), &a) || !ParseUnsigned(TrimAscii(s.substr(dash + 1)), &b)) {
    return false;
  }
  if (b < a) return false;
  r->first = a;
  r->last = b;
  return true;
}

bool ParseBool(const std::string& s, bool* v) {
  std::string l = LowerAscii(s);
  if (l == "1" || l == "yes" || l == "true" || l == "on") return *v = true, true;
  if (l == "0" || l == "no" || l == "false" || l == "off") return *v = false, true;
  return false;
}

std::vector<std::string> SplitList(const std::string& s) {
  // Lists in a machine file are separated by ';' or blanks ("bad = 5-9; 20-30");
  // on the --disk command line each key may simply be given again.
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == ';' || c == ' ') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

std::string Resolve(const std::string& baseDir, const std::string& path) {
  if (path.empty()) return path;
  std::filesystem::path p(path);
  if (p.is_absolute() || baseDir.empty()) return path;
  return (std::filesystem::path(baseDir) / p).lexically_normal().string();
}

bool ParseTime(const std::string& s, std::time_t* t) {
  int y, mo, d, h = 0, mi = 0, se = 0;
  if (std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &se) < 3) return false;
  // Days from the civil date (proleptic Gregorian), so no time-zone lookups.
  y -= mo <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = unsigned((153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1);
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long days = (long long)era * 146097 + (long long)doe - 719468;
  *t = std::time_t(days * 86400 + h * 3600 + mi * 60 + se);
  return true;
}

bool ParseRegistryLine(const std::string& key, const std::string& value, RegistrySeed* seed, std::string* error) {
  std::wstring full = text::FromUtf8(key);
  size_t slash = full.rfind(L'\\');
  if (slash == std::wstring::npos) {
    *error = "registry entry '" + key + "' needs KEY\\VALUE";
    return false;
  }
  seed->key = full.substr(0, slash);
  seed->name = full.substr(slash + 1);
  if (value.rfind("dword:", 0) == 0) {
    seed->type = 4;
    uint32_t v = uint32_t(std::strtoul(value.c_str() + 6, nullptr, 0));
    seed->data = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  } else if (value.rfind("hex:", 0) == 0) {
    seed->type = 3;
    std::stringstream ss(value.substr(4));
    std::string b;
    while (std::getline(ss, b, ',')) seed->data.push_back(uint8_t(std::strtoul(b.c_str(), nullptr, 16)));
  } else {
    seed->type = 1;
    std::string s = value.rfind("sz:", 0) == 0 ? value.substr(3) : value;
    auto bytes = text::EncodeUtf16LE(text::FromUtf8(s));
    bytes.push_back(0);
    bytes.push_back(0);
    seed->data = bytes;
  }
  return true;
}

bool ParseDriveType(const std::string& s, uint32_t* t) {
  std::string l = LowerAscii(s);
  if (l == "fixed") return *t = 3, true;
  if (l == "removable") return *t = 2, true;
  if (l == "cdrom" || l == "cd") return *t = 5, true;
  if (l == "ramdisk") return *t = 6, true;
  if (l == "remote" || l == "network") return *t = 4, true;
  return false;
}

}  // namespace

bool ParseSize(const std::string& textIn, uint64_t* bytes) {
  std::string t = TrimAscii(textIn);
  size_t i = 0;
  while (i < t.size() && ((t[i] >= '0' && t[i] <= '9') || t[i] == '.')) ++i;
  if (i == 0) return false;
  std::string num = t.substr(0, i), unit = LowerAscii(TrimAscii(t.substr(i)));
  uint64_t mul = 1;
  if (unit.empty() || unit == "b") mul = 1;
  else if (unit == "k" || unit == "kib" || unit == "kb") mul = 1ull << 10;
  else if (unit == "m" || unit == "mib" || unit == "mb") mul = 1ull << 20;
  else if (unit == "g" || unit == "gib" || unit == "gb") mul = 1ull << 30;
  else if (unit == "t" || unit == "tib" || unit == "tb") mul = 1ull << 40;
  else if (unit == "s" || unit == "sectors") mul = 512;
  else return false;
  if (num.find('.') != std::string::npos) {
    double d = std::strtod(num.c_str(), nullptr);
    if (!(d >= 0) || d * double(mul) > 1.8e19) return false;
    *bytes = uint64_t(d * double(mul));
    return true;
  }
  uint64_t v;
  if (!ParseUnsigned(num, &v) || (v && mul > UINT64_MAX / v)) return false;
  *bytes = v * mul;
  return true;
}

bool ParseBusName(const std::string& name, uint32_t* busType) {
  static const struct {
    const char* name;
    uint32_t type;
  } kBuses[] = {{"unknown", 0}, {"scsi", 1},  {"atapi", 2}, {"ata", 3},   {"ide", 3},   {"1394", 4},
                {"ssa", 5},     {"fibre", 6}, {"usb", 7},   {"raid", 8},  {"iscsi", 9}, {"sas", 10},
                {"sata", 11},   {"sd", 12},   {"mmc", 13},  {"virtual", 14}, {"nvme", 17}};
  std::string l = LowerAscii(name);
  for (auto& b : kBuses)
    if (l == b.name) return *busType = b.type, true;
  return false;
}

bool ApplyDiskSetting(DiskConfig* disk, const std::string& keyIn, const std::string& value, std::string* error) {
  std::string key = LowerAscii(keyIn);
  auto bad = [&](const char* what) {
    *error = "disk setting " + key + "=" + value + ": " + what;
    return false;
  };
  if (key == "image") {
    disk->image = value;
  } else if (key == "size") {
    if (!ParseSize(value, &disk->sizeBytes) || disk->sizeBytes < 512) return bad("expected a size such as 8GiB");
  } else if (key == "model") {
    disk->model = value;
  } else if (key == "serial") {
    disk->serial = value;
  } else if (key == "bus") {
    if (!ParseBusName(value, &disk->busType)) return bad("unknown bus (Ata, Scsi, Sata, Usb, Nvme, Raid, Sas ...)");
    disk->busName = value;
  } else if (key == "spt" || key == "tpc") {
    uint64_t v;
    if (!ParseUnsigned(value, &v) || v == 0 || v > 255) return bad("expected 1 to 255");
    (key == "spt" ? disk->sectorsPerTrack : disk->tracksPerCylinder) = uint32_t(v);
  } else if (key == "bad" || key == "corrupt") {
    for (auto& item : SplitList(value)) {
      SectorRange r;
      if (!ParseRange(item, &r)) return bad("expected A-B sector ranges");
      (key == "bad" ? disk->bad : disk->corrupt).push_back(r);
    }
  } else if (key == "flaky") {
    for (auto& item : SplitList(value)) {
      size_t colon = item.find(':');
      uint64_t lba, n;
      if (colon == std::string::npos || !ParseUnsigned(item.substr(0, colon), &lba) ||
          !ParseUnsigned(item.substr(colon + 1), &n) || n > 1000000)
        return bad("expected LBA:N");
      disk->flaky.push_back({lba, int(n)});
    }
  } else if (key == "wp") {
    if (!ParseBool(value, &disk->writeProtected)) return bad("expected 0 or 1");
  } else if (key == "removable") {
    if (!ParseBool(value, &disk->removable)) return bad("expected 0 or 1");
  } else if (key == "missing") {
    if (!ParseBool(value, &disk->missing)) return bad("expected 0 or 1");
  } else if (key == "speed") {
    uint64_t b;
    if (!ParseSize(value, &b) || b == 0) return bad("expected a transfer rate per second such as 200MiB");
    disk->megabytesPerSecond = double(b) / (1 << 20);
  } else if (key == "smart" || key.rfind("smart.", 0) == 0 || key.rfind("nvme.", 0) == 0) {
    std::string why;
    if (!ApplySmartSetting(&disk->smart, key, value, &why)) return bad(why.c_str());
  } else {
    return bad("unknown setting");
  }
  return true;
}

bool ParseProgramValue(const std::string& value, ProgramConfig* p, std::string* error) {
  std::istringstream in(value);
  std::string code, after, span;
  in >> code >> after >> span;
  std::string rest;
  in >> rest;
  uint64_t n = 0;
  if (LowerAscii(code) == "never" && after.empty()) {
    p->neverEnds = true;
    return true;
  }
  bool ok = ParseUnsigned(code, &n) && n <= 0xFFFFFFFFu && rest.empty();
  p->exitCode = uint32_t(n);
  if (ok && !after.empty()) {
    size_t digits = 0;
    while (digits < span.size() && span[digits] >= '0' && span[digits] <= '9') ++digits;
    std::string unit = LowerAscii(span.substr(digits));
    uint64_t count = 0;
    uint64_t ms = unit == "ms" ? 1 : unit == "s" ? 1000 : unit == "min" ? 60000 : unit == "h" ? 3600000 : 0;
    ok = LowerAscii(after) == "after" && ms && ParseUnsigned(span.substr(0, digits), &count) &&
         count <= UINT64_MAX / ms;
    p->runMilliseconds = count * ms;
  }
  if (!ok) *error = "expected an exit code, \"CODE after 30s\" or never";
  return ok;
}

bool ParseDiskOption(const std::string& option, DiskConfig* disk, std::string* error) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : option) {
    if (c == ',') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  parts.push_back(cur);
  if (parts[0].empty()) {
    *error = "--disk needs an image path";
    return false;
  }
  disk->image = parts[0];
  for (size_t i = 1; i < parts.size(); ++i) {
    size_t eq = parts[i].find('=');
    if (eq == std::string::npos) {
      *error = "--disk setting '" + parts[i] + "' is not key=value";
      return false;
    }
    if (!ApplyDiskSetting(disk, parts[i].substr(0, eq), parts[i].substr(eq + 1), error)) return false;
  }
  return true;
}

bool MachineFromIni(const IniFile& ini, const std::string& baseDir, MachineConfig* c, std::string* error) {
  c->baseDir = baseDir;
  for (const IniSection& s : ini.sections) {
    auto where = [&](const std::string& msg) {
      *error = "[" + s.name + "] at line " + std::to_string(s.line) + ": " + msg;
      return false;
    };
    if (s.name.empty()) {
      if (!s.values.empty()) return where("settings must follow a section header");
    } else if (s.name == "machine") {
      for (auto& [k, v] : s.values) {
        if (k == "program") c->programPath = text::FromUtf8(v);
        else if (k == "programhost") c->programHost = Resolve(baseDir, v);
        else if (k == "windows") c->windowsDir = text::FromUtf8(v);
        else if (k == "commandline") c->commandLine = text::FromUtf8(v);
        else if (k == "version") {
          unsigned maj = 0, min = 0;
          if (std::sscanf(v.c_str(), "%u.%u", &maj, &min) < 1) return where("version is MAJOR.MINOR");
          c->versionMajor = maj;
          c->versionMinor = min;
        } else if (k == "build") c->build = uint32_t(std::strtoul(v.c_str(), nullptr, 10));
        else if (k == "wow64") {
          if (!ParseBool(v, &c->wow64)) return where("wow64 is 0 or 1");
        } else if (k == "language") c->language = v;
        else if (k == "clock") {
          if (v == "virtual") c->virtualClock = true;
          else if (v == "real") c->virtualClock = false;
          else return where("clock is virtual or real");
        } else if (k == "time") {
          if (!ParseTime(v, &c->startTime)) return where("time is YYYY-MM-DD HH:MM:SS");
        } else if (k == "diskcount") {
          c->diskCount = v == "auto" ? -1 : int(std::strtol(v.c_str(), nullptr, 10));
        } else if (k == "files") c->filesRoot = Resolve(baseDir, v);
        else if (k == "running") {
          if (!ParseBool(v, &c->anotherInstance)) return where("running is 0 or 1");
        } else if (k == "deniedkey") c->deniedKeys.push_back(text::FromUtf8(v));
        else if (k == "formatlibrary") {
          std::string l = LowerAscii(v);
          if (l == "works") c->formatLibrary = FormatLibrary::Works;
          else if (l == "hangs") c->formatLibrary = FormatLibrary::Hangs;
          else if (l == "missing") c->formatLibrary = FormatLibrary::Missing;
          else return where("formatlibrary is works, hangs or missing");
        }
        else return where("unknown setting " + k);
      }
    } else if (s.name == "disk") {
      DiskConfig d;
      for (auto& [k, v] : s.values)
        if (!ApplyDiskSetting(&d, k, v, error)) return where(*error);
      if (d.image.empty() && !d.missing) return where("a disk needs image = FILE");
      d.image = Resolve(baseDir, d.image);
      c->disks.push_back(d);
    } else if (s.name == "volume") {
      VolumeConfig vc;
      uint64_t n;
      for (auto& [k, v] : s.values) {
        if (k == "disk") {
          if (!ParseUnsigned(v, &n)) return where("disk is a number");
          vc.disk = int(n);
        } else if (k == "start") {
          if (!ParseUnsigned(v, &vc.startLba)) return where("start is a sector number");
        } else if (k == "letter") {
          if (LowerAscii(v) == "none") vc.noLetter = true;
          else if (v.size() >= 1 && std::isalpha(uint8_t(v[0]))) vc.letter = wchar_t(std::toupper(uint8_t(v[0])));
          else return where("letter is a drive letter or none");
        } else if (k == "files") vc.files = Resolve(baseDir, v);
        else if (k == "inuse") {
          if (!ParseBool(v, &vc.inUse)) return where("inuse is 0 or 1");
        } else if (k == "flushfails") {
          if (!ParseBool(v, &vc.flushFails)) return where("flushfails is 0 or 1");
        } else return where("unknown setting " + k);
      }
      c->volumes.push_back(vc);
    } else if (s.name == "drive") {
      DriveConfig dc;
      for (auto& [k, v] : s.values) {
        if (k == "letter" && !v.empty() && std::isalpha(uint8_t(v[0]))) dc.letter = wchar_t(std::toupper(uint8_t(v[0])));
        else if (k == "type") {
          if (!ParseDriveType(v, &dc.driveType)) return where("type is fixed, removable, cdrom, ramdisk or remote");
        } else if (k == "files") dc.files = Resolve(baseDir, v);
        else if (k == "fs") dc.fileSystem = v;
        else if (k == "flushfails") {
          if (!ParseBool(v, &dc.flushFails)) return where("flushfails is 0 or 1");
        } else return where("unknown setting " + k);
      }
      if (!dc.letter) return where("a drive needs letter = X");
      c->drives.push_back(dc);
    } else if (s.name == "share") {
      ShareConfig sc;
      for (auto& [k, v] : s.values) {
        if (k == "server") sc.server = text::FromUtf8(v);
        else if (k == "name") sc.name = text::FromUtf8(v);
        else if (k == "files") sc.files = Resolve(baseDir, v);
        else return where("unknown setting " + k);
      }
      if (sc.server.empty() || sc.name.empty() || sc.files.empty()) return where("a share needs server, name and files");
      c->shares.push_back(sc);
    } else if (s.name == "shadow") {
      for (auto& [k, v] : s.values) {
        if (k == "helper") {
          static const struct {
            const char* name;
            ShadowHelper mode;
          } kModes[] = {{"none", ShadowHelper::None},       {"answers", ShadowHelper::Answers},
                        {"silent", ShadowHelper::Silent},   {"garbage", ShadowHelper::Garbage},
                        {"long", ShadowHelper::Long},       {"busy", ShadowHelper::Busy},
                        {"nostart", ShadowHelper::NoStart}};
          bool known = false;
          for (auto& m : kModes)
            if (LowerAscii(v) == m.name) c->shadowHelper = m.mode, known = true;
          if (!known) return where("helper is none, answers, silent, garbage, long, busy or nostart");
        } else if (k == "libraries") {
          for (auto& item : SplitList(v)) c->shadowLibraries.push_back(text::FromUtf8(item));
        } else return where("unknown setting " + k);
      }
    } else if (s.name == "file") {
      FileFaultConfig f;
      for (auto& [k, v] : s.values) {
        if (k == "path") f.path = text::FromUtf8(v);
        else if (k == "inuse") {
          if (!ParseBool(v, &f.inUse)) return where("inuse is 0 or 1");
        } else if (k == "denied") {
          if (!ParseBool(v, &f.denied)) return where("denied is 0 or 1");
        } else if (k == "readerror") {
          for (auto& item : SplitList(v)) {
            uint64_t offset;
            if (!ParseUnsigned(item, &offset)) return where("readerror is a list of byte offsets");
            f.readErrors.push_back(offset);
          }
        } else return where("unknown setting " + k);
      }
      if (f.path.size() < 3 || f.path[1] != L':') return where("a file needs path = X:\\...");
      c->fileFaults.push_back(f);
    } else if (s.name == "registry") {
      for (auto& [k, v] : s.values) {
        RegistrySeed seed;
        if (!ParseRegistryLine(k, v, &seed, error)) return where(*error);
        c->registry.push_back(seed);
      }
    } else if (s.name == "programs") {
      for (auto& [k, v] : s.values) {
        ProgramConfig p;
        p.path = text::FromUtf8(k);
        if (!ParseProgramValue(v, &p, error)) return where(k + ": " + *error);
        c->programs.push_back(p);
      }
    } else {
      return where("unknown section");
    }
  }
  return true;
}

bool LoadMachineFile(const std::string& path, MachineConfig* config, std::string* error) {
  // A folder or a device would read as an empty machine, or never end.
  std::error_code ec;
  std::filesystem::file_status st = std::filesystem::status(path, ec);
  if (st.type() == std::filesystem::file_type::directory) {
    *error = "machine file " + path + " is a folder";
    return false;
  }
  if (std::filesystem::exists(st) && st.type() != std::filesystem::file_type::regular) {
    *error = "machine file " + path + " is not a regular file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open machine file " + path;
    return false;
  }
  constexpr size_t kMaxMachineFile = 1 << 20;
  std::string text(kMaxMachineFile + 1, '\0');
  in.read(text.data(), std::streamsize(text.size()));
  text.resize(size_t(in.gcount()));
  if (text.size() > kMaxMachineFile) {
    *error = "machine file " + path + " is larger than 1 MiB";
    return false;
  }
  IniFile ini;
  if (!ParseIni(text, &ini, error)) {
    *error = path + ": " + *error;
    return false;
  }
  std::string base = std::filesystem::absolute(std::filesystem::path(path)).parent_path().string();
  if (!MachineFromIni(ini, base, config, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

void CompleteMachineConfig(MachineConfig* c, const std::string& executableDir) {
  if (c->programPath.empty()) c->programPath = L"C:\\Program Files\\Vektrel\\vektrel.exe";
  if (c->programHost.empty()) c->programHost = executableDir;
  if (c->windowsDir.empty()) {
    bool pe = !c->programPath.empty() && text::UpperAscii(c->programPath[0]) == L'X';
    c->windowsDir = pe ? L"X:\\Windows" : L"C:\\Windows";
  }
  if (c->filesRoot.empty()) {
    std::string first = c->disks.empty() ? std::string() : c->disks[0].image;
    c->filesRoot = first.empty() ? (std::filesystem::temp_directory_path() / "vektrel-files").string()
                                 : first + ".files";
  }
}

}  // namespace sim
