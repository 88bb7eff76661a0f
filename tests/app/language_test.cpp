// The language table rules, on hand-made files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/language.h"
#include "platform/text.h"

namespace {

// A language file as the loader reads it: UTF-16LE with a byte-order mark.
std::vector<uint8_t> File(const std::wstring& body, bool bom = true) {
  std::vector<uint8_t> bytes;
  if (bom) bytes = {0xFF, 0xFE};
  auto b = text::EncodeUtf16LE(body);
  bytes.insert(bytes.end(), b.begin(), b.end());
  return bytes;
}

}  // namespace

TEST(LanguageTableTest, LinesBecomeKeysAndValues) {
  app::ParseLanguageFile(File(
      L"IDS_First: hidden behind the byte-order mark\r\n"
      L"IDS_Colon: Time: 10:00\r\n"
      L"  IDS_Blanks   :    value with trailing blanks  \r\n"
      L"IDS_Blanks2:value with trailing blanks  \r\n"
      L"IDS_Break: first\\nsecond\r\n"
      L"IDS_Twice: the first one\r\n"
      L"IDS_Twice: the second one\r\n"
      L"no colon here\r\n"
      L": colon first\r\n"
      L"IDS_Empty:\r\n"
      L"END\r\n"
      L"IDS_Last: no line end"));
  struct Case {
    const wchar_t* key;
    const wchar_t* text;
  } cases[] = {
      {L"IDS_First", L"IDS_First"},  // the mark is part of the first key
      {L"IDS_Colon", L"Time: 10:00"},
      {L"IDS_Blanks", L"value with trailing blanks  "},
      {L"IDS_Blanks2", L"value with trailing blanks  "},
      {L"IDS_Break", L"first \nsecond"},
      {L"IDS_Twice", L"the first one"},
      {L"IDS_Empty", L""},
      {L"IDS_Last", L"no line end"},  // only a real line end is dropped
      {L"IDS_Unknown", L"IDS_Unknown"},
      {L"ids_colon", L"ids_colon"},  // keys compare exactly
  };
  for (const Case& c : cases) EXPECT_EQ(app::GetLangString(c.key), c.text) << text::ToUtf8(c.key);
  std::wstring bomKey = L"\xFEFFIDS_First";
  EXPECT_EQ(app::GetLangString(bomKey), L"hidden behind the byte-order mark");
}

TEST(LanguageTableTest, OverLongLinesAreReadInPieces) {
  // A 600-character value: the first 511 units are one line, the rest the
  // next; neither loses characters.
  std::wstring value(600, L'x');
  value.replace(520, 8, L"K2:tail!");
  app::ParseLanguageFile(File(L"IDS_Long:" + value + L"\r\nIDS_After: ok\r\n", false));
  std::wstring first = app::GetLangString(L"IDS_Long");
  EXPECT_EQ(first.size(), 511u - 9u);
  EXPECT_EQ(app::GetLangString(L"IDS_After"), L"ok");
  // The piece after the split starts with "xx...K2" and holds its own entry.
  EXPECT_EQ(app::LanguageTable.size(), 3u * 2u);
}

TEST(LanguageTableTest, LineEndsAloneAreStripped) {
  app::ParseLanguageFile(File(L"A: one\nB: two\r\nC: three\r", false));
  EXPECT_EQ(app::GetLangString(L"A"), L"one");
  EXPECT_EQ(app::GetLangString(L"B"), L"two");
  EXPECT_EQ(app::GetLangString(L"C"), L"three");
}

TEST(LanguageTableTest, CaptionsDropTheAccessKey) {
  struct Case {
    const wchar_t* menu;
    const wchar_t* caption;
  } cases[] = {
      {L"&Exit", L"Exit"},
      {L"D&elete Disk/Partition", L"Delete Disk/Partition"},
      {L"終了(&X)", L"終了"},                      // the Japanese manner: the key in brackets
      {L"次へ(&N) >", L"次へ >"},
      {L"Save && Close", L"Save & Close"},         // a doubled ampersand is shown as one
      {L"(&)", L"()"},                             // not a key in brackets
      {L"Trailing &", L"Trailing "},
  };
  for (const Case& c : cases) EXPECT_EQ(app::WithoutAccessKey(c.menu), c.caption) << text::ToUtf8(c.menu);
}
