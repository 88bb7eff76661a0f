#include "health/attribute_names.h"

#include <algorithm>

#include "platform/system.h"
#include "platform/text.h"

namespace health {

std::wstring AttributeNamesPath() {
  std::wstring path = platform::Sys().GetModuleFileName();
  if (path.size() < 3) return L"";
  return path.substr(0, path.size() - 3) + L"ini";
}

AttributeNameTable AttributeNamesFrom(const ProfileFile& file) {
  AttributeNameTable table;
  int count = std::clamp(file.GetInt(L"General", L"Max Attributes", 0), 0, kMaxAttributeSections);
  for (int i = 0; i < count; ++i) {
    std::wstring section = L"Attrib" + text::Dec(int64_t(i));
    AttributeInfo info;
    info.Id = file.GetInt(section, L"Id", 0);
    if (info.Id < 1 || info.Id > 255) continue;
    info.Critical = file.GetInt(section, L"Critical", 0);
    info.Name = file.GetString(section, L"Name", L"");
    info.Details = file.GetString(section, L"Details", L"");
    table.emplace(info.Id, info);
  }
  return table;
}

AttributeNameTable LoadAttributeNames() {
  ProfileFile file;
  std::wstring path = AttributeNamesPath();
  if (path.empty()) return {};
  if (!file.Load(path)) {
    // The console program (vektrel-cli.exe) reads the file of the program
    // it stands beside.
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos || !file.Load(path.substr(0, slash + 1) + L"vektrel.ini")) return {};
  }
  return AttributeNamesFrom(file);
}

}  // namespace health
