// The shadow-copy client against the simulated PC's helper program and
// libraries: a working helper gives a shadow copy; one that never answers,
// answers nonsense or too much, stays busy or never starts leaves the live
// volume with the reason, in bounded time; a session makes one copy per
// volume and deletes every one it made.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "platform/winapi.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"
#include "tools/shadow_copy.h"

using namespace testing_support;
using tools::ShadowProblem;

namespace {

class ShadowClientTest : public SimTest {
 protected:
  ShadowClientTest() { tools::ResetShadowClient(); }
  ~ShadowClientTest() override { tools::ResetShadowClient(); }

  // An installed Windows 10 with C: (NTFS, a file the system holds) and D: (FAT32).
  void Machine(sim::ShadowHelper helper, bool wow64, std::vector<std::wstring> libraries = {L"Vshadow32.dll"}) {
    config_.windowsDir = L"C:\\Windows";
    config_.programPath = L"C:\\Program Files\\Vektrel\\vektrel.exe";
    config_.fileFaults = {{L"C:\\hiberfil.sys", true, false, {}}};
    if (config_.disks.empty()) AddDisk("size=1GiB");
    Restart(helper, wow64, libraries);
    if (!Sim().Mounts().ByLetter(L'C')) {
      ASSERT_EQ(WriteMbrGroups(Sim().Disk(0), 0x1111,
                               {{{2048, 1000000, 0x07, "NTFS"}, {1002048, 100000, 0x0C, "FAT32"}}}),
                0u);
      Sim().Mounts().Mount();
      ASSERT_EQ(WriteSimFile(Sim(), L"C:\\hiberfil.sys", "sleeping"), 0u);
    }
  }
  void Restart(sim::ShadowHelper helper, bool wow64, std::vector<std::wstring> libraries) {
    config_.shadowHelper = helper;
    config_.wow64 = wow64;
    config_.shadowLibraries = libraries;
    tools::ResetShadowClient();
    Boot();
    app::IsWinPE = false;
    app::AppDirectory = L"C:\\Program Files\\Vektrel";
  }
  std::string Get(const std::wstring& path) { return ReadSimFile(Sim(), path); }
};

TEST_F(ShadowClientTest, EveryHelperFaultLeavesTheLiveVolumeWithItsReasonInBoundedTime) {
  struct Case {
    sim::ShadowHelper helper;
    ShadowProblem problem;
  } cases[] = {
      {sim::ShadowHelper::Answers, ShadowProblem::None},
      {sim::ShadowHelper::Silent, ShadowProblem::NoReply},
      {sim::ShadowHelper::Garbage, ShadowProblem::ReplyNotAPath},
      {sim::ShadowHelper::Long, ShadowProblem::ReplyTooLong},
      {sim::ShadowHelper::Busy, ShadowProblem::PipeBusy},
      {sim::ShadowHelper::NoStart, ShadowProblem::HelperNotRunning},
      {sim::ShadowHelper::None, ShadowProblem::HelperNotRunning},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.helper));
    Machine(c.helper, true);
    tools::ShadowAnswer a = tools::CreateShadowCopy(L"C:");
    EXPECT_EQ(a.problem, c.problem);
    EXPECT_LT(Sim().Clock().Micros(), 200000000u) << "every wait has its end";
    if (c.problem == ShadowProblem::None) {
      EXPECT_EQ(a.path, L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy1");
      EXPECT_EQ(Get(a.path + L"\\hiberfil.sys"), "sleeping");
    } else {
      EXPECT_EQ(a.path, L"C:") << "the live volume, as given";
      EXPECT_EQ(tools::GetShadowPath(L"C:\\"), L"C:\\");
    }
    EXPECT_EQ(Sim().HungThreads(), 0);
  }
}

TEST_F(ShadowClientTest, ASessionMakesOneCopyPerVolumeAndDeletesThemAll) {
  // Through the helper program (a 32-bit process on 64-bit Windows).
  Machine(sim::ShadowHelper::Answers, true);
  {
    tools::ShadowSession session;
    const tools::ShadowAnswer& c = session.For(L"C:");
    ASSERT_TRUE(c.IsShadow());
    EXPECT_EQ(session.For(L"c:\\").path, c.path) << "one copy per volume";
    EXPECT_EQ(session.For(L"D:\\").problem, ShadowProblem::ReplyNotAPath) << "FAT has no shadow copies";
    EXPECT_EQ(Sim().SnapshotCount(), 1);
    EXPECT_EQ(Get(c.path + L"\\hiberfil.sys"), "sleeping");
    EXPECT_EQ(Get(L"C:\\hiberfil.sys"), "error " + std::to_string(win::ERROR_SHARING_VIOLATION));
  }
  EXPECT_EQ(Sim().SnapshotCount(), 0);

  // Through the library of the Windows version.
  Restart(sim::ShadowHelper::None, false, {L"Vshadow32.dll"});
  {
    tools::ShadowSession session;
    EXPECT_TRUE(session.For(L"C:\\").IsShadow());
    EXPECT_EQ(Sim().SnapshotCount(), 1);
    session.Release();
    EXPECT_EQ(Sim().SnapshotCount(), 0);
    EXPECT_EQ(session.Made(), 0);
  }
  Restart(sim::ShadowHelper::None, false, {L"VshadowXP.dll"});
  EXPECT_EQ(tools::CreateShadowCopy(L"C:").problem, ShadowProblem::NoComponent) << "the XP library on Windows 10";

  // Windows PE: nothing to do.
  Restart(sim::ShadowHelper::Answers, true, {});
  app::IsWinPE = true;
  tools::ShadowSession session;
  EXPECT_EQ(session.For(L"C:").problem, ShadowProblem::NotNeeded);
  EXPECT_EQ(session.For(L"C:").path, L"C:");
  EXPECT_TRUE(Sim().Started().empty()) << "no helper started";
}

}  // namespace
