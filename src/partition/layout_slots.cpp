#include "partition/layout_slots.h"

#include <algorithm>
#include <cstring>

#include "disk/disk_access.h"
#include "disk/volume_map.h"
#include "platform/system.h"
#include "platform/winapi.h"

namespace partition {

LayoutSlot LayoutSlotTable[kLayoutSlots];
std::vector<uint8_t> LayoutBuffer(kLayoutBufferBytes, 0);
LayoutHeaderInfo LoadedLayoutHeader;
int32_t UsedEntryCount = 0;

namespace {

const bytes::Guid kBasicData = {
    {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44, 0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};

const win::PartitionInfoEx& EntryAt(const std::vector<uint8_t>& buffer, int i) {
  return *reinterpret_cast<const win::PartitionInfoEx*>(buffer.data() + win::kLayoutHeaderBytes +
                                                        size_t(i) * win::kLayoutEntryBytes);
}

// How many entries the buffer really holds behind its header.
int EntriesHeld(size_t bytes) {
  if (bytes < win::kLayoutHeaderBytes) return 0;
  return int(std::min<size_t>((bytes - win::kLayoutHeaderBytes) / win::kLayoutEntryBytes, 1u << 16));
}

}  // namespace

bool LayoutSlot::IsEmpty() const {
  if (lengthBytes == 0) return true;
  return style == win::PARTITION_STYLE_GPT ? gptType.IsZero() : type == 0;
}

namespace {

// The layout of the drive into buffer; the number of entries (-1 when the
// request fails or the answer is malformed) and the used ones.
int ReadLayoutInto(int driveNumber, std::vector<uint8_t>* buffer, int32_t* used) {
  *used = 0;
  if (buffer->size() < kLayoutBufferBytes) buffer->assign(kLayoutBufferBytes, 0);
  if (disk::OpenDiskReadWrite(driveNumber) == platform::kNullHandle) return -1;
  auto& sys = platform::Sys();
  uint32_t got = 0;
  bool ok = false;
  // A disk with many logical drives needs more than the usual 16 KiB.
  for (;;) {
    // A sentinel: a driver that claims success without filling the header
    // leaves a count no layout can have.
    std::fill(buffer->begin(), buffer->end(), uint8_t(0xFF));
    ok = sys.DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, buffer->data(),
                             uint32_t(buffer->size()), &got);
    if (ok || sys.GetLastError() != win::ERROR_INSUFFICIENT_BUFFER || buffer->size() * 2 > kLayoutBufferLimit) break;
    buffer->assign(buffer->size() * 2, 0);
  }
  disk::CloseCurrentDisk();
  if (!ok || got < win::kLayoutHeaderBytes || got > buffer->size()) return -1;
  const auto* h = reinterpret_cast<const win::DriveLayoutHeader*>(buffer->data());
  uint32_t count = h->PartitionCount;
  if (count > uint32_t(EntriesHeld(got))) return -1;
  bool gpt = h->PartitionStyle == win::PARTITION_STYLE_GPT;
  for (uint32_t i = 0; i < count; ++i) {
    const win::PartitionInfoEx& e = EntryAt(*buffer, int(i));
    if (gpt ? !e.Gpt.PartitionType.IsZero() : e.Mbr.PartitionType != 0) ++*used;
  }
  return int(count);
}

// One slot per entry (at most max), with the letters and the containers.
int FillSlots(int driveNumber, const std::vector<uint8_t>& buffer, int count, LayoutSlot* slots, int max) {
  for (int i = 0; i < max; ++i) slots[i] = LayoutSlot{};
  int n = std::min({count, max, EntriesHeld(buffer.size())});
  if (n <= 0) return 0;
  bool gptDisk = LayoutHeaderOf(buffer).style == win::PARTITION_STYLE_GPT;
  for (int i = 0; i < n; ++i) {
    const win::PartitionInfoEx& e = EntryAt(buffer, i);
    LayoutSlot& s = slots[i];
    s.style = gptDisk ? win::PARTITION_STYLE_GPT : win::PARTITION_STYLE_MBR;
    s.startBytes = e.StartingOffset;
    s.lengthBytes = e.PartitionLength;
    s.partitionNumber = e.PartitionNumber;
    if (gptDisk) {
      s.gptType = e.Gpt.PartitionType;
      s.gptId = e.Gpt.PartitionId;
      s.gptAttributes = e.Gpt.Attributes;
      for (int k = 0; k < 36; ++k) s.gptName[k] = char16_t(uint16_t(e.Gpt.Name[k]));
      s.type = s.gptType == kBasicData ? 7 : -1;
    } else {
      s.type = e.Mbr.PartitionType;
      s.hiddenSectors = e.Mbr.HiddenSectors;
      s.bootIndicator = e.Mbr.BootIndicator;
    }
    if (s.IsEmpty()) continue;
    s.sourceLetter = disk::DriveLetterOf(s.StartSector(), driveNumber);
    // A record's entry that leads on to the next record is a link, whichever
    // extended type it carries; in the MBR's own four either type is the
    // container itself.
    if (!gptDisk && i >= 4 && (s.type == kTypeLink || s.type == kTypeExtended)) {
      s.logical = -1;
      continue;
    }
    for (int j = 0; j < i; ++j) {
      const LayoutSlot& c = slots[j];
      if (c.IsEmpty()) continue;
      if (c.startBytes <= s.startBytes && s.startBytes - c.startBytes < c.lengthBytes) {
        s.logical = 1;
        s.container = j;
        break;
      }
    }
  }
  return n;
}

}  // namespace

int ReadDriveLayout(int driveNumber, std::vector<uint8_t>* buffer) {
  return ReadLayoutInto(driveNumber, buffer, &UsedEntryCount);
}

std::vector<LayoutSlot> ReadLayoutSlots(int driveNumber, LayoutHeaderInfo* header) {
  std::vector<uint8_t> buffer;
  int32_t used = 0;
  int count = ReadLayoutInto(driveNumber, &buffer, &used);
  *header = count >= 0 ? LayoutHeaderOf(buffer) : LayoutHeaderInfo{};
  std::vector<LayoutSlot> slots(size_t(std::max(0, std::min(count, EntriesHeld(buffer.size())))));
  slots.resize(size_t(FillSlots(driveNumber, buffer, count, slots.data(), int(slots.size()))));
  return slots;
}

LayoutHeaderInfo LayoutHeaderOf(const std::vector<uint8_t>& buffer) {
  LayoutHeaderInfo info;
  if (buffer.size() < win::kLayoutHeaderBytes) return info;
  const auto* h = reinterpret_cast<const win::DriveLayoutHeader*>(buffer.data());
  info.style = h->PartitionStyle;
  if (info.style == win::PARTITION_STYLE_GPT) {
    info.diskId = h->Gpt.DiskId;
    info.startingUsableOffset = h->Gpt.StartingUsableOffset;
    info.usableLength = h->Gpt.UsableLength;
    info.maxPartitionCount = h->Gpt.MaxPartitionCount;
  } else {
    info.signature = h->Mbr.Signature;
  }
  return info;
}

int LoadLayoutSlots(int driveNumber, const std::vector<uint8_t>& buffer, int count) {
  LoadedLayoutHeader = count >= 0 ? LayoutHeaderOf(buffer) : LayoutHeaderInfo{};
  return FillSlots(driveNumber, buffer, count, LayoutSlotTable, kLayoutSlots);
}

int PartitionTypeForFileSystem(const std::wstring& name) {
  if (name == L"FAT") return 0x06;
  if (name == L"FAT32") return 0x0C;
  if (name == L"NTFS") return 0x07;
  return -1;
}

void ResetLayoutState() {
  for (LayoutSlot& s : LayoutSlotTable) s = LayoutSlot{};
  LayoutBuffer.assign(kLayoutBufferBytes, 0);
  LoadedLayoutHeader = LayoutHeaderInfo{};
  UsedEntryCount = 0;
}

}  // namespace partition
