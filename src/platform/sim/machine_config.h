// What a simulated PC is made of: its disks (image files with geometry,
// identity and injected faults), its volumes' file folders, extra drive
// letters, registry seeds and the machine settings the program reads at
// start-up. Built from a machine file (INI) or from --disk options.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/ini.h"
#include "platform/sim/sim_smart.h"

namespace sim {

struct SectorRange {
  uint64_t first = 0;
  uint64_t last = 0;  // inclusive
  bool Contains(uint64_t lba) const { return lba >= first && lba <= last; }
  bool Overlaps(uint64_t lba, uint64_t count) const { return count && lba <= last && lba + count - 1 >= first; }
};

struct FlakySector {
  uint64_t lba = 0;
  int failures = 0;  // reads covering the sector that still fail
};

// A disk held in memory instead of an image file: only the sectors written
// are stored, the rest read as zeros. Used where a test or the fuzzer makes
// its disk from bytes.
struct MemoryImage {
  std::map<uint64_t, std::vector<uint8_t>> sectors;  // lba -> 512 bytes
};

struct DiskConfig {
  std::string image;         // host path of the image file or block device
  std::shared_ptr<MemoryImage> memory;  // set: the disk lives in memory (sizeBytes required)
  uint64_t sizeBytes = 0;    // 0: the image's own size
  std::string model = "Vektrel Virtual Disk";
  std::string serial;
  std::string busName = "Sata";
  uint32_t busType = 11;     // STORAGE_BUS_TYPE
  uint32_t sectorsPerTrack = 63;
  uint32_t tracksPerCylinder = 255;
  std::vector<SectorRange> bad;
  std::vector<FlakySector> flaky;
  std::vector<SectorRange> corrupt;
  bool writeProtected = false;
  bool removable = false;
  bool missing = false;  // the drive number does not answer (an unplugged disk)
  double megabytesPerSecond = 200;  // transfer speed charged to the virtual clock
  SmartSetting smart;               // what the drive answers to SMART and health-log requests
};

// A volume setting keyed by disk and start sector.
struct VolumeConfig {
  int disk = 0;
  uint64_t startLba = 0;
  wchar_t letter = 0;       // pinned letter; 0 = automatic
  bool noLetter = false;    // mounted without a letter
  std::string files;        // host folder of its files; empty = made on demand
  bool inUse = false;       // FSCTL_LOCK_VOLUME fails
  bool flushFails = false;  // flushing the volume fails (a disk that dropped cached writes)
};

// A drive letter that is not a partition: the Windows PE RAM disk, a CD
// drive, a mapped folder.
struct DriveConfig {
  wchar_t letter = 0;
  uint32_t driveType = 3;  // DRIVE_FIXED
  std::string files;       // host folder
  std::string fileSystem = "NTFS";
  bool flushFails = false;  // flushing the volume fails (a disk that dropped cached writes)
};

// A network share the machine reaches as \\server\share: a host folder.
struct ShareConfig {
  std::wstring server, name;
  std::string files;
};

struct RegistrySeed {
  std::wstring key;    // "HKLM\\SYSTEM\\..." without the value name
  std::wstring name;
  uint32_t type = 1;
  std::vector<uint8_t> data;
};

// Faults of one file, by its Windows path when the machine starts.
struct FileFaultConfig {
  std::wstring path;
  bool inUse = false;   // held open by the running system (readable through a shadow copy)
  bool denied = false;  // access denied
  std::vector<uint64_t> readErrors;  // byte offsets whose reads fail
};

struct ProgramConfig {
  std::wstring path;   // Windows path of a program that exists
  uint32_t exitCode = 0;
  uint64_t runMilliseconds = 0;  // how long it runs on the machine's clock
  bool neverEnds = false;        // it keeps running (a hung program)
};

// A [programs] value: "EXITCODE", "EXITCODE after 30s" (ms, s, min, h) or
// "never" (the program does not end). False with a message when malformed.
bool ParseProgramValue(const std::string& value, ProgramConfig* program, std::string* error);

// How the format library (fmifs.dll) behaves.
enum class FormatLibrary {
  Works,
  Hangs,    // reports progress, then never returns and never reports done
  Missing,  // cannot be loaded
};

// How the shadow-copy helper program "RxThunk.exe" in the program's folder
// behaves, when there is one.
enum class ShadowHelper {
  None,     // not there
  Answers,  // serves its pipe as it should
  Silent,   // takes requests and never answers
  Garbage,  // answers with text that is no shadow-copy path
  Long,     // answers with a message of a megabyte
  Busy,     // its pipe is always busy
  NoStart,  // ends at once without making its pipe
};

struct MachineConfig {
  std::string baseDir;             // folder that relative host paths are taken from
  std::wstring programPath;        // the program file as Windows sees it
  std::string programHost;         // host folder that stands for the program's folder
  std::wstring windowsDir;
  std::wstring commandLine;
  uint32_t versionMajor = 10, versionMinor = 0, build = 19045;
  bool wow64 = false;
  std::string language = "English";
  bool virtualClock = true;
  std::time_t startTime = 1796810400;  // 2026-12-09 10:00:00 UTC
  int diskCount = -1;              // registry "Count"; -1 follows the disks
  std::string filesRoot;           // where volume folders are made on demand
  bool anotherInstance = false;    // the single-instance mutex already exists
  FormatLibrary formatLibrary = FormatLibrary::Works;
  ShadowHelper shadowHelper = ShadowHelper::None;
  std::vector<std::wstring> shadowLibraries;  // "Vshadow32.dll", "VshadowXP.dll" when present
  std::vector<std::wstring> deniedKeys;
  std::vector<DiskConfig> disks;
  std::vector<VolumeConfig> volumes;
  std::vector<DriveConfig> drives;
  std::vector<ShareConfig> shares;
  std::vector<RegistrySeed> registry;
  std::vector<ProgramConfig> programs;
  std::vector<FileFaultConfig> fileFaults;
};

// Sizes: "512", "100MiB", "3TiB", "1.5GiB"; KiB/MiB/GiB/TiB (and K/M/G/T)
// are powers of 1024. Returns false on anything else.
bool ParseSize(const std::string& text, uint64_t* bytes);
bool ParseBusName(const std::string& name, uint32_t* busType);

// Applies one "key=value" disk setting; false with a message when unknown
// or malformed.
bool ApplyDiskSetting(DiskConfig* disk, const std::string& key, const std::string& value, std::string* error);

// "IMAGE[,key=value...]" as given to --disk.
bool ParseDiskOption(const std::string& option, DiskConfig* disk, std::string* error);

bool LoadMachineFile(const std::string& path, MachineConfig* config, std::string* error);
bool MachineFromIni(const IniFile& ini, const std::string& baseDir, MachineConfig* config, std::string* error);

// Fills the settings left empty (program path and host, Windows folder,
// files root) from the others.
void CompleteMachineConfig(MachineConfig* config, const std::string& executableDir);

}  // namespace sim
