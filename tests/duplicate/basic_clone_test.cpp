// Basic (file-level) clones of a whole disk through the wizard's pages, in
// the three expansion modes, onto a smaller disk that still holds the used
// data and onto a 3 TiB disk that must become GPT: the layout checked by
// sfdisk and sgdisk against the plan, every file compared with its source
// (what a clone must skip left out), the partition without a volume copied
// sector by sector, and the source image untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "duplicate/dup_fixture.h"
#include "duplicate/duplicate_ids.h"
#include "duplicate/duplication_wizard.h"
#include "erase/region_list.h"
#include "platform/sim/file_meta.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

using namespace testing_support;
using duplicate::DuplicationJob;
using duplicate::DuplicationResult;
using duplicate::Expansion;
namespace fs = std::filesystem;

namespace {

constexpr uint64_t MiB = 2048;  // sectors

// Files of a volume folder, relative path -> content.
std::map<std::string, std::string> Files(const std::string& folder) {
  std::map<std::string, std::string> out;
  if (folder.empty() || !fs::exists(folder)) return out;
  for (auto& e : fs::recursive_directory_iterator(folder)) {
    // The simulated PC's own record of attributes and times is no file of the volume.
    if (!e.is_regular_file() || e.path().filename() == sim::MetaStore::kFileName) continue;
    std::ifstream in(e.path(), std::ios::binary);
    out[fs::relative(e.path(), folder).generic_string()] =
        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return out;
}

// What a clone leaves out: the page and hibernation files and the recycle
// bins at the volume's root, whatever their case.
bool Skipped(const std::string& relative) {
  std::string first = relative.substr(0, relative.find('/'));
  std::transform(first.begin(), first.end(), first.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  bool atRoot = relative.find('/') == std::string::npos;
  if (atRoot) return first == "PAGEFILE.SYS" || first == "HIBERFIL.SYS";
  return first == "SYSTEM VOLUME INFORMATION" || first == "RECYCLER" || first == "RECYCLED" ||
         first.rfind("$RECYCLE", 0) == 0;
}

class BasicCloneTest : public DupTest {
 protected:
  // Drive 0 (1 GiB, sparse): a 100 MiB boot partition without a letter,
  // C: (800 MiB) with Windows and a tree of files, a 16 MiB hidden recovery
  // partition (0x27) with data.
  static constexpr uint64_t kWindowsStart = 2048 + 100 * MiB, kRecoveryStart = kWindowsStart + 800 * MiB;
  void Source(const std::string& destinationSize) {
    AddDisk("size=1GiB,model=Source");
    AddDisk("size=" + destinationSize + ",model=Destination");
    sim::VolumeConfig boot;
    boot.startLba = 2048;
    boot.noLetter = true;
    config_.volumes.push_back(boot);
    Boot();
    Layout(0, {{{2048, 100 * MiB, 0x07, "NTFS"}, {kWindowsStart, 800 * MiB, 0x07, "NTFS"},
                {kRecoveryStart, 16 * MiB, 0x27, ""}}});
    std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(0), 0);
    mbr[0] = 0x33, mbr[1] = 0xC0;  // the usual boot code: the boot track is copied too
    WriteSectorAt(ImagePath(0), 0, mbr);
    FillPattern(0, kRecoveryStart, 16 * MiB, 0x27);
    std::string bootFolder;
    for (auto& v : Sim().Mounts().Volumes())
      if (v->disk == 0 && v->startLba == 2048) bootFolder = v->hostFolder;
    ASSERT_FALSE(bootFolder.empty());
    auto put = [](const std::string& folder, const std::string& path, const std::string& content) {
      fs::path p = fs::path(folder) / path;
      fs::create_directories(p.parent_path());
      std::ofstream(p, std::ios::binary) << content;
    };
    put(bootFolder, "bootmgr", std::string(3000, 'b'));
    put(bootFolder, "Boot/BCD", "boot configuration");
    std::string c = FolderOf(L'C');
    put(c, "Windows/System32/Kernel32.dll", std::string(70000, 'k'));
    put(c, "Users/Demo/Documents/Letter.docx", "a letter");
    put(c, "Users/Demo/Pictures/Holiday/Beach.jpg", std::string(300000, 'p'));
    put(c, "Users/Demo/Documents/PAGEFILE.SYS", "not the page file: it is not at the root");
    put(c, "Users/Demo/$Recycle.Bin.txt", "a file named like the bin, not at the root");
    put(c, "empty.txt", "");
    put(c, "pagefile.sys", std::string(100000, 'x'));
    put(c, "HiberFil.sys", "hibernation");
    put(c, "$Recycle.Bin/S-1-5-21/deleted.txt", "deleted");
    put(c, "System Volume Information/tracking.log", "system");
    put(c, "RECYCLER/old.txt", "old");
    app::ReadStartupValues();
    host_.answerYes = true;
  }

  // The whole wizard: disk to disk, basic, the mode, Manual sizes by row.
  DuplicationResult Clone(Expansion mode, const std::map<int, std::wstring>& manual = {}) {
    auto row = [](int disk) { return erase::RegionRowOf(app::BuildDiskListRows(), disk, 0); };
    host_.OnPage("CMirrorSource", [&](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, row(0), true);
      w.Tick(IDC_MS_BASIC, true);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CMirrorDestination", [&](ui::ScriptedWindow& w) {
      w.Tick(mode == Expansion::Same ? IDC_MD_SAME : mode == Expansion::Manual ? IDC_MD_MANUAL : IDC_MD_AUTO, true);
      w.CheckRow(IDC_LIST, row(1), true);
      for (auto& [r, size] : manual) {
        w.Choose(IDC_MD_PLANNED, r - 1);
        w.Type(IDC_MD_SIZE, size);
        w.Press(IDC_MD_APPLY);
      }
      w.Press(IDC_NEXT);
      if (!w.IsClosed()) w.Close(win::IDCANCEL);
    });
    host_.OnPage("COption", [&](ui::ScriptedWindow& w) {
      w.Tick(IDC_MO_VERIFY, true);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CClone", [&](ui::ScriptedWindow& w) {
      w.Press(IDC_CL_START);
      bar_ = {w.c(IDC_PROGRESS).pos, w.c(IDC_PROGRESS).high};
    });
    host_.OnPage("CCloneSummary", [&](ui::ScriptedWindow& w) { w.Close(win::IDOK); });
    duplicate::RunDuplicationWizard();
    return DuplicationJob.Result;
  }

  std::pair<int64_t, int64_t> bar_;  // the progress bar at the end: position, top

  std::string DestinationFolder(uint64_t start) {
    for (auto& v : Sim().Mounts().Volumes())
      if (v->disk == 1 && v->startLba == start && !v->gone) return v->hostFolder;
    return "";
  }

  // The planned partitions (start, length) in disk order.
  std::vector<std::pair<uint64_t, uint64_t>> Planned() {
    std::vector<std::pair<uint64_t, uint64_t>> out;
    for (int i = 0; i < duplicate::PlanSlotCount; ++i) {
      const partition::LayoutSlot& s = partition::LayoutSlotTable[i];
      if (s.IsEmpty() || s.type == partition::kTypeExtended || s.logical == -1) continue;
      out.push_back({s.destinationStartBytes / 512, s.destinationLengthBytes / 512});
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  // Every file of the source volume at sourceStart is on the clone's
  // volume at destinationStart, byte for byte, except what is skipped.
  void ExpectSameFiles(const std::string& sourceFolder, uint64_t destinationStart) {
    std::map<std::string, std::string> src = Files(sourceFolder), dst = Files(DestinationFolder(destinationStart));
    ASSERT_FALSE(src.empty());
    for (auto& [path, content] : src) {
      auto it = dst.find(path);
      if (Skipped(path)) {
        EXPECT_EQ(it, dst.end()) << path << " is copied but must be skipped";
      } else {
        ASSERT_NE(it, dst.end()) << path << " is missing";
        EXPECT_TRUE(it->second == content) << path << " differs";
      }
    }
  }

  // sfdisk reads the clone's table as the plan says, with the source's types.
  void ExpectTableAsPlanned(const std::vector<std::string>& types) {
    std::string out;
    ASSERT_EQ(Shell("sfdisk -d " + ImagePath(1), &out), 0) << out;
    std::vector<std::pair<uint64_t, uint64_t>> plan = Planned();
    ASSERT_EQ(plan.size(), types.size());
    for (size_t i = 0; i < plan.size(); ++i) {
      std::string line = "start=" + std::string(12 - std::min<size_t>(12, std::to_string(plan[i].first).size()), ' ') +
                         std::to_string(plan[i].first) + ", size=";
      EXPECT_NE(out.find(line), std::string::npos) << "partition " << i + 1 << " at " << plan[i].first << "\n" << out;
      EXPECT_NE(out.find(std::to_string(plan[i].second) + ", type=" + types[i]), std::string::npos)
          << "partition " << i + 1 << " of " << plan[i].second << " sectors, type " << types[i] << "\n" << out;
    }
    EXPECT_EQ(Shell("sfdisk -V " + ImagePath(1) + " >/dev/null 2>&1"), 0);
  }

  void ExpectClone() {
    ExpectSameFiles(FolderOf(L'C'), Planned()[1].first);
    std::string bootFolder;
    for (auto& v : Sim().Mounts().Volumes())
      if (v->disk == 0 && v->startLba == 2048) bootFolder = v->hostFolder;
    ExpectSameFiles(bootFolder, Planned()[0].first);
    // The recovery partition, sector by sector at its own size.
    EXPECT_EQ(Planned()[2].second, 16 * MiB);
    EXPECT_TRUE(Sectors(1, Planned()[2].first, 16 * MiB) == Sectors(0, kRecoveryStart, 16 * MiB));
    // The clone carries the source disk's signature.
    EXPECT_EQ(bytes::Get32(&ReadSectorAt(ImagePath(1), 0)[440]), bytes::Get32(&ReadSectorAt(ImagePath(0), 0)[440]));
  }
};

TEST_F(BasicCloneTest, TheThreeExpansionModesOntoALargerDisk) {
  if (!HaveTool("sfdisk")) GTEST_SKIP() << "sfdisk is not installed";
  struct Case {
    Expansion mode;
    std::map<int, std::wstring> manual;
    uint64_t windowsLength;  // sectors; 0: not checked
  } cases[] = {
      {Expansion::Auto, {}, 0},
      {Expansion::Same, {}, 800 * MiB},
      {Expansion::Manual, {{2, L"900"}}, 900 * MiB},
  };
  Source("1536MiB");
  std::vector<uint8_t> source = ReadHostFile(ImagePath(0));
  std::string blank = dir_.File("blank.img");
  fs::copy_file(ImagePath(1), blank);
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.mode));
    int flushes = Sim().VolumeFlushes();
    ASSERT_EQ(Clone(c.mode, c.manual), DuplicationResult::Completed) << ::testing::PrintToString(DuplicationJob.FileErrors.size());
    EXPECT_TRUE(ReadHostFile(ImagePath(0)) == source) << "the source is only read";
    ExpectTableAsPlanned({"7", "7", "27"});
    ExpectClone();
    // The files went through the cache: each copied volume is flushed before the run reports.
    EXPECT_GE(Sim().VolumeFlushes() - flushes, 2);
    // The file copy counts against the volumes' used space, which it never
    // reaches (file-system metadata is not copied as files): a finished
    // run still ends on a full bar.
    EXPECT_EQ(bar_.first, bar_.second);
    if (c.windowsLength) {
      EXPECT_EQ(Planned()[1].second, c.windowsLength);
    }
    if (c.mode == Expansion::Auto) {
      EXPECT_GT(Planned()[1].second, 800 * MiB) << "Auto grows the Windows partition";
    }
  }
}

TEST_F(BasicCloneTest, ACloneWhoseFilesCannotBeFlushedToTheDiskIsNotCompleted) {
  // The clone's Windows partition (Same sizes: where the source's is) loses what was cached.
  sim::VolumeConfig lost;
  lost.disk = 1;
  lost.startLba = kWindowsStart;
  lost.flushFails = true;
  config_.volumes.push_back(lost);
  Source("1536MiB");
  EXPECT_EQ(Clone(Expansion::Same), DuplicationResult::CompletedError);
  ASSERT_EQ(Planned()[1].first, kWindowsStart);
  std::vector<std::wstring> flushErrors;
  for (const duplicate::FileError& e : DuplicationJob.FileErrors)
    if (e.reason.find(L"cannot put the copied files on the disk: device failure (31)") != std::wstring::npos)
      flushErrors.push_back(e.reason);
  // One flush, of the copy (the verify pass only reads): a write error of the
  // volume, not a file that was not copied.
  EXPECT_EQ(flushErrors, (std::vector<std::wstring>{L"cannot put the copied files on the disk: device failure (31)"}));
  EXPECT_EQ(DuplicationJob.WriteErrorCount, 1);
  EXPECT_EQ(DuplicationJob.FilesNotCopied, 0);
  EXPECT_GT(DuplicationJob.FilesCopied, 0);
}

TEST_F(BasicCloneTest, ASmallerDiskThatHoldsTheUsedDataGetsSmallerPartitions) {
  if (!HaveTool("sfdisk")) GTEST_SKIP() << "sfdisk is not installed";
  Source("600MiB");
  std::vector<uint8_t> source = ReadHostFile(ImagePath(0));
  ASSERT_EQ(Clone(Expansion::Auto), DuplicationResult::Completed);
  EXPECT_TRUE(ReadHostFile(ImagePath(0)) == source);
  EXPECT_LT(Planned()[1].second, 500 * MiB);
  ExpectTableAsPlanned({"7", "7", "27"});
  ExpectClone();
}

// Hidden partitions are written visible for the copy and must be hidden
// again afterwards, a logical drive's type in its extended boot record too,
// whether or not the source carries the usual boot code.
TEST_F(BasicCloneTest, HiddenPartitionsStayHiddenWhateverTheBootCode) {
  if (!HaveTool("sfdisk")) GTEST_SKIP() << "sfdisk is not installed";
  AddDisk("size=1GiB,model=Source");
  AddDisk("size=2GiB,model=Destination");
  Boot();
  const uint64_t recovery = 2048 + 200 * MiB, container = recovery + 16 * MiB;
  const uint64_t hiddenLogical = container + 2048, visibleLogical = hiddenLogical + 16 * MiB + 2048;
  Layout(0, {{{2048, 200 * MiB}, {recovery, 16 * MiB, 0x27, ""}, {container, 600 * MiB, 0x0F, ""}},
             {{hiddenLogical, 16 * MiB, 0x17, ""}, {hiddenLogical + 16 * MiB, 2048 + 200 * MiB, 0x05, ""}},
             {{visibleLogical, 200 * MiB}}});
  FillPattern(0, recovery, 16 * MiB, 0x27);
  FillPattern(0, hiddenLogical, 16 * MiB, 0x17);
  PutFile(L'C', "Users/Demo/Letter.docx", 5000);
  app::ReadStartupValues();
  host_.answerYes = true;
  for (bool bootCode : {false, true}) {
    SCOPED_TRACE(bootCode ? "usual boot code" : "no boot code");
    std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(0), 0);
    mbr[0] = bootCode ? 0x33 : 0, mbr[1] = bootCode ? 0xC0 : 0;
    WriteSectorAt(ImagePath(0), 0, mbr);
    std::vector<uint8_t> source = ReadHostFile(ImagePath(0));
    ASSERT_EQ(Clone(Expansion::Auto), DuplicationResult::Completed);
    EXPECT_TRUE(ReadHostFile(ImagePath(0)) == source);
    std::string out;
    ASSERT_EQ(Shell("sfdisk -d " + ImagePath(1), &out), 0) << out;
    std::vector<std::string> types;
    for (size_t at = out.find("type="); at != std::string::npos; at = out.find("type=", at + 1))
      types.push_back(out.substr(at + 5, out.find_first_of(",\n", at) - at - 5));
    EXPECT_EQ(types, (std::vector<std::string>{"7", "27", "f", "17", "7"})) << out;
    EXPECT_EQ(Shell("sfdisk -V " + ImagePath(1) + " >/dev/null 2>&1"), 0);
    // Both hidden partitions are there sector by sector, at their own size.
    std::vector<std::pair<uint64_t, uint64_t>> plan = Planned();
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[1].second, 16 * MiB);
    EXPECT_EQ(plan[2].second, 16 * MiB);
    EXPECT_TRUE(Sectors(1, plan[1].first, 16 * MiB) == Sectors(0, recovery, 16 * MiB));
    EXPECT_TRUE(Sectors(1, plan[2].first, 16 * MiB) == Sectors(0, hiddenLogical, 16 * MiB));
  }
}

TEST_F(BasicCloneTest, PartitionsWindowsDoesNotMountArriveSectorBySector) {
  // A Linux and a hidden FAT partition have no volume to copy files from:
  // sized by the plan like the others, they would arrive empty. Nor does a
  // Linux extended partition, which Windows takes for no container (its
  // logical drives are inside, in sectors of their own), nor a utility
  // partition behind others.
  AddDisk("size=1GiB,model=Source");
  AddDisk("size=2GiB,model=Destination");
  Boot();
  const uint64_t linux = 2048 + 200 * MiB, linuxExtended = linux + 64 * MiB, container = linuxExtended + 16 * MiB;
  const uint64_t hiddenFat = container + 2048, utility = hiddenFat + 32 * MiB + 2048;
  Layout(0, {{{2048, 200 * MiB}, {linux, 64 * MiB, 0x83, ""}, {linuxExtended, 16 * MiB, 0x85, ""},
              {container, 2048 + 32 * MiB + 2048 + 8 * MiB, 0x0F, ""}},
             {{hiddenFat, 32 * MiB, 0x16, ""}, {hiddenFat + 32 * MiB, 2048 + 8 * MiB, 0x05, ""}},
             {{utility, 8 * MiB, 0xDE, ""}}});
  struct Part {
    uint64_t start, length;
  } copied[] = {{linux, 64 * MiB}, {linuxExtended, 16 * MiB}, {hiddenFat, 32 * MiB}, {utility, 8 * MiB}};
  for (const Part& p : copied) FillPattern(0, p.start, p.length, uint8_t(p.start));
  PutFile(L'C', "Users/Demo/Letter.docx", 5000);
  app::ReadStartupValues();
  host_.answerYes = true;
  std::vector<uint8_t> source = ReadHostFile(ImagePath(0));
  ASSERT_EQ(Clone(Expansion::Auto), DuplicationResult::Completed);
  EXPECT_TRUE(ReadHostFile(ImagePath(0)) == source);
  std::vector<std::pair<uint64_t, uint64_t>> plan = Planned();
  ASSERT_EQ(plan.size(), 5u);
  EXPECT_GT(plan[0].second, 200 * MiB);  // the Windows volume grows
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(plan[i + 1].second, copied[i].length);
    EXPECT_TRUE(Sectors(1, plan[i + 1].first, copied[i].length) == Sectors(0, copied[i].start, copied[i].length));
  }
}

TEST_F(BasicCloneTest, AnMbrSourceBecomesGptOnThreeTiB) {
  if (!HaveTool("sgdisk")) GTEST_SKIP() << "sgdisk is not installed";
  Source("3TiB");
  std::vector<uint8_t> source = ReadHostFile(ImagePath(0));
  ASSERT_EQ(Clone(Expansion::Auto), DuplicationResult::Completed);
  EXPECT_TRUE(ReadHostFile(ImagePath(0)) == source);
  std::string out;
  EXPECT_EQ(Shell("sgdisk -v " + ImagePath(1), &out), 0) << out;
  EXPECT_NE(out.find("No problems found"), std::string::npos) << out;
  ASSERT_EQ(Shell("sgdisk -p " + ImagePath(1), &out), 0);
  EXPECT_NE(out.find("Microsoft reserved"), std::string::npos) << out;
  std::vector<std::pair<uint64_t, uint64_t>> plan = Planned();
  ASSERT_EQ(plan.size(), 4u) << "the reserved partition and the three of the source";
  EXPECT_EQ(plan[0], (std::pair<uint64_t, uint64_t>{34, 128 * MiB}));
  ExpectSameFiles(FolderOf(L'C'), plan[2].first);
  EXPECT_TRUE(Sectors(1, plan[3].first, 16 * MiB) == Sectors(0, kRecoveryStart, 16 * MiB));
}

}  // namespace
