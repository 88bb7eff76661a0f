// Files and folders of the simulated PC, with the refusals Windows makes:
// a read-only file is not opened for writing, overwritten or deleted; a
// hidden or system file is overwritten only by a caller that names those
// attributes; a write-protected disk takes no change; a volume without a
// file system has no files; a full volume takes no more data; a file the
// running system holds is a sharing violation; a folder is opened only with
// backup semantics.
#include <algorithm>
#include <filesystem>

#include "platform/reparse_data.h"
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

constexpr uint32_t TRUNCATE_EXISTING = 5;
constexpr uint32_t kCluster = 4096;

uint64_t Clusters(uint64_t bytes) { return (bytes + kCluster - 1) / kCluster; }

}  // namespace

Handle SimSystem::OpenFile(const std::wstring& path, uint32_t accessIn, uint32_t disposition, uint32_t flags) {
  auto failed = [&](uint32_t code) {
    lastError_ = code;
    return platform::kInvalidHandle;
  };
  uint32_t access = accessIn;
  if (access & win::GENERIC_ALL) access |= win::GENERIC_READ | win::GENERIC_WRITE | win::DELETE;
  if (disposition < win::CREATE_NEW || disposition > TRUNCATE_EXISTING) return failed(win::ERROR_INVALID_PARAMETER);
  bool creates = disposition != win::OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
  bool write = (access & win::GENERIC_WRITE) != 0;
  Resolved r;
  if (uint32_t err = Resolve(path, creates, !(flags & win::FILE_FLAG_OPEN_REPARSE_POINT), &r)) return failed(err);
  if (uint32_t err = ReadableError(r)) return failed(err);
  const FileFault* fault = r.exists ? FaultOf(r) : nullptr;
  if (fault && fault->denied) return failed(win::ERROR_ACCESS_DENIED);
  // What the running system holds open is readable through a shadow copy only.
  if (fault && fault->inUse && !r.snapshot) return failed(win::ERROR_SHARING_VIOLATION);

  auto o = std::make_shared<Object>(Kind::File);
  o->access = access;
  o->flags = flags;
  o->root = r.root;
  o->key = r.key;
  o->hostPath = r.host;
  o->volume = r.volume;
  o->fault = fault;
  if (r.exists && r.directory) {
    if (!(flags & win::FILE_FLAG_BACKUP_SEMANTICS)) return failed(win::ERROR_ACCESS_DENIED);
    if (disposition == win::CREATE_NEW) return failed(win::ERROR_FILE_EXISTS);
    if (disposition == win::CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) return failed(win::ERROR_ACCESS_DENIED);
    if (write)
      if (uint32_t err = WritableError(r)) return failed(err);
    o->kind = Kind::Directory;
    Handle h = Add(o);
    if (disposition == win::OPEN_ALWAYS) lastError_ = win::ERROR_ALREADY_EXISTS;
    return h;
  }
  bool truncate = disposition == win::CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  if (r.exists) {
    if (disposition == win::CREATE_NEW) return failed(win::ERROR_FILE_EXISTS);
    uint32_t attributes = AttributesOf(r);
    if ((write || truncate) && (attributes & win::FILE_ATTRIBUTE_READONLY)) return failed(win::ERROR_ACCESS_DENIED);
    // Overwriting a hidden or system file takes a caller that asks for the
    // same attributes.
    uint32_t guarded = attributes & (win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM);
    if (disposition == win::CREATE_ALWAYS && (flags & guarded) != guarded) return failed(win::ERROR_ACCESS_DENIED);
    if (write || truncate)
      if (uint32_t err = WritableError(r)) return failed(err);
  } else {
    if (uint32_t err = WritableError(r)) return failed(err);
  }
  if (r.exists && (write || truncate)) KeepAside(r);
  HostFile::Mode mode = truncate       ? HostFile::Mode::TruncateReadWrite
                        : !r.exists    ? HostFile::Mode::CreateReadWrite
                        : write        ? HostFile::Mode::ReadWrite
                                       : HostFile::Mode::Read;
  uint64_t before = 0;
  std::error_code ec;
  if (r.exists) before = fs::file_size(r.host, ec);
  if (!o->file.Open(r.host, mode)) return failed(r.exists ? win::ERROR_ACCESS_DENIED : win::ERROR_PATH_NOT_FOUND);
  // Read from start to end: the cache reads further ahead, as Windows' does.
  if (flags & win::FILE_FLAG_SEQUENTIAL_SCAN) o->file.ReadingSequentially();
  o->size = truncate ? 0 : before;
  if (r.volume && truncate && before) {
    uint64_t& used = UsedBytes(*r.volume);
    used -= std::min(used, Clusters(before) * kCluster);
  }
  if (!r.exists) {
    NewEntry(r, false, flags);
  } else if (truncate) {
    // An overwritten file keeps its creation time and takes the new
    // attributes.
    FileMeta& m = Store(r.root).At(r.key);
    platform::FileTimes t = TimesOf(r);
    m.hasAttributes = true;
    m.attributes = (flags & kSettableAttributes) | win::FILE_ATTRIBUTE_ARCHIVE;
    m.times = {t.creation, NowFileTime(), NowFileTime()};
  }
  Handle h = Add(o);
  if ((disposition == win::CREATE_ALWAYS || disposition == win::OPEN_ALWAYS) && r.exists)
    lastError_ = win::ERROR_ALREADY_EXISTS;
  return h;
}

bool SimSystem::FileRead(Object& o, void* buffer, uint32_t bytes, uint32_t* done) {
  if (o.fault) {
    // A damaged cluster: the read that covers it fails and delivers nothing.
    for (uint64_t bad : o.fault->readErrors)
      if (bad >= o.pos && bad - o.pos < bytes && bad < o.size) return Fail(win::ERROR_CRC);
  }
  size_t got = 0;
  if (!o.file.ReadAt(o.pos, buffer, bytes, &got)) return Fail(win::ERROR_GEN_FAILURE);
  *done = uint32_t(got);
  o.pos += got;
  lastError_ = 0;
  return true;
}

bool SimSystem::FileWrite(Object& o, const void* buffer, uint32_t bytes) {
  uint64_t end = o.pos + bytes;
  uint64_t grows = end > o.size ? Clusters(end) - Clusters(o.size) : 0;
  if (o.volume && grows) {
    uint64_t& used = UsedBytes(*o.volume);
    if (used + grows * kCluster > CapacityBytes(*o.volume)) return Fail(win::ERROR_DISK_FULL);
    used += grows * kCluster;
  }
  if (!o.file.WriteAt(o.pos, buffer, bytes)) return Fail(win::ERROR_GEN_FAILURE);
  if ((o.flags & win::FILE_FLAG_WRITE_THROUGH) && !o.file.Sync()) return Fail(win::ERROR_GEN_FAILURE);
  if (end > o.size) o.size = end;
  o.written = true;
  return true;
}

bool SimSystem::FlushFileBuffers(Handle h) {
  auto o = Get(h);
  if (!o) return Fail(win::ERROR_INVALID_HANDLE);
  // Windows flushes only through a handle that may write.
  if (!(o->access & win::GENERIC_WRITE)) return Fail(win::ERROR_ACCESS_DENIED);
  std::string folder;
  bool fails = false;  // the machine file says this volume's flush fails
  switch (o->kind) {
    case Kind::File:
      if (!o->file.Sync()) return Fail(win::ERROR_GEN_FAILURE);
      lastError_ = 0;
      return true;
    case Kind::Disk:
      if (uint32_t err = disks_[size_t(o->disk)]->Flush()) return Fail(err);
      lastError_ = 0;
      return true;
    case Kind::Volume:
      if (o->volume->gone) return Fail(win::ERROR_NOT_READY);
      fails = o->volume->flushFails;
      if (!fails)
        if (uint32_t err = disks_[size_t(o->volume->disk)]->Flush()) return Fail(err);
      folder = o->volume->hostFolder;
      break;
    case Kind::DriveDevice:
      // A mapped network drive or a CD has no volume here to flush.
      if (o->drive->config.driveType != win::DRIVE_FIXED && o->drive->config.driveType != win::DRIVE_REMOVABLE &&
          o->drive->config.driveType != win::DRIVE_RAMDISK)
        return Fail(win::ERROR_INVALID_FUNCTION);
      fails = o->drive->config.flushFails;
      folder = o->drive->config.files;
      break;
    default:
      return Fail(win::ERROR_INVALID_HANDLE);
  }
  ++volumeFlushes_;
  if (fails) return Fail(win::ERROR_GEN_FAILURE);
  // The volume's files and what the file system keeps beside them.
  SaveFileMetadata();
  std::error_code ec;
  if (!folder.empty() && std::filesystem::is_directory(folder, ec) && !SyncFileSystemOf(folder))
    return Fail(win::ERROR_GEN_FAILURE);
  lastError_ = 0;
  return true;
}

void SimSystem::FileClosed(Object& o) {
  if (!o.written) return;
  // Windows moves the last-write time of a written file, and sets its
  // archive bit, unless the caller set the times itself.
  Resolved r = ResolvedOf(o);
  MetaStore& store = Store(o.root);
  platform::FileTimes t = TimesOf(r);
  uint32_t attributes = AttributesOf(r);
  FileMeta& m = store.At(o.key);
  if (!o.timesSet) m.times = {t.creation, NowFileTime(), NowFileTime()};
  m.hasAttributes = true;
  m.attributes = (attributes & kSettableAttributes) | win::FILE_ATTRIBUTE_ARCHIVE;
}

bool SimSystem::DeleteFile(const std::wstring& path) {
  Resolved r;
  uint32_t err = Resolve(path, false, false, &r);
  if (err) return Fail(err);
  if (uint32_t e = ReadableError(r)) return Fail(e);
  if (r.directory) return Fail(win::ERROR_ACCESS_DENIED);
  if (AttributesOf(r) & win::FILE_ATTRIBUTE_READONLY) return Fail(win::ERROR_ACCESS_DENIED);
  if (const FileFault* f = FaultOf(r)) {
    if (f->denied) return Fail(win::ERROR_ACCESS_DENIED);
    if (f->inUse) return Fail(win::ERROR_SHARING_VIOLATION);
  }
  if (uint32_t e = WritableError(r)) return Fail(e);
  KeepAside(r);
  std::error_code ec;
  uint64_t size = fs::file_size(r.host, ec);
  if (!fs::remove(r.host, ec)) return Fail(win::ERROR_ACCESS_DENIED);
  if (r.volume) {
    uint64_t& used = UsedBytes(*r.volume);
    used -= std::min(used, Clusters(size) * kCluster);
  }
  EntryGone(r);
  lastError_ = 0;
  return true;
}

bool SimSystem::CreateDirectory(const std::wstring& path) {
  Resolved r;
  uint32_t err = Resolve(path, true, false, &r);
  if (err) return Fail(err == win::ERROR_FILE_NOT_FOUND ? win::ERROR_PATH_NOT_FOUND : err);
  if (r.exists) return Fail(win::ERROR_ALREADY_EXISTS);
  if (uint32_t e = ReadableError(r)) return Fail(e);
  if (uint32_t e = WritableError(r)) return Fail(e);
  std::error_code ec;
  if (!fs::create_directory(r.host, ec)) return Fail(win::ERROR_PATH_NOT_FOUND);
  NewEntry(r, true, 0);
  lastError_ = 0;
  return true;
}

bool SimSystem::RemoveDirectory(const std::wstring& path) {
  Resolved r;
  uint32_t err = Resolve(path, false, false, &r);
  if (err) return Fail(err);
  if (uint32_t e = ReadableError(r)) return Fail(e);
  if (!r.directory) return Fail(win::ERROR_DIRECTORY);
  if (r.key.empty()) return Fail(win::ERROR_ACCESS_DENIED);
  if (AttributesOf(r) & win::FILE_ATTRIBUTE_READONLY) return Fail(win::ERROR_ACCESS_DENIED);
  if (uint32_t e = WritableError(r)) return Fail(e);
  std::error_code ec;
  // A junction or link goes alone; a real folder must be empty.
  if (!fs::is_empty(r.host, ec)) return Fail(win::ERROR_DIR_NOT_EMPTY);
  if (!fs::remove(r.host, ec)) return Fail(win::ERROR_ACCESS_DENIED);
  Store(r.root).EraseTree(r.key);
  EntryGone(r);
  lastError_ = 0;
  return true;
}

uint32_t SimSystem::GetFileAttributes(const std::wstring& path) {
  Resolved r;
  uint32_t err = Resolve(path, false, false, &r);
  if (!err) err = ReadableError(r);
  if (err) {
    lastError_ = err;
    return win::INVALID_FILE_ATTRIBUTES;
  }
  lastError_ = 0;
  return AttributesOf(r);
}

bool SimSystem::FindFiles(const std::wstring& pattern, std::vector<platform::FindData>* found) {
  found->clear();
  size_t slash = pattern.rfind(L'\\');
  std::wstring folder = slash == std::wstring::npos ? L"" : pattern.substr(0, slash + 1);
  std::wstring mask = slash == std::wstring::npos ? pattern : pattern.substr(slash + 1);
  Resolved dir;
  uint32_t err = Resolve(folder, false, true, &dir);
  if (!err) err = ReadableError(dir);
  if (err) return Fail(err == win::ERROR_FILE_NOT_FOUND ? win::ERROR_PATH_NOT_FOUND : err);
  if (!dir.directory) return Fail(win::ERROR_PATH_NOT_FOUND);
  if (const FileFault* f = FaultOf(dir); f && f->denied) return Fail(win::ERROR_ACCESS_DENIED);
  // The children as the folder holds them now, or as a shadow copy kept them.
  const std::unordered_map<std::wstring, std::string>* children = nullptr;
  if (dir.snapshot) {
    auto it = dir.snapshot->children.find(dir.key);
    if (it == dir.snapshot->children.end()) return Fail(win::ERROR_PATH_NOT_FOUND);
    children = &it->second;
  } else {
    DirIndex* index = dirs_.Get(dir.host);
    if (!index) return Fail(win::ERROR_PATH_NOT_FOUND);
    AssignShortNames(dir.root, dir.key, dir.host);
    children = &index->names;
  }
  if (!dir.key.empty()) {
    platform::FileTimes t = TimesOf(dir);
    for (const wchar_t* dot : {L".", L".."})
      if (text::WildcardMatch(mask, dot)) found->push_back({dot, win::FILE_ATTRIBUTE_DIRECTORY, 0, L"", t, 0});
  }
  std::vector<std::pair<std::wstring, std::string>> names;  // folded, host name
  names.reserve(children->size());
  for (const auto& [folded, host] : *children)
    if (!(dir.key.empty() && folded.rfind(FoldName(text::Widen(MetaStore::kFileName)), 0) == 0))
      names.emplace_back(folded, host);
  // Directory order on NTFS is by upper-cased name; keep runs repeatable.
  std::sort(names.begin(), names.end());
  std::error_code ec;
  for (const auto& [folded, hostName] : names) {
    Resolved e;
    e.root = dir.root;
    e.volume = dir.volume;
    e.snapshot = dir.snapshot;
    e.key = dir.key.empty() ? hostName : dir.key + "/" + hostName;
    e.exists = true;
    if (dir.snapshot) {
      auto kept = dir.snapshot->keptAside.find(e.key);
      e.host = kept != dir.snapshot->keptAside.end() ? kept->second : (fs::path(dir.root) / e.key).string();
      e.directory = dir.snapshot->folders.count(e.key) > 0;
    } else {
      e.host = (fs::path(dir.host) / hostName).string();
      e.directory = fs::is_directory(e.host, ec);
    }
    platform::FindData fd;
    fd.name = text::FromUtf8(hostName);
    const FileMeta* m = MetaOf(e);
    fd.shortName = m && m->hasShortName ? m->shortName : L"";
    if (!text::WildcardMatch(mask, fd.name) && (fd.shortName.empty() || !text::WildcardMatch(mask, fd.shortName)))
      continue;
    fd.attributes = AttributesOf(e);
    fd.size = e.directory ? 0 : uint64_t(fs::file_size(e.host, ec));
    if (ec) fd.size = 0;
    fd.times = TimesOf(e);
    if (m && !m->reparse.empty()) fd.reparseTag = reparse::TagOf(m->reparse.data(), m->reparse.size());
    found->push_back(std::move(fd));
  }
  if (found->empty()) return Fail(win::ERROR_FILE_NOT_FOUND);
  lastError_ = win::ERROR_NO_MORE_FILES;
  return true;
}

}  // namespace sim
