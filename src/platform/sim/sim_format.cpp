// The simulated format library: FormatEx as fmifs.dll answers it. It locks
// the volume through its device as the library does, writes a boot sector
// the disk model recognises, empties the volume's folder and reports
// progress and a done report with its success value. It refuses what the
// library refuses: an unknown root or file system, a size the file system
// cannot hold, a volume the system will not let go of.
#include <filesystem>

#include "platform/sim/boot_sectors.h"
#include "platform/sim/sim_layout.h"
#include "platform/sim/short_names.h"
#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace sim {

namespace {

constexpr uint32_t kProgress = 0;
constexpr uint32_t kDone = 11;

// The name as the library spells it, or "" for one it does not know.
std::string KnownFileSystem(const std::wstring& name) {
  for (const char* fs : {"NTFS", "FAT32", "FAT", "exFAT"})
    if (text::EqualsIgnoreCase(name, text::Widen(fs))) return fs;
  return "";
}

// FAT up to 4 GiB; FAT32 as the library makes it from about 32 MiB to 32 GiB.
bool SizeAllowed(const std::string& fs, uint64_t sectors) {
  if (fs == "FAT") return sectors <= (4ull << 30) / 512;
  if (fs == "FAT32") return sectors >= 66600 && sectors <= (32ull << 30) / 512;
  return true;
}

bool ClusterSizeAllowed(uint32_t bytes) { return bytes == 0 || (bytes >= 512 && bytes <= 65536 && !(bytes & (bytes - 1))); }

void EmptyFolder(const std::string& folder) {
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) std::filesystem::remove_all(entry.path(), ec);
}

// Formatting sets the partition's type to the new file system, as Windows
// does: the type byte in the MBR, or in the logical drive's extended boot
// record (the first at the extended partition's start, each further one
// where the link before it points).
void SetMbrType(SimDisk& d, uint64_t startLba, const std::string& fs) {
  DriverLayout l;
  if (!ReadDriverLayout(d, &l) || l.style != win::PARTITION_STYLE_MBR || l.superFloppy) return;
  uint8_t type = fs == "FAT32" ? 0x0C : fs == "FAT" ? 0x06 : 0x07;
  uint64_t ebr = 0;
  for (size_t i = 0; i < 4 && i < l.entries.size(); ++i)
    if (!l.entries[i].IsEmpty() && IsExtendedType(l.entries[i].mbrType)) ebr = l.entries[i].startLba;
  for (size_t i = 0; i < l.entries.size(); ++i) {
    if (i >= 8 && i % 4 == 0) ebr = l.entries[i - 3].startLba;  // the link of the group before
    const DriverPartition& p = l.entries[i];
    if (p.IsEmpty() || IsExtendedType(p.mbrType) || p.startLba != startLba) continue;
    if (i >= 4 && ebr == 0) return;
    uint64_t table = i < 4 ? 0 : ebr;
    uint8_t s[512];
    if (d.Read(table * 512, s, 512) != 0) return;
    s[446 + 16 * (i % 4) + 4] = type;
    d.Write(table * 512, s, 512);
    return;
  }
}

}  // namespace

uint32_t SimSystem::FormatVolume(const std::shared_ptr<SimVolume>& v, const std::string& fs, const std::wstring& label,
                                 bool quick, uint32_t clusterBytes, const std::function<bool(uint32_t)>& progressFn) {
  auto progress = [&](uint32_t percent) { return progressFn ? progressFn(percent) : true; };
  if (KnownFileSystem(text::Widen(fs)).empty() || !SizeAllowed(fs, v->lengthSectors) ||
      !ClusterSizeAllowed(clusterBytes))
    return win::ERROR_INVALID_PARAMETER;
  SimDisk& disk = *disks_[size_t(v->disk)];
  if (disk.Config().writeProtected) return win::ERROR_WRITE_PROTECT;

  // The volume is locked through its device for the time of the format, as
  // the library and the format command do.
  std::wstring device = v->letter ? std::wstring(L"\\\\.\\") + v->letter + L":" : v->name.substr(0, v->name.size() - 1);
  platform::Handle h = CreateFile(device, win::GENERIC_READ | win::GENERIC_WRITE,
                                  win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  if (!platform::IsValid(h)) return lastError_ ? lastError_ : win::ERROR_ACCESS_DENIED;
  uint32_t got = 0;
  if (!DeviceIoControl(h, win::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &got)) {
    CloseHandle(h);
    return win::ERROR_ACCESS_DENIED;
  }
  uint32_t err = progress(0) ? 0 : win::ERROR_CANCELLED;
  if (!err && !quick) {
    // A full format goes over the whole volume: it takes the time of
    // writing it.
    double seconds = double(v->lengthSectors) * 512 / (disk.Config().megabytesPerSecond * 1048576.0);
    for (uint32_t step = 1; step <= 10 && !err; ++step) {
      clock_.Charge(uint64_t(seconds * 1e5));
      if (!progress(step * 10 - 1)) err = win::ERROR_CANCELLED;
    }
  }
  if (!err) {
    BootSectorParams p;
    p.fileSystem = fs;
    p.startLba = v->startLba;
    p.lengthSectors = v->lengthSectors;
    p.sectorsPerTrack = disk.Config().sectorsPerTrack;
    p.heads = disk.Config().tracksPerCylinder;
    uint8_t id[16];
    CreateGuid(id);
    p.serial = uint32_t(id[0]) | uint32_t(id[1]) << 8 | uint32_t(id[2]) << 16 | uint32_t(id[3]) << 24;
    p.label = text::Narrow(label);
    err = WriteBootSectors(disk, p);
  }
  if (!err) {
    if (!v->gpt) {
      SetMbrType(disk, v->startLba, fs);
      mounts_->Remount(v->disk);
    }
    // A fresh file system: no files, no metadata, the new label, and no
    // shadow copies of what was there.
    DropSnapshotsOf(v->hostFolder);
    EmptyFolder(v->hostFolder);
    dirs_.Clear();
    usedBytes_.erase(v->hostFolder);
    MetaStore& store = Store(v->hostFolder);
    store.Clear();
    if (!label.empty()) store.SetLabel(fs == "NTFS" || fs == "exFAT" ? label : FoldName(label));
    progress(100);
  }
  DeviceIoControl(h, win::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &got);
  CloseHandle(h);
  return err;
}

bool SimSystem::FormatEx(const std::wstring& root, uint32_t, const std::wstring& fileSystem, const std::wstring& label,
                         bool quick, uint32_t clusterBytes, const FormatCallback& callback) {
  if (config_.formatLibrary == FormatLibrary::Missing) return false;
  auto finish = [&](bool ok) {
    uint8_t success = ok ? 1 : 0;
    callback(kDone, 0, &success);
    return true;  // the library itself was there
  };
  auto progress = [&](uint32_t percent) { return callback(kProgress, 0, &percent); };
  if (config_.formatLibrary == FormatLibrary::Hangs) {
    progress(0);
    throw Hang{"the format library never reports done"};
  }
  std::shared_ptr<SimVolume> v;
  const SimDrive* drive = nullptr;
  if (IsSnapshotRoot(root) || !VolumeRootOf(root, &v, &drive) || !v) return finish(false);
  std::string fs = KnownFileSystem(fileSystem);
  if (fs.empty()) return finish(false);
  return finish(FormatVolume(v, fs, label, quick, clusterBytes, progress) == 0);
}

}  // namespace sim
