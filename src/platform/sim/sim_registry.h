// The simulated PC's registry: keys by path (case-insensitive), each with
// typed values. Seeded from the machine file; the disk count under the disk
// service's Enum key follows the simulated disks unless the machine sets it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace sim {

struct RegValue {
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

class SimRegistry {
 public:
  // Keys are given as "HKLM\\SYSTEM\\..." (HKLM, HKCU).
  static std::wstring KeyPath(uint32_t root, const std::wstring& subKey);
  void Set(const std::wstring& keyPath, const std::wstring& name, const RegValue& v);
  bool Get(const std::wstring& keyPath, const std::wstring& name, RegValue* v) const;
  void CreateKey(const std::wstring& keyPath);
  bool KeyExists(const std::wstring& keyPath) const;
  void Deny(const std::wstring& keyPath);
  bool IsDenied(const std::wstring& keyPath) const;
  // Computed values: asked at read time when the key holds no stored value.
  void SetComputed(const std::wstring& keyPath, const std::wstring& name, std::function<RegValue()> fn);
  // Every stored key and value, for display.
  const std::map<std::wstring, std::map<std::wstring, RegValue>>& Keys() const { return keys_; }

 private:
  static std::wstring Norm(const std::wstring& s);
  std::map<std::wstring, std::map<std::wstring, RegValue>> keys_;  // normalised path -> name -> value
  std::map<std::wstring, std::wstring> display_;
  std::vector<std::wstring> denied_;
  std::map<std::wstring, std::function<RegValue()>> computed_;
};

}  // namespace sim
