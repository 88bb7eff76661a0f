// Which help page the main window opens, by language and by what the
// program's folder holds.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_state.h"
#include "app/help_file.h"
#include "app/language.h"
#include "platform/text.h"
#include "support/sim_fixture.h"

using namespace testing_support;

class HelpFileTest : public SimTest {};

TEST_F(HelpFileTest, JapaneseOpensItsOwnPageWhenThereAndTheEnglishOneOtherwise) {
  enum Folder { NoJapanesePage, JapanesePage, JapaneseFolderNamedLikeThePage };
  struct Case {
    const wchar_t* program;
    const wchar_t* language;
    Folder folder;
    const wchar_t* opened;
  } cases[] = {
      {L"C:\\Vektrel\\vektrel.exe", L"English", JapanesePage, L"C:\\Vektrel\\Help\\index.htm"},
      {L"C:\\Vektrel\\vektrel.exe", L"Japanese", JapanesePage, L"C:\\Vektrel\\Help\\ja\\index.htm"},
      {L"X:\\Tools\\vektrel.exe", L"Japanese", JapanesePage, L"X:\\Tools\\Help\\ja\\index.htm"},
      {L"C:\\Vektrel\\vektrel.exe", L"Japanese", NoJapanesePage, L"C:\\Vektrel\\Help\\index.htm"},
      {L"C:\\Vektrel\\vektrel.exe", L"Japanese", JapaneseFolderNamedLikeThePage, L"C:\\Vektrel\\Help\\index.htm"},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string program = dir_.File("program" + std::to_string(n++));
    WriteHostFile(program + "/Help/index.htm", {'<'});
    if (c.folder == JapanesePage) WriteHostFile(program + "/Help/ja/index.htm", {'<'});
    if (c.folder == JapaneseFolderNamedLikeThePage) std::filesystem::create_directories(program + "/Help/ja/index.htm");
    config_.programPath = c.program;
    config_.programHost = program;
    Boot();
    app::ReadStartupValues();
    app::LanguageName = c.language;
    EXPECT_EQ(app::HelpFilePath(), c.opened) << text::ToUtf8(c.language) << " " << int(c.folder);
  }
}
