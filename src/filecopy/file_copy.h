// The file copy: chosen files and folders copied into one destination
// folder, each file in 4 MiB write-through chunks with its attributes,
// times and access-control list (the duplication's per-file copy), each
// folder listed once and given its attributes and times after its
// contents. Junctions and symbolic links are skipped and counted, never
// walked; a folder nested deeper than 256 levels is an error. On an
// installed Windows the sources are read through one shadow copy per
// volume, all deleted when the copy ends, however it ends.
//
// Every file or folder that is not copied is counted with its path and the
// reason, and nothing half-copied is left behind. A destination that
// overlaps a source is refused before anything is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "duplicate/volume_copy.h"
#include "filecopy/copy_paths.h"

namespace filecopy {

using duplicate::FailedFile;

struct FileCopyStats {
  int FilesCopied = 0;
  int FoldersCopied = 0;
  int LinksSkipped = 0;  // junctions and symbolic links, left out
  int Skipped = 0;       // system entries the skip rules left out
  // What was left out on purpose inside the chosen folders (system entries
  // and links), with why: the first kMaxListedErrors of them. It does not
  // fail the copy; a chosen source that is such an entry is an error.
  std::vector<FailedFile> SkippedEntries;
  uint64_t TotalBytes = 0;
  uint64_t BytesCopied = 0;
  int FileErrorCount = 0;
  std::vector<FailedFile> FileErrors;  // the first kMaxListedErrors of them
  int ShadowCopies = 0;  // made for the copy (one per volume), all deleted at its end
  std::vector<std::pair<std::wstring, tools::ShadowProblem>> LiveVolumes;

  int SkippedCount = 0;  // entries left out on purpose, listed or not
  // first: at the head of the list, where no cap can hide it.
  void AddError(const std::wstring& path, const std::wstring& reason, bool first = false);
  void AddSkipped(const std::wstring& path, const std::wstring& reason);
};

enum class FileCopyResult {
  Completed,            // "IDS_Completed_File"
  CompletedWithErrors,  // "IDS_Completed_Error_File"
  Cancelled,            // "IDS_Aborted_File"
  Failed,               // "IDS_Fail_File": nothing could start (overlap, destination, memory)
};

struct FileCopyProgress {
  const FileCopyStats& stats;
  const std::wstring& path;  // the source at hand
  uint64_t done;             // bytes copied so far, the current file's part included
};

class FileCopyObserver {
 public:
  virtual ~FileCopyObserver() = default;
  // False asks the copy to stop (Cancel).
  virtual bool Progress(const FileCopyProgress& progress) { return true; }
};

struct FileCopyOptions {
  bool readThroughShadow = true;  // not on Windows PE
};

// The bytes of the files a source holds, listed by the copy's own rules.
uint64_t SourceBytes(const SourceEntry& source);

// Copies every source into destination. Fills stats.TotalBytes first.
FileCopyResult CopySources(const std::vector<SourceEntry>& sources, const std::wstring& destination,
                           const FileCopyOptions& options, FileCopyStats* stats, FileCopyObserver* observer = nullptr);

// True for the entries the file copy leaves out wherever they are: the
// volume's system folder, recycle bins, page and hibernation files.
bool SkippedByFileCopy(const platform::FindData& entry);
// Why an entry is left out ("system file, skipped"); "" for one copied.
std::wstring SkipReason(const platform::FindData& entry);

// A junction (mount point) or symbolic link: never walked, never copied.
bool IsJunctionOrLink(const platform::FindData& entry);

// done of total in percent (0..100); an empty total counts as done.
uint32_t Percent(uint64_t done, uint64_t total);
// The seconds still to go at the rate so far; 0 before anything is done.
uint64_t RemainingSeconds(uint64_t done, uint64_t total, uint64_t elapsedSeconds);

}  // namespace filecopy
