// The one-click copy on the repository's demo machine with its marked blank
// disk (demo/demo-oneclick.ini), through the console: the quick command
// writes nothing unless confirmed, and the unattended "/B ONECLICK" start
// counts down on the machine's clock and clones the system disk onto the
// marked disk, file for file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "support/image_tools.h"
#include "support/sim_fixture.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

class QuickCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = dir_.File("demo");
    ASSERT_EQ(Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-mkimage demo " + machine_ + "/images > /dev/null"), 0);
    // The demo runs on the real clock; the test needs the countdown instant.
    std::ifstream in(std::string(VEKTREL_SOURCE_DIR) + "/demo/demo-oneclick.ini");
    std::stringstream ini;
    ini << in.rdbuf();
    std::string text = ini.str();
    size_t at = text.find("clock = real");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 12, "clock = virtual");
    ini_ = machine_ + "/demo-oneclick.ini";
    std::ofstream(ini_) << text;
  }
  int Cli(const std::string& args, std::string* out) {
    return Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --machine " + ini_ + " " + args + " 2>&1", out);
  }
  // Every file of the machine's folder with that name, and its bytes.
  std::vector<std::string> Copies(const std::string& name) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(machine_))
      if (e.is_regular_file() && e.path().filename() == name) found.push_back(e.path().string());
    return found;
  }
  TempDir dir_;
  std::string machine_, ini_;
};

TEST_F(QuickCliTest, TheUnattendedStartClonesTheDemoSystemDiskOntoTheMarkedDisk) {
  const std::string marked = machine_ + "/images/oneclick-blank.img";
  const std::vector<uint8_t> sector0 = ReadSectorAt(marked, 0);
  ASSERT_EQ(std::string(sector0.begin() + 16, sector0.begin() + 35), "FELDSPARWICKOTBDISK");

  std::string out;
  EXPECT_EQ(Cli("quick", &out), 1) << out;
  EXPECT_NE(out.find("nothing was written (add --yes"), std::string::npos) << out;
  EXPECT_EQ(ReadSectorAt(marked, 0), sector0);

  int rc = Cli("--yes --json start --args \"/B ONECLICK\"", &out);
  EXPECT_NE(out.find("\"destination\":\"Disk 1 (Demo Prepared Disk"), std::string::npos) << out;
  EXPECT_NE(ReadSectorAt(marked, 0), sector0) << "the marked disk got the new layout";
  std::string disks;
  EXPECT_EQ(Cli("disks", &disks), 0) << disks;
  EXPECT_NE(disks.find("Demo Prepared Disk"), std::string::npos) << disks;
  EXPECT_NE(disks.find("(D:)"), std::string::npos) << "the clone's volumes are mounted\n" << disks;
  EXPECT_EQ(rc, 0) << out;
  EXPECT_NE(out.find("\"result\":\"Completed\""), std::string::npos) << out;
  EXPECT_NE(out.find("\"FileErrors\":[]"), std::string::npos) << out;
  for (const char* name : {"bootmgr", "Kernel32.dll", "Budget 2026.xlsx", "Notes.txt", "Beach.jpg"}) {
    std::vector<std::string> copies = Copies(name);
    ASSERT_EQ(copies.size(), 2u) << name << ": the source and its copy";
    EXPECT_TRUE(ReadHostFile(copies[0]) == ReadHostFile(copies[1])) << name;
  }
}

TEST_F(QuickCliTest, AnUnattendedStartWithoutAMarkedDiskFailsAndWritesNothing) {
  const std::string marked = machine_ + "/images/oneclick-blank.img";
  std::vector<uint8_t> sector0 = ReadSectorAt(marked, 0);
  std::fill(sector0.begin() + 16, sector0.begin() + 35, 0);
  WriteSectorAt(marked, 0, sector0);
  std::string out;
  EXPECT_EQ(Cli("--yes start --args \"/B ONECLICK\"", &out), 1) << out;
  EXPECT_NE(out.find("no disk carries the one-click mark"), std::string::npos) << out;
  EXPECT_EQ(Cli("--yes --json start --args \"/B ONECLICK\"", &out), 1) << out;
  EXPECT_NE(out.find("{\"result\":\"Aborted\",\"started\":false,\"reason\":\"the one-click start copied nothing"),
            std::string::npos)
      << out;
  EXPECT_EQ(ReadSectorAt(marked, 0), sector0) << "nothing is written";
}

}  // namespace
