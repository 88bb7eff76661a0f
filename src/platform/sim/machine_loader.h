// Building a simulated PC from a machine file and --disk options.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_system.h"

namespace sim {

// machineFile may be empty: a machine of the given disks only, started
// from a Windows PE medium (the program and Windows on the X: RAM disk).
// Relative image paths of --disk options are taken from the current folder.
std::unique_ptr<SimSystem> LoadMachine(const std::string& machineFile, const std::vector<std::string>& diskOptions,
                                       std::string* error);

}  // namespace sim
