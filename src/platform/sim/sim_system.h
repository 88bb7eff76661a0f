// The simulated PC: platform::System answered from disk images, a mount
// manager, an in-memory registry and a clock. It behaves the way Windows and
// its disk driver behave towards the program: device paths, access rights
// encoded in the control codes, whole-sector transfers on uncached handles,
// raw writes refused on a mounted volume that is not locked, layout requests
// that write real partition-table bytes.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/dir_cache.h"
#include "platform/sim/file_meta.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_disk.h"
#include "platform/sim/sim_mount.h"
#include "platform/sim/sim_registry.h"
#include "platform/system.h"

namespace sim {

struct SimSnapshot;

// A program start. Scripts (".cmd", ".bat", "cmd /c"), the format command
// and the shadow-copy helper run inside the simulated PC; programs the
// machine file declares end with their configured exit code; any other
// program file that exists ends with 0. Every start is recorded.
struct StartedProgram {
  std::wstring how;  // "CreateProcess", "ShellExecute" or "ShellExecuteEx"
  std::wstring file;
  std::wstring parameters;  // the command line for CreateProcess
  std::wstring directory;
  std::wstring verb;
  int show = 0;
  bool started = true;
  uint32_t exitCode = 0;
  bool running = false;   // still running (a server such as the shadow-copy helper)
  uint64_t endsAtMicros = 0;  // a program given a run time ends when the machine's clock reaches this
  std::wstring output;    // what it wrote on its console
};

// Thrown where the real call would never return (a format library that
// never reports done, a read from a pipe nobody writes to): the simulated
// thread unwinds instead of blocking. A worker thread started with
// StartThread is then left blocked for good; on the program's own thread
// the hang reaches the caller, as a hung program would reach its operator.
struct Hang {
  std::string what;
};

class SimSystem : public platform::System {
 public:
  // Opens every disk image (creating sparse ones where a size is given)
  // and mounts the volumes; nullptr with a message on failure.
  static std::unique_ptr<SimSystem> Create(const MachineConfig& config, std::string* error);

  // ---- platform::System
  platform::Handle CreateFile(const std::wstring& path, uint32_t access, uint32_t share, uint32_t disposition,
                              uint32_t flags) override;
  bool CloseHandle(platform::Handle h) override;
  bool SetFilePointer(platform::Handle h, uint64_t byteOffset) override;
  bool ReadFile(platform::Handle h, void* buffer, uint32_t bytes, uint32_t* done) override;
  bool WriteFile(platform::Handle h, const void* buffer, uint32_t bytes, uint32_t* done) override;
  bool FlushFileBuffers(platform::Handle h) override;
  bool DeviceIoControl(platform::Handle h, uint32_t code, const void* in, uint32_t inBytes, void* out,
                       uint32_t outBytes, uint32_t* returned) override;
  uint32_t GetLastError() override { return lastError_; }

  bool DeleteFile(const std::wstring& path) override;
  bool CreateDirectory(const std::wstring& path) override;
  uint32_t GetFileAttributes(const std::wstring& path) override;
  bool FindFiles(const std::wstring& pattern, std::vector<platform::FindData>* found) override;
  // File metadata (sim_file_meta.cpp).
  bool SetFileAttributes(const std::wstring& path, uint32_t attributes) override;
  bool RemoveDirectory(const std::wstring& path) override;
  bool GetFileSecurity(const std::wstring& path, uint32_t information, std::vector<uint8_t>* descriptor) override;
  bool SetFileSecurity(const std::wstring& path, uint32_t information, const std::vector<uint8_t>& descriptor) override;
  std::wstring GetShortPathName(const std::wstring& path) override;
  std::wstring GetFinalPathName(const std::wstring& path) override;
  bool SetFileShortName(platform::Handle h, const std::wstring& shortName) override;
  bool GetFileTime(platform::Handle h, platform::FileTimes* times) override;
  bool SetFileTime(platform::Handle h, const platform::FileTimes& times) override;
  bool GetFileSize(platform::Handle h, uint64_t* size) override;
  bool GetVolumeLabel(const std::wstring& root, std::wstring* label) override;
  bool SetVolumeLabel(const std::wstring& root, const std::wstring& label) override;

  uint32_t GetLogicalDrives() override;
  std::wstring GetLogicalDriveStrings() override;
  uint32_t GetDriveType(const std::wstring& root) override;
  std::vector<std::wstring> FindVolumes() override;
  bool GetVolumeInformation(const std::wstring& root, std::wstring* fileSystemName) override;
  bool GetDiskFreeSpace(const std::wstring& root, platform::DiskFreeSpace* space) override;
  bool SetVolumeMountPoint(const std::wstring& mountPoint, const std::wstring& volumeName) override;
  bool DeleteVolumeMountPoint(const std::wstring& mountPoint) override;
  std::wstring GetWindowsDirectory() override { return config_.windowsDir; }
  std::wstring GetSystemDirectory() override { return config_.windowsDir + L"\\System32"; }

  long RegCreateKey(uint32_t root, const std::wstring& subKey, uint32_t access, platform::Handle* key) override;
  long RegQueryValue(platform::Handle key, const std::wstring& name, uint32_t* type, std::vector<uint8_t>* data,
                     uint32_t maxBytes) override;
  long RegSetValue(platform::Handle key, const std::wstring& name, uint32_t type,
                   const std::vector<uint8_t>& data) override;
  long RegCloseKey(platform::Handle key) override;

  platform::MutexResult CreateMutex(const std::wstring& name) override;
  platform::Handle CreateProcess(const std::wstring& application, const std::wstring& commandLine,
                                 const std::wstring& currentDirectory) override;
  bool GetExitCodeProcess(platform::Handle process, uint32_t* code) override;
  uint32_t WaitForSingleObject(platform::Handle h, uint32_t milliseconds) override;
  intptr_t ShellExecute(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                        const std::wstring& directory, int show) override;
  platform::Handle ShellExecuteEx(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                                  const std::wstring& directory, int show) override;
  // The shadow-copy helper's pipe and the helper libraries (sim_shadow_helper.cpp).
  bool WaitNamedPipe(const std::wstring& name, uint32_t milliseconds) override;
  bool SetNamedPipeHandleState(platform::Handle pipe, uint32_t mode) override;
  bool PeekNamedPipe(platform::Handle pipe, uint32_t* bytesAvailable, uint32_t* messageBytesLeft) override;
  platform::Handle LoadShadowLibrary(const std::wstring& name) override;
  bool ShadowCopy(platform::Handle library, const std::wstring& root, std::wstring* shadowPath) override;
  bool DeleteShadowCopy(platform::Handle library) override;
  void FreeShadowLibrary(platform::Handle library) override;
  bool IsWow64Process() override { return config_.wow64; }
  platform::OsVersion GetVersion() override;
  std::wstring GetModuleFileName() override { return config_.programPath; }
  std::wstring GetCommandLineArguments() override { return config_.commandLine; }
  [[noreturn]] void ExitProcess(uint32_t code) override;
  bool ExitWindows(uint32_t flags, uint32_t reason) override;
  bool StartThread(std::function<void()> fn) override;

  void Sleep(uint32_t milliseconds) override { clock_.Sleep(milliseconds); }
  uint32_t GetTickCount() override { return clock_.TickCount(); }
  std::time_t Now() override { return clock_.Now(); }
  std::tm LocalTime(std::time_t t) override;
  uint32_t SetThreadExecutionState(uint32_t flags) override;
  platform::Cursor SetCursor(platform::Cursor c) override;
  void CreateGuid(uint8_t out[16]) override;
  // The format library (sim_format.cpp).
  bool FormatEx(const std::wstring& root, uint32_t mediaType, const std::wstring& fileSystem,
                const std::wstring& label, bool quick, uint32_t clusterBytes, const FormatCallback& callback) override;
  std::wstring SimulationName() override;

  // ---- for tests, the CLI and the demo
  const MachineConfig& Config() const { return config_; }
  SimClock& Clock() { return clock_; }
  SimRegistry& Registry() { return registry_; }
  SimMountManager& Mounts() { return *mounts_; }
  int DiskCountSim() const { return int(disks_.size()); }
  SimDisk& Disk(int n) { return *disks_[size_t(n)]; }
  const std::vector<StartedProgram>& Started() const { return started_; }
  // Shadow copies that exist now (sim_snapshot.cpp); 0 or a Windows error.
  int SnapshotCount() const { return int(snapshots_.size()); }
  uint32_t MakeSnapshot(const std::wstring& root, int owner, int* number);
  bool DropSnapshot(int number);
  // Worker threads left blocked in a call that never returned.
  int HungThreads() const { return hungThreads_; }
  // Flushes of whole volumes asked for (FlushFileBuffers on a volume or drive).
  int VolumeFlushes() const { return volumeFlushes_; }
  int OpenHandleCount() const { return int(objects_.size()); }
  uint64_t ExecutionStateCalls() const { return executionStateCalls_; }
  platform::Cursor CurrentCursor() const { return cursor_; }
  // The host path a Windows path stands for ("" when it maps nowhere).
  std::string HostPathOf(const std::wstring& path, bool allowMissingLast = true);
  // Writes the file metadata of every volume to its folder (also done when
  // the machine goes).
  void SaveFileMetadata();
  ~SimSystem() override;

  // A Windows path resolved to the host (sim_paths.cpp).
  struct Resolved {
    std::string root;      // host folder of the tree: a volume, a drive, the program's folder
    std::string host;      // the host path
    std::string key;       // relative to root in host spelling, '/' between components; "" for the root
    std::wstring windows;  // the Windows path after the links on the way
    std::shared_ptr<SimVolume> volume;  // the volume it lies on (none for drives and the program folder)
    std::shared_ptr<SimSnapshot> snapshot;  // reached through this shadow copy
    bool exists = false;
    bool directory = false;
    bool longForm = false;  // given as "\\?\..."
  };
  // 0 or the Windows error: junctions and symbolic links on the way are
  // followed, the last component's too when followLast.
  uint32_t Resolve(const std::wstring& path, bool allowMissingLast, bool followLast, Resolved* out);

 public:
  struct Object;  // what a handle refers to (sim_object.h)

 private:
  explicit SimSystem(const MachineConfig& config);
  platform::Handle Add(std::shared_ptr<Object> o);
  std::shared_ptr<Object> Get(platform::Handle h);
  bool Fail(uint32_t code);
  bool DiskIoctl(Object& o, uint32_t code, const uint8_t* in, uint32_t inBytes, uint8_t* out, uint32_t outBytes,
                 uint32_t* returned);
  bool VolumeIoctl(Object& o, uint32_t code, const uint8_t* in, uint32_t inBytes, uint8_t* out, uint32_t outBytes,
                   uint32_t* returned);
  bool RawWriteAllowed(int disk, uint64_t lba, uint64_t count, const Object* writer);
  // The bytes a volume handle may reach: a mounted file system checks
  // transfers against its own size (NTFS leaves out its backup boot
  // sector), unless the handle asked for extended DASD I/O or dismounted it.
  uint64_t VolumeTransferLimit(const Object& o);
  bool GrowPartition(int disk, uint32_t partitionNumber, int64_t bytes);
  // \\server\share\... on a share of the machine file (sim_shares.cpp).
  bool SplitSharePath(const std::wstring& path, std::string* hostRoot, std::wstring* rest);
  // Splits a Windows path into a host root and the rest; volume and drive
  // letter, the program folder and volume-name roots are understood.
  bool SplitPath(const std::wstring& path, std::string* hostRoot, std::wstring* rest,
                 std::shared_ptr<SimVolume>* volume);
  uint32_t ResolveOnce(const std::wstring& path, bool allowMissingLast, bool followLast, Resolved* out,
                       std::wstring* redirect);
  // Files and folders (sim_files.cpp).
  platform::Handle OpenFile(const std::wstring& path, uint32_t access, uint32_t disposition, uint32_t flags);
  bool FileRead(Object& o, void* buffer, uint32_t bytes, uint32_t* done);
  bool FileWrite(Object& o, const void* buffer, uint32_t bytes);
  void FileClosed(Object& o);
  // File metadata and rules (sim_file_meta.cpp).
  Resolved ResolvedOf(const Object& o);  // the file or folder a handle was opened on
  MetaStore& Store(const std::string& root);
  const FileMeta* MetaOf(const Resolved& r);
  uint32_t AttributesOf(const Resolved& r);
  platform::FileTimes TimesOf(const Resolved& r);
  std::wstring ShortNameOf(const Resolved& r);
  void AssignShortNames(const std::string& root, const std::string& folderKey, const std::string& hostFolder);
  uint32_t WritableError(const Resolved& r);  // 0 or why the path's volume cannot be written
  uint32_t ReadableError(const Resolved& r);  // 0 or why the path's volume cannot be read
  void NewEntry(const Resolved& r, bool directory, uint32_t attributes);
  void EntryGone(const Resolved& r);
  uint64_t NowFileTime();
  bool ReparseIoctl(Object& o, uint32_t code, const uint8_t* in, uint32_t inBytes, uint8_t* out, uint32_t outBytes,
                    uint32_t* returned);
  // Space on a volume's folder: bytes in use, kept up to date by the
  // writes of the simulated PC.
  uint64_t& UsedBytes(const SimVolume& v);
  uint64_t CapacityBytes(const SimVolume& v) const { return v.lengthSectors * 512 / 4096 * 4096; }
  struct FileFault {
    bool inUse = false;   // held by the running system: a sharing violation on the live volume
    bool denied = false;  // access denied
    std::vector<uint64_t> readErrors;  // byte offsets that cannot be read
  };
  const FileFault* FaultOf(const Resolved& r);
  void AddFileFaults();
  void DropSnapshotsOf(const std::string& liveRoot);
  bool IsSnapshotRoot(const std::wstring& root);
  bool IsShadowHelper(const std::wstring& path);
  void StartShadowHelper(StartedProgram* p, size_t index);
  void StopShadowHelper();
  platform::Handle OpenPipe(const std::wstring& path, uint32_t access);
  bool PipeRead(Object& o, void* buffer, uint32_t bytes, uint32_t* done);
  bool PipeWrite(Object& o, const void* buffer, uint32_t bytes);
  void PipeClosed(Object& o);
  // Keeps a live file's contents for the shadow copies that hold it, before
  // it is changed or deleted.
  void KeepAside(const Resolved& r);
  uint32_t ResolveInSnapshot(int number, const std::wstring& rest, bool allowMissingLast, bool followLast,
                             Resolved* out, std::wstring* redirect);
  // A volume's file system as its boot sector names it, read again only
  // after its disk was written.
  std::string FileSystemOf(const SimVolume& v);
  bool VolumeRootOf(const std::wstring& root, std::shared_ptr<SimVolume>* volume, const SimDrive** drive);
  uint64_t UsedBytesOfFolder(const std::string& folder);
  const ProgramConfig* FindProgram(const std::wstring& path);
  // Processes (sim_process.cpp) and the command interpreter (sim_cmd.cpp).
  size_t Launch(StartedProgram p);
  std::wstring FindProgramFile(const std::wstring& file, const std::wstring& directory);
  uint32_t RunScript(const std::wstring& script, const std::wstring& arguments, const std::wstring& directory,
                     std::wstring* output);
  // A command's standard input: the lines of a "< file" redirection.
  struct CommandInput {
    std::vector<std::wstring> lines;
    size_t next = 0;
    bool exitRequested = false;  // "exit" ends the script
    bool ReadLine(std::wstring* line) {
      if (next >= lines.size()) return false;
      *line = lines[next++];
      return true;
    }
  };
  uint32_t RunCommandLine(const std::wstring& line, CommandInput& input, const std::wstring& directory,
                          std::wstring* output);
  uint32_t FormatCommand(const std::vector<std::wstring>& args, CommandInput& input, std::wstring* output);
  uint32_t MklinkCommand(const std::vector<std::wstring>& args, const std::wstring& directory, std::wstring* output);
  // The format both the library and the format command carry out: 0 or a
  // Windows error code (sim_format.cpp).
  uint32_t FormatVolume(const std::shared_ptr<SimVolume>& v, const std::string& fileSystem, const std::wstring& label,
                        bool quick, uint32_t clusterBytes, const std::function<bool(uint32_t)>& progress);

  MachineConfig config_;
  SimClock clock_;
  SimRegistry registry_;
  std::vector<std::unique_ptr<SimDisk>> disks_;
  std::unique_ptr<SimMountManager> mounts_;
  std::map<platform::Handle, std::shared_ptr<Object>> objects_;
  platform::Handle nextHandle_ = 0x100;
  // Like Windows' last error, the calling thread's own (the block copy
  // reads on threads beside the one that writes).
  static thread_local uint32_t lastError_;
  std::set<std::wstring> mutexes_;
  std::vector<StartedProgram> started_;
  uint64_t executionStateCalls_ = 0;
  platform::Cursor cursor_ = platform::Cursor::Arrow;
  uint64_t guidCounter_ = 0;
  int hungThreads_ = 0;
  int volumeFlushes_ = 0;
  std::map<std::string, std::unique_ptr<MetaStore>> stores_;
  DirCache dirs_;
  std::map<std::string, FileFault> fileFaults_;  // volume folder + "|" + folded key
  uint64_t faultsMounted_ = ~0ull;               // the mount generation fileFaults_ was made for
  uint64_t fileSystemsMounted_ = ~0ull;
  std::map<std::wstring, std::pair<uint64_t, std::string>> fileSystems_;  // by volume name: disk writes seen, name
  std::map<std::string, uint64_t> usedBytes_;  // by volume folder
  std::map<int, std::shared_ptr<SimSnapshot>> snapshots_;
  // The helper program while it runs: its pipe's one instance and the
  // messages waiting in it.
  struct PipeHelper {
    bool running = false;
    size_t process = 0;
    bool connected = false;
    std::vector<int> snapshots;
    std::deque<std::vector<uint8_t>> replies;
    size_t readOffset = 0;
  } helper_;
  int nextSnapshot_ = 1;
};

}  // namespace sim
