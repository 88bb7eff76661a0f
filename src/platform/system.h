// platform::System: the operating system as the engines see it.
//
// Every device open, sector transfer, control request, volume and file
// service, registry access, process start and clock reading goes through
// this one interface. win32/ passes each call straight to Windows; sim/
// answers it from a simulated PC built from disk images. The calls keep the
// shape of the Windows functions they stand for (same flags, same control
// codes, request buffers as raw bytes) so that the win32 backend holds no
// logic and the engines read like the Windows code they replace.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// An opaque handle. kNullHandle is "no handle" (what CreateProcessW and
// most open routines report on failure); kInvalidHandle stands for
// INVALID_HANDLE_VALUE, which CreateFileW returns on failure.
using Handle = std::uintptr_t;
inline constexpr Handle kNullHandle = 0;
inline constexpr Handle kInvalidHandle = ~Handle(0);
inline bool IsValid(Handle h) { return h != kNullHandle && h != kInvalidHandle; }

struct OsVersion {
  uint32_t major = 10;
  uint32_t minor = 0;
  uint32_t build = 19045;
  uint32_t platformId = 2;  // VER_PLATFORM_WIN32_NT
};

struct MutexResult {
  Handle handle = kNullHandle;
  uint32_t error = 0;  // GetLastError after CreateMutexW
};

// The three times of a file as FILETIME values (100 ns steps since
// 1601-01-01 UTC). A zero field given to SetFileTime leaves that time alone.
struct FileTimes {
  uint64_t creation = 0;
  uint64_t lastAccess = 0;
  uint64_t lastWrite = 0;
};

struct FindData {
  std::wstring name;  // file name only
  uint32_t attributes = 0;
  uint64_t size = 0;
  std::wstring shortName;  // cAlternateFileName: the 8.3 name, empty when the long name is one
  FileTimes times;
  uint32_t reparseTag = 0;  // dwReserved0 when attributes carry FILE_ATTRIBUTE_REPARSE_POINT
};

struct DiskFreeSpace {
  uint32_t sectorsPerCluster = 0;
  uint32_t bytesPerSector = 0;
  uint32_t freeClusters = 0;
  uint32_t totalClusters = 0;
};

enum class Cursor { Arrow, Wait, Hand };

// Thrown by a simulated ExitProcess so that the process end unwinds to the
// program's entry point (the CLI and the tests catch it). The real backend
// never returns from ExitProcess.
struct ProcessExit {
  uint32_t code;
};

class System {
 public:
  virtual ~System() = default;

  // Files and devices, with CreateFileW semantics. Paths are Windows paths:
  // "\\.\PhysicalDrive3", "\\.\C:", "\\?\Volume{...}", "C:\BOOT\BootFix".
  virtual Handle CreateFile(const std::wstring& path, uint32_t access, uint32_t share,
                            uint32_t disposition, uint32_t flags) = 0;
  virtual bool CloseHandle(Handle h) = 0;
  // SetFilePointer with FILE_BEGIN and the full 64-bit offset.
  virtual bool SetFilePointer(Handle h, uint64_t byteOffset) = 0;
  virtual bool ReadFile(Handle h, void* buffer, uint32_t bytes, uint32_t* done) = 0;
  virtual bool WriteFile(Handle h, const void* buffer, uint32_t bytes, uint32_t* done) = 0;
  // What was written through h is on the medium when this returns. On a
  // volume handle (opened with write access) that is every file of the
  // volume; a network drive cannot be flushed this way.
  virtual bool FlushFileBuffers(Handle h) = 0;
  virtual bool DeviceIoControl(Handle h, uint32_t code, const void* in, uint32_t inBytes, void* out,
                               uint32_t outBytes, uint32_t* returned) = 0;
  virtual uint32_t GetLastError() = 0;

  virtual bool DeleteFile(const std::wstring& path) = 0;
  virtual bool CreateDirectory(const std::wstring& path) = 0;
  virtual uint32_t GetFileAttributes(const std::wstring& path) = 0;
  // FindFirstFileW/FindNextFileW over a pattern ("C:\Windows*.*"); false
  // when nothing matches.
  virtual bool FindFiles(const std::wstring& pattern, std::vector<FindData>* found) = 0;

  // File metadata. Security descriptors travel in self-relative form;
  // information is the SECURITY_INFORMATION bits (DACL_SECURITY_INFORMATION
  // ...). Reparse points (junctions, symbolic links) are read and set with
  // FSCTL_GET_REPARSE_POINT / FSCTL_SET_REPARSE_POINT through DeviceIoControl
  // on a handle opened with FILE_FLAG_BACKUP_SEMANTICS |
  // FILE_FLAG_OPEN_REPARSE_POINT. Backends that lack a call fail it.
  virtual bool SetFileAttributes(const std::wstring& path, uint32_t attributes) { return false; }
  virtual bool RemoveDirectory(const std::wstring& path) { return false; }
  virtual bool GetFileSecurity(const std::wstring& path, uint32_t information, std::vector<uint8_t>* descriptor) {
    return false;
  }
  virtual bool SetFileSecurity(const std::wstring& path, uint32_t information,
                               const std::vector<uint8_t>& descriptor) {
    return false;
  }
  // GetShortPathNameW; "" on failure.
  virtual std::wstring GetShortPathName(const std::wstring& path) { return L""; }
  // GetFinalPathNameByHandleW (normalised, DOS volume names) on the path
  // opened with FILE_FLAG_BACKUP_SEMANTICS: where the path really leads,
  // every junction and symbolic link on the way followed, in the names'
  // stored spelling ("\\?\C:\Data\many", "\\?\UNC\server\share\x").
  // "" on failure.
  virtual std::wstring GetFinalPathName(const std::wstring& path) { return L""; }
  // SetFileShortNameW on a handle opened with GENERIC_ALL (a folder with
  // FILE_FLAG_BACKUP_SEMANTICS); needs the restore privilege on Windows.
  virtual bool SetFileShortName(Handle h, const std::wstring& shortName) { return false; }
  virtual bool GetFileTime(Handle h, FileTimes* times) { return false; }
  virtual bool SetFileTime(Handle h, const FileTimes& times) { return false; }
  virtual bool GetFileSize(Handle h, uint64_t* size) { return false; }

  // Volumes and drive letters
  virtual uint32_t GetLogicalDrives() = 0;
  virtual std::wstring GetLogicalDriveStrings() = 0;  // "C:\\0D:\\0...\0"
  virtual uint32_t GetDriveType(const std::wstring& root) = 0;
  // FindFirstVolumeW / FindNextVolumeW / FindVolumeClose, whole.
  virtual std::vector<std::wstring> FindVolumes() = 0;
  virtual bool GetVolumeInformation(const std::wstring& root, std::wstring* fileSystemName) = 0;
  virtual bool GetDiskFreeSpace(const std::wstring& root, DiskFreeSpace* space) = 0;
  virtual bool SetVolumeMountPoint(const std::wstring& mountPoint, const std::wstring& volumeName) = 0;
  // The label part of GetVolumeInformationW, and SetVolumeLabelW.
  virtual bool GetVolumeLabel(const std::wstring& root, std::wstring* label) { return false; }
  virtual bool SetVolumeLabel(const std::wstring& root, const std::wstring& label) { return false; }
  virtual bool DeleteVolumeMountPoint(const std::wstring& mountPoint) = 0;
  virtual std::wstring GetWindowsDirectory() = 0;
  virtual std::wstring GetSystemDirectory() = 0;

  // Registry (root is HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER); results are
  // Windows error codes, 0 for success.
  virtual long RegCreateKey(uint32_t root, const std::wstring& subKey, uint32_t access, Handle* key) = 0;
  virtual long RegQueryValue(Handle key, const std::wstring& name, uint32_t* type, std::vector<uint8_t>* data,
                             uint32_t maxBytes) = 0;
  virtual long RegSetValue(Handle key, const std::wstring& name, uint32_t type, const std::vector<uint8_t>& data) = 0;
  virtual long RegCloseKey(Handle key) = 0;

  // Processes and the process itself
  virtual MutexResult CreateMutex(const std::wstring& name) = 0;
  // CreateProcessW without inherited handles; kNullHandle when not started.
  virtual Handle CreateProcess(const std::wstring& application, const std::wstring& commandLine,
                               const std::wstring& currentDirectory) = 0;
  virtual bool GetExitCodeProcess(Handle process, uint32_t* code) = 0;
  virtual uint32_t WaitForSingleObject(Handle h, uint32_t milliseconds) = 0;
  // ShellExecuteW; the result is greater than 32 on success.
  virtual intptr_t ShellExecute(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                                const std::wstring& directory, int show) = 0;
  // ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS: the started process's
  // handle (wait for it with WaitForSingleObject, read its exit code with
  // GetExitCodeProcess, close it with CloseHandle), kNullHandle when
  // nothing was started.
  virtual Handle ShellExecuteEx(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                                const std::wstring& directory, int show) {
    return kNullHandle;
  }
  // Named pipes: opened with CreateFile on "\\.\pipe\NAME"; a message
  // longer than the read buffer fails ReadFile with ERROR_MORE_DATA and
  // the rest follows on the next read.
  virtual bool WaitNamedPipe(const std::wstring& name, uint32_t milliseconds) { return false; }
  virtual bool SetNamedPipeHandleState(Handle pipe, uint32_t mode) { return false; }
  // PeekNamedPipe: the bytes waiting in the pipe and those left of the
  // message at its head, without waiting for them (a read of an empty pipe
  // would wait for ever).
  virtual bool PeekNamedPipe(Handle pipe, uint32_t* bytesAvailable, uint32_t* messageBytesLeft) { return false; }
  // The shadow-copy helper libraries: LoadLibraryW of name with its exports
  // "ShadowCopy" (volume root in, shadow-copy path out) and
  // "DeleteShadowCopy". kNullHandle when the library or an export is
  // missing. FreeShadowLibrary unloads it.
  virtual Handle LoadShadowLibrary(const std::wstring& name) { return kNullHandle; }
  virtual bool ShadowCopy(Handle library, const std::wstring& root, std::wstring* shadowPath) { return false; }
  virtual bool DeleteShadowCopy(Handle library) { return false; }
  virtual void FreeShadowLibrary(Handle library) {}
  virtual bool IsWow64Process() = 0;
  virtual OsVersion GetVersion() = 0;
  virtual std::wstring GetModuleFileName() = 0;
  // The command line as the process received it, without the program path.
  virtual std::wstring GetCommandLineArguments() = 0;
  [[noreturn]] virtual void ExitProcess(uint32_t code) = 0;
  // Enables the shutdown privilege and calls ExitWindowsEx.
  virtual bool ExitWindows(uint32_t flags, uint32_t reason) = 0;
  // Runs fn on a new thread; false when the thread cannot be created.
  virtual bool StartThread(std::function<void()> fn) = 0;

  // Time
  virtual void Sleep(uint32_t milliseconds) = 0;
  virtual uint32_t GetTickCount() = 0;
  virtual std::time_t Now() = 0;                   // wall clock, seconds
  virtual std::tm LocalTime(std::time_t t) = 0;    // broken down in the machine's zone
  virtual uint32_t SetThreadExecutionState(uint32_t flags) = 0;

  // Cursor: returns the cursor shown before.
  virtual Cursor SetCursor(Cursor c) = 0;

  // CoCreateGuid
  virtual void CreateGuid(uint8_t out[16]) = 0;

  // The format library (fmifs.dll) and its FormatEx export, called with the
  // root path, media type, file-system name, label, quick flag, cluster
  // size in bytes and a callback (command, sub-action, argument; the
  // argument points at a DWORD percentage for progress (0) and at a BOOLEAN
  // success value for done (11)). The callback returns whether to go on.
  // False when the library or its export cannot be loaded.
  using FormatCallback = std::function<bool(uint32_t command, uint32_t subAction, void* argument)>;
  virtual bool FormatEx(const std::wstring& root, uint32_t mediaType, const std::wstring& fileSystem,
                        const std::wstring& label, bool quick, uint32_t clusterBytes, const FormatCallback& callback) {
    return false;
  }

  // A short description for titles and diagnostics ("" on real Windows).
  virtual std::wstring SimulationName() { return L""; }
};

// The process-wide system. The program entry picks the backend once.
System& Sys();
void SetSystem(System* system);
bool HasSystem();

}  // namespace platform
