// Device control requests of the simulated disk driver, volume manager and
// file system, answered with the request layouts Windows uses.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_layout.h"
#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace sim {

using Kind = SimSystem::Object::Kind;

namespace {

constexpr uint32_t ERROR_NOT_LOCKED = 158;

// The access a control code demands is encoded in its bits 14 and 15.
bool AccessAllows(uint32_t code, uint32_t access) {
  uint32_t need = (code >> 14) & 3;
  if ((need & 1) && !(access & win::GENERIC_READ)) return false;
  if ((need & 2) && !(access & win::GENERIC_WRITE)) return false;
  return true;
}

std::string HexSwappedSerial(const std::string& serial) {
  // Older ATA drivers reported the serial as hexadecimal digits of its
  // byte-swapped characters; the identification code decodes that form.
  std::string s = serial;
  if (s.size() % 2) s.push_back('\0');
  std::string out;
  static const char* hex = "0123456789abcdef";
  for (size_t i = 0; i < s.size(); i += 2) {
    for (char c : {s[i + 1], s[i]}) {
      out.push_back(hex[(uint8_t(c) >> 4) & 15]);
      out.push_back(hex[uint8_t(c) & 15]);
    }
  }
  return out;
}

void FillPartitionInfo(uint8_t* out, bool gpt, uint64_t start, uint64_t length, uint32_t number, uint8_t mbrType,
                       const bytes::Guid& gptType) {
  std::memset(out, 0, sizeof(win::PartitionInfoEx));
  auto* p = reinterpret_cast<win::PartitionInfoEx*>(out);
  p->PartitionStyle = gpt ? win::PARTITION_STYLE_GPT : win::PARTITION_STYLE_MBR;
  p->StartingOffset = start * 512;
  p->PartitionLength = length * 512;
  p->PartitionNumber = number;
  if (gpt) {
    p->Gpt.PartitionType = gptType;
  } else {
    p->Mbr.PartitionType = mbrType;
    p->Mbr.RecognizedPartition = mbrType ? 1 : 0;
    p->Mbr.HiddenSectors = uint32_t(start);
  }
}

}  // namespace

bool SimSystem::DeviceIoControl(platform::Handle h, uint32_t code, const void* in, uint32_t inBytes, void* out,
                                uint32_t outBytes, uint32_t* returned) {
  if (returned) *returned = 0;
  auto o = Get(h);
  if (!o) return Fail(win::ERROR_INVALID_HANDLE);
  if (!AccessAllows(code, o->access)) return Fail(win::ERROR_ACCESS_DENIED);
  uint32_t dummy = 0;
  uint32_t* ret = returned ? returned : &dummy;
  const auto* pin = static_cast<const uint8_t*>(in);
  auto* pout = static_cast<uint8_t*>(out);
  bool ok;
  switch (o->kind) {
    case Kind::Disk:
      ok = DiskIoctl(*o, code, pin, inBytes, pout, outBytes, ret);
      break;
    case Kind::Volume:
      ok = VolumeIoctl(*o, code, pin, inBytes, pout, outBytes, ret);
      break;
    case Kind::File:
    case Kind::Directory:
      ok = (code == win::FSCTL_GET_REPARSE_POINT || code == win::FSCTL_SET_REPARSE_POINT)
               ? ReparseIoctl(*o, code, pin, inBytes, pout, outBytes, ret)
               : Fail(win::ERROR_INVALID_FUNCTION);
      break;
    case Kind::DriveDevice:
      if (code == win::IOCTL_STORAGE_GET_DEVICE_NUMBER && o->drive->config.driveType == win::DRIVE_CDROM) {
        if (outBytes < sizeof(win::StorageDeviceNumber)) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
        auto* n = reinterpret_cast<win::StorageDeviceNumber*>(pout);
        n->DeviceType = win::FILE_DEVICE_CD_ROM;
        n->DeviceNumber = 0;
        n->PartitionNumber = 0;
        *ret = sizeof(win::StorageDeviceNumber);
        ok = true;
      } else {
        ok = Fail(win::ERROR_INVALID_FUNCTION);
      }
      break;
    default:
      ok = Fail(win::ERROR_INVALID_FUNCTION);
  }
  if (ok) lastError_ = 0;
  return ok;
}

bool SimSystem::DiskIoctl(Object& o, uint32_t code, const uint8_t* in, uint32_t inBytes, uint8_t* out,
                          uint32_t outBytes, uint32_t* ret) {
  SimDisk& d = *disks_[size_t(o.disk)];
  const DiskConfig& dc = d.Config();
  switch (code) {
    case win::IOCTL_DISK_GET_DRIVE_GEOMETRY: {
      if (outBytes < sizeof(win::DiskGeometry)) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
      auto* g = reinterpret_cast<win::DiskGeometry*>(out);
      g->Cylinders = d.Sectors() / (uint64_t(dc.sectorsPerTrack) * dc.tracksPerCylinder);
      g->MediaType = dc.removable ? 11 : 12;
      g->TracksPerCylinder = dc.tracksPerCylinder;
      g->SectorsPerTrack = dc.sectorsPerTrack;
      g->BytesPerSector = 512;
      *ret = sizeof(win::DiskGeometry);
      return true;
    }
    case win::IOCTL_DISK_GET_LENGTH_INFO: {
      if (outBytes < sizeof(win::LengthInfo)) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
      reinterpret_cast<win::LengthInfo*>(out)->Length = d.SizeBytes();
      *ret = sizeof(win::LengthInfo);
      return true;
    }
    case win::IOCTL_DISK_IS_WRITABLE:
      return d.WriteProtected() ? Fail(win::ERROR_WRITE_PROTECT) : true;
    case win::IOCTL_DISK_GET_PARTITION_INFO_EX: {
      if (outBytes < sizeof(win::PartitionInfoEx)) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
      DriverLayout l;
      ReadDriverLayout(d, &l);
      FillPartitionInfo(out, l.style == win::PARTITION_STYLE_GPT, 0, d.Sectors(), 0, 0, bytes::Guid{});
      *ret = sizeof(win::PartitionInfoEx);
      return true;
    }
    case win::IOCTL_DISK_GET_DRIVE_LAYOUT_EX: {
      DriverLayout l;
      uint32_t err = win::ERROR_CRC;
      if (!ReadDriverLayout(d, &l, &err)) return Fail(err);
      std::vector<uint8_t> image = EncodeLayout(l);
      if (outBytes < image.size()) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
      std::memcpy(out, image.data(), image.size());
      *ret = uint32_t(image.size());
      return true;
    }
    case win::IOCTL_DISK_SET_DRIVE_LAYOUT_EX: {
      DriverLayout l;
      if (!in || !DecodeLayout(in, inBytes, &l)) return Fail(win::ERROR_INVALID_PARAMETER);
      uint32_t err = WriteDriverLayout(d, l);
      if (err) return Fail(err);
      mounts_->Remount(o.disk);
      return true;
    }
    case win::IOCTL_DISK_CREATE_DISK: {
      if (!in || inBytes < 8) return Fail(win::ERROR_INVALID_PARAMETER);
      const auto* c = reinterpret_cast<const win::CreateDisk*>(in);
      uint32_t style = c->PartitionStyle;
      bytes::Guid id{};
      uint32_t maxEntries = 128;
      if (style == win::PARTITION_STYLE_GPT) {
        if (inBytes < sizeof(win::CreateDisk)) return Fail(win::ERROR_INVALID_PARAMETER);
        id = c->Gpt.DiskId;
        maxEntries = c->Gpt.MaxPartitionCount;
      }
      uint32_t err = CreateEmptyDisk(d, style, style == win::PARTITION_STYLE_MBR ? uint32_t(c->Mbr.Signature) : 0,
                                     id, maxEntries);
      if (err) return Fail(err);
      mounts_->Remount(o.disk);
      return true;
    }
    case win::IOCTL_DISK_GROW_PARTITION: {
      if (!in || inBytes < sizeof(win::DiskGrowPartition)) return Fail(win::ERROR_INVALID_PARAMETER);
      const auto* g = reinterpret_cast<const win::DiskGrowPartition*>(in);
      return GrowPartition(o.disk, g->PartitionNumber, int64_t(uint64_t(g->BytesToGrow)));
    }
    case win::IOCTL_DISK_UPDATE_PROPERTIES:
      mounts_->Remount(o.disk);
      return true;
    case win::IOCTL_STORAGE_QUERY_PROPERTY: {
      if (!in || inBytes < 8) return Fail(win::ERROR_INVALID_PARAMETER);
      const auto* q = reinterpret_cast<const win::StoragePropertyQuery*>(in);
      if (q->PropertyId == win::StorageDeviceProtocolSpecificProperty ||
          q->PropertyId == win::StorageAdapterProtocolSpecificProperty) {
        uint32_t err = AnswerProtocolQuery(d, config_.versionMajor >= 10, in, inBytes, out, outBytes, ret);
        return err ? Fail(err) : true;
      }
      if (q->PropertyId != 0 || q->QueryType != 0) return Fail(win::ERROR_NOT_SUPPORTED);
      std::string vendor, product = dc.model;
      size_t space = dc.model.find(' ');
      if (space != std::string::npos) {
        vendor = dc.model.substr(0, space + 1);
        product = dc.model.substr(space + 1);
      }
      std::string serial = dc.busType == win::BusTypeScsi ? dc.serial : HexSwappedSerial(dc.serial);
      std::vector<uint8_t> img(sizeof(win::StorageDeviceDescriptor), 0);
      auto addString = [&](const std::string& s) -> uint32_t {
        if (s.empty()) return 0;
        uint32_t at = uint32_t(img.size());
        img.insert(img.end(), s.begin(), s.end());
        img.push_back(0);
        return at;
      };
      uint32_t vendorAt = addString(vendor), productAt = addString(product), revAt = addString("1.0"),
               serialAt = addString(serial);
      auto* sd = reinterpret_cast<win::StorageDeviceDescriptor*>(img.data());
      sd->Version = sizeof(win::StorageDeviceDescriptor);
      sd->Size = uint32_t(img.size());
      sd->DeviceType = 0;  // direct-access device
      sd->RemovableMedia = dc.removable ? 1 : 0;
      sd->VendorIdOffset = vendorAt;
      sd->ProductIdOffset = productAt;
      sd->ProductRevisionOffset = revAt;
      sd->SerialNumberOffset = serialAt;
      sd->BusType = dc.busType;
      if (outBytes < 8) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
      uint32_t n = std::min<uint32_t>(outBytes, uint32_t(img.size()));
      std::memcpy(out, img.data(), n);
      *ret = n;
      return true;
    }
    case win::SMART_GET_VERSION:
    case win::SMART_SEND_DRIVE_COMMAND:
    case win::SMART_RCV_DRIVE_DATA: {
      uint32_t err = AnswerSmartRequest(d, code, in, inBytes, out, outBytes, ret);
      return err ? Fail(err) : true;
    }
    case win::IOCTL_STORAGE_GET_DEVICE_NUMBER: {
      if (outBytes < sizeof(win::StorageDeviceNumber)) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
      auto* n = reinterpret_cast<win::StorageDeviceNumber*>(out);
      n->DeviceType = win::FILE_DEVICE_DISK;
      n->DeviceNumber = uint32_t(o.disk);
      n->PartitionNumber = 0;
      *ret = sizeof(win::StorageDeviceNumber);
      return true;
    }
    default:
      return Fail(win::ERROR_INVALID_FUNCTION);
  }
}

bool SimSystem::VolumeIoctl(Object& o, uint32_t code, const uint8_t* in, uint32_t inBytes, uint8_t* out,
                            uint32_t outBytes, uint32_t* ret) {
  SimVolume& v = *o.volume;
  if (v.gone) return Fail(win::ERROR_NOT_READY);
  switch (code) {
    case win::IOCTL_DISK_GET_PARTITION_INFO_EX:
      if (outBytes < sizeof(win::PartitionInfoEx)) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
      FillPartitionInfo(out, v.gpt, v.startLba, v.lengthSectors, v.partitionNumber, v.mbrType, kGptBasicData);
      *ret = sizeof(win::PartitionInfoEx);
      return true;
    case win::IOCTL_STORAGE_GET_DEVICE_NUMBER: {
      if (outBytes < sizeof(win::StorageDeviceNumber)) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
      auto* n = reinterpret_cast<win::StorageDeviceNumber*>(out);
      n->DeviceType = win::FILE_DEVICE_DISK;
      n->DeviceNumber = uint32_t(v.disk);
      n->PartitionNumber = v.partitionNumber;
      *ret = sizeof(win::StorageDeviceNumber);
      return true;
    }
    case win::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: {
      if (outBytes < sizeof(win::VolumeDiskExtentsHeader)) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
      std::memset(out, 0, outBytes < 32 ? outBytes : 32);
      reinterpret_cast<win::VolumeDiskExtentsHeader*>(out)->NumberOfDiskExtents = 1;
      if (outBytes < 8 + sizeof(win::DiskExtent)) {
        *ret = 8;
        return Fail(win::ERROR_MORE_DATA);
      }
      auto* e = reinterpret_cast<win::DiskExtent*>(out + 8);
      e->DiskNumber = uint32_t(v.disk);
      e->StartingOffset = v.startLba * 512;
      e->ExtentLength = v.lengthSectors * 512;
      *ret = 8 + sizeof(win::DiskExtent);
      return true;
    }
    case win::IOCTL_DISK_GET_DRIVE_GEOMETRY:
    case win::IOCTL_STORAGE_QUERY_PROPERTY:
      return DiskIoctl(o, code, in, inBytes, out, outBytes, ret);
    case win::IOCTL_DISK_GET_LENGTH_INFO:
      if (outBytes < sizeof(win::LengthInfo)) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
      reinterpret_cast<win::LengthInfo*>(out)->Length = v.lengthSectors * 512;
      *ret = sizeof(win::LengthInfo);
      return true;
    case win::IOCTL_DISK_GROW_PARTITION: {
      if (!in || inBytes < sizeof(win::DiskGrowPartition)) return Fail(win::ERROR_INVALID_PARAMETER);
      const auto* g = reinterpret_cast<const win::DiskGrowPartition*>(in);
      return GrowPartition(v.disk, g->PartitionNumber, int64_t(uint64_t(g->BytesToGrow)));
    }
    case win::IOCTL_DISK_UPDATE_PROPERTIES:
      mounts_->Remount(v.disk);
      return true;
    case win::FSCTL_LOCK_VOLUME: {
      // The volume that holds the running Windows, or the program itself,
      // is always in use on an installed system.
      bool systemVolume = v.letter && !config_.windowsDir.empty() &&
                          text::UpperAscii(config_.windowsDir[0]) == v.letter;
      bool programVolume = v.letter && !config_.programPath.empty() &&
                           text::UpperAscii(config_.programPath[0]) == v.letter;
      if (v.inUse || systemVolume || programVolume || (v.locked && !o.holdsLock))
        return Fail(win::ERROR_ACCESS_DENIED);
      v.locked = true;
      o.holdsLock = true;
      return true;
    }
    case win::FSCTL_UNLOCK_VOLUME:
      if (!o.holdsLock) return Fail(ERROR_NOT_LOCKED);
      v.locked = false;
      o.holdsLock = false;
      return true;
    case win::FSCTL_DISMOUNT_VOLUME:
      o.dismounted = true;
      return true;
    case win::FSCTL_ALLOW_EXTENDED_DASD_IO:
      o.extendedDasd = true;
      return true;
    case win::FSCTL_EXTEND_VOLUME: {
      // NTFS takes up a grown partition: the input is the volume's new
      // total of sectors; the boot sector counts all but the last, which
      // holds its backup. FAT cannot grow in place, as on Windows.
      if (!in || inBytes < 8) return Fail(win::ERROR_INVALID_PARAMETER);
      SimDisk& d = *disks_[size_t(v.disk)];
      if (v.FileSystem(d) != "NTFS") return Fail(win::ERROR_INVALID_FUNCTION);
      uint64_t total = bytes::Get64(in);
      uint8_t boot[512];
      if (uint32_t err = d.Read(v.startLba * 512, boot, 512)) return Fail(err);
      uint64_t current = bytes::Get64(boot + 0x28) + 1;
      if (total > v.lengthSectors || total < current) return Fail(win::ERROR_INVALID_PARAMETER);
      bytes::Put64(boot + 0x28, total - 1);
      uint32_t err = d.Write(v.startLba * 512, boot, 512);
      if (!err) err = d.Write((v.startLba + total - 1) * 512, boot, 512);
      return err ? Fail(err) : true;
    }
    default:
      return Fail(win::ERROR_INVALID_FUNCTION);
  }
}

bool SimSystem::GrowPartition(int disk, uint32_t number, int64_t bytesToGrow) {
  SimDisk& d = *disks_[size_t(disk)];
  if (bytesToGrow % 512) return Fail(win::ERROR_INVALID_PARAMETER);
  DriverLayout l;
  if (!ReadDriverLayout(d, &l) || l.superFloppy || number == 0) return Fail(win::ERROR_INVALID_PARAMETER);
  size_t idx = l.entries.size();
  for (size_t i = 0; i < l.entries.size(); ++i)
    if (l.entries[i].partitionNumber == number && !l.entries[i].IsEmpty()) idx = i;
  if (idx == l.entries.size()) return Fail(win::ERROR_INVALID_PARAMETER);
  DriverPartition& p = l.entries[idx];
  int64_t delta = bytesToGrow / 512;
  if (delta < 0 && uint64_t(-delta) >= p.lengthSectors) return Fail(win::ERROR_INVALID_PARAMETER);
  uint64_t newLength = uint64_t(int64_t(p.lengthSectors) + delta);
  uint64_t newEnd = p.startLba + newLength;
  // The grown partition must not run into the next one or off the disk.
  bool logical = l.style == win::PARTITION_STYLE_MBR && idx >= 4;
  uint64_t limit = l.style == win::PARTITION_STYLE_GPT ? l.lastUsableLba + 1 : d.Sectors();
  if (logical) {
    for (size_t i = 0; i < 4; ++i)
      if (!l.entries[i].IsEmpty() && IsExtendedType(l.entries[i].mbrType))
        limit = std::min(limit, l.entries[i].startLba + l.entries[i].lengthSectors);
    // The next extended boot record lies where this group's link points.
    for (size_t k = 0; k < 4; ++k) {
      const DriverPartition& q = l.entries[idx / 4 * 4 + k];
      if (!q.IsEmpty() && IsExtendedType(q.mbrType) && q.startLba > p.startLba) limit = std::min(limit, q.startLba);
    }
  } else {
    size_t n = l.style == win::PARTITION_STYLE_MBR ? 4 : l.entries.size();
    for (size_t i = 0; i < n; ++i) {
      const DriverPartition& q = l.entries[i];
      if (i != idx && !q.IsEmpty() && q.startLba > p.startLba) limit = std::min(limit, q.startLba);
    }
  }
  if (newEnd > limit) return Fail(win::ERROR_INVALID_PARAMETER);
  p.lengthSectors = newLength;
  if (logical) {
    // The link that leads to this logical drive's record spans it.
    size_t group = idx / 4;
    if (group >= 2) {
      for (int k = 0; k < 4; ++k) {
        DriverPartition& link = l.entries[4 * (group - 1) + size_t(k)];
        if (!link.IsEmpty() && IsExtendedType(link.mbrType)) link.lengthSectors = newEnd - link.startLba;
      }
    }
  }
  uint32_t err = WriteDriverLayout(d, l);
  if (err) return Fail(err);
  mounts_->Remount(disk);
  return true;
}

}  // namespace sim
