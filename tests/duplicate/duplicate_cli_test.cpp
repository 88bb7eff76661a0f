// vektrel-cli duplicate on simulated disks: disks named by their Windows
// number, the exit codes (0 only for Completed), the JSON (refusals
// included), the planned layout's rows and types, and that nothing is
// written unless the run was confirmed (--plan never writes).
#include <gtest/gtest.h>

#include <algorithm>

#include "duplicate/dup_fixture.h"
#include "platform/bytes.h"

using namespace testing_support;

namespace {

class DuplicateCliTest : public DupTest {
 protected:
  // Disk0 with two partitions and a pattern behind them, Disk1 larger with
  // partitions no file copy can read: one never formatted, one of Linux.
  void Images() {
    AddDisk("size=40000s,model=Source");
    AddDisk("size=60000s,model=Target");
    Boot();
    Layout(0, {{{2048, 16000, 0x07, "NTFS"}, {20000, 16000, 0x06, "FAT"}}});
    Layout(1, {{{2048, 16000, 0x07, ""}, {20000, 16000, 0x83, ""}}});
    FillPattern(0, 36000, 4000, 0x77);
    platform::SetSystem(nullptr);
    sim_.reset();
  }
  int Run(const std::string& args, std::string* out, const std::string& sourceFaults = "",
          const std::string& targetFaults = "") {
    return Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --disk " + ImagePath(0) + ",model=Source" +
                     sourceFaults + " --disk " + ImagePath(1) + ",model=Target" + targetFaults + " " + args + " 2>&1",
                 out);
  }
};

TEST_F(DuplicateCliTest, ExitCodesJsonAndWhatIsWritten) {
  Images();
  std::vector<uint8_t> source = ReadHostFile(ImagePath(0)), target = ReadHostFile(ImagePath(1));
  struct Case {
    std::string args, faults;
    int code;
    std::string shows;
    bool writes;
    std::string targetFaults = "", hides = "";
  } cases[] = {
      {"duplicate --source x --dest 1", "", 2, "--source K needs a number from 0", false},
      {"duplicate --source 0 --dest 2", "", 2, "there is no disk 2", false},
      {"duplicate --source 0:3 --dest 1", "", 2, "disk 0 has no partition row 3", false},
      {"duplicate --source 0 --dest 1 --mode sector --expand same", "", 2, "--expand applies to --mode basic", false},
      {"duplicate --source 0 --dest 1 --size 1=100", "", 2, "--size needs --expand manual", false},
      {"--yes duplicate --source 0 --dest 1 --mode sector --size 1=100", "", 2, "--size applies to --mode basic", false},
      {"--yes duplicate --source 0 --dest 0", "", 1, "cannot be duplicated onto itself", false},
      {"--yes --json duplicate --source 0 --dest 0", "", 1,
       "{\"result\":\"Aborted\",\"started\":false,\"reason\":\"The destination is the source disk itself.", false},
      // Refused when the row is checked: before the overwrite question.
      {"--yes --json duplicate --source 0 --dest 1 --mode sector", "", 1,
       "{\"result\":\"Aborted\",\"started\":false,\"reason\":\"Disk 1 (Target, 29.30 MB) is write-protected", false,
       ",wp=1", "already contains partitions"},
      {"--yes duplicate --source 0 --dest 1:2 --mode sector", "", 1, "Disk 1 (Target, 29.30 MB) is write-protected",
       false, ",wp=1"},
      {"--json duplicate --source 0 --dest 1 --mode sector", "", 1,
       "\"result\":\"Aborted\",\"started\":false,\"reason\":\"the destination was not confirmed", false},
      // Nothing on Disk1 can be copied file by file, whatever the destination's size.
      {"--yes duplicate --source 1 --dest 0", "", 1,
       "Disk 1 (Target, 29.30 MB) has no volume whose files can be read", false, "", "too small"},
      {"--yes duplicate --source 0:1 --dest 0:1 --mode sector", "", 1, "shares sectors with the source partition", false},
      // Rows the destination page leaves unticked without a message of its own.
      {"--yes duplicate --source 0:1 --dest 1 --mode sector", "", 1,
       "the row of --dest 1 is a whole disk: a partition is copied onto a partition (--dest K:R)", false},
      {"duplicate --source 0 --dest 1 --mode sector", "", 1, "nothing was written (add --yes", false},
      {"--json duplicate --source 0 --dest 1 --mode sector --plan", "", 0,
       "\"PlannedLayout\":[{\"row\":1,\"start\":2048,\"length\":16000,\"type\":7,\"typeName\":\"NTFS\",\"letter\":\"C\","
       "\"target\":true,\"shown\":\"Partition1 7.81 MB (C:)\"}",
       false},
      {"--yes --json duplicate --source 0 --dest 1 --mode sector --verify", ",bad=38000-38001", 1,
       "\"result\":\"Completed_Error\"", true},
      {"--yes --json duplicate --source 0 --dest 1 --mode sector --verify", ",bad=38000-38001", 1,
       "\"UnreadableSectorCount\":2,\"UnreadableRanges\":[[38000,38001]]", true},
      {"--yes --json duplicate --source 0 --dest 1 --mode sector --verify", "", 0,
       "\"result\":\"Completed\",\"started\":true,\"source\":\"Disk 0 (Source, 19.53 MB)\",\"destination\":"
       "\"Disk 1 (Target, 29.30 MB)\",\"mode\":\"sector\",\"expand\":\"Same\",\"CopiedBytes\":20480000,\"VerifyErrorCount\":0",
       true},
      // Said twice, the disk to overwrite is not guessed; a report that
      // cannot be saved is known before the destination is touched.
      {"--yes duplicate --source 0 --dest 0 --dest 1 --mode sector", "", 2, "--dest is given more than once", false},
      {"--yes duplicate --source 0 --dest 1 --mode=sector --mode sector", "", 2, "--mode is given more than once", false},
      {"--machine a.ini --machine b.ini --yes duplicate --source 0 --dest 1 --mode sector", "", 2,
       "--machine is given more than once", false},
      {"--lang English --yes duplicate --source 0 --dest 1 --mode sector --lang Japanese", "", 2,
       "--lang is given more than once", false},
      {"--yes duplicate --source 0 --dest 1 --mode sector --report " + dir_.File("none/report.txt"), "", 2,
       "--report: " + dir_.File("none/report.txt") + " cannot be written", false},
      // Nor is a report saved over a disk: the source's image here.
      {"--yes duplicate --source 0 --dest 1 --mode sector --report " + ImagePath(0), "", 2,
       "--report: " + ImagePath(0) + " is a disk of the machine", false},
      {"--yes duplicate --source 0 --dest 1 --mode sector", "", 0, "Result: Completed\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args + c.faults);
    WriteHostFile(ImagePath(1), target);
    std::string out;
    EXPECT_EQ(Run(c.args, &out, c.faults, c.targetFaults), c.code) << out;
    EXPECT_NE(out.find(c.shows), std::string::npos) << out;
    if (!c.hides.empty()) {
      EXPECT_EQ(out.find(c.hides), std::string::npos) << out;
    }
    EXPECT_TRUE(ReadHostFile(ImagePath(0)) == source) << "the source is never written";
    EXPECT_EQ(ReadHostFile(ImagePath(1)) != target, c.writes);
  }
  EXPECT_TRUE(Sectors(1, 0, 40000) == Sectors(0, 0, 40000)) << "the last clone is the source";
}

// Every row of a plan by the type its entry will carry (an MBR type byte, a
// GPT type by name or GUID), and a partition destination's disk with the
// rows the copy writes marked, the same in text and JSON.
TEST_F(DuplicateCliTest, ThePlanShowsEachRowsTypeAndWhichRowsTheCopyWrites) {
  NEED_TOOLS("sgdisk");
  Images();
  // Disk2: EFI system, basic data, Linux and a type nobody names.
  std::string gpt = dir_.File("gpt.img");
  ASSERT_EQ(Shell("truncate -s 16M " + gpt + " && sgdisk -o -n 1:2048:+2M -t 1:ef00 -n 2:0:+8M -t 2:0700 "
                  "-n 3:0:+2M -t 3:8300 -n 4:0:+2M -t 4:0BADC0DE-0000-4000-8000-0000DEADBEEF " + gpt),
            0);
  struct Case {
    std::string args;
    std::vector<std::string> shows;
  } cases[] = {
      {"duplicate --source 0:2 --dest 1:1 --mode sector --plan",
       {"* 1    2048          16000         06 FAT16             E:\n",
        "  2    20000         16000         83 Linux             -\n",
        "(* the copy writes these rows; the other rows keep what they hold)"}},
      {"--json duplicate --source 0:2 --dest 1:1 --mode sector --plan",
       {"{\"row\":1,\"start\":2048,\"length\":16000,\"type\":6,\"typeName\":\"FAT16\",\"letter\":\"E\",\"target\":true,"
        "\"shown\":\"Partition1 7.81 MB (E:) \u2190 receives the copy\"}",
        "{\"row\":2,\"start\":20000,\"length\":16000,\"type\":131,\"typeName\":\"Linux\",\"letter\":\"\",\"target\":false,"
        "\"shown\":\"Partition2 7.81 MB\"}"}},
      // A sector copy gives a GPT entry no new length: the row keeps its own.
      {"duplicate --source 2:1 --dest 2:2 --mode sector --plan",
       {"* 2    6144          16384         Basic data           F:\n", "  3    22528         4096 "}},
      {"duplicate --source 2 --dest 1 --mode sector --plan",
       {"* 1    2048          4096          EFI system           -\n", "Basic data", "Linux data",
        "0BADC0DE-0000-4000-8000-0000DEADBEEF"}},
      {"--json duplicate --source 2 --dest 1 --mode sector --plan",
       {"\"type\":\"C12A7328-F81F-11D2-BA4B-00A0C93EC93B\",\"typeName\":\"EFI system\"",
        "\"type\":\"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\",\"typeName\":\"Basic data\"",
        "\"type\":\"0BADC0DE-0000-4000-8000-0000DEADBEEF\",\"typeName\":\"0BADC0DE-0000-4000-8000-0000DEADBEEF\""}},
      // Laid out as GPT on 3 TiB: the reserved partition is written, so it
      // is a row of its own, not free space.
      {"--disk " + dir_.File("big.img") + ",size=3TiB duplicate --source 0 --dest 3 --plan",
       {"* 1    34            262144        Microsoft reserved   -\n", "* 2    264192 "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    std::string out;
    EXPECT_EQ(Run("--disk " + gpt + " " + c.args, &out), 0) << out;
    for (const std::string& s : c.shows) EXPECT_NE(out.find(s), std::string::npos) << s << "\n" << out;
  }
}

// A copy of disk images alone (a boot medium's machine) creates, formats
// and fills the destination's partitions.
TEST_F(DuplicateCliTest, ABasicCopyOnTheBootMediumFormatsTheNewPartitions) {
  Images();
  std::string out;
  EXPECT_EQ(Run("--yes duplicate --source 0 --dest 1", &out), 0) << out;
  EXPECT_NE(out.find("Result: Completed\n"), std::string::npos) << out;
}

// A size goes to the row named or nowhere: never to a free row, a row the
// copy leaves alone (or the row chosen before), and never other than asked.
TEST_F(DuplicateCliTest, ManualSizesGoOnlyToRowsThatReceiveTheCopyAndAsAsked) {
  Images();
  std::vector<uint8_t> source = ReadHostFile(ImagePath(0)), target = ReadHostFile(ImagePath(1));
  const std::string disk = "duplicate --source 0 --dest 1 --expand manual --plan ";
  struct Case {
    std::string args;
    int code;
    std::string shows;
  } cases[] = {
      {disk + "--size 1=8", 0, "* 1    2048          16384 "},
      {disk + "--size 1=0", 1, "row 1 of the planned layout cannot be 0 MB (Minimum: 8 MB, Maximum: 11 MB)"},
      {disk + "--size 1=12", 1, "row 1 of the planned layout cannot be 12 MB"},
      {disk + "--size 1=99999999", 1, "row 1 of the planned layout cannot be 99999999 MB"},
      {disk + "--size 1=100000000", 2, "--size MB needs a number from 0, not '100000000'"},
      // Row 3 is the room row 2 gave up.
      {disk + "--size 2=8 --size 3=4", 1, "row 3 of the planned layout cannot be resized"},
      {"duplicate --source 0:1 --dest 1:1 --expand manual --plan --size 2=4", 1,
       "row 2 of the planned layout cannot be resized"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    std::string out;
    EXPECT_EQ(Run(c.args, &out), c.code) << out;
    EXPECT_NE(out.find(c.shows), std::string::npos) << out;
  }
  EXPECT_TRUE(ReadHostFile(ImagePath(0)) == source);
  EXPECT_TRUE(ReadHostFile(ImagePath(1)) == target);
}

// A sector copy onto a partition without a letter (a Linux one here, an EFI
// system partition on a real disk) lands in that row and nowhere else, and
// its entry takes the copied length and the source's type, as a lettered
// destination's does.
TEST_F(DuplicateCliTest, ASectorCopyOntoAPartitionWithoutALetter) {
  Images();
  std::vector<uint8_t> before = ReadHostFile(ImagePath(1));
  std::string out;
  EXPECT_EQ(Run("--yes --json duplicate --source 0:1 --dest 1:2 --mode sector --verify", &out), 0) << out;
  EXPECT_NE(out.find("\"result\":\"Completed\""), std::string::npos) << out;
  EXPECT_EQ(out.find("could not be formatted"), std::string::npos) << out;
  EXPECT_TRUE(Sectors(1, 20000, 16000) == Sectors(0, 2048, 16000));
  std::vector<uint8_t> after = ReadHostFile(ImagePath(1));
  ASSERT_EQ(after.size(), before.size());
  EXPECT_TRUE(std::equal(before.begin() + 512, before.begin() + 20000 * 512, after.begin() + 512));
  EXPECT_TRUE(std::equal(before.begin() + 36000 * 512, before.end(), after.begin() + 36000 * 512));
  const uint8_t* entry = after.data() + 446 + 16;
  EXPECT_EQ(entry[4], 0x07);
  EXPECT_EQ(bytes::Get32(entry + 8), 20000u);
  EXPECT_EQ(bytes::Get32(entry + 12), 16000u);
}

// A source entry that reaches past the end of its disk cannot be copied:
// the run says so and stops with nothing written to the destination, not
// even the boot code and signature a finished copy carries.
TEST_F(DuplicateCliTest, ASourcePartitionPastTheEndOfItsDiskIsNotCopied) {
  Images();
  std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(0), 0);
  bytes::Put32(mbr.data() + 446 + 16 + 12, 20500);  // 20000 + 20500 > 40000
  WriteSectorAt(ImagePath(0), 0, mbr);
  // Disk1: one partition large enough for it.
  mbr = ReadSectorAt(ImagePath(1), 0);
  bytes::Put32(mbr.data() + 446 + 12, 50000);
  std::fill(mbr.begin() + 446 + 16, mbr.begin() + 446 + 32, 0);
  WriteSectorAt(ImagePath(1), 0, mbr);
  std::vector<uint8_t> source = ReadHostFile(ImagePath(0)), target = ReadHostFile(ImagePath(1));
  for (const std::string options : {"", "--verify"}) {
    SCOPED_TRACE(options);
    std::string out;
    EXPECT_EQ(Run("--yes --json duplicate --source 0:2 --dest 1:1 --mode sector " + options, &out), 1) << out;
    EXPECT_NE(out.find("This partition lies outside the disk"), std::string::npos) << out;
    EXPECT_NE(out.find("\"result\":\"Aborted\""), std::string::npos) << out;
    EXPECT_TRUE(ReadHostFile(ImagePath(0)) == source);
    EXPECT_TRUE(ReadHostFile(ImagePath(1)) == target) << "nothing written";
  }
}

// A GPT copied onto a larger disk has its backup at that disk's end (sgdisk
// finds both copies whole), its partitions as they were, and is still the
// source sector for sector below the old end; the verify pass does not undo
// the move. A source whose primary header is damaged gets its good backup
// moved the same way, and its primary left as it was.
TEST_F(DuplicateCliTest, AGptCopiedOntoALargerDiskKeepsItsBackupAtTheEnd) {
  NEED_TOOLS("sgdisk");
  const std::string source = dir_.File("gpt.img"), target = dir_.File("larger.img");
  struct Case {
    std::string options;
    bool damagedPrimary;
    std::string verdict;  // of sgdisk, or the run's message when it fails
    std::string targetKeys = "";
  } cases[] = {
      {"", false, "No problems found"},
      {"--verify", false, "No problems found"},
      {"", true, "invalid main GPT header, but valid backup"},
      // The backup's sector stores what it is given wrongly: said, and
      // counted, not called Completed.
      {"", false, "The backup copy of the GPT partition table could not be written", ",corrupt=49151"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options + (c.damagedPrimary ? " damaged primary" : ""));
    ASSERT_EQ(Shell("rm -f " + source + " " + target + " && truncate -s 16M " + source + " && truncate -s 24M " +
                    target + " && sgdisk -o -n 1:2048:+4M -t 1:ef00 -n 2:0:0 -t 2:0700 " + source + " >/dev/null"),
              0);
    if (c.damagedPrimary) {
      ASSERT_EQ(Shell("printf 'XXXX' | dd of=" + source + " bs=1 seek=528 conv=notrunc status=none"), 0);
    }
    std::string before, after, out;
    Shell("sgdisk -p " + source + " 2>&1 | grep -A9 '^Number'", &before);
    std::vector<uint8_t> sourceBytes = ReadHostFile(source);
    const bool fails = !c.targetKeys.empty();
    EXPECT_EQ(Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --disk " + source + " --disk " + target +
                        c.targetKeys + " --yes --json duplicate --source 0 --dest 1 --mode sector " + c.options +
                        " 2>&1",
                    &out),
              fails ? 1 : 0)
        << out;
    EXPECT_NE(out.find(fails ? "\"result\":\"Completed_Error\"" : "\"result\":\"Completed\""), std::string::npos)
        << out;
    EXPECT_TRUE(ReadHostFile(source) == sourceBytes) << "the source is never written";
    if (fails) {
      EXPECT_NE(out.find(c.verdict), std::string::npos) << out;
      continue;
    }
    Shell("sgdisk -v " + target + " 2>&1", &out);
    EXPECT_NE(out.find(c.verdict), std::string::npos) << out;
    EXPECT_EQ(out.find("secondary header"), std::string::npos) << out;
    Shell("sgdisk -p " + target + " 2>&1 | grep -A9 '^Number'", &after);
    EXPECT_EQ(after, before);
    // Below the old end only the primary header (and the protective
    // entry's length) may differ.
    std::vector<uint8_t> copy = ReadHostFile(target);
    ASSERT_EQ(copy.size(), size_t(24) << 20);
    const size_t keep = 1024, oldEnd = sourceBytes.size() - 33 * 512;
    EXPECT_TRUE(std::equal(sourceBytes.begin() + keep, sourceBytes.begin() + oldEnd, copy.begin() + keep));
    EXPECT_TRUE(std::equal(sourceBytes.begin(), sourceBytes.begin() + 446, copy.begin()));
  }
}

// Drive 1 does not answer: the disks are Disk0 and Disk2, and --dest takes
// the Windows number, as disks lists it, not the place in the list.
TEST_F(DuplicateCliTest, DisksGoByTheirWindowsNumber) {
  Images();
  std::vector<uint8_t> target = ReadHostFile(ImagePath(1));
  auto run = [&](const std::string& args, std::string* out) {
    return Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --disk " + ImagePath(0) + ",model=Source --disk " +
                     dir_.File("gone.img") + ",missing=1 --disk " + ImagePath(1) + ",model=Target " + args + " 2>&1",
                 out);
  };
  std::string out;
  EXPECT_EQ(run("--yes duplicate --source 0 --dest 1 --mode sector", &out), 2) << out;
  EXPECT_NE(out.find("there is no disk 1"), std::string::npos) << out;
  EXPECT_TRUE(ReadHostFile(ImagePath(1)) == target);
  EXPECT_EQ(run("--yes duplicate --source 0 --dest 2 --mode sector", &out), 0) << out;
  EXPECT_NE(out.find("Disk 2 (Target, 29.30 MB)\n\n"), std::string::npos) << "named in the question:\n" << out;
  EXPECT_NE(out.find("Destination: Disk 2 (Target, 29.30 MB)\n"), std::string::npos) << out;
  EXPECT_TRUE(Sectors(1, 0, 40000) == Sectors(0, 0, 40000));

  // The source's sector 0 fails twice, then reads: the pages list its two
  // partitions, which the first look at the disks did not. The disk named
  // is still the one written, not the one whose row took its place.
  std::vector<std::string> blank;
  std::string disks = std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --disk " + ImagePath(0) + ",model=Source,flaky=0:2";
  for (int k = 1; k <= 3; ++k) {
    blank.push_back(dir_.File("blank" + std::to_string(k) + ".img"));
    disks += " --disk " + blank.back() + ",size=30MiB,model=Blank" + std::to_string(k);
  }
  EXPECT_EQ(Shell(disks + " --yes duplicate --source 0 --dest 3 --mode sector 2>&1", &out), 0) << out;
  EXPECT_NE(out.find("Destination: Disk 3 (Blank3, 30 MB)\n"), std::string::npos) << out;
  EXPECT_TRUE(ReadHostFile(blank[0]) == std::vector<uint8_t>(30 << 20, 0)) << "Disk 1 is not written";
  EXPECT_TRUE(ReadHostFile(blank[2]) != std::vector<uint8_t>(30 << 20, 0));
}

}  // namespace
