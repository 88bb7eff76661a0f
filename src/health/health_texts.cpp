#include "health/health_texts.h"

#include <cstdio>

#include "app/language.h"
#include "disk/disk_table.h"
#include "platform/text.h"

namespace health {

using app::T;

namespace {

std::wstring Replace(std::wstring s, const std::wstring& from, const std::wstring& to) {
  for (size_t at = s.find(from); at != std::wstring::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
  return s;
}

std::wstring Dec(uint64_t v) { return text::Dec(v); }

std::wstring Percent(unsigned v) { return text::Dec(v) + L"%"; }

std::wstring NameOrId(const SmartReader& reader, int id) {
  const AttributeInfo* info = reader.NameOf(id);
  return info && !info->Name.empty() ? info->Name : L"#" + text::Dec(int64_t(id));
}

// Value and worst of an attribute, or the not-available text twice.
PropertyRow AttributeRow(const SmartReader& reader, int drive, const wchar_t* key, int id) {
  const SmartAttribute* a = reader.Attribute(drive, id);
  if (!a) return {T(key), NotAvailableText(), L"", L""};
  return {T(key), Dec(a->Value), Dec(a->Worst), NameOrId(reader, id)};
}

// SMART was switched on (whatever was read after that), or the NVMe log answered.
bool Enabled(const SmartDriveRecord* r) { return r && r->Source != HealthSource::None; }

std::wstring Serial(const SmartDriveRecord* r) {
  if (!r) return L"";
  return text::FromUtf8(r->NvmeRead ? r->NvmeSerial : r->Identify.serial);
}

// Data units are thousands of 512-byte sectors.
std::wstring DataUnitsText(const Counter128& units) {
  std::wstring text = Counter128Text(units);
  if (units.high || units.low > UINT64_MAX / 1000 / 512) return text;
  double bytes = double(units.low) * 512000.0;
  wchar_t buf[48];
  if (bytes >= 1e12) std::swprintf(buf, 48, L" (%.2f TB)", bytes / 1e12);
  else std::swprintf(buf, 48, L" (%.2f GB)", bytes / 1e9);
  return text + buf;
}

std::vector<PropertyRow> NvmeRows(const SmartReader& reader, int drive) {
  const NvmeHealth& h = reader.Drive(drive)->Nvme;
  std::wstring temperature = TemperatureText(reader, drive);
  return {
      {T(L"IDS_HealthCriticalWarning"), CriticalWarningText(h.criticalWarning), L"", L""},
      {T(L"IDS_HealthTemperature"), temperature, L"", L""},
      {T(L"IDS_HealthSpare"), Percent(h.availableSpare), Percent(h.spareThreshold), T(L"IDS_HealthSpareThreshold")},
      {T(L"IDS_HealthPercentUsed"), Percent(h.percentageUsed), L"", L""},
      {T(L"IDS_HealthDataRead"), DataUnitsText(h.dataUnitsRead), L"", L""},
      {T(L"IDS_HealthDataWritten"), DataUnitsText(h.dataUnitsWritten), L"", L""},
      {T(L"IDS_HealthPowerOnHours"), Counter128Text(h.powerOnHours), L"", L""},
      {T(L"IDS_HealthPowerCycles"), Counter128Text(h.powerCycles), L"", L""},
      {T(L"IDS_HealthUnsafeShutdowns"), Counter128Text(h.unsafeShutdowns), L"", L""},
      {T(L"IDS_HealthMediaErrors"), Counter128Text(h.mediaErrors), L"", L""},
  };
}

}  // namespace

std::wstring NotAvailableText() { return T(L"IDS_HealthNotAvailable"); }

std::wstring HealthVerdictText(HealthVerdict v) {
  switch (v) {
    case HealthVerdict::Good: return T(L"IDS_HealthGood");
    case HealthVerdict::NeedAttention: return T(L"IDS_HealthNeedAttention");
    default: return T(L"IDS_HealthBad");
  }
}

std::wstring TemperatureText(const SmartReader& reader, int drive) {
  std::optional<int> c = TemperatureCelsius(reader, drive);
  if (!c) return NotAvailableText();
  int f = CelsiusToFahrenheit(*c);
  return text::Dec(int64_t(*c)) + L"C/" + text::Dec(int64_t(f)) + L"F (" + HealthVerdictText(TemperatureVerdict(f)) + L")";
}

std::wstring PowerOnText(const SmartReader& reader, int drive) {
  std::optional<uint64_t> hours = PowerOnHours(reader, drive);
  if (!hours) return T(L"IDS_HealthPowerOnTitle") + NotAvailableText();
  return Replace(Replace(T(L"IDS_HealthPowerOn"), L"%DAYS%", Dec(*hours / 24)), L"%HOURS%", Dec(*hours));
}

std::vector<Figure> Figures(const SmartReader& reader, int drive) {
  std::vector<Figure> out{{T(L"IDS_HealthTemperature"), TemperatureText(reader, drive)}};
  const SmartDriveRecord* r = reader.Drive(drive);
  if (r && r->NvmeRead) {
    out.push_back({T(L"IDS_HealthSpare"), Percent(r->Nvme.availableSpare)});
    out.push_back({T(L"IDS_HealthPercentUsed"), Percent(r->Nvme.percentageUsed)});
    return out;
  }
  const SmartAttribute* reliability = reader.Attribute(drive, 198);
  const SmartAttribute* performance = reader.Attribute(drive, 2);
  out.push_back({T(L"IDS_HealthReliability"), reliability ? Dec(reliability->Value) : NotAvailableText()});
  out.push_back({T(L"IDS_HealthPerformance"), performance ? Dec(performance->Value) : NotAvailableText()});
  return out;
}

std::wstring CriticalWarningText(uint8_t bits) {
  wchar_t buf[8];
  std::swprintf(buf, 8, L"0x%02X", unsigned(bits));
  return buf;
}

std::wstring FindingText(const SmartReader& reader, const Finding& f) {
  switch (f.kind) {
    case Finding::Kind::AttributeFailing:
      return Replace(Replace(T(L"IDS_HealthReasonAttribute"), L"%ID%", Dec(unsigned(f.id))), L"%NAME%",
                     NameOrId(reader, f.id));
    case Finding::Kind::SectorCount:
      return Replace(Replace(Replace(T(L"IDS_HealthReasonSectors"), L"%ID%", Dec(unsigned(f.id))), L"%NAME%",
                             NameOrId(reader, f.id)),
                     L"%COUNT%", Dec(f.value));
    case Finding::Kind::NvmeWarning:
      return Replace(T(L"IDS_HealthReasonWarning"), L"%BITS%", CriticalWarningText(uint8_t(f.value)));
    case Finding::Kind::NvmeSpareLow:
      return Replace(T(L"IDS_HealthReasonSpare"), L"%VALUE%", Dec(f.value));
    case Finding::Kind::NvmeWornOut:
      return Replace(T(L"IDS_HealthReasonWornOut"), L"%VALUE%", Dec(f.value));
    case Finding::Kind::NvmeMediaErrors:
      return Replace(T(L"IDS_HealthReasonMediaErrors"), L"%COUNT%", Dec(f.value));
    case Finding::Kind::ThresholdsUnread:
      return T(L"IDS_HealthReasonThresholds");
  }
  return L"";
}

std::wstring DiskVerdictName(DiskVerdict v) {
  switch (v) {
    case DiskVerdict::Good: return L"Good";
    case DiskVerdict::Attention: return L"Attention";
    case DiskVerdict::Failing: return L"Failing";
    default: return L"Unknown";
  }
}

StatusBox StatusOf(const SmartReader& reader, int drive) {
  Assessment a = AssessDrive(reader, drive);
  StatusBox box;
  box.verdict = a.verdict;
  static const struct {
    DiskVerdict verdict;
    const wchar_t *headline, *text;
  } kBoxes[] = {{DiskVerdict::Unknown, L"IDS_HealthStatusUnknown", L"IDS_HealthStatusUnknownText"},
                {DiskVerdict::Good, L"IDS_HealthStatusGood", L"IDS_HealthStatusGoodText"},
                {DiskVerdict::Attention, L"IDS_HealthStatusAttention", L"IDS_HealthStatusAttentionText"},
                {DiskVerdict::Failing, L"IDS_HealthStatusFailing", L"IDS_HealthStatusFailingText"}};
  for (const auto& b : kBoxes)
    if (b.verdict == a.verdict) box.headline = T(b.headline), box.text = T(b.text);
  // Data was read, only not enough of it to judge.
  if (a.verdict == DiskVerdict::Unknown && !a.findings.empty()) box.text = T(L"IDS_HealthStatusUnjudgedText");
  if (!a.findings.empty()) box.text += L"\n" + FindingText(reader, a.findings.front());
  return box;
}

std::vector<ui::ListColumn> PropertyColumns() {
  return {{T(L"IDS_HealthProperty"), 120, false},
          {T(L"IDS_HealthValue"), 140, false},
          {T(L"IDS_HealthRange"), 60, false},
          {T(L"IDS_HealthRemarks"), 150, false}};
}

std::wstring SizeInMegabytes(uint64_t sectors) { return Dec(sectors / 2048) + L" MB"; }

std::vector<PropertyRow> DetailRows(const SmartReader& reader, int drive, const DriveFacts& facts) {
  const SmartDriveRecord* r = reader.Drive(drive);
  bool enabled = Enabled(r);
  uint64_t free = facts.sizeSectors > facts.usedSectors ? facts.sizeSectors - facts.usedSectors : 0;
  std::vector<PropertyRow> rows = {
      {T(L"IDS_HealthSmartEnabled"), T(enabled ? L"IDS_HealthDiaginfoEnabled" : L"IDS_HealthDiaginfoNotEnabled"), L"", L""},
      {T(L"IDS_HealthSmartVersion"), !r ? L"" : r->NvmeRead ? std::wstring(L"NVMe") : r->VersionText, L"", L""},
      {T(L"IDS_HealthSerial"), Serial(r), L"", L""},
      {T(L"IDS_HealthCapacityRow"), SizeInMegabytes(facts.sizeSectors), L"", L""},
      {T(L"IDS_HealthUsedSpaceRow"), SizeInMegabytes(facts.usedSectors), L"", L""},
      {T(L"IDS_HealthFreeSpace"), SizeInMegabytes(free), L"", L""},
  };
  if (r && r->NvmeRead) {
    std::vector<PropertyRow> nvme = NvmeRows(reader, drive);
    rows.insert(rows.end(), nvme.begin(), nvme.end());
    return rows;
  }
  std::optional<uint64_t> hours = PowerOnHours(reader, drive);
  rows.push_back({T(L"IDS_HealthRunningDays"), hours ? Dec(*hours / 24) : NotAvailableText(), L"",
                  hours ? Replace(T(L"IDS_HealthHours"), L"%HOURS%", Dec(*hours)) : L""});
  rows.push_back(AttributeRow(reader, drive, L"IDS_HealthReliability", 198));
  rows.push_back(AttributeRow(reader, drive, L"IDS_HealthPerformance", 2));
  rows.push_back(AttributeRow(reader, drive, L"IDS_HealthError", 1));
  return rows;
}

std::vector<PropertyRow> SummaryRows(const SmartReader& reader, int drive, const DriveFacts& facts) {
  std::vector<PropertyRow> detail = DetailRows(reader, drive, facts);
  std::vector<PropertyRow> rows(detail.begin(), detail.begin() + 2);
  rows.push_back({T(L"IDS_HealthTypeRow"), facts.busName, L"", L""});
  rows.push_back({T(L"IDS_HealthModelRow"), facts.model, L"", L""});
  rows.insert(rows.end(), detail.begin() + 2, detail.end());
  rows.insert(rows.begin() + 5, {T(L"IDS_HealthUniqueId"), facts.uniqueId, L"", L""});
  const SmartDriveRecord* r = reader.Drive(drive);
  if (!r || !r->NvmeRead) rows.push_back({T(L"IDS_HealthTemperature"), TemperatureText(reader, drive), L"", L""});
  return rows;
}

std::vector<std::vector<std::wstring>> AttributeListRows(const SmartReader& reader, const std::vector<int>& drives) {
  std::vector<std::vector<std::wstring>> rows;
  auto row = [&](std::vector<std::wstring> cells) {
    cells.resize(7);
    rows.push_back(cells);
  };
  for (int drive : drives) {
    const SmartDriveRecord* r = reader.Drive(drive);
    if (!r || !r->HasData()) continue;
    char header[64];
    std::snprintf(header, sizeof header, ">>>>>>>>>>>>>>>  Drive %d  <<<<<<<<<<<<<<<<", drive);
    row({});
    row({L"", text::Widen(header)});
    if (r->NvmeRead) {
      std::wstring model;
      for (int k = 1; k <= disk::DiskCount && k <= disk::kMaxDisks; ++k)
        if (disk::DiskTable[k].DriveNumber == drive) model = disk::DiskTable[k].Model;
      row({L"Model", model});
      row({L"Serial", text::FromUtf8(r->NvmeSerial)});
      for (const PropertyRow& p : NvmeRows(reader, drive)) row({L"", p.property, p.value});
    } else {
      row({L"Model", text::FromUtf8(r->Identify.model)});
      row({L"Serial", text::FromUtf8(r->Identify.serial)});
      row({T(L"IDS_HealthCacheBuffer"),
           Dec(r->Identify.bufferSectors) + L" (" + Dec(r->Identify.bufferType) + L")"});
      for (int id = 1; id <= 255; ++id) {
        const SmartAttribute* a = reader.Attribute(drive, id);
        const AttributeInfo* info = reader.NameOf(id);
        if (!a || !info) continue;
        wchar_t idText[16];
        std::swprintf(idText, 16, info->Critical ? L"%03d (CR)" : L"%03d", id);
        row({idText, info->Name, Dec(a->Value), Dec(a->Worst), Dec(a->Raw),
             a->Threshold < 0 ? NotAvailableText() : Dec(uint64_t(a->Threshold)),
             AttributeFailing(*a) ? T(L"IDS_HealthFailingMark") : L""});
      }
    }
    row({});
  }
  return rows;
}

}  // namespace health
