// Ending the session: shutting down or restarting the machine.
#pragma once

namespace app {

// mode 0 restart, 1 shut down, 2 power off, 3 log off. On Windows PE the
// machine is shut down through "wpeutil.exe shutdown".
void Shutdown(int mode);

}  // namespace app
