// A simulated PC for a test: disks made in a temporary folder, the
// process-wide state of the program reset, and a scripted host installed.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/machine_config.h"
#include "platform/sim/sim_system.h"
#include "ui/scripted/scripted_host.h"

namespace testing_support {

// A fresh temporary folder, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class SimTest : public ::testing::Test {
 protected:
  SimTest();
  ~SimTest() override;
  // Adds a disk ("size=64MiB,spt=63" style settings) backed by an image in
  // the temporary folder; returns its drive number.
  int AddDisk(const std::string& settings, const std::string& imageName = "");
  // Builds the machine from config_ (call after AddDisk and config changes).
  sim::SimSystem& Boot();
  sim::SimSystem& Sim() { return *sim_; }
  std::string ImagePath(int drive) const { return config_.disks[size_t(drive)].image; }

  TempDir dir_;
  sim::MachineConfig config_;
  std::unique_ptr<sim::SimSystem> sim_;
  ui::ScriptedHost host_;
};

// Reads a whole host file.
std::vector<uint8_t> ReadHostFile(const std::string& path);
void WriteHostFile(const std::string& path, const std::vector<uint8_t>& bytes);
// Writes a machine file of an installed Windows (program and Windows on C:)
// whose disks are the given --disk options ("IMAGE,key=value..."), for
// console runs that need a disk holding the running Windows; returns path.
std::string WriteInstalledMachine(const std::string& path, const std::vector<std::string>& diskOptions);
// Writes a whole file through the simulated PC: 0 or the Windows error.
uint32_t WriteSimFile(platform::System& sys, const std::wstring& path, const std::string& bytes, uint32_t flags = 0,
                      uint32_t disposition = 2 /* CREATE_ALWAYS */);
// Reads up to 64 KiB of a file through the simulated PC; "error N" when
// it cannot be opened or read.
std::string ReadSimFile(platform::System& sys, const std::wstring& path);
// Runs a shell command; its exit status.
int Shell(const std::string& command, std::string* output = nullptr);
bool HaveTool(const std::string& name);

}  // namespace testing_support
