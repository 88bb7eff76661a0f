// RunDuplication: the driver of one duplication. It runs the steps in
// order (the destination's bad-sector scan, the sector copy or the
// destination's preparation and the volume copies, the boot steps, the
// signature copy of a finished clone) and leaves the outcome in
// DuplicationJob for the summary.
#pragma once

#include <cstdint>

#include "duplicate/copy_progress.h"
#include "duplicate/duplication_job.h"

namespace duplicate {

// What the progress page does for the driver besides showing progress.
class RunPage : public CopyProgress {
 public:
  // Cancel is refused while partitions are created and formatted.
  virtual void AllowCancel(bool allowed) {}
  virtual void Busy(bool busy) {}                // the wait cursor
  virtual void Total(uint64_t sectors) {}        // the total field
};

// Runs the duplication DuplicationJob describes. A second call while one
// runs does nothing. Before anything is written the destination is judged
// again (the system disk, the source itself, an overlap): a refused one
// ends Aborted with the reason shown. Returns the result (also in
// DuplicationJob.Result).
DuplicationResult RunDuplication(RunPage& page);

}  // namespace duplicate
