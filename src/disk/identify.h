// Identifying a physical drive: its model, bus and serial. The storage
// property query answers on every current system; two older methods (the
// SCSI miniport identify and the SMART identify) follow when it fails.
#pragma once

#include <cstdint>
#include <string>

namespace disk {

bool StoragePropertyQuery(int driveNumber);
bool ScsiMiniportIdentify(int driveNumber);
bool SmartIdentify(int driveNumber);

// Model (words 27..46) and serial (words 10..19) of 512 bytes of ATA
// identify data, each word's two bytes swapped and trailing blanks removed.
struct IdentifyStrings {
  std::string model;
  std::string serial;
};
IdentifyStrings ParseIdentifyData(const uint8_t* data512);

// The serial of a storage device descriptor (other buses than SCSI): the
// hexadecimal form older drivers give decoded, the plain text current ones
// give kept, blanks at either end removed.
std::string SerialOfDescriptor(const std::string& raw);

// The copy rule of the identification: a serial whose first or twentieth
// character is a letter or digit is taken as real.
bool SerialLooksReal(const std::string& serial);

}  // namespace disk
