// The data a drive returns, read through named offsets: the ATA IDENTIFY
// DEVICE data, the SMART attribute and threshold pages (512 bytes each:
// a two-byte revision, then 30 entries of 12 bytes) and the NVMe health
// information log.
#pragma once

#include <cstdint>
#include <string>

namespace health {

inline constexpr int kSmartPageEntries = 30;

// Attribute page entry i (0..29): id, flags, value, worst, six raw bytes.
struct AttributeEntry {
  uint8_t id = 0;
  uint16_t flags = 0;
  uint8_t value = 0;
  uint8_t worst = 0;
  uint64_t raw = 0;  // 48 bits
};
AttributeEntry AttributeAt(const uint8_t* page512, int i);

// Threshold page entry i: id and threshold.
struct ThresholdEntry {
  uint8_t id = 0;
  uint8_t threshold = 0;
};
ThresholdEntry ThresholdAt(const uint8_t* page512, int i);

// Text fields of IDENTIFY DEVICE: the two bytes of each word swapped, blanks
// at both ends removed.
struct IdentifyFields {
  std::string serial;    // words 10-19
  std::string firmware;  // words 23-26
  std::string model;     // words 27-46
  uint16_t bufferType = 0;     // word 20
  uint16_t bufferSectors = 0;  // word 21
};
IdentifyFields IdentifyFieldsOf(const uint8_t* identify512);

// A 128-bit counter of the NVMe log, kept whole.
struct Counter128 {
  uint64_t low = 0;
  uint64_t high = 0;
};
std::wstring Counter128Text(const Counter128& c);

// The figures of the NVMe SMART / health information log (page 02h).
struct NvmeHealth {
  uint8_t criticalWarning = 0;
  uint16_t temperatureKelvin = 0;  // 0: not reported
  uint8_t availableSpare = 0;
  uint8_t spareThreshold = 0;
  uint8_t percentageUsed = 0;
  Counter128 dataUnitsRead, dataUnitsWritten, powerCycles, powerOnHours, unsafeShutdowns, mediaErrors;
};
NvmeHealth NvmeHealthOf(const uint8_t* log512);

// Critical warning bits.
inline constexpr uint8_t kNvmeSpareLow = 0x01;
inline constexpr uint8_t kNvmeTemperature = 0x02;
inline constexpr uint8_t kNvmeReliabilityDegraded = 0x04;
inline constexpr uint8_t kNvmeReadOnly = 0x08;
inline constexpr uint8_t kNvmeBackupFailed = 0x10;

}  // namespace health
