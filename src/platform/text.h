// Text at the borders: UTF-16LE for files and requests, UTF-8 for the host
// (console, host paths). Inside the program text is std::wstring, which is
// UTF-16 on Windows and UTF-32 on Linux; these helpers hide the difference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace text {

std::vector<uint8_t> EncodeUtf16LE(const std::wstring& s);
std::wstring DecodeUtf16LE(const uint8_t* data, size_t byteCount);
// The code units of s as UTF-16 (one unit per BMP character, a pair otherwise).
std::u16string ToUtf16(const std::wstring& s);
std::wstring FromUtf16(const std::u16string& s);

std::string ToUtf8(const std::wstring& s);
std::wstring FromUtf8(const std::string& s);

// ASCII-only helpers; other characters pass unchanged.
std::wstring Widen(const std::string& ascii);
std::string Narrow(const std::wstring& s);  // non-ASCII becomes '?'
wchar_t UpperAscii(wchar_t c);
std::wstring UpperAscii(std::wstring s);
bool EqualsIgnoreCase(const std::wstring& a, const std::wstring& b);
bool StartsWithIgnoreCase(const std::wstring& s, const std::wstring& prefix);
std::wstring Trim(const std::wstring& s);

// Decimal text of 64-bit numbers, without the printf width quirks of the
// Windows C library.
std::wstring Dec(uint64_t v);
std::wstring Dec(int64_t v);
inline std::wstring Dec(int v) { return Dec(int64_t(v)); }
inline std::wstring Dec(unsigned v) { return Dec(uint64_t(v)); }

// Seconds as "%H:%M:%S" of a time span: the hours field is the hours part
// of the span (0..23); whole days are not shown.
std::wstring FormatHms(int64_t seconds);

// Windows wildcard match ('*' and '?'), case-insensitive as on NTFS.
bool WildcardMatch(const std::wstring& pattern, const std::wstring& name);

}  // namespace text
