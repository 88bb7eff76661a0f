// The simulated PC's process runner: scripts carried out line by line with
// the exit codes cmd and format give, declared programs with theirs, waits
// that end, and a format library that never reports done.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"

using namespace testing_support;

namespace {

class ProcessTest : public SimTest {
 protected:
  // Disk 0: C: (the running Windows, in use) and D: (20 GiB, unformatted);
  // disk 1 (write-protected when asked): E:.
  void Machine(bool secondWriteProtected = false, bool removable = false) {
    config_.windowsDir = L"C:\\Windows";
    config_.programPath = L"C:\\Program Files\\Vektrel\\vektrel.exe";
    config_.programs.push_back({L"C:\\Windows\\System32\\wpeutil.exe", 3});
    AddDisk("size=48GiB");
    AddDisk(std::string("size=1GiB") + (secondWriteProtected ? ",wp=1" : "") + (removable ? ",removable=1" : ""));
    Boot();
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(0), 0x1111, {{{2048, 204800, 0x07, "NTFS"}, {206848, 41943040, 0x07, ""}}}),
              0u);
    if (!secondWriteProtected) {
      ASSERT_EQ(WriteMbrGroups(Sim().Disk(1), 0x2222, {{{2048, 1048576, 0x07, ""}}}), 0u);
    }
    Sim().Mounts().Mount();
    Sim().CreateDirectory(L"C:\\Windows");
    Sim().CreateDirectory(L"C:\\Windows\\System32");
  }
  void Put(const std::wstring& path, const std::string& bytes) { ASSERT_EQ(WriteSimFile(Sim(), path, bytes), 0u); }
  // Runs a script the way the preparation runs its format command: hidden,
  // answers from a file, waited for; the exit code.
  uint32_t RunScript(const std::string& lines, const std::string& answers = "y\r\ny\r\n") {
    Put(L"C:\\Windows\\System32\\zuvformat.cmd", lines);
    Put(L"C:\\Windows\\System32\\zuvformatparams", answers);
    platform::Handle p = Sim().ShellExecuteEx(L"open", L"C:\\Windows\\System32\\zuvformat.cmd",
                                              L"< C:\\Windows\\System32\\zuvformatparams", L"", win::SW_HIDE);
    EXPECT_TRUE(platform::IsValid(p));
    EXPECT_EQ(Sim().WaitForSingleObject(p, win::INFINITE), win::WAIT_OBJECT_0);
    uint32_t code = 12345;
    EXPECT_TRUE(Sim().GetExitCodeProcess(p, &code));
    Sim().CloseHandle(p);
    return code;
  }
  std::wstring FileSystemOf(const std::wstring& root) {
    std::wstring fs;
    return Sim().GetVolumeInformation(root, &fs) ? fs : L"RAW";
  }
};

TEST_F(ProcessTest, FormatScriptFormatsWithRealExitCodes) {
  Machine();
  EXPECT_EQ(RunScript("format D: /FS:NTFS /q\r\n"), 0u);
  EXPECT_EQ(FileSystemOf(L"D:\\"), L"NTFS");
  EXPECT_NE(Sim().Started().back().output.find(L"Format complete."), std::wstring::npos);
  std::wstring label;
  ASSERT_TRUE(Sim().GetVolumeLabel(L"D:\\", &label));
  EXPECT_EQ(label, L"y") << "the second answer is taken as the new label, as format does";
  EXPECT_EQ(RunScript("format D: /FS:NTFS /q", "x\r\ny\r\n"), 4u) << "a labelled volume wants its label first";
  EXPECT_EQ(RunScript("format D: /FS:NTFS /q /V:DATA", "Y\r\ny\r\n"), 0u);
  ASSERT_TRUE(Sim().GetVolumeLabel(L"D:\\", &label));
  EXPECT_EQ(label, L"DATA");

  struct Case {
    const char* script;
    const char* answers;
    uint32_t code;
  } cases[] = {
      {"format E: /FS:FAT32 /q", "y\r\n", 0},
      {"format E: /q", "y\r\n", 0},             // no /FS: the file system it has
      {"format E: /FS:NTFS /q", "n\r\n", 5},    // the operator says no
      {"format E: /FS:NTFS /q", "", 5},         // no answer at all
      {"format E: /FS:NTFS /Z", "y\r\n", 1},    // wrong parameters
      {"format E: /FS:HPFS /q", "y\r\n", 1},
      {"format Q: /FS:NTFS /q", "y\r\n", 4},    // no such drive
      {"format C: /FS:NTFS /q", "y\r\n", 4},    // the running system's volume
      {"format D: /FS:FAT32 /q", "data\r\ny\r\n", 0},  // 20 GiB: FAT32 still holds it
      {"@echo off\r\nrem the volume\r\nformat E: /FS:NTFS\r\n", "y\r\n", 0},  // a full format
      {"nosuchtool E:", "", 9009},
      {"format E: /FS:FAT /q\r\nexit /b 7\r\nformat E: /FS:NTFS /q\r\n", "y\r\n", 7},
      {"wpeutil shutdown", "", 3},  // a declared program keeps its code
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(RunScript(c.script, c.answers), c.code) << text::ToUtf8(Sim().Started().back().output);
  }
  EXPECT_EQ(FileSystemOf(L"C:\\"), L"NTFS");
  EXPECT_EQ(FileSystemOf(L"D:\\"), L"FAT32");
  EXPECT_EQ(FileSystemOf(L"E:\\"), L"FAT") << "exit ended the script before its last line";
}

TEST_F(ProcessTest, FormatRefusesAWriteProtectedDisk) {
  Machine(true);
  // The protected disk got its table before it was protected: write it
  // through the image, then mount.
  Sim().Mounts().Mount();
  std::vector<TableEntry> e = {{0x07, 2048, 1048576, false}};
  WriteSectorAt(ImagePath(1), 0, TableSector(e, 0x3333));
  Sim().Mounts().Mount();
  ASSERT_TRUE(Sim().Mounts().ByLetter(L'E'));
  EXPECT_EQ(RunScript("format E: /FS:NTFS /q"), 4u);
  EXPECT_NE(Sim().Started().back().output.find(L"write protected"), std::wstring::npos);
  EXPECT_EQ(FileSystemOf(L"E:\\"), L"RAW");
}

TEST_F(ProcessTest, ProgramsStartWaitAndEndAsOnWindows) {
  Machine();
  // Declared: its exit code; a program file on a volume: 0; a missing one
  // is not started.
  platform::Handle p = Sim().CreateProcess(L"C:\\Windows\\System32\\wpeutil.exe", L"wpeutil.exe shutdown", L"");
  ASSERT_TRUE(platform::IsValid(p));
  uint32_t code = 0;
  EXPECT_EQ(Sim().WaitForSingleObject(p, 4000), win::WAIT_OBJECT_0);
  ASSERT_TRUE(Sim().GetExitCodeProcess(p, &code));
  EXPECT_EQ(code, 3u);
  Sim().CloseHandle(p);
  EXPECT_EQ(Sim().CreateProcess(L"C:\\Tools\\missing.exe", L"missing.exe", L""), platform::kNullHandle);
  EXPECT_EQ(Sim().GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Sim().ShellExecute(L"open", L"C:\\Tools\\missing.exe", L"", L"", win::SW_SHOW), win::SE_ERR_FNF);

  // "cmd /c" carries out its line.
  p = Sim().CreateProcess(L"C:\\Windows\\System32\\cmd.exe", L"cmd.exe /c format E: /FS:NTFS /q < nothing.txt", L"");
  ASSERT_TRUE(platform::IsValid(p));
  ASSERT_TRUE(Sim().GetExitCodeProcess(p, &code));
  EXPECT_EQ(code, 1u) << "the answers file does not exist";
  Sim().CloseHandle(p);
}

TEST_F(ProcessTest, AFormatLibraryThatNeverReportsDoneLeavesItsThreadBlocked) {
  config_.formatLibrary = sim::FormatLibrary::Hangs;
  Machine();
  bool done = false;
  int progress = 0;
  ASSERT_TRUE(Sim().StartThread([&] {
    Sim().FormatEx(L"D:\\", 12, L"NTFS", L"", true, 0, [&](uint32_t command, uint32_t, void*) {
      if (command == 11) done = true;
      if (command == 0) ++progress;
      return true;
    });
    done = true;  // never reached: the call does not return
  }));
  EXPECT_FALSE(done);
  EXPECT_EQ(progress, 1);
  EXPECT_EQ(Sim().HungThreads(), 1);
  EXPECT_EQ(FileSystemOf(L"D:\\"), L"RAW");

  config_.formatLibrary = sim::FormatLibrary::Missing;
  Boot();
  EXPECT_FALSE(Sim().FormatEx(L"D:\\", 12, L"NTFS", L"", true, 0, [](uint32_t, uint32_t, void*) { return true; }));
}

}  // namespace
