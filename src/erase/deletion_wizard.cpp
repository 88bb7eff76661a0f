// The deletion wizard: disk page, method page, progress page, report page.
#include "app/wizards.h"
#include "erase/delete_method_page.h"
#include "erase/delete_report_page.h"
#include "erase/deletion_progress_page.h"
#include "erase/page_chain.h"
#include "erase/select_disk_page.h"
#include "erase/selected_region.h"

namespace app {

void OpenDeletionWizard() {
  erase::RememberedDiskRow = -1;
  erase::RunPageChain({erase::MakePage<erase::CSelectDisk>(), erase::MakePage<erase::CSelectDeleteMethod>(),
                       erase::MakePage<erase::CDeletionProgress>(), erase::MakePage<erase::CDeleteProgressSummary>()});
}

}  // namespace app
