// The scan wizard: disk page, scan page, summary page.
#include "app/wizards.h"
#include "erase/page_chain.h"
#include "erase/selected_region.h"
#include "scan/scan_disk_page.h"
#include "scan/scan_engine.h"
#include "scan/scan_page.h"
#include "scan/scan_summary_page.h"

namespace app {

void OpenScanWizard() {
  erase::RememberedDiskRow = -1;
  scan::ScanFromDuplication = false;
  erase::RunPageChain({erase::MakePage<scan::CScanNewDiskPartition>(), erase::MakePage<scan::CBadSectorScan>(),
                       erase::MakePage<scan::CScanSummary>()});
}

}  // namespace app
