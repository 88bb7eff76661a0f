// Tables the partition manager must leave as they are: a GPT that is not
// intact in both copies, and MBR entries the driver's layout leaves out.
// Every edit is refused with a message that says why, and nothing is
// written to the disk (sgdisk -v agrees that it is as it was).
#include <gtest/gtest.h>

#include <functional>

#include "app/language.h"
#include "partition/damaged_tables.h"
#include "partition/manager_operations.h"
#include "partition/partition_fixture.h"
#include "platform/text.h"
#include "support/image_tools.h"

using namespace testing_support;
using partition::Outcome;

class DamagedTablesTest : public PartitionTest {
 protected:
  // The messages in full, with the reasons put into them.
  DamagedTablesTest() { app::ParseLanguageFile(ReadHostFile(std::string(VEKTREL_BIN_DIR) + "/Resources/001.dll")); }

  // A fresh disk 1 for the next case of a table.
  void NextCase(const std::string& settings, const std::string& image) {
    disk::ResetPartitionState();
    partition::ResetLayoutState();
    config_.disks.clear();
    AddDisk(settings, image);
  }
  // Every edit of disk 1 the context menu offers, each refused: create
  // (free space or nothing under the pointer), delete and resize of the
  // first partition row.
  void ExpectEveryEditRefused(const std::string& why) {
    const uint64_t writes = Sim().Disk(0).writes;
    std::vector<disk::PartitionEntry> rows = Regions();
    int freeBox = -1, partBox = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].RecordIndex < 0 && rows[i].IsPrimary && freeBox < 0) freeBox = int(i);
      if (rows[i].RecordIndex >= 0 && partBox < 0) partBox = int(i);
    }
    host_.messages.clear();
    EXPECT_EQ(Create(freeBox, 16, Kind::Primary), Outcome::Refused);
    if (partBox >= 0) {
      EXPECT_EQ(Delete(partBox), Outcome::Refused);
      host_.OnPage("CCreatePart3", [](ui::ScriptedWindow& w) { w.Press(IDC_CP_RESIZE); });
      Manage(0, partBox, ID_CREATEPARTITION_RESIZEPART);
      EXPECT_NE(partition::PartitionManager.lastOutcome, Outcome::Done);
    }
    std::vector<std::wstring> said = Messages();
    ASSERT_FALSE(said.empty());
    for (const std::wstring& m : said) {
      if (m.rfind(partition::kDeleteWarning, 0) == 0) continue;  // the question, naming the partition
      EXPECT_NE(m.find(text::Widen(why)), std::wstring::npos) << text::ToUtf8(m);
    }
    EXPECT_EQ(Sim().Disk(0).writes, writes) << "nothing was written to the disk";
  }
};

TEST_F(DamagedTablesTest, NoEditOnAGptThatIsNotIntact) {
  NEED_TOOLS("sgdisk");
  const uint64_t last = kGptBackupLba;
  struct Case {
    const char* name;
    std::function<void(const std::string&)> damage;
    const char* why;
  } cases[] = {
      {"primary array checksum wrong, backup intact", [](auto& img) { FlipByte(img, 2, 200); },
       "the primary copy at the start of the disk is damaged (entry array checksum wrong); the partitions shown were "
       "read from the backup copy"},
      {"both header checksums wrong", [&](auto& img) { FlipByte(img, 1, 20), FlipByte(img, last, 20); },
       "both copies are damaged (start of the disk: header checksum wrong; end of the disk: header checksum wrong)"},
      {"entry count 0xFFFFFFFF",
       [&](auto& img) { PatchGptHeader(img, 1, 80, 0xFFFFFFFF), PatchGptHeader(img, last, 80, 0xFFFFFFFF); },
       "entry count or entry size too large"},
      {"entry size 0", [&](auto& img) { PatchGptHeader(img, 1, 84, 0), PatchGptHeader(img, last, 84, 0); },
       "invalid entry size"},
      {"entry size 0x80000000",
       [&](auto& img) { PatchGptHeader(img, 1, 84, 0x80000000), PatchGptHeader(img, last, 84, 0x80000000); },
       "invalid entry size"},
      {"backup header gone", [&](auto& img) { WriteSectorAt(img, last, std::vector<uint8_t>(512, 0)); },
       "the backup copy at the end of the disk is damaged or missing (no GPT header)"},
      {"hybrid MBR",
       [](auto& img) {
         std::vector<uint8_t> mbr = ReadSectorAt(img, 0);
         std::vector<uint8_t> entry = TableSector({{0x0C, 18432, 32768}});
         std::copy(entry.begin() + 446, entry.begin() + 462, mbr.begin() + 462);
         WriteSectorAt(img, 0, mbr);
       },
       "not a protective MBR"},
      {"MBR wiped under an intact GPT", [](auto& img) { WriteSectorAt(img, 0, std::vector<uint8_t>(512, 0)); },
       "not a protective MBR"},
  };
  // sgdisk waits a second after it writes: one table, copied for each case.
  TempDir made;
  MakeSgdiskGpt(made.File("gpt.img"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NextCase("", "gpt-" + std::to_string(&c - cases) + ".img");
    ASSERT_EQ(Shell("cp --sparse=always " + made.File("gpt.img") + " " + ImagePath(0)), 0);
    c.damage(ImagePath(0));
    std::string verify;
    Shell("sgdisk -v " + ImagePath(0) + " 2>&1", &verify);
    Boot();
    ExpectEveryEditRefused(c.why);
    std::string after;
    Shell("sgdisk -v " + ImagePath(0) + " 2>&1", &after);
    EXPECT_EQ(after, verify);
  }
}

TEST_F(DamagedTablesTest, AnIntactGptIsEditedAndStaysIntact) {
  NEED_TOOLS("sgdisk");
  AddDisk("", "gpt.img");
  MakeSgdiskGpt(ImagePath(0));
  Boot();
  ASSERT_EQ(Create(-1, 16, Kind::Primary), Outcome::Done);
  std::string out;
  EXPECT_EQ(Shell("sgdisk -v " + ImagePath(0), &out), 0);
  EXPECT_NE(out.find("No problems found"), std::string::npos) << out;
  Shell("sgdisk -p " + ImagePath(0), &out);
  EXPECT_NE(out.find("EF00"), std::string::npos) << out;
  EXPECT_NE(out.find("8300"), std::string::npos) << out;
  EXPECT_NE(out.find("   4  "), std::string::npos) << out;
}

TEST_F(DamagedTablesTest, EntriesTheLayoutLeavesOutAreKept) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> build;
    const char* why;
  } cases[] = {
      {"an entry past the end of the disk", WritePastEndEntry,
       "The partition entry at sector 4294967040 (65535 sectors) reaches past the end"},
      {"a logical drive past the end of its extended partition",
       [](auto& img) {
         WriteSectorAt(img, 0, TableSector({{0x07, 2048, 20480}, {0x0F, 40960, 40960}}));
         WriteSectorAt(img, 40960, TableSector({{0x07, 2048, 60000}}));
       },
       "The partition entry at sector 43008 (60000 sectors)"},
      {"four extended partitions", WriteFourExtended, "more than one extended partition"},
      {"a chain longer than can be read", WriteLongChain, "more partitions than the partition manager can change"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NextCase("size=64MiB", "mbr-" + std::to_string(&c - cases) + ".img");
    c.build(ImagePath(0));
    Boot();
    ExpectEveryEditRefused(c.why);
  }
}

TEST_F(DamagedTablesTest, AnEntryPastTheEndCanBeDeletedAndOnlyIt) {
  NEED_TOOLS("sfdisk");
  AddDisk("size=64MiB");
  WritePastEndEntry(ImagePath(0));
  Boot();
  std::vector<disk::PartitionEntry> rows = Regions();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].StartLba, 0xFFFFFF00u) << "listed as it is";
  ASSERT_EQ(Delete(2), Outcome::Done);
  EXPECT_EQ(Sfdisk(ImagePath(0)).parts, (std::vector<SfdiskLine>{{2048, 20480, 0x07}}));
  ASSERT_EQ(Create(1, 16, Kind::Primary), Outcome::Done) << "the table can be changed again";
}
