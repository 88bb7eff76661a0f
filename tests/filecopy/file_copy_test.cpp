// The file copy engine: trees with everything Windows keeps per file copied
// and compared, links skipped and never walked, a too-deep tree reported,
// every failure named with its reason and no partial file left, overlapping
// destinations refused in every spelling and through junctions and links,
// what is left out on purpose listed, and one shadow copy per volume.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_state.h"
#include "app/format_size.h"
#include "app/language.h"
#include "filecopy/file_copy.h"
#include "filecopy/file_copy_job.h"
#include "filecopy/file_copy_pages.h"
#include "filecopy/filecopy_ids.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/copy_fixture.h"
#include "support/file_tree.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"
#include "tools/shadow_copy.h"
#include "ui/control_ids.h"

using namespace testing_support;
using filecopy::FileCopyResult;
using filecopy::SourceEntry;

namespace {

class FileCopyTest : public CopyMachineTest {
 protected:
  // Disk 0: C: and D: (NTFS), the sources; disk 1: E: the destination and
  // F: a small volume that fills up.
  void Machine(bool installed = false) { CopyMachine(installed, 2); }

  FileCopyResult Copy(const std::vector<SourceEntry>& sources, const std::wstring& dest,
                      filecopy::FileCopyStats* stats, filecopy::FileCopyObserver* observer = nullptr) {
    return filecopy::CopySources(sources, dest, filecopy::FileCopyOptions{}, stats, observer);
  }

  static bool HasError(const filecopy::FileCopyStats& s, const std::wstring& path, const std::wstring& reason) {
    return CopyMachineTest::HasError(s.FileErrors, path, reason);
  }

  // The overlap test agrees, and an overlapping copy fails before it starts.
  void ExpectRefusedWhenOverlapping(const SourceEntry& source, const std::wstring& dest, bool overlaps) {
    SCOPED_TRACE(text::ToUtf8(source.path + L" -> " + dest));
    EXPECT_EQ(filecopy::Overlaps(source, dest), overlaps);
    if (!overlaps) return;
    filecopy::FileCopyStats stats;
    EXPECT_EQ(Copy({source}, dest, &stats), FileCopyResult::Failed);
  }

  // The wizard's first page ticks path in the folder tree and goes on.
  void TickOnSourcePage(const std::wstring& path) {
    host_.OnPage("CBackupFiles", [this, path](ui::ScriptedWindow& w) {
      auto& page = static_cast<filecopy::CBackupFiles&>(w.ThePage());
      ASSERT_TRUE(w.ClickTreeState(IDC_FC_TREE, page.Tree().FindPath(w, path), false));
      w.Press(IDC_NEXT);
    });
  }

  void ExpectSame(const std::wstring& source, const std::wstring& copy, int maxDepth = 256) {
    for (const TreeDifference& d : CompareTrees(source, copy, {}, maxDepth))
      ADD_FAILURE() << text::ToUtf8(d.path + L": " + d.what);
  }
};

TEST_F(FileCopyTest, ATreeArrivesWithAttributesTimesAndRightsLinksSkippedAndDepthReported) {
  Machine();
  platform::FileTimes old{129000000000000000ull, 130000000000000000ull, 129500000000000000ull};
  ASSERT_TRUE(MakeFolder(L"C:\\Data", win::FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\read-only.txt", "ro", win::FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\hidden.txt", "hid", win::FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetTimes(L"C:\\Data\\hidden.txt", old));
  ASSERT_TRUE(SetDacl(L"C:\\Data\\hidden.txt", DaclFor(545)));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\Archive.ZIP", "PK zip"));
  ASSERT_TRUE(MakeFolder(L"C:\\Data\\Sub"));
  std::string big(8 * 1048576 + 3, 'b');
  big[4194304] = 'x';
  ASSERT_TRUE(MakeFile(L"C:\\Data\\Sub\\big.bin", big));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\Sub\\empty.dat", ""));
  ASSERT_TRUE(MakeFolder(L"C:\\Data\\Empty", win::FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetTimes(L"C:\\Data\\Empty", old));
  ASSERT_TRUE(MakeJunction(L"C:\\Data\\Sub\\Loop", L"C:\\Data"));  // a walk into it never ends
  ASSERT_TRUE(MakeFolder(L"C:\\Data\\$RECYCLE.BIN"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\$RECYCLE.BIN\\gone.txt", "x"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\Sub\\PAGEFILE.SYS", "not copied"));
  std::wstring deep = L"\\\\?\\C:\\Data\\Deep";
  ASSERT_TRUE(MakeFolder(deep));
  for (int level = 3; level <= 258; ++level) {
    deep += L"\\d";
    ASSERT_TRUE(MakeFolder(deep));
  }
  ASSERT_TRUE(MakeFile(deep + L"\\bottom.txt", "bottom"));
  ASSERT_TRUE(MakeFile(L"D:\\notes.txt", "notes"));

  filecopy::FileCopyStats stats;
  EXPECT_EQ(Copy({{true, L"C:\\Data"}, {false, L"d:\\NOTES.txt"}}, L"E:\\", &stats),
            FileCopyResult::CompletedWithErrors);
  EXPECT_EQ(stats.FileErrorCount, 1);
  std::wstring tooDeep = L"C:\\Data\\Deep";
  for (int i = 0; i < 255; ++i) tooDeep += L"\\d";
  EXPECT_TRUE(HasError(stats, tooDeep, L"more than 256"));
  EXPECT_EQ(stats.LinksSkipped, 1);
  EXPECT_EQ(stats.Skipped, 2);
  EXPECT_EQ(stats.FilesCopied, 6);
  EXPECT_EQ(stats.BytesCopied, big.size() + 2 + 3 + 6 + 5);
  EXPECT_EQ(stats.TotalBytes, stats.BytesCopied);
  EXPECT_EQ(Sim().GetFileAttributes(L"E:\\Data\\Sub\\Loop"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Sim().GetFileAttributes(L"E:\\Data\\$RECYCLE.BIN"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Sim().GetFileAttributes(L"E:\\Data\\Sub\\PAGEFILE.SYS"), win::INVALID_FILE_ATTRIBUTES);
  // Compared down to the depth the copy reached; the links and skipped
  // entries are left out of the comparison by removing them first.
  std::vector<platform::FindData> before;
  ASSERT_TRUE(Sim().FindFiles(L"C:\\Data\\Sub", &before));
  ASSERT_TRUE(Sim().RemoveDirectory(L"C:\\Data\\Sub\\Loop"));
  ASSERT_TRUE(Sim().DeleteFile(L"C:\\Data\\$RECYCLE.BIN\\gone.txt"));
  ASSERT_TRUE(Sim().RemoveDirectory(L"C:\\Data\\$RECYCLE.BIN"));
  ASSERT_TRUE(Sim().DeleteFile(L"C:\\Data\\Sub\\PAGEFILE.SYS"));
  ASSERT_TRUE(SetTimes(L"C:\\Data\\Sub", before.at(0).times));
  ExpectSame(L"\\\\?\\C:\\Data", L"\\\\?\\E:\\Data", 255);
  EXPECT_EQ(ReadSimFile(Sim(), L"E:\\NOTES.txt"), "notes");

  // A whole drive fills the destination folder itself.
  ASSERT_TRUE(MakeFolder(L"E:\\From D"));
  filecopy::FileCopyStats drive;
  EXPECT_EQ(Copy({{true, L"d:\\"}}, L"E:\\From D", &drive), FileCopyResult::Completed);
  EXPECT_EQ(ReadSimFile(Sim(), L"E:\\From D\\notes.txt"), "notes");
}

TEST_F(FileCopyTest, EveryFileNotCopiedIsNamedWithItsReasonAndLeavesNothingBehind) {
  config_.fileFaults = {{L"C:\\Data\\in-use.db", true, false, {}},
                        {L"C:\\Data\\secret.txt", false, true, {}},
                        {L"C:\\Data\\photo.jpg", false, false, {5000000}}};
  Machine();
  ASSERT_TRUE(MakeFolder(L"C:\\Data"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\in-use.db", "db"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\secret.txt", "secret"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\photo.jpg", std::string(6000000, 'p')));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\big.iso", std::string(10 << 20, 'i')));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\small.txt", "small"));

  filecopy::FileCopyStats stats;
  EXPECT_EQ(Copy({{true, L"C:\\Data"}, {false, L"C:\\missing.txt"}}, L"F:\\", &stats),
            FileCopyResult::CompletedWithErrors)
      << "an empty root is a destination";
  EXPECT_TRUE(HasError(stats, L"C:\\Data\\in-use.db", L"in use by another program (32)"));
  EXPECT_TRUE(HasError(stats, L"C:\\Data\\secret.txt", L"cannot open the source: access denied (5)"));
  EXPECT_TRUE(HasError(stats, L"C:\\Data\\photo.jpg", L"cannot read the source at byte 4980736: data error (23)"));
  EXPECT_TRUE(HasError(stats, L"C:\\Data\\big.iso", L"disk full"));
  EXPECT_TRUE(HasError(stats, L"C:\\missing.txt", L"file not found"));
  EXPECT_EQ(stats.FileErrorCount, 5);
  EXPECT_EQ(stats.FilesCopied, 1);
  for (const wchar_t* gone : {L"F:\\Data\\photo.jpg", L"F:\\Data\\big.iso", L"F:\\Data\\secret.txt",
                              L"F:\\Data\\in-use.db"})
    EXPECT_EQ(Sim().GetFileAttributes(gone), win::INVALID_FILE_ATTRIBUTES) << text::ToUtf8(gone);
  EXPECT_EQ(ReadSimFile(Sim(), L"F:\\Data\\small.txt"), "small");
}

TEST_F(FileCopyTest, AFileWhereAFolderGoesIsAnErrorAndKeepsItsBytesAndAttributes) {
  Machine();
  ASSERT_TRUE(MakeFolder(L"C:\\Data"));
  ASSERT_TRUE(MakeFolder(L"C:\\Data\\Empty", win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(MakeFolder(L"C:\\Data\\Full"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\Full\\x.txt", "x"));
  ASSERT_TRUE(MakeFolder(L"E:\\Data"));
  ASSERT_TRUE(MakeFile(L"E:\\Data\\Empty", "the operator's file"));
  ASSERT_TRUE(MakeFile(L"E:\\Data\\Full", "another file"));
  filecopy::FileCopyStats stats;
  EXPECT_EQ(Copy({{true, L"C:\\Data"}}, L"E:\\", &stats), FileCopyResult::CompletedWithErrors);
  EXPECT_TRUE(HasError(stats, L"C:\\Data\\Empty", L"cannot create the folder: already exists (183)"));
  EXPECT_TRUE(HasError(stats, L"C:\\Data\\Full", L"cannot create the folder: already exists (183)"));
  EXPECT_EQ(stats.FileErrorCount, 2) << "one error per folder, none per file inside";
  EXPECT_EQ(stats.FoldersCopied, 1);
  EXPECT_EQ(ReadSimFile(Sim(), L"E:\\Data\\Empty"), "the operator's file");
  EXPECT_EQ(Sim().GetFileAttributes(L"E:\\Data\\Empty"), win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(ReadSimFile(Sim(), L"E:\\Data\\Full"), "another file");
}

TEST_F(FileCopyTest, ADestinationInAnySpellingWindowsAcceptsReceivesTheCopy) {
  Machine();
  ASSERT_TRUE(MakeFolder(L"C:\\Data"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\a.txt", "alpha"));
  ASSERT_TRUE(MakeFolder(L"E:\\Backup"));
  ASSERT_TRUE(MakeFolder(L"E:\\Other"));
  for (const wchar_t* dest : {L"E:/Backup", L"E:\\Backup.", L"E:\\Other\\..\\Backup", L"e:\\.\\BACKUP\\"}) {
    SCOPED_TRACE(text::ToUtf8(dest));
    filecopy::FileCopyStats stats;
    EXPECT_EQ(Copy({{true, L"C:\\Data"}}, dest, &stats), FileCopyResult::Completed);
    EXPECT_EQ(ReadSimFile(Sim(), L"E:\\Backup\\Data\\a.txt"), "alpha");
    ASSERT_TRUE(Sim().DeleteFile(L"E:\\Backup\\Data\\a.txt"));
    ASSERT_TRUE(Sim().RemoveDirectory(L"E:\\Backup\\Data"));
  }
  // The long form takes names as they are, as Windows does.
  EXPECT_EQ(Sim().GetFileAttributes(L"\\\\?\\E:/Backup"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Sim().GetFileAttributes(L"\\\\?\\E:\\Other\\..\\Backup"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Sim().GetLastError(), win::ERROR_INVALID_NAME);
  EXPECT_NE(Sim().GetFileAttributes(L"E:\\Other\\..\\Backup"), win::INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileCopyTest, OverlappingDestinationsAreRefusedBeforeAnythingIsWritten) {
  Machine();
  ASSERT_TRUE(MakeFolder(L"C:\\Data"));
  ASSERT_TRUE(MakeFolder(L"C:\\Data\\Backup"));
  ASSERT_TRUE(MakeFolder(L"C:\\Other"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\a.txt", "alpha"));
  const struct {
    SourceEntry source;
    const wchar_t* dest;
    bool overlaps;
  } kCases[] = {
      {{false, L"C:\\Data\\a.txt"}, L"c:\\data", true},          // the file onto itself
      {{false, L"C:\\Data\\a.txt"}, L"C:/Data/", true},
      {{false, L"C:\\Data\\a.txt"}, L"\\\\?\\C:\\DATA\\.", true},
      {{true, L"C:\\Data"}, L"C:\\Data\\Backup", true},          // into itself
      {{true, L"C:\\Data"}, L"c:\\data\\BACKUP\\", true},
      {{true, L"C:\\Data"}, L"C:\\Other\\..\\Data", true},
      {{true, L"C:\\Data"}, L"C:\\", true},                      // onto itself from above
      {{true, L"C:\\Data\\Backup"}, L"C:\\Data", true},
      {{true, L"C:\\Data"}, L"C:\\Other", false},
      {{true, L"C:\\Data"}, L"C:\\Data2", false},
      {{false, L"C:\\Data\\a.txt"}, L"C:\\Other", false},
      {{true, L"C:\\Data"}, L"E:\\", false},
  };
  for (const auto& c : kCases) {
    ExpectRefusedWhenOverlapping(c.source, c.dest, c.overlaps);
    EXPECT_EQ(ReadSimFile(Sim(), L"C:\\Data\\a.txt"), "alpha");
    EXPECT_EQ(Sim().GetFileAttributes(L"C:\\Data\\Backup\\Data"), win::INVALID_FILE_ATTRIBUTES);
  }
}

TEST_F(FileCopyTest, JunctionsAndLinksOnEitherPathLeadNoWriteIntoASource) {
  Machine();
  for (const wchar_t* f : {L"C:\\Data", L"C:\\Data\\many", L"C:\\Data\\many\\f1", L"C:\\Other", L"E:\\Backup"})
    ASSERT_TRUE(MakeFolder(f));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\many\\a.txt", "alpha"));
  ASSERT_TRUE(MakeJunction(L"C:\\Data\\loop", L"C:\\Data"));
  ASSERT_TRUE(MakeJunction(L"C:\\Other\\into", L"C:\\Data\\many"));
  ASSERT_TRUE(MakeDirectoryLink(L"E:\\ln", L"C:\\Data\\many\\f1", false));
  ASSERT_TRUE(MakeJunction(L"E:\\Backup\\many", L"C:\\Data\\many"));
  const struct {
    SourceEntry source;
    const wchar_t* dest;
    bool overlaps;
  } kCases[] = {
      {{true, L"C:\\Data\\many"}, L"C:\\Data\\loop\\many\\f1", true},   // through a junction on the way
      {{true, L"C:\\Data\\many"}, L"c:\\DATA\\LOOP\\Loop\\many", true},
      {{true, L"C:\\Data\\many"}, L"C:\\Other\\into", true},            // the destination is a junction into it
      {{true, L"C:\\Data\\many"}, L"E:\\ln", true},                      // a link from another volume
      {{true, L"C:\\Data\\loop\\many"}, L"C:\\Data\\many\\f1", true},  // the source spelled through one
      {{false, L"C:\\Data\\loop\\many\\a.txt"}, L"C:\\Data\\many", true},
      {{true, L"C:\\Data\\many"}, L"C:\\Other", false},
      {{true, L"C:\\Data\\many\\f1"}, L"C:\\Other\\into", true},      // onto itself from its own folder
      {{false, L"C:\\Data\\many\\a.txt"}, L"E:\\Backup", false},
  };
  for (const auto& c : kCases) {
    ExpectRefusedWhenOverlapping(c.source, c.dest, c.overlaps);
    EXPECT_EQ(ReadSimFile(Sim(), L"C:\\Data\\many\\a.txt"), "alpha");
    EXPECT_EQ(Sim().GetFileAttributes(L"C:\\Data\\many\\f1\\many"), win::INVALID_FILE_ATTRIBUTES);
  }
  // A junction of the same name already in the destination is not written
  // through.
  filecopy::FileCopyStats stats;
  EXPECT_EQ(Copy({{true, L"C:\\Data\\many"}}, L"E:\\Backup", &stats), FileCopyResult::CompletedWithErrors);
  EXPECT_TRUE(HasError(stats, L"C:\\Data\\many", L"junction or link"));
  EXPECT_EQ(stats.FilesCopied, 0);
  EXPECT_EQ(ReadSimFile(Sim(), L"C:\\Data\\many\\a.txt"), "alpha");
}

TEST_F(FileCopyTest, SystemFilesAreListedAsSkippedInsideAFolderAndAnErrorWhenChosen) {
  Machine();
  ASSERT_TRUE(MakeFolder(L"C:\\Data"));
  ASSERT_TRUE(MakeFolder(L"C:\\Data\\System Volume Information"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\hiberfil.sys", "h"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\keep.txt", "k"));
  ASSERT_TRUE(MakeJunction(L"C:\\Data\\Loop", L"C:\\Data"));
  ASSERT_TRUE(MakeFile(L"C:\\pagefile.sys", "p"));
  filecopy::FileCopyStats inside;
  EXPECT_EQ(Copy({{true, L"C:\\Data"}}, L"E:\\", &inside), FileCopyResult::Completed);
  EXPECT_EQ(inside.SkippedEntries.size(), 3u);
  const auto& skipped = inside.SkippedEntries;
  EXPECT_TRUE(CopyMachineTest::HasError(skipped, L"C:\\Data\\hiberfil.sys", L"system file, skipped"));
  EXPECT_TRUE(CopyMachineTest::HasError(skipped, L"C:\\Data\\System Volume Information", L"system folder, skipped"));
  EXPECT_TRUE(CopyMachineTest::HasError(skipped, L"C:\\Data\\Loop", L"junction or symbolic link"));

  filecopy::FileCopyStats chosen;
  EXPECT_EQ(Copy({{false, L"C:\\PAGEFILE.SYS"}, {false, L"C:\\Data\\keep.txt"}}, L"E:\\", &chosen),
            FileCopyResult::CompletedWithErrors);
  EXPECT_TRUE(HasError(chosen, L"C:\\PAGEFILE.SYS", L"system file, skipped"));
  EXPECT_EQ(chosen.FilesCopied, 1);
  EXPECT_EQ(Sim().GetFileAttributes(L"E:\\pagefile.sys"), win::INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileCopyTest, DestinationsMustBeExistingFoldersOutsideTheSystemProfile) {
  Machine();
  ASSERT_TRUE(MakeFolder(L"C:\\Windows"));
  ASSERT_TRUE(MakeFolder(L"C:\\Windows\\System32"));
  ASSERT_TRUE(MakeFolder(L"C:\\Windows\\System32\\config"));
  ASSERT_TRUE(MakeFolder(L"C:\\Windows\\System32\\config\\systemprofile"));
  ASSERT_TRUE(MakeFile(L"C:\\file.txt", "f"));
  using filecopy::DestinationProblem;
  const struct {
    const wchar_t* dest;
    DestinationProblem problem;
  } kCases[] = {
      {L"E:\\", DestinationProblem::None},  // an empty root
      {L"E:", DestinationProblem::None},
      {L"C:\\Windows", DestinationProblem::None},
      {L"", DestinationProblem::Empty},
      {L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", DestinationProblem::NotAFolder},
      {L"Documents", DestinationProblem::NotAFolder},
      {L"c:\\windows\\system32\\config\\systemprofile\\Desktop", DestinationProblem::SystemProfile},
      {L"C:\\WINDOWS\\System32\\Config\\SystemProfile", DestinationProblem::SystemProfile},
      {L"C:\\file.txt", DestinationProblem::Missing},
      {L"C:\\nowhere", DestinationProblem::Missing},
  };
  for (const auto& c : kCases) EXPECT_EQ(filecopy::CheckDestination(c.dest), c.problem) << text::ToUtf8(c.dest);
}

TEST_F(FileCopyTest, TheDestinationPageBrowsesForAFolderAndRefusesWhatIsNone) {
  Machine(true);
  ASSERT_TRUE(MakeFile(L"C:\\notes.txt", "n"));
  ASSERT_TRUE(MakeFolder(L"E:\\Backup"));
  const struct {
    std::optional<std::wstring> answer;
    std::wstring box;
    bool next;
  } kCases[] = {
      {L"E:\\Backup", L"E:\\Backup", true},
      {std::nullopt, L"typed", true},  // Cancel leaves the box alone
      {L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", L"", false},
      {L"C:\\Windows\\System32\\config\\systemprofile", L"", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(text::ToUtf8(c.answer.value_or(L"(cancel)")));
    host_.folderDialogs.clear();
    host_.folderDialog = [&](const std::wstring&) { return c.answer; };
    TickOnSourcePage(L"C:\\notes.txt");
    host_.OnPage("CBit1", [&](ui::ScriptedWindow& w) {
      w.Type(IDC_FC_DEST, L"typed");
      EXPECT_TRUE(w.Press(IDC_FC_BROWSE));
      EXPECT_EQ(w.GetText(IDC_FC_DEST), c.box);
      EXPECT_EQ(w.IsEnabled(IDC_NEXT), c.next);
      w.Close(win::IDCANCEL);
    });
    filecopy::RunFileCopyWizard();
    EXPECT_EQ(host_.folderDialogs, std::vector<std::wstring>{app::T(L"IDS_ChooseFolder")});
  }
}

TEST_F(FileCopyTest, TheFinishedPageShowsTheLastCountsAndTheResultNamesWhatWasNotCopied) {
  config_.fileFaults = {{L"C:\\Data\\secret.txt", false, true, {}}};
  Machine();
  ASSERT_TRUE(MakeFolder(L"C:\\Data"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\secret.txt", "secret"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\big.bin", std::string(3 << 20, 'b')));
  TickOnSourcePage(L"C:\\Data");
  host_.OnPage("CBit1", [&](ui::ScriptedWindow& w) {
    w.Type(IDC_FC_DEST, L"E:\\");
    w.Press(IDC_NEXT);
  });
  std::wstring copied, percent;
  host_.OnPage("CClone1", [&](ui::ScriptedWindow& w) {
    w.Press(IDC_FC_START);
    copied = w.GetText(IDC_FC_COPIED);
    percent = w.GetText(IDC_FC_PERCENT);
  });
  filecopy::RunFileCopyWizard();
  // No time passes on the machine's clock: the page is still brought up to date at the end.
  EXPECT_EQ(copied, app::FormatSize((3 << 20) / 512));
  EXPECT_EQ(percent, L"99%");
  ASSERT_FALSE(host_.messages.empty());
  EXPECT_NE(host_.messages.back().text.find(app::T(L"IDS_FileCopyNotCopied") +
                                            L"\nC:\\Data\\secret.txt: cannot open the source: access denied (5)"),
            std::wstring::npos)
      << text::ToUtf8(host_.messages.back().text);
}

class CancelAfter : public filecopy::FileCopyObserver {
 public:
  explicit CancelAfter(uint64_t bytes) : bytes_(bytes) {}
  bool Progress(const filecopy::FileCopyProgress& p) override { return p.done < bytes_; }

 private:
  uint64_t bytes_;
};

TEST_F(FileCopyTest, OneShadowCopyPerVolumeAllDeletedAlsoOnCancel) {
  config_.fileFaults = {{L"C:\\Data\\in-use.db", true, false, {}}, {L"D:\\Mail\\inbox.pst", true, false, {}}};
  Machine(true);
  ASSERT_TRUE(MakeFolder(L"C:\\Data"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\in-use.db", "db"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\b.txt", "b"));
  ASSERT_TRUE(MakeFolder(L"D:\\Mail"));
  ASSERT_TRUE(MakeFile(L"D:\\Mail\\inbox.pst", std::string(5 << 20, 'm')));
  filecopy::FileCopyStats stats;
  EXPECT_EQ(Copy({{true, L"C:\\Data"}, {false, L"C:\\Data\\b.txt"}, {true, L"d:\\Mail"}}, L"E:\\", &stats),
            FileCopyResult::Completed);
  EXPECT_TRUE(stats.LiveVolumes.empty());
  EXPECT_EQ(ReadSimFile(Sim(), L"E:\\Data\\in-use.db"), "db") << "read through the shadow copy";
  EXPECT_EQ(Sim().SnapshotCount(), 0) << "every shadow copy deleted";
  EXPECT_EQ(stats.ShadowCopies, 2) << "one per volume, not one per source";

  // Stopped in the middle of the large file: nothing half-copied, no
  // shadow copy left.
  filecopy::FileCopyStats cancelled;
  CancelAfter cancel(1 << 20);
  EXPECT_EQ(Copy({{true, L"D:\\Mail"}}, L"F:\\", &cancelled, &cancel), FileCopyResult::Cancelled);
  EXPECT_EQ(Sim().GetFileAttributes(L"F:\\Mail\\inbox.pst"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Sim().SnapshotCount(), 0);
}

TEST_F(FileCopyTest, FilesGoThroughTheCacheOnlyWhereTheVolumeIsFlushedAtTheEnd) {
  // G: drops what was cached; R: is a network drive, which cannot be flushed as a volume.
  config_.drives = {{L'G', win::DRIVE_FIXED, dir_.File("g"), "NTFS", true},
                    {L'R', win::DRIVE_REMOTE, dir_.File("r"), "NTFS", false}};
  Machine();
  for (const char* folder : {"g", "r"}) std::filesystem::create_directories(dir_.File(folder));
  ASSERT_TRUE(MakeFolder(L"C:\\Data"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\a.txt", "alpha"));
  // A folder of E: that leads to G: or R:: flushing E: would not put the files on the disk.
  ASSERT_TRUE(MakeJunction(L"E:\\ToG", L"G:\\"));
  ASSERT_TRUE(MakeJunction(L"E:\\ToR", L"R:\\"));
  const struct {
    const wchar_t* dest;
    FileCopyResult result;
    int flushes;
  } cases[] = {{L"E:\\", FileCopyResult::Completed, 1},
               {L"R:\\", FileCopyResult::Completed, 0},
               {L"G:\\", FileCopyResult::CompletedWithErrors, 1},
               {L"E:\\ToG\\", FileCopyResult::Completed, 0},
               {L"E:\\ToR\\", FileCopyResult::Completed, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.dest));
    int before = Sim().VolumeFlushes();
    filecopy::FileCopyStats stats;
    EXPECT_EQ(Copy({{true, L"C:\\Data"}}, c.dest, &stats), c.result);
    EXPECT_EQ(Sim().VolumeFlushes() - before, c.flushes);
    EXPECT_EQ(ReadSimFile(Sim(), std::wstring(c.dest) + L"Data\\a.txt"), "alpha");
    if (c.result != FileCopyResult::Completed) {
      EXPECT_TRUE(HasError(stats, c.dest, L"cannot put the copied files on the disk: device failure (31)"));
    }
  }
  // Windows flushes a volume only through a handle that may write to it.
  platform::Handle readOnly =
      Sim().CreateFile(L"\\\\.\\E:", win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  ASSERT_TRUE(platform::IsValid(readOnly));
  EXPECT_FALSE(Sim().FlushFileBuffers(readOnly));
  EXPECT_EQ(Sim().GetLastError(), win::ERROR_ACCESS_DENIED);
  Sim().CloseHandle(readOnly);
}

TEST_F(FileCopyTest, AFailedFlushLeadsTheErrorsAndWhatIsLeftOutIsCountedBeyondItsList) {
  config_.drives = {{L'G', win::DRIVE_FIXED, dir_.File("g"), "NTFS", true}};
  config_.fileFaults = {{L"C:\\Data\\secret.txt", false, true, {}}};
  Machine();
  std::filesystem::create_directories(dir_.File("g"));
  ASSERT_TRUE(MakeFolder(L"C:\\Data"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\secret.txt", "secret"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\a.txt", "alpha"));
  ASSERT_TRUE(MakeFile(L"C:\\Data\\pagefile.sys", "x", win::FILE_ATTRIBUTE_SYSTEM | win::FILE_ATTRIBUTE_HIDDEN));
  filecopy::FileCopyStats stats;
  EXPECT_EQ(Copy({{true, L"C:\\Data"}}, L"G:\\", &stats), FileCopyResult::CompletedWithErrors);
  EXPECT_EQ(stats.FileErrorCount, 2);
  ASSERT_EQ(stats.FileErrors.size(), 2u);
  EXPECT_EQ(stats.FileErrors.front().path, L"G:\\") << "the flush comes first, where no cap hides it";
  EXPECT_EQ(stats.SkippedCount, 1);
  EXPECT_EQ(stats.SkippedEntries.size(), 1u);
}

TEST_F(FileCopyTest, ANetworkShareIsCopiedByItsUncPathInAnyLetterCase) {
  config_.shares = {{L"NAS", L"Public", dir_.File("nas")}};
  Machine(true);
  ASSERT_TRUE(MakeFolder(L"\\\\nas\\public\\Docs"));
  ASSERT_TRUE(MakeFile(L"\\\\NAS\\Public\\Docs\\minutes.txt", "minutes", win::FILE_ATTRIBUTE_HIDDEN));
  filecopy::FileCopyStats stats;
  EXPECT_EQ(Copy({{true, L"\\\\Nas\\PUBLIC\\Docs"}}, L"E:\\", &stats), FileCopyResult::Completed);
  EXPECT_EQ(ReadSimFile(Sim(), L"E:\\Docs\\minutes.txt"), "minutes");
  EXPECT_EQ(stats.ShadowCopies, 0) << "a share is read as it is";
  EXPECT_TRUE(filecopy::Overlaps({true, L"\\\\nas\\public"}, L"\\\\NAS\\Public\\Docs"));
  EXPECT_FALSE(filecopy::Overlaps({true, L"\\\\nas\\public"}, L"\\\\NAS\\Other"));
  EXPECT_EQ(Sim().GetFileAttributes(L"\\\\NAS\\Elsewhere"), win::INVALID_FILE_ATTRIBUTES);
}

TEST(FileCopyArithmetic, PercentAndRemainingTimeHoldForEmptyAndHugeSources) {
  const uint64_t kTiB = 1ull << 40;
  EXPECT_EQ(filecopy::Percent(0, 0), 100u);
  EXPECT_EQ(filecopy::Percent(5, 10), 50u);
  EXPECT_EQ(filecopy::Percent(3 * kTiB, 4 * kTiB), 75u);
  EXPECT_EQ(filecopy::Percent(UINT64_MAX / 2, UINT64_MAX), 49u);
  EXPECT_EQ(filecopy::Percent(UINT64_MAX - 1, UINT64_MAX), 99u);
  EXPECT_EQ(filecopy::RemainingSeconds(0, 100, 10), 0u);
  EXPECT_EQ(filecopy::RemainingSeconds(kTiB, 4 * kTiB, 600), 1800u);
}

}  // namespace
