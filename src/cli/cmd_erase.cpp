// wipe, scan and view.
#include "cli/context.h"

namespace cli {

int CmdWipe(Context&, Args&) { throw UsageError("wipe is not part of this build yet"); }
int CmdScan(Context&, Args&) { throw UsageError("scan is not part of this build yet"); }
int CmdView(Context&, Args&) { throw UsageError("view is not part of this build yet"); }

}  // namespace cli
