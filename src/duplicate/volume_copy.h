// The file-level copy of one volume for the basic duplication: every
// folder listed once and walked to the files, each file copied (or, in the
// verify pass, compared and repaired) with its attributes, times, access
// rights and short name, the folders given theirs after their contents,
// and the junctions and symbolic links recorded on the way and re-created
// at the end, never descended into. On an installed Windows the source is
// read through a shadow copy of its volume, so that files in use are
// copied too.
//
// What is not copied at the volume's root: "System Volume Information",
// "RECYCLER", "Recycled", "$RECYCLE.BIN" (and its variants), pagefile.sys,
// hiberfil.sys and swapfile.sys, by exact name in any letter case.
//
// Every file that is not copied is counted with its path and the reason;
// the result says Completed only when there is none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "duplicate/file_transfer.h"
#include "tools/shadow_copy.h"

namespace duplicate {

// Named apart from the duplication record's own list entry, which the
// driver fills from these.
struct FailedFile {
  std::wstring path;    // as the operator knows it: on the source volume ("C:\..."), or the copy's path
  std::wstring reason;  // DescribeFailure's words
};

// Counters of one volume's copy, added to across calls (the copy pass,
// then the verify pass; volume after volume).
struct VolumeCopyStats {
  int FilesCopied = 0;           // files copied by the copy pass
  int FoldersCopied = 0;
  int LinksRecreated = 0;
  int Skipped = 0;               // entries the skip rules left out
  uint64_t CopiedBytes = 0;      // bytes of the files copied (copy pass)
  uint64_t CopiedSectors = 0;    // bytes of the files handled in both passes / 512
  int VerifyErrorCount = 0;      // files that stayed different after three repairs
  int WriteErrorCount = 0;       // files the destination took only part of
  int FileErrorCount = 0;        // every failure, listed or not
  std::vector<FailedFile> FileErrors;  // the first kMaxListedErrors of them
  int VolumeErrors = 0;          // entries of FileErrors about the volume, not a file (a failed flush)
  std::vector<std::wstring> NotCopied;  // copy pass: files it could not copy, folders it could not list or create, by path below the root
  // The volumes read live although a shadow copy was wanted, with why.
  std::vector<std::pair<std::wstring, tools::ShadowProblem>> LiveVolumes;

  bool HasErrors() const { return FileErrorCount > 0 || VerifyErrorCount > 0 || WriteErrorCount > 0; }
  void AddError(const std::wstring& path, const std::wstring& reason);
};
inline constexpr size_t kMaxListedErrors = 10000;
// Puts failure at the head of list, where the cap cannot hide it.
void ListFirst(std::vector<FailedFile>* list, FailedFile failure);

enum class VolumeCopyResult {
  Completed,            // everything copied
  CompletedWithErrors,  // the rest copied; the errors are in the stats
  Cancelled,            // stopped on request
  Failed,               // the copy could not start (no memory, no destination), or the operator stopped it
};

struct VolumeCopyProgress {
  const VolumeCopyStats& stats;
  const std::wstring& path;       // the source file or folder at hand
  uint64_t bytesOfCurrentFile;    // done of it so far
  bool verifying;
};

// The page's side of a volume copy. Called after every file and chunk;
// the page shows progress and pumps its messages there.
class VolumeCopyObserver {
 public:
  virtual ~VolumeCopyObserver() = default;
  // False asks the copy to stop (Cancel).
  virtual bool Progress(const VolumeCopyProgress& progress) { return true; }
  // A folder could not be made or listed: go on with the rest of the
  // volume? (The page asks the operator.)
  virtual bool ContinueAfterFolderError(const std::wstring& source, const std::wstring& destination) {
    return true;
  }
};

struct VolumeCopyOptions {
  bool verify = false;  // the verify pass: compare, repair up to three times, count what stays different
  // The duplication's shadow copies, shared by its passes and deleted by
  // its end; without one the call makes and deletes its own. Not used on
  // Windows PE or with readThroughShadow off.
  tools::ShadowSession* shadows = nullptr;
  bool readThroughShadow = true;
  // The verify pass: the copy pass's NotCopied, sorted. Those files and
  // folders are counted already; comparing them would count them again.
  const std::vector<std::wstring>* notCopied = nullptr;
};

// Copies (or verifies) the files of sourceRoot onto destinationRoot
// ("C:", "E:" or volume names "\\?\Volume{...}\"); sets the source's label
// on the destination after a copy pass that was not stopped.
VolumeCopyResult CopyPartitionContents(const std::wstring& destinationRoot, const std::wstring& sourceRoot,
                                       const VolumeCopyOptions& options, VolumeCopyStats* stats,
                                       VolumeCopyObserver* observer = nullptr);

// True for the names the copy leaves out at a volume's root.
bool SkippedAtVolumeRoot(const std::wstring& name);

}  // namespace duplicate
