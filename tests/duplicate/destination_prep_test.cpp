// Preparing the destination of a basic duplication end to end on a machine
// like the demo's (a boot partition without a letter, Windows, a hidden
// recovery partition, a blank disk): the cleared and written layout as
// sfdisk reads it, the volumes formatted through the format library and
// through the format command of the boot medium, the hidden partition
// copied at its size, and the boot track (boot code only) with the hidden
// type given back. Then the format rules and formats that fail or never end.
#include <gtest/gtest.h>

#include "duplicate/block_copy.h"
#include "duplicate/destination_prep.h"
#include "duplicate/dup_fixture.h"

using namespace testing_support;
using duplicate::DuplicationJob;
using duplicate::Expansion;
using duplicate::PlanStatus;

namespace {

constexpr uint64_t MiB = 2048;

class PrepTest : public DupTest {
 protected:
  std::wstring FileSystemAt(int drive, uint64_t start) {
    int letter = disk::DriveLetterOf(start, drive);
    std::wstring fs;
    if (letter < 0 || !Sim().GetVolumeInformation(std::wstring(1, wchar_t(letter)) + L":\\", &fs)) return L"";
    return fs;
  }
};

TEST_F(PrepTest, ADemoLikeSystemDiskIsLaidOutFormattedAndGetsItsBootCode) {
  NEED_TOOLS("sfdisk");
  for (bool bootMedium : {false, true}) {
    SCOPED_TRACE(bootMedium ? "boot medium" : "installed Windows");
    std::string tag = bootMedium ? "pe" : "os";
    config_.disks.clear();
    config_.volumes.clear();
    config_.drives.clear();
    if (bootMedium) {
      config_.programPath = L"X:\\Vektrel\\vektrel.exe";
      config_.windowsDir = L"X:\\Windows";
      std::filesystem::create_directories(dir_.File("pe/Windows/System32"));
      config_.drives.push_back({L'X', 6, dir_.File("pe"), "NTFS"});
    }
    // The boot partitions have no letters, here and on the destination.
    config_.volumes.push_back({0, 2048, 0, true, "", false});
    config_.volumes.push_back({1, 2048, 0, true, "", false});
    AddDisk("size=8GiB", "system-" + tag + ".img");
    AddDisk("size=16GiB", "blank-" + tag + ".img");
    Boot();
    app::ResetAppState();
    app::ReadStartupValues();
    ASSERT_EQ(app::IsWinPE, bootMedium);
    const uint64_t windowsStart = 2048 + 100 * MiB, recoveryStart = 16 * 1024 * 1024 - 500 * MiB;
    Layout(0, {{{2048, 100 * MiB}, {windowsStart, recoveryStart - windowsStart}, {recoveryStart, 500 * MiB, 0x27}}});
    PutFile(wchar_t(disk::DriveLetterOf(windowsStart, 0)), "Windows/System32/Kernel32.dll", 4096);
    FillPattern(0, recoveryStart, 64, 0x27);

    ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
    DiskToDisk(duplicate::CopyKind::Basic);
    ASSERT_TRUE(duplicate::CreateDestinationPartitions(progress_, 1, 2));
    ASSERT_TRUE(duplicate::FormatDestinationPartitions(progress_, 1, 2));
    // The Windows partition takes the room the larger disk adds; the hidden
    // one keeps its size and is written visible for now.
    const uint64_t destinationEnd = 32 * 1024 * 1024;
    const uint64_t windowsLength = destinationEnd - 500 * MiB - windowsStart;
    SfdiskTable t = Sfdisk(ImagePath(1));
    EXPECT_EQ(t.parts, (std::vector<SfdiskLine>{{2048, 100 * MiB, 0x07},
                                                {windowsStart, windowsLength, 0x07},
                                                {windowsStart + windowsLength, 500 * MiB, 0x07}}));
    // Formatted NTFS: the boot partition under a letter given for the copy.
    EXPECT_EQ(FileSystemAt(1, 2048), L"NTFS");
    EXPECT_EQ(FileSystemAt(1, windowsStart), L"NTFS");
    EXPECT_NE(partition::LayoutSlotTable[0].destinationLetter, 0);
    if (bootMedium) {
      std::vector<uint8_t> script = ReadHostFile(dir_.File("pe/Windows/System32/zuvformat.cmd"));
      std::string line(script.begin(), script.end());
      EXPECT_EQ(line.rfind("format ", 0), 0u) << line;
      EXPECT_NE(line.find(" /FS:NTFS /q"), std::string::npos) << line;
    }
    // The recovery partition is copied by sectors, whole.
    ASSERT_TRUE(duplicate::IsSectorCopiedSlot(2));
    ASSERT_TRUE(duplicate::CopyHiddenPartition(progress_, 1, 2, 2, false));
    const uint64_t copied = windowsStart + windowsLength;
    EXPECT_TRUE(Sectors(1, copied, 128) == Sectors(0, recoveryStart, 128));
    EXPECT_TRUE(Sectors(1, copied + 500 * MiB - 8, 8) == Sectors(0, recoveryStart + 500 * MiB - 8, 8));

    std::vector<uint8_t> source0 = ReadSectorAt(ImagePath(0), 0), before = ReadSectorAt(ImagePath(1), 0);
    ASSERT_TRUE(duplicate::CopyBootTrack(1, 2, duplicate::BootTrackVariant::WholeDisk));
    std::vector<uint8_t> after = ReadSectorAt(ImagePath(1), 0);
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 440, source0.begin()));
    // The destination's own signature and table stay; the hidden type is back.
    EXPECT_TRUE(std::equal(after.begin() + 440, after.begin() + 446, before.begin() + 440));
    t = Sfdisk(ImagePath(1));
    ASSERT_EQ(t.parts.size(), 3u);
    EXPECT_EQ(t.parts[2].type, 0x27u);
    EXPECT_EQ(t.parts[1], (SfdiskLine{windowsStart, windowsLength, 0x07}));
  }
}

TEST_F(PrepTest, TheFileSystemOfASlotFollowsItsPlannedSize) {
  const uint64_t GiB = 1024 * MiB;
  struct Case {
    int kind;
    uint64_t length;
    bool formatted;
    int code;
    bool fat32;
  } cases[] = {
      {0x06, 100 * MiB, true, 0x06, false},
      // FAT (0x04, 0x06, 0x0E alike) cannot hold 4 GiB: FAT32; beyond 32 GiB NTFS.
      {0x06, 5 * GiB, true, 0x0C, true},
      {0x0E, 5 * GiB, true, 0x0C, true},
      {0x0E, 1 * GiB, true, 0x0E, false},
      {0x04, 40 * GiB, true, 0x07, false},
      {0x0C, 40 * GiB, true, 0x07, false},
      // Too small for FAT32 as the library makes it.
      {0x0C, 20 * MiB, true, 0x06, false},
      {0x07, 20 * MiB, true, 0x07, false},
      {0x83, 1 * GiB, false, 0, false},
      {0x87, 1 * GiB, false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + " " + std::to_string(c.length));
    partition::FormatRequestRecord r;
    ASSERT_EQ(duplicate::FormatRequestFor(c.kind, c.length, L'e', &r), c.formatted);
    if (!c.formatted) continue;
    EXPECT_EQ(r.fileSystemCode, c.code);
    EXPECT_EQ(r.fat32, c.fat32);
    EXPECT_EQ(r.driveIndex, 4);
    EXPECT_TRUE(r.quick);
  }
}

TEST_F(PrepTest, OnlyFormattedSlotsAreJudgedAndAFormatThatNeverEndsTimesOut) {
  NEED_TOOLS("sfdisk");
  for (sim::FormatLibrary library : {sim::FormatLibrary::Works, sim::FormatLibrary::Hangs}) {
    bool works = library == sim::FormatLibrary::Works;
    SCOPED_TRACE(works ? "works" : "hangs");
    config_.disks.clear();
    config_.formatLibrary = library;
    host_.messages.clear();
    AddDisk("size=2GiB", works ? "s1.img" : "s2.img");
    AddDisk("size=12GiB", works ? "d1.img" : "d2.img");
    Boot();
    // A FAT16 partition, and a Linux one the program does not format.
    Layout(0, {{{2048, 1024 * MiB, 0x06, "FAT"}, {2048 + 1024 * MiB, 512 * MiB, 0x83, ""}}});
    ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
    DiskToDisk(duplicate::CopyKind::Basic);
    ASSERT_TRUE(duplicate::CreateDestinationPartitions(progress_, 1, 2));
    uint32_t started = Sim().GetTickCount();
    EXPECT_EQ(duplicate::FormatDestinationPartitions(progress_, 1, 2), works);
    EXPECT_EQ(Shown(L"IDS_cannotformat"), !works);
    if (works) {
      // Planned to 6 GiB, FAT16 becomes FAT32, in the table and on the volume.
      SfdiskTable t = Sfdisk(ImagePath(1));
      ASSERT_EQ(t.parts.size(), 2u);
      EXPECT_EQ(t.parts[0].type, 0x0Cu);
      EXPECT_EQ(t.parts[1].type, 0x83u);
      EXPECT_EQ(FileSystemAt(1, 2048), L"FAT32");
    } else {
      EXPECT_GE(Sim().GetTickCount() - started, 15u * 60 * 1000);
    }
  }
}

}  // namespace

namespace {

TEST_F(PrepTest, TheBootTrackCarriesBootCodeOnlyAndNeverTouchesAGpt) {
  AddDisk("size=16MiB");
  AddDisk("size=16MiB");
  Boot();
  Layout(0, {{{2048, 8192}}});
  Layout(1, {{{2048, 4096}, {8192, 4096}}});
  // Boot code of the source's own: the usual first bytes, then a mark.
  std::vector<uint8_t> source0 = ReadSectorAt(ImagePath(0), 0);
  source0[100] = 0x5A;
  WriteSectorAt(ImagePath(0), 0, source0);
  WriteSectorAt(ImagePath(0), 5, std::vector<uint8_t>(512, 0x55));
  std::vector<uint8_t> before = ReadSectorAt(ImagePath(1), 0);
  // A single partition's copy keeps every entry of the destination.
  ASSERT_TRUE(duplicate::CopyBootTrack(1, 2, duplicate::BootTrackVariant::SinglePartition));
  std::vector<uint8_t> after = ReadSectorAt(ImagePath(1), 0);
  EXPECT_EQ(after[100], 0x5A);
  EXPECT_TRUE(std::equal(after.begin() + 440, after.end(), before.begin() + 440));
  EXPECT_EQ(ReadSectorAt(ImagePath(1), 5), std::vector<uint8_t>(512, 0x55));
  // Another boot code is not carried over.
  source0[0] = 0xEB;
  WriteSectorAt(ImagePath(0), 0, source0);
  before = after;
  EXPECT_FALSE(duplicate::CopyBootTrack(1, 2, duplicate::BootTrackVariant::WholeDisk));
  EXPECT_EQ(ReadSectorAt(ImagePath(1), 0), before);
  // A GPT's first sectors are its tables.
  source0[0] = 0x33;
  WriteSectorAt(ImagePath(0), 0, source0);
  WriteGpt(ImagePath(1), 32768, {{2048, 10239, "data"}});
  std::vector<uint8_t> gpt = Sectors(1, 0, 34);
  EXPECT_FALSE(duplicate::CopyBootTrack(1, 2, duplicate::BootTrackVariant::WholeDisk));
  EXPECT_TRUE(Sectors(1, 0, 34) == gpt);
}

TEST_F(PrepTest, ADestinationTheSystemWillNotGiveUpIsNotCleared) {
  config_.volumes.push_back({1, 2048, 0, false, "", true});
  AddDisk("size=64MiB");
  AddDisk("size=64MiB");
  Boot();
  Layout(0, {{{2048, 65536}}});
  Layout(1, {{{2048, 65536}}});
  ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Same), PlanStatus::Ok);
  DiskToDisk(duplicate::CopyKind::Basic);
  uint64_t writes = Sim().Disk(1).writes;
  EXPECT_FALSE(duplicate::CreateDestinationPartitions(progress_, 1, 2));
  EXPECT_TRUE(Shown(L"IDS_CloseTheDrive"));
  EXPECT_TRUE(DuplicationJob.CancelRequested);
  EXPECT_EQ(Sim().Disk(1).writes, writes);
}

}  // namespace

namespace {

TEST_F(PrepTest, AGptSystemDiskGetsItsTablesFormatsAndSystemPartitions) {
  NEED_TOOLS("sgdisk");
  AddDisk("size=4GiB");
  AddDisk("size=8GiB");
  ASSERT_EQ(Shell("sgdisk -n 1:2048:+100M -t 1:ef00 -n 2:0:+16M -t 2:0c01 -n 3:0:-500M -t 3:0700 "
                  "-n 4:0:0 -t 4:2700 " + ImagePath(0)), 0);
  Boot();
  disk::RefreshDiskModel();
  // The EFI partition's contents, to be found again on the destination.
  FillPattern(0, 2048, 16, 0xEF);
  ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
  DiskToDisk(duplicate::CopyKind::Basic);
  ASSERT_TRUE(duplicate::CreateDestinationPartitions(progress_, 1, 2));
  ASSERT_TRUE(duplicate::FormatDestinationPartitions(progress_, 1, 2));
  std::string out;
  EXPECT_EQ(Shell("sgdisk -v " + ImagePath(1), &out), 0) << out;
  EXPECT_NE(out.find("No problems found"), std::string::npos) << out;
  // Only the basic-data partition is a volume, and it is formatted.
  const partition::LayoutSlot& windows = partition::LayoutSlotTable[2];
  EXPECT_EQ(FileSystemAt(1, windows.destinationStartBytes / 512), L"NTFS");
  // EFI and recovery are copied by sectors, the reserved partition is not.
  EXPECT_TRUE(duplicate::IsSectorCopiedSlot(0));
  EXPECT_FALSE(duplicate::IsSectorCopiedSlot(1));
  EXPECT_FALSE(duplicate::IsSectorCopiedSlot(2));
  EXPECT_TRUE(duplicate::IsSectorCopiedSlot(3));
  ASSERT_TRUE(duplicate::CopyHiddenPartition(progress_, 1, 2, 0, false));
  EXPECT_TRUE(Sectors(1, partition::LayoutSlotTable[0].destinationStartBytes / 512, 16) == Sectors(0, 2048, 16));
}

}  // namespace

namespace {

TEST_F(PrepTest, APartitionDestinationGrowsToItsPlanThenTakesTheSourcesFileSystem) {
  NEED_TOOLS("sfdisk");
  AddDisk("size=512MiB");
  AddDisk("size=512MiB");
  Boot();
  Layout(0, {{{2048, 100 * MiB, 0x0E, "FAT"}}});
  // A smaller destination partition with room behind it, and a disk where
  // the next partition leaves none.
  Layout(1, {{{2048, 50 * MiB}, {2048 + 120 * MiB, 100 * MiB}}});
  wchar_t source = wchar_t(disk::DriveLetterOf(2048, 0)), destination = wchar_t(disk::DriveLetterOf(2048, 1));
  PutFile(source, "a.bin", 10ull << 20);
  auto& j = DuplicationJob;
  j.CopyMode = duplicate::CopyKind::Basic;
  j.SourceDisk = 1;
  j.SourceIsPartition = true;
  j.SourceStart = 2048;
  j.SourceLength = 100 * MiB;
  j.SourceLetter = source;
  j.SourceTypeByte = 0x0E;
  j.DestinationDisk = 2;
  j.DestinationIsPartition = true;
  j.DestinationStart = 2048;
  j.DestinationLength = 50 * MiB;
  j.DestinationLetter = destination;
  // Manual: at least the used data, at most the room up to the next partition.
  ASSERT_EQ(duplicate::PlanPartitionDuplication(Expansion::Manual), PlanStatus::Ok);
  EXPECT_EQ(duplicate::ManualMaximum, 120 * MiB);
  EXPECT_EQ(duplicate::ApplyManualPartitionSize(L"1"), 11 * MiB);
  EXPECT_EQ(duplicate::ApplyManualPartitionSize(L"-3"), 120 * MiB);
  // Same: the source's length, which fits in front of the next partition.
  ASSERT_EQ(duplicate::PlanPartitionDuplication(Expansion::Same), PlanStatus::Ok);
  EXPECT_EQ(j.DestinationPlannedLength, 100 * MiB);
  EXPECT_EQ(duplicate::CheckBasicFit(), PlanStatus::Ok);
  ASSERT_TRUE(duplicate::PreparePartitionDestination(progress_));
  SfdiskTable t = Sfdisk(ImagePath(1));
  ASSERT_EQ(t.parts.size(), 2u);
  EXPECT_EQ(t.parts[0].size, 100 * MiB);
  EXPECT_EQ(FileSystemAt(1, 2048), L"FAT");
  // A source longer than the room there is.
  j.SourceLength = 130 * MiB;
  EXPECT_EQ(duplicate::PlanPartitionDuplication(Expansion::Same), PlanStatus::TooSmall);
}

}  // namespace

namespace {

TEST_F(PrepTest, AFormatCountsOnlyWhenItReportsSuccess) {
  for (bool bootMedium : {false, true}) {
    SCOPED_TRACE(bootMedium ? "format command" : "format library");
    config_.disks.clear();
    config_.drives.clear();
    // Outside Windows PE the library formats NTFS only from D: on.
    config_.volumes = {{0, 2048, L'F', false, "", false}};
    config_.programPath = bootMedium ? L"X:\\Vektrel\\vektrel.exe" : L"W:\\Vektrel\\vektrel.exe";
    config_.windowsDir = bootMedium ? L"X:\\Windows" : L"W:\\Windows";
    if (bootMedium) {
      std::filesystem::create_directories(dir_.File("pe/Windows/System32"));
      config_.drives.push_back({L'X', 6, dir_.File("pe"), "NTFS"});
    }
    AddDisk("size=6GiB", bootMedium ? "f2.img" : "f1.img");
    Boot();
    app::ResetAppState();
    app::ReadStartupValues();
    Layout(0, {{{2048, 5 * 1024 * MiB}}});
    wchar_t letter = wchar_t(disk::DriveLetterOf(2048, 0));
    partition::FormatRequestRecord request;
    ASSERT_TRUE(duplicate::FormatRequestFor(0x07, 5 * 1024 * MiB, letter, &request));
    EXPECT_TRUE(duplicate::FormatOneVolume(progress_, request));
    // FAT cannot hold 5 GiB: the format runs, and says it failed.
    request.fileSystemCode = 0x06;
    request.fat32 = false;
    EXPECT_FALSE(duplicate::FormatOneVolume(progress_, request));
    EXPECT_EQ(FileSystemAt(0, 2048), L"NTFS");
  }
}

}  // namespace
