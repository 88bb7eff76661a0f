// The state of one duplication: what the operator chose on the source,
// destination and option pages, and what the run did (position, counters,
// every unreadable sector and failed file, the result). One process-wide
// record: the pages fill it, the engines and the driver read and update
// it, the summary and the console report it.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace duplicate {

enum class CopyKind { Basic, SectorBySector };
// The values the destination page stores (Auto 0, Same 1, Manual 2).
enum class Expansion : int32_t { NotChosen = -1, Auto = 0, Same = 1, Manual = 2 };
enum class DuplicationResult { NotRun, Completed, CompletedError, Aborted };

// Sectors first..last (inclusive) of the source that could not be read.
struct LbaRange {
  uint64_t first = 0;
  uint64_t last = 0;
  bool operator==(const LbaRange&) const = default;
};

// A file (or folder) the volume copy could not copy or verify, and why.
struct FileError {
  std::wstring path;
  std::wstring reason;
};

struct DuplicationJobRecord {
  // ---- chosen on the source page
  CopyKind CopyMode = CopyKind::Basic;
  int32_t SourceDisk = -1;  // DiskTable index
  bool SourceIsPartition = false;
  uint64_t SourceStart = 0;   // sectors; 0 for a disk
  uint64_t SourceLength = 0;  // sectors; the disk's exact length for a disk
  bool SourceActive = false;  // the source partition's MBR entry carries 0x80
  // The source partition's own MBR type byte (0x07, 0x0C, 0x0E, 0x07 for
  // exFAT, 0x83 ...); 0 when it has none (a GPT partition).
  uint8_t SourceTypeByte = 0;
  wchar_t SourceLetter = 0;  // the partition's letter, 0 none
  int32_t SourceRow = -1;    // row of the partition in its disk's PartitionEntry list
  std::wstring SourceDescription;
  bool SourceIsGpt = false;
  // Windows 7 pair: the boot partition in front of the Windows partition
  // is copied with it; PairCount is the checked row's distance from its disk row.
  bool Windows7Pair = false;
  int32_t PairCount = 0;

  // ---- chosen on the destination page
  int32_t DestinationDisk = -1;  // DiskTable index
  bool DestinationIsPartition = false;
  uint64_t DestinationStart = 0;   // sectors
  uint64_t DestinationLength = 0;  // sectors available (disk or partition)
  uint64_t DestinationTableLba = 0;  // the MBR or EBR holding the destination entry
  int32_t DestinationSlot = -1;      // its entry (0..3) in that table; -1 none (GPT)
  wchar_t DestinationLetter = 0;
  // A partition destination's length after preparation (Same: the source
  // length; Manual: the chosen size; Auto: its current length).
  uint64_t DestinationPlannedLength = 0;
  std::wstring DestinationDescription;
  Expansion ExpansionMode = Expansion::NotChosen;

  // ---- chosen on the option page
  bool BadSectorScan = false;
  bool Verify = false;
  bool ChangeSid = false;  // shown and stored; nothing acts on it

  // ---- the run
  bool Started = false;
  bool CancelRequested = false;  // Cancel, or a step that must stop the run
  std::time_t StartTime = 0;
  int64_t ProgressTotal = 0;  // sectors the progress percentages count against
  uint64_t LastPosition = 0;  // sectors, for the summary
  uint64_t CopiedSectors = 0;  // position of the running loop, relative to its range
  uint64_t CopiedBytes = 0;
  int32_t VerifyErrorCount = 0;  // blocks (and file chunks) that stayed different after repair
  int32_t SecondVerifyCount = 0;  // always 0 in a duplication; the summary shows it
  int32_t WriteErrorCount = 0;   // failed block writes, short file writes
  uint64_t UnwrittenSectors = 0;  // sectors of the failed block writes: not part of CopiedBytes
  uint64_t UnreadableSectorCount = 0;  // source sectors written as zeros
  std::vector<LbaRange> UnreadableRanges;  // ascending, adjacent sectors joined
  // Steps that could not run at all (a disk that cannot be opened, no
  // memory, a volume that cannot be taken); each was shown to the operator.
  int32_t FailedStepCount = 0;
  int32_t FilesCopied = 0;
  int32_t FilesNotCopied = 0;  // failures of the copy pass, listed or not
  std::vector<FileError> FileErrors;  // filled by the volume copy
  // The boot pair: the source path holding "\BOOT\BCD" and where it went.
  std::wstring BootPairSource;
  std::wstring BootPairDestination;
  std::wstring WindowsVolume;  // "X:" of the destination that got "\WINDOWS\SYSTEM32"
  // The partition number the copy made active, 0 none.
  uint32_t ActivatedPartition = 0;
  bool ScanStopped = false;  // the prescan was stopped by the operator
  int64_t ElapsedSeconds = 0;  // the last elapsed time shown
  DuplicationResult Result = DuplicationResult::NotRun;
};

extern DuplicationJobRecord DuplicationJob;

// A fresh record (every choice unmade, every counter 0).
void ResetDuplicationJob();
// Clears the run part only (counters, lists, flags), keeping the choices:
// done when a duplication starts.
void ResetRunState();

// Adds one unreadable source sector to UnreadableRanges and the count.
void AddUnreadableSector(uint64_t lba);
// Takes the sectors first .. first + count - 1 off the list and the count:
// the verify pass read them after all and the copy holds them.
void ClearUnreadableSectors(uint64_t first, uint64_t count);
// The result the counters say: Aborted when cancelled, CompletedError when
// any sector, block, file or step failed, else Completed.
DuplicationResult JudgeResult();

}  // namespace duplicate
