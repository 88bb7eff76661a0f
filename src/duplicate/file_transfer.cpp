#include "duplicate/file_transfer.h"

#include <cstring>
#include <new>

#include "platform/text.h"
#include "platform/winapi.h"

namespace duplicate {

namespace {

constexpr size_t kAlign = 4096;

uint8_t* Aligned(std::unique_ptr<uint8_t[]>* store) {
  store->reset(new (std::nothrow) uint8_t[kChunkBytes + kAlign]);
  if (!*store) return nullptr;
  auto p = reinterpret_cast<uintptr_t>(store->get());
  return reinterpret_cast<uint8_t*>((p + kAlign - 1) / kAlign * kAlign);
}

std::wstring ErrorName(uint32_t error) {
  static const struct {
    uint32_t code;
    const wchar_t* name;
  } kNames[] = {{win::ERROR_FILE_NOT_FOUND, L"file not found"},
                {win::ERROR_PATH_NOT_FOUND, L"path not found"},
                {win::ERROR_ACCESS_DENIED, L"access denied"},
                {win::ERROR_NOT_ENOUGH_MEMORY, L"not enough memory"},
                {win::ERROR_WRITE_PROTECT, L"write-protected"},
                {win::ERROR_NOT_READY, L"not ready"},
                {win::ERROR_CRC, L"data error"},
                {win::ERROR_SECTOR_NOT_FOUND, L"sector not found"},
                {win::ERROR_GEN_FAILURE, L"device failure"},
                {win::ERROR_SHARING_VIOLATION, L"in use by another program"},
                {win::ERROR_LOCK_VIOLATION, L"locked by another program"},
                {win::ERROR_DISK_FULL, L"disk full"},
                {win::ERROR_INVALID_NAME, L"invalid name"},
                {win::ERROR_FILENAME_EXCED_RANGE, L"path too long"},
                {win::ERROR_ALREADY_EXISTS, L"already exists"},
                {win::ERROR_PRIVILEGE_NOT_HELD, L"privilege not held"},
                {win::ERROR_INVALID_REPARSE_DATA, L"link data not valid"},
                {win::ERROR_CANT_RESOLVE_FILENAME, L"too many links"},
                {win::ERROR_INVALID_FUNCTION, L"not supported by the file system"},
                {win::ERROR_INVALID_PARAMETER, L"not accepted"}};
  for (auto& n : kNames)
    if (n.code == error) return std::wstring(n.name) + L" (" + text::Dec(uint64_t(error)) + L")";
  return L"error " + text::Dec(uint64_t(error));
}

void Close(platform::Handle h) {
  if (platform::IsValid(h)) platform::Sys().CloseHandle(h);
}

}  // namespace

uint32_t CopiedAttributes(uint32_t a) {
  return a & (win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM |
              win::FILE_ATTRIBUTE_ARCHIVE | win::FILE_ATTRIBUTE_TEMPORARY | win::FILE_ATTRIBUTE_OFFLINE |
              win::FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
}

std::wstring DescribeFailure(FileStep step, uint32_t error, uint64_t offset) {
  std::wstring what;
  switch (step) {
    case FileStep::None: return L"";
    case FileStep::OpenSource: what = L"cannot open the source"; break;
    case FileStep::CreateDestination: what = L"cannot create the copy"; break;
    case FileStep::Read: what = L"cannot read the source at byte " + text::Dec(offset); break;
    case FileStep::Write: what = L"cannot write the copy at byte " + text::Dec(offset); break;
    case FileStep::OpenDestination: what = L"cannot open the copy"; break;
    case FileStep::ReadDestination: what = L"cannot read the copy at byte " + text::Dec(offset); break;
    case FileStep::Differs: return L"the copy differs from the source from byte " + text::Dec(offset);
    case FileStep::Attributes: what = L"cannot set the attributes"; break;
    case FileStep::Times: what = L"cannot set the times"; break;
    case FileStep::Security: what = L"cannot copy the access rights"; break;
    case FileStep::ShortName: what = L"cannot set the short name"; break;
    case FileStep::Folder: what = L"cannot create the folder"; break;
    case FileStep::ListFolder: what = L"cannot list the folder"; break;
    case FileStep::TooDeep: return L"folder nested more than 256 deep, not copied";
    case FileStep::Link: what = L"cannot re-create the link"; break;
    case FileStep::Label: what = L"cannot set the volume label"; break;
    case FileStep::Flush: what = L"cannot put the copied files on the disk"; break;
    case FileStep::Cancelled: return L"cancelled";
  }
  return error ? what + L": " + ErrorName(error) : what;
}

namespace {

// The device of the volume that holds path: "\\.\E:" for "E:\..." and
// "\\?\E:\...", "\\?\Volume{...}" for a volume named by its GUID; "" for
// anything else (a network path). *rootLength is the length of the root.
std::wstring VolumeDeviceOf(const std::wstring& path, size_t* rootLength) {
  size_t skip = path.rfind(L"\\\\?\\", 0) == 0 && path.size() >= 6 && path[5] == L':' ? 4 : 0;
  std::wstring p = path.substr(skip);
  if (p.size() >= 2 && p[1] == L':' && ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) &&
      (p.size() == 2 || p[2] == L'\\')) {
    *rootLength = skip + 2;
    return L"\\\\.\\" + p.substr(0, 2);
  }
  if (text::StartsWithIgnoreCase(p, L"\\\\?\\Volume{")) {
    size_t close = p.find(L'}');
    if (close == std::wstring::npos) return L"";
    *rootLength = close + 1;
    return p.substr(0, close + 1);
  }
  return L"";
}

// A folder on the way to path is a junction, a link or a mounted volume (or
// cannot be looked at): the files may land on a volume the path does not name.
bool PassesReparsePoint(const std::wstring& path, size_t rootLength) {
  for (size_t at = path.find(L'\\', rootLength + 1);; at = path.find(L'\\', at + 1)) {
    std::wstring prefix = path.substr(0, at);
    if (prefix.size() > rootLength + 1) {
      uint32_t a = platform::Sys().GetFileAttributes(prefix);
      if (a == win::INVALID_FILE_ATTRIBUTES || (a & win::FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    }
    if (at == std::wstring::npos) return false;
  }
}

}  // namespace

DestinationFlush::DestinationFlush(const std::wstring& destination) : volume_(platform::kInvalidHandle) {
  size_t rootLength = 0;
  std::wstring device = VolumeDeviceOf(destination, &rootLength);
  if (device.empty() || PassesReparsePoint(destination, rootLength)) return;
  if (device[2] == L'.') {
    // A letter: only a local disk's volume flushes as a whole.
    uint32_t type = platform::Sys().GetDriveType(device.substr(4) + L"\\");
    if (type != win::DRIVE_FIXED && type != win::DRIVE_REMOVABLE && type != win::DRIVE_RAMDISK) return;
  }
  volume_ = platform::Sys().CreateFile(device, win::GENERIC_READ | win::GENERIC_WRITE,
                                       win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
}

DestinationFlush::~DestinationFlush() { Close(volume_); }

bool DestinationFlush::Cached() const { return platform::IsValid(volume_); }

bool DestinationFlush::Flush(uint32_t* error) {
  *error = 0;
  if (!Cached()) return true;  // every file was written through
  if (platform::Sys().FlushFileBuffers(volume_)) return true;
  *error = platform::Sys().GetLastError();
  if (*error == 0) *error = win::ERROR_GEN_FAILURE;
  return false;
}

FileTransfer::FileTransfer() {
  first_ = Aligned(&firstStore_);
  second_ = Aligned(&secondStore_);
}

TransferResult FileTransfer::Fail(FileStep step, uint32_t error, uint64_t offset) {
  TransferResult r;
  r.step = step;
  r.error = error;
  r.offset = offset;
  return r;
}

namespace {

// The file system gave the copy a short name of its own; only a different
// one is replaced. False when that fails.
bool KeepShortName(platform::Handle copy, const std::wstring& path, const std::wstring& shortName) {
  auto& sys = platform::Sys();
  std::wstring shortPath = sys.GetShortPathName(path);
  size_t slash = shortPath.rfind(L'\\');
  std::wstring given = slash == std::wstring::npos ? shortPath : shortPath.substr(slash + 1);
  return text::EqualsIgnoreCase(given, shortName) || sys.SetFileShortName(copy, shortName);
}

}  // namespace

void FileTransfer::ApplyMetadata(platform::Handle destination, const std::wstring& path, const platform::FindData& meta,
                                 const std::vector<uint8_t>& security, const TransferOptions& options,
                                 TransferResult* result) {
  auto& sys = platform::Sys();
  auto failed = [&](FileStep step) {
    if (result->step == FileStep::None) {
      result->step = step;
      result->error = sys.GetLastError();
    }
  };
  if (options.shortNames && !meta.shortName.empty() && !KeepShortName(destination, path, meta.shortName))
    failed(FileStep::ShortName);
  if (!sys.SetFileTime(destination, meta.times)) failed(FileStep::Times);
  sys.CloseHandle(destination);
  if (!security.empty() && !sys.SetFileSecurity(path, win::DACL_SECURITY_INFORMATION, security))
    failed(FileStep::Security);
  // Created with the hidden, system and other bits and the archive bit;
  // read-only last, once nothing more is written.
  uint32_t wanted = CopiedAttributes(meta.attributes);
  uint32_t created = (wanted & ~win::FILE_ATTRIBUTE_READONLY) | win::FILE_ATTRIBUTE_ARCHIVE;
  if (wanted != created && !sys.SetFileAttributes(path, wanted ? wanted : win::FILE_ATTRIBUTE_NORMAL))
    failed(FileStep::Attributes);
}

void ApplyFolderMetadata(const std::wstring& source, const std::wstring& destination, const platform::FindData& meta,
                         const TransferOptions& options, const StepFailure& failed) {
  auto& sys = platform::Sys();
  std::vector<uint8_t> security;
  if (options.security && sys.GetFileSecurity(source, win::DACL_SECURITY_INFORMATION, &security) &&
      !sys.SetFileSecurity(destination, win::DACL_SECURITY_INFORMATION, security))
    failed(FileStep::Security, sys.GetLastError());
  // Changing a short name takes the right to delete as well.
  const bool shortName = options.shortNames && !meta.shortName.empty();
  platform::Handle h = sys.CreateFile(destination, shortName ? win::GENERIC_ALL : win::GENERIC_WRITE,
                                      win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING,
                                      win::FILE_FLAG_BACKUP_SEMANTICS);
  if (!platform::IsValid(h)) {
    failed(FileStep::Times, sys.GetLastError());
    return;
  }
  if (shortName && !KeepShortName(h, destination, meta.shortName)) failed(FileStep::ShortName, sys.GetLastError());
  if (!sys.SetFileTime(h, meta.times)) failed(FileStep::Times, sys.GetLastError());
  sys.CloseHandle(h);
  uint32_t wanted = CopiedAttributes(meta.attributes);
  if (wanted && !sys.SetFileAttributes(destination, wanted)) failed(FileStep::Attributes, sys.GetLastError());
}

TransferResult FileTransfer::Copy(const std::wstring& source, const std::wstring& destination,
                                  const platform::FindData& meta, const TransferOptions& options,
                                  const ChunkProgress& progress) {
  auto& sys = platform::Sys();
  if (!Ready()) return Fail(FileStep::CreateDestination, win::ERROR_NOT_ENOUGH_MEMORY, 0);
  platform::Handle in = sys.CreateFile(source, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                       win::OPEN_EXISTING, win::FILE_FLAG_SEQUENTIAL_SCAN);
  if (!platform::IsValid(in)) return Fail(FileStep::OpenSource, sys.GetLastError(), 0);
  sys.SetThreadExecutionState(win::ES_SYSTEM_REQUIRED);
  std::vector<uint8_t> security;
  if (options.security && !sys.GetFileSecurity(source, win::DACL_SECURITY_INFORMATION, &security)) security.clear();
  uint32_t keep = CopiedAttributes(meta.attributes) & ~win::FILE_ATTRIBUTE_READONLY;
  auto create = [&] {
    return sys.CreateFile(destination, win::GENERIC_READ | win::GENERIC_WRITE | win::DELETE,
                          win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::CREATE_ALWAYS,
                          (options.writeThrough ? win::FILE_FLAG_WRITE_THROUGH : 0) |
                              win::FILE_FLAG_BACKUP_SEMANTICS | keep);
  };
  platform::Handle out = create();
  uint32_t createError = platform::IsValid(out) ? 0 : sys.GetLastError();
  if (createError == win::ERROR_ACCESS_DENIED) {
    // A read-only, hidden or system file already there is overwritten only
    // once it is a plain file.
    uint32_t there = sys.GetFileAttributes(destination);
    if (there != win::INVALID_FILE_ATTRIBUTES && !(there & win::FILE_ATTRIBUTE_DIRECTORY) &&
        (there & (win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM)) &&
        sys.SetFileAttributes(destination, win::FILE_ATTRIBUTE_NORMAL)) {
      out = create();
      createError = platform::IsValid(out) ? 0 : sys.GetLastError();
    }
  }
  if (!platform::IsValid(out)) {
    Close(in);
    return Fail(FileStep::CreateDestination, createError ? createError : win::ERROR_ACCESS_DENIED, 0);
  }
  TransferResult r;
  auto abandon = [&](TransferResult failure) {
    Close(in);
    Close(out);
    sys.DeleteFile(destination);  // nothing half-copied is left behind
    failure.bytes = r.bytes;
    return failure;
  };
  // Written through, each write waits for the disk: whole chunks then.
  const uint32_t io = options.writeThrough ? kChunkBytes : kSliceBytes;
  uint64_t reported = 0;
  for (;;) {
    uint32_t got = 0;
    if (!sys.ReadFile(in, first_, io, &got)) return abandon(Fail(FileStep::Read, sys.GetLastError(), r.bytes));
    if (got == 0) break;
    uint32_t put = 0;
    if (!sys.WriteFile(out, first_, got, &put) || put != got) {
      TransferResult w = Fail(FileStep::Write, sys.GetLastError(), r.bytes + put);
      w.shortWrite = true;
      return abandon(w);
    }
    r.bytes += got;
    if (r.bytes - reported < kChunkBytes && got == io) continue;
    reported = r.bytes;
    if (progress && !progress(r.bytes)) {
      TransferResult c = Fail(FileStep::Cancelled, 0, r.bytes);
      c.cancelled = true;
      return abandon(c);
    }
  }
  Close(in);
  r.ok = true;
  ApplyMetadata(out, destination, meta, security, options, &r);
  return r;
}

TransferResult FileTransfer::Verify(const std::wstring& source, const std::wstring& destination,
                                    const ChunkProgress& progress) {
  auto& sys = platform::Sys();
  if (!Ready()) return Fail(FileStep::OpenDestination, win::ERROR_NOT_ENOUGH_MEMORY, 0);
  platform::Handle in = sys.CreateFile(source, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                       win::OPEN_EXISTING, win::FILE_FLAG_SEQUENTIAL_SCAN);
  if (!platform::IsValid(in)) return Fail(FileStep::OpenSource, sys.GetLastError(), 0);
  // Read access only: verifying never changes the copy.
  platform::Handle out = sys.CreateFile(destination, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                        win::OPEN_EXISTING, win::FILE_FLAG_SEQUENTIAL_SCAN);
  if (!platform::IsValid(out)) {
    uint32_t err = sys.GetLastError();
    Close(in);
    return Fail(FileStep::OpenDestination, err, 0);
  }
  TransferResult r;
  uint64_t reported = 0;
  auto finish = [&](TransferResult result) {
    Close(in);
    Close(out);
    result.bytes = r.bytes;
    return result;
  };
  for (;;) {
    uint32_t got = 0, have = 0;
    if (!sys.ReadFile(in, first_, kSliceBytes, &got))
      return finish(Fail(FileStep::Read, sys.GetLastError(), r.bytes));
    // The copy must hold the same bytes and end where the source ends: a
    // chunk of the copy is read to the source's length, and one byte more
    // at the source's end.
    uint32_t want = got ? got : 1;
    if (!sys.ReadFile(out, second_, want, &have))
      return finish(Fail(FileStep::ReadDestination, sys.GetLastError(), r.bytes));
    if (got == 0) {
      if (have != 0) return finish(Fail(FileStep::Differs, 0, r.bytes));
      break;
    }
    if (have != got || std::memcmp(first_, second_, got) != 0) {
      size_t at = 0;
      while (at < have && at < got && first_[at] == second_[at]) ++at;
      return finish(Fail(FileStep::Differs, 0, r.bytes + at));
    }
    r.bytes += got;
    if (r.bytes - reported < kChunkBytes && got == kSliceBytes) continue;
    reported = r.bytes;
    if (progress && !progress(r.bytes)) {
      TransferResult c = Fail(FileStep::Cancelled, 0, r.bytes);
      c.cancelled = true;
      return finish(c);
    }
  }
  r.ok = true;
  return finish(r);
}

}  // namespace duplicate
