// vektrel-cli health and drvload on machine files: the figures, every
// attribute and the verdict in JSON, the disk numbers, and the driver
// loader's command line and exit code.
#include <gtest/gtest.h>

#include <filesystem>

#include <fstream>
#include <sstream>

#include "health/health_fixture.h"

using namespace testing_support;

namespace {

// "key=value,key=value" disk settings as the lines of a [disk] section.
std::string DiskSection(const std::string& image, const std::string& settings) {
  std::string out = "[disk]\nimage = " + image + "\n";
  std::stringstream in(settings);
  std::string item;
  while (std::getline(in, item, ',')) {
    size_t eq = item.find('=');
    out += item.substr(0, eq) + " = " + item.substr(eq + 1) + "\n";
  }
  return out;
}

class HealthCliTest : public SimTest {
 protected:
  std::string Machine(const std::string& machine, const std::vector<std::string>& disks, const std::string& more = "") {
    std::string text = "[machine]\n" + machine + "clock = virtual\nfiles = files\n";
    for (size_t i = 0; i < disks.size(); ++i) text += DiskSection(dir_.File("d" + std::to_string(i) + ".img"), disks[i]);
    std::string path = dir_.File("machine.ini");
    std::ofstream(path) << text << more;
    return path;
  }
  int Run(const std::string& machine, const std::string& args, std::string* out) {
    return Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --machine " + machine + " " + args, out);
  }
};

}  // namespace

TEST_F(HealthCliTest, HealthShowsFiguresEveryAttributeAndTheVerdict) {
  std::string m = Machine("program = C:\\Vektrel\\vektrel.exe\n",
                          {kCheckedSata, "size=32MiB,model=Quick,bus=Nvme,nvme.temperature=313K,nvme.warning=2,"
                                         "nvme.read=123456789012,nvme.hours=7000",
                           "size=32MiB,model=Mute,bus=Usb"});
  struct Case {
    std::string args;
    int code;
    std::vector<std::string> shows;
  } cases[] = {
      {"--json health --disk 0", 0,
       {"\"drive\":0,", "\"temperatureC\":40,\"temperatureF\":104,\"temperatureVerdict\":\"Good\"",
        "\"powerOnHours\":12500,", "\"verdict\":\"Failing\"", "\"source\":\"ata\"", "\"version\":\"1.1\"",
        "\"firmware\":\"FW1.2\"",
        "{\"id\":1,\"name\":\"Raw Read Error Rate\",\"value\":100,\"worst\":99,\"raw\":0,\"threshold\":16,"
        "\"critical\":true,\"failing\":false}",
        "{\"id\":5,\"name\":\"Reallocated Sectors Count\",\"value\":36,\"worst\":36,\"raw\":140737488355346,"
        "\"threshold\":36,\"critical\":true,\"failing\":true}",
        "{\"id\":9,\"name\":\"Power-On Hours\",\"value\":90,\"worst\":90,\"raw\":4294979796,\"threshold\":0,"
        "\"critical\":false,\"failing\":false}",
        "\"status\":\"FAILING\""}},
      {"--json health --disk 1", 0,
       {"\"source\":\"nvme\"", "\"temperatureC\":40", "\"verdict\":\"Attention\"", "\"attributes\":[]",
        "\"nvme\":{\"criticalWarning\":2,\"temperatureKelvin\":313,", "\"dataUnitsRead\":123456789012,",
        "\"powerOnHours\":7000"}},
      {"health --disk 0", 0, {"Power On Time: 520 days (12500 hours)", "40C/104F (Good)", "FAILING",
                              "Attribute 5 (Reallocated Sectors Count) is at or below its threshold."}},
      {"health --disk 2", 1, {"UNKNOWN", "Diaginfo Not Enabled"}},
      {"health", 1, {"Disk0", "Disk1", "Disk2"}},
      {"health --disk 3", 2, {"there is no disk 3"}},
      {"health --disk one", 2, {"--disk needs a number"}},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(Run(m, c.args, &out), c.code) << c.args << "\n" << out;
    for (const std::string& s : c.shows) EXPECT_NE(out.find(s), std::string::npos) << c.args << ": " << s << "\n" << out;
  }
  // The attributes come in ascending id, though the drive lists them otherwise.
  std::string out;
  Run(m, "--json health --disk 0", &out);
  size_t last = 0;
  for (int id : {1, 2, 5, 7, 9, 194}) {
    size_t at = out.find("{\"id\":" + std::to_string(id) + ",");
    ASSERT_NE(at, std::string::npos) << id;
    EXPECT_GT(at, last) << id;
    last = at;
  }
}

TEST_F(HealthCliTest, ADriveWhoseThresholdsCannotBeReadIsNotJudgedGood) {
  std::string m = Machine("program = C:\\Vektrel\\vektrel.exe\n",
                          {"size=32MiB,smart=ata,smart.attribute=id=5 value=10 worst=10 raw=0 threshold=10,"
                           "smart.fail=thresholds:1"});
  struct Case {
    std::string args;
    std::vector<std::string> shows;
  } cases[] = {
      {"health", {"UNKNOWN", "(SMART READ THRESHOLDS) failed", "Diaginfo Enabled"}},
      {"--json health", {"\"verdict\":\"Unknown\"", "\"threshold\":null", "\"version\":\"1.1\""}},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(Run(m, c.args, &out), 1) << c.args << "\n" << out;
    for (const std::string& s : c.shows) EXPECT_NE(out.find(s), std::string::npos) << c.args << ": " << s << "\n" << out;
    EXPECT_EQ(out.find("GOOD"), std::string::npos) << out;
  }
}

TEST_F(HealthCliTest, DrvloadPassesThePathWholeAndNeedsExitCodeZero) {
  struct Case {
    std::string program, loader, args;
    int code;
    std::string shows;
  } cases[] = {
      {"X:\\Vektrel\\vektrel.exe", "0", "drvload --inf 'X:\\My Drivers\\raid.INF'", 0,
       "CreateProcess: X:\\windows\\system32\\drvload.exe \"X:\\My Drivers\\raid.INF\"  (in X:\\Windows\\System32)"},
      {"X:\\Vektrel\\vektrel.exe", "1", "drvload --inf 'X:\\My Drivers\\raid.inf'", 1,
       "message: The driver loader could not load the driver (exit code 1)."},
      {"X:\\Vektrel\\vektrel.exe", "never", "--json drvload --inf 'X:\\d\\raid.inf'", 1, "\"loaded\":false"},
      {"C:\\Vektrel\\vektrel.exe", "", "drvload --inf 'C:\\d\\raid.inf'", 1, "(in C:\\Vektrel)  [not started]"},
      {"X:\\Vektrel\\vektrel.exe", "0", "drvload --inf 'X:\\d\\raid.txt'", 2, "does not name an .inf file"},
      {"X:\\Vektrel\\vektrel.exe", "0", "drvload --inf 'X:\\d\\missing.inf'", 1, "could not load the driver (exit code 2)"},
      {"X:\\Vektrel\\vektrel.exe", "0", "drvload", 2, "drvload needs --inf PATH"},
  };
  for (const Case& c : cases) {
    std::string programs = c.loader.empty() ? "" : "[programs]\nX:\\windows\\system32\\drvload.exe = " + c.loader + "\n";
    std::string m = Machine("program = " + c.program + "\n", {"size=16MiB"},
                            programs + "[drive]\nletter = X\ntype = ramdisk\nfiles = files/X\n");
    // The driver files on the boot medium: the loader reads what it is given.
    for (const char* inf : {"My Drivers/raid.INF", "d/raid.inf"}) {
      std::filesystem::path p = std::filesystem::path(dir_.File("files")) / "X" / inf;
      std::filesystem::create_directories(p.parent_path());
      std::ofstream(p) << "[Version]\n";
    }
    std::string out;
    EXPECT_EQ(Run(m, c.args, &out), c.code) << c.args << "\n" << out;
    EXPECT_NE(out.find(c.shows), std::string::npos) << c.args << "\n" << out;
  }
}
