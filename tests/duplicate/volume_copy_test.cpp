// The file-level copy of a volume: a tree with everything Windows keeps per
// file copied and compared entry by entry, the skip list at the root only,
// links re-created and never walked, every file that was not copied
// counted with its path and reason, a verify pass that repairs, and a
// volume of an installed Windows read through a shadow copy.
#include <algorithm>
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "duplicate/volume_copy.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/copy_fixture.h"
#include "support/file_tree.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"
#include "tools/shadow_copy.h"

using namespace testing_support;
using duplicate::VolumeCopyResult;

namespace {

const std::vector<std::wstring> kSkipped = {L"System Volume Information", L"RECYCLER", L"Recycled", L"$Recycle.Bin",
                                            L"$RECYCLE.BIN.OLD", L"pagefile.sys", L"HIBERFIL.SYS", L"swapfile.sys"};

class VolumeCopyTest : public CopyMachineTest {
 protected:
  // Disk 0: C: the source (NTFS); disk 1: D: the destination (NTFS) and
  // E: a small NTFS volume that fills up.
  void Machine(bool installed = false) { CopyMachine(installed, 1); }

  // What a Windows system volume holds, in small.
  void SourceTree() {
    platform::FileTimes old{129000000000000000ull, 130000000000000000ull, 129500000000000000ull};
    ASSERT_TRUE(MakeFolder(L"C:\\Users"));
    ASSERT_TRUE(MakeFolder(L"C:\\Users\\Demo"));
    ASSERT_TRUE(MakeFolder(L"C:\\Users\\Demo\\Documents", win::FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(MakeFile(L"C:\\Users\\Demo\\Documents\\Budget 2026.xlsx", "PK budget", win::FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetDacl(L"C:\\Users\\Demo\\Documents\\Budget 2026.xlsx", DaclFor(545)));
    ASSERT_TRUE(MakeFile(L"C:\\Users\\Demo\\Documents\\Letter to the bank.docx", "PK letter"));
    ASSERT_TRUE(SetShortName(L"C:\\Users\\Demo\\Documents\\Letter to the bank.docx", L"LETTER~9.DOC"));
    ASSERT_TRUE(SetTimes(L"C:\\Users\\Demo\\Documents\\Letter to the bank.docx", old));
    ASSERT_TRUE(Sim().SetFileAttributes(L"C:\\Users\\Demo\\Documents\\Letter to the bank.docx",
                                        win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(MakeFolder(L"C:\\ProgramData"));
    ASSERT_TRUE(MakeFile(L"C:\\ProgramData\\shared.txt", "shared"));
    ASSERT_TRUE(MakeDirectoryLink(L"C:\\Users\\All Users", L"..\\ProgramData", true));
    ASSERT_TRUE(MakeJunction(L"C:\\Documents and Settings", L"C:\\Users"));
    ASSERT_TRUE(MakeJunction(L"C:\\Users\\Demo\\Loop", L"C:\\Users"));  // a loop a walk would never leave
    ASSERT_TRUE(Sim().SetFileAttributes(L"C:\\Documents and Settings",
                                        win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(MakeFolder(L"C:\\Program Files"));
    ASSERT_TRUE(MakeFolder(L"C:\\Program Files\\Demo Office"));
    std::string big(8 * 1048576 + 1, 'b');  // two whole chunks and one byte
    big[5000000] = 'x';
    ASSERT_TRUE(MakeFile(L"C:\\Program Files\\Demo Office\\office.exe", big, win::FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(MakeFile(L"C:\\Program Files\\Demo Office\\empty.dat", ""));
    ASSERT_TRUE(MakeFolder(L"C:\\Empty", win::FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetTimes(L"C:\\Empty", old));
    // The skip list holds at the root, by exact name; elsewhere these are
    // ordinary names.
    for (const std::wstring& name : kSkipped) {
      if (name.find(L'.') != std::wstring::npos && name[0] != L'$') {
        ASSERT_TRUE(MakeFile(L"C:\\" + name, "system"));
      } else {
        ASSERT_TRUE(MakeFolder(L"C:\\" + name));
        ASSERT_TRUE(MakeFile(L"C:\\" + name + L"\\inside.txt", "x"));
      }
    }
    ASSERT_TRUE(MakeFolder(L"C:\\Data"));
    ASSERT_TRUE(MakeFile(L"C:\\Data\\pagefile.sys", "not the page file"));
    ASSERT_TRUE(MakeFolder(L"C:\\Data\\RECYCLER"));
    ASSERT_TRUE(MakeFile(L"C:\\pagefile.sys.bak", "kept"));
    ASSERT_TRUE(MakeFolder(L"C:\\RecycledStuff"));
    // More folders side by side than the copy may nest: depth is nesting,
    // not a count of the folders seen.
    ASSERT_TRUE(MakeFolder(L"C:\\Wide"));
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(MakeFolder(L"C:\\Wide\\f" + text::Dec(uint64_t(i))));
    ASSERT_TRUE(MakeFile(L"C:\\Wide\\f299\\last.txt", "last"));
    // Folders nested deeper than the copy goes.
    std::wstring deep = L"\\\\?\\C:\\Deep";
    ASSERT_TRUE(MakeFolder(deep));
    for (int level = 2; level <= 258; ++level) {
      deep += L"\\d";
      ASSERT_TRUE(MakeFolder(deep));
    }
    ASSERT_TRUE(MakeFile(deep + L"\\bottom.txt", "bottom"));
  }

  VolumeCopyResult Copy(bool verify, duplicate::VolumeCopyStats* stats, tools::ShadowSession* shadows = nullptr,
                        const std::wstring& dest = L"D:") {
    duplicate::VolumeCopyOptions options;
    options.verify = verify;
    options.shadows = shadows;
    return duplicate::CopyPartitionContents(dest, L"C:", options, stats);
  }

  static bool HasError(const duplicate::VolumeCopyStats& s, const std::wstring& path, const std::wstring& reason) {
    return CopyMachineTest::HasError(s.FileErrors, path, reason);
  }
};

TEST_F(VolumeCopyTest, ATreeArrivesWithEverythingWindowsKeepsPerFile) {
  Machine();
  SourceTree();
  ASSERT_TRUE(Sim().SetVolumeLabel(L"C:\\", L"Windows"));
  duplicate::VolumeCopyStats stats;
  EXPECT_EQ(Copy(false, &stats), VolumeCopyResult::CompletedWithErrors) << "the folder too deep";
  for (const TreeDifference& d : CompareTrees(L"\\\\?\\C:", L"\\\\?\\D:", kSkipped, 256))
    ADD_FAILURE() << text::ToUtf8(d.path + L": " + d.what);
  EXPECT_EQ(stats.FileErrorCount, 1);
  std::wstring tooDeep = L"C:\\Deep";
  for (int i = 0; i < 256; ++i) tooDeep += L"\\d";
  EXPECT_TRUE(HasError(stats, tooDeep, L"more than 256"));
  EXPECT_EQ(stats.WriteErrorCount, 0);
  EXPECT_EQ(stats.LinksRecreated, 3);
  EXPECT_EQ(stats.Skipped, int(kSkipped.size()));
  EXPECT_EQ(stats.FilesCopied, 8);
  std::wstring label;
  ASSERT_TRUE(Sim().GetVolumeLabel(L"D:\\", &label));
  EXPECT_EQ(label, L"Windows");
  EXPECT_EQ(ReadSimFile(Sim(), L"D:\\Documents and Settings\\All Users\\shared.txt"), "shared")
      << "links lead where they led";
  EXPECT_EQ(Sim().GetFileAttributes(L"D:\\qob.cmd"), win::INVALID_FILE_ATTRIBUTES) << "the link script is gone";
  bool ranScript = false;
  for (auto& p : Sim().Started()) ranScript |= text::EqualsIgnoreCase(p.file, L"D:\\qob.cmd") && p.exitCode == 0;
  EXPECT_TRUE(ranScript) << "All Users is made by mklink";

  duplicate::VolumeCopyStats verified;
  EXPECT_EQ(Copy(true, &verified), VolumeCopyResult::CompletedWithErrors);
  EXPECT_EQ(verified.VerifyErrorCount, 0);
  EXPECT_EQ(verified.FileErrorCount, 1) << "the folder too deep, again";
  EXPECT_EQ(verified.CopiedSectors, stats.CopiedSectors);
}

TEST_F(VolumeCopyTest, EveryFileNotCopiedIsCountedWithItsPathAndReason) {
  config_.fileFaults = {{L"C:\\Windows\\System32\\config\\SYSTEM", true, false, {}},
                        {L"C:\\secret.txt", false, true, {}},
                        {L"C:\\Users\\photo.jpg", false, false, {5000000}},
                        {L"C:\\Locked", false, true, {}}};
  Machine();
  ASSERT_TRUE(MakeFolder(L"C:\\Windows"));
  ASSERT_TRUE(MakeFolder(L"C:\\Windows\\System32"));
  ASSERT_TRUE(MakeFolder(L"C:\\Windows\\System32\\config"));
  ASSERT_TRUE(MakeFile(L"C:\\Windows\\System32\\config\\SYSTEM", "regf"));
  ASSERT_TRUE(MakeFile(L"C:\\secret.txt", "secret"));
  ASSERT_TRUE(MakeFolder(L"C:\\Users"));
  ASSERT_TRUE(MakeFile(L"C:\\Users\\photo.jpg", std::string(6000000, 'p')));
  ASSERT_TRUE(MakeFile(L"C:\\Users\\big.iso", std::string(10 << 20, 'i')));
  ASSERT_TRUE(MakeFile(L"C:\\Users\\small.txt", "small"));
  ASSERT_TRUE(MakeFolder(L"C:\\Locked"));
  ASSERT_TRUE(MakeFile(L"C:\\Locked\\inside.txt", "inside"));

  duplicate::VolumeCopyStats stats;
  EXPECT_EQ(Copy(false, &stats, nullptr, L"E:"), VolumeCopyResult::CompletedWithErrors);
  EXPECT_TRUE(HasError(stats, L"C:\\Windows\\System32\\config\\SYSTEM", L"in use by another program (32)"));
  EXPECT_TRUE(HasError(stats, L"C:\\secret.txt", L"cannot open the source: access denied (5)"));
  EXPECT_TRUE(HasError(stats, L"C:\\Users\\photo.jpg", L"cannot read the source at byte 4980736: data error (23)"));
  EXPECT_TRUE(HasError(stats, L"C:\\Users\\big.iso", L"disk full"));
  EXPECT_TRUE(HasError(stats, L"C:\\Locked", L"cannot list the folder: access denied (5)"));
  EXPECT_EQ(stats.FileErrorCount, 5);
  EXPECT_EQ(stats.WriteErrorCount, 1);
  EXPECT_EQ(stats.FilesCopied, 1);
  // Nothing half-copied stays: a read error is never a shorter copy.
  for (const wchar_t* gone : {L"E:\\Users\\photo.jpg", L"E:\\Users\\big.iso", L"E:\\secret.txt"})
    EXPECT_EQ(Sim().GetFileAttributes(gone), win::INVALID_FILE_ATTRIBUTES) << text::ToUtf8(gone);
  EXPECT_EQ(ReadSimFile(Sim(), L"E:\\Users\\small.txt"), "small");

  // Alone, the verify pass finds each of them missing; after the copy pass
  // it leaves them alone, as they are counted already.
  duplicate::VolumeCopyStats alone;
  EXPECT_EQ(Copy(true, &alone, nullptr, L"E:"), VolumeCopyResult::CompletedWithErrors);
  EXPECT_TRUE(HasError(alone, L"C:\\Users\\photo.jpg", L"verify: cannot open the copy: file not found"));
  EXPECT_TRUE(HasError(alone, L"C:\\Users\\big.iso", L"verify: cannot open the copy: file not found"));
  EXPECT_EQ(alone.VerifyErrorCount, 4) << "every file that could not be compared";
  std::vector<std::wstring> notCopied = stats.NotCopied;
  std::sort(notCopied.begin(), notCopied.end());
  ASSERT_EQ(notCopied.size(), 5u);
  duplicate::VolumeCopyOptions options;
  options.verify = true;
  options.notCopied = &notCopied;
  duplicate::VolumeCopyStats verified;
  EXPECT_EQ(duplicate::CopyPartitionContents(L"E:", L"C:", options, &verified), VolumeCopyResult::Completed);
  EXPECT_EQ(verified.VerifyErrorCount, 0);
  EXPECT_TRUE(verified.FileErrors.empty());
}

TEST_F(VolumeCopyTest, VerifyRepairsWhatDiffersAndCancelLeavesNoHalfFile) {
  Machine();
  ASSERT_TRUE(MakeFolder(L"C:\\Docs"));
  ASSERT_TRUE(MakeFile(L"C:\\Docs\\a.txt", "alpha"));
  ASSERT_TRUE(MakeFile(L"C:\\Docs\\b.txt", "bravo", win::FILE_ATTRIBUTE_READONLY));
  duplicate::VolumeCopyStats stats;
  ASSERT_EQ(Copy(false, &stats), VolumeCopyResult::Completed);
  // The copy goes wrong behind the program's back.
  ASSERT_TRUE(Sim().SetFileAttributes(L"D:\\Docs\\b.txt", 0));
  ASSERT_EQ(WriteSimFile(Sim(), L"D:\\Docs\\b.txt", "brave"), 0u);
  ASSERT_TRUE(Sim().SetFileAttributes(L"D:\\Docs\\b.txt", win::FILE_ATTRIBUTE_READONLY));
  ASSERT_EQ(WriteSimFile(Sim(), L"D:\\Docs\\a.txt", "alphabet"), 0u);
  duplicate::VolumeCopyStats verified;
  EXPECT_EQ(Copy(true, &verified), VolumeCopyResult::Completed);
  EXPECT_EQ(verified.VerifyErrorCount, 0);
  EXPECT_EQ(ReadSimFile(Sim(), L"D:\\Docs\\a.txt"), "alpha");
  EXPECT_EQ(ReadSimFile(Sim(), L"D:\\Docs\\b.txt"), "bravo");
  EXPECT_EQ(Sim().GetFileAttributes(L"D:\\Docs\\b.txt"), win::FILE_ATTRIBUTE_READONLY);

  // Cancel in the middle of a large file: the file does not stay.
  ASSERT_TRUE(MakeFile(L"C:\\Docs\\large.bin", std::string(9 << 20, 'l')));
  struct StopAfterAChunk : duplicate::VolumeCopyObserver {
    bool Progress(const duplicate::VolumeCopyProgress& p) override { return p.bytesOfCurrentFile == 0; }
  } stop;
  duplicate::VolumeCopyOptions options;
  duplicate::VolumeCopyStats cancelled;
  EXPECT_EQ(duplicate::CopyPartitionContents(L"E:", L"C:", options, &cancelled, &stop), VolumeCopyResult::Cancelled);
  EXPECT_EQ(Sim().GetFileAttributes(L"E:\\Docs\\large.bin"), win::INVALID_FILE_ATTRIBUTES);
}

TEST_F(VolumeCopyTest, ARepairThatCannotBeWrittenIsReportedForWhatStoppedIt) {
  Machine();
  ASSERT_TRUE(MakeFolder(L"C:\\Docs"));
  ASSERT_TRUE(MakeFile(L"C:\\Docs\\big.bin", std::string(3 << 20, 'b')));
  duplicate::VolumeCopyStats stats;
  ASSERT_EQ(Copy(false, &stats, nullptr, L"E:"), VolumeCopyResult::Completed);
  // The copy lost its bytes, and the rest of the small volume is taken.
  ASSERT_EQ(WriteSimFile(Sim(), L"E:\\Docs\\big.bin", "", 0, win::CREATE_ALWAYS), 0u);
  platform::DiskFreeSpace space;
  ASSERT_TRUE(Sim().GetDiskFreeSpace(L"E:\\", &space));
  uint64_t free = uint64_t(space.freeClusters) * space.sectorsPerCluster * space.bytesPerSector;
  ASSERT_GT(free, 1u << 20);
  ASSERT_TRUE(MakeFile(L"E:\\filler", std::string(free - (1 << 20), 'f')));
  duplicate::VolumeCopyStats verified;
  EXPECT_EQ(Copy(true, &verified, nullptr, L"E:"), VolumeCopyResult::CompletedWithErrors);
  EXPECT_EQ(verified.VerifyErrorCount, 1);
  EXPECT_EQ(verified.WriteErrorCount, 1);
  EXPECT_TRUE(HasError(verified, L"C:\\Docs\\big.bin", L"verify: cannot write the copy at byte"));
  EXPECT_TRUE(HasError(verified, L"C:\\Docs\\big.bin", L"disk full (112)"));
}

TEST_F(VolumeCopyTest, ProgressNeverCountsAFileTwiceNorGoesBackAlsoThroughARepair) {
  config_.fileFaults = {{L"C:\\Data\\bad.bin", false, false, {(6 << 20) + 5}}};
  Machine();
  std::string a(5 << 20, 'a');
  ASSERT_TRUE(MakeFolder(L"C:\\Data"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\a.bin", a));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\bad.bin", std::string(7 << 20, 'b')));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\c.txt", std::string(1 << 20, 'c')));
  struct Watch : duplicate::VolumeCopyObserver {
    uint64_t last = 0, most = 0;
    bool back = false;
    bool Progress(const duplicate::VolumeCopyProgress& p) override {
      uint64_t done = p.stats.CopiedSectors * 512 + p.bytesOfCurrentFile;
      back |= done < last;
      last = done;
      most = std::max(most, done);
      return true;
    }
  };
  // The copy pass reads bad.bin up to its unreadable slice; the verify pass
  // finds no copy of it, and repairs a.bin, which differs late.
  const struct {
    bool verify;
    uint64_t handled;
  } kPasses[] = {{false, (5 << 20) + (6 << 20) + (1 << 20)}, {true, (5 << 20) + (1 << 20)}};
  for (const auto& pass : kPasses) {
    SCOPED_TRACE(pass.verify ? "verify" : "copy");
    if (pass.verify) {
      std::string differs = a;
      differs[(9 << 19) + 7] = 'x';
      ASSERT_EQ(WriteSimFile(Sim(), L"D:\\Data\\a.bin", differs, 0, win::CREATE_ALWAYS), 0u);
    }
    Watch watch;
    duplicate::VolumeCopyOptions options;
    options.verify = pass.verify;
    duplicate::VolumeCopyStats stats;
    EXPECT_EQ(duplicate::CopyPartitionContents(L"D:", L"C:", options, &stats, &watch),
              VolumeCopyResult::CompletedWithErrors);
    EXPECT_EQ(stats.VerifyErrorCount, pass.verify ? 1 : 0) << "bad.bin only: a.bin is repaired";
    EXPECT_FALSE(watch.back);
    EXPECT_EQ(stats.CopiedSectors * 512, pass.handled);
    EXPECT_EQ(watch.most, pass.handled);
    EXPECT_EQ(watch.last, pass.handled);
  }
}

TEST_F(VolumeCopyTest, AnInstalledWindowsIsReadThroughOneShadowCopyForBothPasses) {
  config_.fileFaults = {{L"C:\\Windows\\System32\\config\\SYSTEM", true, false, {}}};
  Machine(true);
  ASSERT_TRUE(MakeFolder(L"C:\\Windows"));
  ASSERT_TRUE(MakeFolder(L"C:\\Windows\\System32"));
  ASSERT_TRUE(MakeFolder(L"C:\\Windows\\System32\\config"));
  ASSERT_TRUE(MakeFile(L"C:\\Windows\\System32\\config\\SYSTEM", "regf"));
  {
    tools::ShadowSession shadows;
    duplicate::VolumeCopyStats stats;
    EXPECT_EQ(Copy(false, &stats, &shadows), VolumeCopyResult::Completed);
    EXPECT_EQ(Copy(true, &stats, &shadows), VolumeCopyResult::Completed);
    EXPECT_EQ(Sim().SnapshotCount(), 1) << "one shadow copy for both passes";
    EXPECT_TRUE(stats.LiveVolumes.empty());
  }
  EXPECT_EQ(Sim().SnapshotCount(), 0);
  EXPECT_EQ(ReadSimFile(Sim(), L"D:\\Windows\\System32\\config\\SYSTEM"), "regf");

  // Without a component to make one, the volume is read live, and the
  // files the system holds are counted.
  config_.shadowLibraries.clear();
  Boot();
  app::IsWinPE = false;
  tools::ResetShadowClient();
  duplicate::VolumeCopyStats live;
  EXPECT_EQ(Copy(false, &live, nullptr, L"E:"), VolumeCopyResult::CompletedWithErrors);
  ASSERT_EQ(live.LiveVolumes.size(), 1u);
  EXPECT_EQ(live.LiveVolumes[0].second, tools::ShadowProblem::NoComponent);
  EXPECT_TRUE(HasError(live, L"C:\\Windows\\System32\\config\\SYSTEM", L"in use"));
}

}  // namespace
