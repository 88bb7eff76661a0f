#include "platform/sim/image_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#endif

#include "platform/text.h"

namespace fs = std::filesystem;

namespace sim {

const char* ImageIoName(ImageIo io) { return io == ImageIo::Direct ? "direct" : "sync"; }

namespace {

std::string SizeText(uint64_t bytes) { return std::to_string(bytes) + " bytes"; }

// The folders that do not exist yet on the way to a file, outermost first.
std::vector<fs::path> MissingFolders(const fs::path& file) {
  std::vector<fs::path> missing;
  std::error_code ec;
  for (fs::path q = file.parent_path(); !q.empty() && !fs::exists(q, ec); q = q.parent_path()) {
    missing.insert(missing.begin(), q);
    if (q == q.parent_path()) break;
  }
  return missing;
}

void RemoveFolders(const std::vector<fs::path>& made) {
  std::error_code ec;
  for (auto it = made.rbegin(); it != made.rend(); ++it) fs::remove(*it, ec);
}

#ifndef _WIN32
// What a host file is, in the words of an error; "" for what can be a disk.
std::string UnusableKind(mode_t mode) {
  if (S_ISREG(mode) || S_ISBLK(mode)) return "";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}
#endif

// Makes a sparse file of exactly `bytes`, with the folders it needs; on
// failure removes whatever it made.
bool CreateSparse(const std::string& path, uint64_t bytes, std::string* error) {
  auto fail = [&](const std::string& why, const std::vector<fs::path>& made) {
    RemoveFolders(made);
    *error = "cannot create disk image " + path + " of " + SizeText(bytes) + ": " + why;
    return false;
  };
  if (bytes > uint64_t(INT64_MAX)) return fail("too large for a file", {});
  std::vector<fs::path> made;
  for (const fs::path& folder : MissingFolders(fs::path(path))) {
    std::error_code ec;
    bool created = fs::create_directory(folder, ec);  // false without an error: there already ("a/..")
    if (ec) return fail("cannot make folder " + folder.string() + ": " + ec.message(), made);
    if (created) made.push_back(folder);
  }
#ifdef _WIN32
  std::wstring w = text::FromUtf8(path);
  HANDLE h = ::CreateFileW(w.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail("error " + std::to_string(::GetLastError()), made);
  DWORD ret = 0;
  ::DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ret, nullptr);
  LARGE_INTEGER li;
  li.QuadPart = LONGLONG(bytes);
  bool sized = ::SetFilePointerEx(h, li, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
  DWORD err = ::GetLastError();
  ::CloseHandle(h);
  if (!sized) {
    ::DeleteFileW(w.c_str());
    return fail("error " + std::to_string(err), made);
  }
#else
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return fail(std::strerror(errno), made);
  if (::ftruncate(fd, off_t(bytes)) != 0) {
    int err = errno;
    ::close(fd);
    ::unlink(path.c_str());
    return fail(std::strerror(err), made);
  }
  ::close(fd);
#endif
  return true;
}

}  // namespace

ImageFile::~ImageFile() { Close(); }

void ImageFile::Close() {
  CloseHandles();
  std::free(bounce_);
  bounce_ = nullptr;
  bounceBytes_ = 0;
  size_ = 0;
  readOnly_ = false;
  identity_ = {};
  io_ = ImageIo::Sync;
}

bool ImageFile::Open(const std::string& path, uint64_t sizeBytes, std::string* error) {
  Close();
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  bool missing = st.type() == fs::file_type::not_found ||
                 ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
  if (missing) {
    if (sizeBytes == 0) {
      *error = "disk image " + path + " does not exist and no size= was given";
      return false;
    }
    if (!CreateSparse(path, sizeBytes, error)) return false;
  }
  if (!OpenExisting(path, sizeBytes, error)) {
    Close();
    return false;
  }
  return true;
}

uint8_t* ImageFile::Bounce(size_t bytes) {
  if (bytes <= bounceBytes_) return bounce_;
  std::free(bounce_);
  bounce_ = nullptr;
  bounceBytes_ = 0;
#ifdef _WIN32
  return nullptr;
#else
  void* p = nullptr;
  if (::posix_memalign(&p, memoryAlign_, bytes) != 0) return nullptr;
  bounce_ = static_cast<uint8_t*>(p);
  bounceBytes_ = bytes;
  return bounce_;
#endif
}

#ifdef _WIN32

void ImageFile::CloseHandles() {
  if (handle_) ::CloseHandle(handle_);
  if (durable_) ::CloseHandle(durable_);
  handle_ = durable_ = nullptr;
}

bool ImageFile::OpenExisting(const std::string& path, uint64_t sizeBytes, std::string* error) {
  std::wstring w = text::FromUtf8(path);
  DWORD attributes = ::GetFileAttributesW(w.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *error = "disk image " + path + " is a folder: only files and disks can be disk images";
    return false;
  }
  auto open = [&](DWORD access, DWORD flags) {
    HANDLE h = ::CreateFileW(w.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags,
                             nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
  };
  handle_ = open(GENERIC_READ | GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL);
  if (!handle_) {
    readOnly_ = true;
    handle_ = open(GENERIC_READ, FILE_ATTRIBUTE_NORMAL);
  }
  if (!handle_) {
    *error = "cannot open disk image " + path + " (error " + std::to_string(::GetLastError()) + ")";
    return false;
  }
  if (::GetFileType(handle_) != FILE_TYPE_DISK) {
    *error = "disk image " + path + " is a device or pipe: only files and disks can be disk images";
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileInformationByHandle(handle_, &info))
    identity_ = {info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  LARGE_INTEGER li;
  GET_LENGTH_INFORMATION length;
  DWORD got = 0;
  if (::GetFileSizeEx(handle_, &li)) size_ = uint64_t(li.QuadPart);
  else if (::DeviceIoControl(handle_, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &got, nullptr))
    size_ = uint64_t(length.Length.QuadPart);
  if (sizeBytes && size_ != sizeBytes) {
    *error = "disk image " + path + " is " + SizeText(size_) + " long, not the size= given (" + SizeText(sizeBytes) +
             "); an image's length is never changed";
    return false;
  }
  if (size_ < 512) {
    *error = "disk image " + path + " is smaller than one sector (" + SizeText(size_) + ")";
    return false;
  }
  // Write-through: a write is on the medium when it returns.
  if (!readOnly_) durable_ = open(GENERIC_READ | GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH);
  io_ = ImageIo::Sync;
  return true;
}

bool ImageFile::Read(uint64_t offset, void* buffer, size_t bytes, bool) {
  OVERLAPPED ov = {};
  ov.Offset = DWORD(offset);
  ov.OffsetHigh = DWORD(offset >> 32);
  DWORD got = 0;
  if (!::ReadFile(handle_, buffer, DWORD(bytes), &got, &ov) && ::GetLastError() != ERROR_HANDLE_EOF) return false;
  if (got < bytes) std::memset(static_cast<uint8_t*>(buffer) + got, 0, bytes - got);
  return true;
}

bool ImageFile::Write(uint64_t offset, const void* buffer, size_t bytes, bool uncached) {
  OVERLAPPED ov = {};
  ov.Offset = DWORD(offset);
  ov.OffsetHigh = DWORD(offset >> 32);
  DWORD put = 0;
  HANDLE h = uncached && durable_ ? durable_ : handle_;
  return ::WriteFile(h, buffer, DWORD(bytes), &put, &ov) && put == bytes;
}

bool ImageFile::Flush() { return readOnly_ || ::FlushFileBuffers(handle_) != 0; }

#else

void ImageFile::CloseHandles() {
  if (fd_ >= 0) ::close(fd_);
  if (directFd_ >= 0) ::close(directFd_);
  fd_ = directFd_ = -1;
}

bool ImageFile::OpenExisting(const std::string& path, uint64_t sizeBytes, std::string* error) {
  auto fail = [&](const std::string& why) {
    *error = "disk image " + path + " " + why;
    return false;
  };
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return fail(std::string("cannot be opened: ") + std::strerror(errno));
  std::string kind = UnusableKind(st.st_mode);
  if (!kind.empty()) return fail("is " + kind + ": only regular files and block devices can be disk images");
  // Not blocking on the open: the path may have turned into a FIFO since.
  fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    readOnly_ = true;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  }
  if (fd_ < 0) return fail(std::string("cannot be opened: ") + std::strerror(errno));
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  if (::fstat(fd_, &st) != 0) return fail(std::string("cannot be opened: ") + std::strerror(errno));
  kind = UnusableKind(st.st_mode);
  if (!kind.empty()) return fail("is " + kind + ": only regular files and block devices can be disk images");
  identity_ = {uint64_t(st.st_dev), uint64_t(st.st_ino)};
  if (S_ISBLK(st.st_mode)) {
    off_t end = ::lseek(fd_, 0, SEEK_END);
    if (end < 0) return fail(std::string("reports no size: ") + std::strerror(errno));
    size_ = uint64_t(end);
  } else {
    // Kernel pseudo-files (/proc, /sys) report a length their contents do
    // not have; only a file whose last byte is where its length says is
    // an image.
    size_ = uint64_t(st.st_size);
    uint8_t probe;
    ssize_t last = size_ ? ::pread(fd_, &probe, 1, off_t(size_ - 1)) : 1;
    ssize_t past = ::pread(fd_, &probe, 1, off_t(size_));
    if (last < 0 || past < 0) return fail(std::string("cannot be read: ") + std::strerror(errno));
    if (last != 1 || past != 0) return fail("has no size the kernel can report (a pseudo-file)");
  }
  if (sizeBytes && size_ != sizeBytes)
    return fail("is " + SizeText(size_) + " long, not the size= given (" + SizeText(sizeBytes) +
                "); an image's length is never changed");
  if (size_ < 512) return fail("is smaller than one sector (" + SizeText(size_) + ")");
  ChooseDirectIo(path);
  return true;
}

void ImageFile::ChooseDirectIo(const std::string& path) {
  io_ = ImageIo::Sync;
#ifdef O_DIRECT
  int d = ::open(path.c_str(), (readOnly_ ? O_RDONLY : O_RDWR) | O_DIRECT | O_CLOEXEC | O_NONBLOCK);
  if (d < 0) return;
  struct stat st;
  auto reject = [&]() { ::close(d); };
  if (::fstat(d, &st) != 0 || FileIdentity{uint64_t(st.st_dev), uint64_t(st.st_ino)} != identity_) return reject();
  // A file system in memory keeps its files in the page cache whatever
  // the flags: its writes are where they will stay, so a sync is honest.
  struct statfs sf;
  if (::fstatfs(d, &sf) == 0 && (sf.f_type == TMPFS_MAGIC || sf.f_type == RAMFS_MAGIC)) return reject();
  ::fcntl(d, F_SETFL, ::fcntl(d, F_GETFL) & ~O_NONBLOCK);
  long page = ::sysconf(_SC_PAGESIZE);
  memoryAlign_ = page > 0 ? size_t(page) : 4096;
  offsetAlign_ = 512;
#ifdef STATX_DIOALIGN
  struct statx sx;
  if (::statx(d, "", AT_EMPTY_PATH, STATX_DIOALIGN, &sx) == 0 && (sx.stx_mask & STATX_DIOALIGN)) {
    // The file system says whether, and how aligned, direct transfers can be.
    if (sx.stx_dio_offset_align == 0) return reject();
    offsetAlign_ = std::max<size_t>(512, sx.stx_dio_offset_align);
    memoryAlign_ = std::max<size_t>(sizeof(void*), sx.stx_dio_mem_align);
  }
#endif
  if (offsetAlign_ > 4096 || (offsetAlign_ & (offsetAlign_ - 1)) || (memoryAlign_ & (memoryAlign_ - 1)))
    return reject();
  // One direct read proves that the file system takes them.
  uint8_t* b = Bounce(offsetAlign_);
  if (!b || ::pread(d, b, offsetAlign_, 0) < 0) return reject();
  directFd_ = d;
  io_ = ImageIo::Direct;
#endif
}

bool ImageFile::DirectFits(uint64_t offset, size_t bytes) const {
  return directFd_ >= 0 && offset % offsetAlign_ == 0 && bytes % offsetAlign_ == 0;
}

bool ImageFile::Read(uint64_t offset, void* buffer, size_t bytes, bool uncached) {
  auto* out = static_cast<uint8_t*>(buffer);
  bool direct = uncached && DirectFits(offset, bytes);
  bool bounce = direct && reinterpret_cast<uintptr_t>(out) % memoryAlign_ != 0;
  std::unique_lock<std::mutex> bounceHeld(bounceLock_, std::defer_lock);
  if (bounce) bounceHeld.lock();
  uint8_t* target = bounce ? Bounce(bytes) : out;
  if (!target) return false;
  size_t total = 0;
  while (total < bytes) {
    ssize_t n = ::pread(direct ? directFd_ : fd_, target + total, bytes - total, off_t(offset + total));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    total += size_t(n);
    // A direct read can only go on from an aligned place.
    if (direct && total % offsetAlign_) break;
  }
  if (bounce) std::memcpy(out, target, total);
  if (total < bytes) std::memset(out + total, 0, bytes - total);
  return true;
}

bool ImageFile::Write(uint64_t offset, const void* buffer, size_t bytes, bool uncached) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  bool direct = uncached && DirectFits(offset, bytes);
  std::unique_lock<std::mutex> bounceHeld(bounceLock_, std::defer_lock);
  if (direct && reinterpret_cast<uintptr_t>(in) % memoryAlign_ != 0) {
    bounceHeld.lock();
    uint8_t* b = Bounce(bytes);
    if (!b) return false;
    std::memcpy(b, in, bytes);
    in = b;
  }
  size_t total = 0;
  while (total < bytes) {
    ssize_t n = ::pwrite(direct ? directFd_ : fd_, in + total, bytes - total, off_t(offset + total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    total += size_t(n);
    if (direct && total < bytes && total % offsetAlign_) return false;
  }
  // Where the transfer went through the page cache, it is on the medium
  // only after the data sync.
  return direct || !uncached || ::fdatasync(fd_) == 0;
}

bool ImageFile::Flush() { return readOnly_ || ::fdatasync(fd_) == 0; }

#endif

}  // namespace sim
