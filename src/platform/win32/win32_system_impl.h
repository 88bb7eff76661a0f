// Win32System: each platform::System call made by the Windows function of
// the same name. Shared by the win32_*.cpp files of this folder only.
#pragma once

#include <set>

#include "platform/system.h"
#include "platform/win32/windows_include.h"

namespace platform {

class Win32System : public System {
 public:
  Win32System();
  ~Win32System() override;

  Handle CreateFile(const std::wstring& path, uint32_t access, uint32_t share, uint32_t disposition,
                    uint32_t flags) override;
  bool CloseHandle(Handle h) override;
  bool SetFilePointer(Handle h, uint64_t byteOffset) override;
  bool ReadFile(Handle h, void* buffer, uint32_t bytes, uint32_t* done) override;
  bool WriteFile(Handle h, const void* buffer, uint32_t bytes, uint32_t* done) override;
  bool DeviceIoControl(Handle h, uint32_t code, const void* in, uint32_t inBytes, void* out, uint32_t outBytes,
                       uint32_t* returned) override;
  uint32_t GetLastError() override { return ::GetLastError(); }

  bool DeleteFile(const std::wstring& path) override;
  bool CreateDirectory(const std::wstring& path) override;
  uint32_t GetFileAttributes(const std::wstring& path) override;
  bool FindFiles(const std::wstring& pattern, std::vector<FindData>* found) override;
  bool SetFileAttributes(const std::wstring& path, uint32_t attributes) override;
  bool RemoveDirectory(const std::wstring& path) override;
  bool GetFileSecurity(const std::wstring& path, uint32_t information, std::vector<uint8_t>* descriptor) override;
  bool SetFileSecurity(const std::wstring& path, uint32_t information,
                       const std::vector<uint8_t>& descriptor) override;
  std::wstring GetShortPathName(const std::wstring& path) override;
  std::wstring GetFinalPathName(const std::wstring& path) override;
  bool SetFileShortName(Handle h, const std::wstring& shortName) override;
  bool GetFileTime(Handle h, FileTimes* times) override;
  bool SetFileTime(Handle h, const FileTimes& times) override;
  bool GetFileSize(Handle h, uint64_t* size) override;
  bool FlushFileBuffers(Handle h) override;

  uint32_t GetLogicalDrives() override { return ::GetLogicalDrives(); }
  std::wstring GetLogicalDriveStrings() override;
  uint32_t GetDriveType(const std::wstring& root) override;
  std::vector<std::wstring> FindVolumes() override;
  bool GetVolumeInformation(const std::wstring& root, std::wstring* fileSystemName) override;
  bool GetDiskFreeSpace(const std::wstring& root, DiskFreeSpace* space) override;
  bool SetVolumeMountPoint(const std::wstring& mountPoint, const std::wstring& volumeName) override;
  bool DeleteVolumeMountPoint(const std::wstring& mountPoint) override;
  bool GetVolumeLabel(const std::wstring& root, std::wstring* label) override;
  bool SetVolumeLabel(const std::wstring& root, const std::wstring& label) override;
  std::wstring GetWindowsDirectory() override;
  std::wstring GetSystemDirectory() override;

  long RegCreateKey(uint32_t root, const std::wstring& subKey, uint32_t access, Handle* key) override;
  long RegQueryValue(Handle key, const std::wstring& name, uint32_t* type, std::vector<uint8_t>* data,
                     uint32_t maxBytes) override;
  long RegSetValue(Handle key, const std::wstring& name, uint32_t type, const std::vector<uint8_t>& data) override;
  long RegCloseKey(Handle key) override;

  MutexResult CreateMutex(const std::wstring& name) override;
  Handle CreateProcess(const std::wstring& application, const std::wstring& commandLine,
                       const std::wstring& currentDirectory) override;
  bool GetExitCodeProcess(Handle process, uint32_t* code) override;
  uint32_t WaitForSingleObject(Handle h, uint32_t milliseconds) override;
  intptr_t ShellExecute(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                        const std::wstring& directory, int show) override;
  Handle ShellExecuteEx(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                        const std::wstring& directory, int show) override;
  bool WaitNamedPipe(const std::wstring& name, uint32_t milliseconds) override;
  bool SetNamedPipeHandleState(Handle pipe, uint32_t mode) override;
  bool PeekNamedPipe(Handle pipe, uint32_t* bytesAvailable, uint32_t* messageBytesLeft) override;
  Handle LoadShadowLibrary(const std::wstring& name) override;
  bool ShadowCopy(Handle library, const std::wstring& root, std::wstring* shadowPath) override;
  bool DeleteShadowCopy(Handle library) override;
  void FreeShadowLibrary(Handle library) override;
  bool IsWow64Process() override;
  OsVersion GetVersion() override;
  std::wstring GetModuleFileName() override;
  std::wstring GetCommandLineArguments() override;
  [[noreturn]] void ExitProcess(uint32_t code) override;
  bool ExitWindows(uint32_t flags, uint32_t reason) override;
  bool StartThread(std::function<void()> fn) override;

  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
  uint32_t GetTickCount() override { return ::GetTickCount(); }
  std::time_t Now() override;
  std::tm LocalTime(std::time_t t) override;
  uint32_t SetThreadExecutionState(uint32_t flags) override;
  Cursor SetCursor(Cursor c) override;
  void CreateGuid(uint8_t out[16]) override;
  bool FormatEx(const std::wstring& root, uint32_t mediaType, const std::wstring& fileSystem,
                const std::wstring& label, bool quick, uint32_t clusterBytes, const FormatCallback& callback) override;

 private:
  bool Unbuffered(HANDLE h);

  // Handles opened with FILE_FLAG_NO_BUFFERING: their transfers need
  // sector-aligned memory. Engines may call from a worker thread.
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::set<HANDLE> unbuffered_;
};

inline HANDLE ToHandle(Handle h) { return reinterpret_cast<HANDLE>(h); }
inline Handle FromHandle(HANDLE h) { return reinterpret_cast<Handle>(h); }
// An empty string stands for "none" where Windows takes a null pointer.
inline const wchar_t* OrNull(const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); }

}  // namespace platform
