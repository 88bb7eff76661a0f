// vektrel-cli wipe, scan and view on simulated disks: exit codes, the
// answers that guard a deletion, and what each prints.
#include <gtest/gtest.h>

#include "erase/region_fixture.h"

using namespace testing_support;

class ConsoleCommandsTest : public RegionTest {
 protected:
  // Disk 1 holds C: (the program's and Windows' volume by default), disk 2
  // is 1000 sectors with a bad one.
  void SetUpImages() {
    config_.programPath.clear();
    config_.windowsDir.clear();
    AddDisk("size=8MiB,model=System");
    AddDisk("size=1000s,model=Spare");
    Boot();
    Layout(0, {{2048, 8000, "NTFS"}});
    platform::SetSystem(nullptr);
    sim_.reset();
  }
  // An installed Windows on C: (disk 1), as a machine file describes it.
  int Run(const std::string& args, std::string* out) {
    std::string machine = WriteInstalledMachine(
        dir_.File("machine.ini"), {ImagePath(0) + ",model=System", ImagePath(1) + ",model=Spare,bad=500"});
    return Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --machine " + machine + " " + args, out);
  }
};

TEST_F(ConsoleCommandsTest, ExitCodesAndOutput) {
  SetUpImages();
  std::string report = dir_.File("report.txt");
  struct Case {
    std::string args;
    int code;
    std::string shows;
  } cases[] = {
      {"wipe --disk 3 --method 0", 2, "no disk 3"},
      {"wipe --partition 2:1 --method 0", 2, "no partition row 1"},
      {"wipe --disk 2 --method 4", 2, "--method is 0 to 3"},
      {"wipe --disk 2", 2, "--method is required"},
      {"wipe --disk 2 --partition 2:1 --method 0", 2, "either --disk K or --partition K:R"},
      {"--yes wipe --partition 1:1 --method 0", 2, "holds the running Windows"},
      {"wipe --disk 2 --method 0", 1, "nothing was written"},
      {"view --disk 2 --go end --go next", 0, "sector: 944"},
      {"view --disk 2 --sector 500", 1, "could not be read"},
      {"--json scan --disk 2", 1, "\"ScanFailedBlocks\":1,\"ScanRetryGoodBlocks\":0,\"IoErrorCount\":4"},
      {"--yes --json wipe --disk 2 --method 0 --report " + report, 0, "\"IoErrorCount\":0,\"result\":\"Completed\""},
      {"--json scan --disk 2", 1, "\"lines\":[\"Read error at sector 441\"]"},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(Run(c.args, &out), c.code) << c.args << "\n" << out;
    EXPECT_NE(out.find(c.shows), std::string::npos) << c.args << "\n" << out;
  }
  std::vector<uint8_t> image = ReadHostFile(ImagePath(1));
  for (size_t i = 0; i < image.size(); ++i) ASSERT_EQ(image[i], 0) << "byte " << i;
  std::vector<uint8_t> saved = ReadHostFile(report);
  ASSERT_GT(saved.size(), 2u);
  EXPECT_EQ(saved[0], 0xFF);
  EXPECT_EQ(saved[1], 0xFE);
}
