// The children of host folders, by the names Windows compares (folded to
// upper case), so that a path is found without reading its folder again
// for every call. A folder's entry is checked against the folder's change
// time before a listing and before a name is taken as missing, and the
// simulated PC tells it about the changes it makes itself.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace sim {

struct DirIndex {
  int64_t changed = 0;                                  // the folder's modification time (ns)
  std::unordered_map<std::wstring, std::string> names;  // folded name -> host name
  std::unordered_set<std::wstring> folders;             // the folded names that are folders
  bool shortNamesKnown = false;
  std::unordered_set<std::wstring> shortNames;          // folded short names in use (filled on demand)
};

class DirCache {
 public:
  // nullptr when the folder cannot be read.
  DirIndex* Get(const std::string& hostFolder);
  // The host name of the child whose name folds to folded ("" when none).
  // A name the index holds is taken without looking at the folder again
  // (paths are resolved component by component, and deep trees would
  // otherwise pay for every folder above); a name it lacks is looked for
  // in the folder as it is now.
  std::string Find(const std::string& hostFolder, const std::wstring& folded, bool* isFolder = nullptr);
  // True when the folder has been read (and so existed).
  bool Known(const std::string& hostFolder) const { return folders_.count(hostFolder) > 0; }
  void Added(const std::string& hostFolder, const std::string& hostName, bool isFolder);
  void Removed(const std::string& hostFolder, const std::string& hostName);
  void Forget(const std::string& hostFolder);
  void Clear() { folders_.clear(); }

 private:
  void Refresh(const std::string& hostFolder, DirIndex* index);
  std::unordered_map<std::string, DirIndex> folders_;
};

// The modification time of a host folder in nanoseconds (0 when unknown).
int64_t FolderChangeTime(const std::string& hostFolder);

}  // namespace sim
