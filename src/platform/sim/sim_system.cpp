#include "platform/sim/sim_system.h"

#include <cstring>
#include <filesystem>

#include "platform/compiler.h"
#include "platform/sim/sim_layout.h"
#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace sim {

using platform::Handle;
using Kind = SimSystem::Object::Kind;

SimSystem::SimSystem(const MachineConfig& config)
    : config_(config), clock_(config.virtualClock, config.startTime) {}

std::unique_ptr<SimSystem> SimSystem::Create(const MachineConfig& config, std::string* error) {
  std::unique_ptr<SimSystem> s(new SimSystem(config));
  for (const DiskConfig& dc : config.disks) {
    auto d = std::make_unique<SimDisk>(dc, &s->clock_);
    if (!dc.missing && !d->Open(error)) return nullptr;
    // One file cannot be two drives: a second copy of the system disk
    // would slip past every guard on the first.
    // (A drive that is missing was never opened and has no identity.)
    const FileIdentity* id = d->Identity();
    for (size_t k = 0; id && id->file && k < s->disks_.size(); ++k) {
      const FileIdentity* other = s->disks_[k]->Identity();
      if (!other || *other != *id) continue;
      *error = "disk images " + s->disks_[k]->Config().image + " (drive " + std::to_string(k) + ") and " + dc.image +
               " (drive " + std::to_string(s->disks_.size()) + ") are the same file";
      return nullptr;
    }
    s->disks_.push_back(std::move(d));
  }
  for (const RegistrySeed& r : config.registry) s->registry_.Set(r.key, r.name, RegValue{r.type, r.data});
  for (const std::wstring& k : config.deniedKeys) s->registry_.Deny(k);
  // The disk service counts the disks it drives, unless the machine says otherwise.
  SimSystem* self = s.get();
  s->registry_.SetComputed(L"HKLM\\SYSTEM\\CurrentControlSet\\Services\\disk\\Enum", L"Count", [self]() {
    uint32_t present = 0;
    for (auto& d : self->disks_) present += d->Config().missing ? 0 : 1;
    uint32_t n = self->config_.diskCount >= 0 ? uint32_t(self->config_.diskCount) : present;
    return RegValue{win::REG_DWORD, {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)}};
  });
  s->mounts_ = std::make_unique<SimMountManager>(&s->config_, &s->disks_);
  s->mounts_->Mount();
  if (config.anotherInstance) s->mutexes_.insert(L"LOCAL\\{B5436CCA-6E9F-4428-B6D3-D4574B80AC03}");
  return s;
}

Handle SimSystem::Add(std::shared_ptr<Object> o) {
  Handle h = nextHandle_;
  nextHandle_ += 4;
  objects_[h] = std::move(o);
  lastError_ = 0;
  return h;
}

thread_local uint32_t SimSystem::lastError_ = 0;

std::shared_ptr<SimSystem::Object> SimSystem::Get(Handle h) {
  auto it = objects_.find(h);
  return it == objects_.end() ? nullptr : it->second;
}

bool SimSystem::Fail(uint32_t code) {
  lastError_ = code;
  return false;
}

Handle SimSystem::CreateFile(const std::wstring& path, uint32_t access, uint32_t, uint32_t disposition,
                             uint32_t flags) {
  auto failed = [&](uint32_t code) {
    lastError_ = code;
    return platform::kInvalidHandle;
  };
  if (text::StartsWithIgnoreCase(path, L"\\\\.\\PhysicalDrive")) {
    std::wstring digits = path.substr(17);
    if (digits.empty() || digits.size() > 6) return failed(win::ERROR_FILE_NOT_FOUND);
    uint64_t n = 0;
    for (wchar_t c : digits) {
      if (c < L'0' || c > L'9') return failed(win::ERROR_FILE_NOT_FOUND);
      n = n * 10 + uint64_t(c - L'0');
    }
    if (n >= disks_.size() || disks_[size_t(n)]->Config().missing) return failed(win::ERROR_FILE_NOT_FOUND);
    auto o = std::make_shared<Object>(Kind::Disk);
    o->disk = int(n);
    o->access = access;
    o->flags = flags;
    return Add(o);
  }
  if (path.size() == 6 && text::StartsWithIgnoreCase(path, L"\\\\.\\") && path[5] == L':') {
    wchar_t letter = text::UpperAscii(path[4]);
    if (auto v = mounts_->ByLetter(letter)) {
      auto o = std::make_shared<Object>(Kind::Volume);
      o->volume = v;
      o->disk = v->disk;
      o->access = access;
      o->flags = flags;
      return Add(o);
    }
    if (const SimDrive* d = mounts_->DriveByLetter(letter)) {
      auto o = std::make_shared<Object>(Kind::DriveDevice);
      o->drive = d;
      o->access = access;
      return Add(o);
    }
    return failed(win::ERROR_FILE_NOT_FOUND);
  }
  if (text::StartsWithIgnoreCase(path, L"\\\\?\\Volume{")) {
    size_t close = path.find(L'}');
    if (close != std::wstring::npos && (close + 1 == path.size() || close + 2 == path.size())) {
      auto v = mounts_->ByName(path.substr(0, close + 1));
      if (!v) return failed(win::ERROR_FILE_NOT_FOUND);
      // With the trailing backslash this is the root folder, which Windows
      // opens only with backup semantics; device requests reach the volume.
      if (close + 2 == path.size() && !(flags & win::FILE_FLAG_BACKUP_SEMANTICS))
        return failed(win::ERROR_ACCESS_DENIED);
      auto o = std::make_shared<Object>(Kind::Volume);
      o->volume = v;
      o->disk = v->disk;
      o->access = access;
      o->flags = flags;
      return Add(o);
    }
  }
  if (text::StartsWithIgnoreCase(path, L"\\\\.\\pipe\\")) return OpenPipe(path, access);
  if (text::StartsWithIgnoreCase(path, L"\\\\.\\")) return failed(win::ERROR_FILE_NOT_FOUND);

  // A file or folder in a volume, a mapped drive or the program's folder.
  return OpenFile(path, access, disposition, flags);
}

bool SimSystem::CloseHandle(Handle h) {
  auto o = Get(h);
  if (!o) return Fail(win::ERROR_INVALID_HANDLE);
  if (o->holdsLock && o->volume) o->volume->locked = false;
  if (o->kind == Kind::File) FileClosed(*o);
  if (o->kind == Kind::Pipe) PipeClosed(*o);
  objects_.erase(h);
  lastError_ = 0;
  return true;
}

bool SimSystem::SetFilePointer(Handle h, uint64_t byteOffset) {
  auto o = Get(h);
  if (!o) return Fail(win::ERROR_INVALID_HANDLE);
  // Windows takes the offset as a signed number.
  if (byteOffset > uint64_t(INT64_MAX)) return Fail(win::ERROR_NEGATIVE_SEEK);
  o->pos = byteOffset;
  return true;
}

bool SimSystem::RawWriteAllowed(int disk, uint64_t lba, uint64_t count, const Object* writer) {
  // Windows refuses raw writes into a mounted file system that is neither
  // locked nor dismounted by the writer; a RAW volume has nothing to protect.
  for (auto& v : mounts_->Volumes()) {
    if (v->gone || v->disk != disk) continue;
    if (!(lba < v->startLba + v->lengthSectors && v->startLba < lba + count)) continue;
    if (v->locked) continue;
    if (writer && writer->volume == v && writer->dismounted) continue;
    if (!v->FileSystem(*disks_[size_t(v->disk)]).empty()) return false;
  }
  return true;
}

uint64_t SimSystem::VolumeTransferLimit(const Object& o) {
  const SimVolume& v = *o.volume;
  uint64_t limit = v.lengthSectors * 512;
  if (o.extendedDasd || o.dismounted) return limit;
  uint8_t boot[512];
  if (disks_[size_t(v.disk)]->Read(v.startLba * 512, boot, 512) != 0) return limit;
  uint64_t fsSectors = FileSystemSectorsOfBootSector(boot);
  return fsSectors && fsSectors < v.lengthSectors ? fsSectors * 512 : limit;
}

bool SimSystem::ReadFile(Handle h, void* buffer, uint32_t bytes, uint32_t* done) {
  *done = 0;
  auto o = Get(h);
  if (!o) return Fail(win::ERROR_INVALID_HANDLE);
  if (!(o->access & win::GENERIC_READ)) return Fail(win::ERROR_ACCESS_DENIED);
  switch (o->kind) {
    case Kind::Disk: {
      uint32_t err = disks_[size_t(o->disk)]->Read(o->pos, buffer, bytes, o->ReadsUncached());
      if (err) return Fail(err);
      break;
    }
    case Kind::Volume: {
      SimVolume& v = *o->volume;
      if (v.gone) return Fail(win::ERROR_NOT_READY);
      uint64_t limit = VolumeTransferLimit(*o);
      if (o->pos >= limit || bytes > limit - o->pos) return Fail(win::ERROR_SECTOR_NOT_FOUND);
      uint32_t err = disks_[size_t(v.disk)]->Read(v.startLba * 512 + o->pos, buffer, bytes, o->ReadsUncached());
      if (err) return Fail(err);
      break;
    }
    case Kind::File:
      return FileRead(*o, buffer, bytes, done);
    case Kind::Pipe:
      return PipeRead(*o, buffer, bytes, done);
    default:
      return Fail(win::ERROR_INVALID_FUNCTION);
  }
  *done = bytes;
  o->pos += bytes;
  lastError_ = 0;
  return true;
}

bool SimSystem::WriteFile(Handle h, const void* buffer, uint32_t bytes, uint32_t* done) {
  *done = 0;
  auto o = Get(h);
  if (!o) return Fail(win::ERROR_INVALID_HANDLE);
  if (!(o->access & win::GENERIC_WRITE)) return Fail(win::ERROR_ACCESS_DENIED);
  switch (o->kind) {
    case Kind::Disk: {
      SimDisk& d = *disks_[size_t(o->disk)];
      if (!d.Config().writeProtected && o->pos % 512 == 0 &&
          !RawWriteAllowed(o->disk, o->pos / 512, (uint64_t(bytes) + 511) / 512, o.get()))
        return Fail(win::ERROR_ACCESS_DENIED);
      uint32_t err = d.Write(o->pos, buffer, bytes, o->WritesUncached());
      if (err) return Fail(err);
      break;
    }
    case Kind::Volume: {
      SimVolume& v = *o->volume;
      if (v.gone) return Fail(win::ERROR_NOT_READY);
      uint64_t limit = VolumeTransferLimit(*o);
      if (o->pos >= limit || bytes > limit - o->pos) return Fail(win::ERROR_SECTOR_NOT_FOUND);
      SimDisk& d = *disks_[size_t(v.disk)];
      if (!d.Config().writeProtected && !v.locked && !o->dismounted && !v.FileSystem(d).empty())
        return Fail(win::ERROR_ACCESS_DENIED);
      uint32_t err = d.Write(v.startLba * 512 + o->pos, buffer, bytes, o->WritesUncached());
      if (err) return Fail(err);
      break;
    }
    case Kind::File:
      if (!FileWrite(*o, buffer, bytes)) return false;
      break;
    case Kind::Pipe:
      if (!PipeWrite(*o, buffer, bytes)) return false;
      break;
    default:
      return Fail(win::ERROR_INVALID_FUNCTION);
  }
  *done = bytes;
  o->pos += bytes;
  lastError_ = 0;
  return true;
}

// ---- registry

long SimSystem::RegCreateKey(uint32_t root, const std::wstring& subKey, uint32_t access, Handle* key) {
  *key = platform::kNullHandle;
  std::wstring path = SimRegistry::KeyPath(root, subKey);
  if (registry_.IsDenied(path)) return long(win::ERROR_ACCESS_DENIED);
  registry_.CreateKey(path);
  auto o = std::make_shared<Object>(Kind::RegKey);
  o->regKey = path;
  o->regWritable = (access & win::KEY_SET_VALUE) != 0;
  *key = Add(o);
  return 0;
}

long SimSystem::RegQueryValue(Handle key, const std::wstring& name, uint32_t* type, std::vector<uint8_t>* data,
                              uint32_t maxBytes) {
  auto o = Get(key);
  if (!o || o->kind != Kind::RegKey) return long(win::ERROR_INVALID_HANDLE);
  RegValue v;
  if (!registry_.Get(o->regKey, name, &v)) return long(win::ERROR_FILE_NOT_FOUND);
  if (v.data.size() > maxBytes) return long(win::ERROR_MORE_DATA);
  *type = v.type;
  *data = v.data;
  return 0;
}

long SimSystem::RegSetValue(Handle key, const std::wstring& name, uint32_t type, const std::vector<uint8_t>& data) {
  auto o = Get(key);
  if (!o || o->kind != Kind::RegKey) return long(win::ERROR_INVALID_HANDLE);
  if (!o->regWritable) return long(win::ERROR_ACCESS_DENIED);
  registry_.Set(o->regKey, name, RegValue{type, data});
  return 0;
}

long SimSystem::RegCloseKey(Handle key) {
  auto o = Get(key);
  if (!o || o->kind != Kind::RegKey) return long(win::ERROR_INVALID_HANDLE);
  objects_.erase(key);
  return 0;
}

// ---- processes

platform::MutexResult SimSystem::CreateMutex(const std::wstring& name) {
  platform::MutexResult r;
  auto o = std::make_shared<Object>(Kind::Mutex);
  o->mutexName = text::UpperAscii(name);
  bool existed = !mutexes_.insert(o->mutexName).second;
  r.handle = Add(o);
  r.error = existed ? win::ERROR_ALREADY_EXISTS : 0;
  lastError_ = r.error;
  return r;
}

platform::OsVersion SimSystem::GetVersion() {
  platform::OsVersion v;
  v.major = config_.versionMajor;
  v.minor = config_.versionMinor;
  v.build = config_.build;
  v.platformId = win::VER_PLATFORM_WIN32_NT;
  return v;
}

void SimSystem::ExitProcess(uint32_t code) { throw platform::ProcessExit{code}; }

bool SimSystem::ExitWindows(uint32_t flags, uint32_t reason) {
  started_.push_back({L"ExitWindows", L"", text::Dec(uint64_t(flags)) + L" " + text::Dec(uint64_t(reason)), L"",
                      L"", 0, true});
  return true;
}

std::tm SimSystem::LocalTime(std::time_t t) {
  // The simulated machine keeps its clock in UTC.
  std::tm out{};
#ifdef _WIN32
  gmtime_s(&out, &t);
#else
  gmtime_r(&t, &out);
#endif
  return out;
}

uint32_t SimSystem::SetThreadExecutionState(uint32_t flags) {
  ++executionStateCalls_;
  return flags | win::ES_CONTINUOUS;
}

platform::Cursor SimSystem::SetCursor(platform::Cursor c) {
  platform::Cursor old = cursor_;
  cursor_ = c;
  return old;
}

VEKTREL_WRAPS void SimSystem::CreateGuid(uint8_t out[16]) {
  // Deterministic: tests compare layouts written twice.
  uint64_t a = 0x9E3779B97F4A7C15ull * ++guidCounter_ + 0x0123456789ABCDEFull;
  uint64_t b = (a ^ (a >> 29)) * 0xBF58476D1CE4E5B9ull;
  for (int i = 0; i < 8; ++i) {
    out[i] = uint8_t(a >> (8 * i));
    out[8 + i] = uint8_t(b >> (8 * i));
  }
  out[7] = uint8_t((out[7] & 0x0F) | 0x40);
  out[8] = uint8_t((out[8] & 0x3F) | 0x80);
}

std::wstring SimSystem::SimulationName() {
  std::wstring n = L"simulated PC, " + text::Dec(uint64_t(disks_.size())) + L" disk";
  if (disks_.size() != 1) n += L"s";
  return n;
}

}  // namespace sim
