#include "health/profile_file.h"

#include "disk/disk_access.h"
#include "platform/system.h"
#include "platform/text.h"

namespace health {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0xFEFF; }

std::wstring TrimBlanks(const std::wstring& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::wstring Decode(const std::vector<uint8_t>& bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return text::DecodeUtf16LE(bytes.data() + 2, bytes.size() - 2);
  size_t skip = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
  return text::FromUtf8(std::string(bytes.begin() + long(skip), bytes.end()));
}

}  // namespace

void ProfileFile::Parse(const std::vector<uint8_t>& bytesIn) {
  sections_.clear();
  std::vector<uint8_t> bytes(bytesIn.begin(), bytesIn.begin() + long(std::min(bytesIn.size(), kMaxFileBytes)));
  std::wstring all = Decode(bytes);
  std::map<std::wstring, std::wstring>* current = nullptr;
  size_t at = 0;
  while (at < all.size()) {
    size_t end = all.find(L'\n', at);
    if (end == std::wstring::npos) end = all.size();
    std::wstring line = TrimBlanks(all.substr(at, end - at));
    at = end + 1;
    if (line.empty() || line[0] == L';') continue;
    if (line[0] == L'[') {
      size_t close = line.find(L']');
      std::wstring name = TrimBlanks(line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
      current = &sections_[text::UpperAscii(name)];  // a repeated section continues the first
      continue;
    }
    size_t eq = line.find(L'=');
    if (!current || eq == std::wstring::npos) continue;
    std::wstring key = text::UpperAscii(TrimBlanks(line.substr(0, eq)));
    std::wstring value = TrimBlanks(line.substr(eq + 1));
    if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0])
      value = value.substr(1, value.size() - 2);
    current->emplace(key, value);  // the first of repeated keys wins
  }
}

bool ProfileFile::Load(const std::wstring& path) {
  sections_.clear();
  auto& sys = platform::Sys();
  platform::Handle h = disk::OpenFileRead(path);
  if (!platform::IsValid(h)) return false;
  std::vector<uint8_t> bytes;
  uint8_t buf[16384];
  uint32_t got = 0;
  while (bytes.size() < kMaxFileBytes && sys.ReadFile(h, buf, sizeof buf, &got) && got > 0)
    bytes.insert(bytes.end(), buf, buf + got);
  sys.CloseHandle(h);
  Parse(bytes);
  return true;
}

const std::wstring* ProfileFile::Find(const std::wstring& section, const std::wstring& key) const {
  auto s = sections_.find(text::UpperAscii(section));
  if (s == sections_.end()) return nullptr;
  auto k = s->second.find(text::UpperAscii(key));
  return k == s->second.end() ? nullptr : &k->second;
}

int ProfileFile::GetInt(const std::wstring& section, const std::wstring& key, int fallback) const {
  const std::wstring* v = Find(section, key);
  if (!v) return fallback;
  size_t i = 0;
  bool negative = i < v->size() && (*v)[i] == L'-';
  if (negative || (i < v->size() && (*v)[i] == L'+')) ++i;
  if (i >= v->size() || (*v)[i] < L'0' || (*v)[i] > L'9') return fallback;
  long long n = 0;
  for (; i < v->size() && (*v)[i] >= L'0' && (*v)[i] <= L'9'; ++i)
    if (n <= 0x7FFFFFFF) n = n * 10 + ((*v)[i] - L'0');
  if (negative) return 0;
  return n > 0x7FFFFFFF ? 0x7FFFFFFF : int(n);
}

std::wstring ProfileFile::GetString(const std::wstring& section, const std::wstring& key,
                                    const std::wstring& fallback, size_t maxChars) const {
  const std::wstring* v = Find(section, key);
  std::wstring s = v ? *v : fallback;
  if (maxChars && s.size() > maxChars - 1) s.resize(maxChars - 1);
  return s;
}

}  // namespace health
