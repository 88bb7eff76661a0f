// vektrel-cli part: the partition manager from the console, on disk
// images, read back with sfdisk and blkid; exit codes for refusals and for
// command lines it does not understand.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "partition/damaged_tables.h"
#include "partition/partition_fixture.h"
#include "platform/bytes.h"
#include "support/image_tools.h"

using namespace testing_support;

class PartCliTest : public ::testing::Test {
 protected:
  // Runs vektrel-cli on the image; its exit code, the output in *out.
  int Cli(const std::string& args, std::string* out = nullptr) {
    std::string text;
    int rc = Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --disk " + image_ + " " + args, &text);
    if (out) *out = text;
    return rc;
  }
  void MakeImage(const std::string& size) {
    image_ = dir_.File("disk.img");
    ASSERT_EQ(Shell("truncate -s " + size + " " + image_), 0);
  }
  TempDir dir_;
  std::string image_;
};

TEST_F(PartCliTest, CreatesTheLayoutsAskedForOnABlankDisk) {
  NEED_TOOLS("sfdisk");
  MakeImage("2G");
  std::string out;
  const char* steps[] = {
      "part create --disk 0 --size 100 --kind primary",
      "part create --disk 0 --size 200 --kind primary --fs FAT32",
      "part create --disk 0 --size 1000 --kind extended",
      "part create --disk 0 --size 300 --kind logical --fs NTFS",
      "part create --disk 0 --size 100 --kind logical --format none",
  };
  for (const char* step : steps) ASSERT_EQ(Cli(step, &out), 0) << step << "\n" << out;
  SfdiskTable t = Sfdisk(image_);
  EXPECT_EQ(t.labelId, "0xa4b57300");
  // On 1 MiB boundaries, as a Windows PE boot of today's Windows places them.
  const uint64_t ext = 2048 + 204800 + 409600;
  EXPECT_EQ(t.parts, (std::vector<SfdiskLine>{{2048, 204800, 0x07},
                                             {2048 + 204800, 409600, 0x0C},
                                             {ext, 2048000, 0x0F},
                                             {ext + 2048, 614400 - 2048, 0x07},
                                             {ext + 614400 + 2048, 204800 - 2048, 0x07}}));
  ASSERT_EQ(Cli("part list --disk 0", &out), 0);
  EXPECT_NE(out.find("logical"), std::string::npos) << out;
  ASSERT_EQ(Cli("--json part list --disk 0", &out), 0);
  EXPECT_NE(out.find("\"PartitionCount\":12"), std::string::npos) << "the MBR and two extended boot records\n" << out;
}

TEST_F(PartCliTest, DeleteAsksAndOnlyYesDeletes) {
  NEED_TOOLS("sfdisk");
  MakeImage("1G");
  ASSERT_EQ(Cli("part create --disk 0 --size 100 --kind primary"), 0);
  SfdiskTable before = Sfdisk(image_);
  std::string out;
  EXPECT_EQ(Cli("part delete --disk 0 --region 2 --yes", &out), 1) << "free space: delete is not offered\n" << out;
  EXPECT_NE(out.find("delete is not offered"), std::string::npos) << out;
  EXPECT_EQ(Cli("part delete --disk 0 --region 1", &out), 1);
  // The question names the partition and its disk by number, model and size.
  EXPECT_NE(out.find("Are you sure you want to proceed?"), std::string::npos) << out;
  EXPECT_NE(out.find("(C:) 100 MB, Disk 0 (Vektrel Virtual Disk, 1 GB) [No]"), std::string::npos) << out;
  EXPECT_NE(out.find("nothing was deleted"), std::string::npos) << out;
  // Under --json the refusal, and the result, are JSON answers.
  EXPECT_EQ(Cli("--json part delete --disk 0 --region 1", &out), 1);
  EXPECT_NE(out.find("{\"result\":\"Aborted\",\"started\":false,\"reason\":\"part: delete was not done: nothing was "
                     "deleted"),
            std::string::npos)
      << out;
  EXPECT_EQ(Sfdisk(image_).parts, before.parts);
  EXPECT_EQ(Cli("--json part delete --disk 0 --region 1 --yes", &out), 0) << out;
  EXPECT_NE(out.find("\"regions\":[{\"region\":1,"), std::string::npos) << out;
  EXPECT_TRUE(Sfdisk(image_).parts.empty());
}

TEST_F(PartCliTest, ResizeGrowsToTheMaximumAndRefusesToShrink) {
  NEED_TOOLS("sfdisk");
  MakeImage("1G");
  ASSERT_EQ(Shell("printf 'label: dos\\nstart=2048,size=204800,type=7\\nstart=206848,size=204800,type=7\\n"
                  "start=1000000,size=100000,type=7\\n' | sfdisk -q " + image_),
            0);
  std::string out;
  EXPECT_EQ(Cli("part resize --disk 0 --region 2 --size 50", &out), 1) << out;
  EXPECT_NE(out.find("cannot be shrunk"), std::string::npos) << out;
  EXPECT_EQ(Sfdisk(image_).parts[1], (SfdiskLine{206848, 204800, 0x07}));
  EXPECT_EQ(Cli("part resize --disk 0 --region 2", &out), 0) << out;
  EXPECT_EQ(Sfdisk(image_).parts[1], (SfdiskLine{206848, 1000000 - 206848, 0x07}));
}

TEST_F(PartCliTest, FormatPicksTheFileSystemBySizeAndReportsFailure) {
  NEED_TOOLS("sfdisk", "blkid");
  MakeImage("48G");
  // C: 100 MiB, D: 5000 MiB, E: 40000 MiB.
  ASSERT_EQ(Shell("printf 'label: dos\\nstart=2048,size=204800,type=7\\nstart=206848,size=10240000,type=6\\n"
                  "start=10446848,size=81920000,type=6\\n' | sfdisk -q " + image_),
            0);
  std::string out;
  // Formatting asks first; only Yes formats.
  std::vector<uint8_t> untouched = ReadSectorAt(image_, 206848);
  EXPECT_EQ(Cli("part format --disk 0 --region 2 --fs FAT --quick", &out), 1) << out;
  EXPECT_NE(out.find("Formatting erases all data on volume D: (label: None, size: 4.88 GB) on Disk 0 "
                     "(Vektrel Virtual Disk, 48 GB). \nDo you want to format this volume? [No]"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("nothing was formatted"), std::string::npos) << out;
  EXPECT_EQ(ReadSectorAt(image_, 206848), untouched);
  ASSERT_EQ(Cli("--yes part format --disk 0 --region 2 --fs FAT --quick", &out), 0) << out;
  Shell("blkid -p -O " + std::to_string(206848ull * 512) + " " + image_, &out);
  EXPECT_NE(out.find("VERSION=\"FAT32\""), std::string::npos) << out;
  ASSERT_EQ(Cli("--yes part format --disk 0 --region 3 --fs FAT --quick", &out), 0) << out;
  std::vector<uint8_t> boot = ReadSectorAt(image_, 10446848);
  EXPECT_EQ(std::string(boot.begin() + 3, boot.begin() + 11), "NTFS    ");
  EXPECT_EQ(Sfdisk(image_).parts[2].type, 0x07u) << "the partition type follows the file system";
  // C: of an installed Windows is never formatted: refused before the page.
  std::string machine = WriteInstalledMachine(dir_.File("machine.ini"), {image_});
  EXPECT_EQ(Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --machine " + machine +
                      " --yes part format --disk 0 --region 1 --fs NTFS --quick", &out),
            1);
  EXPECT_NE(out.find("This partition holds the Windows you are running (C:\\Windows)"), std::string::npos) << out;
}

TEST_F(PartCliTest, CommandLinesItDoesNotUnderstandExitWithTwo) {
  MakeImage("256M");
  const char* lines[] = {
      "part",
      "part frob --disk 0",
      "part list",
      "part list --disk 7",
      "part list --disk 0 --bogus",
      "part create --disk 0 --kind primary",
      "part create --disk 0 --size 10 --kind wide",
      "part create --disk 0 --size 10 --kind extended --fs NTFS",
      "part delete --disk 0",
      "part delete --disk 0 --region 9",
      "part format --disk 0 --region 1 --fs HPFS",
      "part resize --disk 0 --region 0",
  };
  for (const char* line : lines) {
    std::string out;
    EXPECT_EQ(Cli(line, &out), 2) << line << "\n" << out;
    EXPECT_NE(out.find("vektrel-cli: "), std::string::npos) << line << "\n" << out;
  }
  std::string help;
  EXPECT_EQ(Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli part --help", &help), 0);
  EXPECT_NE(help.find("part create --disk N"), std::string::npos) << help;
}

TEST_F(PartCliTest, SizesThePageChangedAreSaidAndRefusalsExitOneWithAMessage) {
  NEED_TOOLS("sfdisk");
  // A 10 MB partition (the smallest a resize allows, so the page raises a
  // smaller size to the current one) with free space behind it.
  const std::string tenMB = "label: dos\\nstart=2048,size=20480,type=7\\nstart=80000,size=20480,type=7\\n";
  struct Case {
    const char* table;  // sfdisk script, or "" for a blank disk
    const char* disk;   // options after the image
    const char* command;
    int rc;
    const char* said;  // in the output
  } cases[] = {
      {"", "", "part create --disk 0 --size 1 --kind primary", 0,
       "part: made 16 MB (32768 sectors), not the 1 MB asked: a partition takes at least 16 MB"},
      {"", "", "part create --disk 0 --size 100 --kind primary", 0,
       "part: made 63 MB (129024 sectors), not the 100 MB asked: that is all the free space there"},
      {tenMB.c_str(), "", "part resize --disk 0 --region 1 --size 5", 1, "cannot be shrunk"},
      {tenMB.c_str(), "", "part resize --disk 0 --region 1 --size 1000", 0,
       "part: resized to 38.06 MB (77952 sectors), not the 1000 MB asked: that is all the free space behind it"},
      {"", ",wp=1", "part create --disk 0 --size 16 --kind primary", 1, "The disk is write-protected."},
      {tenMB.c_str(), ",wp=1", "--yes part delete --disk 0 --region 1", 1, "The disk is write-protected."},
      {"", "", "part create --disk 0 --size 16 --kind primary --fs FAT32", 1, "FAT32 needs a partition of at least"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    Shell("rm -f " + dir_.File("disk.img"));
    MakeImage("64M");
    if (*c.table) ASSERT_EQ(Shell(std::string("printf '") + c.table + "' | sfdisk -q " + image_), 0);
    std::string before, after, out;
    Shell("sfdisk --dump " + image_ + " 2>&1", &before);
    std::string plain = image_;
    image_ += c.disk;
    EXPECT_EQ(Cli(c.command, &out), c.rc) << out;
    image_ = plain;
    EXPECT_NE(out.find(c.said), std::string::npos) << out;
    Shell("sfdisk --dump " + image_ + " 2>&1", &after);
    if (c.rc != 0) EXPECT_EQ(after, before) << "a refusal leaves the table as it was";
  }
  // The last case asked for 40 MB and got it: nothing is said.
  std::string out;
  Shell("rm -f " + dir_.File("disk.img"));
  MakeImage("64M");
  ASSERT_EQ(Cli("part create --disk 0 --size 40 --kind extended", &out), 0) << out;
  EXPECT_EQ(out.find("part: made"), std::string::npos) << out;
}

TEST_F(PartCliTest, OnAnOldWindowsALogicalDriveFollowsItsRecordByOneTrackAndTheSizeNoteAddsUp) {
  NEED_TOOLS("sfdisk");
  std::string machine = dir_.File("old.ini");
  struct Case {
    const char* size;
    uint64_t length;  // of the logical drive made
    const char* said;
  } cases[] = {
      {"10", 32768 - 63,
       "part: made 15.97 MB (32705 sectors), not the 10 MB asked: a partition takes at least 16 MB, and the logical "
       "drive's boot record takes the first 63 sectors of that"},
      {"20", 40960 - 63,
       "part: made 19.97 MB (40897 sectors), not the 20 MB asked: the logical drive's boot record takes the first 63 "
       "sectors"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    Shell("rm -f " + dir_.File("disk.img"));
    MakeImage("64M");
    ASSERT_EQ(Shell("printf 'label: dos\\n63,100000,f\\n' | sfdisk -q " + image_), 0);
    std::ofstream(machine) << "[machine]\nprogram = X:\\Vektrel\\vektrel.exe\nversion = 5.1\n\n[disk]\nimage = "
                           << image_ << "\n";
    std::string out;
    ASSERT_EQ(Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --machine " + machine +
                        " part create --disk 0 --kind logical --format none --size " + c.size, &out),
              0)
        << out;
    EXPECT_NE(out.find(c.said), std::string::npos) << out;
    SfdiskTable t = Sfdisk(image_);
    ASSERT_GE(t.parts.size(), 2u);
    EXPECT_EQ(t.parts.back(), (SfdiskLine{126, c.length, 0x07})) << "one track behind its record, on an old system";
  }
}

TEST_F(PartCliTest, AGptWithoutItsProtectiveMbrListsItsPartitionsAndNoFreeSpaceOverThem) {
  NEED_TOOLS("sgdisk");
  // Partitions at 2048, 18432 and 51200, up to 83967. Zeroed: the MBR
  // alone, or the MBR and the primary GPT (the backup remains).
  for (uint64_t zeroed : {1, 34}) {
    SCOPED_TRACE(zeroed);
    image_ = dir_.File("gpt" + std::to_string(zeroed) + ".img");
    MakeSgdiskGpt(image_);
    for (uint64_t lba = 0; lba < zeroed; ++lba) WriteSectorAt(image_, lba, std::vector<uint8_t>(512, 0));
    std::vector<uint8_t> before = ReadHostFile(image_);
    std::string out;
    ASSERT_EQ(Cli("part list --disk 0", &out), 0) << out;
    std::vector<uint64_t> starts;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream cells(line);
      std::string r, start, length, size, unit, kind;
      if (!(cells >> r >> start >> length >> size) || !std::isdigit(static_cast<unsigned char>(r[0]))) continue;
      // FormatSize texts are a number and a unit.
      cells >> unit >> kind;
      if (kind.rfind("free", 0) == 0) EXPECT_GE(std::stoull(start), 83968u) << line;
      else starts.push_back(std::stoull(start));
    }
    EXPECT_EQ(starts, (std::vector<uint64_t>{2048, 18432, 51200})) << out;
    // The system reads the disk as not initialised: no edit goes through,
    // and nothing is written.
    EXPECT_NE(Cli("part create --disk 0 --size 16 --kind primary", &out), 0) << out;
    EXPECT_EQ(ReadHostFile(image_), before);
  }
}

TEST_F(PartCliTest, ADamagedGptIsNeitherReplacedNorChanged) {
  NEED_TOOLS("sgdisk");
  image_ = dir_.File("gpt.img");
  MakeSgdiskGpt(image_);
  FlipByte(image_, 2, 200);  // the primary entry array's checksum no longer matches
  std::string before, after, out;
  Shell("sgdisk -v " + image_ + " 2>&1", &before);
  ASSERT_EQ(Cli("part list --disk 0", &out), 0);
  EXPECT_NE(out.find("EFI"), std::string::npos) << "read from the backup\n" << out;
  EXPECT_NE(out.find("Linux"), std::string::npos) << out;
  EXPECT_EQ(Cli("part create --disk 0 --size 10 --kind primary", &out), 1);
  EXPECT_NE(out.find("The GPT partition table of this disk is not intact"), std::string::npos) << out;
  Shell("sgdisk -v " + image_ + " 2>&1", &after);
  EXPECT_EQ(after, before);
  EXPECT_NE(after.find("Main partition table: ERROR"), std::string::npos) << after;
}
