#include "app/wizards.h"
#include "erase/page_chain.h"
#include "filecopy/file_copy_job.h"
#include "filecopy/file_copy_pages.h"

namespace filecopy {

namespace {
FileCopyJob& Job() {
  static FileCopyJob job;
  return job;
}
}  // namespace

FileCopyJob& CurrentFileCopyJob() { return Job(); }
void ResetFileCopyJob() { Job() = FileCopyJob{}; }

void RunFileCopyWizard() {
  ResetFileCopyJob();
  erase::RunPageChain({erase::MakePage<CBackupFiles>(), erase::MakePage<CBit1>(), erase::MakePage<CClone1>()});
}

}  // namespace filecopy

namespace app {

void OpenFileCopyWizard() { filecopy::RunFileCopyWizard(); }

}  // namespace app
