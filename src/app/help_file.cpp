#include "app/help_file.h"

#include "app/app_state.h"
#include "app/language.h"
#include "platform/system.h"
#include "platform/winapi.h"

namespace app {

namespace {

// The help folder of each language that has a help of its own.
struct HelpLanguage {
  const wchar_t* language;
  const wchar_t* folder;
};
const HelpLanguage kHelpLanguages[] = {{L"Japanese", L"\\ja"}};

}  // namespace

std::wstring HelpFilePath() {
  const std::wstring help = AppDirectory + L"\\Help";
  for (const HelpLanguage& h : kHelpLanguages) {
    if (LanguageName != h.language) continue;
    std::wstring page = help + h.folder + L"\\index.htm";
    uint32_t attributes = platform::Sys().GetFileAttributes(page);
    if (attributes != win::INVALID_FILE_ATTRIBUTES && !(attributes & win::FILE_ATTRIBUTE_DIRECTORY)) return page;
  }
  return help + L"\\index.htm";
}

}  // namespace app
