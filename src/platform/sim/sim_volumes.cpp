// Volume services of the simulated PC: drive letters, volume names, file
// systems, free space and mount points.
#include <algorithm>
#include <filesystem>

#include "platform/sim/sim_object.h"
#include "platform/sim/sim_snapshot.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace sim {

uint32_t SimSystem::GetLogicalDrives() {
  uint32_t mask = 0;
  for (wchar_t l = L'A'; l <= L'Z'; ++l)
    if (mounts_->LetterInUse(l)) mask |= 1u << (l - L'A');
  return mask;
}

std::wstring SimSystem::GetLogicalDriveStrings() {
  std::wstring out;
  uint32_t mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) {
      out.push_back(wchar_t(L'A' + i));
      out += L":\\";
      out.push_back(L'\0');
    }
  out.push_back(L'\0');
  return out;
}

bool SimSystem::VolumeRootOf(const std::wstring& root, std::shared_ptr<SimVolume>* volume, const SimDrive** drive) {
  volume->reset();
  *drive = nullptr;
  if (text::StartsWithIgnoreCase(root, L"\\\\?\\Volume{")) {
    *volume = mounts_->ByName(root);
    return *volume != nullptr;
  }
  std::wstring rest;
  if (int number = SimSnapshot::NumberOf(root, &rest)) {
    auto it = snapshots_.find(number);
    if (it == snapshots_.end() || (!rest.empty() && rest != L"\\")) return false;
    *volume = it->second->volume;
    return true;
  }
  if (root.size() < 2 || root[1] != L':') return false;
  wchar_t letter = text::UpperAscii(root[0]);
  if ((*drive = mounts_->DriveByLetter(letter))) return true;
  *volume = mounts_->ByLetter(letter);
  return *volume != nullptr;
}

uint32_t SimSystem::GetDriveType(const std::wstring& root) {
  std::shared_ptr<SimVolume> v;
  const SimDrive* d;
  if (!VolumeRootOf(root, &v, &d)) return win::DRIVE_NO_ROOT_DIR;
  if (d) return d->config.driveType;
  return disks_[size_t(v->disk)]->Config().removable ? win::DRIVE_REMOVABLE : win::DRIVE_FIXED;
}

std::vector<std::wstring> SimSystem::FindVolumes() {
  std::vector<std::wstring> names;
  for (auto& v : mounts_->Volumes())
    if (!v->gone) names.push_back(v->name);
  return names;
}

bool SimSystem::GetVolumeInformation(const std::wstring& root, std::wstring* fileSystemName) {
  std::shared_ptr<SimVolume> v;
  const SimDrive* d;
  if (!VolumeRootOf(root, &v, &d)) return Fail(win::ERROR_PATH_NOT_FOUND);
  if (d) {
    *fileSystemName = text::Widen(d->config.fileSystem);
    return true;
  }
  std::string fsName = v->FileSystem(*disks_[size_t(v->disk)]);
  if (fsName.empty()) return Fail(win::ERROR_UNRECOGNIZED_VOLUME);
  *fileSystemName = text::Widen(fsName);
  lastError_ = 0;
  return true;
}

uint64_t SimSystem::UsedBytesOfFolder(const std::string& folder) {
  // Used space: every file rounded up to whole 4 KiB clusters.
  uint64_t used = 0;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return 0;
  for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (ec) break;
    if (it->is_regular_file(ec) && it->path().filename().string().rfind(MetaStore::kFileName, 0) != 0)
      used += (uint64_t(it->file_size(ec)) + 4095) / 4096 * 4096;
  }
  return used;
}

bool SimSystem::GetDiskFreeSpace(const std::wstring& root, platform::DiskFreeSpace* space) {
  std::shared_ptr<SimVolume> v;
  const SimDrive* d;
  if (!VolumeRootOf(root, &v, &d)) return Fail(win::ERROR_PATH_NOT_FOUND);
  uint64_t totalBytes, usedBytes;
  if (d) {
    if (d->config.driveType == win::DRIVE_CDROM) return Fail(win::ERROR_NOT_READY);
    totalBytes = 64ull << 30;
    usedBytes = UsedBytesOfFolder(d->config.files);
  } else {
    if (v->FileSystem(*disks_[size_t(v->disk)]).empty()) return Fail(win::ERROR_UNRECOGNIZED_VOLUME);
    totalBytes = v->lengthSectors * 512;
    // Counted afresh: files may have come into the folder from outside.
    usedBytes = UsedBytes(*v) = UsedBytesOfFolder(v->hostFolder);
  }
  uint64_t total = totalBytes / 4096, used = std::min(total, usedBytes / 4096);
  space->sectorsPerCluster = 8;
  space->bytesPerSector = 512;
  space->totalClusters = uint32_t(std::min<uint64_t>(total, 0xFFFFFFFFull));
  space->freeClusters = uint32_t(std::min<uint64_t>(total - used, 0xFFFFFFFFull));
  lastError_ = 0;
  return true;
}

bool SimSystem::SetVolumeMountPoint(const std::wstring& mountPoint, const std::wstring& volumeName) {
  if (mountPoint.size() < 2 || mountPoint[1] != L':') return Fail(win::ERROR_INVALID_PARAMETER);
  auto v = mounts_->ByName(volumeName);
  if (!v) return Fail(win::ERROR_FILE_NOT_FOUND);
  if (!mounts_->AssignLetter(v, mountPoint[0])) return Fail(win::ERROR_ALREADY_EXISTS);
  lastError_ = 0;
  return true;
}

bool SimSystem::DeleteVolumeMountPoint(const std::wstring& mountPoint) {
  if (mountPoint.size() < 2 || mountPoint[1] != L':') return Fail(win::ERROR_INVALID_PARAMETER);
  if (!mounts_->RemoveLetter(mountPoint[0])) return Fail(win::ERROR_FILE_NOT_FOUND);
  lastError_ = 0;
  return true;
}

}  // namespace sim
