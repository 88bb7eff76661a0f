// The self-monitoring data of a simulated drive: what an ATA drive answers
// to the SMART requests (version block, enable, IDENTIFY, attribute and
// threshold pages), or the health log an NVMe drive gives through the
// protocol-specific property query. Described per disk in the machine file:
//
//   smart = ata                        ; ata, nvme or none (the default: no answers)
//   smart.version = 1.1                ; the driver's version block
//   smart.capabilities = 7             ; CAP_ATA_ID_CMD | CAP_ATAPI_ID_CMD | CAP_SMART_CMD
//   smart.enabled = 0                  ; SMART off until the enable command
//   smart.firmware = 01.01A01          ; IDENTIFY fields (model and serial: the disk's own)
//   smart.buffer = 16384               ; IDENTIFY word 21 (and smart.buffertype, word 20)
//   smart.attribute = id=5 value=100 worst=100 raw=0 threshold=36
//   smart.fail = thresholds enable:31  ; requests that fail (version, enable, identify,
//                                      ; data, thresholds, health), with a Windows error
//                                      ; or "aborted" (the drive refuses the command)
//   nvme.temperature = 41              ; NVMe health log fields: warning, temperature
//                                      ; (Celsius, or kelvin with K), spare,
//                                      ; sparethreshold, used, read, written, hours,
//                                      ; unsafe, mediaerrors, cycles, errorlog
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

struct SmartAttributeSetting {
  uint8_t id = 0;
  uint16_t flags = 0x0033;  // pre-failure, online, performance, error rate
  uint8_t value = 100;
  uint8_t worst = 100;
  uint64_t raw = 0;  // the six raw bytes, little-endian
  uint8_t threshold = 0;
};

// How a request fails: with a Windows error, or (aborted) answered with
// the drive's error status and no data.
struct SmartFailure {
  uint32_t error = 0;
  bool aborted = false;
};

struct SmartSetting {
  enum class Kind { None, Ata, Nvme };
  Kind kind = Kind::None;
  // ATA drive behind a driver that takes SMART requests
  uint8_t version = 1, revision = 1;
  uint8_t deviceMap = 1;
  uint32_t capabilities = 7;
  bool enabled = true;  // changed by the enable and disable commands
  std::string firmware = "1.0";
  uint16_t bufferType = 3, bufferSectors = 0;
  std::vector<SmartAttributeSetting> attributes;  // in the drive's table order (at most 30)
  // NVMe health log
  uint8_t criticalWarning = 0;
  uint16_t temperatureKelvin = 311;
  uint8_t spare = 100, spareThreshold = 10, percentUsed = 0;
  uint64_t dataUnitsRead = 0, dataUnitsWritten = 0, powerCycles = 0, powerOnHours = 0, unsafeShutdowns = 0,
           mediaErrors = 0, errorLogEntries = 0;
  // "version", "enable", "identify", "data", "thresholds", "health"
  std::map<std::string, SmartFailure> failures;
};

// Applies a "smart", "smart.*" or "nvme.*" disk setting; false with the
// reason when the key is unknown or the value malformed.
bool ApplySmartSetting(SmartSetting* smart, const std::string& key, const std::string& value, std::string* error);

class SimDisk;

// SMART_GET_VERSION, SMART_SEND_DRIVE_COMMAND and SMART_RCV_DRIVE_DATA on a
// drive: 0, or the Windows error the request fails with.
uint32_t AnswerSmartRequest(SimDisk& disk, uint32_t code, const uint8_t* in, uint32_t inBytes, uint8_t* out,
                            uint32_t outBytes, uint32_t* returned);
// IOCTL_STORAGE_QUERY_PROPERTY with a protocol-specific property id; only
// Windows 10 and later know these.
uint32_t AnswerProtocolQuery(SimDisk& disk, bool windows10, const uint8_t* in, uint32_t inBytes, uint8_t* out,
                             uint32_t outBytes, uint32_t* returned);

}  // namespace sim
