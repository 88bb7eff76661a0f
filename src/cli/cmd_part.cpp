// part: the partition manager.
#include "cli/context.h"

namespace cli {

int CmdPart(Context&, Args&) { throw UsageError("part is not part of this build yet"); }

}  // namespace cli
