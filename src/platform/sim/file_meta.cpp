#include "platform/sim/file_meta.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

constexpr const char* kHeader = "vektrel-meta 1";
constexpr size_t kMaxStoreBytes = 256u << 20;

std::string Hex(const std::vector<uint8_t>& b) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  s.reserve(b.size() * 2);
  for (uint8_t x : b) {
    s.push_back(digits[x >> 4]);
    s.push_back(digits[x & 15]);
  }
  return s;
}

bool FromHex(const std::string& s, std::vector<uint8_t>* out) {
  if (s.size() % 2) return false;
  out->clear();
  for (size_t i = 0; i < s.size(); i += 2) {
    int v = 0;
    for (size_t k = 0; k < 2; ++k) {
      char c = s[i + k];
      int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      if (d < 0) return false;
      v = v * 16 + d;
    }
    out->push_back(uint8_t(v));
  }
  return true;
}

// Keys and names are host names: tabs, line ends and '%' are escaped.
std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02x", unsigned(uint8_t(c)));
      out += buf;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      std::vector<uint8_t> b;
      if (FromHex(s.substr(i + 1, 2), &b)) {
        out.push_back(char(b[0]));
        i += 2;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : line) {
    if (c == '\t') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  out.push_back(cur);
  return out;
}

}  // namespace

uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds) {
  return uint64_t(seconds + 11644473600LL) * 10000000ull + nanoseconds / 100;
}

uint64_t HostWriteTime(const std::string& host) {
  std::error_code ec;
  auto t = fs::last_write_time(host, ec);
  if (ec) return 0;
  auto since = std::chrono::file_clock::to_sys(t).time_since_epoch();
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
  int64_t seconds = ns / 1000000000;
  int64_t rest = ns % 1000000000;
  if (rest < 0) {
    rest += 1000000000;
    --seconds;
  }
  return FileTimeFromUnix(seconds, uint32_t(rest));
}

MetaStore::MetaStore(std::string root) : root_(std::move(root)) { Load(); }

const FileMeta* MetaStore::Find(const std::string& key) const {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

FileMeta& MetaStore::At(const std::string& key) {
  dirty_ = true;
  return entries_[key];
}

void MetaStore::Erase(const std::string& key) {
  if (entries_.erase(key)) dirty_ = true;
}

void MetaStore::EraseTree(const std::string& key) {
  std::string prefix = key + "/";
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->first == key || it->first.compare(0, prefix.size(), prefix) == 0) {
      it = entries_.erase(it);
      dirty_ = true;
    } else {
      ++it;
    }
  }
}

void MetaStore::Clear() {
  entries_.clear();
  hasLabel_ = false;
  label_.clear();
  dirty_ = true;
}

void MetaStore::SetLabel(const std::wstring& label) {
  hasLabel_ = true;
  label_ = label;
  dirty_ = true;
}

void MetaStore::Load() {
  std::string path = (fs::path(root_) / kFileName).string();
  std::error_code ec;
  if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kMaxStoreBytes) return;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return;
  while (std::getline(in, line)) {
    std::vector<std::string> f = SplitTabs(line);
    if (f.size() == 2 && f[0] == "@label") {
      hasLabel_ = true;
      label_ = text::FromUtf8(Unescape(f[1]));
      continue;
    }
    FileMeta m;
    for (size_t i = 1; i < f.size(); ++i) {
      const std::string& field = f[i];
      if (field.size() < 2 || field[1] != '=') continue;
      std::string v = field.substr(2);
      switch (field[0]) {
        case 'a':
          m.hasAttributes = true;
          m.attributes = uint32_t(std::strtoul(v.c_str(), nullptr, 16));
          break;
        case 't': {
          unsigned long long c = 0, a = 0, w = 0;
          if (std::sscanf(v.c_str(), "%llu,%llu,%llu", &c, &a, &w) == 3) m.times = {c, a, w};
          break;
        }
        case 's':
          FromHex(v, &m.security);
          break;
        case 'n':
          m.hasShortName = true;
          m.shortName = text::FromUtf8(Unescape(v));
          break;
        case 'r':
          FromHex(v, &m.reparse);
          break;
        default:
          break;
      }
    }
    entries_[Unescape(f[0])] = std::move(m);
  }
}

bool MetaStore::Save() {
  if (!dirty_) return true;
  std::error_code ec;
  fs::create_directories(root_, ec);
  if (!fs::is_directory(root_, ec)) return false;
  std::ostringstream out;
  out << kHeader << "\n";
  if (hasLabel_) out << "@label\t" << Escape(text::ToUtf8(label_)) << "\n";
  for (const auto& [key, m] : entries_) {
    out << Escape(key);
    if (m.hasAttributes) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%x", m.attributes);
      out << "\ta=" << buf;
    }
    if (m.times.creation || m.times.lastAccess || m.times.lastWrite)
      out << "\tt=" << m.times.creation << "," << m.times.lastAccess << "," << m.times.lastWrite;
    if (!m.security.empty()) out << "\ts=" << Hex(m.security);
    if (m.hasShortName) out << "\tn=" << Escape(text::ToUtf8(m.shortName));
    if (!m.reparse.empty()) out << "\tr=" << Hex(m.reparse);
    out << "\n";
  }
  // Written beside and renamed over, so that a crash leaves the old store.
  std::string path = (fs::path(root_) / kFileName).string();
  std::string temp = path + ".new";
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    f << out.str();
    if (!f) return false;
  }
  fs::rename(temp, path, ec);
  if (ec) return false;
  dirty_ = false;
  return true;
}

}  // namespace sim
