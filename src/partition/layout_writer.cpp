#include "partition/layout_writer.h"

#include <algorithm>

#include "disk/disk_access.h"
#include "partition/layout_edit.h"
#include "partition/layout_slots.h"
#include "platform/system.h"
#include "platform/winapi.h"

namespace partition {

namespace {

win::DriveLayoutHeader& Header() { return *reinterpret_cast<win::DriveLayoutHeader*>(LayoutBuffer.data()); }
win::PartitionInfoEx& Entry(int i) {
  return *reinterpret_cast<win::PartitionInfoEx*>(LayoutBuffer.data() + win::kLayoutHeaderBytes +
                                                  size_t(i) * win::kLayoutEntryBytes);
}

win::PartitionInfoEx& PutEntry(int i, const LayoutSlot& s, uint32_t style) {
  win::PartitionInfoEx& e = Entry(i);
  e.PartitionStyle = style;
  e.StartingOffset = s.startBytes;
  e.PartitionLength = s.lengthBytes;
  e.PartitionNumber = s.partitionNumber;
  e.RewritePartition = 1;
  return e;
}

void PutMbrEntry(int i, const LayoutSlot& s) {
  win::PartitionInfoEx& e = PutEntry(i, s, win::PARTITION_STYLE_MBR);
  e.Mbr.PartitionType = uint8_t(s.type);
  e.Mbr.BootIndicator = s.bootIndicator ? 1 : 0;
  e.Mbr.RecognizedPartition = s.type != 0 ? 1 : 0;
  e.Mbr.HiddenSectors = s.hiddenSectors;
}

void PutGptEntry(int i, const LayoutSlot& s) {
  win::PartitionInfoEx& e = PutEntry(i, s, win::PARTITION_STYLE_GPT);
  e.Gpt.PartitionType = s.gptType;
  e.Gpt.PartitionId = s.gptId;
  e.Gpt.Attributes = s.gptAttributes;
  for (int k = 0; k < 36; ++k) e.Gpt.Name[k] = uint16_t(s.gptName[k]);
}

// The error of a failed request, taken before anything else can change it.
bool Failed(uint32_t* error) {
  if (error) *error = platform::Sys().GetLastError();
  return false;
}

// Sends the layout in LayoutBuffer and makes the system read it again.
bool SendLayout(int driveNumber, int count, uint32_t* error) {
  if (disk::OpenDiskReadWrite(driveNumber) == platform::kNullHandle) return Failed(error);
  auto& sys = platform::Sys();
  uint32_t got = 0;
  uint32_t bytes = win::kLayoutHeaderBytes + uint32_t(count) * win::kLayoutEntryBytes;
  bool ok = sys.DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_SET_DRIVE_LAYOUT_EX, LayoutBuffer.data(), bytes,
                                nullptr, 0, &got);
  if (!ok) Failed(error);
  if (ok) sys.DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
  disk::CloseCurrentDisk();
  return ok;
}

void ClearBuffer(int entries) {
  size_t need = win::kLayoutHeaderBytes + size_t(entries) * win::kLayoutEntryBytes;
  LayoutBuffer.assign(std::max<size_t>(kLayoutBufferBytes, need), 0);
}

}  // namespace

bool WriteDriveLayout(int driveNumber, int count, uint32_t* error) {
  if (error) *error = win::ERROR_INVALID_PARAMETER;  // a layout changed meanwhile is not written
  if (ReadDriveLayout(driveNumber, &LayoutBuffer) < 0) return false;
  LayoutHeaderInfo fresh = LayoutHeaderOf(LayoutBuffer);
  if (fresh.style != LoadedLayoutHeader.style) return false;
  if (fresh.style == win::PARTITION_STYLE_GPT) {
    ClearBuffer(kLayoutSlots);
    int n = 0;
    for (const LayoutSlot& s : LayoutSlotTable)
      if (!s.IsEmpty()) PutGptEntry(n++, s);
    Header().PartitionStyle = win::PARTITION_STYLE_GPT;
    Header().PartitionCount = uint32_t(n);
    Header().Gpt.DiskId = fresh.diskId;
    Header().Gpt.StartingUsableOffset = fresh.startingUsableOffset;
    Header().Gpt.UsableLength = fresh.usableLength;
    Header().Gpt.MaxPartitionCount = fresh.maxPartitionCount;
    return SendLayout(driveNumber, n, error);
  }
  if (fresh.style != win::PARTITION_STYLE_MBR) return false;
  count = std::max(count < 0 ? 0 : (count + 3) / 4 * 4, LayoutEntryCount());
  count = std::min(count, kLayoutSlots);
  ClearBuffer(count);
  Header().PartitionStyle = win::PARTITION_STYLE_MBR;
  Header().PartitionCount = uint32_t(count);
  // The signature is what Windows knows the disk by (boot configuration,
  // drive letters): it must survive every change of the layout.
  Header().Mbr.Signature = fresh.signature;
  for (int i = 0; i < count; ++i) PutMbrEntry(i, LayoutSlotTable[i]);
  return SendLayout(driveNumber, count, error);
}

bool CreateFirstPartition(int driveNumber, uint64_t startSector, uint64_t sizeSectors, int type, uint32_t* error) {
  if (disk::OpenDiskReadWrite(driveNumber) == platform::kNullHandle) return Failed(error);
  auto& sys = platform::Sys();
  win::CreateDisk create{};
  create.PartitionStyle = win::PARTITION_STYLE_MBR;
  create.Mbr.Signature = kNewDiskSignature;
  uint32_t got = 0;
  bool ok = sys.DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_CREATE_DISK, &create, sizeof create, nullptr, 0,
                                &got);
  if (!ok) Failed(error);
  if (ok) sys.DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
  disk::CloseCurrentDisk();
  if (!ok) return false;
  // An extended partition needs the group of its first extended boot record.
  int entries = type == kTypeExtended ? 8 : 4;
  ClearBuffer(entries);
  Header().PartitionStyle = win::PARTITION_STYLE_MBR;
  Header().PartitionCount = uint32_t(entries);
  Header().Mbr.Signature = kNewDiskSignature;
  LayoutSlot first;
  first.startBytes = startSector * 512;
  first.lengthBytes = sizeSectors * 512;
  first.partitionNumber = 1;
  first.type = type;
  first.hiddenSectors = uint32_t(std::min<uint64_t>(startSector, 0xFFFFFFFFu));
  for (int i = 0; i < entries; ++i) PutMbrEntry(i, i == 0 ? first : LayoutSlot{});
  return SendLayout(driveNumber, entries, error);
}

}  // namespace partition
