// Driver loading and the bootable-USB launchers: command lines that keep a
// path with blanks whole, the loader's exit code, a wait that ends and
// keeps the window alive, and the folder programs run in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/app_state.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/sim_fixture.h"
#include "tools/install_driver_page.h"
#include "tools/launchers.h"
#include "tools/run_and_wait.h"
#include "tools/tools_ids.h"
#include "ui/control_ids.h"

using namespace testing_support;

namespace {

const wchar_t* const kLoader = L"X:\\windows\\system32\\drvload.exe";

class DriverLoadingTest : public SimTest {
 protected:
  // A Windows PE boot whose driver loader ends as the value says.
  void BootPe(const std::string& loader) {
    config_.programPath = L"X:\\Vektrel\\vektrel.exe";
    sim::DriveConfig ramDisk;  // the boot medium, where the driver files are
    ramDisk.letter = L'X';
    ramDisk.driveType = 6;
    ramDisk.files = config_.filesRoot + "/X";
    config_.drives.push_back(ramDisk);
    AddDisk("size=16MiB");
    if (!loader.empty()) {
      sim::ProgramConfig p;
      std::string error;
      ASSERT_TRUE(sim::ParseProgramValue(loader, &p, &error)) << error;
      p.path = kLoader;
      config_.programs.push_back(p);
    }
    Boot();
    app::ReadStartupValues();
  }

  // A driver file on the boot medium's X: drive.
  void PutInf(const std::string& relative) {
    std::filesystem::path p = std::filesystem::path(config_.filesRoot) / "X" / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p) << "[Version]\n";
  }

  struct Outcome {
    std::vector<std::wstring> messages;
    bool closed = false;
    int pumps = 0;
    bool enabledWhilePumping = false;
    bool closedWhilePumping = false;
    uint32_t waitedMs = 0;
  };
  Outcome Install(const std::wstring& path) {
    Outcome o;
    host_.onPump = [&](ui::ScriptedWindow& w) {
      ++o.pumps;
      o.enabledWhilePumping |= w.IsEnabled(IDC_DRIVER_INSTALL) || w.IsEnabled(IDC_DRIVER_BROWSE);
      // The close box (Esc) does not end the page under the running loader.
      w.Cancel();
      o.closedWhilePumping |= w.IsClosed();
    };
    host_.OnPage("CInstallDriver", [&](ui::ScriptedWindow& w) {
      EXPECT_TRUE(w.Type(IDC_DRIVER_PATH, path));
      uint32_t from = platform::Sys().GetTickCount();
      EXPECT_TRUE(w.Press(IDC_DRIVER_INSTALL));
      o.waitedMs = platform::Sys().GetTickCount() - from;
      o.closed = w.IsClosed();
      if (!o.closed) {
        // The page is usable again for another try.
        EXPECT_TRUE(w.IsEnabled(IDC_DRIVER_INSTALL));
        w.Cancel();
      }
    });
    tools::RunDriverInstallation();
    for (const auto& m : host_.messages) o.messages.push_back(m.text);
    return o;
  }
};

}  // namespace

TEST(RunAndWait, ArgumentsAreQuotedForTheRuntimeThatSplitsThem) {
  struct Case {
    std::wstring in, out;
  } cases[] = {
      {L"X:\\Drivers\\raid.inf", L"X:\\Drivers\\raid.inf"},
      {L"X:\\My Drivers\\raid.inf", L"\"X:\\My Drivers\\raid.inf\""},
      {L"", L"\"\""},
      {L"a\"b", L"\"a\\\"b\""},
      {L"C:\\Dir With Blank\\", L"\"C:\\Dir With Blank\\\\\""},  // the closing quote is not escaped
      {L"x\\\\\"y z", L"\"x\\\\\\\\\\\"y z\""},
  };
  for (const Case& c : cases) EXPECT_EQ(tools::QuoteArgument(c.in), c.out) << text::ToUtf8(c.in);
}

TEST(RunAndWait, OnlyAnInfFileCanBeInstalled) {
  struct Case {
    std::wstring path;
    bool inf;
  } cases[] = {{L"X:\\d\\raid.inf", true},  {L"X:\\d\\RAID.INF", true}, {L"X:\\d\\raid.Inf", true},
               {L"X:\\d\\raidinf", false},  {L"X:\\d\\raid.inf.txt", false}, {L".inf", false}, {L"", false}};
  for (const Case& c : cases) EXPECT_EQ(tools::IsInfPath(c.path), c.inf) << text::ToUtf8(c.path);
}

TEST_F(DriverLoadingTest, APathWithABlankReachesTheLoaderWhole) {
  BootPe("0");
  PutInf("Drivers/My Raid/RAID.INF");
  Outcome o = Install(L"X:\\Drivers\\My Raid\\RAID.INF");
  EXPECT_TRUE(o.closed);
  EXPECT_EQ(o.messages, std::vector<std::wstring>{L"IDS_RAIDDriverLoadSuccess"});
  ASSERT_EQ(Sim().Started().size(), 1u);
  const sim::StartedProgram& p = Sim().Started()[0];
  EXPECT_EQ(p.file, kLoader);
  EXPECT_EQ(p.parameters, L"X:\\windows\\system32\\drvload.exe \"X:\\Drivers\\My Raid\\RAID.INF\"");
  EXPECT_EQ(p.directory, L"X:\\Windows\\System32");
}

TEST_F(DriverLoadingTest, TheLoadersExitCodeDecides) {
  struct Case {
    std::string loader;
    std::wstring message;
    bool closed;
    uint32_t minWaitMs, maxWaitMs;
  } cases[] = {
      {"1", L"IDS_RAIDDriverLoadError", false, 0, 100},
      // An exit code that looks like STILL_ACTIVE still ends the wait.
      {"259", L"IDS_RAIDDriverLoadError", false, 0, 100},
      {"0 after 30s", L"IDS_RAIDDriverLoadSuccess", true, 30000, 30100},
      // A loader that hangs: the wait ends after five minutes.
      {"never", L"IDS_RAIDDriverLoadTimeout", false, tools::kDriverLoadWaitMs, tools::kDriverLoadWaitMs + 100},
  };
  for (const Case& c : cases) {
    config_.disks.clear();
    config_.programs.clear();
    host_.messages.clear();
    BootPe(c.loader);
    PutInf("d/raid.inf");
    Outcome o = Install(L"X:\\d\\raid.inf");
    EXPECT_EQ(o.messages, std::vector<std::wstring>{c.message}) << c.loader;
    EXPECT_EQ(o.closed, c.closed) << c.loader;
    EXPECT_GE(o.waitedMs, c.minWaitMs) << c.loader;
    EXPECT_LE(o.waitedMs, c.maxWaitMs) << c.loader;
    // The window was kept alive, with nothing that could start a second load.
    EXPECT_GE(o.pumps, int(c.minWaitMs / 100) - 1) << c.loader;
    EXPECT_FALSE(o.enabledWhilePumping) << c.loader;
    EXPECT_FALSE(o.closedWhilePumping) << c.loader;
  }
}

TEST_F(DriverLoadingTest, AnInfThatIsNotThereFailsTheLoader) {
  BootPe("0");
  Outcome o = Install(L"X:\\Drivers\\missing.inf");
  EXPECT_EQ(o.messages, std::vector<std::wstring>{L"IDS_RAIDDriverLoadError"});
  EXPECT_FALSE(o.closed);
}

TEST_F(DriverLoadingTest, OffWindowsPeProgramsRunInTheProgramsFolder) {
  config_.programPath = L"C:\\Program Files\\Vektrel\\vektrel.exe";
  config_.windowsDir = L"C:\\Windows";
  AddDisk("size=16MiB");
  sim::ProgramConfig maker;
  maker.path = L"C:\\Program Files\\Vektrel\\Resources\\Pelmora.exe";
  maker.exitCode = 0;
  maker.runMilliseconds = 90000;
  config_.programs.push_back(maker);
  Boot();
  app::ReadStartupValues();
  // Without the loader (not a Windows PE medium) nothing starts.
  Outcome o = Install(L"C:\\d\\raid.inf");
  EXPECT_EQ(o.messages, std::vector<std::wstring>{L"IDS_RAIDDriverLoadFail"});
  EXPECT_FALSE(o.closed);
  ASSERT_EQ(Sim().Started().size(), 1u);
  EXPECT_FALSE(Sim().Started()[0].started);
  EXPECT_EQ(Sim().Started()[0].directory, L"C:\\Program Files\\Vektrel");

  uint32_t from = Sim().GetTickCount();
  tools::LaunchBootableUsbMaker();
  EXPECT_GE(Sim().GetTickCount() - from, 90000u);
  tools::LaunchBootableUsbTool();
  EXPECT_GE(Sim().GetTickCount() - from, 90000u + tools::kUsbToolPauseMs);
  ASSERT_EQ(Sim().Started().size(), 3u);
  EXPECT_EQ(Sim().Started()[1].parameters, L"\"C:\\Program Files\\Vektrel\\Resources\\Pelmora.exe\"");
  EXPECT_EQ(Sim().Started()[1].directory, L"C:\\Program Files\\Vektrel");
  EXPECT_EQ(Sim().Started()[2].how, L"ShellExecute");
  EXPECT_EQ(Sim().Started()[2].file, L"C:\\Program Files\\Vektrel\\Tools\\PelmoraT.exe");
}
