// Shadow copies on the simulated PC: frozen while the live volume changes,
// read-only, reading what the running system holds; and the components that
// make them, the helper program's pipe and the helper libraries.
#include <gtest/gtest.h>

#include "platform/sim/sim_snapshot.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"

using namespace testing_support;

namespace {

class ShadowSimTest : public SimTest {
 protected:
  void Machine(sim::ShadowHelper helper = sim::ShadowHelper::None, bool wow64 = false) {
    config_.windowsDir = L"C:\\Windows";
    config_.programPath = L"C:\\Program Files\\Vektrel\\vektrel.exe";
    config_.wow64 = wow64;
    config_.shadowHelper = helper;
    config_.shadowLibraries = {L"Vshadow32.dll"};
    config_.fileFaults.push_back({L"C:\\pagefile.sys", true, false, {}});
    AddDisk("size=1GiB");
    Boot();
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(0), 0x1111,
                             {{{2048, 1000000, 0x07, "NTFS"}, {1002048, 100000, 0x0C, "FAT32"},
                               {1102048, 100000, 0x07, "NTFS"}}}),
              0u);
    Sim().Mounts().Mount();
    ASSERT_EQ(Put(L"C:\\a.txt", "old"), 0u);
    ASSERT_EQ(Put(L"C:\\b.txt", "bee"), 0u);
    ASSERT_EQ(Put(L"C:\\pagefile.sys", "paged"), 0u);
  }
  uint32_t Put(const std::wstring& path, const std::string& bytes, uint32_t disposition = win::CREATE_ALWAYS) {
    return WriteSimFile(Sim(), path, bytes, 0, disposition);
  }
  std::string Get(const std::wstring& path) { return ReadSimFile(Sim(), path); }
  std::vector<std::wstring> Names(const std::wstring& folder) {
    std::vector<platform::FindData> found;
    std::vector<std::wstring> names;
    if (Sim().FindFiles(folder + L"\\*", &found))
      for (auto& f : found) names.push_back(f.name);
    return names;
  }
};

TEST_F(ShadowSimTest, AShadowCopyStaysAsItWasMade) {
  Machine();
  platform::Handle lib = Sim().LoadShadowLibrary(L"Vshadow32.dll");
  ASSERT_NE(lib, platform::kNullHandle);
  std::wstring shadow;
  ASSERT_TRUE(Sim().ShadowCopy(lib, L"C:\\", &shadow));
  EXPECT_EQ(shadow, L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy1");

  // The live volume changes in every way it can.
  ASSERT_EQ(Put(L"C:\\a.txt", "new", win::OPEN_EXISTING), 0u);
  ASSERT_TRUE(Sim().SetFileAttributes(L"C:\\a.txt", win::FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(Sim().DeleteFile(L"C:\\b.txt"));
  ASSERT_EQ(Put(L"C:\\c.txt", "sea"), 0u);
  ASSERT_TRUE(Sim().CreateDirectory(L"C:\\Later"));

  EXPECT_EQ(Get(shadow + L"\\A.TXT"), "old");
  EXPECT_EQ(Get(shadow + L"\\b.txt"), "bee");
  EXPECT_EQ(Get(shadow + L"\\c.txt"), "error 2");
  EXPECT_EQ(Names(shadow), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"pagefile.sys"}));
  EXPECT_EQ(Sim().GetFileAttributes(shadow + L"\\a.txt"), win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(Get(L"C:\\a.txt"), "new");
  // What the running system holds: closed to the live volume, open to the copy.
  EXPECT_EQ(Get(L"C:\\pagefile.sys"), "error " + std::to_string(win::ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Get(shadow + L"\\pagefile.sys"), "paged");
  // Read-only, and a volume of its own file system.
  EXPECT_EQ(Put(shadow + L"\\a.txt", "x"), win::ERROR_WRITE_PROTECT);
  EXPECT_EQ(Put(shadow + L"\\new.txt", "x"), win::ERROR_WRITE_PROTECT);
  EXPECT_FALSE(Sim().CreateDirectory(shadow + L"\\Folder"));
  std::wstring fs;
  ASSERT_TRUE(Sim().GetVolumeInformation(shadow + L"\\", &fs));
  EXPECT_EQ(fs, L"NTFS");

  // A second copy sees the changes; deleting the first leaves the second.
  std::wstring second;
  ASSERT_TRUE(Sim().ShadowCopy(lib, L"C:", &second));
  EXPECT_EQ(Get(second + L"\\c.txt"), "sea");
  ASSERT_TRUE(Sim().DeleteShadowCopy(lib));
  EXPECT_EQ(Sim().GetFileAttributes(second + L"\\"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Get(shadow + L"\\a.txt"), "old");
  EXPECT_EQ(Sim().SnapshotCount(), 1);

  // What the service refuses: FAT volumes, a library of another Windows.
  std::wstring none;
  EXPECT_FALSE(Sim().ShadowCopy(lib, L"D:\\", &none));
  EXPECT_EQ(Sim().LoadShadowLibrary(L"VshadowXP.dll"), platform::kNullHandle);
  // A format ends the copies of the volume.
  ASSERT_TRUE(Sim().ShadowCopy(lib, L"E:\\", &second));
  EXPECT_EQ(Sim().SnapshotCount(), 2);
  ASSERT_TRUE(Sim().FormatEx(L"E:\\", 12, L"NTFS", L"", true, 0, [](uint32_t, uint32_t, void*) { return true; }));
  EXPECT_EQ(Sim().SnapshotCount(), 1);
  EXPECT_EQ(Sim().GetFileAttributes(second + L"\\"), win::INVALID_FILE_ATTRIBUTES);
  Sim().FreeShadowLibrary(lib);
}

TEST_F(ShadowSimTest, TheHelperServesItsPipeUntilItIsToldToQuit) {
  Machine(sim::ShadowHelper::Answers, true);
  const std::wstring pipe = L"\\\\.\\pipe\\ZUV11shadowpipe";
  auto open = [&] { return Sim().CreateFile(pipe, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0); };
  EXPECT_EQ(open(), platform::kInvalidHandle);
  EXPECT_EQ(Sim().GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(Sim().WaitNamedPipe(pipe, 1000));

  EXPECT_GT(Sim().ShellExecute(L"open", L"C:\\Program Files\\Vektrel\\RxThunk.exe", L"", L"", win::SW_SHOW), 32);
  EXPECT_TRUE(Sim().Started().back().running);
  Sim().ShellExecute(L"open", L"C:\\Program Files\\Vektrel\\RxThunk.exe", L"", L"", win::SW_SHOW);
  EXPECT_FALSE(Sim().Started().back().running) << "a second copy finds the pipe taken and ends";
  EXPECT_EQ(Sim().Started().back().exitCode, 1u);

  platform::Handle h = open();
  ASSERT_TRUE(platform::IsValid(h));
  EXPECT_EQ(open(), platform::kInvalidHandle);
  EXPECT_EQ(Sim().GetLastError(), win::ERROR_PIPE_BUSY);
  uint64_t before = Sim().Clock().Micros();
  EXPECT_FALSE(Sim().WaitNamedPipe(pipe, 20000));
  EXPECT_EQ(Sim().GetLastError(), win::ERROR_SEM_TIMEOUT);
  EXPECT_EQ(Sim().Clock().Micros() - before, 20000000u);

  uint32_t available = 0, left = 0, done = 0;
  ASSERT_TRUE(Sim().SetNamedPipeHandleState(h, win::PIPE_READMODE_MESSAGE));
  ASSERT_TRUE(Sim().PeekNamedPipe(h, &available, &left));
  EXPECT_EQ(available, 0u);
  std::vector<uint8_t> request = text::EncodeUtf16LE(L"/s C:\\");
  ASSERT_TRUE(Sim().WriteFile(h, request.data(), uint32_t(request.size()), &done));
  ASSERT_TRUE(Sim().PeekNamedPipe(h, &available, &left));
  std::wstring expected = sim::SimSnapshot::DeviceName(1);
  EXPECT_EQ(left, expected.size() * 2);
  // A message longer than the buffer comes in pieces.
  std::vector<uint8_t> reply(left);
  EXPECT_FALSE(Sim().ReadFile(h, reply.data(), 10, &done));
  EXPECT_EQ(Sim().GetLastError(), win::ERROR_MORE_DATA);
  EXPECT_EQ(done, 10u);
  ASSERT_TRUE(Sim().ReadFile(h, reply.data() + 10, left - 10, &done));
  EXPECT_EQ(text::DecodeUtf16LE(reply.data(), reply.size()), expected);
  EXPECT_EQ(Get(expected + L"\\b.txt"), "bee");

  std::vector<uint8_t> quit = text::EncodeUtf16LE(L"/q");
  ASSERT_TRUE(Sim().WriteFile(h, quit.data(), uint32_t(quit.size()), &done));
  EXPECT_FALSE(Sim().PeekNamedPipe(h, &available, &left));
  EXPECT_EQ(Sim().GetLastError(), win::ERROR_BROKEN_PIPE);
  EXPECT_FALSE(Sim().ReadFile(h, reply.data(), 2, &done));
  EXPECT_EQ(Sim().GetLastError(), win::ERROR_BROKEN_PIPE);
  Sim().CloseHandle(h);
  EXPECT_EQ(Sim().SnapshotCount(), 0) << "the helper's copies end with it";
  EXPECT_FALSE(Sim().Started()[Sim().Started().size() - 2].running);
}

}  // namespace
