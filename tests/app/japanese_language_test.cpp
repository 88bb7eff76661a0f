// The Japanese language file against the English one, both as the program
// loads them from its Resources folder: every English key has a Japanese
// text that keeps what the code fills in or relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/language.h"
#include "platform/text.h"
#include "support/sim_fixture.h"

using namespace testing_support;

namespace {

// Texts that read the same in Japanese: names, abbreviations, and the
// network providers, which Japanese Windows shows in English too.
const std::set<std::wstring> kSameInJapanese = {L"IDS_Product", L"IDS_OK", L"IDS_MicrosoftWindowsNetwork",
                                                L"IDS_MicrosoftterminalServices", L"IDS_HealthUdid",
                                                L"IDS_HealthAttrId"};

struct Table {
  std::map<std::wstring, std::wstring> texts;  // first occurrence, as GetLangString finds it
  std::vector<std::wstring> duplicates;
};

// The current LanguageTable as key -> raw value.
Table CurrentTable() {
  Table t;
  for (size_t i = 0; i + 1 < app::LanguageTable.size(); i += 2) {
    const std::wstring& key = app::LanguageTable[i];
    // A comment line with a colon in it is an entry to the loader, but one
    // that nothing looks up.
    if (key.empty() || key[0] == L';') continue;
    if (!t.texts.emplace(key, app::LanguageTable[i + 1]).second) t.duplicates.push_back(key);
  }
  return t;
}

bool IsUpper(wchar_t c) { return c >= L'A' && c <= L'Z'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// What the code fills into a text or breaks it at. printf conversions are
// filled in order, so their sequence must stay; named ones (%TIME%) are
// replaced wherever they stand, so only their set counts.
struct Placeholders {
  std::vector<std::wstring> ordered;  // %d, %s, %I64u ... and the "\n" breaks
  std::vector<std::wstring> named;    // sorted
  bool operator==(const Placeholders& o) const { return ordered == o.ordered && named == o.named; }
};

Placeholders PlaceholdersOf(const std::wstring& s) {
  Placeholders p;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'\\' && i + 1 < s.size() && s[i + 1] == L'n') {
      p.ordered.push_back(L"\\n");
      ++i;
      continue;
    }
    if (s[i] != L'%') continue;
    size_t j = i + 1;
    while (j < s.size() && (IsUpper(s[j]) || IsDigit(s[j]) || s[j] == L'_')) ++j;
    if (j < s.size() && s[j] == L'%' && j - i > 2) {
      p.named.push_back(s.substr(i, j - i + 1));
      i = j;
      continue;
    }
    // printf: flags, width, precision, size prefix, conversion.
    j = i + 1;
    while (j < s.size() && std::wstring(L"-+ #0").find(s[j]) != std::wstring::npos) ++j;
    while (j < s.size() && (IsDigit(s[j]) || s[j] == L'.' || s[j] == L'*')) ++j;
    for (const wchar_t* size : {L"I64", L"ll", L"l", L"h"}) {
      if (s.compare(j, wcslen(size), size) == 0) {
        j += wcslen(size);
        break;
      }
    }
    if (j < s.size() && std::wstring(L"diouxXcsSpf%").find(s[j]) != std::wstring::npos) {
      p.ordered.push_back(s.substr(i, j - i + 1));
      i = j;
    }
  }
  std::sort(p.named.begin(), p.named.end());
  return p;
}

std::string Join(const Placeholders& p) {
  std::wstring out;
  for (const auto& v : {p.ordered, p.named})
    for (const std::wstring& s : v) out += L"[" + s + L"]";
  return text::ToUtf8(out);
}

// Access keys: one "&" before a letter ("&Exit", "終了(&X)"); "&&" is a
// plain ampersand.
int AccessKeys(const std::wstring& s) {
  int n = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != L'&') continue;
    if (i + 1 < s.size() && s[i + 1] == L'&') ++i;
    else ++n;
  }
  return n;
}

bool AllAscii(const std::wstring& s) {
  return std::all_of(s.begin(), s.end(), [](wchar_t c) { return c < 0x80; });
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == 0xA0; }

class JapaneseLanguageTest : public SimTest {
 protected:
  // Loads a language from the built Resources folder, as start-up does.
  Table Load(const wchar_t* language) {
    app::LanguageName = language;
    EXPECT_TRUE(app::LoadLanguageTable()) << text::ToUtf8(language);
    return CurrentTable();
  }
  void SetUp() override {
    Boot();
    app::ReadStartupValues();
  }
};

}  // namespace

TEST_F(JapaneseLanguageTest, EveryEnglishTextHasAFaithfulJapaneseOne) {
  Table english = Load(L"English");
  Table japanese = Load(L"Japanese");
  ASSERT_GT(english.texts.size(), 300u);
  std::vector<std::string> problems;
  auto problem = [&](const std::wstring& key, const std::string& what) {
    problems.push_back(text::ToUtf8(key) + ": " + what);
  };
  for (const auto& [key, en] : english.texts) {
    auto found = japanese.texts.find(key);
    if (found == japanese.texts.end()) {
      problem(key, "missing (English: \"" + text::ToUtf8(en) + "\")");
      continue;
    }
    const std::wstring& ja = found->second;
    if (en.empty()) continue;
    if (ja.empty()) {
      problem(key, "empty");
      continue;
    }
    if (!(PlaceholdersOf(en) == PlaceholdersOf(ja)))
      problem(key, "placeholders or line breaks " + Join(PlaceholdersOf(ja)) + ", English has " + Join(PlaceholdersOf(en)));
    // A Japanese button may gain a key ("次へ(&N) >") but never lose one.
    if (AccessKeys(ja) != AccessKeys(en) && !(AccessKeys(en) == 0 && AccessKeys(ja) == 1))
      problem(key, std::to_string(AccessKeys(ja)) + " access keys, English has " + std::to_string(AccessKeys(en)));
    // Texts are glued to numbers and to each other ("IDS_CopyBlock" + "(",
    // sector number + "IDS_badsector2"): the blanks at their edges count.
    if (IsBlank(en.front()) != IsBlank(ja.front()) || IsBlank(en.back()) != IsBlank(ja.back()))
      problem(key, "blanks at the start or end differ from the English text");
    if (AllAscii(ja) && !kSameInJapanese.count(key))
      problem(key, "not translated: \"" + text::ToUtf8(ja) + "\"");
  }
  for (const auto& [key, ja] : japanese.texts)
    if (!english.texts.count(key)) problem(key, "has no English text (renamed or misspelt key?)");
  for (const std::wstring& key : japanese.duplicates) problem(key, "given twice; only the first counts");
  std::string all;
  for (const std::string& p : problems) all += "\n  " + p;
  EXPECT_TRUE(problems.empty()) << problems.size() << " problems in Resources/081.txt:" << all;
}

TEST_F(JapaneseLanguageTest, LanguageFilesKeepTheShapeTheLoaderNeeds) {
  for (const char* name : {"001", "081"}) {
    std::string path = std::string(VEKTREL_SOURCE_DIR) + "/resources/Resources/" + name + ".txt";
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    std::string line, last;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // The loader reads 511 UTF-16 units at a time, line end included: a
      // longer line loses its tail to an entry of its own.
      size_t units = text::EncodeUtf16LE(text::FromUtf8(line)).size() / 2 + 2;
      EXPECT_LE(units, 511u) << name << ".txt line " << number;
      if (number == 1) {
        EXPECT_EQ(line.rfind(";", 0), 0u) << name << ".txt: the byte-order mark spoils the first line's key";
      }
      if (!line.empty()) last = line;
    }
    EXPECT_EQ(last, "END") << name << ".txt";
  }
}

TEST_F(JapaneseLanguageTest, TheProgramShowsJapaneseTexts) {
  app::LanguageName = L"Japanese";
  ASSERT_TRUE(app::LoadLanguageTable());
  EXPECT_EQ(app::DateFormat, L"%Y/%m/%d");
  EXPECT_EQ(app::T(L"IDS_Next"), L"次へ(&N) >");
  EXPECT_EQ(app::T(L"IDS_Cancel"), L"キャンセル");
  EXPECT_EQ(app::WithoutAccessKey(app::T(L"ID_ACTIONS_EXIT")), L"終了");
  // The line break becomes a blank and a line feed; the placeholder stays
  // for the countdown to fill.
  std::wstring countdown = app::T(L"IDS_OTB");
  EXPECT_NE(countdown.find(L" \n"), std::wstring::npos);
  EXPECT_NE(countdown.find(L"%TIME% 秒"), std::wstring::npos);
  EXPECT_EQ(app::T(L"IDS_CopyBlock").back(), L' ');
  EXPECT_EQ(app::T(L"IDS_badsector2").front(), L'\xA0');
  EXPECT_EQ(app::T(L"IDS_NoSuchKey"), L"IDS_NoSuchKey");
}
