// The simulated PC's mount manager: a volume for every partition Windows
// would mount, with a volume name, a drive letter (kept across re-mounts,
// like the mounted-devices database), a file system read from its boot
// sector, and a folder of the host machine that holds its files.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/machine_config.h"
#include "platform/sim/sim_disk.h"
#include "platform/sim/sim_layout.h"

namespace sim {

struct SimVolume {
  int disk = 0;
  uint64_t startLba = 0;
  uint64_t lengthSectors = 0;
  uint32_t partitionNumber = 0;
  uint8_t mbrType = 0;
  bool gpt = false;
  wchar_t letter = 0;      // 0: no letter
  std::wstring name;       // "\\?\Volume{...}\"
  std::string hostFolder;  // where its files live
  bool inUse = false;      // cannot be locked
  bool flushFails = false; // a flush of the volume fails
  bool locked = false;
  bool gone = false;       // the partition disappeared in a re-mount
  std::string FileSystem(SimDisk& d) const;  // "" when RAW
};

// A letter that is not a partition (RAM disk, CD drive, mapped folder).
struct SimDrive {
  DriveConfig config;
};

class SimMountManager {
 public:
  SimMountManager(const MachineConfig* config, std::vector<std::unique_ptr<SimDisk>>* disks);
  // Re-reads every disk's partition table and (re)assigns volumes.
  void Mount();
  // Re-reads one disk (after a layout change on it).
  void Remount(int disk);

  const std::vector<std::shared_ptr<SimVolume>>& Volumes() const { return volumes_; }
  std::shared_ptr<SimVolume> ByLetter(wchar_t letter) const;
  std::shared_ptr<SimVolume> ByName(const std::wstring& name) const;  // with or without the trailing backslash
  const SimDrive* DriveByLetter(wchar_t letter) const;
  bool LetterInUse(wchar_t letter) const;
  bool AssignLetter(const std::shared_ptr<SimVolume>& v, wchar_t letter);
  bool RemoveLetter(wchar_t letter);
  std::vector<SimDrive>& Drives() { return drives_; }
  // Counts the mounts, so that what depends on letters can tell when to look again.
  uint64_t Generation() const { return generation_; }

 private:
  void MountDisk(int disk, std::vector<std::shared_ptr<SimVolume>>* out);
  std::wstring VolumeName(int disk, uint64_t start) const;
  const VolumeConfig* FindConfig(int disk, uint64_t start) const;
  const MachineConfig* config_;
  std::vector<std::unique_ptr<SimDisk>>* disks_;
  std::vector<std::shared_ptr<SimVolume>> volumes_;
  std::vector<SimDrive> drives_;
  std::map<std::wstring, wchar_t> remembered_;
  uint64_t generation_ = 0;  // volume name -> letter (0 = removed on purpose)
};

}  // namespace sim
