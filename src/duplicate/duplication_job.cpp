#include "duplicate/duplication_job.h"

#include <algorithm>

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
  j.UnwrittenSectors = fresh.UnwrittenSectors;
  j.UnreadableSectorCount = fresh.UnreadableSectorCount;
  j.UnreadableRanges.clear();
  j.FailedStepCount = fresh.FailedStepCount;
  j.FilesCopied = fresh.FilesCopied;
  j.FilesNotCopied = fresh.FilesNotCopied;
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
  // The first range that does not end before lba - 1: lba joins it, or
  // comes in front of it.
  auto it = std::lower_bound(ranges.begin(), ranges.end(), lba,
                             [](const LbaRange& r, uint64_t v) { return r.last + 1 < v; });
  if (it != ranges.end() && it->first <= lba && lba <= it->last) return;  // listed already (a second pass)
  ++DuplicationJob.UnreadableSectorCount;
  if (it != ranges.end() && it->last + 1 == lba) {
    it->last = lba;
    auto next = it + 1;
    if (next != ranges.end() && next->first == lba + 1) {
      it->last = next->last;
      ranges.erase(next);
    }
  } else if (it != ranges.end() && it->first == lba + 1) {
    it->first = lba;
  } else {
    ranges.insert(it, {lba, lba});
  }
}

void ClearUnreadableSectors(uint64_t first, uint64_t count) {
  if (count == 0) return;
  auto& ranges = DuplicationJob.UnreadableRanges;
  const uint64_t last = first + count - 1;
  auto it = std::lower_bound(ranges.begin(), ranges.end(), first,
                             [](const LbaRange& r, uint64_t v) { return r.last < v; });
  while (it != ranges.end() && it->first <= last) {
    uint64_t from = std::max(it->first, first), to = std::min(it->last, last);
    DuplicationJob.UnreadableSectorCount -= to - from + 1;
    if (it->first < from && to < it->last) {  // a hole in the middle: two ranges
      LbaRange tail{to + 1, it->last};
      it->last = from - 1;
      ranges.insert(it + 1, tail);
      return;
    }
    if (it->first < from) {
      it->last = from - 1;
      ++it;
    } else if (to < it->last) {
      it->first = to + 1;
      return;
    } else {
      it = ranges.erase(it);
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
