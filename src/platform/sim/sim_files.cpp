// Files, folders and volume services of the simulated PC. A volume's files
// live in a folder of the host machine; Windows paths are matched to host
// names without regard to case, as NTFS and FAT do.
#include <algorithm>
#include <filesystem>

#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

std::vector<std::wstring> SplitComponents(const std::wstring& rest) {
  std::vector<std::wstring> parts;
  std::wstring cur;
  for (wchar_t c : rest) {
    if (c == L'\\' || c == L'/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

}  // namespace

bool SimSystem::SplitPath(const std::wstring& path, std::string* hostRoot, std::wstring* rest,
                          std::shared_ptr<SimVolume>* volume) {
  if (volume) volume->reset();
  if (text::StartsWithIgnoreCase(path, L"\\\\?\\Volume{")) {
    size_t close = path.find(L'}');
    if (close == std::wstring::npos) return false;
    auto v = mounts_->ByName(path.substr(0, close + 1));
    if (!v) return false;
    *hostRoot = v->hostFolder;
    *rest = path.substr(close + 1);
    if (volume) *volume = v;
    return true;
  }
  if (path.size() < 2 || path[1] != L':') return false;
  wchar_t letter = text::UpperAscii(path[0]);
  // The program's own folder first: it may lie on a drive that is not a
  // partition at all (the RAM disk of a boot medium).
  std::wstring appDir = FolderOf(config_.programPath);
  if (!appDir.empty() && text::StartsWithIgnoreCase(path, appDir) &&
      (path.size() == appDir.size() || path[appDir.size()] == L'\\')) {
    *hostRoot = config_.programHost;
    *rest = path.substr(appDir.size());
    return true;
  }
  if (const SimDrive* d = mounts_->DriveByLetter(letter)) {
    if (d->config.files.empty()) return false;
    *hostRoot = d->config.files;
    *rest = path.substr(2);
    return true;
  }
  if (auto v = mounts_->ByLetter(letter)) {
    *hostRoot = v->hostFolder;
    *rest = path.substr(2);
    if (volume) *volume = v;
    return true;
  }
  return false;
}

bool SimSystem::ResolveUnder(const std::string& root, const std::wstring& rest, bool allowMissingLast,
                             std::string* out) {
  std::error_code ec;
  fs::create_directories(root, ec);  // volume folders are made on demand
  fs::path cur(root);
  std::vector<std::wstring> parts = SplitComponents(rest);
  std::vector<fs::path> stack;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::wstring& part = parts[i];
    if (part == L".") continue;
    if (part == L"..") {
      if (!stack.empty()) {
        cur = stack.back();
        stack.pop_back();
      }
      continue;
    }
    fs::path found;
    if (fs::is_directory(cur, ec)) {
      for (auto& entry : fs::directory_iterator(cur, ec)) {
        std::wstring name = text::FromUtf8(entry.path().filename().string());
        if (text::EqualsIgnoreCase(name, part)) {
          found = entry.path();
          break;
        }
      }
    }
    if (found.empty()) {
      if (i + 1 == parts.size() && allowMissingLast) {
        found = cur / text::ToUtf8(part);
      } else {
        return false;
      }
    }
    stack.push_back(cur);
    cur = found;
  }
  *out = cur.string();
  return true;
}

std::string SimSystem::HostPathOf(const std::wstring& path, bool allowMissingLast) {
  std::string root, out;
  std::wstring rest;
  if (!SplitPath(path, &root, &rest, nullptr)) return "";
  if (!ResolveUnder(root, rest, allowMissingLast, &out)) return "";
  return out;
}

bool SimSystem::DeleteFile(const std::wstring& path) {
  std::string host = HostPathOf(path, false);
  std::error_code ec;
  if (host.empty() || !fs::is_regular_file(host, ec)) return Fail(win::ERROR_FILE_NOT_FOUND);
  if (!fs::remove(host, ec)) return Fail(win::ERROR_ACCESS_DENIED);
  lastError_ = 0;
  return true;
}

bool SimSystem::CreateDirectory(const std::wstring& path) {
  std::string host = HostPathOf(path, true);
  std::error_code ec;
  if (host.empty()) return Fail(win::ERROR_PATH_NOT_FOUND);
  if (fs::exists(host, ec)) return Fail(win::ERROR_ALREADY_EXISTS);
  if (!fs::create_directory(host, ec)) return Fail(win::ERROR_PATH_NOT_FOUND);
  lastError_ = 0;
  return true;
}

uint32_t SimSystem::GetFileAttributes(const std::wstring& path) {
  std::string host = HostPathOf(path, false);
  std::error_code ec;
  if (host.empty() || !fs::exists(host, ec)) {
    lastError_ = win::ERROR_FILE_NOT_FOUND;
    return win::INVALID_FILE_ATTRIBUTES;
  }
  return fs::is_directory(host, ec) ? win::FILE_ATTRIBUTE_DIRECTORY : win::FILE_ATTRIBUTE_ARCHIVE;
}

bool SimSystem::FindFiles(const std::wstring& pattern, std::vector<platform::FindData>* found) {
  found->clear();
  size_t slash = pattern.rfind(L'\\');
  std::wstring folder = slash == std::wstring::npos ? L"" : pattern.substr(0, slash + 1);
  std::wstring mask = slash == std::wstring::npos ? pattern : pattern.substr(slash + 1);
  std::string root, host;
  std::wstring rest;
  if (!SplitPath(folder, &root, &rest, nullptr) || !ResolveUnder(root, rest, false, &host))
    return Fail(win::ERROR_PATH_NOT_FOUND);
  std::error_code ec;
  if (!fs::is_directory(host, ec)) return Fail(win::ERROR_PATH_NOT_FOUND);
  bool isRoot = SplitComponents(rest).empty();
  if (!isRoot) {
    for (const wchar_t* dot : {L".", L".."})
      if (text::WildcardMatch(mask, dot)) found->push_back({dot, win::FILE_ATTRIBUTE_DIRECTORY, 0});
  }
  std::vector<platform::FindData> entries;
  for (auto& entry : fs::directory_iterator(host, ec)) {
    std::wstring name = text::FromUtf8(entry.path().filename().string());
    if (!text::WildcardMatch(mask, name)) continue;
    platform::FindData fd;
    fd.name = name;
    bool dir = entry.is_directory(ec);
    fd.attributes = dir ? win::FILE_ATTRIBUTE_DIRECTORY : win::FILE_ATTRIBUTE_ARCHIVE;
    fd.size = dir ? 0 : uint64_t(entry.file_size(ec));
    entries.push_back(fd);
  }
  // Directory order on NTFS is by name; keep runs repeatable.
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return text::UpperAscii(a.name) < text::UpperAscii(b.name);
  });
  found->insert(found->end(), entries.begin(), entries.end());
  if (found->empty()) return Fail(win::ERROR_FILE_NOT_FOUND);
  lastError_ = 0;
  return true;
}

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

bool SimSystem::GetVolumeLabel(const std::wstring& root, std::wstring* label) {
  std::shared_ptr<SimVolume> v;
  const SimDrive* d;
  if (!VolumeRootOf(root, &v, &d)) return Fail(win::ERROR_PATH_NOT_FOUND);
  label->clear();
  if (d) return true;
  SimDisk& disk = *disks_[size_t(v->disk)];
  std::string fsName = v->FileSystem(disk);
  if (fsName.empty()) return Fail(win::ERROR_UNRECOGNIZED_VOLUME);
  // FAT keeps its label in the boot sector as well; the simulated PC keeps
  // no other file-system structures, so NTFS and exFAT volumes have none.
  uint8_t boot[512];
  if ((fsName == "FAT" || fsName == "FAT32") && disk.Read(v->startLba * 512, boot, 512) == 0) {
    std::string text(reinterpret_cast<const char*>(boot + (fsName == "FAT32" ? 0x47 : 0x2B)), 11);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text != "NO NAME") *label = text::Widen(text);
  }
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
    if (it->is_regular_file(ec)) used += (uint64_t(it->file_size(ec)) + 4095) / 4096 * 4096;
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
    usedBytes = UsedBytesOfFolder(v->hostFolder);
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
