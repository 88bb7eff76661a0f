#include "app/language.h"

#include <ctime>

#include "app/app_state.h"
#include "disk/disk_access.h"
#include "platform/system.h"
#include "platform/text.h"

namespace app {

std::wstring LanguageName = L"English";
std::vector<std::wstring> LanguageTable;
std::wstring DateFormat = L"%m/%d/%Y";

namespace {

constexpr size_t kLineBuffer = 512;  // a longer line is read as several lines

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x0B || c == 0x0C; }

// Splits the file into the lines a wide-character line read of a 512-unit
// buffer returns: up to and including a line feed, or 511 units.
std::vector<std::u16string> ReadLines(const std::vector<uint8_t>& bytes) {
  std::vector<std::u16string> lines;
  std::u16string cur;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t c = char16_t(bytes[i] | (bytes[i + 1] << 8));
    cur.push_back(c);
    if (c == u'\n' || cur.size() == kLineBuffer - 1) {
      lines.push_back(cur);
      cur.clear();
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

}  // namespace

void ParseLanguageFile(const std::vector<uint8_t>& fileBytes) {
  std::vector<std::u16string> lines = ReadLines(fileBytes);
  LanguageTable.assign(lines.size() * 2, std::wstring());
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::u16string& line = lines[i];
    size_t colon = line.find(u':');
    if (colon == std::u16string::npos || colon == 0) continue;
    size_t kb = 0, ke = colon;
    while (kb < ke && IsBlank(line[kb])) ++kb;
    while (ke > kb && IsBlank(line[ke - 1])) --ke;
    std::u16string value = line.substr(colon + 1);
    size_t vb = 0;
    while (vb < value.size() && IsBlank(value[vb]) && value[vb] != u'\n') ++vb;
    value = value.substr(vb);
    // Only an actual line end is dropped: the last line of a file and the
    // pieces of an over-long line have none.
    if (!value.empty() && value.back() == u'\n') value.pop_back();
    if (!value.empty() && value.back() == u'\r') value.pop_back();
    LanguageTable[2 * i] = text::FromUtf16(line.substr(kb, ke - kb));
    LanguageTable[2 * i + 1] = text::FromUtf16(value);
  }
}

bool LoadLanguageTable() {
  LanguageTable.clear();
  std::wstring file;
  if (LanguageName == L"English") {
    file = L"\\Resources\\001.dll";
    DateFormat = L"%m/%d/%Y";
  } else if (LanguageName == L"Japanese") {
    file = L"\\Resources\\081.dll";
    DateFormat = L"%Y/%m/%d";
  } else {
    return false;
  }
  platform::Handle h = disk::OpenFileRead(AppDirectory + file);
  if (!platform::IsValid(h)) return false;
  std::vector<uint8_t> bytes;
  uint8_t buf[65536];
  uint32_t got = 0;
  // Language files are a few hundred lines; a cap keeps a wrong file from
  // filling memory.
  while (bytes.size() < (16u << 20) && platform::Sys().ReadFile(h, buf, sizeof buf, &got) && got > 0)
    bytes.insert(bytes.end(), buf, buf + got);
  platform::Sys().CloseHandle(h);
  ParseLanguageFile(bytes);
  return true;
}

std::wstring GetLangString(const std::wstring& key) {
  for (size_t i = 0; i + 1 < LanguageTable.size(); i += 2) {
    if (LanguageTable[i] != key) continue;
    std::wstring v = LanguageTable[i + 1], out;
    for (size_t k = 0; k < v.size(); ++k) {
      if (v[k] == L'\\' && k + 1 < v.size() && v[k + 1] == L'n') {
        out += L" \n";
        ++k;
      } else {
        out.push_back(v[k]);
      }
    }
    return out;
  }
  return key;
}

std::wstring FillField(std::wstring text, const std::wstring& field, const std::wstring& value) {
  size_t at = text.find(field);
  if (at != std::wstring::npos) text.replace(at, field.size(), value);
  return text;
}

std::wstring WithoutAccessKey(std::wstring s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    // Japanese texts name the key in brackets after the words ("終了(&X)");
    // without the key the brackets would stand there empty-handed.
    if (s[i] == L'(' && i + 3 < s.size() && s[i + 1] == L'&' && s[i + 2] != L'&' && s[i + 3] == L')') {
      i += 3;
      continue;
    }
    if (s[i] == L'&') {
      if (i + 1 < s.size() && s[i + 1] == L'&') out.push_back(s[++i]);  // "&&" is a plain ampersand
      continue;
    }
    out.push_back(s[i]);
  }
  return out;
}

std::wstring FormatDateTime(std::time_t t) {
  std::tm tm = platform::Sys().LocalTime(t);
  char buf[64];
  std::string fmt = text::Narrow(DateFormat) + " %H:%M";
  if (std::strftime(buf, sizeof buf, fmt.c_str(), &tm) == 0) return L"";
  return text::Widen(buf);
}

}  // namespace app
