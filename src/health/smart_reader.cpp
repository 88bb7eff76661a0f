#include "health/smart_reader.h"

#include <cstring>
#include <vector>

#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "disk/identify.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace health {

namespace {

constexpr uint8_t kSentinel = 0xA5;  // shows what a driver left unwritten

struct Command {
  uint8_t features = 0;
  uint8_t command = 0;
  uint8_t cylLow = 0;
  uint8_t cylHigh = 0;
  uint32_t bufferSize = 0;
};

// One SMART request; true when the driver and the drive both report
// success and the data asked for came back. The data is at out + 16.
bool Send(platform::Handle h, uint32_t code, const Command& c, int n, std::vector<uint8_t>* out) {
  uint8_t in[sizeof(win::SendCmdInParams)] = {};
  auto* p = reinterpret_cast<win::SendCmdInParams*>(in);
  p->cBufferSize = c.bufferSize;
  p->irDriveRegs.bFeaturesReg = c.features;
  p->irDriveRegs.bSectorCountReg = 1;
  p->irDriveRegs.bSectorNumberReg = 1;
  p->irDriveRegs.bCylLowReg = c.cylLow;
  p->irDriveRegs.bCylHighReg = c.cylHigh;
  p->irDriveRegs.bDriveHeadReg = 0xA0;
  p->irDriveRegs.bCommandReg = c.command;
  p->bDriveNumber = uint8_t(n);
  std::fill(out->begin(), out->end(), kSentinel);
  uint32_t got = 0;
  if (!platform::Sys().DeviceIoControl(h, code, in, sizeof in, out->data(), uint32_t(out->size()), &got))
    return false;
  if (got < win::kSendCmdOutHeaderBytes + c.bufferSize || got > out->size()) return false;
  const auto* o = reinterpret_cast<const win::SendCmdOutParams*>(out->data());
  return o->Status.bDriverError == win::SMART_NO_ERROR;
}

// The health log through one of the two protocol-specific properties.
bool QueryHealthLog(platform::Handle h, uint32_t property, NvmeHealth* health) {
  constexpr uint32_t kSpecific = sizeof(win::StorageProtocolSpecificData);
  constexpr uint32_t kLog = sizeof(win::NvmeHealthInfoLog);
  std::vector<uint8_t> in(win::kPropertyQueryHeaderBytes + kSpecific + kLog, 0);
  bytes::Put32(in.data(), property);
  bytes::Put32(in.data() + 4, win::PropertyStandardQuery);
  win::StorageProtocolSpecificData q{};
  q.ProtocolType = win::ProtocolTypeNvme;
  q.DataType = win::NVMeDataTypeLogPage;
  q.ProtocolDataRequestValue = win::NVME_LOG_PAGE_HEALTH_INFO;
  q.ProtocolDataOffset = kSpecific;
  q.ProtocolDataLength = kLog;
  std::memcpy(in.data() + win::kPropertyQueryHeaderBytes, &q, kSpecific);
  std::vector<uint8_t> out(sizeof(win::StorageProtocolDataDescriptor) + kLog, kSentinel);
  uint32_t got = 0;
  if (!platform::Sys().DeviceIoControl(h, win::IOCTL_STORAGE_QUERY_PROPERTY, in.data(), uint32_t(in.size()),
                                       out.data(), uint32_t(out.size()), &got))
    return false;
  // Check the answer before reading the log through its offset.
  if (got > out.size() || got < sizeof(win::StorageProtocolDataDescriptor)) return false;
  const auto* d = reinterpret_cast<const win::StorageProtocolDataDescriptor*>(out.data());
  if (d->Version != sizeof(win::StorageProtocolDataDescriptor) || d->Size < sizeof(win::StorageProtocolDataDescriptor))
    return false;
  uint64_t offset = d->ProtocolSpecificData.ProtocolDataOffset;
  uint64_t length = d->ProtocolSpecificData.ProtocolDataLength;
  if (offset < kSpecific || length < kLog || 8 + offset + kLog > got) return false;
  *health = NvmeHealthOf(out.data() + 8 + offset);
  return true;
}

}  // namespace

SmartReader::SmartReader() : names_(LoadAttributeNames()) {}

void SmartReader::Forget(int n) {
  drives_[n] = SmartDriveRecord{};
  drives_[n].DriveNumber = n;
  // A refresh must not find the attributes of the last read.
  for (auto it = attributeMap_.begin(); it != attributeMap_.end();)
    it = int(it->first >> 16) == n ? attributeMap_.erase(it) : std::next(it);
}

int SmartReader::ReadSmartDrive(int n) {
  if (n < 0 || n >= kMaxSmartDrives) return 0;
  Forget(n);
  auto& sys = platform::Sys();
  SmartDriveRecord& r = drives_[n];
  platform::Handle h = sys.CreateFile(disk::PhysicalDrivePath(n), win::GENERIC_READ | win::GENERIC_WRITE,
                                      win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING,
                                      win::FILE_ATTRIBUTE_SYSTEM);
  if (!platform::IsValid(h)) return r.Result = 0;
  auto finish = [&](int result) {
    sys.CloseHandle(h);
    return r.Result = result;
  };

  uint8_t version[sizeof(win::GetVersionInParams)];
  std::memset(version, 0, sizeof version);
  uint32_t got = 0;
  if (!sys.DeviceIoControl(h, win::SMART_GET_VERSION, nullptr, 0, version, sizeof version, &got) ||
      got < sizeof version)
    return finish(0);
  std::memcpy(r.VersionBlock, version, sizeof version);
  const auto* v = reinterpret_cast<const win::GetVersionInParams*>(version);
  r.VersionText = text::Dec(unsigned(v->bVersion)) + L"." + text::Dec(unsigned(v->bRevision));
  versionText_ = r.VersionText;
  if (!(v->fCapabilities & win::CAP_SMART_CMD)) return finish(-1);

  std::vector<uint8_t> status(sizeof(win::SendCmdOutParams), 0);
  if (!Send(h, win::SMART_SEND_DRIVE_COMMAND,
            {win::ENABLE_SMART, win::SMART_CMD, win::SMART_CYL_LOW, win::SMART_CYL_HI, 0}, n, &status)) {
    uint32_t error = sys.GetLastError();
    r.ErrorText = L"Error " + text::Dec(uint64_t(error)) + L" in reading SMART Enabled flag";
    return finish(-2);
  }
  r.Source = HealthSource::Ata;

  std::vector<uint8_t> data(win::kSendCmdOutHeaderBytes + 512 + 3);
  const uint8_t* page = data.data() + win::kSendCmdOutHeaderBytes;
  if (Send(h, win::SMART_RCV_DRIVE_DATA, {0, win::ID_CMD, 0, 0, 512}, n, &data)) {
    r.Identify = IdentifyFieldsOf(page);
    r.Identified = true;
  }
  if (Send(h, win::SMART_RCV_DRIVE_DATA,
           {win::READ_ATTRIBUTES, win::SMART_CMD, win::SMART_CYL_LOW, win::SMART_CYL_HI, 512}, n, &data)) {
    r.Attributes.clear();
    for (int i = 0; i < kSmartPageEntries; ++i) {
      AttributeEntry e = AttributeAt(page, i);
      if (e.id == 0) continue;  // an empty entry uses no slot
      attributeMap_.emplace((uint32_t(n) << 16) | e.id, int(r.Attributes.size()));
      r.Attributes.push_back({e.id, e.flags, e.raw, e.value, e.worst, -1});
    }
    r.AttributesRead = true;
  }
  bool thresholds = Send(h, win::SMART_RCV_DRIVE_DATA,
                         {win::READ_THRESHOLDS, win::SMART_CMD, win::SMART_CYL_LOW, win::SMART_CYL_HI, 512}, n, &data);
  if (thresholds) {
    for (int i = 0; i < kSmartPageEntries; ++i) {
      ThresholdEntry t = ThresholdAt(page, i);
      int slot = t.id ? FindAttributeSlot(n, t.id) : -1;
      if (slot >= 0) r.Attributes[size_t(slot)].Threshold = t.threshold;
    }
    r.ThresholdsRead = true;
  }
  return finish(thresholds ? 1 : 0);
}

bool SmartReader::ReadNvmeHealth(int n) {
  if (n < 0 || n >= kMaxSmartDrives) return false;
  auto& sys = platform::Sys();
  SmartDriveRecord& r = drives_[n];
  // The query needs no access to the data: any user may ask.
  platform::Handle h = sys.CreateFile(disk::PhysicalDrivePath(n), 0, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                      win::OPEN_EXISTING, 0);
  if (!platform::IsValid(h)) return false;
  NvmeHealth health;
  bool ok = QueryHealthLog(h, win::StorageDeviceProtocolSpecificProperty, &health) ||
            QueryHealthLog(h, win::StorageAdapterProtocolSpecificProperty, &health);
  sys.CloseHandle(h);
  if (!ok) return false;
  r.Source = HealthSource::Nvme;
  r.Nvme = health;
  r.NvmeRead = true;
  // The drive's serial number, as the storage property query gives it.
  if (disk::StoragePropertyQuery(n)) r.NvmeSerial = disk::LastIdentifiedSerial;
  return true;
}

void SmartReader::ReadDrive(int n) {
  if (n < 0 || n >= kMaxSmartDrives) return;
  if (ReadSmartDrive(n) <= 0 && !drives_[n].AttributesRead) ReadNvmeHealth(n);
}

bool SmartReader::ReadSmartAllDrives() {
  successCount_ = 0;
  attemptCount_ = 0;
  for (int k = 1; k <= disk::DiskCount && k <= disk::kMaxDisks; ++k) {
    int n = disk::DiskTable[k].DriveNumber;
    if (n < 0 || n >= kMaxSmartDrives) continue;
    ++attemptCount_;
    ReadDrive(n);
    // -1 and -2 are drives without SMART: they are no success.
    if (drives_[n].Result >= 1 || drives_[n].NvmeRead) ++successCount_;
  }
  return successCount_ == attemptCount_;
}

const SmartDriveRecord* SmartReader::Drive(int n) const {
  return n >= 0 && n < kMaxSmartDrives ? &drives_[n] : nullptr;
}

int SmartReader::FindAttributeSlot(int n, int id) const {
  if (n < 0 || n >= kMaxSmartDrives || id < 1 || id > 255) return -1;
  auto it = attributeMap_.find((uint32_t(n) << 16) | uint32_t(id));
  return it == attributeMap_.end() ? -1 : it->second;
}

const SmartAttribute* SmartReader::Attribute(int n, int id) const {
  int slot = FindAttributeSlot(n, id);
  return slot < 0 ? nullptr : &drives_[n].Attributes[size_t(slot)];
}

const AttributeInfo* SmartReader::NameOf(int id) const {
  auto it = names_.find(id);
  return it == names_.end() ? nullptr : &it->second;
}

}  // namespace health
