#include "disk/identify.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "platform/bytes.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace disk {

namespace {

// A NUL-terminated string at an offset of a returned buffer, never read
// past what the driver returned.
std::string StringAt(const uint8_t* buf, uint32_t size, uint32_t offset) {
  if (offset == 0 || offset >= size) return "";
  const char* p = reinterpret_cast<const char*>(buf + offset);
  return std::string(p, strnlen(p, size - offset));
}

void CopyCut(char* field, size_t fieldSize, const std::string& s, size_t maxChars) {
  size_t n = std::min(std::min(s.size(), maxChars), fieldSize - 1);
  std::memset(field, 0, fieldSize);
  std::memcpy(field, s.data(), n);
}

std::string Trailing(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == 0)) s.pop_back();
  return s;
}

void TakeIdentify(int n, const uint8_t* identify, uint8_t busCode, bool setBus) {
  IdentifyStrings ids = ParseIdentifyData(identify);
  IdentifyRecord& r = IdentifyRecords[n];
  if (SerialLooksReal(ids.serial)) {
    LastIdentifiedSerial = ids.serial;
    LastIdentifiedModel = ids.model;
  }
  CopyCut(r.ModelText, sizeof r.ModelText, ids.model, 17);
  CopyCut(r.SerialText, sizeof r.SerialText, ids.serial, 9);
  if (setBus) {
    r.BusCode = busCode;
    r.BusType = win::BusTypeAta;  // the SMART identify speaks ATA
  }
}

// SENDCMDINPARAMS without its data byte: buffer size, the eight IDE
// registers, the drive number and reserved space.
void PutSendCmd(uint8_t* p, uint8_t driveHead, uint8_t command, uint8_t driveNumber) {
  std::memset(p, 0, 32);
  bytes::Put32(p, 512);
  p[5] = 1;  // sector count
  p[9] = driveHead;
  p[10] = command;
  p[12] = driveNumber;
}

}  // namespace

std::string SerialOfDescriptor(const std::string& raw) {
  // Older drivers give the serial of an ATA disk as hexadecimal digits of
  // its byte-swapped text; current ones give the text itself, which read
  // as hexadecimal would be nonsense.
  bool hex = !raw.empty() && raw.size() % 4 == 0 &&
             raw.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
  std::string serial = hex ? DecodeHexSerial(raw) : raw;
  // A text that only looked like hexadecimal digits decodes to unprintable bytes.
  if (std::any_of(serial.begin(), serial.end(), [](char c) { return c < 0x20 || c > 0x7E; })) serial = raw;
  size_t first = serial.find_first_not_of(' '), last = serial.find_last_not_of(' ');
  return first == std::string::npos ? std::string() : serial.substr(first, last - first + 1);
}

bool SerialLooksReal(const std::string& serial) {
  auto alnum = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  return (!serial.empty() && alnum(serial[0])) || (serial.size() > 19 && alnum(serial[19]));
}

IdentifyStrings ParseIdentifyData(const uint8_t* d) {
  auto words = [&](int first, int last) {
    std::string s;
    for (int w = first; w <= last; ++w) {
      s.push_back(char(d[2 * w + 1]));
      s.push_back(char(d[2 * w]));
    }
    return Trailing(s);
  };
  return {words(27, 46), words(10, 19)};
}

bool StoragePropertyQuery(int n) {
  auto& sys = platform::Sys();
  LastIdentifiedModel.clear();
  LastIdentifiedSerial.clear();
  platform::Handle h = sys.CreateFile(PhysicalDrivePath(n), 0, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                      win::OPEN_EXISTING, win::FILE_FLAG_WRITE_THROUGH);
  if (!platform::IsValid(h)) {
    char line[96];
    std::snprintf(line, sizeof line, "Unable to open physical drive %d, error code: 0x%lX", n,
                  (unsigned long)sys.GetLastError());
    ui::CurrentHost().Diagnostic(text::Widen(line));
    return false;
  }
  std::vector<uint8_t> buf(10000, 0);
  win::StoragePropertyQuery q{};
  uint32_t got = 0;
  bool ok = sys.DeviceIoControl(h, win::IOCTL_STORAGE_QUERY_PROPERTY, &q, sizeof q, buf.data(), uint32_t(buf.size()),
                                &got);
  IdentifyRecord& r = IdentifyRecords[n];
  if (ok && got >= sizeof(win::StorageDeviceDescriptor)) {
    const auto* sd = reinterpret_cast<const win::StorageDeviceDescriptor*>(buf.data());
    uint32_t size = std::min<uint32_t>(got, uint32_t(buf.size()));
    uint32_t bus = sd->BusType;
    std::string rawSerial = StringAt(buf.data(), size, sd->SerialNumberOffset);
    std::string serial = bus == win::BusTypeScsi ? rawSerial : SerialOfDescriptor(rawSerial);
    std::string model = StringAt(buf.data(), size, sd->VendorIdOffset) + StringAt(buf.data(), size, sd->ProductIdOffset);
    if (SerialLooksReal(serial)) {
      LastIdentifiedSerial = serial;
      LastIdentifiedModel = model;
    }
    CopyCut(r.ModelText, sizeof r.ModelText, model, sizeof r.ModelText - 1);
    std::memset(r.SerialText, 0, sizeof r.SerialText);
    r.BusCode = bus == win::BusTypeAta ? 1 : bus == win::BusTypeScsi ? 2 : 3;
    r.BusType = bus;
    sys.CloseHandle(h);
    return true;
  }
  // Some drivers only know the media serial number.
  std::fill(buf.begin(), buf.end(), 0);
  ok = sys.DeviceIoControl(h, win::IOCTL_STORAGE_GET_MEDIA_SERIAL_NUMBER, nullptr, 0, buf.data(),
                           uint32_t(buf.size()), &got);
  sys.CloseHandle(h);
  if (!ok) return false;
  std::string serial = StringAt(buf.data(), std::min<uint32_t>(got, uint32_t(buf.size())), win::kMediaSerialDataOffset);
  if (SerialLooksReal(serial)) LastIdentifiedSerial = serial;
  return true;
}

bool ScsiMiniportIdentify(int n) {
  auto& sys = platform::Sys();
  std::wstring port = L"\\\\.\\Scsi" + text::Dec(int64_t(n / 2)) + L":";
  platform::Handle h = sys.CreateFile(port, win::GENERIC_READ | win::GENERIC_WRITE,
                                      win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  if (!platform::IsValid(h)) return false;
  std::vector<uint8_t> in(60, 0), out(557, 0);
  // SRB_IO_CONTROL header, then the identify command.
  bytes::Put32(in.data(), 28);
  std::memcpy(in.data() + 4, "SCSIDISK", 8);
  bytes::Put32(in.data() + 12, 10000);
  bytes::Put32(in.data() + 16, win::IOCTL_SCSI_MINIPORT_IDENTIFY);
  bytes::Put32(in.data() + 24, 529);
  uint8_t target = uint8_t(n % 2);
  PutSendCmd(in.data() + 28, uint8_t(0xA0 | (target << 4)), 0xEC, target);
  uint32_t got = 0;
  bool ok = sys.DeviceIoControl(h, win::IOCTL_SCSI_MINIPORT, in.data(), uint32_t(in.size()), out.data(),
                                uint32_t(out.size()), &got);
  sys.CloseHandle(h);
  // The identify data follows the header and the 16-byte command status.
  const uint8_t* identify = out.data() + 28 + 16;
  if (!ok || got < 28 + 16 + 512 || identify[54] == 0) return false;
  TakeIdentify(n, identify, 0, false);
  return true;
}

bool SmartIdentify(int n) {
  auto& sys = platform::Sys();
  platform::Handle h = sys.CreateFile(PhysicalDrivePath(n), win::GENERIC_READ | win::GENERIC_WRITE,
                                      win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  if (!platform::IsValid(h)) return false;
  uint8_t version[24] = {};
  uint32_t got = 0;
  bool ok = sys.DeviceIoControl(h, win::SMART_GET_VERSION, nullptr, 0, version, sizeof version, &got) &&
            got >= sizeof version;
  uint8_t deviceMap = version[3];
  if (!ok || deviceMap == 0) {
    sys.CloseHandle(h);
    return false;
  }
  uint8_t in[32];
  bool packet = (n + 4 < 8) && ((deviceMap >> (n + 4)) & 1);
  PutSendCmd(in, uint8_t(0xA0 | ((n & 1) << 4)), packet ? 0xA1 : 0xEC, uint8_t(n));
  std::vector<uint8_t> out(528, 0);
  ok = sys.DeviceIoControl(h, win::SMART_RCV_DRIVE_DATA, in, sizeof in, out.data(), uint32_t(out.size()), &got);
  sys.CloseHandle(h);
  if (!ok || got < 16 + 512) return false;
  TakeIdentify(n, out.data() + 16, 1, true);
  return true;
}

void IdentifyDisk(int n) {
  if (n < 0 || n > kMaxDriveNumber) return;
  IdentifyRecord& r = IdentifyRecords[n];
  r.BusCode = 0;
  r.BusType = win::BusTypeUnknown;
  std::memset(r.ModelText, 0, 18);
  std::memset(r.SerialText, 0, 18);
  if (OpenDiskReadOnly(n) == platform::kNullHandle) return;
  if (platform::Sys().GetVersion().platformId == win::VER_PLATFORM_WIN32_NT) {
    if (!StoragePropertyQuery(n) && !ScsiMiniportIdentify(n)) SmartIdentify(n);
  }
  CloseCurrentDisk();
}

}  // namespace disk
