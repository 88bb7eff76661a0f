#include "duplicate/duplication_wizard.h"

#include "app/wizards.h"
#include "duplicate/clone_page.h"
#include "duplicate/clone_summary_page.h"
#include "duplicate/duplication_job.h"
#include "duplicate/layout_plan.h"
#include "duplicate/mirror_destination_page.h"
#include "duplicate/mirror_source_page.h"
#include "duplicate/option_page.h"
#include "erase/page_chain.h"

namespace duplicate {

void RunDuplicationWizard() {
  ResetDuplicationJob();
  ResetPlanState();
  erase::RunPageChain({erase::MakePage<CMirrorSource>(), erase::MakePage<CMirrorDestination>(),
                       erase::MakePage<COption>(), erase::MakePage<CClone>(), erase::MakePage<CCloneSummary>()});
}

}  // namespace duplicate

namespace app {

void OpenDuplicationWizard() { duplicate::RunDuplicationWizard(); }

}  // namespace app
