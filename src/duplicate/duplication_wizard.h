// The duplication wizard: source page, destination page, option page,
// progress page, summary page. The main window's Duplicate tile and menu
// item open it (app::OpenDuplicationWizard).
#pragma once

namespace duplicate {

// Runs the wizard from its first page with a fresh DuplicationJob.
void RunDuplicationWizard();

}  // namespace duplicate
