#include "platform/sim/machine_loader.h"

#include "platform/host_info.h"

namespace sim {

std::unique_ptr<SimSystem> LoadMachine(const std::string& machineFile, const std::vector<std::string>& diskOptions,
                                       std::string* error) {
  MachineConfig config;
  if (!machineFile.empty() && !LoadMachineFile(machineFile, &config, error)) return nullptr;
  for (const std::string& option : diskOptions) {
    DiskConfig d;
    if (!ParseDiskOption(option, &d, error)) return nullptr;
    config.disks.push_back(d);
  }
  CompleteMachineConfig(&config, platform::ExecutableDirectory());
  return SimSystem::Create(config, error);
}

}  // namespace sim
