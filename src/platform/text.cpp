#include "platform/text.h"

#include <cstdio>

namespace text {

std::u16string ToUtf16(const std::wstring& s) {
  std::u16string out;
  out.reserve(s.size());
  for (wchar_t wc : s) {
    uint32_t c = uint32_t(wc);
    if (sizeof(wchar_t) == 4 && c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out.push_back(char16_t(0xD800 + (c >> 10)));
      out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(char16_t(c & 0xFFFF));
    }
  }
  return out;
}

std::wstring FromUtf16(const std::u16string& s) {
  std::wstring out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (sizeof(wchar_t) == 4 && c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(s[i + 1]) - 0xDC00);
      ++i;
    }
    out.push_back(wchar_t(c));
  }
  return out;
}

std::vector<uint8_t> EncodeUtf16LE(const std::wstring& s) {
  std::u16string u = ToUtf16(s);
  std::vector<uint8_t> out(u.size() * 2);
  for (size_t i = 0; i < u.size(); ++i) {
    out[2 * i] = uint8_t(u[i]);
    out[2 * i + 1] = uint8_t(u[i] >> 8);
  }
  return out;
}

std::wstring DecodeUtf16LE(const uint8_t* data, size_t byteCount) {
  std::u16string u;
  u.reserve(byteCount / 2);
  for (size_t i = 0; i + 1 < byteCount; i += 2) u.push_back(char16_t(data[i] | (data[i + 1] << 8)));
  return FromUtf16(u);
}

std::string ToUtf8(const std::wstring& s) {
  std::string out;
  std::wstring w = FromUtf16(ToUtf16(s));  // joins surrogate pairs on Windows
  for (wchar_t wc : w) {
    uint32_t c = uint32_t(wc);
    if (c < 0x80) {
      out.push_back(char(c));
    } else if (c < 0x800) {
      out.push_back(char(0xC0 | (c >> 6)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(char(0xE0 | (c >> 12)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (c >> 18)));
      out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::wstring FromUtf8(const std::string& s) {
  std::u16string u;
  for (size_t i = 0; i < s.size();) {
    uint8_t b = uint8_t(s[i]);
    uint32_t c = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0 && i + 1 < s.size()) {
      c = ((b & 0x1F) << 6) | (uint8_t(s[i + 1]) & 0x3F);
      len = 2;
    } else if ((b & 0xF0) == 0xE0 && i + 2 < s.size()) {
      c = ((b & 0x0F) << 12) | ((uint8_t(s[i + 1]) & 0x3F) << 6) | (uint8_t(s[i + 2]) & 0x3F);
      len = 3;
    } else if ((b & 0xF8) == 0xF0 && i + 3 < s.size()) {
      c = ((b & 0x07) << 18) | ((uint8_t(s[i + 1]) & 0x3F) << 12) | ((uint8_t(s[i + 2]) & 0x3F) << 6) |
          (uint8_t(s[i + 3]) & 0x3F);
      len = 4;
    }
    i += len;
    if (c >= 0x10000) {
      c -= 0x10000;
      u.push_back(char16_t(0xD800 + (c >> 10)));
      u.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    } else {
      u.push_back(char16_t(c));
    }
  }
  return FromUtf16(u);
}

std::wstring Widen(const std::string& ascii) {
  std::wstring out;
  out.reserve(ascii.size());
  for (char c : ascii) out.push_back(wchar_t(uint8_t(c)));
  return out;
}

std::string Narrow(const std::wstring& s) {
  std::string out;
  out.reserve(s.size());
  for (wchar_t c : s) out.push_back(uint32_t(c) < 0x80 ? char(c) : '?');
  return out;
}

wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - 32) : c; }

std::wstring UpperAscii(std::wstring s) {
  for (auto& c : s) c = UpperAscii(c);
  return s;
}

bool EqualsIgnoreCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

bool StartsWithIgnoreCase(const std::wstring& s, const std::wstring& prefix) {
  return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

std::wstring Trim(const std::wstring& s) {
  size_t b = 0, e = s.size();
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::wstring Dec(uint64_t v) {
  wchar_t buf[24];
  int i = 23;
  buf[i] = 0;
  do {
    buf[--i] = wchar_t(L'0' + v % 10);
    v /= 10;
  } while (v);
  return std::wstring(buf + i);
}

std::wstring Dec(int64_t v) {
  if (v < 0) return L"-" + Dec(uint64_t(-(v + 1)) + 1);
  return Dec(uint64_t(v));
}

std::wstring FormatHms(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int((seconds / 3600) % 24), int((seconds / 60) % 60),
                int(seconds % 60));
  return Widen(buf);
}

bool WildcardMatch(const std::wstring& pattern, const std::wstring& name) {
  // Iterative match with one backtrack point for the last '*'.
  size_t p = 0, n = 0, star = std::wstring::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || UpperAscii(pattern[p]) == UpperAscii(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      mark = n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && (pattern[p] == L'*' || pattern[p] == L'.')) {
    // "*.*" matches names without an extension, as Windows does.
    if (pattern[p] == L'.' && !(p + 1 < pattern.size() && pattern[p + 1] == L'*')) return false;
    ++p;
  }
  return p == pattern.size();
}

}  // namespace text
