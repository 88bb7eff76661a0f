#include "platform/sim/dir_cache.h"

#include <filesystem>

#include "platform/sim/short_names.h"
#include "platform/text.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace sim {

int64_t FolderChangeTime(const std::string& hostFolder) {
#ifdef _WIN32
  std::error_code ec;
  auto t = fs::last_write_time(hostFolder, ec);
  return ec ? 0 : int64_t(t.time_since_epoch().count());
#else
  struct stat st;
  if (::stat(hostFolder.c_str(), &st) != 0) return 0;
  return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
}

void DirCache::Refresh(const std::string& hostFolder, DirIndex* index) {
  index->names.clear();
  index->folders.clear();
  index->shortNames.clear();
  index->shortNamesKnown = false;
  index->changed = FolderChangeTime(hostFolder);
  std::error_code ec;
  for (auto& entry : fs::directory_iterator(hostFolder, ec)) {
    std::string name = entry.path().filename().string();
    std::wstring folded = FoldName(text::FromUtf8(name));
    index->names.emplace(folded, name);
    if (entry.is_directory(ec)) index->folders.insert(folded);
  }
}

DirIndex* DirCache::Get(const std::string& hostFolder) {
  int64_t changed = FolderChangeTime(hostFolder);
  if (changed == 0) {
    folders_.erase(hostFolder);
    return nullptr;
  }
  auto it = folders_.find(hostFolder);
  if (it == folders_.end()) {
    if (folders_.size() > 4096) folders_.clear();  // a bound on what a long run keeps
    it = folders_.emplace(hostFolder, DirIndex{}).first;
    Refresh(hostFolder, &it->second);
  } else if (it->second.changed != changed) {
    Refresh(hostFolder, &it->second);
  }
  return &it->second;
}

std::string DirCache::Find(const std::string& hostFolder, const std::wstring& folded, bool* isFolder) {
  auto cached = folders_.find(hostFolder);
  DirIndex* index = cached != folders_.end() && cached->second.names.count(folded) ? &cached->second : Get(hostFolder);
  if (!index) return "";
  auto it = index->names.find(folded);
  if (it == index->names.end()) return "";
  if (isFolder) *isFolder = index->folders.count(folded) > 0;
  return it->second;
}

void DirCache::Added(const std::string& hostFolder, const std::string& hostName, bool isFolder) {
  auto it = folders_.find(hostFolder);
  if (it == folders_.end()) return;
  std::wstring folded = FoldName(text::FromUtf8(hostName));
  it->second.names[folded] = hostName;
  if (isFolder) it->second.folders.insert(folded);
  else it->second.folders.erase(folded);
  it->second.changed = FolderChangeTime(hostFolder);
}

void DirCache::Removed(const std::string& hostFolder, const std::string& hostName) {
  auto it = folders_.find(hostFolder);
  if (it == folders_.end()) return;
  it->second.names.erase(FoldName(text::FromUtf8(hostName)));
  it->second.folders.erase(FoldName(text::FromUtf8(hostName)));
  it->second.shortNamesKnown = false;
  it->second.changed = FolderChangeTime(hostFolder);
}

void DirCache::Forget(const std::string& hostFolder) { folders_.erase(hostFolder); }

}  // namespace sim
