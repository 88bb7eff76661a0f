// The disk-health window, as the main window opens it.
#include "health/health_wizard.h"

#include "health/disk_health_page.h"

namespace health {

void RunDiskHealth() {
  CDiskDiagnose page;
  ui::RunModal(page);
}

}  // namespace health
