// Reading the self-monitoring data of the physical drives: the SMART
// requests of ATA drives (version block, enable, IDENTIFY, attribute and
// threshold pages) and, for drives that answer no SMART request (NVMe
// drives above all), the NVMe health information log through the storage
// protocol-specific property query of Windows 10 and later.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "health/attribute_names.h"
#include "health/smart_pages.h"

namespace health {

inline constexpr int kMaxSmartDrives = 32;  // drive numbers 0..31

struct SmartAttribute {
  uint8_t Id = 0;
  uint16_t Flags = 0;
  uint64_t Raw = 0;  // all six raw bytes
  uint8_t Value = 0;
  uint8_t Worst = 0;
  int32_t Threshold = -1;  // -1 until the threshold page has been read
};

enum class HealthSource { None, Ata, Nvme };

struct SmartDriveRecord {
  int DriveNumber = -1;
  HealthSource Source = HealthSource::None;
  int Result = 0;  // of ReadSmartDrive
  uint8_t VersionBlock[24] = {};  // GETVERSIONINPARAMS as returned
  std::wstring VersionText;       // "1.1"
  std::wstring ErrorText;         // why SMART could not be switched on
  bool Identified = false;
  IdentifyFields Identify;
  bool AttributesRead = false;
  bool ThresholdsRead = false;
  std::vector<SmartAttribute> Attributes;  // in the drive's table order
  bool NvmeRead = false;
  NvmeHealth Nvme;
  std::string NvmeSerial;  // from the storage property query
  // Some health data was read.
  bool HasData() const { return AttributesRead || NvmeRead; }
};

class SmartReader {
 public:
  // Loads the attribute names from the file beside the program.
  SmartReader();
  explicit SmartReader(AttributeNameTable names) : names_(std::move(names)) {}

  // Every disk of the disk table (refreshed by the caller), by its drive
  // number; true when each one delivered health data.
  bool ReadSmartAllDrives();
  // The SMART requests on drive n, after every earlier value of the drive
  // has been dropped: 1 when the threshold page was read; 0
  // when the device cannot be opened or the version or threshold request
  // fails; -1 when the driver takes no SMART commands; -2 when SMART
  // cannot be switched on.
  int ReadSmartDrive(int n);
  // The NVMe health log of drive n; true when it was read.
  bool ReadNvmeHealth(int n);
  // SMART, and the NVMe log when the drive delivered no attributes.
  void ReadDrive(int n);

  const SmartDriveRecord* Drive(int n) const;
  // The slot of attribute id in drive n's record; -1 when it has none.
  int FindAttributeSlot(int n, int id) const;
  const SmartAttribute* Attribute(int n, int id) const;
  const AttributeInfo* NameOf(int id) const;
  const AttributeNameTable& Names() const { return names_; }
  int SuccessCount() const { return successCount_; }
  int AttemptCount() const { return attemptCount_; }
  const std::wstring& VersionText() const { return versionText_; }

 private:
  void Forget(int n);

  SmartDriveRecord drives_[kMaxSmartDrives];
  std::map<uint32_t, int> attributeMap_;  // (drive << 16) | id -> slot
  AttributeNameTable names_;
  int successCount_ = 0;
  int attemptCount_ = 0;
  std::wstring versionText_;
};

}  // namespace health
