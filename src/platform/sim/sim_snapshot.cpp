// Shadow copies of the simulated PC's volumes: made, kept frozen while the
// live volume changes, and deleted.
#include "platform/sim/sim_snapshot.h"

#include <algorithm>
#include <deque>
#include <filesystem>

#include "platform/reparse_data.h"
#include "platform/sim/host_file.h"
#include "platform/sim/short_names.h"
#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

constexpr const wchar_t* kDevicePrefix = L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy";
constexpr int kMaxSnapshotsPerVolume = 64;

// Copies a host file, leaving runs of zeros as holes (page files are large
// and mostly empty), and keeps its modification time.
bool CopyKeepingHoles(const std::string& from, const std::string& to) {
  HostFile in, out;
  if (!in.Open(from, HostFile::Mode::Read) || !out.Open(to, HostFile::Mode::TruncateReadWrite)) return false;
  std::vector<uint8_t> buf(1 << 20);
  uint64_t pos = 0;
  for (;;) {
    size_t got = 0;
    if (!in.ReadAt(pos, buf.data(), buf.size(), &got)) return false;
    if (got == 0) break;
    bool zeros = std::all_of(buf.begin(), buf.begin() + long(got), [](uint8_t b) { return b == 0; });
    if (!zeros && !out.WriteAt(pos, buf.data(), got)) return false;
    pos += got;
  }
  out.Close();
  std::error_code ec;
  fs::resize_file(to, pos, ec);
  if (ec) return false;
  fs::last_write_time(to, fs::last_write_time(from, ec), ec);
  return true;
}

std::string ParentKey(const std::string& key) {
  size_t slash = key.rfind('/');
  return slash == std::string::npos ? "" : key.substr(0, slash);
}

}  // namespace

std::wstring SimSnapshot::DeviceName(int number) { return kDevicePrefix + std::to_wstring(number); }

int SimSnapshot::NumberOf(const std::wstring& path, std::wstring* rest) {
  std::wstring prefix = kDevicePrefix;
  if (!text::StartsWithIgnoreCase(path, prefix)) return 0;
  size_t i = prefix.size();
  uint64_t n = 0;
  while (i < path.size() && path[i] >= L'0' && path[i] <= L'9' && n < 1000000) n = n * 10 + uint64_t(path[i++] - L'0');
  if (i == prefix.size() || n == 0 || n >= 1000000 || (i < path.size() && path[i] != L'\\')) return 0;
  *rest = path.substr(i);
  return int(n);
}

uint32_t SimSystem::MakeSnapshot(const std::wstring& root, int owner, int* number) {
  std::shared_ptr<SimVolume> v;
  const SimDrive* d;
  if (IsSnapshotRoot(root) || !VolumeRootOf(root, &v, &d) || !v) return win::ERROR_INVALID_PARAMETER;
  Resolved r;
  r.volume = v;
  if (uint32_t err = ReadableError(r)) return err;
  // The shadow-copy service works on NTFS volumes only.
  if (FileSystemOf(*v) != "NTFS") return win::ERROR_NOT_SUPPORTED;
  int ofVolume = 0;
  for (auto& [n, s] : snapshots_) ofVolume += s->liveRoot == v->hostFolder;
  if (ofVolume >= kMaxSnapshotsPerVolume) return win::ERROR_NOT_SUPPORTED;

  auto s = std::make_shared<SimSnapshot>();
  s->number = nextSnapshot_++;
  s->volume = v;
  s->liveRoot = v->hostFolder;
  s->store = (fs::path(config_.filesRoot) / ("$shadow" + std::to_string(s->number))).string();
  s->owner = owner;
  std::error_code ec;
  fs::create_directories(s->liveRoot, ec);
  // The tree as it is now, each folder's short names made first so that
  // the shadow copy shows the names the live volume shows.
  std::deque<std::pair<std::string, std::string>> pending = {{"", s->liveRoot}};
  s->folders.insert("");
  std::wstring metaName = FoldName(text::Widen(MetaStore::kFileName));
  while (!pending.empty()) {
    auto [key, host] = pending.front();
    pending.pop_front();
    AssignShortNames(s->liveRoot, key, host);
    DirIndex* index = dirs_.Get(host);
    if (!index) continue;
    auto& kids = s->children[key];
    for (const auto& [folded, name] : index->names) {
      if (key.empty() && folded.rfind(metaName, 0) == 0) continue;
      kids[folded] = name;
      std::string childKey = key.empty() ? name : key + "/" + name;
      std::string childHost = (fs::path(host) / name).string();
      if (fs::is_directory(childHost, ec)) {
        s->folders.insert(childKey);
        pending.emplace_back(childKey, childHost);
      }
    }
  }
  MetaStore& store = Store(s->liveRoot);
  s->meta = store.Entries();
  s->hasLabel = store.HasLabel();
  s->label = store.Label();
  snapshots_[s->number] = s;
  *number = s->number;
  return 0;
}

bool SimSystem::DropSnapshot(int number) {
  auto it = snapshots_.find(number);
  if (it == snapshots_.end()) return false;
  std::error_code ec;
  fs::remove_all(it->second->store, ec);
  snapshots_.erase(it);
  return true;
}

void SimSystem::DropSnapshotsOf(const std::string& liveRoot) {
  std::vector<int> gone;
  for (auto& [n, s] : snapshots_)
    if (s->liveRoot == liveRoot) gone.push_back(n);
  for (int n : gone) DropSnapshot(n);
}

void SimSystem::KeepAside(const Resolved& r) {
  if (r.snapshot || !r.exists || r.directory) return;
  std::string parent = ParentKey(r.key);
  size_t slash = r.key.rfind('/');
  std::wstring folded = FoldName(text::FromUtf8(slash == std::string::npos ? r.key : r.key.substr(slash + 1)));
  for (auto& [n, s] : snapshots_) {
    if (s->liveRoot != r.root || s->keptAside.count(r.key)) continue;
    auto kids = s->children.find(parent);
    if (kids == s->children.end() || !kids->second.count(folded) || s->folders.count(r.key)) continue;
    std::error_code ec;
    fs::create_directories(s->store, ec);
    std::string copy = (fs::path(s->store) / std::to_string(s->keptAside.size())).string();
    if (CopyKeepingHoles(r.host, copy)) s->keptAside[r.key] = copy;
  }
}

uint32_t SimSystem::ResolveInSnapshot(int number, const std::wstring& rest, bool allowMissingLast, bool followLast,
                                      Resolved* out, std::wstring* redirect) {
  auto it = snapshots_.find(number);
  if (it == snapshots_.end()) return win::ERROR_PATH_NOT_FOUND;
  std::shared_ptr<SimSnapshot> s = it->second;
  out->root = s->liveRoot;
  out->volume = s->volume;
  out->snapshot = s;
  out->longForm = true;
  std::string key;
  std::wstring windows = SimSnapshot::DeviceName(number);
  std::vector<std::wstring> parts;
  std::wstring cur;
  for (wchar_t c : rest + L"\\") {
    if (c == L'\\' || c == L'/') {
      if (!cur.empty() && cur != L".") parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    bool last = i + 1 == parts.size();
    auto kids = s->children.find(key);
    std::string found;
    if (kids != s->children.end()) {
      auto k = kids->second.find(FoldName(parts[i]));
      if (k != kids->second.end()) found = k->second;
    }
    if (found.empty()) {
      if (!last) return win::ERROR_PATH_NOT_FOUND;
      if (!allowMissingLast) return win::ERROR_FILE_NOT_FOUND;
      out->key = key.empty() ? text::ToUtf8(parts[i]) : key + "/" + text::ToUtf8(parts[i]);
      out->host = (fs::path(s->liveRoot) / out->key).string();
      out->windows = windows + L"\\" + parts[i];
      return 0;
    }
    std::string next = key.empty() ? found : key + "/" + found;
    if (!last || followLast) {
      auto m = s->meta.find(next);
      if (m != s->meta.end() && !m->second.reparse.empty()) {
        // A link in a shadow copy leads where it led when the copy was made:
        // into the live volume.
        reparse::LinkData link;
        std::wstring target;
        if (reparse::ParseLinkData(m->second.reparse.data(), m->second.reparse.size(), &link))
          target = reparse::LinkTarget(link, windows);
        if (target.empty()) return win::ERROR_PATH_NOT_FOUND;
        for (size_t k = i + 1; k < parts.size(); ++k) target += L"\\" + parts[k];
        *redirect = target;
        return 0;
      }
    }
    if (!last && !s->folders.count(next)) return win::ERROR_PATH_NOT_FOUND;
    key = next;
    windows += L"\\" + text::FromUtf8(found);
  }
  auto kept = s->keptAside.find(key);
  out->key = key;
  out->host = kept != s->keptAside.end() ? kept->second
              : key.empty()               ? s->liveRoot
                                          : (fs::path(s->liveRoot) / key).string();
  out->windows = windows;
  out->exists = true;
  out->directory = s->folders.count(key) > 0;
  return 0;
}

}  // namespace sim
