// Files and devices: opens, sector transfers and control requests.
#include <cstring>

#include "platform/win32/win32_system_impl.h"

namespace platform {

namespace {

// Uncached transfers want the buffer aligned to the sector size; 4096
// covers every disk we meet, including 4Kn drives.
constexpr uintptr_t kAlignment = 4096;

bool Aligned(const void* p) { return (reinterpret_cast<uintptr_t>(p) & (kAlignment - 1)) == 0; }

// Page-aligned scratch memory for one transfer; keeps the caller's last
// error intact, because the caller reads it after our return.
class BounceBuffer {
 public:
  explicit BounceBuffer(uint32_t bytes)
      : data_(bytes ? ::VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) : nullptr) {}
  ~BounceBuffer() {
    DWORD error = ::GetLastError();
    if (data_) ::VirtualFree(data_, 0, MEM_RELEASE);
    ::SetLastError(error);
  }
  BounceBuffer(const BounceBuffer&) = delete;
  BounceBuffer& operator=(const BounceBuffer&) = delete;
  void* data() const { return data_; }

 private:
  void* data_;
};

}  // namespace

Win32System::Win32System() = default;
Win32System::~Win32System() = default;

bool Win32System::Unbuffered(HANDLE h) {
  ::AcquireSRWLockShared(&lock_);
  bool found = unbuffered_.count(h) != 0;
  ::ReleaseSRWLockShared(&lock_);
  return found;
}

Handle Win32System::CreateFile(const std::wstring& path, uint32_t access, uint32_t share, uint32_t disposition,
                               uint32_t flags) {
  HANDLE h = ::CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
  if (h != INVALID_HANDLE_VALUE && (flags & FILE_FLAG_NO_BUFFERING)) {
    DWORD error = ::GetLastError();  // CREATE_ALWAYS reports ERROR_ALREADY_EXISTS on success
    ::AcquireSRWLockExclusive(&lock_);
    unbuffered_.insert(h);
    ::ReleaseSRWLockExclusive(&lock_);
    ::SetLastError(error);
  }
  return FromHandle(h);
}

bool Win32System::CloseHandle(Handle h) {
  ::AcquireSRWLockExclusive(&lock_);
  unbuffered_.erase(ToHandle(h));
  ::ReleaseSRWLockExclusive(&lock_);
  return ::CloseHandle(ToHandle(h)) != FALSE;
}

bool Win32System::SetFilePointer(Handle h, uint64_t byteOffset) {
  LARGE_INTEGER to;
  to.QuadPart = LONGLONG(byteOffset);
  return ::SetFilePointerEx(ToHandle(h), to, nullptr, FILE_BEGIN) != FALSE;
}

bool Win32System::ReadFile(Handle h, void* buffer, uint32_t bytes, uint32_t* done) {
  DWORD got = 0;
  BOOL ok;
  if (Aligned(buffer) || !Unbuffered(ToHandle(h))) {
    ok = ::ReadFile(ToHandle(h), buffer, bytes, &got, nullptr);
  } else {
    BounceBuffer bounce(bytes);
    if (!bounce.data()) return *done = 0, ::SetLastError(ERROR_NOT_ENOUGH_MEMORY), false;
    ok = ::ReadFile(ToHandle(h), bounce.data(), bytes, &got, nullptr);
    if (got) std::memcpy(buffer, bounce.data(), got);
  }
  *done = got;
  return ok != FALSE;
}

bool Win32System::WriteFile(Handle h, const void* buffer, uint32_t bytes, uint32_t* done) {
  DWORD put = 0;
  BOOL ok;
  if (Aligned(buffer) || !Unbuffered(ToHandle(h))) {
    ok = ::WriteFile(ToHandle(h), buffer, bytes, &put, nullptr);
  } else {
    BounceBuffer bounce(bytes);
    if (!bounce.data()) return *done = 0, ::SetLastError(ERROR_NOT_ENOUGH_MEMORY), false;
    std::memcpy(bounce.data(), buffer, bytes);
    ok = ::WriteFile(ToHandle(h), bounce.data(), bytes, &put, nullptr);
  }
  *done = put;
  return ok != FALSE;
}

bool Win32System::DeviceIoControl(Handle h, uint32_t code, const void* in, uint32_t inBytes, void* out,
                                  uint32_t outBytes, uint32_t* returned) {
  // Without an OVERLAPPED the byte count must not be a null pointer.
  DWORD got = 0;
  BOOL ok = ::DeviceIoControl(ToHandle(h), code, const_cast<void*>(in), inBytes, out, outBytes, &got, nullptr);
  if (returned) *returned = got;
  return ok != FALSE;
}

bool Win32System::DeleteFile(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != FALSE; }

bool Win32System::CreateDirectory(const std::wstring& path) {
  return ::CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

uint32_t Win32System::GetFileAttributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

}  // namespace platform
