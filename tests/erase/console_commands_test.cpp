// vektrel-cli wipe, scan and view on simulated disks: exit codes, the
// answers that guard a deletion, and what each prints.
#include <gtest/gtest.h>

#include "app/version.h"
#include "erase/region_fixture.h"
#include "platform/text.h"

using namespace testing_support;

class ConsoleCommandsTest : public RegionTest {
 protected:
  // Disk0 holds C: (the program's and Windows' volume by default), Disk1
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
  // An installed Windows on C: (Disk0), as a machine file describes it.
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
      // Disks go by their Windows numbers, as the lists show them: Disk0
      // holds C:, Disk1 is the spare.
      {"wipe --disk 2 --method 0", 2, "no disk 2"},
      {"wipe --disk x --method 0", 2, "--disk needs a number from 0, not 'x'"},
      {"wipe --partition 1:1 --method 0", 2, "no partition row 1"},
      {"wipe --partition 1:0 --method 0", 2, "--partition R needs a number from 1"},
      {"wipe --disk 1 --method 4", 2, "--method is 0 to 3"},
      {"wipe --disk 1", 2, "--method is required"},
      {"wipe --disk 1 --partition 1:1 --method 0", 2, "either --disk N or --partition N:R"},
      // The page refuses the running Windows and says why; nothing is written.
      {"--yes wipe --partition 0:1 --method 0", 1, "holds the Windows you are running (C:\\Windows)"},
      {"--yes wipe --disk 0 --method 0", 1, "disk 0 was refused; nothing was written"},
      {"wipe --disk 1 --method 0", 1, "nothing was written"},
      // Under --json a refusal is still a JSON answer, with its reason.
      {"--yes --json wipe --disk 0 --method 0", 1,
       "{\"result\":\"Aborted\",\"started\":false,\"reason\":\"disk 0 was refused; nothing was written\"}"},
      {"view --disk 1 --go end --go next", 0, "sector: 999"},
      {"view --disk 1 --sector 500", 1, "could not be read"},
      {"--json scan --disk 1", 1, "\"ScanFailedBlocks\":1,\"ScanRetryGoodBlocks\":0,\"IoErrorCount\":4"},
      // A report that would overwrite another disk, or cannot be saved, is
      // refused before the wipe.
      {"--yes wipe --disk 1 --method 1 --report " + ImagePath(0), 2, "is a disk of the machine"},
      {"--yes wipe --disk 1 --method 1 --report " + dir_.File("none/report.txt"), 2, "cannot be written"},
      {"--yes --json wipe --disk 1 --method 0 --report " + report, 0, "\"IoErrorCount\":0,\"result\":\"Completed\""},
      // The certificate's fields: the disk as it names itself, the program,
      // how far the wipe got.
      {"--yes --json wipe --disk 1 --method 2", 0,
       "\"model\":\"Spare\",\"serial\":\"\",\"SizeSectors\":1000,\"bus\":\"SATA\",\"version\":\"" +
           text::ToUtf8(app::VersionText()) +
           "\",\"sectorsOverwritten\":1000,\"sectorsTotal\":1000,\"passesBegun\":3,\"passes\":3"},
      {"--json scan --disk 1", 1, "\"lines\":[\"Read error at sector 441\"]"},
      {"--json scan --disk 1", 1, "\"BadSectors\":[{\"first\":500,\"last\":500}]"},
      {"scan --disk 1", 1, "Unreadable sectors: 500\n"},
      // Sector numbers are numbers, and one that cannot be addressed fails
      // instead of wrapping around to the start of the disk.
      {"view --disk 1 --sector abc", 2, "--sector needs a number, not 'abc'"},
      {"view --disk 1 --sector -5", 2, "--sector needs a number, not '-5'"},
      {"view --disk 1 --sector 1.5", 2, "--sector needs a number, not '1.5'"},
      {"view --disk 1 --sector 999", 0, "sector: 999"},
      {"read --drive 1 --lba 36028797018963969", 1, "result: -1"},
      {"read --drive 1 --lba 999 --count 2", 1, "result: -1"},
      {"read --drive 1 --lba 999", 0, "result: 0"},
  };
  std::vector<uint8_t> system = ReadHostFile(ImagePath(0));
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(Run(c.args, &out), c.code) << c.args << "\n" << out;
    EXPECT_NE(out.find(c.shows), std::string::npos) << c.args << "\n" << out;
  }
  EXPECT_TRUE(ReadHostFile(ImagePath(0)) == system);
  std::vector<uint8_t> image = ReadHostFile(ImagePath(1));
  for (size_t i = 0; i < image.size(); ++i) ASSERT_EQ(image[i], 0) << "byte " << i;
  std::vector<uint8_t> saved = ReadHostFile(report);
  ASSERT_GT(saved.size(), 2u);
  EXPECT_EQ(saved[0], 0xFF);
  EXPECT_EQ(saved[1], 0xFE);
}

TEST_F(ConsoleCommandsTest, AWriteProtectedDiskIsScannedCleanAndItsWipeEndsWithErrors) {
  SetUpImages();
  std::string disk = " --disk " + ImagePath(1) + ",model=Spare,wp=1 ";
  struct Case {
    std::string args;
    int code;
    std::string shows;
  } cases[] = {
      {"scan --disk 0", 0, "Unreadable sectors: None\n"},
      // Failed writes are not a completed deletion, and the certificate
      // counts no sector as overwritten when none was.
      {"--yes --json wipe --disk 0 --method 0", 1, "\"result\":\"Completed with errors\""},
      {"--yes --json wipe --disk 0 --method 0", 1, "\"sectorsOverwritten\":0,"},
      {"--yes wipe --disk 0 --method 0", 1, "Deletion result: Completed with errors"},
      {"--yes wipe --disk 0 --method 0", 1, "Sectors overwritten: 0 of 1000"},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli" + disk + c.args, &out), c.code) << c.args << "\n" << out;
    EXPECT_NE(out.find(c.shows), std::string::npos) << c.args << "\n" << out;
  }
}

TEST_F(ConsoleCommandsTest, APartitionOutsideTheDiskIsRefusedUpFront) {
  SetUpImages();
  // Disk1's second entry lies wholly past its 1000 sectors.
  WriteSectorAt(ImagePath(1), 0, TableSector({{0x07, 100, 800}, {0x83, 0xFFFFFF00u, 0xFFFF}}, 0x1234));
  std::vector<uint8_t> before = ReadHostFile(ImagePath(1));
  for (std::string args : {"--json scan --partition 1:2", "--yes wipe --partition 1:2 --method 0",
                           "view --partition 1:2 --sector 0"}) {
    std::string out;
    EXPECT_EQ(Run(args, &out), 1) << args << "\n" << out;
    EXPECT_NE(out.find("lies outside the disk"), std::string::npos) << args << "\n" << out;
    EXPECT_NE(out.find("was refused"), std::string::npos) << args << "\n" << out;
  }
  EXPECT_EQ(ReadHostFile(ImagePath(1)), before);
}

TEST_F(ConsoleCommandsTest, ADiskWhoseTableReadsLateMovesNoOtherDiskUnderTheNumberGiven) {
  // Disk0's sector 0 fails twice, then reads: the page lists its partition,
  // which the first look at the disks did not. Disk 3 is the one erased.
  SetUpImages();
  std::string cli = std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --disk " + ImagePath(0) + ",model=System,flaky=0:2";
  std::vector<std::string> blank;
  for (int k = 1; k <= 3; ++k) {
    blank.push_back(dir_.File("blank" + std::to_string(k) + ".img"));
    cli += " --disk " + blank.back() + ",size=1000s,model=Blank" + std::to_string(k);
  }
  std::string out;
  EXPECT_EQ(Shell(cli + " --yes wipe --disk 3 --method 1", &out), 0) << out;
  EXPECT_NE(out.find("Blank3"), std::string::npos) << out;
  EXPECT_TRUE(ReadHostFile(blank[0]) == std::vector<uint8_t>(512000, 0));
  EXPECT_TRUE(ReadHostFile(blank[1]) == std::vector<uint8_t>(512000, 0));
  EXPECT_TRUE(ReadHostFile(blank[2]) != std::vector<uint8_t>(512000, 0));
}
