// The simulated drive's answers to the SMART requests and to the NVMe
// health-log query, with the checks the Windows disk driver makes before a
// command reaches the drive: sizes, the command register, the SMART
// subcommand. The drive itself refuses SMART commands whose signature
// registers are wrong and reads while SMART is off, as ATA drives do.
#include <algorithm>
#include <cstring>

#include "platform/bytes.h"
#include "platform/sim/sim_disk.h"
#include "platform/sim/sim_smart.h"
#include "platform/winapi.h"

namespace sim {

namespace {

constexpr uint8_t kAbortedCommand = 0x04;  // ATA error register: ABRT

void PutAtaString(uint8_t* words, const std::string& s, size_t bytes) {
  // ATA strings hold two characters per word, the first in the high byte,
  // padded with blanks.
  for (size_t i = 0; i < bytes; ++i) words[i ^ 1] = i < s.size() ? uint8_t(s[i]) : uint8_t(' ');
}

void FinishChecksum(uint8_t* page) {
  uint8_t sum = 0;
  for (int i = 0; i < 511; ++i) sum = uint8_t(sum + page[i]);
  page[511] = uint8_t(0 - sum);
}

void IdentifyData(const SimDisk& d, uint8_t* out) {
  const DiskConfig& dc = d.Config();
  const SmartSetting& s = dc.smart;
  std::memset(out, 0, 512);
  uint64_t sectors = d.Sectors();
  bytes::Put16(out + 0, 0x0040);  // fixed device
  bytes::Put16(out + 2, uint16_t(std::min<uint64_t>(sectors / (16 * 63), 16383)));
  bytes::Put16(out + 6, 16);
  bytes::Put16(out + 12, 63);
  PutAtaString(out + 20, dc.serial, 20);
  bytes::Put16(out + 40, s.bufferType);
  bytes::Put16(out + 42, s.bufferSectors);
  PutAtaString(out + 46, s.firmware, 8);
  PutAtaString(out + 54, dc.model, 40);
  bytes::Put16(out + 94, 0x8010);
  bytes::Put16(out + 98, 0x0300);  // LBA and DMA
  bytes::Put32(out + 120, uint32_t(std::min<uint64_t>(sectors, 0x0FFFFFFF)));
  bytes::Put16(out + 160, 0x01F0);  // ATA-4 to ATA-8
  bytes::Put16(out + 164, 0x0001);  // SMART feature set supported
  bytes::Put16(out + 166, 0x4400);  // 48-bit addresses
  bytes::Put16(out + 168, 0x4001);  // SMART error logging
  bytes::Put16(out + 170, s.enabled ? 0x0001 : 0x0000);
  bytes::Put16(out + 172, 0x0400);
  bytes::Put16(out + 174, 0x4000);
  bytes::Put64(out + 200, sectors);
  out[510] = 0xA5;  // integrity word: signature, then the checksum
  FinishChecksum(out);
}

void AttributePage(const SmartSetting& s, uint8_t* out) {
  std::memset(out, 0, 512);
  bytes::Put16(out, 0x0010);
  for (size_t i = 0; i < s.attributes.size() && i < 30; ++i) {
    const SmartAttributeSetting& a = s.attributes[i];
    uint8_t* e = out + 2 + 12 * i;
    e[0] = a.id;
    bytes::Put16(e + 1, a.flags);
    e[3] = a.value;
    e[4] = a.worst;
    for (int b = 0; b < 6; ++b) e[5 + b] = uint8_t(a.raw >> (8 * b));
  }
  bytes::Put16(out + 368, 0x0003);  // SMART capability: saves attributes, autosave
  FinishChecksum(out);
}

void ThresholdPage(const SmartSetting& s, uint8_t* out) {
  std::memset(out, 0, 512);
  bytes::Put16(out, 0x0010);
  for (size_t i = 0; i < s.attributes.size() && i < 30; ++i) {
    out[2 + 12 * i] = s.attributes[i].id;
    out[3 + 12 * i] = s.attributes[i].threshold;
  }
  FinishChecksum(out);
}

// A pre-failure attribute at or below its threshold trips the drive's
// own verdict (RETURN SMART STATUS).
bool ThresholdExceeded(const SmartSetting& s) {
  for (const SmartAttributeSetting& a : s.attributes)
    if ((a.flags & 1) && a.id && a.threshold && a.value <= a.threshold) return true;
  return false;
}

const SmartFailure* FailureOf(const SmartSetting& s, const char* request) {
  auto it = s.failures.find(request);
  return it == s.failures.end() ? nullptr : &it->second;
}

// The answer of a command the drive refused: success of the request, the
// drive's error in the status block, no data.
uint32_t Refused(uint8_t* out, uint32_t* returned) {
  std::memset(out, 0, win::kSendCmdOutHeaderBytes);
  auto* o = reinterpret_cast<win::SendCmdOutParams*>(out);
  o->Status.bDriverError = win::SMART_IDE_ERROR;
  o->Status.bIDEError = kAbortedCommand;
  *returned = win::kSendCmdOutHeaderBytes;
  return 0;
}

void Put128(uint8_t* p, uint64_t v) {
  std::memset(p, 0, 16);
  bytes::Put64(p, v);
}

}  // namespace

uint32_t AnswerSmartRequest(SimDisk& d, uint32_t code, const uint8_t* in, uint32_t inBytes, uint8_t* out,
                            uint32_t outBytes, uint32_t* returned) {
  SmartSetting& s = d.MutableConfig().smart;
  // Only an ATA drive behind a driver that passes SMART through answers.
  if (s.kind != SmartSetting::Kind::Ata) return win::ERROR_INVALID_FUNCTION;
  if (code == win::SMART_GET_VERSION) {
    if (outBytes < sizeof(win::GetVersionInParams)) return win::ERROR_INSUFFICIENT_BUFFER;
    if (const SmartFailure* f = FailureOf(s, "version")) return f->aborted ? win::ERROR_IO_DEVICE : f->error;
    std::memset(out, 0, sizeof(win::GetVersionInParams));
    auto* v = reinterpret_cast<win::GetVersionInParams*>(out);
    v->bVersion = s.version;
    v->bRevision = s.revision;
    v->bIDEDeviceMap = s.deviceMap;
    v->fCapabilities = s.capabilities;
    *returned = sizeof(win::GetVersionInParams);
    return 0;
  }
  if (!in || inBytes < win::kSendCmdInHeaderBytes) return win::ERROR_INVALID_PARAMETER;
  const auto* cmd = reinterpret_cast<const win::SendCmdInParams*>(in);
  const win::IdeRegs& r = cmd->irDriveRegs;
  bool smartSignature = r.bCylLowReg == win::SMART_CYL_LOW && r.bCylHighReg == win::SMART_CYL_HI;

  if (code == win::SMART_SEND_DRIVE_COMMAND) {
    if (r.bCommandReg != win::SMART_CMD || !(s.capabilities & win::CAP_SMART_CMD)) return win::ERROR_INVALID_PARAMETER;
    uint8_t f = r.bFeaturesReg;
    bool status = f == win::RETURN_SMART_STATUS;
    if (f != win::ENABLE_SMART && f != win::DISABLE_SMART && !status) return win::ERROR_INVALID_PARAMETER;
    uint32_t need = win::kSendCmdOutHeaderBytes + (status ? uint32_t(sizeof(win::IdeRegs)) : 0);
    if (!out || outBytes < need) return win::ERROR_INSUFFICIENT_BUFFER;
    if (const SmartFailure* fail = f == win::ENABLE_SMART ? FailureOf(s, "enable") : nullptr) {
      if (!fail->aborted) return fail->error;
      return Refused(out, returned);
    }
    if (!smartSignature || (status && !s.enabled)) return Refused(out, returned);
    std::memset(out, 0, need);
    if (f == win::ENABLE_SMART) s.enabled = true;
    if (f == win::DISABLE_SMART) s.enabled = false;
    if (status) {
      auto* regs = reinterpret_cast<win::IdeRegs*>(out + win::kSendCmdOutHeaderBytes);
      bool tripped = ThresholdExceeded(s);
      regs->bFeaturesReg = win::RETURN_SMART_STATUS;
      regs->bCylLowReg = tripped ? 0xF4 : win::SMART_CYL_LOW;
      regs->bCylHighReg = tripped ? 0x2C : win::SMART_CYL_HI;
      regs->bCommandReg = win::SMART_CMD;
      reinterpret_cast<win::SendCmdOutParams*>(out)->cBufferSize = uint32_t(sizeof(win::IdeRegs));
    }
    *returned = need;
    return 0;
  }

  if (code != win::SMART_RCV_DRIVE_DATA) return win::ERROR_INVALID_FUNCTION;
  const char* request = nullptr;
  if (r.bCommandReg == win::ID_CMD && (s.capabilities & win::CAP_ATA_ID_CMD)) {
    request = "identify";
  } else if (r.bCommandReg == win::SMART_CMD && (s.capabilities & win::CAP_SMART_CMD)) {
    if (r.bFeaturesReg == win::READ_ATTRIBUTES) request = "data";
    else if (r.bFeaturesReg == win::READ_THRESHOLDS) request = "thresholds";
  }
  if (!request) return win::ERROR_INVALID_PARAMETER;
  if (!out || outBytes < win::kSendCmdOutHeaderBytes + 512) return win::ERROR_INSUFFICIENT_BUFFER;
  if (const SmartFailure* fail = FailureOf(s, request)) {
    if (!fail->aborted) return fail->error;
    return Refused(out, returned);
  }
  // SMART reads need the signature and SMART switched on.
  bool isSmart = r.bCommandReg == win::SMART_CMD;
  if (isSmart && (!smartSignature || !s.enabled)) return Refused(out, returned);
  std::memset(out, 0, win::kSendCmdOutHeaderBytes);
  reinterpret_cast<win::SendCmdOutParams*>(out)->cBufferSize = 512;
  uint8_t* data = out + win::kSendCmdOutHeaderBytes;
  if (!isSmart) IdentifyData(d, data);
  else if (r.bFeaturesReg == win::READ_ATTRIBUTES) AttributePage(s, data);
  else ThresholdPage(s, data);
  *returned = win::kSendCmdOutHeaderBytes + 512;
  return 0;
}

uint32_t AnswerProtocolQuery(SimDisk& d, bool windows10, const uint8_t* in, uint32_t inBytes, uint8_t* out,
                             uint32_t outBytes, uint32_t* returned) {
  const SmartSetting& s = d.Config().smart;
  constexpr uint32_t kHeader = win::kPropertyQueryHeaderBytes;
  constexpr uint32_t kSpecific = sizeof(win::StorageProtocolSpecificData);
  if (!windows10 || !in || inBytes < kHeader) return win::ERROR_NOT_SUPPORTED;
  if (bytes::Get32(in + 4) != win::PropertyStandardQuery) return win::ERROR_NOT_SUPPORTED;
  // Only the NVMe driver knows protocol-specific data; SATA and USB
  // drivers refuse the property.
  if (s.kind != SmartSetting::Kind::Nvme) return win::ERROR_NOT_SUPPORTED;
  if (inBytes < kHeader + kSpecific) return win::ERROR_INVALID_PARAMETER;
  win::StorageProtocolSpecificData q;
  std::memcpy(&q, in + kHeader, kSpecific);
  if (q.ProtocolType != win::ProtocolTypeNvme || q.DataType != win::NVMeDataTypeLogPage)
    return win::ERROR_INVALID_PARAMETER;
  if (q.ProtocolDataRequestValue != win::NVME_LOG_PAGE_HEALTH_INFO) return win::ERROR_NOT_SUPPORTED;
  uint64_t offset = q.ProtocolDataOffset, length = q.ProtocolDataLength;
  if (offset < kSpecific || length < sizeof(win::NvmeHealthInfoLog) || length > 4096 || offset > 4096)
    return win::ERROR_INVALID_PARAMETER;
  uint64_t total = 8 + offset + sizeof(win::NvmeHealthInfoLog);
  if (!out || outBytes < total) return win::ERROR_INSUFFICIENT_BUFFER;
  if (const SmartFailure* fail = FailureOf(s, "health")) return fail->aborted ? win::ERROR_IO_DEVICE : fail->error;

  std::memset(out, 0, size_t(total));
  auto* desc = reinterpret_cast<win::StorageProtocolDataDescriptor*>(out);
  desc->Version = sizeof(win::StorageProtocolDataDescriptor);
  desc->Size = sizeof(win::StorageProtocolDataDescriptor);
  desc->ProtocolSpecificData = q;
  desc->ProtocolSpecificData.ProtocolDataLength = sizeof(win::NvmeHealthInfoLog);
  auto* log = reinterpret_cast<win::NvmeHealthInfoLog*>(out + 8 + offset);
  log->CriticalWarning = s.criticalWarning;
  log->Temperature = s.temperatureKelvin;
  log->AvailableSpare = s.spare;
  log->AvailableSpareThreshold = s.spareThreshold;
  log->PercentageUsed = s.percentUsed;
  Put128(log->DataUnitRead, s.dataUnitsRead);
  Put128(log->DataUnitWritten, s.dataUnitsWritten);
  Put128(log->PowerCycle, s.powerCycles);
  Put128(log->PowerOnHours, s.powerOnHours);
  Put128(log->UnsafeShutdowns, s.unsafeShutdowns);
  Put128(log->MediaErrors, s.mediaErrors);
  Put128(log->ErrorInfoLogEntryCount, s.errorLogEntries);
  log->TemperatureSensor[0] = s.temperatureKelvin;
  *returned = uint32_t(total);
  return 0;
}

}  // namespace sim
