// The language tables: every text the user interface shows is looked up by
// its key ("IDS_Next", "ID_ACTIONS_EXIT") in the table loaded at start-up
// from Resources\001.dll (English) or Resources\081.dll (Japanese) in the
// program's folder. The files are UTF-16 text, one "key: value" per line.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace app {

extern std::wstring LanguageName;                // "English" or "Japanese"; chosen before loading
extern std::vector<std::wstring> LanguageTable;  // slot 2i key of line i, slot 2i + 1 its value
extern std::wstring DateFormat;                  // "%m/%d/%Y" or "%Y/%m/%d"

// Loads the table for LanguageName from the program's folder; false (and an
// empty table) for another name or a file that cannot be opened.
bool LoadLanguageTable();
// The same rules over a file's bytes (used by the loader and by tests).
void ParseLanguageFile(const std::vector<uint8_t>& fileBytes);
// The text for key, or the key itself when the table has none.
std::wstring GetLangString(const std::wstring& key);
// Short form used throughout the pages.
inline std::wstring T(const std::wstring& key) { return GetLangString(key); }

// The text with a named field ("%TIME%") replaced by value (the first
// occurrence; a text without the field is returned as it is).
std::wstring FillField(std::wstring text, const std::wstring& field, const std::wstring& value);

// A menu text without its access key, for captions and labels: "&Exit" ->
// "Exit", "終了(&X)" -> "終了", "Save && Close" -> "Save & Close".
std::wstring WithoutAccessKey(std::wstring s);

// Formats a time with DateFormat followed by " %H:%M" ("12/09/2026 10:00").
std::wstring FormatDateTime(std::time_t t);

}  // namespace app
