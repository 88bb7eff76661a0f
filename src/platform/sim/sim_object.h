// What a simulated handle refers to. Private to the simulated PC.
#pragma once

#include <memory>
#include <string>

#include "platform/sim/host_file.h"
#include "platform/sim/sim_system.h"
#include "platform/winapi.h"

namespace sim {

struct SimSystem::Object {
  enum class Kind { Disk, Volume, DriveDevice, File, Directory, RegKey, Process, Mutex };
  Kind kind;
  uint32_t access = 0;
  uint32_t flags = 0;
  uint64_t pos = 0;
  int disk = -1;
  std::shared_ptr<SimVolume> volume;
  const SimDrive* drive = nullptr;
  HostFile file;
  std::string hostPath;
  std::wstring regKey;
  bool regWritable = false;
  size_t process = 0;
  uint64_t endsAtMicros = 0;  // a process runs until the machine's clock reaches this
  std::wstring mutexName;
  bool holdsLock = false;
  bool dismounted = false;
  bool extendedDasd = false;  // FSCTL_ALLOW_EXTENDED_DASD_IO was sent
  explicit Object(Kind k) : kind(k) {}
  // As on Windows: without buffering a read comes from the medium; with
  // either flag a write is on the medium when it returns.
  bool ReadsUncached() const { return (flags & win::FILE_FLAG_NO_BUFFERING) != 0; }
  bool WritesUncached() const {
    return (flags & (win::FILE_FLAG_NO_BUFFERING | win::FILE_FLAG_WRITE_THROUGH)) != 0;
  }
};

}  // namespace sim
