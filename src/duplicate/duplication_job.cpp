#include "duplicate/duplication_job.h"

namespace duplicate {

DuplicationJobRecord DuplicationJob;

void ResetDuplicationJob() { DuplicationJob = DuplicationJobRecord{}; }

void ResetRunState() {
  DuplicationJobRecord fresh;
  DuplicationJobRecord& j = DuplicationJob;
  j.Started = fresh.Started;
  j.CancelRequested = fresh.CancelRequested;
  j.StartTime = fresh.StartTime;
  j.ProgressTotal = fresh.ProgressTotal;
  j.LastPosition = fresh.LastPosition;
  j.CopiedSectors = fresh.CopiedSectors;
  j.CopiedBytes = fresh.CopiedBytes;
  j.VerifyErrorCount = fresh.VerifyErrorCount;
  j.SecondVerifyCount = fresh.SecondVerifyCount;
  j.WriteErrorCount = fresh.WriteErrorCount;
  j.UnreadableSectorCount = fresh.UnreadableSectorCount;
  j.UnreadableRanges.clear();
  j.FailedStepCount = fresh.FailedStepCount;
  j.FilesCopied = fresh.FilesCopied;
  j.FileErrors.clear();
  j.BootPairSource.clear();
  j.BootPairDestination.clear();
  j.WindowsVolume.clear();
  j.ActivatedPartition = fresh.ActivatedPartition;
  j.ScanStopped = fresh.ScanStopped;
  j.ElapsedSeconds = fresh.ElapsedSeconds;
  j.Result = fresh.Result;
}

void AddUnreadableSector(uint64_t lba) {
  auto& ranges = DuplicationJob.UnreadableRanges;
  ++DuplicationJob.UnreadableSectorCount;
  if (!ranges.empty() && ranges.back().last + 1 == lba) ranges.back().last = lba;
  else if (ranges.empty() || ranges.back().last < lba) ranges.push_back({lba, lba});
  else {
    // Out of order (a verify pass that meets a sector the copy pass listed
    // is not counted twice; the caller only adds new sectors). Kept sorted.
    for (auto it = ranges.begin(); it != ranges.end(); ++it) {
      if (lba >= it->first && lba <= it->last) {
        --DuplicationJob.UnreadableSectorCount;
        return;
      }
      if (lba < it->first) {
        ranges.insert(it, {lba, lba});
        return;
      }
    }
  }
}

DuplicationResult JudgeResult() {
  const DuplicationJobRecord& j = DuplicationJob;
  if (j.CancelRequested) return DuplicationResult::Aborted;
  if (j.VerifyErrorCount > 0 || j.WriteErrorCount > 0 || j.UnreadableSectorCount > 0 || j.FailedStepCount > 0 ||
      !j.FileErrors.empty())
    return DuplicationResult::CompletedError;
  return DuplicationResult::Completed;
}

}  // namespace duplicate
