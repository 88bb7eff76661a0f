#include "platform/sim/host_file.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "platform/text.h"

namespace sim {

HostFile::~HostFile() { Close(); }

#ifdef _WIN32

HostFile::HostFile(HostFile&& o) noexcept : handle_(std::exchange(o.handle_, nullptr)) {}
HostFile& HostFile::operator=(HostFile&& o) noexcept {
  if (this != &o) {
    Close();
    handle_ = std::exchange(o.handle_, nullptr);
  }
  return *this;
}

bool HostFile::Open(const std::string& path, Mode mode) {
  Close();
  DWORD access = mode == Mode::Read ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
  DWORD disposition = mode == Mode::CreateReadWrite ? OPEN_ALWAYS
                      : mode == Mode::TruncateReadWrite ? CREATE_ALWAYS
                                                        : OPEN_EXISTING;
  std::wstring w = text::FromUtf8(path);
  HANDLE h = ::CreateFileW(w.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

void HostFile::Close() {
  if (handle_) ::CloseHandle(handle_);
  handle_ = nullptr;
}

bool HostFile::IsOpen() const { return handle_ != nullptr; }

bool HostFile::ReadAt(uint64_t offset, void* buffer, size_t bytes, size_t* done) const {
  OVERLAPPED ov = {};
  ov.Offset = DWORD(offset);
  ov.OffsetHigh = DWORD(offset >> 32);
  DWORD got = 0;
  BOOL ok = ::ReadFile(handle_, buffer, DWORD(bytes), &got, &ov);
  *done = got;
  return ok || ::GetLastError() == ERROR_HANDLE_EOF;
}

bool HostFile::WriteAt(uint64_t offset, const void* buffer, size_t bytes) {
  OVERLAPPED ov = {};
  ov.Offset = DWORD(offset);
  ov.OffsetHigh = DWORD(offset >> 32);
  DWORD put = 0;
  return ::WriteFile(handle_, buffer, DWORD(bytes), &put, &ov) && put == bytes;
}

bool HostFile::Sync() { return ::FlushFileBuffers(handle_) != 0; }

void HostFile::ReadingSequentially() {}

namespace {

// Every file under folder flushed one by one, for a host that will not
// flush its volume as a whole.
bool SyncEachFile(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return true;  // nothing there
  bool ok = true;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = folder + L"\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) ok = SyncEachFile(path) && ok;
      continue;
    }
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;  // read-only files were never written here
    ok = ::FlushFileBuffers(h) != 0 && ok;
    ::CloseHandle(h);
  } while (::FindNextFileW(find, &fd));
  ::FindClose(find);
  return ok;
}

}  // namespace

bool SyncFileSystemOf(const std::string& folder) {
  std::wstring full(MAX_PATH, L'\0');
  std::wstring w = text::FromUtf8(folder);
  DWORD n = ::GetFullPathNameW(w.c_str(), DWORD(full.size()), full.data(), nullptr);
  if (n == 0 || n >= full.size()) return false;
  full.resize(n);
  // The volume of the folder, flushed as a whole where the host allows it.
  if (n >= 2 && full[1] == L':') {
    std::wstring device = L"\\\\.\\" + full.substr(0, 2);
    HANDLE h = ::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      bool ok = ::FlushFileBuffers(h) != 0;
      ::CloseHandle(h);
      if (ok) return true;
    }
  }
  return SyncEachFile(full);
}

#else

HostFile::HostFile(HostFile&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
HostFile& HostFile::operator=(HostFile&& o) noexcept {
  if (this != &o) {
    Close();
    fd_ = std::exchange(o.fd_, -1);
  }
  return *this;
}

bool HostFile::Open(const std::string& path, Mode mode) {
  Close();
  int flags = mode == Mode::Read ? O_RDONLY : O_RDWR;
  if (mode == Mode::CreateReadWrite) flags |= O_CREAT;
  if (mode == Mode::TruncateReadWrite) flags |= O_CREAT | O_TRUNC;
  fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

void HostFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool HostFile::IsOpen() const { return fd_ >= 0; }

bool HostFile::ReadAt(uint64_t offset, void* buffer, size_t bytes, size_t* done) const {
  size_t total = 0;
  while (total < bytes) {
    ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + total, bytes - total, off_t(offset + total));
    if (n < 0) {
      *done = total;
      return false;
    }
    if (n == 0) break;
    total += size_t(n);
  }
  *done = total;
  return true;
}

bool HostFile::WriteAt(uint64_t offset, const void* buffer, size_t bytes) {
  size_t total = 0;
  while (total < bytes) {
    ssize_t n = ::pwrite(fd_, static_cast<const char*>(buffer) + total, bytes - total, off_t(offset + total));
    if (n <= 0) return false;
    total += size_t(n);
  }
  return true;
}

bool HostFile::Sync() { return ::fdatasync(fd_) == 0; }

void HostFile::ReadingSequentially() {
  if (fd_ >= 0) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

bool SyncFileSystemOf(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::syncfs(fd) == 0;
  ::close(fd);
  return ok;
}

#endif

}  // namespace sim
