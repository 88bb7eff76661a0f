#include "platform/sim/short_names.h"

#include <cstdio>

namespace sim {

namespace {

bool IsShortNameChar(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return true;
  if (c >= L'a' && c <= L'z') return true;
  if (c >= L'0' && c <= L'9') return true;
  return std::wstring(L"!#$%&'()-@^_`{}~").find(c) != std::wstring::npos;
}

// What the generator keeps of a name's character: nothing for blanks and
// dots, '_' for characters DOS names cannot hold.
std::wstring Usable(const std::wstring& part) {
  std::wstring out;
  for (wchar_t c : part) {
    if (c == L' ' || c == L'.') continue;
    out.push_back(IsShortNameChar(c) ? FoldChar(c) : L'_');
  }
  return out;
}

uint16_t Checksum(const std::wstring& name) {
  uint16_t sum = 0;
  for (wchar_t c : name) sum = uint16_t(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + uint16_t(c));
  return sum;
}

}  // namespace

wchar_t FoldChar(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? wchar_t(c - 32) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return wchar_t(c - 32);
  if (c == 0xFF) return wchar_t(0x178);
  if (c >= 0x100 && c <= 0x17F) {
    bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (oddUpper) return (c % 2 == 0) ? wchar_t(c - 1) : c;
    return (c % 2 == 1) ? wchar_t(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return wchar_t(c - 32);
  if (c >= 0x430 && c <= 0x44F) return wchar_t(c - 32);
  if (c >= 0x450 && c <= 0x45F) return wchar_t(c - 80);
  if (c >= 0xFF41 && c <= 0xFF5A) return wchar_t(c - 32);
  return c;
}

std::wstring FoldName(const std::wstring& name) {
  std::wstring out(name);
  for (wchar_t& c : out) c = FoldChar(c);
  return out;
}

bool IsLegal83(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  size_t dot = name.find(L'.');
  if (dot != std::wstring::npos && name.find(L'.', dot + 1) != std::wstring::npos) return false;
  std::wstring base = dot == std::wstring::npos ? name : name.substr(0, dot);
  std::wstring ext = dot == std::wstring::npos ? L"" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3 || (dot != std::wstring::npos && ext.empty())) return false;
  for (wchar_t c : base + ext)
    if (!IsShortNameChar(c)) return false;
  return true;
}

bool IsValidShortName(const std::wstring& name) { return IsLegal83(name) && FoldName(name) == name; }

std::wstring GenerateShortName(const std::wstring& longName, const std::function<bool(const std::wstring&)>& taken) {
  std::wstring name = longName;
  while (!name.empty() && name[0] == L'.') name.erase(0, 1);
  size_t dot = name.rfind(L'.');
  std::wstring base = Usable(dot == std::wstring::npos ? name : name.substr(0, dot));
  std::wstring ext = dot == std::wstring::npos ? L"" : Usable(name.substr(dot + 1)).substr(0, 3);
  if (base.empty()) base = L"_";
  std::wstring suffix = ext.empty() ? L"" : L"." + ext;
  for (int n = 1; n <= 4; ++n) {
    std::wstring candidate = base.substr(0, 6) + L"~" + std::to_wstring(n) + suffix;
    if (!taken(candidate)) return candidate;
  }
  wchar_t hex[8];
  std::swprintf(hex, 8, L"%04X", unsigned(Checksum(longName)));
  for (int n = 1; n <= 999999; ++n) {
    std::wstring tail = L"~" + std::to_wstring(n);
    std::wstring stem = base.substr(0, 2) + hex;
    std::wstring candidate = stem.substr(0, 8 - tail.size()) + tail + suffix;
    if (!taken(candidate)) return candidate;
  }
  return L"";
}

}  // namespace sim
