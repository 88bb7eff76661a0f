#include "platform/sim/machine_loader.h"

#include <filesystem>
#include <system_error>

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
  // Disk images alone are what a technician meets after starting the
  // program from a boot medium: no given disk holds the running Windows.
  if (machineFile.empty()) {
    config.programPath = L"X:\\Vektrel\\vektrel.exe";
    config.windowsDir = L"X:\\Windows";
  }
  CompleteMachineConfig(&config, platform::ExecutableDirectory());
  if (machineFile.empty()) {
    DriveConfig ramDisk;
    ramDisk.letter = L'X';
    ramDisk.driveType = 6;  // DRIVE_RAMDISK
    ramDisk.files = config.filesRoot + "/X";
    config.drives.push_back(ramDisk);
  }
  std::unique_ptr<SimSystem> system = SimSystem::Create(config, error);
  if (system && machineFile.empty()) {
    // The boot medium's RAM disk holds its Windows: the system folder is
    // there from the start (the format scripts are written into it).
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(config.drives.back().files) / "Windows" / "System32", ec);
  }
  return system;
}

}  // namespace sim
