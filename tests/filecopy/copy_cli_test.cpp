// vektrel-cli copy on a simulated PC whose drives are host folders: the
// exit codes (0 only when everything was copied), the JSON with every file
// not copied, and overlapping destinations refused before anything is
// written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/sim_fixture.h"

using namespace testing_support;

namespace {

class CopyCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    for (const char* d : {"c/Data/Sub", "c/Data/Backup", "c/Empty", "c/Desk", "e"})
      fs::create_directories(dir_.File(d));
    for (const char* f : {"c/Data/a.txt", "c/Data/Sub/b.txt", "c/Data/secret.txt", "c/notes.txt",
                          "c/Data/Sub/pagefile.sys", "c/Desk/Notes.txt", "c/Desk/Budget.LNK"})
      std::ofstream(dir_.File(f)) << f;
    std::ofstream(dir_.File("pc.ini")) << "[machine]\nprogram = X:\\vektrel.exe\nwindows = X:\\Windows\n"
                                       << "[drive]\nletter = C\nfiles = " << dir_.File("c") << "\n"
                                       << "[drive]\nletter = E\nfiles = " << dir_.File("e") << "\n"
                                       << "[file]\npath = C:\\Data\\secret.txt\ndenied = 1\n";
  }
  int Run(const std::string& args, std::string* out) {
    return Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --machine " + dir_.File("pc.ini") + " " + args, out);
  }
  TempDir dir_;
};

TEST_F(CopyCliTest, ExitCodesJsonAndNothingWrittenIntoASource) {
  const struct {
    std::string args;
    int code;
    std::string shows;
  } kCases[] = {
      {"copy --dest E:\\\\", 2, "copy needs at least one --source PATH"},
      {"copy --source C:\\\\Data", 2, "copy needs --dest PATH"},
      {"copy --source C:\\\\Data --dest c:\\\\data\\\\BACKUP", 1, "lies inside a folder that is being copied"},
      {"copy --source C:\\\\Data --dest C:\\\\", 1, "lies inside a folder that is being copied"},
      {"copy --source C:\\\\Data\\\\a.txt --dest c:/data", 1, "lies inside a folder that is being copied"},
      {"copy --source C:\\\\Nothing --dest E:\\\\", 1, "is not in the folder tree"},
      {"copy --source C:\\\\Empty --dest E:\\\\", 1, "is an empty folder"},
      {"copy --source C:\\\\Data --dest E:\\\\Missing", 1, "--dest E:\\Missing is not an existing folder"},
      {"--json copy --source C:\\\\Data --dest E:\\\\Missing", 1, "\"destination\":\"E:\\\\Missing\""},
      {"--json copy --source C:\\\\Nothing --dest E:\\\\", 1,
       "{\"result\":\"NotStarted\",\"reason\":\"--source C:\\\\Nothing is not in the folder tree"},
      {"--json copy --source c:\\\\data\\\\A.TXT --dest E:\\\\", 0,
       "{\"result\":\"Completed\",\"destination\":\"E:\\\\\",\"FilesCopied\":1,\"FoldersCopied\":0,\"BytesCopied\":12,"},
      {"--json copy --source C:\\\\Data --source C:\\\\notes.txt --dest E:\\\\", 1,
       "\"FileErrors\":[{\"path\":\"C:\\\\Data\\\\secret.txt\",\"reason\":\"cannot open the source: access denied (5)\"}]"},
      {"--json copy --source C:\\\\Data --source C:\\\\notes.txt --dest E:\\\\", 1,
       "\"result\":\"CompletedWithErrors\",\"destination\":\"E:\\\\\",\"FilesCopied\":3,"},
      // The result message names what was not copied, as the window shows it.
      {"copy --source C:\\\\Data --dest E:\\\\", 1,
       "some files could not be copied.\n\nNot copied:\nC:\\Data\\secret.txt: cannot open the source: access denied (5)"},
  };
  for (const auto& c : kCases) {
    std::string out;
    EXPECT_EQ(Run(c.args, &out), c.code) << c.args << "\n" << out;
    EXPECT_NE(out.find(c.shows), std::string::npos) << c.args << "\n" << out;
    EXPECT_FALSE(std::filesystem::exists(dir_.File("c/Data/Backup/Data"))) << c.args;
    EXPECT_EQ(std::filesystem::file_size(dir_.File("c/Data/a.txt")), 12u) << c.args;
  }
  EXPECT_TRUE(std::filesystem::exists(dir_.File("e/Data/Sub/b.txt")));
  EXPECT_TRUE(std::filesystem::exists(dir_.File("e/notes.txt")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("e/Data/secret.txt")));
}

TEST_F(CopyCliTest, ATickedFileBesideHiddenShortcutsComesAloneAndSystemFilesAreListedAsSkipped) {
  std::string out;
  EXPECT_EQ(Run("--json copy --source C:\\\\Desk\\\\Notes.txt --source C:\\\\Data\\\\Sub --dest E:\\\\", &out), 0)
      << out;
  EXPECT_NE(out.find("\"FilesCopied\":2,"), std::string::npos) << out;
  const std::string skipped =
      "\"Skipped\":[{\"path\":\"C:\\\\Data\\\\Sub\\\\pagefile.sys\",\"reason\":\"system file, skipped\"}]";
  EXPECT_NE(out.find(skipped), std::string::npos) << out;
  EXPECT_TRUE(std::filesystem::exists(dir_.File("e/Notes.txt")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("e/Desk")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("e/Budget.LNK")));
}

}  // namespace
