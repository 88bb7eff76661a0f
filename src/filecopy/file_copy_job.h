// The file copy wizard's choices, kept across its pages (a page is made
// afresh when Back returns to it).
#pragma once

#include <string>
#include <vector>

#include "filecopy/copy_paths.h"
#include "filecopy/file_copy.h"

namespace filecopy {

struct FileCopyJob {
  std::vector<SourceEntry> SourceList;
  std::wstring Destination;
  FileCopyResult Result = FileCopyResult::Failed;
  FileCopyStats Stats;
  bool Ran = false;
};

FileCopyJob& CurrentFileCopyJob();
void ResetFileCopyJob();

// The wizard's three pages in turn.
void RunFileCopyWizard();

}  // namespace filecopy
