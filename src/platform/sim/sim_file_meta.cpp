// What the simulated PC keeps per file beyond its bytes: attributes, times,
// security descriptors, short names, reparse points of junctions and
// symbolic links, and the volume label; with the calls that read and set
// them and the injected faults of the machine file.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/reparse_data.h"
#include "platform/sim/security_descriptor.h"
#include "platform/sim/short_names.h"
#include "platform/sim/sim_snapshot.h"
#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace sim {

using platform::Handle;
using Kind = SimSystem::Object::Kind;

namespace {

std::string ParentKey(const std::string& key) {
  size_t slash = key.rfind('/');
  return slash == std::string::npos ? "" : key.substr(0, slash);
}

std::string NameOfKey(const std::string& key) {
  size_t slash = key.rfind('/');
  return slash == std::string::npos ? key : key.substr(slash + 1);
}

std::string FaultKey(const std::string& root, const std::string& key) {
  return root + "|" + text::ToUtf8(FoldName(text::FromUtf8(key)));
}

}  // namespace

SimSystem::~SimSystem() {
  SaveFileMetadata();
  // Shadow copies end with the machine that holds them.
  while (!snapshots_.empty()) DropSnapshot(snapshots_.begin()->first);
}

SimSystem::Resolved SimSystem::ResolvedOf(const Object& o) {
  Resolved r;
  r.root = o.root;
  r.key = o.key;
  r.host = o.hostPath;
  r.volume = o.volume;
  r.exists = true;
  r.directory = o.kind == Kind::Directory;
  return r;
}

void SimSystem::SaveFileMetadata() {
  for (auto& [root, store] : stores_) store->Save();
}

MetaStore& SimSystem::Store(const std::string& root) {
  auto it = stores_.find(root);
  if (it == stores_.end()) it = stores_.emplace(root, std::make_unique<MetaStore>(root)).first;
  return *it->second;
}

const FileMeta* SimSystem::MetaOf(const Resolved& r) {
  if (r.snapshot) {
    auto it = r.snapshot->meta.find(r.key);
    return it == r.snapshot->meta.end() ? nullptr : &it->second;
  }
  return Store(r.root).Find(r.key);
}

uint64_t SimSystem::NowFileTime() {
  if (!clock_.IsVirtual()) {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
    return FileTimeFromUnix(ns / 1000000000, uint32_t(ns % 1000000000));
  }
  return FileTimeFromUnix(int64_t(clock_.Now()), uint32_t(clock_.Micros() % 1000000) * 1000);
}

uint32_t SimSystem::AttributesOf(const Resolved& r) {
  const FileMeta* m = MetaOf(r);
  uint32_t a = m && m->hasAttributes ? m->attributes : (r.directory ? 0 : win::FILE_ATTRIBUTE_ARCHIVE);
  if (r.directory) a |= win::FILE_ATTRIBUTE_DIRECTORY;
  if (m && !m->reparse.empty()) a |= win::FILE_ATTRIBUTE_REPARSE_POINT;
  return a ? a : win::FILE_ATTRIBUTE_NORMAL;
}

platform::FileTimes SimSystem::TimesOf(const Resolved& r) {
  const FileMeta* m = MetaOf(r);
  platform::FileTimes t = m ? m->times : platform::FileTimes{};
  if (!t.creation || !t.lastAccess || !t.lastWrite) {
    uint64_t host = HostWriteTime(r.host);
    if (!t.creation) t.creation = host;
    if (!t.lastAccess) t.lastAccess = host;
    if (!t.lastWrite) t.lastWrite = host;
  }
  return t;
}

void SimSystem::AssignShortNames(const std::string& root, const std::string& folderKey, const std::string& hostFolder) {
  DirIndex* index = dirs_.Get(hostFolder);
  if (!index) return;
  MetaStore& store = Store(root);
  auto keyOf = [&](const std::string& name) { return folderKey.empty() ? name : folderKey + "/" + name; };
  if (!index->shortNamesKnown) {
    index->shortNames.clear();
    for (const auto& [folded, host] : index->names) {
      if (IsLegal83(folded)) index->shortNames.insert(folded);
      const FileMeta* m = store.Find(keyOf(host));
      if (m && m->hasShortName && !m->shortName.empty()) index->shortNames.insert(FoldName(m->shortName));
    }
    index->shortNamesKnown = true;
  }
  // Names the file system has not given a short name yet get one, in the
  // folder's order.
  std::vector<std::pair<std::wstring, std::string>> pending;
  for (const auto& [folded, host] : index->names) {
    if (IsLegal83(folded) || (folderKey.empty() && folded.rfind(L"$VEKTREL.META", 0) == 0)) continue;
    const FileMeta* m = store.Find(keyOf(host));
    if (!m || !m->hasShortName) pending.emplace_back(folded, host);
  }
  std::sort(pending.begin(), pending.end());
  for (const auto& [folded, host] : pending) {
    std::wstring s = GenerateShortName(text::FromUtf8(host),
                                       [&](const std::wstring& c) { return index->shortNames.count(FoldName(c)) > 0; });
    FileMeta& m = store.At(keyOf(host));
    m.hasShortName = true;
    m.shortName = s;
    if (!s.empty()) index->shortNames.insert(FoldName(s));
  }
}

std::wstring SimSystem::ShortNameOf(const Resolved& r) {
  if (r.key.empty()) return L"";
  const FileMeta* m = MetaOf(r);
  if ((!m || !m->hasShortName) && !r.snapshot) {
    AssignShortNames(r.root, ParentKey(r.key), fs::path(r.host).parent_path().string());
    m = MetaOf(r);
  }
  return m && m->hasShortName ? m->shortName : L"";
}

uint32_t SimSystem::ReadableError(const Resolved& r) {
  if (!r.volume) return 0;
  if (r.volume->gone) return win::ERROR_NOT_READY;
  if (r.volume->locked) return win::ERROR_ACCESS_DENIED;
  if (FileSystemOf(*r.volume).empty()) return win::ERROR_UNRECOGNIZED_VOLUME;
  return 0;
}

uint32_t SimSystem::WritableError(const Resolved& r) {
  if (r.snapshot) return win::ERROR_WRITE_PROTECT;  // shadow copies are read-only
  if (!r.volume) return 0;
  if (uint32_t err = ReadableError(r)) return err;
  if (disks_[size_t(r.volume->disk)]->Config().writeProtected) return win::ERROR_WRITE_PROTECT;
  return 0;
}

void SimSystem::NewEntry(const Resolved& r, bool directory, uint32_t attributes) {
  MetaStore& store = Store(r.root);
  std::string parentHost = fs::path(r.host).parent_path().string();
  std::string name = NameOfKey(r.key);
  dirs_.Added(parentHost, name, directory);
  FileMeta& m = store.At(r.key);
  m = FileMeta{};
  uint64_t now = NowFileTime();
  m.times = {now, now, now};
  if (!directory) {
    m.hasAttributes = true;
    m.attributes = (attributes & kSettableAttributes) | win::FILE_ATTRIBUTE_ARCHIVE;
  }
  // The short name is made with the file, as the file system does.
  if (!IsLegal83(text::FromUtf8(name))) AssignShortNames(r.root, ParentKey(r.key), parentHost);
  // Adding an entry changes its folder.
  std::string parentKey = ParentKey(r.key);
  const FileMeta* parent = store.Find(parentKey);
  if (parent && parent->times.lastWrite) store.At(parentKey).times.lastWrite = now;
}

void SimSystem::EntryGone(const Resolved& r) {
  MetaStore& store = Store(r.root);
  std::string parentHost = fs::path(r.host).parent_path().string();
  dirs_.Removed(parentHost, NameOfKey(r.key));
  store.Erase(r.key);
  std::string parentKey = ParentKey(r.key);
  const FileMeta* parent = store.Find(parentKey);
  if (parent && parent->times.lastWrite) store.At(parentKey).times.lastWrite = NowFileTime();
}

uint64_t& SimSystem::UsedBytes(const SimVolume& v) {
  auto it = usedBytes_.find(v.hostFolder);
  if (it == usedBytes_.end()) it = usedBytes_.emplace(v.hostFolder, UsedBytesOfFolder(v.hostFolder)).first;
  return it->second;
}

std::string SimSystem::FileSystemOf(const SimVolume& v) {
  SimDisk& d = *disks_[size_t(v.disk)];
  // Looked at again after a mount as well: a disk changed from outside is
  // mounted anew.
  if (fileSystemsMounted_ != mounts_->Generation()) {
    fileSystems_.clear();
    fileSystemsMounted_ = mounts_->Generation();
  }
  auto it = fileSystems_.find(v.name);
  if (it != fileSystems_.end() && it->second.first == d.writes) return it->second.second;
  std::string name = v.FileSystem(d);
  fileSystems_[v.name] = {d.writes, name};
  return name;
}

const SimSystem::FileFault* SimSystem::FaultOf(const Resolved& r) {
  if (config_.fileFaults.empty()) return nullptr;
  // The faults name files by drive letter: found again after each mount.
  if (faultsMounted_ != mounts_->Generation()) {
    fileFaults_.clear();
    AddFileFaults();
    faultsMounted_ = mounts_->Generation();
  }
  auto it = fileFaults_.find(FaultKey(r.root, r.key));
  return it == fileFaults_.end() ? nullptr : &it->second;
}

void SimSystem::AddFileFaults() {
  for (const FileFaultConfig& f : config_.fileFaults) {
    std::string root;
    std::wstring rest;
    std::shared_ptr<SimVolume> v;
    if (!SplitPath(f.path, &root, &rest, &v)) continue;
    std::string key;
    for (wchar_t c : rest) {
      if (c == L'\\' || c == L'/') {
        if (!key.empty() && key.back() != '/') key.push_back('/');
      } else {
        key += text::ToUtf8(std::wstring(1, c));
      }
    }
    while (!key.empty() && key.back() == '/') key.pop_back();
    FileFault& fault = fileFaults_[FaultKey(root, key)];
    fault.inUse |= f.inUse;
    fault.denied |= f.denied;
    fault.readErrors.insert(fault.readErrors.end(), f.readErrors.begin(), f.readErrors.end());
  }
}

bool SimSystem::SetFileAttributes(const std::wstring& path, uint32_t attributes) {
  Resolved r;
  if (uint32_t err = Resolve(path, false, false, &r)) return Fail(err);
  if (uint32_t err = WritableError(r)) return Fail(err);
  if (const FileFault* f = FaultOf(r); f && f->denied) return Fail(win::ERROR_ACCESS_DENIED);
  FileMeta& m = Store(r.root).At(r.key);
  m.hasAttributes = true;
  m.attributes = attributes & kSettableAttributes;
  lastError_ = 0;
  return true;
}

bool SimSystem::GetFileSecurity(const std::wstring& path, uint32_t information, std::vector<uint8_t>* descriptor) {
  if (information & kSaclSecurityInformation) return Fail(win::ERROR_PRIVILEGE_NOT_HELD);
  Resolved r;
  if (uint32_t err = Resolve(path, false, true, &r)) return Fail(err);
  if (uint32_t err = ReadableError(r)) return Fail(err);
  if (const FileFault* f = FaultOf(r); f && f->denied) return Fail(win::ERROR_ACCESS_DENIED);
  const FileMeta* m = MetaOf(r);
  std::vector<uint8_t> stored = m && !m->security.empty() ? m->security : DefaultSecurity(r.directory);
  SecurityParts parts;
  if (!ParseSecurity(stored.data(), stored.size(), &parts)) return Fail(win::ERROR_INVALID_SECURITY_DESCR);
  *descriptor = BuildSecurity(SelectSecurity(parts, information));
  lastError_ = 0;
  return true;
}

bool SimSystem::SetFileSecurity(const std::wstring& path, uint32_t information,
                                const std::vector<uint8_t>& descriptor) {
  SecurityParts update;
  if (!ParseSecurity(descriptor.data(), descriptor.size(), &update)) return Fail(win::ERROR_INVALID_SECURITY_DESCR);
  if (information & kSaclSecurityInformation) return Fail(win::ERROR_PRIVILEGE_NOT_HELD);
  Resolved r;
  if (uint32_t err = Resolve(path, false, true, &r)) return Fail(err);
  if (uint32_t err = WritableError(r)) return Fail(err);
  if (const FileFault* f = FaultOf(r); f && f->denied) return Fail(win::ERROR_ACCESS_DENIED);
  const FileMeta* m = MetaOf(r);
  std::vector<uint8_t> stored = m && !m->security.empty() ? m->security : DefaultSecurity(r.directory);
  SecurityParts parts;
  ParseSecurity(stored.data(), stored.size(), &parts);
  MergeSecurity(&parts, update, information);
  Store(r.root).At(r.key).security = BuildSecurity(parts);
  lastError_ = 0;
  return true;
}

std::wstring SimSystem::GetShortPathName(const std::wstring& path) {
  Resolved whole;
  if (uint32_t err = Resolve(path, false, true, &whole)) {
    lastError_ = err;
    return L"";
  }
  // Each component in its short form, as the folders that hold them list
  // it; the root part stays as given.
  std::wstring head = path;
  std::vector<std::wstring> parts;
  while (true) {
    size_t slash = head.rfind(L'\\');
    if (slash == std::wstring::npos || slash + 1 == head.size() || head.substr(0, slash).empty()) break;
    std::wstring prefix = head.substr(0, slash);
    Resolved probe;
    if (Resolve(prefix, false, true, &probe) != 0) break;
    parts.push_back(head.substr(slash + 1));
    head = prefix;
    if (probe.key.empty()) break;
  }
  std::wstring out = head;
  std::wstring walked = head;
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
    walked += L"\\" + *it;
    Resolved r;
    if (Resolve(walked, false, false, &r) != 0) {
      lastError_ = win::ERROR_FILE_NOT_FOUND;
      return L"";
    }
    std::wstring s = ShortNameOf(r);
    out += L"\\" + (s.empty() ? text::FromUtf8(NameOfKey(r.key)) : s);
  }
  lastError_ = 0;
  return out;
}

std::wstring SimSystem::GetFinalPathName(const std::wstring& path) {
  Resolved r;
  if (uint32_t err = Resolve(path, false, true, &r)) {
    lastError_ = err;
    return L"";
  }
  std::wstring where = r.windows;
  // A volume reached by its name is told by its drive letter, as the DOS
  // form does; a volume without one keeps its name.
  if (text::StartsWithIgnoreCase(where, L"\\\\?\\Volume{") && r.volume && r.volume->letter) {
    size_t close = where.find(L'}');
    where = std::wstring{r.volume->letter, L':'} + where.substr(close + 1);
  }
  if (where.size() == 2 && where[1] == L':') where += L"\\";
  lastError_ = 0;
  if (text::StartsWithIgnoreCase(where, L"\\\\?\\")) return where;
  if (where.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + where.substr(2);
  return L"\\\\?\\" + where;
}

bool SimSystem::SetFileShortName(Handle h, const std::wstring& shortName) {
  auto o = Get(h);
  if (!o || (o->kind != Kind::File && o->kind != Kind::Directory)) return Fail(win::ERROR_INVALID_HANDLE);
  if (!(o->access & win::GENERIC_WRITE) || !(o->access & win::DELETE) ||
      !(o->flags & win::FILE_FLAG_BACKUP_SEMANTICS))
    return Fail(win::ERROR_ACCESS_DENIED);
  Resolved r = ResolvedOf(*o);
  if (r.key.empty()) return Fail(win::ERROR_INVALID_PARAMETER);
  if (uint32_t err = WritableError(r)) return Fail(err);
  // Only NTFS keeps short names apart from the long ones.
  if (!r.volume || FileSystemOf(*r.volume) != "NTFS")
    return Fail(win::ERROR_INVALID_PARAMETER);
  std::wstring wanted = FoldName(shortName);
  if (!wanted.empty() && !IsLegal83(wanted)) return Fail(win::ERROR_INVALID_PARAMETER);
  std::string parentHost = fs::path(r.host).parent_path().string();
  AssignShortNames(r.root, ParentKey(r.key), parentHost);
  DirIndex* index = dirs_.Get(parentHost);
  std::wstring current = ShortNameOf(r);
  std::wstring ownLong = FoldName(text::FromUtf8(NameOfKey(r.key)));
  if (!wanted.empty() && wanted != FoldName(current) && index) {
    // Unique among the folder's long and short names.
    if ((index->names.count(wanted) && wanted != ownLong) || index->shortNames.count(wanted))
      return Fail(win::ERROR_ALREADY_EXISTS);
  }
  if (index && !current.empty()) index->shortNames.erase(FoldName(current));
  if (index && !wanted.empty()) index->shortNames.insert(wanted);
  FileMeta& m = Store(r.root).At(r.key);
  m.hasShortName = true;
  m.shortName = wanted == ownLong ? L"" : wanted;
  lastError_ = 0;
  return true;
}

bool SimSystem::GetFileTime(Handle h, platform::FileTimes* times) {
  auto o = Get(h);
  if (!o || (o->kind != Kind::File && o->kind != Kind::Directory)) return Fail(win::ERROR_INVALID_HANDLE);
  *times = TimesOf(ResolvedOf(*o));
  lastError_ = 0;
  return true;
}

bool SimSystem::SetFileTime(Handle h, const platform::FileTimes& times) {
  auto o = Get(h);
  if (!o || (o->kind != Kind::File && o->kind != Kind::Directory)) return Fail(win::ERROR_INVALID_HANDLE);
  if (!(o->access & win::GENERIC_WRITE)) return Fail(win::ERROR_ACCESS_DENIED);
  Resolved r = ResolvedOf(*o);
  if (uint32_t err = WritableError(r)) return Fail(err);
  platform::FileTimes t = TimesOf(r);
  if (times.creation) t.creation = times.creation;
  if (times.lastAccess) t.lastAccess = times.lastAccess;
  if (times.lastWrite) t.lastWrite = times.lastWrite;
  Store(r.root).At(r.key).times = t;
  o->timesSet = true;
  lastError_ = 0;
  return true;
}

bool SimSystem::GetFileSize(Handle h, uint64_t* size) {
  auto o = Get(h);
  if (!o || o->kind != Kind::File) return Fail(win::ERROR_INVALID_HANDLE);
  *size = o->size;
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
  std::string fsName = FileSystemOf(*v);
  if (fsName.empty()) return Fail(win::ERROR_UNRECOGNIZED_VOLUME);
  MetaStore& store = Store(v->hostFolder);
  if (store.HasLabel()) {
    *label = store.Label();
  } else if (fsName == "FAT" || fsName == "FAT32") {
    // A FAT volume made elsewhere keeps its label in the boot sector.
    uint8_t s[512];
    if (disk.Read(v->startLba * 512, s, 512) == 0) {
      size_t at = fsName == "FAT32" ? 71 : 43;
      std::string l(reinterpret_cast<const char*>(s + at), 11);
      while (!l.empty() && l.back() == ' ') l.pop_back();
      if (l != "NO NAME") *label = text::Widen(l);
    }
  }
  lastError_ = 0;
  return true;
}

bool SimSystem::SetVolumeLabel(const std::wstring& root, const std::wstring& labelIn) {
  std::shared_ptr<SimVolume> v;
  const SimDrive* d;
  if (IsSnapshotRoot(root)) return Fail(win::ERROR_WRITE_PROTECT);
  if (!VolumeRootOf(root, &v, &d)) return Fail(win::ERROR_PATH_NOT_FOUND);
  if (d) return Fail(win::ERROR_ACCESS_DENIED);
  Resolved r;
  r.volume = v;
  if (uint32_t err = WritableError(r)) return Fail(err);
  std::string fsName = FileSystemOf(*v);
  std::wstring label = labelIn;
  if (fsName == "NTFS" || fsName == "exFAT") {
    if (label.size() > (fsName == "NTFS" ? 32u : 11u)) return Fail(win::ERROR_LABEL_TOO_LONG);
  } else {
    // FAT keeps 11 characters in upper case, without the ones its names
    // cannot hold.
    label = FoldName(label);
    if (label.size() > 11) return Fail(win::ERROR_LABEL_TOO_LONG);
    for (wchar_t c : label)
      if (c < 32 || std::wstring(L"*?.,;:/\\|+=<>[]\"").find(c) != std::wstring::npos)
        return Fail(win::ERROR_INVALID_NAME);
  }
  Store(v->hostFolder).SetLabel(label);
  lastError_ = 0;
  return true;
}

bool SimSystem::ReparseIoctl(Object& o, uint32_t code, const uint8_t* in, uint32_t inBytes, uint8_t* out,
                             uint32_t outBytes, uint32_t* returned) {
  Resolved r = ResolvedOf(o);
  const FileMeta* m = MetaOf(r);
  if (code == win::FSCTL_GET_REPARSE_POINT) {
    if (!m || m->reparse.empty()) return Fail(win::ERROR_NOT_A_REPARSE_POINT);
    if (outBytes < 8 || !out) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
    uint32_t n = uint32_t(std::min<size_t>(outBytes, m->reparse.size()));
    std::memcpy(out, m->reparse.data(), n);
    *returned = n;
    if (n < m->reparse.size()) return Fail(win::ERROR_MORE_DATA);
    return true;
  }
  // FSCTL_SET_REPARSE_POINT: NTFS only, on a handle that may write, with
  // data whose lengths agree; a junction goes on an empty folder.
  if (!(o.access & win::GENERIC_WRITE)) return Fail(win::ERROR_ACCESS_DENIED);
  if (uint32_t err = WritableError(r)) return Fail(err);
  if (!r.volume || FileSystemOf(*r.volume) != "NTFS")
    return Fail(win::ERROR_INVALID_FUNCTION);
  if (!in || inBytes < 8 || inBytes > win::MAXIMUM_REPARSE_DATA_BUFFER_SIZE ||
      size_t(bytes::Get16(in + 4)) + 8 != inBytes)
    return Fail(win::ERROR_INVALID_REPARSE_DATA);
  uint32_t tag = bytes::Get32(in);
  if (tag == win::IO_REPARSE_TAG_MOUNT_POINT || tag == win::IO_REPARSE_TAG_SYMLINK) {
    reparse::LinkData link;
    if (!reparse::ParseLinkData(in, inBytes, &link)) return Fail(win::ERROR_INVALID_REPARSE_DATA);
    if (tag == win::IO_REPARSE_TAG_MOUNT_POINT) {
      if (!r.directory) return Fail(win::ERROR_INVALID_PARAMETER);
      if (link.substituteName.rfind(L"\\??\\", 0) != 0) return Fail(win::ERROR_INVALID_REPARSE_DATA);
    }
  }
  std::error_code ec;
  if (r.directory && !fs::is_empty(r.host, ec)) return Fail(win::ERROR_DIR_NOT_EMPTY);
  if (m && !m->reparse.empty() && reparse::TagOf(m->reparse.data(), m->reparse.size()) != tag)
    return Fail(win::ERROR_REPARSE_ATTRIBUTE_CONFLICT);
  Store(r.root).At(r.key).reparse.assign(in, in + inBytes);
  return true;
}

}  // namespace sim
