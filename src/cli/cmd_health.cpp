// health and drvload: the disk-health page and the driver-loading page,
// driven through the scripted host as an operator would.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/language.h"
#include "cli/context.h"
#include "cli/json.h"
#include "health/disk_health_page.h"
#include "health/health_figures.h"
#include "health/health_ids.h"
#include "health/health_texts.h"
#include "health/health_wizard.h"
#include "health/page_readout.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "tools/install_driver_page.h"
#include "tools/tools_ids.h"
#include "ui/control_ids.h"

namespace cli {

namespace {

// What the page showed for one disk, and the reader's values behind it.
struct DiskReport : health::PageReadout {
  health::SmartDriveRecord record;
  health::DiskVerdict verdict = health::DiskVerdict::Unknown;
  std::vector<std::wstring> findings;
  std::optional<int> celsius;
  std::optional<uint64_t> hours;
  struct Attribute {
    health::SmartAttribute a;
    std::wstring name;
    bool critical = false;
  };
  std::vector<Attribute> attributes;  // ascending id
};

DiskReport Collect(ui::ScriptedWindow& w, health::CDiskDiagnose& page, ui::TreeItem item) {
  w.SelectTreeItem(IDC_HEALTH_TREE, item);
  DiskReport r;
  static_cast<health::PageReadout&>(r) = health::ReadDiskPage(w, page);
  const health::SmartReader& reader = page.Reader();
  if (const health::SmartDriveRecord* rec = reader.Drive(r.drive)) r.record = *rec;
  health::Assessment a = health::AssessDrive(reader, r.drive);
  r.verdict = a.verdict;
  for (const health::Finding& f : a.findings) r.findings.push_back(health::FindingText(reader, f));
  r.celsius = health::TemperatureCelsius(reader, r.drive);
  r.hours = health::PowerOnHours(reader, r.drive);
  for (int id = 1; id <= 255; ++id) {
    const health::SmartAttribute* attr = reader.Attribute(r.drive, id);
    if (!attr) continue;
    const health::AttributeInfo* info = reader.NameOf(id);
    r.attributes.push_back({*attr, info ? info->Name : L"", info && info->Critical});
  }
  return r;
}

const char* SourceName(health::HealthSource s) {
  return s == health::HealthSource::Ata ? "ata" : s == health::HealthSource::Nvme ? "nvme" : "none";
}

void Counter(Json& j, const char* key, const health::Counter128& c) {
  if (c.high) j.Key(key).Str(health::Counter128Text(c));  // beyond what a JSON number holds exactly
  else j.Field(key, c.low);
}

void WriteJson(Context& c, const std::vector<DiskReport>& reports) {
  Json j;
  j.BeginObject().Key("disks").BeginArray();
  for (const DiskReport& r : reports) {
    j.BeginObject()
        .Field("drive", r.drive)
        .Field("name", r.name)
        .Field("type", r.type)
        .Field("model", r.model)
        .Field("udid", r.udid)
        .Field("capacity", r.capacity)
        .Field("usedSpace", r.used)
        .Field("source", SourceName(r.record.Source))
        .Field("smartEnabled", r.record.Source != health::HealthSource::None)
        .Field("result", r.record.Result)
        .Field("version", r.record.VersionText)
        .Field("serial", text::FromUtf8(r.record.NvmeRead ? r.record.NvmeSerial : r.record.Identify.serial))
        .Field("firmware", text::FromUtf8(r.record.Identify.firmware))
        .Field("powerOnTime", r.powerOn);
    if (r.celsius) {
      int f = health::CelsiusToFahrenheit(*r.celsius);
      j.Field("temperatureC", *r.celsius).Field("temperatureF", f);
      j.Field("temperatureVerdict", health::HealthVerdictText(health::TemperatureVerdict(f)));
    } else {
      j.Key("temperatureC").Null().Key("temperatureF").Null().Key("temperatureVerdict").Null();
    }
    if (r.hours) j.Field("powerOnHours", *r.hours);
    else j.Key("powerOnHours").Null();
    j.Field("verdict", health::DiskVerdictName(r.verdict))
        .Field("status", r.status)
        .Field("statusText", r.statusText)
        .StrArray("findings", r.findings);
    j.Key("figures").BeginArray();
    for (const health::Figure& f : r.figures) j.BeginObject().Field("title", f.title).Field("value", f.value).EndObject();
    j.EndArray().Key("properties").BeginArray();
    for (const health::PropertyRow& p : r.properties)
      j.BeginObject()
          .Field("property", p.property)
          .Field("value", p.value)
          .Field("range", p.range)
          .Field("remarks", p.remarks)
          .EndObject();
    j.EndArray().Key("attributes").BeginArray();
    for (const DiskReport::Attribute& a : r.attributes) {
      j.BeginObject()
          .Field("id", int(a.a.Id))
          .Field("name", a.name)
          .Field("value", int(a.a.Value))
          .Field("worst", int(a.a.Worst))
          .Field("raw", a.a.Raw);
      if (a.a.Threshold >= 0) j.Field("threshold", int64_t(a.a.Threshold));
      else j.Key("threshold").Null();
      j.Field("critical", a.critical).Field("failing", health::AttributeFailing(a.a)).EndObject();
    }
    j.EndArray();
    if (r.record.NvmeRead) {
      const health::NvmeHealth& h = r.record.Nvme;
      j.Key("nvme").BeginObject()
          .Field("criticalWarning", int(h.criticalWarning))
          .Field("temperatureKelvin", int(h.temperatureKelvin))
          .Field("availableSpare", int(h.availableSpare))
          .Field("availableSpareThreshold", int(h.spareThreshold))
          .Field("percentageUsed", int(h.percentageUsed));
      Counter(j, "dataUnitsRead", h.dataUnitsRead);
      Counter(j, "dataUnitsWritten", h.dataUnitsWritten);
      Counter(j, "powerOnHours", h.powerOnHours);
      Counter(j, "powerCycles", h.powerCycles);
      Counter(j, "unsafeShutdowns", h.unsafeShutdowns);
      Counter(j, "mediaErrors", h.mediaErrors);
      j.EndObject();
    }
    j.EndObject();
  }
  j.EndArray().EndObject();
  c.Out(j.Text());
}

// Left-aligned in a column of width, with at least one blank after it.
std::wstring Pad(std::wstring s, size_t width) {
  s.append(s.size() < width ? width - s.size() : 1, L' ');
  return s;
}

void WriteText(Context& c, const std::vector<DiskReport>& reports) {
  for (size_t i = 0; i < reports.size(); ++i) {
    const DiskReport& r = reports[i];
    if (i) c.Out(L"");
    c.Out(r.name);
    c.Out(L"  " + r.type + L"    " + r.model + L"    " + r.udid);
    c.Out(L"  " + r.capacity + L"    " + r.used);
    c.Out(L"  " + r.powerOn);
    std::wstring figures = L" ";
    for (const health::Figure& f : r.figures) figures += L" " + f.title + L": " + f.value + L"   ";
    c.Out(figures);
    std::wstring status = r.statusText;
    for (wchar_t& ch : status)
      if (ch == L'\n') ch = L' ';
    c.Out(L"  " + r.status + L"  " + status);
    c.Out(L"");
    for (const health::PropertyRow& p : r.properties)
      c.Out(L"  " + Pad(p.property, 32) + Pad(p.value, 28) + Pad(p.range, 10) + p.remarks);
    if (r.attributes.empty()) continue;
    c.Out(L"");
    c.Out(L"  ID   " + Pad(app::T(L"IDS_HealthAttribute"), 40) + L"Value  Worst  Threshold  Raw");
    for (const DiskReport::Attribute& a : r.attributes) {
      wchar_t id[16];
      std::swprintf(id, 16, L"%03d", int(a.a.Id));
      std::wstring threshold = a.a.Threshold < 0 ? L"-" : text::Dec(int64_t(a.a.Threshold));
      std::wstring line = L"  " + std::wstring(id) + L"  " + Pad(a.name + (a.critical ? L" (CR)" : L""), 40) +
                          Pad(text::Dec(unsigned(a.a.Value)), 7) + Pad(text::Dec(unsigned(a.a.Worst)), 7) +
                          Pad(threshold, 11) + text::Dec(a.a.Raw);
      if (health::AttributeFailing(a.a)) line += L"  " + app::T(L"IDS_HealthFailingMark");
      c.Out(line);
    }
  }
}

}  // namespace

int CmdHealth(Context& c, Args& a) {
  bool one = false;
  uint64_t wanted = 0;
  {
    std::string v;
    if (a.Take("--disk", &v)) {
      one = true;
      wanted = Args({"--disk", v}).TakeNumber("--disk", 0, true);
    }
  }
  a.Done();
  std::vector<DiskReport> reports;
  bool found = false;
  c.host.OnPage("CDiskDiagnose", [&](ui::ScriptedWindow& w) {
    auto& page = static_cast<health::CDiskDiagnose&>(w.ThePage());
    for (ui::TreeItem item : w.TreeChildren(IDC_HEALTH_TREE, ui::kTreeRoot)) {
      uint64_t drive = w.TreeGetData(IDC_HEALTH_TREE, item);
      if (one && drive != wanted) continue;
      found = true;
      reports.push_back(Collect(w, page, item));
    }
    w.Cancel();
  });
  health::RunDiskHealth();
  if (one && !found)
    throw UsageError("there is no disk " + std::to_string(wanted) + " (the disks command lists the Disk numbers)");
  if (c.opt.json) WriteJson(c, reports);
  else WriteText(c, reports);
  // A disk that gives no health data at all, or too little to judge, is a
  // failed read.
  for (const DiskReport& r : reports)
    if (!r.record.HasData() || health::ThresholdsMissing(r.record)) return 1;
  return 0;
}

int CmdDrvload(Context& c, Args& a) {
  std::string inf;
  if (!a.Take("--inf", &inf)) throw UsageError("drvload needs --inf PATH (the driver's .inf file on the machine)");
  a.Done();
  bool typed = false, enabled = false, succeeded = false;
  size_t before = c.host.messages.size();
  c.host.OnPage("CInstallDriver", [&](ui::ScriptedWindow& w) {
    typed = w.Type(IDC_DRIVER_PATH, text::FromUtf8(inf));
    enabled = w.IsEnabled(IDC_DRIVER_INSTALL);
    if (enabled) w.Press(IDC_DRIVER_INSTALL);
    succeeded = w.IsClosed() && w.Result() == win::IDOK;
    if (!w.IsClosed()) w.Cancel();
  });
  tools::RunDriverInstallation();
  if (!typed || !enabled) throw UsageError("'" + inf + "' does not name an .inf file");
  std::vector<std::wstring> messages;
  for (size_t i = before; i < c.host.messages.size(); ++i) messages.push_back(c.host.messages[i].text);
  std::vector<std::wstring> started;
  if (c.sim)
    for (const sim::StartedProgram& p : c.sim->Started())
      started.push_back(p.how + L": " + p.parameters + L"  (in " + p.directory + L")" + (p.started ? L"" : L"  [not started]"));
  if (c.opt.json) {
    Json j;
    j.BeginObject().Field("loaded", succeeded).StrArray("messages", messages).StrArray("started", started).EndObject();
    c.Out(j.Text());
  } else {
    for (const std::wstring& s : started) c.Out(s);
    c.Out(succeeded ? L"the driver was loaded" : L"the driver was not loaded");
  }
  return succeeded ? 0 : 1;
}

}  // namespace cli
