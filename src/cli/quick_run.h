// The quick duplicate on the console, shared by quick and by start (the
// One Click tile and the unattended "/B ONECLICK" start): the progress page
// started (its question answered by --yes), the summary closed, and what
// the run did printed as duplicate prints it.
#pragma once

#include <vector>

#include "cli/context.h"
#include "duplicate/planned_rows.h"

namespace cli {

struct QuickRun {
  bool opened = false;  // the progress page was shown
  bool ran = false;     // Start was confirmed and the run happened
  std::vector<duplicate::PlannedLine> plan;
  bool gpt = false;
};

// Installs the page scripts (and the answer to "IDS_MessageblankDisk":
// Cancel, the console names its disks with duplicate instead).
void ScriptQuickPages(Context& c, QuickRun* run);
// Prints the plan and the summary (or JSON); the exit code: 0 only when
// the copy completed.
int ReportQuick(Context& c, const QuickRun& run);

}  // namespace cli
