#include "platform/sim/sim_mount.h"

#include <cstdio>
#include <filesystem>

#include "platform/compiler.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace sim {

std::string SimVolume::FileSystem(SimDisk& d) const {
  uint8_t s[512];
  if (d.Read(startLba * 512, s, 512) != 0) return "";
  return FileSystemOfBootSector(s);
}

SimMountManager::SimMountManager(const MachineConfig* config, std::vector<std::unique_ptr<SimDisk>>* disks)
    : config_(config), disks_(disks) {
  for (const DriveConfig& dc : config->drives) drives_.push_back({dc});
}

const VolumeConfig* SimMountManager::FindConfig(int disk, uint64_t start) const {
  for (const VolumeConfig& vc : config_->volumes)
    if (vc.disk == disk && vc.startLba == start) return &vc;
  return nullptr;
}

VEKTREL_WRAPS std::wstring SimMountManager::VolumeName(int disk, uint64_t start) const {
  // Stable across runs: derived from the disk's identity and the start.
  const DiskConfig& dc = (*disks_)[size_t(disk)]->Config();
  std::string id = (dc.serial.empty() ? dc.image : dc.serial) + "#" + std::to_string(start);
  uint64_t h1 = 1469598103934665603ull, h2 = 1099511628211ull;
  for (char c : id) {
    h1 = (h1 ^ uint8_t(c)) * 1099511628211ull;
    h2 = (h2 + uint8_t(c)) * 6364136223846793005ull + 1442695040888963407ull;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "\\\\?\\Volume{%08x-%04x-%04x-%04x-%012llx}\\", unsigned(h1 >> 32),
                unsigned((h1 >> 16) & 0xFFFF), unsigned(0x11e0 | ((h1 >> 4) & 0x0F)),
                unsigned(0x8000 | (h2 >> 52 & 0x3FFF)), (unsigned long long)(h2 & 0xFFFFFFFFFFFFull));
  return text::Widen(buf);
}

void SimMountManager::MountDisk(int disk, std::vector<std::shared_ptr<SimVolume>>* out) {
  SimDisk& d = *(*disks_)[size_t(disk)];
  if (d.Config().missing) return;
  DriverLayout layout;
  if (!ReadDriverLayout(d, &layout)) return;
  for (const DriverPartition& p : layout.entries) {
    if (p.IsEmpty()) continue;
    bool mount = layout.style == win::PARTITION_STYLE_GPT ? p.gptType == kGptBasicData
                                                          : IsMountableMbrType(p.mbrType);
    if (!mount) continue;
    auto v = std::make_shared<SimVolume>();
    v->disk = disk;
    v->startLba = p.startLba;
    v->lengthSectors = p.lengthSectors;
    v->partitionNumber = layout.superFloppy ? 0 : p.partitionNumber;
    v->mbrType = p.mbrType;
    v->gpt = layout.style == win::PARTITION_STYLE_GPT;
    v->name = VolumeName(disk, p.startLba);
    const VolumeConfig* vc = FindConfig(disk, p.startLba);
    v->inUse = vc && vc->inUse;
    v->flushFails = vc && vc->flushFails;
    if (vc && !vc->files.empty()) {
      v->hostFolder = vc->files;
    } else {
      v->hostFolder = (std::filesystem::path(config_->filesRoot) /
                       ("disk" + std::to_string(disk) + "-" + std::to_string(p.startLba)))
                          .string();
    }
    out->push_back(v);
  }
}

bool SimMountManager::LetterInUse(wchar_t letter) const {
  for (auto& d : drives_)
    if (d.config.letter == letter) return true;
  for (auto& v : volumes_)
    if (!v->gone && v->letter == letter) return true;
  return false;
}

void SimMountManager::Mount() {
  ++generation_;
  std::vector<std::shared_ptr<SimVolume>> fresh;
  for (size_t i = 0; i < disks_->size(); ++i) MountDisk(int(i), &fresh);
  // Keep the objects of volumes that are still there, so that open handles
  // and locks stay with them.
  std::vector<std::shared_ptr<SimVolume>> result;
  for (auto& nv : fresh) {
    std::shared_ptr<SimVolume> keep;
    for (auto& ov : volumes_)
      if (!ov->gone && ov->name == nv->name) keep = ov;
    if (keep) {
      keep->lengthSectors = nv->lengthSectors;
      keep->partitionNumber = nv->partitionNumber;
      keep->mbrType = nv->mbrType;
      keep->gpt = nv->gpt;
      result.push_back(keep);
    } else {
      result.push_back(nv);
    }
  }
  for (auto& ov : volumes_) {
    bool still = false;
    for (auto& r : result) still |= (r == ov);
    if (!still) {
      if (ov->letter) remembered_[ov->name] = ov->letter;
      ov->gone = true;
      ov->letter = 0;
    }
  }
  volumes_ = result;
  // Letters: pinned first, then remembered, then the lowest free from C up,
  // in disk order, as Windows gives them to new volumes.
  for (auto& v : volumes_) {
    if (v->letter) continue;
    const VolumeConfig* vc = FindConfig(v->disk, v->startLba);
    if (vc && vc->letter && !LetterInUse(vc->letter)) v->letter = vc->letter;
  }
  for (auto& v : volumes_) {
    if (v->letter) continue;
    const VolumeConfig* vc = FindConfig(v->disk, v->startLba);
    if (vc && (vc->noLetter || vc->letter)) continue;
    auto it = remembered_.find(v->name);
    if (it != remembered_.end()) {
      if (it->second && !LetterInUse(it->second)) v->letter = it->second;
      continue;
    }
    for (wchar_t l = L'C'; l <= L'Z'; ++l)
      if (!LetterInUse(l)) {
        v->letter = l;
        break;
      }
    remembered_[v->name] = v->letter;
  }
}

void SimMountManager::Remount(int) { Mount(); }

std::shared_ptr<SimVolume> SimMountManager::ByLetter(wchar_t letter) const {
  letter = text::UpperAscii(letter);
  for (auto& v : volumes_)
    if (!v->gone && v->letter == letter) return v;
  return nullptr;
}

std::shared_ptr<SimVolume> SimMountManager::ByName(const std::wstring& nameIn) const {
  std::wstring name = nameIn;
  if (!name.empty() && name.back() != L'\\') name.push_back(L'\\');
  for (auto& v : volumes_)
    if (!v->gone && text::EqualsIgnoreCase(v->name, name)) return v;
  return nullptr;
}

const SimDrive* SimMountManager::DriveByLetter(wchar_t letter) const {
  letter = text::UpperAscii(letter);
  for (auto& d : drives_)
    if (d.config.letter == letter) return &d;
  return nullptr;
}

bool SimMountManager::AssignLetter(const std::shared_ptr<SimVolume>& v, wchar_t letter) {
  letter = text::UpperAscii(letter);
  if (v->letter || LetterInUse(letter)) return false;
  v->letter = letter;
  remembered_[v->name] = letter;
  ++generation_;
  return true;
}

bool SimMountManager::RemoveLetter(wchar_t letter) {
  auto v = ByLetter(letter);
  if (!v) return false;
  v->letter = 0;
  remembered_[v->name] = 0;
  ++generation_;
  return true;
}

}  // namespace sim
