// Formatting: the simulated format library's answers, the file system the
// size rules pick, a failed or refused format reported as failed (never as
// done, never waited on for ever), and the operator's quick or full choice.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_state.h"
#include "app/format_size.h"
#include "app/language.h"
#include "partition/partition_fixture.h"
#include "platform/sim/boot_sectors.h"
#include "platform/text.h"
#include "platform/sim/sim_layout.h"
#include "support/image_tools.h"

using namespace testing_support;
using partition::FormatOutcome;

namespace {

struct Part {
  uint64_t start, length;
};

// An MBR with the partitions (type 0x07) as the driver writes it.
void WriteLayout(sim::SimSystem& s, int drive, const std::vector<Part>& parts) {
  std::vector<MbrPart> mbr;
  for (const Part& p : parts) mbr.push_back({p.start, p.length, 0x07, ""});
  ASSERT_EQ(WriteMbrGroups(s.Disk(drive), 0x1234, {mbr}), 0u);
  s.Mounts().Mount();
}

}  // namespace

class FormatTest : public PartitionTest {
 protected:
  // Calls the library as the worker does; the success value of its done report.
  std::optional<bool> CallLibrary(const std::wstring& root, const std::wstring& fs, bool quick = true) {
    std::optional<bool> success;
    bool called = Sim().FormatEx(root, 12, fs, L"", quick, 0, [&](uint32_t command, uint32_t, void* arg) {
      if (command == partition::kFormatDone) success = *static_cast<uint8_t*>(arg) != 0;
      return true;
    });
    EXPECT_TRUE(called) << "the library is there";
    return success;
  }
  // Formats the region at `box` through the format page; its question is
  // answered Yes unless told otherwise.
  void FormatRegion(int box, const std::wstring& fs, bool quick, bool yes = true) {
    host_.answerYes = yes;
    host_.OnPage("CCreatePart5", [=](ui::ScriptedWindow& w) {
      for (int i = 0; i < w.LinesCount(IDC_CP5_FS); ++i)
        if (w.LinesGet(IDC_CP5_FS, i) == fs) w.Choose(IDC_CP5_FS, i);
      w.Tick(IDC_CP5_QUICK, quick);
      w.Press(IDC_CP5_START);
      if (!w.IsClosed()) w.Cancel();
    });
    EXPECT_TRUE(Manage(0, box, ID_CREATEPARTITION_FORMAT)) << "format not offered";
    host_.answerYes = false;
  }
};

TEST_F(FormatTest, TheLibraryRefusesWhatItCannotFormat) {
  config_.windowsDir = L"C:\\Windows";
  AddDisk("size=48GiB");
  Boot();
  // C: the running system; D: 20 MiB; E: 5 GiB; F: 40 GiB.
  WriteLayout(Sim(), 0, {{2048, 204800}, {206848, 40960}, {247808, 10485760}, {10733568, 83886080}});
  struct Case {
    const wchar_t* root;
    const wchar_t* fs;
    bool ok;
  } cases[] = {
      {L"D:\\", L"NTFS", true},       {L"D:\\", L"FAT", true},      {L"D:\\", L"FAT32", false},  // below 32 MiB
      {L"E:\\", L"FAT", false},       {L"E:\\", L"FAT32", true},    {L"F:\\", L"FAT32", false},  // above 32 GiB
      {L"F:\\", L"ntfs", true},       {L"E:\\", L"HPFS", false},    {L"Q:\\", L"NTFS", false},
      {L"C:\\", L"NTFS", false},  // the system will not let go of it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(text::ToUtf8(std::wstring(c.root) + L" " + c.fs));
    EXPECT_EQ(CallLibrary(c.root, c.fs), std::optional<bool>(c.ok));
  }
  std::wstring fs;
  ASSERT_TRUE(Sim().GetVolumeInformation(L"F:\\", &fs));
  EXPECT_EQ(fs, L"NTFS");
}

TEST_F(FormatTest, AFormatWritesABootSectorEmptiesTheFolderAndSetsThePartitionType) {
  AddDisk("size=256MiB");
  Boot();
  WriteLayout(Sim(), 0, {{2048, 200000}});
  std::string folder = Sim().Mounts().ByLetter(L'C')->hostFolder;
  WriteHostFile(folder + "/old/file.txt", {1, 2, 3});
  ASSERT_EQ(CallLibrary(L"C:\\", L"FAT32"), std::optional<bool>(true));
  std::wstring fs;
  ASSERT_TRUE(Sim().GetVolumeInformation(L"C:\\", &fs));
  EXPECT_EQ(fs, L"FAT32");
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  EXPECT_EQ(ReadSectorAt(ImagePath(0), 0)[446 + 4], 0x0C);
  EXPECT_EQ(Sim().Mounts().ByLetter(L'C')->startLba, 2048u) << "the volume keeps its letter";
}

TEST_F(FormatTest, TheRegionSizePicksTheFileSystemOfAFatRequest) {
  AddDisk("size=48GiB");
  Boot();
  // C: a small partition; D: 5000 MiB; E: 40000 MiB.
  WriteLayout(Sim(), 0, {{2048, 204800}, {206848, 5000 * 2048}, {206848 + 5000 * 2048, 40000 * 2048}});
  partition::CreatePartitionRequest.fileSystem = L"FAT";
  partition::CreatePartitionRequest.formatOption = partition::kQuickFormat;
  EXPECT_EQ(partition::FormatByDriveLetter(L'D', 5000 * 2048), FormatOutcome::Formatted);
  EXPECT_EQ(partition::FormatByDriveLetter(L'E', 40000 * 2048), FormatOutcome::Formatted);
  EXPECT_EQ(disk::FileSystemTypeOfLetter(L'D'), disk::kFsFat32);
  EXPECT_EQ(disk::FileSystemTypeOfLetter(L'E'), disk::kFsNtfs);
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(FormatTest, AFailedFormatIsReportedAsFailed) {
  config_.volumes.push_back({0, 206848, 0, false, "", true});  // D: is in use
  AddDisk("size=1GiB");
  config_.drives.push_back({L'R', win::DRIVE_CDROM, dir_.File("cd"), "CDFS"});
  Boot();
  WriteLayout(Sim(), 0, {{2048, 204800}, {206848, 204800}});
  partition::CreatePartitionRequest.formatOption = partition::kQuickFormat;
  struct Case {
    wchar_t letter;
    const wchar_t* fs;
    const char* why;
  } cases[] = {
      {L'C', L"NTFS", "NTFS before D: outside Windows PE: the library is never called"},
      {L'D', L"FAT32", "the library refuses a volume in use"},
      {L'R', L"FAT", "a CD drive is no fixed or removable disk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    host_.messages.clear();
    partition::CreatePartitionRequest.fileSystem = c.fs;
    EXPECT_EQ(partition::FormatByDriveLetter(c.letter, 204800), FormatOutcome::Failed);
    EXPECT_EQ(Messages(), std::vector<std::wstring>{L"IDS_cannotformat"});
    EXPECT_FALSE(partition::FormatProgress.succeeded);
  }
  EXPECT_EQ(disk::FileSystemTypeOfLetter(L'C'), 0) << "nothing was formatted";
  EXPECT_EQ(disk::FileSystemTypeOfLetter(L'D'), 0);
}

TEST_F(FormatTest, TheDialogReadsTheDoneReportsSuccessValue) {
  // A library that reports done with FALSE: the format failed.
  partition::ResetFormatState();
  uint8_t no = 0, yes = 1;
  uint32_t half = 50;
  partition::FormatCallback(partition::kFormatProgress, 0, &half);
  EXPECT_EQ(partition::FormatProgress.percent, 50);
  partition::FormatCallback(partition::kFormatDone, 0, &no);
  EXPECT_TRUE(partition::FormatProgress.done);
  EXPECT_FALSE(partition::FormatProgress.succeeded);
  partition::FormatCallback(partition::kFormatDone, 0, &yes);
  EXPECT_TRUE(partition::FormatProgress.succeeded);
  EXPECT_EQ(partition::FormatProgress.completions, 2);
}

TEST_F(FormatTest, FullFormatIsWhatTheOperatorChose) {
  NEED_TOOLS("blkid");
  AddDisk("size=1GiB,speed=10MiB");
  Boot();
  WriteLayout(Sim(), 0, {{2048, 204800}, {206848, 409600}});
  struct Case {
    bool quick;
    bool slow;
  } cases[] = {{true, false}, {false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.quick ? "quick" : "full");
    uint64_t before = Sim().Clock().Micros();
    FormatRegion(1, L"FAT32", c.quick);
    EXPECT_EQ(partition::PartitionManager.lastOutcome, partition::Outcome::Done);
    // A full format goes over the 200 MiB volume: 20 s at 10 MiB/s.
    uint64_t spent = Sim().Clock().Micros() - before;
    EXPECT_EQ(spent >= 20000000, c.slow) << spent;
  }
  std::string out;
  Shell("blkid -p -O " + std::to_string(206848 * 512ull) + " " + ImagePath(0), &out);
  EXPECT_NE(out.find("VERSION=\"FAT32\""), std::string::npos) << out;

  // The create wizard's "full format" is one too.
  uint64_t before = Sim().Clock().Micros();
  ASSERT_EQ(Create(2, 100, Kind::Primary, L"FAT32", partition::kFullFormat), partition::Outcome::Done);
  EXPECT_GE(Sim().Clock().Micros() - before, 10000000u);
}

TEST_F(FormatTest, TheFormatPageAsksFirstNamingTheVolumeWithNoAsTheDefault) {
  AddDisk("size=256MiB,model=Data Disk");
  Boot();
  app::ReadStartupValues();
  app::LanguageName = L"English";
  ASSERT_TRUE(app::LoadLanguageTable());
  // C: is not formatted as NTFS outside Windows PE: D: is.
  WriteLayout(Sim(), 0, {{2048, 20000}, {22048, 200000}});
  sim::BootSectorParams p;
  p.fileSystem = "FAT32";
  p.startLba = 22048;
  p.lengthSectors = 200000;
  p.label = "PHOTOS";
  ASSERT_EQ(sim::WriteBootSectors(Sim().Disk(0), p), 0u);
  Sim().Mounts().Mount();
  std::vector<uint8_t> boot = ReadSectorAt(ImagePath(0), 22048);

  FormatRegion(1, L"NTFS", true, false);
  EXPECT_EQ(partition::PartitionManager.lastOutcome, partition::Outcome::Cancelled);
  EXPECT_EQ(ReadSectorAt(ImagePath(0), 22048), boot) << "answered No: nothing formatted";
  ASSERT_EQ(host_.messages.size(), 1u);
  const auto& question = host_.messages[0];
  EXPECT_EQ(question.flags & 0xFFF, unsigned(win::MB_YESNO | win::MB_ICONQUESTION | win::MB_DEFBUTTON2));
  for (const std::wstring& part : {std::wstring(L"D:"), std::wstring(L"label: PHOTOS"), app::FormatSize(200000),
                                   std::wstring(L"Disk 0 (Data Disk, 256 MB)")})
    EXPECT_NE(question.text.find(part), std::wstring::npos) << text::ToUtf8(part) << " in " << text::ToUtf8(question.text);

  FormatRegion(1, L"NTFS", true);
  EXPECT_EQ(partition::PartitionManager.lastOutcome, partition::Outcome::Done);
  EXPECT_EQ(disk::FileSystemTypeOfLetter(L'D'), disk::kFsNtfs);
}

TEST_F(FormatTest, TheFormatNowPromptAnswersYesOnlyToItsButton) {
  AddDisk("size=64MiB");
  Boot();
  host_.OnPage("CFormatDisk", [](ui::ScriptedWindow& w) { w.Press(IDC_FD_FORMATNOW); });
  EXPECT_TRUE(partition::AskFormatNow());
  host_.OnPage("CFormatDisk", [](ui::ScriptedWindow& w) { w.Cancel(); });
  EXPECT_FALSE(partition::AskFormatNow());
  EXPECT_FALSE(partition::FormatNowAnswer);
}
