// A small INI reader for machine files: "[section]" lines, "key = value"
// lines, ';' or '#' comments. Sections may repeat ([disk] twice is two
// disks); order is kept.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace sim {

struct IniSection {
  std::string name;  // lower-cased
  std::vector<std::pair<std::string, std::string>> values;  // keys lower-cased, in file order
  int line = 0;
  const std::string* Find(const std::string& key) const;
  std::string Get(const std::string& key, const std::string& fallback = "") const;
};

struct IniFile {
  std::vector<IniSection> sections;  // sections[0] is the unnamed head section
};

// Parses text; returns false with a message naming the line on a malformed line.
bool ParseIni(const std::string& text, IniFile* out, std::string* error);

std::string LowerAscii(std::string s);
std::string TrimAscii(const std::string& s);

}  // namespace sim
