// What a simulated handle refers to. Private to the simulated PC.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/host_file.h"
#include "platform/sim/sim_system.h"
#include "platform/winapi.h"

namespace sim {

// The attribute bits SetFileAttributes sets (the others belong to the file
// system: directory, reparse point, compressed, sparse ...).
inline constexpr uint32_t kSettableAttributes = win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_HIDDEN |
                                                win::FILE_ATTRIBUTE_SYSTEM | win::FILE_ATTRIBUTE_ARCHIVE |
                                                win::FILE_ATTRIBUTE_TEMPORARY | win::FILE_ATTRIBUTE_OFFLINE |
                                                win::FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

struct SimSystem::Object {
  enum class Kind { Disk, Volume, DriveDevice, File, Directory, RegKey, Process, Mutex, Pipe, Library };
  Kind kind;
  uint32_t access = 0;
  uint32_t flags = 0;
  uint64_t pos = 0;
  int disk = -1;
  std::shared_ptr<SimVolume> volume;
  const SimDrive* drive = nullptr;
  HostFile file;
  std::string hostPath;
  std::string root, key;  // where a file's or folder's metadata is kept
  bool written = false;   // written through this handle: its last-write time moves at close
  bool timesSet = false;  // SetFileTime was called: the times stay as set
  uint64_t size = 0;      // a file's length as the handle sees it
  const SimSystem::FileFault* fault = nullptr;
  std::wstring library;          // a shadow-copy library's name
  std::vector<int> snapshots;    // the shadow copies it made, newest last
  std::wstring regKey;
  bool regWritable = false;
  size_t process = 0;
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
