// Network shares of the simulated PC: \\server\share paths on host folders
// named in the machine file, server and share names in any letter case as
// Windows compares them. A share that is not configured is not found, as
// an unreachable server is not.
#include "platform/sim/sim_system.h"
#include "platform/text.h"

namespace sim {

bool SimSystem::SplitSharePath(const std::wstring& path, std::string* hostRoot, std::wstring* rest) {
  size_t serverEnd = path.find(L'\\', 2);
  if (serverEnd == std::wstring::npos || serverEnd == 2) return false;
  size_t shareEnd = path.find(L'\\', serverEnd + 1);
  if (shareEnd == std::wstring::npos) shareEnd = path.size();
  std::wstring server = path.substr(2, serverEnd - 2), share = path.substr(serverEnd + 1, shareEnd - serverEnd - 1);
  for (const ShareConfig& s : config_.shares) {
    if (!text::EqualsIgnoreCase(s.server, server) || !text::EqualsIgnoreCase(s.name, share)) continue;
    *hostRoot = s.files;
    *rest = path.substr(shareEnd);
    return true;
  }
  return false;
}

}  // namespace sim
