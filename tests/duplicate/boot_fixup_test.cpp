// The boot steps: the disk signature and the boot marker are written only
// after a good read and never into a GPT's sectors, and the RunOnce value
// quotes the imaging tool's path.
#include <gtest/gtest.h>

#include "duplicate/boot_fixup.h"
#include "duplicate/dup_fixture.h"
#include "duplicate/windows_checks.h"
#include "platform/text.h"
#include "platform/winapi.h"

using namespace testing_support;

namespace {

class BootFixupTest : public DupTest {
 protected:
  void Machine() {
    config_.disks.clear();
    AddDisk("size=16MiB", "source" + std::to_string(++machines_) + ".img");
    AddDisk("size=16MiB", "destination" + std::to_string(machines_) + ".img");
    Boot();
    Layout(0, {{{2048, 8192}}}, 0x11110000u);
    Layout(1, {{{2048, 8192}}}, 0x22220000u);
  }
  int machines_ = 0;
};

TEST_F(BootFixupTest, TheSignatureIsCopiedOnlyAfterGoodReadsAndNeverOntoAGpt) {
  Machine();
  ASSERT_TRUE(duplicate::CopyDiskSignature(1, 2));
  EXPECT_EQ(bytes::Get32(ReadSectorAt(ImagePath(1), 0).data() + 440), 0x11110000u);

  // A source sector 0 that cannot be read leaves the destination alone.
  Machine();
  Sim().Disk(0).MutableConfig().bad.push_back({0, 0});
  std::vector<uint8_t> before = ReadSectorAt(ImagePath(1), 0);
  EXPECT_FALSE(duplicate::CopyDiskSignature(1, 2));
  EXPECT_EQ(ReadSectorAt(ImagePath(1), 0), before);

  // A GPT destination keeps its protective MBR as it is.
  Machine();
  WriteGpt(ImagePath(1), 32768, {{2048, 10239, "data"}});
  before = ReadSectorAt(ImagePath(1), 0);
  EXPECT_FALSE(duplicate::CopyDiskSignature(1, 2));
  EXPECT_EQ(ReadSectorAt(ImagePath(1), 0), before);
}

TEST_F(BootFixupTest, TheBootMarkerNamesTheDestinationsBootVolume) {
  Machine();
  // Both disks hold a boot configuration: the marker names the destination's.
  wchar_t source = wchar_t(disk::DriveLetterOf(2048, 0)), destination = wchar_t(disk::DriveLetterOf(2048, 1));
  PutFile(source, "Boot/BCD");
  EXPECT_FALSE(duplicate::WriteBootMarker(2));
  PutFile(destination, "Boot/BCD");
  ASSERT_TRUE(duplicate::WriteBootMarker(2));
  std::vector<uint8_t> s1 = ReadSectorAt(ImagePath(1), 1);
  EXPECT_EQ(s1[440], 0x5A);
  EXPECT_EQ(s1[441], 0x79);
  EXPECT_EQ(s1[442], 0x58);
  EXPECT_EQ(s1[443], uint8_t(destination));
  EXPECT_EQ(duplicate::DuplicationJob.BootPairDestination, std::wstring(1, destination) + L":");
}

TEST_F(BootFixupTest, TheRunOnceValueQuotesThePath) {
  Machine();
  // Without the imaging tool the value would start nothing: none is written.
  EXPECT_FALSE(duplicate::RegisterBootRecordFix(2, 1));
  std::wstring folder = L"C:\\Program Files\\QARN\\";
  std::vector<uint8_t> data = text::EncodeUtf16LE(folder);
  data.insert(data.end(), {0, 0});
  Sim().Registry().Set(L"HKLM\\Software\\OrnwellSoft\\QARN", L"InstallationDirectory", {win::REG_SZ, data});
  ASSERT_TRUE(duplicate::RegisterBootRecordFix(2, 1));
  sim::RegValue v;
  ASSERT_TRUE(Sim().Registry().Get(L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", L"QARNBootIni", &v));
  EXPECT_EQ(v.type, win::REG_SZ);
  EXPECT_EQ(text::DecodeUtf16LE(v.data.data(), v.data.size() - 2),
            L"\"C:\\Program Files\\QARN\\QARN.exe\" /b 2 1");
}

}  // namespace

namespace {

TEST_F(BootFixupTest, WindowsIsRecognisedByItsFiles) {
  Machine();
  std::wstring root = std::wstring(1, wchar_t(disk::DriveLetterOf(2048, 0))) + L":";
  EXPECT_FALSE(duplicate::HasWindowsKernel(root));
  EXPECT_FALSE(duplicate::HasWindowsSystemFolder(root));
  PutFile(root[0], "WinNT/System32/kernel32.dll");
  EXPECT_TRUE(duplicate::HasWindowsKernel(root));
  EXPECT_FALSE(duplicate::HasWindowsSystemFolder(root));
  PutFile(root[0], "Windows/System32/config/SYSTEM");
  EXPECT_TRUE(duplicate::HasWindowsSystemFolder(root));
  EXPECT_FALSE(duplicate::HasOlderWindows(root));
  PutFile(root[0], "ntdetect.com");
  EXPECT_TRUE(duplicate::HasOlderWindows(root));
}

}  // namespace
