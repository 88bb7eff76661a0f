#include "health/health_figures.h"

namespace health {

HealthVerdict TemperatureVerdict(int fahrenheit) {
  if (fahrenheit < 150) return HealthVerdict::Good;
  if (fahrenheit < 250) return HealthVerdict::NeedAttention;
  return HealthVerdict::Bad;
}

int CelsiusToFahrenheit(int celsius) {
  int tenths = celsius * 18;  // °F above 32, in tenths
  return 32 + (tenths >= 0 ? tenths + 5 : tenths - 5) / 10;
}

std::optional<int> TemperatureCelsius(const SmartReader& reader, int drive) {
  const SmartDriveRecord* r = reader.Drive(drive);
  if (!r) return std::nullopt;
  if (r->NvmeRead) {
    // Kelvin from 273; 0 means the controller reports none.
    if (r->Nvme.temperatureKelvin == 0) return std::nullopt;
    return int(r->Nvme.temperatureKelvin) - 273;
  }
  const SmartAttribute* a = reader.Attribute(drive, 194);
  if (!a) a = reader.Attribute(drive, 190);
  if (!a) return std::nullopt;
  // The other raw bytes hold the lowest and highest temperatures seen.
  return int(a->Raw & 0xFF);
}

std::optional<uint64_t> PowerOnHours(const SmartReader& reader, int drive) {
  const SmartDriveRecord* r = reader.Drive(drive);
  if (!r) return std::nullopt;
  if (r->NvmeRead) return r->Nvme.powerOnHours.high ? UINT64_MAX : r->Nvme.powerOnHours.low;
  const SmartAttribute* a = reader.Attribute(drive, 9);
  if (!a) return std::nullopt;
  // Drives keep minutes or milliseconds in the upper raw bytes.
  return a->Raw & 0xFFFFFFFFu;
}

bool AttributeFailing(const SmartAttribute& a) { return a.Threshold > 0 && a.Value <= a.Threshold; }

bool ThresholdsMissing(const SmartDriveRecord& r) {
  return r.Source == HealthSource::Ata && r.AttributesRead && !r.ThresholdsRead;
}

bool CountsBadSectors(int id) { return id == 5 || id == 196 || id == 197 || id == 198; }

Assessment AssessDrive(const SmartReader& reader, int drive) {
  Assessment out;
  const SmartDriveRecord* r = reader.Drive(drive);
  if (!r || !r->HasData()) return out;
  std::vector<Finding> failing, attention;
  if (r->NvmeRead) {
    const NvmeHealth& h = r->Nvme;
    const uint8_t severe = kNvmeSpareLow | kNvmeReliabilityDegraded | kNvmeReadOnly | kNvmeBackupFailed;
    if (h.criticalWarning & severe) failing.push_back({Finding::Kind::NvmeWarning, 0, h.criticalWarning});
    else if (h.criticalWarning) attention.push_back({Finding::Kind::NvmeWarning, 0, h.criticalWarning});
    if (h.spareThreshold && h.availableSpare <= h.spareThreshold)
      failing.push_back({Finding::Kind::NvmeSpareLow, 0, h.availableSpare});
    if (h.percentageUsed >= 100) attention.push_back({Finding::Kind::NvmeWornOut, 0, h.percentageUsed});
    if (h.mediaErrors.low || h.mediaErrors.high)
      attention.push_back({Finding::Kind::NvmeMediaErrors, 0, h.mediaErrors.high ? UINT64_MAX : h.mediaErrors.low});
  } else {
    for (const SmartAttribute& a : r->Attributes) {
      if (AttributeFailing(a)) failing.push_back({Finding::Kind::AttributeFailing, a.Id, a.Value});
      if (CountsBadSectors(a.Id) && a.Raw) attention.push_back({Finding::Kind::SectorCount, a.Id, a.Raw});
    }
  }
  out.verdict = !failing.empty() ? DiskVerdict::Failing : !attention.empty() ? DiskVerdict::Attention : DiskVerdict::Good;
  // Without the thresholds no attribute can be found failing: the drive
  // cannot be called good, only not judged (or in need of attention, when
  // its raw counts already say so).
  if (ThresholdsMissing(*r)) {
    if (out.verdict == DiskVerdict::Good) out.verdict = DiskVerdict::Unknown;
    (attention.empty() ? failing : attention).push_back({Finding::Kind::ThresholdsUnread, 0, 0});
  }
  out.findings = failing;
  out.findings.insert(out.findings.end(), attention.begin(), attention.end());
  return out;
}

}  // namespace health
