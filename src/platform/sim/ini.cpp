#include "platform/sim/ini.h"

namespace sim {

std::string LowerAscii(std::string s) {
  for (auto& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return s;
}

std::string TrimAscii(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return s.substr(b, e - b);
}

const std::string* IniSection::Find(const std::string& key) const {
  for (auto& kv : values)
    if (kv.first == key) return &kv.second;
  return nullptr;
}

std::string IniSection::Get(const std::string& key, const std::string& fallback) const {
  const std::string* v = Find(key);
  return v ? *v : fallback;
}

bool ParseIni(const std::string& text, IniFile* out, std::string* error) {
  out->sections.clear();
  out->sections.push_back(IniSection{});
  size_t pos = 0;
  int lineNo = 0;
  // Skip a UTF-8 byte-order mark.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = TrimAscii(text.substr(pos, end - pos));
    pos = end + 1;
    ++lineNo;
    if (line.empty() || line[0] == ';' || line[0] == '#') {
      if (end == text.size()) break;
      continue;
    }
    if (line[0] == '[') {
      size_t close = line.find(']');
      if (close == std::string::npos) {
        *error = "line " + std::to_string(lineNo) + ": section header without ']'";
        return false;
      }
      IniSection s;
      s.name = LowerAscii(TrimAscii(line.substr(1, close - 1)));
      s.line = lineNo;
      out->sections.push_back(std::move(s));
    } else {
      size_t eq = line.find('=');
      if (eq == std::string::npos || eq == 0) {
        *error = "line " + std::to_string(lineNo) + ": expected key = value";
        return false;
      }
      out->sections.back().values.emplace_back(LowerAscii(TrimAscii(line.substr(0, eq))),
                                               TrimAscii(line.substr(eq + 1)));
    }
    if (end == text.size()) break;
  }
  return true;
}

}  // namespace sim
