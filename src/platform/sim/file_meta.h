// What Windows keeps per file beyond its bytes, for one folder tree of the
// host (a volume's folder, a drive's folder): attributes, the three times,
// the security descriptor, the short name and a junction's or symbolic
// link's reparse data, and the volume label. Kept in a file at the root of
// the tree (kFileName), which the simulated PC never lists and never lets
// the program open, so that it survives between runs of a machine.
//
// Keys are paths relative to the root in the host's own spelling, with '/'
// between components ("" is the root itself).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/system.h"

namespace sim {

struct FileMeta {
  bool hasAttributes = false;
  uint32_t attributes = 0;       // the bits SetFileAttributes sets
  platform::FileTimes times;     // a 0 field: the host file's time
  std::vector<uint8_t> security; // empty: the default descriptor
  bool hasShortName = false;     // false: none made yet
  std::wstring shortName;        // "": none (the long name is one, or it was removed)
  std::vector<uint8_t> reparse;  // REPARSE_DATA_BUFFER of a junction or link
};

class MetaStore {
 public:
  static constexpr const char* kFileName = "$Vektrel.meta";

  explicit MetaStore(std::string root);
  const std::string& Root() const { return root_; }
  const FileMeta* Find(const std::string& key) const;
  FileMeta& At(const std::string& key);  // made when missing
  void Erase(const std::string& key);
  // A folder renamed or emptied: its own key and every key below it.
  void EraseTree(const std::string& key);
  void Clear();  // after a format

  bool HasLabel() const { return hasLabel_; }
  const std::wstring& Label() const { return label_; }
  void SetLabel(const std::wstring& label);

  bool Dirty() const { return dirty_; }
  void MarkDirty() { dirty_ = true; }
  bool Save();
  std::unordered_map<std::string, FileMeta>& Entries() { return entries_; }

 private:
  void Load();
  std::string root_;
  std::unordered_map<std::string, FileMeta> entries_;
  bool hasLabel_ = false;
  std::wstring label_;
  bool dirty_ = false;
};

// FILETIME values: 100 ns steps since 1601.
uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds);
// The host file's last write time as a FILETIME (0 when it cannot be read).
uint64_t HostWriteTime(const std::string& host);

}  // namespace sim
