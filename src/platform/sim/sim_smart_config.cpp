// The SMART and NVMe health settings of a disk in a machine file.
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/sim/ini.h"
#include "platform/sim/sim_smart.h"

namespace sim {

namespace {

// Decimal or 0x hexadecimal, at most `max`.
bool ParseNumber(const std::string& s, uint64_t max, uint64_t* v) {
  if (s.empty() || s[0] == '-' || s[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long r = std::strtoull(s.c_str(), &end, 0);
  if (errno || !end || *end || r > max) return false;
  *v = r;
  return true;
}

template <typename T>
bool ParseInto(const std::string& s, uint64_t max, T* out) {
  uint64_t v;
  if (!ParseNumber(s, max, &v)) return false;
  *out = T(v);
  return true;
}

bool ParseAttribute(const std::string& text, SmartAttributeSetting* a, std::string* error) {
  std::istringstream in(text);
  std::string item;
  bool hasId = false;
  while (in >> item) {
    size_t eq = item.find('=');
    std::string k = LowerAscii(item.substr(0, eq)), v = eq == std::string::npos ? "" : item.substr(eq + 1);
    bool ok = false;
    if (k == "id") ok = hasId = ParseInto(v, 255, &a->id);
    else if (k == "value") ok = ParseInto(v, 255, &a->value);
    else if (k == "worst") ok = ParseInto(v, 255, &a->worst);
    else if (k == "threshold") ok = ParseInto(v, 255, &a->threshold);
    else if (k == "flags") ok = ParseInto(v, 0xFFFF, &a->flags);
    else if (k == "raw") ok = ParseInto(v, 0xFFFFFFFFFFFFull, &a->raw);  // six bytes
    if (!ok) {
      *error = "attribute item '" + item + "': expected id=, value=, worst=, raw= (48 bits), threshold= or flags=";
      return false;
    }
  }
  if (!hasId) *error = "an attribute needs id=N";
  return hasId;
}

bool ParseFailures(const std::string& text, std::map<std::string, SmartFailure>* failures, std::string* error) {
  static const char* const kRequests[] = {"version", "enable", "identify", "data", "thresholds", "health"};
  std::istringstream in(text);
  std::string item;
  while (in >> item) {
    size_t colon = item.find(':');
    std::string name = LowerAscii(item.substr(0, colon));
    bool known = false;
    for (const char* r : kRequests) known |= name == r;
    if (!known) {
      *error = "unknown request '" + name + "' (version, enable, identify, data, thresholds, health)";
      return false;
    }
    // A drive fault reaches the caller as a device I/O error.
    SmartFailure f{1117, false};
    if (colon != std::string::npos) {
      std::string how = LowerAscii(item.substr(colon + 1));
      if (how == "aborted") f.aborted = true;
      else if (!ParseInto(how, 0xFFFFFFFFu, &f.error) || f.error == 0) {
        *error = "'" + item + "': the failure is a Windows error code or aborted";
        return false;
      }
    }
    (*failures)[name] = f;
  }
  return true;
}

bool ParseTemperature(const std::string& text, uint16_t* kelvin) {
  std::string t = LowerAscii(TrimAscii(text));
  bool isKelvin = !t.empty() && t.back() == 'k';
  if (!t.empty() && (t.back() == 'k' || t.back() == 'c')) t.pop_back();
  uint64_t v;
  if (!ParseNumber(TrimAscii(t), 0xFFFF, &v)) return false;
  if (!isKelvin) v += 273;  // the log counts from 273 K
  if (v > 0xFFFF) return false;
  *kelvin = uint16_t(v);
  return true;
}

}  // namespace

bool ApplySmartSetting(SmartSetting* s, const std::string& keyIn, const std::string& valueIn, std::string* error) {
  std::string key = LowerAscii(keyIn), value = TrimAscii(valueIn);
  auto ata = [&] {
    if (s->kind == SmartSetting::Kind::None) s->kind = SmartSetting::Kind::Ata;
  };
  auto nvme = [&] {
    if (s->kind == SmartSetting::Kind::None) s->kind = SmartSetting::Kind::Nvme;
  };
  bool ok = true;
  if (key == "smart") {
    std::string k = LowerAscii(value);
    if (k == "ata") s->kind = SmartSetting::Kind::Ata;
    else if (k == "nvme") s->kind = SmartSetting::Kind::Nvme;
    else if (k == "none") s->kind = SmartSetting::Kind::None;
    else ok = (*error = "expected ata, nvme or none", false);
  } else if (key == "smart.version") {
    unsigned major = 0, minor = 0;
    char dot = 0;
    std::istringstream in(value);
    ok = (in >> major >> dot >> minor) && dot == '.' && major < 256 && minor < 256;
    if (ok) s->version = uint8_t(major), s->revision = uint8_t(minor);
    else *error = "expected VERSION.REVISION such as 1.1";
    ata();
  } else if (key == "smart.capabilities" || key == "smart.devicemap" || key == "smart.buffer" ||
             key == "smart.buffertype") {
    ok = key == "smart.capabilities" ? ParseInto(value, 0xFFFFFFFFu, &s->capabilities)
         : key == "smart.devicemap"  ? ParseInto(value, 255, &s->deviceMap)
         : key == "smart.buffer"     ? ParseInto(value, 0xFFFF, &s->bufferSectors)
                                     : ParseInto(value, 0xFFFF, &s->bufferType);
    if (!ok) *error = "expected a number";
    ata();
  } else if (key == "smart.enabled") {
    std::string l = LowerAscii(value);
    ok = l == "0" || l == "1";
    s->enabled = l == "1";
    if (!ok) *error = "expected 0 or 1";
    ata();
  } else if (key == "smart.firmware") {
    s->firmware = value;
    ata();
  } else if (key == "smart.attribute") {
    SmartAttributeSetting a;
    ok = ParseAttribute(value, &a, error);
    if (ok && s->attributes.size() >= 30) ok = (*error = "a drive's table holds at most 30 attributes", false);
    if (ok) s->attributes.push_back(a);
    ata();
  } else if (key == "smart.fail") {
    ok = ParseFailures(value, &s->failures, error);
  } else if (key.rfind("nvme.", 0) == 0) {
    std::string f = key.substr(5);
    static const struct {
      const char* name;
      uint64_t SmartSetting::*field;
    } kCounters[] = {{"read", &SmartSetting::dataUnitsRead},     {"written", &SmartSetting::dataUnitsWritten},
                     {"hours", &SmartSetting::powerOnHours},     {"unsafe", &SmartSetting::unsafeShutdowns},
                     {"mediaerrors", &SmartSetting::mediaErrors}, {"cycles", &SmartSetting::powerCycles},
                     {"errorlog", &SmartSetting::errorLogEntries}};
    bool known = false;
    for (const auto& c : kCounters)
      if (f == c.name) known = true, ok = ParseNumber(value, UINT64_MAX, &(s->*c.field));
    if (f == "warning") known = true, ok = ParseInto(value, 255, &s->criticalWarning);
    else if (f == "spare") known = true, ok = ParseInto(value, 255, &s->spare);
    else if (f == "sparethreshold") known = true, ok = ParseInto(value, 255, &s->spareThreshold);
    else if (f == "used") known = true, ok = ParseInto(value, 255, &s->percentUsed);
    else if (f == "temperature") known = true, ok = ParseTemperature(value, &s->temperatureKelvin);
    if (!known) ok = (*error = "unknown NVMe health field", false);
    else if (!ok) *error = "expected a number";
    nvme();
  } else {
    ok = (*error = "unknown setting", false);
  }
  return ok;
}

}  // namespace sim
