// A shadow copy of a simulated volume: the volume's files as they were
// when it was made. Reached as "\\?\GLOBALROOT\Device\HarddiskVolumeShadowCopyN",
// read-only, and frozen: the live volume's files are kept aside (copied
// into the snapshot's own folder) before the simulated PC first changes or
// deletes them, so later writes never show in it. Files the running system
// holds open on the live volume can be read through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/sim/file_meta.h"
#include "platform/sim/sim_mount.h"

namespace sim {

struct SimSnapshot {
  int number = 0;
  std::shared_ptr<SimVolume> volume;
  std::string liveRoot;  // the volume's folder
  std::string store;     // where kept-aside copies go
  int owner = 0;         // who made it (the helper program, or a library handle)
  // The tree as it was: each folder's children (folded name -> host name)
  // and which keys were folders.
  std::unordered_map<std::string, std::unordered_map<std::wstring, std::string>> children;
  std::unordered_set<std::string> folders;
  std::unordered_map<std::string, std::string> keptAside;  // key -> host copy of the old contents
  std::unordered_map<std::string, FileMeta> meta;           // the metadata as it was
  bool hasLabel = false;
  std::wstring label;

  static std::wstring DeviceName(int number);
  // The number of a shadow-copy device path's root (0 when it is none);
  // *rest gets what follows it.
  static int NumberOf(const std::wstring& path, std::wstring* rest);
};

}  // namespace sim
