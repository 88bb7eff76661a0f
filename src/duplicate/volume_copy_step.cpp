#include "duplicate/volume_copy_step.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/language.h"
#include "duplicate/duplication_job.h"
#include "duplicate/volume_copy.h"
#include "platform/winapi.h"
#include "tools/shadow_copy.h"
#include "ui/window.h"

namespace duplicate {

namespace {

// The run's snapshots: one per source volume, shared by the copy and the
// verify pass, deleted when the run ends.
tools::ShadowSession& Shadows() {
  static tools::ShadowSession session;
  return session;
}

// Shows a volume copy on the progress page: the bar and the copied field
// continue from where the run stood when the volume began.
class PageObserver : public VolumeCopyObserver {
 public:
  PageObserver(CopyProgress& progress, uint64_t base) : progress_(progress), base_(base) {}

  bool Progress(const VolumeCopyProgress& p) override {
    uint64_t done = base_ + p.stats.CopiedSectors + p.bytesOfCurrentFile / 512;
    const int64_t total = std::max<int64_t>(DuplicationJob.ProgressTotal, 1);
    progress_.Position(std::min<int64_t>(total, int64_t(std::min<uint64_t>(done, uint64_t(total)))));
    progress_.Copied(done);
    progress_.Elapsed();
    progress_.Pump();
    return !DuplicationJob.CancelRequested;
  }

  bool ContinueAfterFolderError(const std::wstring& source, const std::wstring& destination) override {
    std::wstring question = app::T(L"IDS_ErrorInCopying") + L" " + source + L" " + app::T(L"IDS_To") + L" " +
                            destination + app::T(L"IDS_ContinueCopying");
    return ui::MessageBox(question, win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL) == win::IDYES;
  }

 private:
  CopyProgress& progress_;
  uint64_t base_;
};

}  // namespace

bool CopyVolumeFiles(CopyProgress& progress, const std::wstring& destinationRoot, const std::wstring& sourceRoot,
                     bool verify, std::vector<std::wstring>* notCopied) {
  DuplicationJobRecord& j = DuplicationJob;
  // The verify pass runs over the same data again: its bar starts afresh.
  const uint64_t base = verify ? 0 : j.CopiedSectors;
  progress.Range(0, std::max<int64_t>(j.ProgressTotal, 1));
  VolumeCopyOptions options;
  options.verify = verify;
  options.shadows = &Shadows();
  if (verify) options.notCopied = notCopied;
  VolumeCopyStats stats;
  PageObserver observer(progress, base);
  VolumeCopyResult result = CopyPartitionContents(destinationRoot, sourceRoot, options, &stats, &observer);

  if (!verify) {
    j.FilesCopied += stats.FilesCopied;
    j.FilesNotCopied += stats.FileErrorCount;
    j.CopiedBytes += stats.CopiedBytes;
    j.CopiedSectors = base + stats.CopiedSectors;
    *notCopied = std::move(stats.NotCopied);
    std::sort(notCopied->begin(), notCopied->end());
  }
  j.VerifyErrorCount += stats.VerifyErrorCount;
  j.WriteErrorCount += stats.WriteErrorCount;
  for (const FailedFile& f : stats.FileErrors) j.FileErrors.push_back({f.path, f.reason});
  // Failures beyond the listed ones still count: the list says how many.
  int listedFiles = int(stats.FileErrors.size()) - stats.VolumeErrors;
  if (stats.FileErrorCount > listedFiles)
    j.FileErrors.push_back({sourceRoot, app::T(L"IDS_MoreFileErrors") + L" " +
                                            std::to_wstring(stats.FileErrorCount - listedFiles)});
  switch (result) {
    case VolumeCopyResult::Completed:
    case VolumeCopyResult::CompletedWithErrors:
      return true;
    case VolumeCopyResult::Cancelled:
      j.CancelRequested = true;
      return false;
    case VolumeCopyResult::Failed:
      ++j.FailedStepCount;
      return false;
  }
  return false;
}

void ReleaseShadowCopies() { Shadows().Release(); }

}  // namespace duplicate
