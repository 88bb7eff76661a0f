#include "platform/sim/sim_registry.h"

#include "platform/text.h"
#include "platform/winapi.h"

namespace sim {

std::wstring SimRegistry::Norm(const std::wstring& s) {
  std::wstring out = text::UpperAscii(s);
  while (!out.empty() && out.back() == L'\\') out.pop_back();
  if (text::StartsWithIgnoreCase(out, L"HKEY_LOCAL_MACHINE")) out = L"HKLM" + out.substr(18);
  if (text::StartsWithIgnoreCase(out, L"HKEY_CURRENT_USER")) out = L"HKCU" + out.substr(17);
  return out;
}

std::wstring SimRegistry::KeyPath(uint32_t root, const std::wstring& subKey) {
  std::wstring r = root == win::HKEY_CURRENT_USER ? L"HKCU" : L"HKLM";
  return subKey.empty() ? r : r + L"\\" + subKey;
}

void SimRegistry::Set(const std::wstring& keyPath, const std::wstring& name, const RegValue& v) {
  keys_[Norm(keyPath)][text::UpperAscii(name)] = v;
}

bool SimRegistry::Get(const std::wstring& keyPath, const std::wstring& name, RegValue* v) const {
  std::wstring k = Norm(keyPath), n = text::UpperAscii(name);
  auto it = keys_.find(k);
  if (it != keys_.end()) {
    auto jt = it->second.find(n);
    if (jt != it->second.end()) {
      *v = jt->second;
      return true;
    }
  }
  auto ct = computed_.find(k + L"|" + n);
  if (ct != computed_.end()) {
    *v = ct->second();
    return true;
  }
  return false;
}

void SimRegistry::CreateKey(const std::wstring& keyPath) { keys_[Norm(keyPath)]; }

bool SimRegistry::KeyExists(const std::wstring& keyPath) const {
  std::wstring k = Norm(keyPath);
  if (keys_.count(k)) return true;
  for (auto& [name, fn] : computed_)
    if (name.compare(0, k.size() + 1, k + L"|") == 0) return true;
  return false;
}

void SimRegistry::Deny(const std::wstring& keyPath) { denied_.push_back(Norm(keyPath)); }

bool SimRegistry::IsDenied(const std::wstring& keyPath) const {
  std::wstring k = Norm(keyPath);
  for (auto& d : denied_)
    if (d == k) return true;
  return false;
}

void SimRegistry::SetComputed(const std::wstring& keyPath, const std::wstring& name, std::function<RegValue()> fn) {
  computed_[Norm(keyPath) + L"|" + text::UpperAscii(name)] = std::move(fn);
}

}  // namespace sim
