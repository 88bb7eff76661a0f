// A settings file read the way GetPrivateProfileIntW and
// GetPrivateProfileStringW read one: "[section]" and "key=value" lines,
// names compared without regard to case, the first of repeated keys
// winning, values trimmed and freed of one pair of enclosing quotes.
// UTF-16LE files carry a byte-order mark; anything else is taken as UTF-8.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace health {

class ProfileFile {
 public:
  // The file's bytes (a file too large for a settings file is cut short).
  void Parse(const std::vector<uint8_t>& bytes);
  // Reads the file through the system; false (and nothing in it) when it
  // cannot be opened.
  bool Load(const std::wstring& path);

  // The leading decimal number of the value (a negative one gives 0), or
  // fallback when the key is missing or the value does not start with one.
  int GetInt(const std::wstring& section, const std::wstring& key, int fallback) const;
  // The value, at most maxChars - 1 characters, as a buffer of maxChars
  // characters holds it.
  std::wstring GetString(const std::wstring& section, const std::wstring& key, const std::wstring& fallback,
                         size_t maxChars = 1024) const;

  static constexpr size_t kMaxFileBytes = 1 << 20;

 private:
  const std::wstring* Find(const std::wstring& section, const std::wstring& key) const;
  std::map<std::wstring, std::map<std::wstring, std::wstring>> sections_;  // upper-cased names
};

}  // namespace health
