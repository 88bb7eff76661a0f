// What the health pages derive from a drive's record: its temperature, its
// power-on time, the temperature verdict and the verdict on the drive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "health/smart_reader.h"

namespace health {

// The temperature verdict: "Good" below 150 °F, "Need Attention" from 150
// up to 250 °F, "Bad" from 250 °F.
enum class HealthVerdict { Good, NeedAttention, Bad };
HealthVerdict TemperatureVerdict(int fahrenheit);
int CelsiusToFahrenheit(int celsius);

// Celsius: the low byte of attribute 194's raw value (190 when a drive has
// no 194), or the NVMe composite temperature.
std::optional<int> TemperatureCelsius(const SmartReader& reader, int drive);
// Hours: the low 32 bits of attribute 9's raw value, or the NVMe counter.
std::optional<uint64_t> PowerOnHours(const SmartReader& reader, int drive);

// The verdict on the drive, with what led to it.
enum class DiskVerdict { Unknown, Good, Attention, Failing };
struct Finding {
  enum class Kind {
    AttributeFailing,  // id: value at or below its non-zero threshold
    SectorCount,       // id: a reallocated, pending or uncorrectable sector count above 0
    NvmeWarning,       // bits: critical warning bits
    NvmeSpareLow,      // available spare at or below its threshold
    NvmeWornOut,       // percentage used at 100 or more
    NvmeMediaErrors,   // media and data integrity errors above 0
    ThresholdsUnread,  // the threshold request failed: no attribute can be judged
  };
  Kind kind;
  int id = 0;
  uint64_t value = 0;
};
struct Assessment {
  DiskVerdict verdict = DiskVerdict::Unknown;
  std::vector<Finding> findings;  // the failing ones first
};
Assessment AssessDrive(const SmartReader& reader, int drive);

// An attribute whose value is at or below its non-zero threshold.
bool AttributeFailing(const SmartAttribute& a);
// The attributes were read but their thresholds were not: no verdict of
// good can be given.
bool ThresholdsMissing(const SmartDriveRecord& r);
// Attributes whose raw value counts bad sectors: 5, 196, 197, 198.
bool CountsBadSectors(int id);

}  // namespace health
